// What typed columns take and give: a value outside an integer column's range, or no date in a
// date column, is refused when written (the statement changes nothing) by this connection, by
// another one and after the schema changed; a value that got into a file otherwise (another
// program wrote it) fails only the fetch of its own row, naming the column and the row, while the
// rows before it arrive; time stamps in UTC form are read; the long-names describe gives whole
// column names.
#include "CursorFixture.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace dbtest;

namespace {

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Writes straight into the database file, as another program would: no checks of the library's.
void WriteForeign(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 5000);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

class TypedValues : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        Api = std::make_unique<CursorApi>(Lib());
    }
    void OpenCursor(const char* name, const std::string& sql) {
        short stmt = Main().Prepare(sql);
        ASSERT_NE(stmt, 0) << Main().Message();
        Api->Declare(&Main().ca, name, &stmt, kReadOnly);
        Api->Open(&Main().ca, name, &stmt, nullptr, kReadOnly);
        ASSERT_EQ(Main().Code(), 0) << Main().Message();
    }
    static constexpr unsigned kReadOnly = 0x2;
    std::unique_ptr<CursorApi> Api;
};

// Rows of (b double, c text, a int, d time stamp) laid out row after row, their indicators in an
// array of their own (as a statement's fetch block has them); or, with shared, every row in the
// same variables. The text is NUL-terminated, or with varchar its length comes first, so that
// every byte delivered shows.
class TypedBlock {
public:
    TypedBlock(DbLib& lib, int rows, bool shared, bool varchar = false)
        : FDa(lib, static_cast<unsigned>(4 * rows)), FRows(shared ? 1 : rows), FIndicators(4 * FRows.size()),
          FVarchar(varchar) {
        for (int r = 0; r < rows; ++r) {
            const std::size_t at = static_cast<std::size_t>(shared ? 0 : r);
            Row& row = FRows[at];
            const int types[4] = {DBLIB_T_DOUBLE, varchar ? DBLIB_T_VARCHAR : DBLIB_T_STRING, DBLIB_T_INT,
                                  DBLIB_T_TIMESTAMP_STRUCT};
            void* data[4] = {&row.B, row.C, &row.A, &row.D};
            const int lengths[4] = {8, static_cast<int>(sizeof row.C), 4, static_cast<int>(sizeof row.D)};
            for (int k = 0; k < 4; ++k) {
                sqlvar& v = FDa[4 * r + k];
                v.sqltype = static_cast<int16_t>(types[k] | 1);
                v.sqllen = static_cast<int16_t>(lengths[k]);
                v.sqldata = data[k];
                v.sqlind = &FIndicators[4 * at + static_cast<std::size_t>(k)];
            }
        }
        FDa->sqld = static_cast<int16_t>(4 * rows);
    }
    sqlda* get() const { return FDa.get(); }
    // Row r as text: "b c a YYYY-MM-DD HH:MM:SS", NULL for a null value, a NUL byte as "\\0".
    std::string Text(int r) const {
        const std::size_t at = std::min(static_cast<std::size_t>(r), FRows.size() - 1);
        const Row& row = FRows[at];
        auto part = [&](int k, const std::string& value) {
            return FIndicators[4 * at + static_cast<std::size_t>(k)] == -1 ? "NULL" : value;
        };
        std::string text;
        if (FVarchar) {
            uint16_t n;
            std::memcpy(&n, row.C, sizeof n);
            for (uint16_t i = 0; i < n; ++i)
                text += row.C[2 + i] == '\0' ? std::string("\\0") : std::string(1, row.C[2 + i]);
        } else {
            text = row.C;
        }
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", row.D.year, row.D.month + 1, row.D.day,
                      row.D.hour, row.D.minute, row.D.second);
        return part(0, std::to_string(row.B)) + " " + part(1, text) + " " + part(2, std::to_string(row.A)) + " " +
               part(3, stamp);
    }

private:
    struct Row {
        double B = 0;
        char C[23] = {};
        int32_t A = 0;
        sqldatetime D{};
    };
    Sqlda FDa;
    std::vector<Row> FRows;
    std::vector<int16_t> FIndicators;
    bool FVarchar;
};

} // namespace

