// The cursor's building blocks, linked in-process: LiveIndex against a plain model under random
// appends and deletions, the kept rows as their block moves and is recycled, the connection's kept
// row-estimate queries, and Cursor::NextResultSet, the operation the next result set of a cursor over several
// queries is reached through.
#include "platform/dblib/Connection.h"
#include "platform/dblib/ConnectionString.h"
#include "platform/dblib/Convert.h"
#include "platform/dblib/Cursor.h"
#include "platform/dblib/Engine.h"
#include "platform/dblib/LiveIndex.h"
#include "platform/dblib/RowEstimates.h"
#include "platform/dblib/RowStore.h"
#include "platform/dblib/Sqlda.h"
#include "platform/dblib/Statement.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using namespace tnxdb;

namespace {

TEST(LiveIndexTest, AgreesWithAPlainListUnderRandomAppendsAndDeletions) {
    std::mt19937 rng(7);
    LiveIndex index;
    std::vector<size_t> live; // physical numbers of the live rows, in order
    size_t physical = 0;
    for (int step = 0; step < 4000; ++step) {
        if (live.empty() || rng() % 3 != 0) {
            index.Append();
            live.push_back(physical++);
        } else {
            size_t logical = rng() % live.size();
            index.Erase(live[logical]);
            live.erase(live.begin() + static_cast<long>(logical));
        }
        ASSERT_EQ(index.LiveCount(), live.size());
        ASSERT_EQ(index.PhysicalCount(), physical);
        if (step % 97 == 0) {
            for (size_t l = 0; l < live.size(); ++l) {
                ASSERT_EQ(index.Select(l), live[l]) << "step " << step << " row " << l;
                ASSERT_EQ(index.Rank(live[l]), l);
                ASSERT_TRUE(index.IsLive(live[l]));
            }
        }
    }
    index.Clear();
    EXPECT_EQ(index.LiveCount(), 0u);
    index.Append();
    EXPECT_EQ(index.Select(0), 0u);
}

namespace {

void ExecOk(sqlite3* h, const char* sql) {
    ASSERT_EQ(sqlite3_exec(h, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(h);
}

// Opens two connections to `file`, a database in WAL mode whose table t holds 1, 2 and 3.
void OpenTwoOnTable(const std::string& file, sqlite3*& db, sqlite3*& other) {
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ExecOk(db, "pragma journal_mode=wal; create table t(a); insert into t values (1), (2), (3)");
}

} // namespace

// The kept estimate queries answer for the data as it is now (a query left stepping would hold
// an old snapshot), follow a table dropped and created again, let go of a table that is gone,
// and stay bounded in number.
TEST(RowEstimatesTest, AnswersForTheCurrentDataAndFollowsTheSchema) {
    tnxtest::TempDir dir;
    sqlite3 *db = nullptr, *other = nullptr;
    OpenTwoOnTable(dir.File("estimates.db"), db, other);
    const auto exec = ExecOk;
    {
        RowEstimates e;
        EXPECT_EQ(e.LargestRowid(db, "main", "t"), 3);
        EXPECT_EQ(e.LargestRowid(db, "main", "t"), 3);
        EXPECT_EQ(e.Size(), 1u) << "one kept query per table";
        for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s))
            EXPECT_FALSE(sqlite3_stmt_busy(s)) << "a kept query is left reset";
        exec(other, "insert into t values (4), (5)");
        EXPECT_EQ(e.LargestRowid(db, "main", "t"), 5) << "a commit of another connection";
        exec(db, "begin; insert into t values (6)");
        EXPECT_EQ(e.LargestRowid(db, "main", "t"), 6) << "this connection's open transaction";
        exec(db, "rollback");
        EXPECT_EQ(e.LargestRowid(db, "main", "t"), 5);

        exec(other, "drop table t; create table t(a, b); insert into t values (1, 2)");
        EXPECT_EQ(e.LargestRowid(db, "main", "t"), 1) << "the table created again";
        exec(db, "drop table t");
        EXPECT_EQ(e.LargestRowid(db, "main", "t"), 0) << "the table is gone";
        EXPECT_EQ(e.Size(), 0u) << "the query of a table that is gone is not kept";
        exec(db, "create table t(a) ; insert into t values (1), (2)");
        EXPECT_EQ(e.LargestRowid(db, "main", "t"), 2);
        EXPECT_EQ(e.LargestRowid(db, "main", "no such table"), 0);
        EXPECT_EQ(e.LargestRowid(db, "main", "t\"\"x"), 0) << "a quote in the name is quoted";
        exec(db, "create table v1(a); insert into v1 values (1); create table v2(a); insert into v2 values "
                 "(1), (2), (3)");
        EXPECT_EQ(e.LargestRowid(db, "main", "v1"), 1);
        EXPECT_EQ(e.LargestRowid(db, "main", "v2"), 3) << "asked right after a table of a name as long";
        EXPECT_EQ(e.LargestRowid(db, "main", "v1"), 1);

        for (size_t i = 0; i < RowEstimates::kLimit + 6; ++i) {
            std::string name = "u" + std::to_string(i);
            exec(db, ("create table " + name + "(a); insert into " + name + " values (7)").c_str());
            EXPECT_EQ(e.LargestRowid(db, "main", name.c_str()), 1);
            ASSERT_LE(e.Size(), RowEstimates::kLimit);
        }
        EXPECT_EQ(e.LargestRowid(db, "main", "t"), 2) << "a table asked again after the cache started over";
    } // the kept queries are finalized here: the handle then closes cleanly
    EXPECT_EQ(sqlite3_close(db), SQLITE_OK);
    EXPECT_EQ(sqlite3_close(other), SQLITE_OK);
}

// Inside a read transaction (as at a cursor's open) an answer is reused while neither the file nor
// the connection's own changes moved; every change of the table's rows, by this connection or
// another, is seen at the next read transaction.
TEST(RowEstimatesTest, ReusesAnAnswerOnlyWhileTheTableCannotHaveChanged) {
    tnxtest::TempDir dir;
    sqlite3 *db = nullptr, *other = nullptr;
    OpenTwoOnTable(dir.File("kept.db"), db, other);
    const auto exec = ExecOk;
    sqlite3_stmt* reader = nullptr; // holds a read transaction while it stands on a row
    ASSERT_EQ(sqlite3_prepare_v2(db, "select a from t", -1, &reader, nullptr), SQLITE_OK);
    auto read = [&] {
        sqlite3_reset(reader);
        ASSERT_EQ(sqlite3_step(reader), SQLITE_ROW);
    };
    {
        RowEstimates e;
        auto runs = [&] { // how often the kept query of t has run
            for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s))
                if (std::string(sqlite3_sql(s)).rfind("SELECT max(_rowid_)", 0) == 0)
                    return sqlite3_stmt_status(s, SQLITE_STMTSTATUS_RUN, 0);
            return -1;
        };
        read();
        EXPECT_EQ(e.LargestRowid(db, "main", "t"), 3);
        const int once = runs();
        read();
        EXPECT_EQ(e.LargestRowid(db, "main", "t"), 3);
        EXPECT_EQ(runs(), once) << "nothing changed: the answer is reused";

