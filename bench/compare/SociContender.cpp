// SOCI 4 with its SQLite backend, used as its documentation advises for speed: statements
// prepared once and re-executed with bound variables (use / into), bulk fetches into vectors for
// the forward read (blocks of 1,000 rows), the inserts inside one soci::transaction, the long
// value through soci::blob. The connection runs with synchronous=FULL, as the client library runs
// its databases. Values are SOCI's own: int, double, std::string and std::tm. SOCI has no
// scrollable cursor: work 5 is not available.
#include "Contender.h"

// The Debian build of SOCI was configured with Boost, which only adds binding of Boost.Fusion
// sequences in bind-values.h (templates, no change to any class layout). Boost is not needed
// here, so that part is left out.
#include <soci/soci-config.h>
#undef SOCI_HAVE_BOOST
#undef SOCI_HAVE_BOOST_DATE_TIME
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>

#include <ctime>
#include <optional>
#include <stdexcept>

namespace cmp {
namespace {

constexpr std::size_t kBulk = 1000;

class TSociContender : public TContender {
public:
    std::string Name() const override { return "SOCI"; }
    std::string Setup() const override {
        return "sqlite3 backend, prepared statements re-executed with use/into, bulk fetch of 1,000 rows "
               "into "
               "vectors for work 1, soci::transaction, soci::blob, synchronous=FULL; no scrollable cursor";
    }

    void Open(const TDataSet& Data) override {
        FSql.open(*soci::factory_sqlite3(), "db=" + Data.File());
        FSql << "PRAGMA synchronous=FULL";
    }

    uint64_t Read() override {
        std::vector<int> a(kBulk);
        std::vector<double> b(kBulk);
        std::vector<std::string> c(kBulk);
        std::vector<std::tm> d(kBulk);
        soci::statement st = (FSql.prepare << "select a, b, c, d from t", soci::into(a), soci::into(b),
                              soci::into(c), soci::into(d));
        st.execute();
        uint64_t sum = 0;
        while (st.fetch()) {
            for (std::size_t r = 0; r < a.size(); ++r)
                sum += RowSum(a[r], b[r], c[r].size(), d[r].tm_sec);
            a.resize(kBulk);
            b.resize(kBulk);
            c.resize(kBulk);
            d.resize(kBulk);
        }
        return sum;
    }

    uint64_t Lookup(std::span<const int32_t> Keys) override {
        int key = 0, a = 0;
        double b = 0;
        std::string c;
        std::tm d{};
        // Prepared once per run: the backend keeps a statement that delivered one row stepped (its
        // read transaction open) until the statement runs again or goes, which would make the next
        // write on this connection fail as busy.
        soci::statement st = (FSql.prepare << "select a, b, c, d from t where a = :k", soci::use(key),
                              soci::into(a), soci::into(b), soci::into(c), soci::into(d));
        uint64_t sum = 0;
        for (int32_t k : Keys) {
            key = k;
            if (st.execute(true)) sum += RowSum(a, b, c.size(), d.tm_sec);
        }
        return sum;
    }

    void Insert(int32_t Count) override {
        int a = 0;
        double b = 0;
        std::string c;
        std::tm d{};
        soci::transaction tr(FSql);
        soci::statement st = (FSql.prepare << "insert into ins values (:a, :b, :c, :d)", soci::use(a),
                              soci::use(b), soci::use(c), soci::use(d));
        char text[32];
        for (int32_t i = 0; i < Count; ++i) {
            const int n = RowText(i, text);
            const TStamp s = RowStamp(i);
            a = i;
            b = RowDouble(i);
            c.assign(text, static_cast<std::size_t>(n));
            d = std::tm{};
            d.tm_year = s.Year - 1900;
            d.tm_mon = s.Month - 1;
            d.tm_mday = s.Day;
            d.tm_hour = s.Hour;
            d.tm_min = s.Minute;
            d.tm_sec = s.Second;
            st.execute(true);
        }
        tr.commit();
    }

    void PrepareLong(std::span<const uint8_t> Value) override {
        FLong.emplace(FSql);
        // The sqlite3 backend counts offsets from 0 and implements only write / read.
        FLong->write(0, reinterpret_cast<const char*>(Value.data()), Value.size());
    }

    void WriteLong() override { FSql << "insert into big values (2, :v)", soci::use(*FLong); }

    uint64_t ReadLong() override {
        soci::blob b(FSql);
        FSql << "select v from big where id = 1", soci::into(b);
        std::vector<char> value(b.get_len());
        b.read(0, value.data(), value.size());
        return BytesChecksum(value.data(), value.size());
    }

    bool CanScroll() const override { return false; }
    uint64_t Scroll(std::span<const int32_t>) override {
        throw std::logic_error("SOCI has no scrollable cursor");
    }

private:
    soci::session FSql;
    std::optional<soci::blob> FLong;
};

} // namespace

std::unique_ptr<TContender> NewSociContender() {
    return std::make_unique<TSociContender>();
}

} // namespace cmp