// A forward-only cursor keeps the row it stands on when a block stops early, because the result
// ended or the next row could not be delivered: that row comes back exactly (NULLs, doubles, texts
// and time stamps alike), whatever the next row's delivery wrote into the caller's variables (the
// same ones as the row's when shared).
TEST_P(TypedValues, AForwardBlockThatStopsEarlyStillHasItsLastRowExactly) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table g(id int, a int, b double, c varchar(20), d timestamp)"), 0) << c.Message();
    Lib().Commit(&c.ca);
    WriteForeign(DbFile, "insert into g values (1, 10, 0.5, 'one', '2024-01-02 03:04:05'), "
                         "(2, null, 1.25, 'two', null), (3, 30, null, 'x', '0999-12-31 23:59:59'), "
                         "(4, 'bad', 2.0, 'four', '2024-01-04 00:00:00'), (5, 50, 2.5, 'five', '2024-01-05 05:05:05')");
    const unsigned forward = DBLIB_CURSOR_READ_ONLY | DBLIB_CURSOR_FORWARD_ONLY;
    auto open = [&](const char* name, const std::string& where) {
        short stmt = c.Prepare("select b, c, a, d from g " + where + " order by id");
        ASSERT_NE(stmt, 0) << c.Message();
        Api->Declare(&c.ca, name, &stmt, forward);
        Api->Open(&c.ca, name, &stmt, nullptr, forward);
        ASSERT_EQ(c.Code(), 0) << c.Message();
    };
    const std::string row2 = "1.250000 two NULL NULL";
    const std::string row3 = "NULL x 30 0999-12-31 23:59:59";
    const std::string row5 = "2.500000 five 50 2024-01-05 05:05:05";
    for (bool shared : {false, true}) {
        SCOPED_TRACE(shared ? "every row in the same variables" : "rows laid out apart");
        TypedBlock block(Lib(), 5, shared), one(Lib(), 1, false, true);
        // A block of five, forward from where the cursor stands, stops after `rows` rows and the
        // cursor stands on the last of them.
        auto stopsOn = [&](const char* name, int rows, const std::string& last) {
            Api->FetchArray(&c.ca, name, 2, 1, block.get(), 5);
            ASSERT_EQ(c.Code(), 0) << c.Message();
            EXPECT_EQ(c.ca.sqlerrd[2], rows);
            Api->FetchArray(&c.ca, name, 2, 0, one.get(), 1);
            ASSERT_EQ(c.Code(), 0) << c.Message();
            EXPECT_EQ(one.Text(0), last);
        };
        // The end of the result ends the block after row 2.
        open("e", "where id <= 2");
        stopsOn("e", 2, row2);
        Api->Close(&c.ca, "e");

        // Row 4's integer cannot be delivered: the block stops on row 3, after row 4's double and
        // text went into their variables (the same ones as row 3's when shared).
        open("f", "");
        stopsOn("f", 3, row3);
        Api->FetchArray(&c.ca, "f", 2, 1, block.get(), 5);
        EXPECT_EQ(c.Code(), -157);
        // Past it, the last block ends with the result.
        stopsOn("f", 1, row5);
        EXPECT_EQ(block.Text(0), row5);
        Api->FetchArray(&c.ca, "f", 2, 1, one.get(), 1);
        EXPECT_EQ(c.Code(), 100);
        Api->Close(&c.ca, "f");
    }
}