        exec(other, "insert into t values (4), (5)");
        read();
        EXPECT_EQ(e.LargestRowid(db, "main", "t"), 5) << "a commit of another connection";
        EXPECT_EQ(runs(), once + 1);

        sqlite3_reset(reader);
        exec(db, "begin; insert into t values (6)");
        EXPECT_EQ(e.LargestRowid(db, "main", "t"), 6) << "this connection's open transaction";
        exec(db, "rollback");
        read();
        EXPECT_EQ(e.LargestRowid(db, "main", "t"), 5) << "its rollback";
        exec(db, "delete from t where a > 3");
        read();
        EXPECT_EQ(e.LargestRowid(db, "main", "t"), 3) << "this connection's commit";
        sqlite3_reset(reader);
        exec(other, "drop table t; create table t(a); insert into t values (1)");
        sqlite3_finalize(reader);
        ASSERT_EQ(sqlite3_prepare_v2(db, "select a from t", -1, &reader, nullptr), SQLITE_OK);
        read();
        EXPECT_EQ(e.LargestRowid(db, "main", "t"), 1) << "the table created again by another connection";
        sqlite3_reset(reader);
    }
    sqlite3_finalize(reader);
    EXPECT_EQ(sqlite3_close(db), SQLITE_OK);
    EXPECT_EQ(sqlite3_close(other), SQLITE_OK);
}

