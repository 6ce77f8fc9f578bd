// SOCI 4 with its PostgreSQL backend, used as its documentation advises for speed: statements
// prepared once and re-executed with bound variables (use / into), a bulk fetch of 1,000 rows into
// vectors for the read, the inserts inside one soci::transaction. Values are SOCI's own: int,
// double and std::string.
#include "ServerContender.h"

// The Debian build of SOCI was configured with Boost, which only adds binding of Boost.Fusion
// sequences in bind-values.h (templates, no change to any class layout). Boost is not needed
// here, so that part is left out.
#include <soci/soci-config.h>
#undef SOCI_HAVE_BOOST
#undef SOCI_HAVE_BOOST_DATE_TIME
#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>

#include <vector>

namespace srv {
namespace {

constexpr std::size_t kBulk = 1000;

class TSociContender : public TServerContender {
public:
    explicit TSociContender(const TServer& Server)
        : FSql(*soci::factory_postgresql(), Server.Conninfo()),
          FLookup((FSql.prepare << "select a, b, c from t where a = :k", soci::into(FA), soci::into(FB),
                   soci::into(FC), soci::use(FKey))),
          FInsert((FSql.prepare << "insert into ins values (:a, :b, :c)", soci::use(FInA), soci::use(FInB),
                   soci::use(FInC))) {}

    std::string Name() const override { return "SOCI"; }
    std::string Setup() const override {
        return "postgresql backend, prepared statements re-executed with use/into, bulk fetch of 1,000 rows "
               "into vectors for the read, soci::transaction";
    }

    uint64_t Read() override {
        std::vector<int> a(kBulk);
        std::vector<double> b(kBulk);
        std::vector<std::string> c(kBulk);
        soci::statement st = (FSql.prepare << "select a, b, c from t", soci::into(a), soci::into(b), soci::into(c));
        st.execute();
        uint64_t sum = 0;
        while (st.fetch()) {
            for (std::size_t r = 0; r < a.size(); ++r)
                sum += Fold(a[r], b[r], c[r].size());
            a.resize(kBulk);
            b.resize(kBulk);
            c.resize(kBulk);
        }
        return sum;
    }

    uint64_t Lookup() override {
        uint64_t sum = 0;
        for (int i = 0; i < kKeys; ++i) {
            FKey = KeyOf(i);
            if (FLookup.execute(true)) sum += Fold(FA, FB, FC.size());
        }
        return sum;
    }

    void Insert() override {
        soci::transaction tr(FSql);
        for (int i = 0; i < kInserts; ++i) {
            FInA = i;
            FInB = InsertedNumber(i);
            FInC = "inserted " + std::to_string(i);
            FInsert.execute(true);
        }
        tr.commit();
    }

private:
    soci::session FSql;
    // The variables the prepared statements are bound to (declared before the statements).
    int FKey = 0, FA = 0, FInA = 0;
    double FB = 0, FInB = 0;
    std::string FC, FInC;
    soci::statement FLookup;
    soci::statement FInsert;
};

} // namespace

std::unique_ptr<TServerContender> MakeSociContender(const TServer& Server) {
    return std::make_unique<TSociContender>(Server);
}

} // namespace srv