TEST_P(TypedValues, IntegerAndDateColumnsRefuseWhatTheyCouldNotDeliver) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table t(id integer primary key, a int, s smallint, u unsigned int, b bigint, "
                     "d date, ts timestamp, x)"),
              0)
        << c.Message();
    // The edges of each range are taken; one past them is refused with the column's name.
    EXPECT_EQ(c.Exec("insert into t(id, a, s, u) values (1, -2147483648, 32767, 4294967295)"), 0) << c.Message();
    EXPECT_EQ(c.Exec("insert into t(id, a) values (2, 2147483648)"), -158);
    EXPECT_TRUE(Has(c.Message(), "Value 2147483648 out of range for destination (column \"a\")")) << c.Message();
    EXPECT_EQ(c.Exec("insert into t(id, s) values (2, -32769)"), -158);
    EXPECT_EQ(c.Exec("insert into t(id, u) values (2, -1)"), -158);
    EXPECT_EQ(c.Exec("insert into t(id, b) values (2, 9.3e18)"), -158);
    EXPECT_EQ(c.Exec("insert into t(id, a) values (2, 'twelve')"), -157);
    // The key column too: it is declared an integer.
    EXPECT_EQ(c.Exec("insert into t(id) values (4294967296)"), -158);
    // Dates: no date, a day that does not exist, a DATE without its date part.
    EXPECT_EQ(c.Exec("insert into t(id, d) values (2, 'not a date')"), -157);
    EXPECT_TRUE(Has(c.Message(), "Cannot convert 'not a date' to a date (column \"d\")")) << c.Message();
    EXPECT_EQ(c.Exec("insert into t(id, ts) values (2, '2023-02-29 10:00:00')"), -157);
    EXPECT_EQ(c.Exec("insert into t(id, d) values (2, '10:30')"), -157);
    EXPECT_EQ(c.Exec("insert into t(id, ts) values (2, 45000.5)"), -157);
    EXPECT_EQ(c.Exec("insert into t(id, d, ts) values (2, '2024-02-29', '2024-02-29T13:45:56.250Z')"), 0)
        << c.Message();
    // A column without a declared type takes anything; NULL fits every column.
    EXPECT_EQ(c.Exec("insert into t(id, a, d, x) values (3, null, null, 99999999999)"), 0) << c.Message();
    EXPECT_EQ(c.Count("t"), 3);

    // A statement that fails on one row stores none of its rows; an update is checked as well.
    EXPECT_EQ(c.Exec("insert into t(id, a) select 10, 1 union all select 11, 5000000000"), -158);
    EXPECT_EQ(c.Count("t"), 3);
    EXPECT_EQ(c.Exec("update t set a = 3000000000 where id = 1"), -158);
    EXPECT_EQ(c.QueryText("select a from t where id = 1"), "-2147483648");
    EXPECT_EQ(c.Exec("update t set d = 'soon' where id = 2"), -157);
    EXPECT_EQ(c.Exec("update t set x = 'anything' where id = 1"), 0) << c.Message();
}

TEST_P(TypedValues, TablesMadeLaterOrByAnotherConnectionAreCheckedToo) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table one(n int)"), 0) << c.Message();
    EXPECT_EQ(c.Exec("insert into one values (2147483648)"), -158);
    // Made again with a wider type: the new type counts.
    ASSERT_EQ(c.Exec("drop table one"), 0) << c.Message();
    ASSERT_EQ(c.Exec("create table one(n bigint)"), 0) << c.Message();
    EXPECT_EQ(c.Exec("insert into one values (2147483648)"), 0) << c.Message();
    // A column added later.
    ASSERT_EQ(c.Exec("alter table one add column d date"), 0) << c.Message();
    EXPECT_EQ(c.Exec("insert into one(d) values ('yesterday')"), -157);
    Lib().Rollback(&c.ca); // ends the transaction the failed statement began (it holds the lock)

    Client other(Lib());
    ASSERT_EQ(other.Connect(ConnStr()), 0) << other.Message();
    ASSERT_EQ(other.Exec("create table two(n smallint)"), 0) << other.Message();
    Lib().Commit(&other.ca);
    EXPECT_EQ(c.Exec("insert into two values (100000)"), -158);
    Lib().Rollback(&c.ca); // the failed statement's transaction holds the write lock
    EXPECT_EQ(other.Exec("insert into two values (100000)"), -158);
    Lib().Rollback(&other.ca);
    // Within a transaction that was rolled back, the checks stay.
    ASSERT_EQ(c.Exec("insert into two values (1)"), 0) << c.Message();
    Lib().Rollback(&c.ca);
    EXPECT_EQ(c.Exec("insert into two values (100000)"), -158);
    other.Disconnect();
}

namespace {

// Runs a prepared statement with text inputs (nullptr: NULL); returns sqlcode.
int RunWithTexts(Client& c, short stmt, const std::vector<const char*>& texts) {
    Sqlda in(c.Lib(), static_cast<unsigned>(texts.size()));
    for (size_t i = 0; i < texts.size(); ++i) {
        sqlvar& v = in[static_cast<int>(i)];
        v.sqltype = DBLIB_T_STRING | 1;
        v.sqllen = texts[i] ? static_cast<int16_t>(std::strlen(texts[i]) + 1) : 1;
        v.sqldata = const_cast<char*>(texts[i] ? texts[i] : "");
        *v.sqlind = texts[i] ? 0 : -1;
    }
    in->sqld = static_cast<int16_t>(texts.size());
    c.Lib().ExecuteInto(&c.ca, &stmt, in.get(), nullptr);
    return c.Code();
}

} // namespace