TEST(RowStoreTest, RowsKeepTheirValuesAsTheBlockGrowsIntoAMappingAndIsReused) {
    // 100,000 rows of four cells pass the size from which the cells' block is a mapping that
    // moves as it grows: every row must read back as written, before and after the moves.
    RowStore store;
    store.Reset(4);
    const int rows = 100000;
    for (int r = 0; r < rows; ++r) {
        const std::string text = "row " + std::to_string(r);
        const Value values[4] = {Value::MakeInt(r), Value::MakeReal(r / 4.0),
                                 Value::MakeText(text.data(), text.size()), Value::MakeNull()};
        store.Append(values);
    }
    ASSERT_EQ(store.Rows(), static_cast<size_t>(rows));
    for (int r : {0, 1, 65535, 65536, rows - 1}) {
        SCOPED_TRACE(r);
        EXPECT_EQ(store.Get(r, 0).I, r);
        EXPECT_EQ(store.Get(r, 1).D, r / 4.0);
        const Value t = store.Get(r, 2);
        EXPECT_EQ(std::string(t.P, t.N), "row " + std::to_string(r));
        EXPECT_EQ(store.Get(r, 3).K, Value::Null);
    }
    store.SetInt(70000, 2, -5);
    EXPECT_EQ(store.Get(70000, 2).I, -5);
    EXPECT_EQ(store.Get(70000, 0).I, 70000) << "the other cells of the row are left alone";
    EXPECT_EQ(store.Get(70001, 2).K, Value::Text);

    // Recycled, the store keeps its mapped blocks of this size warm and is filled again, narrower,
    // over memory that still holds the old rows: every new value must read back as written.
    store.Recycle(1 << 16);
    store.Reset(2);
    EXPECT_EQ(store.Rows(), 0u);
    for (int r = 0; r < 3; ++r) {
        const char letter = static_cast<char>('x' + r);
        const Value pair[2] = {Value::MakeInt(7 + r), Value::MakeText(&letter, 1)};
        store.Append(pair);
    }
    EXPECT_EQ(store.Rows(), 3u);
    EXPECT_EQ(store.Get(2, 0).I, 9);
    EXPECT_EQ(std::string(store.Get(2, 1).P, store.Get(2, 1).N), "z");
}

TEST(RowStoreTest, WideRowsOfMixedKindsReadBackExactlyAndTakeLessThan16BytesAValue) {
    // A column's kind may change from row to row; rows of 1, 8, 9 and 17 columns put the cells
    // after kind bytes of different paddings.
    const std::string blobBytes("\0\1\xff", 3);
    auto valueAt = [&](size_t r, size_t c) {
        switch ((r + c) % 6) {
        case 0:
            return Value::MakeInt(r % 2 ? std::numeric_limits<int64_t>::min()
                                        : std::numeric_limits<int64_t>::max());
        case 1:
            return Value::MakeReal(-0.5 * static_cast<double>(r * 31 + c));
        case 2:
            return Value::MakeText("", 0);
        case 3:
            return Value::MakeBlob(blobBytes.data(), blobBytes.size());
        case 4:
            return Value::MakeNull();
        default:
            return Value::MakeText("text", 1 + (r + c) % 4);
        }
    };
    auto same = [](const Value& a, const Value& b) {
        if (a.K != b.K) return false;
        switch (a.K) {
        case Value::Int:
            return a.I == b.I;
        case Value::Real:
            return a.D == b.D;
        case Value::Text:
        case Value::Blob:
            return a.N == b.N && (a.N == 0 || std::memcmp(a.P, b.P, a.N) == 0);
        case Value::Null:
            return true;
        }
        return false;
    };
    for (const size_t columns : {1u, 8u, 9u, 17u}) {
        SCOPED_TRACE(columns);
        RowStore store;
        store.Reset(columns);
        std::vector<Value> row(columns);
        for (size_t r = 0; r < 50; ++r) {
            for (size_t c = 0; c < columns; ++c)
                row[c] = valueAt(r, c);
            store.Append(row.data());
        }
        store.SetInt(7, columns - 1, -3);
        for (size_t r = 0; r < 50; ++r)
            for (size_t c = 0; c < columns; ++c) {
                const Value want = r == 7 && c == columns - 1 ? Value::MakeInt(-3) : valueAt(r, c);
                EXPECT_TRUE(same(store.Get(r, c), want)) << "row " << r << ", column " << c;
            }
    }
    // Nine integers a row: slots of 88 bytes, where 16 bytes a value took 144.
    RowStore numbers;
    numbers.Reset(9);
    const Value nine[9] = {Value::MakeInt(1), Value::MakeInt(2), Value::MakeInt(3),
                           Value::MakeInt(4), Value::MakeInt(5), Value::MakeInt(6),
                           Value::MakeInt(7), Value::MakeInt(8), Value::MakeInt(9)};
    const size_t rows = 11000;
    for (size_t r = 0; r < rows; ++r)
        numbers.Append(nine);
    EXPECT_LT(numbers.HeldBytes(), rows * 9 * 16);
    EXPECT_EQ(numbers.Get(rows - 1, 8).I, 9);
}

