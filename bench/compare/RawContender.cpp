// The raw SQLite C API: the physical limit of the embedded stack. Statements are prepared once
// (SQLITE_PREPARE_PERSISTENT) and reset between uses; the connection runs without its mutex
// (one thread) and with synchronous=FULL, as the client library runs its databases.
#include "Contender.h"
#include "RawDb.h"

#include <sqlite3.h>

#include <stdexcept>

namespace cmp {
namespace {

class TRawContender : public TContender {
public:

    std::string Name() const override { return "raw SQLite"; }
    std::string Setup() const override {
        return "sqlite3_prepare_v3 (persistent) once, sqlite3_reset between uses, SQLITE_OPEN_NOMUTEX, "
               "synchronous=FULL; the long value bound and read in place (SQLITE_STATIC, "
               "sqlite3_column_blob); work 5 keeps the rows stepped over so far and serves positions from "
               "them (the raw API has no scrollable cursor), in a row vector that keeps its memory from "
               "run to run";
    }

    void Open(const TDataSet& Data) override {
        FDb.Open(Data.File());
        FRead = Prepare("select a, b, c, d from t");
        FLookup = Prepare("select a, b, c, d from t where a = ?");
        FInsert = Prepare("insert into ins values (?, ?, ?, ?)");
        FWriteLong = Prepare("insert into big values (2, ?)");
        FReadLong = Prepare("select v from big where id = 1");
        FScroll = Prepare("select a, b, c, d from s order by a");
    }

    uint64_t Read() override {
        uint64_t sum = 0;
        while (sqlite3_step(FRead) == SQLITE_ROW)
            sum += RowOf(FRead);
        Done(FRead);
        return sum;
    }

    uint64_t Lookup(std::span<const int32_t> Keys) override {
        uint64_t sum = 0;
        for (int32_t key : Keys) {
            sqlite3_bind_int(FLookup, 1, key);
            if (sqlite3_step(FLookup) == SQLITE_ROW) sum += RowOf(FLookup);
            Done(FLookup);
        }
        return sum;
    }

    void Insert(int32_t Count) override {
        Exec("BEGIN");
        char text[32], stamp[32];
        for (int32_t i = 0; i < Count; ++i) {
            const int n = RowText(i, text);
            StampText(RowStamp(i), stamp);
            sqlite3_bind_int(FInsert, 1, i);
            sqlite3_bind_double(FInsert, 2, RowDouble(i));
            sqlite3_bind_text(FInsert, 3, text, n, SQLITE_STATIC);
            sqlite3_bind_text(FInsert, 4, stamp, 19, SQLITE_STATIC);
            if (sqlite3_step(FInsert) != SQLITE_DONE) Fail("insert");
            sqlite3_reset(FInsert);
        }
        Exec("COMMIT");
    }

    void PrepareLong(std::span<const uint8_t> Value) override { FLong = Value; }

    void WriteLong() override {
        sqlite3_bind_blob64(FWriteLong, 1, FLong.data(), FLong.size(), SQLITE_STATIC);
        if (sqlite3_step(FWriteLong) != SQLITE_DONE) Fail("insert long");
        sqlite3_reset(FWriteLong);
        sqlite3_clear_bindings(FWriteLong);
    }

    uint64_t ReadLong() override {
        uint64_t sum = 0;
        if (sqlite3_step(FReadLong) == SQLITE_ROW)
            sum = BytesChecksum(sqlite3_column_blob(FReadLong, 0),
                                static_cast<std::size_t>(sqlite3_column_bytes(FReadLong, 0)));
        Done(FReadLong);
        return sum;
    }

    uint64_t Scroll(std::span<const int32_t> Positions) override {
        // A scrollable cursor written on the raw API: rows are kept as they are first reached.
        std::vector<ScrollRow>& rows = FScrollRows;
        rows.clear();
        uint64_t sum = 0;
        bool more = true;
        for (int32_t p : Positions) {
            while (more && static_cast<int32_t>(rows.size()) <= p) {
                if (sqlite3_step(FScroll) != SQLITE_ROW) {
                    more = false;
                    break;
                }
                rows.push_back(ScrollRow{sqlite3_column_int(FScroll, 0), sqlite3_column_double(FScroll, 1),
                                         reinterpret_cast<const char*>(sqlite3_column_text(FScroll, 2)),
                                         reinterpret_cast<const char*>(sqlite3_column_text(FScroll, 3))});
            }
            if (p < static_cast<int32_t>(rows.size())) {
                const ScrollRow& r = rows[static_cast<std::size_t>(p)];
                sum += RowSum(r.a, r.b, r.c.size(),
                              SecondsOfText(reinterpret_cast<const unsigned char*>(r.d.c_str())));
            }
        }
        Done(FScroll);
        return sum;
    }

private:
    struct ScrollRow {
        int32_t a;
        double b;
        std::string c;
        std::string d;
    };

    static uint64_t RowOf(sqlite3_stmt* s) {
        const int32_t a = sqlite3_column_int(s, 0);
        const double b = sqlite3_column_double(s, 1);
        sqlite3_column_text(s, 2);
        const auto c = static_cast<std::size_t>(sqlite3_column_bytes(s, 2));
        const unsigned char* d = sqlite3_column_text(s, 3);
        return RowSum(a, b, c, d != nullptr && sqlite3_column_bytes(s, 3) >= 19 ? SecondsOfText(d) : 0);
    }
    void Done(sqlite3_stmt* s) {
        if (sqlite3_reset(s) != SQLITE_OK) Fail("step");
    }
    void Exec(const char* sql) { FDb.Exec(sql); }
    sqlite3_stmt* Prepare(const char* sql) { return FDb.Prepare(sql); }
    [[noreturn]] void Fail(const std::string& what) { FDb.Fail(what); }

    TRawDb FDb{"raw SQLite"}; // before the statements below, which it finalizes
    // Work 5's kept rows live on across runs (emptied, their capacity kept), as a program's own
    // row cache would. Made afresh in every run, their time followed the C library's heap: the
    // medians of runs of this contender moved between 20 and 50 ms as its memory came back warm or
    // freshly mapped, while the engine's work stayed the same.
    std::vector<ScrollRow> FScrollRows;
    sqlite3_stmt* FRead = nullptr;
    sqlite3_stmt* FLookup = nullptr;
    sqlite3_stmt* FInsert = nullptr;
    sqlite3_stmt* FWriteLong = nullptr;
    sqlite3_stmt* FReadLong = nullptr;
    sqlite3_stmt* FScroll = nullptr;
    std::span<const uint8_t> FLong; // work 4's value, owned by the data set
};

} // namespace

std::unique_ptr<TContender> NewRawContender() {
    return std::make_unique<TRawContender>();
}

} // namespace cmp