TEST_P(TypedValues, PlainInsertsCheckTheirValuesExactlyAsTheTriggersDo) {
    // A plain single-row insert checks its values in its own text; an INSERT ... SELECT is
    // checked by the triggers. Both must refuse the same values and store the same ones, after
    // the columns' conversions (text that reads as a number, reals with integer values).
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table v(id int, a int, d date, ts timestamp, b bit)"), 0) << c.Message();
    short plain = c.Prepare("insert into v(id, a, d, ts, b) values (?, ?, ?, ?, ?)");
    short viaSelect = c.Prepare("insert into v(id, a, d, ts, b) select ?, ?, ?, ?, ?");
    ASSERT_TRUE(plain && viaSelect) << c.Message();
    const std::vector<std::vector<const char*>> cases = {
        {"12", "2024-02-29", "2024-02-29 13:45:56", "1"},  {" 12 ", "20240229", "45000", "1.0"},
        {"1e3", "2024-02-30", "45000.5", "2"},              {"12.0", "10:30", "2024-01-01T10:00:00Z", "0"},
        {"12.5", nullptr, nullptr, "-1"},                   {"2147483647", "0001-01-01", "2024-13-01", "true"},
        {"2147483648", nullptr, nullptr, nullptr},          {"-2147483649", nullptr, nullptr, nullptr},
        {"abc", nullptr, nullptr, nullptr},                 {"", nullptr, nullptr, nullptr},
        {"0x10", nullptr, nullptr, nullptr},                {"9223372036854775807", nullptr, nullptr, nullptr},
        {"-0", "2024-02-29 10:00:00", "2024-02-29", nullptr}, {"1e-3", nullptr, nullptr, nullptr},
    };
    auto run = [&](short stmt, int base) {
        std::vector<int> codes;
        int id = base;
        for (const auto& values : cases) {
            const std::string key = std::to_string(++id);
            codes.push_back(RunWithTexts(c, stmt, {key.c_str(), values[0], values[1], values[2], values[3]}));
        }
        return codes;
    };
    const std::vector<int> plainCodes = run(plain, 0);
    ASSERT_EQ(c.QueryText("select count(*) from temp.sqlite_schema where type = 'trigger'"), "0")
        << "the plain inserts were checked without the triggers";
    const std::vector<int> selectCodes = run(viaSelect, 1000);
    const std::string stored = "select coalesce(group_concat(typeof(a) || a || typeof(d) || d || typeof(ts) || ts "
                               "|| typeof(b) || b), '-') from v where id = ";
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(plainCodes[i], selectCodes[i]) << "case " << i + 1 << " (a = '" << cases[i][0] << "')";
        EXPECT_EQ(c.QueryText(stored + std::to_string(i + 1)), c.QueryText(stored + std::to_string(1001 + i)))
            << "case " << i + 1;
    }
    EXPECT_NE(std::count(plainCodes.begin(), plainCodes.end(), 0), 0);
    EXPECT_NE(std::count(plainCodes.begin(), plainCodes.end(), -157), 0);
    EXPECT_NE(std::count(plainCodes.begin(), plainCodes.end(), -158), 0);
    ASSERT_EQ(RunWithTexts(c, plain, {"99", "2147483648", nullptr, nullptr, nullptr}), -158);
    EXPECT_TRUE(Has(c.Message(), "Value 2147483648 out of range for destination (column \"a\")")) << c.Message();
}