TEST(RowStoreTest, RecycledStoresKeepBlocksOnlyWithinTheProcesssIdleBudget) {
    // Stores of about 1.5 MB each, recycled one after another: they keep their blocks until the
    // budget is spent; the next one returns them. A store used again gives its share back.
    const size_t before = RowStore::IdleBytes();
    auto fill = [](RowStore& store) {
        store.Reset(4);
        const std::string text(100, 'x');
        for (int r = 0; r < 10000; ++r) {
            const Value values[4] = {Value::MakeInt(r), Value::MakeReal(r),
                                     Value::MakeText(text.data(), text.size()), Value::MakeNull()};
            store.Append(values);
        }
    };
    std::vector<std::unique_ptr<RowStore>> stores;
    size_t kept = 0, refused = 0;
    while (stores.size() < 200) {
        stores.push_back(std::make_unique<RowStore>());
        RowStore& s = *stores.back();
        fill(s);
        const size_t held = s.HeldBytes();
        ASSERT_GT(held, size_t(1) << 16);
        s.Recycle(1 << 16);
        if (s.HeldBytes() == 0) {
            refused = held;
            break;
        }
        EXPECT_EQ(s.HeldBytes(), held) << "kept as they were";
        kept += held;
    }
    ASSERT_GT(refused, 0u) << "the budget must run out";
    EXPECT_EQ(RowStore::IdleBytes(), before + kept);
    EXPECT_GT(before + kept + refused, RowStore::kIdleBudget) << "returned only when it would not fit";

    // The first store is used again: its share leaves the budget, and the next recycle keeps.
    const size_t firstShare = stores.front()->HeldBytes();
    fill(*stores.front());
    EXPECT_EQ(RowStore::IdleBytes(), before + kept - firstShare);
    fill(*stores.back());
    stores.back()->Recycle(1 << 16);
    EXPECT_GT(stores.back()->HeldBytes(), 0u);
    stores.clear();
    EXPECT_EQ(RowStore::IdleBytes(), before) << "destroyed stores leave the budget";
}

TEST(RowStoreTest, RecycleKeepsSmallAndWarmBlocksAndReturnsTheRest) {
    ByteBuffer heap;
    heap.reserve(100 << 10);
    ByteBuffer mapped(64 << 10);
    mapped.reserve(1 << 20);
    ByteBuffer large(64 << 10);
    large.reserve(RowStore::kWarmMapLimit + 1);
    const char* warm = mapped.bytes();
    mapped.append("abc", 3);

    heap.recycle(1 << 16, RowStore::kWarmMapLimit);
    EXPECT_EQ(heap.capacity(), 0u) << "heap memory over its limit is returned";
    mapped.recycle(1 << 16, RowStore::kWarmMapLimit);
    EXPECT_EQ(mapped.size(), 0u);
    EXPECT_EQ(mapped.bytes(), warm) << "a mapping within its limit is kept, where it was";
    EXPECT_GE(mapped.capacity(), size_t(1) << 20);
    large.recycle(1 << 16, RowStore::kWarmMapLimit);
    EXPECT_EQ(large.capacity(), 0u) << "a mapping over its limit is returned";

    // A kept or returned buffer fills again like a new one.
    for (ByteBuffer* b : {&heap, &mapped, &large}) {
        b->append("0123456789", 10);
        b->append("ab", 2);
        EXPECT_EQ(std::string(b->data(), b->size()), "0123456789ab");
    }
}

// Cursor names are found whatever their case, also when the name asked last is asked again in
// another spelling, and a redeclaration reaches the cursor already there.
TEST(CursorSetTest, FindsNamesWhateverTheirCase) {
    CursorSet set;
    Cursor& first = set.Declare("Lookup-1", 1, 0);
    Cursor& second = set.Declare("other", 2, 0);
    EXPECT_NE(&first, &second);
    EXPECT_EQ(set.Find("other"), &second);
    EXPECT_EQ(set.Find("LOOKUP-1"), &first);
    EXPECT_EQ(set.Find("lookup-1"), &first);
    EXPECT_EQ(set.Find("OTHER"), &second);
    EXPECT_EQ(set.Find("lookup-2"), nullptr);
    EXPECT_EQ(set.Find("other"), &second) << "a failed look-up leaves the last cursor found";
    EXPECT_EQ(&set.Declare("LOOKUP-1", 3, 0), &first);
    EXPECT_EQ(first.StatementNumber(), 3);
    EXPECT_EQ(&set.Get("Other"), &second);
    EXPECT_THROW(set.Get("third"), DbError);
}

