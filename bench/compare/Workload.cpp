// The data set of the comparison and the results each work must produce (see Workload.h).
#include "Workload.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace cmp {

int RowText(int32_t i, char (&buf)[32]) {
    return std::snprintf(buf, sizeof buf, "row number %d", i);
}

TStamp RowStamp(int32_t i) {
    return TStamp{2024, 1 + i % 12, 1 + i % 28, i % 24, i % 60, (i / 60) % 60};
}

void StampText(const TStamp& s, char (&buf)[32]) {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", s.Year, s.Month, s.Day, s.Hour, s.Minute,
                  s.Second);
}

uint64_t ExpectedRowSum(int32_t i) {
    char text[32];
    return RowSum(i, RowDouble(i), static_cast<std::size_t>(RowText(i, text)), RowStamp(i).Second);
}

uint64_t BytesChecksum(const void* data, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    uint64_t sum = n;
    std::size_t words = n / 8;
    for (std::size_t k = 0; k < words; ++k) {
        uint64_t w;
        std::memcpy(&w, p + k * 8, 8);
        sum += w * (2 * k + 1);
    }
    for (std::size_t k = words * 8; k < n; ++k)
        sum += uint64_t(p[k]) << (k % 8 * 8);
    return sum;
}

namespace {

// A connection of the raw API for setting up and checking; closed on every path.
class TSetupDb {
public:
    explicit TSetupDb(const std::string& file) {
        if (sqlite3_open_v2(file.c_str(), &FDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
            SQLITE_OK)
            Fail("open");
    }
    ~TSetupDb() { sqlite3_close_v2(FDb); }
    TSetupDb(const TSetupDb&) = delete;
    TSetupDb& operator=(const TSetupDb&) = delete;

    void Exec(const char* sql) {
        if (sqlite3_exec(FDb, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(sql);
    }
    sqlite3_stmt* Prepare(const char* sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(FDb, sql, -1, &s, nullptr) != SQLITE_OK) Fail(sql);
        return s;
    }
    [[noreturn]] void Fail(const std::string& what) {
        throw std::runtime_error("data set: " + what + ": " + sqlite3_errmsg(FDb));
    }
    sqlite3* Get() const { return FDb; }

private:
    sqlite3* FDb = nullptr;
};

// Fills table `table` with rows 0 .. rows-1.
void FillRows(TSetupDb& db, const char* table, int32_t rows) {
    std::string sql = std::string("insert into ") + table + " values (?, ?, ?, ?)";
    sqlite3_stmt* ins = db.Prepare(sql.c_str());
    char text[32], stamp[32];
    for (int32_t i = 0; i < rows; ++i) {
        int n = RowText(i, text);
        StampText(RowStamp(i), stamp);
        sqlite3_bind_int(ins, 1, i);
        sqlite3_bind_double(ins, 2, RowDouble(i));
        sqlite3_bind_text(ins, 3, text, n, SQLITE_STATIC);
        sqlite3_bind_text(ins, 4, stamp, 19, SQLITE_STATIC);
        if (sqlite3_step(ins) != SQLITE_DONE) db.Fail("insert");
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
}

std::string SizesKey(const TSizes& s) {
    return std::to_string(s.Rows) + "/" + std::to_string(s.ScrollRows) + "/" + std::to_string(s.LongBytes);
}

} // namespace

TDataSet::TDataSet(std::string Folder, const TSizes& Sizes) : FFile(Folder + "/compare.db"), FSizes(Sizes) {
    std::mt19937 keys(13);
    std::uniform_int_distribution<int32_t> anyRow(0, FSizes.Rows - 1);
    FKeys.resize(static_cast<std::size_t>(FSizes.Lookups));
    for (int32_t& k : FKeys) {
        k = anyRow(keys);
        FExpectedLookups += ExpectedRowSum(k);
    }
    std::mt19937 positions(5);
    std::uniform_int_distribution<int32_t> anyPosition(0, FSizes.ScrollRows - 1);
    FPositions.resize(static_cast<std::size_t>(FSizes.Positions));
    for (int32_t& p : FPositions) {
        p = anyPosition(positions);
        FExpectedScroll += ExpectedRowSum(p);
    }
    for (int32_t i = 0; i < FSizes.Rows; ++i)
        FExpectedRead += ExpectedRowSum(i);
    std::filesystem::create_directories(Folder);
    bool reuse = false;
    if (std::filesystem::exists(FFile)) {
        TSetupDb db(FFile);
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db.Get(), "select v from meta", -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW)
            reuse = SizesKey(FSizes) == reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
        sqlite3_finalize(s);
    }
    if (!reuse) {
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(FFile + suffix);
        Create();
    }
}

std::span<const uint8_t> TDataSet::LongValue() const {
    if (FLong.size() != FSizes.LongBytes) {
        FLong.resize(FSizes.LongBytes);
        for (std::size_t i = 0; i < FLong.size(); ++i)
            FLong[i] = static_cast<uint8_t>(i * 7 + i / 4099);
        FExpectedLong = BytesChecksum(FLong.data(), FLong.size());
    }
    return FLong;
}

uint64_t TDataSet::ExpectedLong() const {
    LongValue();
    return FExpectedLong;
}

void TDataSet::Create() const {
    TSetupDb db(FFile);
    // Write-ahead log, as the client library runs its databases; every contender then works on
    // the file in the same journal mode.
    db.Exec("PRAGMA journal_mode=WAL");
    const char* columns = "(a integer primary key, b double, c varchar(30), d timestamp)";
    db.Exec("BEGIN");
    for (const char* table : {"t", "s", "ins"})
        db.Exec((std::string("create table ") + table + columns).c_str());
    db.Exec("create table big(id integer primary key, v long binary)");
    db.Exec("create table meta(v varchar(80))");
    FillRows(db, "t", FSizes.Rows);
    FillRows(db, "s", FSizes.ScrollRows);
    sqlite3_stmt* s = db.Prepare("insert into big values (1, ?)");
    const std::span<const uint8_t> value = LongValue();
    sqlite3_bind_blob64(s, 1, value.data(), value.size(), SQLITE_STATIC);
    if (sqlite3_step(s) != SQLITE_DONE) db.Fail("insert long");
    sqlite3_finalize(s);
    s = db.Prepare("insert into meta values (?)");
    const std::string key = SizesKey(FSizes);
    sqlite3_bind_text(s, 1, key.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(s) != SQLITE_DONE) db.Fail("insert meta");
    sqlite3_finalize(s);
    db.Exec("COMMIT");
    db.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

void TDataSet::Exec(const char* sql) const {
    TSetupDb db(FFile);
    db.Exec(sql);
}

// Each reset also empties the write-ahead log, so that every timed write starts from the same log
// whatever ran before it (else the checkpoint that the log's growth triggers may land in one
// contender's timed commit because of another's writes).
void TDataSet::ResetInserts() const {
    Exec("delete from ins");
    Exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

void TDataSet::ResetLongWrite() const {
    Exec("delete from big where id = 2");
    Exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

bool TDataSet::InsertsComplete() const {
    TSetupDb db(FFile);
    // Seconds sit at characters 18-19 in every library's time-stamp text ("YYYY-MM-DD HH:MM:SS",
    // with a 'T' or fractions in some).
    sqlite3_stmt* s =
        db.Prepare("select count(*), min(a), max(a), sum(b * 4), sum(length(c)), "
                   "sum(cast(substr(d, 18, 2) as integer)), sum(a = cast(b * 4 as integer)) from ins");
    bool ok = false;
    if (sqlite3_step(s) == SQLITE_ROW) {
        const int64_t n = FSizes.Inserts;
        int64_t textLength = 0, seconds = 0;
        for (int32_t i = 0; i < FSizes.Inserts; ++i) {
            char text[32];
            textLength += RowText(i, text);
            seconds += RowStamp(i).Second;
        }
        ok = sqlite3_column_int64(s, 0) == n && sqlite3_column_int64(s, 1) == 0 &&
             sqlite3_column_int64(s, 2) == n - 1 && sqlite3_column_int64(s, 3) == n * (n - 1) / 2 &&
             sqlite3_column_int64(s, 4) == textLength && sqlite3_column_int64(s, 5) == seconds &&
             sqlite3_column_int64(s, 6) == n;
    }
    sqlite3_finalize(s);
    return ok;
}

bool TDataSet::LongWritten() const {
    TSetupDb db(FFile);
    sqlite3_stmt* s = db.Prepare("select v from big where id = 2");
    bool ok = false;
    if (sqlite3_step(s) == SQLITE_ROW) {
        const std::size_t n = static_cast<std::size_t>(sqlite3_column_bytes(s, 0));
        const void* p = sqlite3_column_blob(s, 0);
        ok = n == FSizes.LongBytes && (n == 0 || BytesChecksum(p, n) == ExpectedLong());
    }
    sqlite3_finalize(s);
    return ok;
}

} // namespace cmp