TEST_P(TypedValues, TimeStampRecordsBoundToAPlainInsertAreCheckedByTheirColumns) {
    // A record's text has just been taken by the date and time-stamp columns: the very same text
    // bound to an integer column is still refused, and a time of day alone still has no date.
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table r(id int, a int, d date, ts timestamp)"), 0) << c.Message();
    short stmt = c.Prepare("insert into r(id, a, d, ts) values (?, ?, ?, ?)");
    ASSERT_NE(stmt, 0) << c.Message();
    sqldatetime stamp{};
    stamp.year = 2024, stamp.month = 1, stamp.day = 29, stamp.hour = 13, stamp.minute = 45, stamp.second = 56;
    sqldatetime timeOfDay{};
    timeOfDay.hour = 10, timeOfDay.minute = 30;
    int32_t id = 0;
    auto run = [&](const sqldatetime* a, const sqldatetime* d, const sqldatetime* ts) {
        Sqlda in(c.Lib(), 4);
        ++id;
        in[0].sqltype = DBLIB_T_INT, in[0].sqllen = 4, in[0].sqldata = &id, *in[0].sqlind = 0;
        const sqldatetime* values[] = {a, d, ts};
        for (int k = 1; k < 4; ++k) {
            in[k].sqltype = DBLIB_T_TIMESTAMP_STRUCT | 1;
            in[k].sqllen = sizeof(sqldatetime);
            in[k].sqldata = const_cast<sqldatetime*>(values[k - 1] ? values[k - 1] : &stamp);
            *in[k].sqlind = values[k - 1] ? 0 : -1;
        }
        in->sqld = 4;
        c.Lib().ExecuteInto(&c.ca, &stmt, in.get(), nullptr);
        return c.Code();
    };
    EXPECT_EQ(run(nullptr, &stamp, &stamp), 0) << c.Message();
    EXPECT_EQ(run(&stamp, &stamp, &stamp), -157) << "a time stamp is no integer";
    EXPECT_TRUE(Has(c.Message(), "column \"a\"")) << c.Message();
    EXPECT_EQ(run(nullptr, &timeOfDay, &stamp), -157) << "a time of day is no date";
    EXPECT_EQ(run(nullptr, nullptr, &timeOfDay), 0) << c.Message();
    stamp.microsecond = 250000;
    EXPECT_EQ(run(nullptr, &stamp, &stamp), 0) << c.Message();
    EXPECT_EQ(run(&stamp, nullptr, nullptr), -157);
    EXPECT_EQ(
        c.QueryText("select group_concat(id || '|' || coalesce(d, '-') || '|' || coalesce(ts, '-'), ' ') "
                    "from r"),
        "1|2024-02-29 13:45:56|2024-02-29 13:45:56 4|-|10:30:00 5|2024-02-29 13:45:56.250000|2024-02-29 "
        "13:45:56.250000");
}

TEST_P(TypedValues, ChecksHoldWhileTheTriggersComeAndGo) {
    Client& c = Main();
    auto triggers = [&] { return c.QueryText("select count(*) from temp.sqlite_schema where type = 'trigger'"); };
    ASSERT_EQ(c.Exec("create table g(id int, a smallint)"), 0) << c.Message();
    // Plain inserts alone make no triggers.
    short plain = c.Prepare("insert into g values (?, ? /* a */)");
    ASSERT_EQ(RunWithTexts(c, plain, {"1", "1"}), 0) << c.Message();
    EXPECT_EQ(RunWithTexts(c, plain, {"2", "32768"}), -158);
    Lib().Commit(&c.ca);
    EXPECT_EQ(triggers(), "0");
    // An update inside a transaction makes them there; a ROLLBACK TO that takes them away does
    // not let the next update through unchecked.
    ASSERT_EQ(c.Exec("savepoint s"), 0) << c.Message();
    ASSERT_EQ(c.Exec("update g set a = 2"), 0) << c.Message();
    EXPECT_EQ(triggers(), "2");
    ASSERT_EQ(c.Exec("rollback to s"), 0) << c.Message();
    EXPECT_EQ(triggers(), "0");
    EXPECT_EQ(c.Exec("update g set a = 100000"), -158);
    EXPECT_EQ(c.Exec("insert into g select 2, 100000"), -158);
    Lib().Rollback(&c.ca);
    EXPECT_EQ(triggers(), "0") << "made inside the transaction rolled back";
    EXPECT_EQ(c.Exec("update g set a = 100000"), -158);
    Lib().Rollback(&c.ca);
    // Made outside a transaction they stay, until enough transactions in a row did without them.
    ASSERT_EQ(c.Exec("update g set a = 3"), 0) << c.Message();
    Lib().Commit(&c.ca);
    EXPECT_EQ(triggers(), "2");
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(c.Exec("insert into g values (" + std::to_string(10 + i) + ", 5)"), 0) << c.Message();
        Lib().Commit(&c.ca);
    }
    EXPECT_EQ(triggers(), "0");
    EXPECT_EQ(c.Exec("update g set a = -40000"), -158);
    Lib().Rollback(&c.ca);
    EXPECT_EQ(c.Exec("insert into g values (20, 40000)"), -158);
    Lib().Rollback(&c.ca);
    EXPECT_EQ(c.QueryText("select min(a) || ' ' || max(a) || ' ' || count(*) from g"), "3 5 9");
}