TEST(RowPathTest, TimeStampsAndTextsAgreeWithTheGeneralConversions) {
    // Day of week and day of year against a plain day count: 0001-01-01 was a Monday.
    long days = 0;
    for (int y = 1; y <= 2400; ++y) {
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= fast::DaysInMonth(y, m); ++d, ++days) {
                if (d == 1 || d == fast::DaysInMonth(y, m) || (m == 2 && d >= 28)) {
                    ASSERT_EQ(fast::DayOfWeek(y, m, d), static_cast<int>((days + 1) % 7))
                        << y << "-" << m << "-" << d;
                }
            }
        }
    }
    EXPECT_EQ(fast::DayOfYear(2000, 3, 1), 60);
    EXPECT_EQ(fast::DayOfYear(1900, 3, 1), 59);
    EXPECT_EQ(fast::DayOfYear(2023, 12, 31), 364);

    // The canonical form read by position gives what the general parser gives, and anything
    // else is left to it.
    std::mt19937 rng(11);
    for (int i = 0; i < 20000; ++i) {
        char text[24];
        auto r = [&](unsigned n) { return static_cast<unsigned>(rng() % n); };
        std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", r(10000), r(14), r(33), r(26),
                      r(62), r(62));
        size_t n = std::strlen(text);
        DateTimeParts a, b;
        bool fastOk = fast::ParseCanonicalStamp(text, n, a);
        bool slowOk = ParseDateTime(text, n, b);
        ASSERT_EQ(fastOk, slowOk) << text;
        if (fastOk) {
            ASSERT_EQ(std::tie(a.Year, a.Month, a.Day, a.Hour, a.Minute, a.Second, a.Micro),
                      std::tie(b.Year, b.Month, b.Day, b.Hour, b.Minute, b.Second, b.Micro))
                << text;
        }
    }
    DateTimeParts unused;
    for (const char* other :
         {"2024-01-05T10:00:00", "2024-01-05 10:00", "2024-01-05 10:00:00.5", " 2024-01-05 10:00:00"})
        EXPECT_FALSE(fast::ParseCanonicalStamp(other, std::strlen(other), unused)) << other;

    // The record holds every field where the client's structure has it, and nothing is written
    // past its 14 bytes.
    for (bool hasDate : {true, false}) {
        DateTimeParts dt;
        dt.Year = 2024, dt.Month = 2, dt.Day = 29, dt.Hour = 23, dt.Minute = 59, dt.Second = 58;
        dt.Micro = 999999;
        dt.HasDate = hasDate;
        dt.HasTime = true;
        unsigned char bytes[16];
        std::memset(bytes, 0xAA, sizeof bytes);
        fast::StoreStamp(dt, bytes);
        sqldatetime ts;
        std::memcpy(&ts, bytes, sizeof ts);
        SCOPED_TRACE(hasDate);
        // The structure is packed: its fields are read as values (unary +), never bound by reference.
        EXPECT_EQ(+ts.year, hasDate ? 2024 : 0);
        EXPECT_EQ(+ts.month, hasDate ? 1 : 0) << "months count from 0";
        EXPECT_EQ(+ts.day, hasDate ? 29 : 0);
        EXPECT_EQ(+ts.day_of_week, hasDate ? fast::DayOfWeek(2024, 2, 29) : 0);
        EXPECT_EQ(+ts.day_of_year, hasDate ? 59 : 0);
        EXPECT_EQ(std::make_tuple(+ts.hour, +ts.minute, +ts.second), std::make_tuple(23, 59, 58));
        EXPECT_EQ(+ts.microsecond, 999999);
        EXPECT_EQ(bytes[14], 0xAA);
        EXPECT_EQ(bytes[15], 0xAA);
    }

    // Texts: the short path takes what fits with its NUL, the general path cuts the rest.
    char buf[8];
    int16_t ind = 5;
    sqlvar var{};
    var.sqltype = DBLIB_T_STRING;
    var.sqllen = sizeof buf;
    var.sqldata = buf;
    var.sqlind = &ind;
    EXPECT_TRUE(fast::StoreCommon(Value::MakeText("1234567", 7), var, DBLIB_T_STRING));
    EXPECT_STREQ(buf, "1234567");
    EXPECT_EQ(ind, 0);
    EXPECT_FALSE(fast::StoreCommon(Value::MakeText("12345678", 8), var, DBLIB_T_STRING));
    EXPECT_TRUE(StoreOutput(Value::MakeText("12345678", 8), var, nullptr));
    EXPECT_STREQ(buf, "1234567");
    EXPECT_EQ(ind, 8);
    var.sqltype = DBLIB_T_INT;
    EXPECT_FALSE(fast::StoreCommon(Value::MakeInt(int64_t{1} << 40), var, DBLIB_T_INT))
        << "out of range: general path";
    EXPECT_THROW(StoreOutput(Value::MakeInt(int64_t{1} << 40), var, nullptr), DbError);
}

TEST(RowPathTest, BoundValuesReadTheSameThroughTheShortPathAsThroughReadInput) {
    // Time-stamp records, valid and not, with and without a date or a fraction: the short path
    // takes only those it formats exactly as ReadInput does, and ReadBound answers as ReadInput.
    std::mt19937 rng(5);
    auto r = [&](unsigned n) { return static_cast<unsigned>(rng() % n); };
    int shortPath = 0;
    for (int i = 0; i < 20000; ++i) {
        sqldatetime ts{};
        ts.year = static_cast<uint16_t>(r(4) == 0 ? r(3) * 9999 : r(10001));
        ts.month = static_cast<uint8_t>(r(13));
        ts.day = static_cast<uint8_t>(r(33));
        ts.hour = static_cast<uint8_t>(r(25));
        ts.minute = static_cast<uint8_t>(r(61));
        ts.second = static_cast<uint8_t>(r(61));
        ts.microsecond = r(3) == 0 ? static_cast<int32_t>(r(1000001)) - 1 : 0;
        if (r(8) == 0) ts.year = ts.month = ts.day = 0;
        sqlvar var{};
        var.sqltype = DBLIB_T_TIMESTAMP_STRUCT;
        var.sqllen = sizeof ts;
        var.sqldata = &ts;
        char a[kScratchSize], b[kScratchSize];
        Value fastValue;
        if (fast::ReadCommon(var, a, fastValue)) {
            ++shortPath;
            const Value general = ReadInput(var, b, nullptr);
            ASSERT_EQ(std::string_view(fastValue.P, fastValue.N), std::string_view(general.P, general.N))
                << ts.year << "-" << +ts.month << "-" << +ts.day;
        }
        std::string viaBound, viaInput;
        try {
            const Value v = fast::ReadBound(var, a, nullptr);
            viaBound = std::string(v.P, v.N);
        } catch (const DbError& e) {
            viaBound = "error " + std::to_string(e.Code());
        }
        try {
            const Value v = ReadInput(var, b, nullptr);
            viaInput = std::string(v.P, v.N);
            // A record's text with a date passes every date and time check (which the checks of
            // a plain insert count on when they meet it again).
            if (v.N >= 19)
                for (int type : {DBLIB_T_DATE, DBLIB_T_TIME, DBLIB_T_TIMESTAMP})
                    CheckStorable(v, type);
        } catch (const DbError& e) {
            viaInput = "error " + std::to_string(e.Code());
        }
        ASSERT_EQ(viaBound, viaInput) << ts.year << "-" << +ts.month << "-" << +ts.day << " " << +ts.hour
                                      << ":" << +ts.minute << ":" << +ts.second << "." << ts.microsecond;
    }
    EXPECT_GT(shortPath, 2000);

    // Numbers and texts: the value itself; a NULL indicator, a missing buffer and a text without
    // a length go to ReadInput.
    char scratch[kScratchSize];
    int32_t i = -7;
    double x = 2.5;
    char text[8] = "abc";
    int16_t ind = -1;
    sqlvar var{};
    Value v;
    var.sqltype = DBLIB_T_INT, var.sqldata = &i;
    ASSERT_TRUE(fast::ReadCommon(var, scratch, v));
    EXPECT_EQ(std::make_pair(v.K, v.I), std::make_pair(Value::Int, int64_t{-7}));
    var.sqltype = DBLIB_T_DOUBLE | 1, var.sqldata = &x;
    ASSERT_TRUE(fast::ReadCommon(var, scratch, v));
    EXPECT_EQ(std::make_pair(v.K, v.D), std::make_pair(Value::Real, 2.5));
    var.sqltype = DBLIB_T_STRING, var.sqllen = 2, var.sqldata = text;
    ASSERT_TRUE(fast::ReadCommon(var, scratch, v));
    EXPECT_EQ(std::string_view(v.P, v.N), "ab");
    var.sqlind = &ind;
    EXPECT_FALSE(fast::ReadCommon(var, scratch, v));
    EXPECT_EQ(fast::ReadBound(var, scratch, nullptr).K, Value::Null);
    var.sqlind = nullptr, var.sqllen = 0;
    EXPECT_FALSE(fast::ReadCommon(var, scratch, v));
    EXPECT_EQ(fast::ReadBound(var, scratch, nullptr).N, 3u);
    var.sqldata = nullptr, var.sqllen = 8;
    EXPECT_FALSE(fast::ReadCommon(var, scratch, v));
}