TEST_P(TypedValues, KeysTheEngineChoosesDefaultsAndTheCurrentSchemaAreChecked) {
    Client& c = Main();
    // A key left to the engine goes past the column's range.
    ASSERT_EQ(c.Exec("create table k(id integer primary key, v int)"), 0) << c.Message();
    ASSERT_EQ(c.Exec("insert into k values (2147483647, 1)"), 0) << c.Message();
    EXPECT_EQ(c.QueryText("select count(*) from temp.sqlite_schema where type = 'trigger'"), "0")
        << "a constant key is checked in the text";
    short ins = c.Prepare("insert into k values (?, ?)");
    ASSERT_NE(ins, 0) << c.Message();
    EXPECT_EQ(RunWithTexts(c, ins, {nullptr, "2"}), -158);
    EXPECT_EQ(c.Exec("insert into k(v) values (3)"), -158);
    Lib().Rollback(&c.ca);
    EXPECT_EQ(RunWithTexts(c, ins, {"7", "2"}), 0) << c.Message();
    // A default the column cannot hold.
    ASSERT_EQ(c.Exec("create table d(id int, dt date default 'bogus')"), 0) << c.Message();
    EXPECT_EQ(c.Exec("insert into d(id) values (1)"), -157);
    Lib().Rollback(&c.ca);
    // A row an IGNORE clause skips is not written, so it is not checked either.
    ASSERT_EQ(c.Exec("create table ig(id int primary key on conflict ignore, a smallint)"), 0) << c.Message();
    ASSERT_EQ(c.Exec("insert into ig values (1, 1)"), 0) << c.Message();
    EXPECT_EQ(c.Exec("insert into ig values (1, 100000)"), 0) << c.Message();
    EXPECT_EQ(c.Exec("insert into ig values (2, 100000)"), -158);
    Lib().Rollback(&c.ca);
    // A prepared insert follows the table as it is now, not as it was at the prepare.
    ASSERT_EQ(c.Exec("create table one(n int)"), 0) << c.Message();
    short one = c.Prepare("insert into one values (?)");
    ASSERT_NE(one, 0) << c.Message();
    EXPECT_EQ(RunWithTexts(c, one, {"abc"}), -157);
    Lib().Rollback(&c.ca);
    ASSERT_EQ(c.Exec("drop table one"), 0) << c.Message();
    ASSERT_EQ(c.Exec("create table one(n varchar(10))"), 0) << c.Message();
    EXPECT_EQ(RunWithTexts(c, one, {"abc"}), 0) << c.Message();
    ASSERT_EQ(c.Exec("drop table one"), 0) << c.Message();
    ASSERT_EQ(c.Exec("create table one(n smallint)"), 0) << c.Message();
    EXPECT_EQ(RunWithTexts(c, one, {"100000"}), -158);
    Lib().Rollback(&c.ca);
    // A table with a trigger of its own: the triggers check it.
    ASSERT_EQ(c.Exec("create table log(n int)"), 0) << c.Message();
    ASSERT_EQ(c.Exec("create trigger one_log after insert on one begin insert into log values (new.n * 100000); end"),
              0)
        << c.Message();
    EXPECT_EQ(RunWithTexts(c, one, {"30000"}), -158);
    EXPECT_EQ(c.Count("log"), 0);
}