TEST(RowPathTest, DateTimeTextIsTheZeroPaddedFormForEveryTargetAndWidensOddFields) {
    // The reference: the widths a printf-style formatter gives, which also decide odd fields.
    auto reference = [](const DateTimeParts& dt, int type) {
        char out[64];
        int n = 0;
        const bool date = type != DBLIB_T_TIME && dt.HasDate;
        const bool time = type == DBLIB_T_TIME || (type == DBLIB_T_TIMESTAMP && (dt.HasTime || dt.HasDate));
        if (date) n += std::snprintf(out + n, 12, "%04d-%02d-%02d", dt.Year, dt.Month, dt.Day);
        if (time) {
            if (date) out[n++] = ' ';
            n += std::snprintf(out + n, 10, "%02d:%02d:%02d", dt.Hour, dt.Minute, dt.Second);
            if (dt.Micro) n += std::snprintf(out + n, 9, ".%06d", dt.Micro);
        }
        return std::string(out, static_cast<size_t>(n));
    };
    std::mt19937 rng(5);
    auto pick = [&](int lo, int hi) {
        return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1));
    };
    for (int i = 0; i < 20000; ++i) {
        DateTimeParts dt;
        // Mostly usual values, now and then a field out of its usual width.
        const bool odd = i % 10 == 0;
        dt.Year = odd ? pick(-99, 99999) : pick(0, 9999);
        dt.Month = pick(1, 12);
        dt.Day = pick(1, 31);
        dt.Hour = pick(0, 23);
        dt.Minute = pick(0, 59);
        dt.Second = odd ? pick(-1, 120) : pick(0, 59);
        dt.Micro = i % 3 == 0 ? 0 : pick(0, 999999);
        dt.HasDate = i % 7 != 0;
        dt.HasTime = i % 5 != 0;
        for (int type : {DBLIB_T_DATE, DBLIB_T_TIME, DBLIB_T_TIMESTAMP}) {
            char out[64];
            const size_t n = FormatDateTime(dt, type, out);
            ASSERT_EQ(std::string(out, n), reference(dt, type))
                << dt.Year << "-" << dt.Month << "-" << dt.Day << " " << dt.Hour << ":" << dt.Minute << ":"
                << dt.Second << "." << dt.Micro << " as type " << type;
        }
    }
    const DateTimeParts stamp{.Year = 7,
                              .Month = 2,
                              .Day = 3,
                              .Hour = 4,
                              .Minute = 5,
                              .Second = 6,
                              .Micro = 70,
                              .HasDate = true,
                              .HasTime = true};
    char out[32];
    EXPECT_EQ(std::string(out, FormatDateTime(stamp, DBLIB_T_TIMESTAMP, out)), "0007-02-03 04:05:06.000070");
}

// One connection to a fresh database, in-process.
class CursorCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string file = Dir.File("core.db");
        Server::CreateDatabaseFile(file, 0, "DBA", "SQL");
        ConnParams p =
            ParseConnectionString("eng=" + tnxtest::UniqueName("core") + ";dbf=" + file + ";uid=DBA;pwd=SQL");
        Conn = Server::Instance().Connect(p);
    }
    void TearDown() override {
        Conn->Shutdown();
        Server::Instance().Disconnected(Conn);
    }
    Connection& C() { return *Conn; }
    void Prepare(int number, const std::string& sql) {
        C().PutStatement(Statement::Prepare(C(), number, "TNX", sql));
    }
    // The first column of every row of the current result set, read with relative fetches.
    std::vector<std::string> ReadAll(Cursor& cur) {
        sqlda* da = AllocSqlda(1, true);
        char buf[64];
        da->sqlvar[0].sqltype = DBLIB_T_STRING | 1;
        da->sqlvar[0].sqllen = sizeof buf;
        da->sqlvar[0].sqldata = buf;
        da->sqld = 1;
        std::vector<std::string> rows;
        for (;;) {
            sqlca ca{};
            cur.Fetch(C(), 2, 1, da, 1, &ca);
            if (ca.sqlcode == 100) break;
            EXPECT_EQ(ca.sqlcode, 0);
            rows.push_back(*da->sqlvar[0].sqlind < 0 ? "NULL" : buf);
        }
        FreeSqlda(da);
        return rows;
    }

    tnxtest::TempDir Dir;
    std::shared_ptr<Connection> Conn;
};

TEST_F(CursorCoreTest, NextResultSetRunsThePartsBetweenAndKeepsTheLastResultAtTheEnd) {
    Prepare(1, "create table t(a integer); insert into t values (1), (2), (3); select a from t order by a; "
               "update t set a = a * 10; select a, 'x' as b from t where a > ? order by a desc; "
               "select a from t where a < 0");
    Cursor& cur = C().Cursors().Declare("R", 1, kCursorReadOnly);
    sqlda* in = AllocSqlda(1, true);
    int32_t limit = 15;
    in->sqlvar[0].sqltype = DBLIB_T_INT;
    in->sqlvar[0].sqllen = 4;
    in->sqlvar[0].sqldata = &limit;
    in->sqld = 1;
    EXPECT_LT(cur.Open(C(), in, kCursorReadOnly), 0) << "an estimate";
    FreeSqlda(in);
    // The first result set, read only in part: the next one replaces it all the same.
    sqlda* one = AllocSqlda(1, true);
    int32_t v = 0;
    one->sqlvar[0].sqltype = DBLIB_T_INT;
    one->sqlvar[0].sqllen = 4;
    one->sqlvar[0].sqldata = &v;
    one->sqld = 1;
    sqlca ca{};
    cur.Fetch(C(), 2, 1, one, 1, &ca);
    EXPECT_EQ(v, 1);
    FreeSqlda(one);

    int32_t report = 0;
    ASSERT_TRUE(cur.NextResultSet(C(), report)) << "the update between ran, then the second query";
    EXPECT_EQ(ReadAll(cur), (std::vector<std::string>{"30", "20"})) << "the input bound at the open";
    sqlda* cols = AllocSqlda(4, true);
    cur.Describe(C(), cols, 1, &ca);
    EXPECT_EQ(cols->sqld, 2);
    FreeSqlda(cols);
    EXPECT_EQ(cur.QueryText(), "select a, 'x' as b from t where a > ? order by a desc");

    ASSERT_TRUE(cur.NextResultSet(C(), report));
    EXPECT_EQ(report, 0) << "an empty result set is counted exactly";
    EXPECT_TRUE(ReadAll(cur).empty());
    EXPECT_FALSE(cur.NextResultSet(C(), report)) << "no query follows";
    EXPECT_FALSE(cur.NextResultSet(C(), report));
    EXPECT_TRUE(cur.IsOpen()) << "the last result set stays";
    EXPECT_EQ(cur.QueryText(), "select a from t where a < 0");
    cur.Close();
    EXPECT_THROW(cur.NextResultSet(C(), report), DbError);
}

TEST_F(CursorCoreTest, NextResultSetCountsRowsWhenAsked) {
    C().Options().SetTemporary(OptionId::RowCounts, "ON");
    Prepare(2, "select 1 union all select 2; select 3; values (4), (5), (6)");
    Cursor& cur = C().Cursors().Declare("N", 2, kCursorReadOnly | kCursorForwardOnly);
    EXPECT_EQ(cur.Open(C(), nullptr, kCursorReadOnly | kCursorForwardOnly), 2);
    int32_t report = -1;
    ASSERT_TRUE(cur.NextResultSet(C(), report));
    EXPECT_EQ(report, 1);
    ASSERT_TRUE(cur.NextResultSet(C(), report));
    EXPECT_EQ(report, 3);
    EXPECT_EQ(ReadAll(cur), (std::vector<std::string>{"4", "5", "6"}));
    EXPECT_FALSE(cur.NextResultSet(C(), report));
}

TEST_F(CursorCoreTest, ForwardOnlyCursorHoldsOneRowAndScrollableOnesTheRowsReached) {
    Prepare(3, "with recursive k(x) as (select 1 union all select x + 1 from k where x < 3000) "
               "select x, 'text ' || x from k");
    sqlda* da = AllocSqlda(50, true);
    std::vector<int32_t> ints(25);
    std::vector<char> texts(25 * 32);
    for (int r = 0; r < 25; ++r) {
        da->sqlvar[2 * r].sqltype = DBLIB_T_INT;
        da->sqlvar[2 * r].sqllen = 4;
        da->sqlvar[2 * r].sqldata = &ints[static_cast<size_t>(r)];
        da->sqlvar[2 * r + 1].sqltype = DBLIB_T_STRING;
        da->sqlvar[2 * r + 1].sqllen = 32;
        da->sqlvar[2 * r + 1].sqldata = &texts[static_cast<size_t>(r) * 32];
    }
    da->sqld = 50;
    for (unsigned options : {kCursorReadOnly | kCursorForwardOnly, unsigned{kCursorReadOnly}}) {
        Cursor& cur = C().Cursors().Declare("M", 3, options);
        cur.Open(C(), nullptr, options);
        size_t most = 0, read = 0;
        for (;;) {
            sqlca ca{};
            cur.Fetch(C(), 2, 1, da, 25, &ca);
            if (ca.sqlcode == 100) break;
            ASSERT_EQ(ca.sqlcode, 0);
            read += static_cast<size_t>(ca.sqlerrd[2]);
            ASSERT_EQ(ints[0], static_cast<int32_t>(read - static_cast<size_t>(ca.sqlerrd[2]) + 1));
            most = std::max(most, cur.KeptRows());
        }
        EXPECT_EQ(read, 3000u);
        if (options & kCursorForwardOnly)
            EXPECT_LE(most, 1u) << "one row at most, never the result";
        else
            EXPECT_EQ(most, 3000u);
        cur.Close();
    }
    FreeSqlda(da);
}

} // namespace