TEST_P(TypedValues, AStoredValueThatCannotBeDeliveredFailsOnlyItsOwnRow) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table f(id int, a int, d date)"), 0) << c.Message();
    Lib().Commit(&c.ca);
    WriteForeign(DbFile, "insert into f values (1, 1, '2024-01-01'), (2, 2, '2024-01-02'), "
                         "(3, 4294967296, '2024-01-03'), (4, 4, 'nope'), (5, 5, '2024-02-29T13:45:56Z')");

    OpenCursor("c1", "select id, a from f order by id");
    Block block(Lib(), "ii", 10);
    // The block stops before the row that cannot be delivered; the rows before it arrive.
    Api->FetchArray(&c.ca, "c1", 2, 1, block.get(), 10);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    ASSERT_EQ(c.ca.sqlerrd[2], 2);
    EXPECT_EQ(block.Ints(2), (std::vector<int>{1, 2}));
    // The next fetch reaches that row and says which value it is.
    Api->FetchArray(&c.ca, "c1", 2, 1, block.get(), 10);
    EXPECT_EQ(c.Code(), -158);
    EXPECT_TRUE(Has(c.Message(), "Value 4294967296 out of range for destination (column \"a\", row 3)"))
        << c.Message();
    // The cursor stands on that row: the rows after it can still be read.
    Api->FetchArray(&c.ca, "c1", 2, 1, block.get(), 10);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(block.Ints(c.ca.sqlerrd[2]), (std::vector<int>{4, 5}));
    Api->Close(&c.ca, "c1");

    // A date column holding no date: the same, with the text in the message.
    OpenCursor("c2", "select d from f order by id");
    Block dates(Lib(), "s", 10);
    for (int r = 0; r < 10; ++r) {
        dates.get()->sqlvar[r].sqltype = DBLIB_T_TIMESTAMP_STRUCT | 1;
        dates.get()->sqlvar[r].sqllen = sizeof(sqldatetime);
    }
    Api->FetchArray(&c.ca, "c2", 2, 1, dates.get(), 10);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(c.ca.sqlerrd[2], 3);
    Api->FetchArray(&c.ca, "c2", 2, 1, dates.get(), 10);
    EXPECT_EQ(c.Code(), -157);
    EXPECT_TRUE(Has(c.Message(), "Cannot convert 'nope' to a timestamp (column \"d\", row 4)")) << c.Message();
    // A time stamp in UTC form is a time stamp.
    Api->FetchArray(&c.ca, "c2", 2, 1, dates.get(), 10);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    sqldatetime ts;
    std::memcpy(&ts, dates.get()->sqlvar[0].sqldata, sizeof ts);
    EXPECT_EQ(ts.year, 2024);
    EXPECT_EQ(ts.month, 1);
    EXPECT_EQ(ts.day, 29);
    EXPECT_EQ(ts.hour, 13);
    EXPECT_EQ(ts.second, 56);
    Api->Close(&c.ca, "c2");
}

TEST_P(TypedValues, TheLongNamesDescribeGivesWholeNames) {
    Client& c = Main();
    const std::string alias = "days_between_the_invoice_and_its_due_date"; // 41 characters
    short stmt = c.Prepare("select 1 AS " + alias + ", 2 AS short_one, 3 AS " + alias + "_and_then_some");
    ASSERT_NE(stmt, 0) << c.Message();
    // The ordinary describe keeps 30 characters.
    Sqlda plain(Lib(), 3);
    Lib().Describe(&c.ca, &stmt, plain.get(), 1);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(plain[0].sqlname.length, 30);

    // Names into the caller's buffers, cut to their size, the whole length in the indicator.
    Sqlda names(Lib(), 3);
    char buffers[3][64] = {};
    for (int i = 0; i < 3; ++i) {
        names[i].sqldata = buffers[i];
        names[i].sqllen = i == 2 ? 16 : 64;
    }
    names->sqld = 3;
    Lib().Describe(&c.ca, &stmt, names.get(), DBLIB_DESCRIBE_LONG_NAMES);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(std::string(buffers[0]), alias);
    EXPECT_EQ(*names[0].sqlind, static_cast<int16_t>(alias.size()));
    EXPECT_EQ(std::string(buffers[1]), "short_one");
    EXPECT_EQ(std::string(buffers[2]), alias.substr(0, 15));
    EXPECT_EQ(*names[2].sqlind, static_cast<int16_t>(alias.size() + 14));

    // The same through an open cursor.
    Api->Declare(&c.ca, "ln", &stmt, kReadOnly);
    Api->Open(&c.ca, "ln", &stmt, nullptr, kReadOnly);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    std::memset(buffers, 0, sizeof buffers);
    Api->Describe(&c.ca, "ln", names.get(), DBLIB_DESCRIBE_LONG_NAMES);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(std::string(buffers[0]), alias);
    Api->Close(&c.ca, "ln");
}

INSTANTIATE_TEST_SUITE_P(Generations, TypedValues, ::testing::ValuesIn(BothGenerations()), GenerationName);
