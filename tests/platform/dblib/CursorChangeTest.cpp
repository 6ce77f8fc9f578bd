// Cursors, continued: long values read in pieces (0, 1, 32765, 32766 and 1,000,000 bytes, the
// way the product's blob stream reads them), and positioned update, delete and insert - by row
// identifier, with NULLs and long values through SQL variables, inside the chained transaction -
// and the changes that are refused.
#include "CursorFixture.h"

#include <algorithm>

using namespace dbtest;

namespace {

constexpr unsigned kReadOnly = 0x2, kForwardOnly = 0x4, kInsensitive = 0x400, kForUpdate = 0x1000;

std::string Pattern(size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 131 + seed * 7 + i / 251) & 0xff);
    return s;
}

class CursorChangeTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        Api = std::make_unique<CursorApi>(Lib());
    }
    short OpenCursor(const char* name, const std::string& sql, unsigned options) {
        Client& c = Main();
        short stmt = c.Prepare(sql);
        EXPECT_NE(stmt, 0) << c.Message();
        Api->Declare(&c.ca, name, &stmt, options);
        Api->Open(&c.ca, name, &stmt, nullptr, options);
        EXPECT_EQ(c.Code(), 0) << c.Message();
        return stmt;
    }
    // Inserts (id, bytes) into table b through a long binary input.
    void InsertLong(int id, const std::string* bytes) {
        Client& c = Main();
        short s = c.Prepare("insert into b values (?, ?)");
        Sqlda in(Lib(), 2);
        int32_t key = id;
        in[0].sqltype = DBLIB_T_INT;
        in[0].sqllen = 4;
        in[0].sqldata = &key;
        std::vector<char> buf(sizeof(dblib_longdata) + (bytes ? bytes->size() : 0));
        auto* ld = reinterpret_cast<dblib_longdata*>(buf.data());
        int16_t nullInd = -1;
        in[1].sqltype = DBLIB_T_LONGBINARY | 1;
        in[1].sqldata = ld;
        if (bytes) {
            ld->stored_len = static_cast<uint32_t>(bytes->size());
            std::memcpy(ld->array, bytes->data(), bytes->size());
        } else {
            in[1].sqlind = &nullInd;
        }
        in->sqld = 2;
        Lib().ExecuteInto(&c.ca, &s, in.get(), nullptr);
        ASSERT_EQ(c.Code(), 0) << c.Message();
        Lib().DropStmt(&c.ca, &s);
    }
    // Reads column `column` of the current row in pieces of up to 32765 bytes, offset by offset as
    // the product's blob stream does. Returns the bytes; `calls` the pieces read.
    std::string ReadPieces(const char* cursor, unsigned column, int& calls, bool& isNull) {
        Client& c = Main();
        Sqlda da(Lib(), 1);
        std::vector<char> piece(32767);
        da[0].sqltype = DBLIB_T_BINARY;
        da[0].sqllen = 32767;
        da[0].sqldata = piece.data();
        da->sqld = 1;
        std::string all;
        calls = 0;
        isNull = false;
        int offset = 0;
        for (;;) {
            Api->GetData(&c.ca, cursor, column, offset, da.get());
            ++calls;
            EXPECT_TRUE(c.Code() == 0 || c.Code() == 101) << c.Code() << " " << c.Message();
            if (c.Code() != 0 && c.Code() != 101) break;
            uint16_t k;
            std::memcpy(&k, piece.data(), 2);
            EXPECT_EQ(c.ca.sqlerrd[2], k);
            all.append(piece.data() + 2, k);
            offset += k;
            if (*da[0].sqlind == -1) isNull = true;
            if (c.Code() == 0) break;
            EXPECT_GT(*da[0].sqlind, 0) << "truncated while more follows";
        }
        return all;
    }
    std::unique_ptr<CursorApi> Api;
};

// ---- Long values --------------------------------------------------------------------------------

TEST_P(CursorChangeTest, LongValuesAreReadInPiecesOfThirtyTwoThousandSevenHundredSixtyFiveBytes) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table b(id integer primary key, v long binary)"), 0);
    const size_t sizes[] = {0, 1, 32765, 32766, 1000000};
    std::vector<std::string> values;
    for (size_t i = 0; i < 5; ++i) {
        values.push_back(Pattern(sizes[i], static_cast<unsigned>(i)));
        InsertLong(static_cast<int>(i + 1), &values.back());
    }
    InsertLong(6, nullptr);
    c.Lib().Commit(&c.ca);
    const int expectedCalls[] = {1, 1, 1, 2, 31};
    for (unsigned options : {kReadOnly, kReadOnly | kForwardOnly}) {
        SCOPED_TRACE(options);
        OpenCursor("L", "select id, v from b order by id", options);
        // The product fetches a long column inline into a small buffer first.
        Block row(Lib(), "is", 1, 9);
        for (size_t i = 0; i < 5; ++i) {
            SCOPED_TRACE(sizes[i]);
            Api->FetchArray(&c.ca, "L", 2, 1, row.get(), 1);
            ASSERT_EQ(c.Code(), 0) << c.Message();
            ASSERT_EQ(row.Int(0, 0), static_cast<int>(i + 1));
            int calls;
            bool isNull;
            std::string got = ReadPieces("L", 2, calls, isNull);
            EXPECT_EQ(calls, expectedCalls[i]);
            EXPECT_FALSE(isNull);
            EXPECT_TRUE(got == values[i]) << "bytes differ (" << got.size() << " read)";
        }
        Api->FetchArray(&c.ca, "L", 2, 1, row.get(), 1);
        int calls;
        bool isNull;
        EXPECT_EQ(ReadPieces("L", 2, calls, isNull), "");
        EXPECT_TRUE(isNull);
        EXPECT_EQ(calls, 1);
        Api->Close(&c.ca, "L");
    }

    // Pieces at offsets the caller chooses, into other piece types, from a scrollable cursor
    // that went back to the row.
    OpenCursor("P", "select v, id from b order by id", kReadOnly);
    Block row(Lib(), "si", 1, 9);
    Api->FetchArray(&c.ca, "P", 1, -2, row.get(), 1);
    ASSERT_EQ(row.Int(0, 1), 5);
    Api->FetchArray(&c.ca, "P", 1, 1, row.get(), 1);
    Api->FetchArray(&c.ca, "P", 1, 5, row.get(), 1);
    Sqlda da(Lib(), 1);
    std::vector<char> buf(300);
    da[0].sqltype = DBLIB_T_LONGBINARY;
    auto* ld = reinterpret_cast<dblib_longdata*>(buf.data());
    ld->array_len = 200;
    da[0].sqldata = ld;
    da->sqld = 1;
    Api->GetData(&c.ca, "P", 1, 999900, da.get());
    EXPECT_EQ(c.Code(), 0) << "the last 100 bytes";
    EXPECT_EQ(ld->stored_len, 100u);
    EXPECT_EQ(ld->untrunc_len, 1000000u);
    EXPECT_EQ(std::string(ld->array, 100), values[4].substr(999900));
    Api->GetData(&c.ca, "P", 1, 500000, da.get());
    EXPECT_EQ(c.Code(), 101);
    EXPECT_EQ(std::string(ld->array, 200), values[4].substr(500000, 200));
    Api->GetData(&c.ca, "P", 1, 2000000, da.get());
    EXPECT_EQ(c.Code(), 0) << "past the end: an empty last piece";
    EXPECT_EQ(ld->stored_len, 0u);
    da[0].sqltype = DBLIB_T_STRING;
    da[0].sqllen = 8;
    da[0].sqldata = buf.data();
    Api->GetData(&c.ca, "P", 2, 0, da.get());
    EXPECT_EQ(c.Code(), 0);
    EXPECT_STREQ(buf.data(), "5") << "a number reads as its text";

    // Misuse: no such column, a variable that cannot take pieces, no current row.
    Api->GetData(&c.ca, "P", 3, 0, da.get());
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_ARGUMENT);
    Api->GetData(&c.ca, "P", 1, -1, da.get());
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_ARGUMENT);
    int32_t n;
    da[0].sqltype = DBLIB_T_INT;
    da[0].sqllen = 4;
    da[0].sqldata = &n;
    Api->GetData(&c.ca, "P", 1, 0, da.get());
    EXPECT_EQ(c.Code(), DBLIB_E_BAD_HOST_VARIABLE);
    Api->Fetch(&c.ca, "P", 1, 100);
    Api->GetData(&c.ca, "P", 1, 0, da.get());
    EXPECT_EQ(c.Code(), DBLIB_E_NO_CURRENT_ROW);
}

TEST_P(CursorChangeTest, ForwardOnlyCursorKeepsTheLastRowOfAShortBlockWithItsLongValue) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table b(id integer primary key, v long binary)"), 0);
    std::vector<std::string> values;
    for (int i = 0; i < 4; ++i) {
        values.push_back(Pattern(40000 + static_cast<size_t>(i), static_cast<unsigned>(i)));
        InsertLong(i + 1, &values.back());
    }
    OpenCursor("F", "select id, v from b order by id", kReadOnly | kForwardOnly);
    Block rows(Lib(), "is", 3, 9);
    Api->FetchArray(&c.ca, "F", 2, 1, rows.get(), 3);
    ASSERT_EQ(c.ca.sqlerrd[2], 3);
    int calls;
    bool isNull;
    EXPECT_TRUE(ReadPieces("F", 2, calls, isNull) == values[2]) << "the last row of a full block";
    Api->FetchArray(&c.ca, "F", 2, 1, rows.get(), 3);
    ASSERT_EQ(c.ca.sqlerrd[2], 1) << "the short block";
    EXPECT_TRUE(ReadPieces("F", 2, calls, isNull) == values[3]) << "its last row, after the end was seen";
    EXPECT_EQ(calls, 2);
}

// ---- Positioned changes ---------------------------------------------------------------------------

class Rows {
public:
    explicit Rows(Client& c) : FC(c) {}
    std::string Of(int id, const std::string& col) {
        auto v = FC.QueryText("select " + col + " from p where id = " + std::to_string(id));
        return v ? *v : "NULL";
    }

private:
    Client& FC;
};

void CreateP(Client& c) {
    ASSERT_EQ(c.Exec("create table p(id integer primary key, name varchar(20), qty int default 7, "
                     "note long varchar, made varchar(10) default 'fresh')"),
              0)
        << c.Message();
    ASSERT_EQ(
        c.Exec("insert into p(id, name, qty) values (1, 'a', 1), (2, 'dup', 5), (3, 'dup', 5), (4, 'z', 9)"),
        0);
    c.Lib().Commit(&c.ca);
}

TEST_P(CursorChangeTest, UpdateChangesTheRowTheCursorStandsOnAndNoOtherWithEqualValues) {
    Client& c = Main();
    CreateP(c);
    Rows rows(c);
    for (unsigned options : {kForUpdate, kForUpdate | kForwardOnly, kForUpdate | kInsensitive}) {
        SCOPED_TRACE(options);
        // The cursor shows neither the key nor anything telling rows 2 and 3 apart.
        OpenCursor("U", "select name, qty, note from p where id > 1 order by id", options);
        Block b(Lib(), "si", 1);
        Api->FetchArray(&c.ca, "U", 2, 2, b.get(), 1);
        ASSERT_EQ(c.Code(), 0) << c.Message();
        ASSERT_EQ(b.Text(0, 0), "dup");
        // name changes, qty becomes NULL, a variable without a name and one without a type are
        // not sent.
        Vars up(Lib(), 4);
        up.Text(0, "name", "second");
        *up.Int(1, "QTY", 99).sqlind = -1; // NULL
        up.Int(2, nullptr, 99);            // no name: not sent
        up.Named(3, "note", 0);            // no type: not sent
        Api->Update(&c.ca, "U", up.get());
        ASSERT_EQ(c.Code(), 0) << c.Message();
        EXPECT_EQ(c.ca.sqlerrd[2], 1);
        EXPECT_EQ(rows.Of(3, "name"), "second");
        EXPECT_EQ(rows.Of(3, "qty"), "NULL");
        EXPECT_EQ(rows.Of(2, "name"), "dup") << "the row with equal values is untouched";
        EXPECT_EQ(rows.Of(2, "qty"), "5");
        EXPECT_EQ(rows.Of(3, "note"), "NULL");
        if (!(options & kForwardOnly)) {
            // Going back to the row shows it as stored now; an insensitive cursor, as read.
            bool insensitive = options & kInsensitive;
            Api->FetchArray(&c.ca, "U", 1, 1, b.get(), 1);
            Api->FetchArray(&c.ca, "U", 2, 1, b.get(), 1);
            EXPECT_EQ(b.Text(0, 0), insensitive ? "dup" : "second");
            EXPECT_EQ(b.IsNull(0, 1), !insensitive);
        }
        // A name that is no column is refused and changes nothing.
        Vars wrong(Lib(), 1);
        wrong.Text(0, "nosuch", "x");
        Api->Update(&c.ca, "U", wrong.get());
        EXPECT_EQ(c.Code(), DBLIB_E_COLUMN_NOT_FOUND);
        c.Lib().Rollback(&c.ca);
        EXPECT_EQ(rows.Of(3, "name"), "dup") << "the update was part of the transaction";
        Api->Close(&c.ca, "U");
    }
    // An expression column takes no value: a NULL for it is passed over, a value is refused.
    OpenCursor("E", "select id, name, name || '!' as shout from p order by id", kForUpdate);
    Block b(Lib(), "iss", 1);
    Api->FetchArray(&c.ca, "E", 2, 1, b.get(), 1);
    Vars up(Lib(), 2);
    up.Text(0, "shout", "x");
    up.Text(1, "name", "b");
    Api->Update(&c.ca, "E", up.get());
    EXPECT_EQ(c.Code(), DBLIB_E_NOT_UPDATABLE);
    EXPECT_NE(c.Message().find("shout"), std::string::npos) << c.Message();
    EXPECT_EQ(rows.Of(1, "name"), "a");
    *up[0].sqlind = -1;
    Api->Update(&c.ca, "E", up.get());
    EXPECT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(rows.Of(1, "name"), "b");
    Block row(Lib(), "iss", 1);
    Api->PutInto(&c.ca, "E", up.get(), row.get());
    EXPECT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(row.Text(0, 2), "b!") << "the inserted row as the cursor shows it";
    c.Lib().Rollback(&c.ca);
}

TEST_P(CursorChangeTest, LongValuesGoInThroughSqlVariablesNamedLikeTheColumn) {
    Client& c = Main();
    CreateP(c);
    Rows rows(c);
    // Named like a column with a blank and a quote, as the product names its blob variables.
    ASSERT_EQ(c.Exec("alter table p add column \"my \"\"odd\"\" note\" long varchar"), 0) << c.Message();
    ASSERT_EQ(c.Exec("create variable \"my \"\"odd\"\" note\" long binary"), 0) << c.Message();
    std::string big(70000, 'q');
    big[0] = 'A';
    big[69999] = 'Z';
    ASSERT_EQ(c.Exec("set \"my \"\"odd\"\" note\" = ''"), 0);
    short app = c.Prepare("set \"my \"\"odd\"\" note\" = \"my \"\"odd\"\" note\" || ?");
    ASSERT_NE(app, 0) << c.Message();
    for (size_t off = 0; off < big.size(); off += 32765) {
        std::string chunk = big.substr(off, 32765);
        std::vector<char> piece(2 + chunk.size());
        uint16_t n = static_cast<uint16_t>(chunk.size());
        std::memcpy(piece.data(), &n, 2);
        std::memcpy(piece.data() + 2, chunk.data(), chunk.size());
        Sqlda in(Lib(), 1);
        in[0].sqltype = DBLIB_T_BINARY;
        in[0].sqllen = static_cast<int16_t>(piece.size());
        in[0].sqldata = piece.data();
        in->sqld = 1;
        Lib().ExecuteInto(&c.ca, &app, in.get(), nullptr);
        ASSERT_EQ(c.Code(), 0) << c.Message();
    }
    OpenCursor("V", "select id, \"my \"\"odd\"\" note\", note from p order by id", kForUpdate);
    Block b(Lib(), "iss", 1);
    Api->FetchArray(&c.ca, "V", 1, 4, b.get(), 1);
    ASSERT_EQ(b.Int(0, 0), 4);
    Vars up(Lib(), 2);
    up.Variable(0, "my \"odd\" note", "\"my \"\"odd\"\" note\""); // as a quoted identifier
    up.Variable(1, "note", "my \"odd\" note");                    // as written
    Api->Update(&c.ca, "V", up.get());
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(rows.Of(4, "length(\"my \"\"odd\"\" note\") || substr(\"my \"\"odd\"\" note\", 1, 1)"),
              "70000A");
    EXPECT_EQ(rows.Of(4, "length(note) || substr(note, -1)"), "70000Z");
    EXPECT_EQ(rows.Of(3, "note"), "NULL");
    // The value read back through the cursor in pieces.
    Api->FetchArray(&c.ca, "V", 2, 0, b.get(), 1);
    int calls;
    bool isNull;
    EXPECT_TRUE(ReadPieces("V", 3, calls, isNull) == big);
    EXPECT_EQ(calls, 3);
}

TEST_P(CursorChangeTest, DeleteRemovesTheCurrentRowFromTableAndCursor) {
    Client& c = Main();
    CreateP(c);
    for (unsigned options : {kForUpdate, kForUpdate | kForwardOnly}) {
        SCOPED_TRACE(options);
        OpenCursor("D", "select name from p order by id", options);
        Block b(Lib(), "s", 1);
        Api->FetchArray(&c.ca, "D", 2, 3, b.get(), 1);
        ASSERT_EQ(b.Text(0, 0), "dup");
        Api->Delete(&c.ca, "D");
        ASSERT_EQ(c.Code(), 0) << c.Message();
        EXPECT_EQ(c.ca.sqlerrd[2], 1);
        EXPECT_EQ(c.Count("p"), 3);
        EXPECT_EQ(c.QueryText("select group_concat(id) from p"), "1,2,4") << "the row the cursor stood on";
        Api->FetchArray(&c.ca, "D", 2, 0, b.get(), 1);
        EXPECT_EQ(c.Code(), 100) << "nothing stands in the deleted row's place";
        Api->Delete(&c.ca, "D");
        EXPECT_EQ(c.Code(), DBLIB_E_NO_CURRENT_ROW);
        if (!(options & kForwardOnly)) {
            Api->FetchArray(&c.ca, "D", 2, -1, b.get(), 1);
            EXPECT_EQ(b.Text(0, 0), "dup") << "the row before (id 2)";
            Api->FetchArray(&c.ca, "D", 1, 3, b.get(), 1);
            EXPECT_EQ(b.Text(0, 0), "z") << "later rows moved up one number";
            Api->FetchArray(&c.ca, "D", 1, -1, b.get(), 3);
            EXPECT_EQ(c.ca.sqlerrd[2], 1);
            Api->FetchArray(&c.ca, "D", 1, 1, b.get(), 1);
            Api->Delete(&c.ca, "D");
            ASSERT_EQ(c.Code(), 0);
            Api->FetchArray(&c.ca, "D", 2, -1, b.get(), 1);
            EXPECT_EQ(c.Code(), 100) << "before the first row";
            Api->FetchArray(&c.ca, "D", 2, 1, b.get(), 1);
            EXPECT_EQ(b.Text(0, 0), "dup");
        } else {
            Api->FetchArray(&c.ca, "D", 2, 1, b.get(), 1);
            EXPECT_EQ(b.Text(0, 0), "z") << "the row after";
        }
        c.Lib().Rollback(&c.ca);
        EXPECT_EQ(c.Count("p"), 4);
        Api->Close(&c.ca, "D");
    }
}

TEST_P(CursorChangeTest, PutIntoDeliversTheRowAsStoredWithDefaultsAndGeneratedKey) {
    Client& c = Main();
    CreateP(c);
    OpenCursor("I", "select id, name, qty, made, note from p order by id", kForUpdate);
    Block into(Lib(), "isiss", 1);
    // As the product builds it: every column, no indicators; a null sqldata is NULL; a long
    // column with no value keeps type 0 and is not sent.
    Vars put(Lib(), 5, false);
    put.Int(0, "id", 0).sqldata = nullptr; // NULL
    put.Text(1, "name", "new");
    put.Named(2, "qty", 0);
    put.Named(3, "made", 0);
    put.Named(4, "note", 0);
    Api->PutInto(&c.ca, "I", put.get(), into.get());
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(c.ca.sqlerrd[2], 1);
    EXPECT_EQ(into.Int(0, 0), 5) << "a generated key";
    EXPECT_EQ(into.Text(0, 1), "new");
    EXPECT_EQ(into.Int(0, 2), 7) << "the default";
    EXPECT_EQ(into.Text(0, 3), "fresh");
    EXPECT_TRUE(into.IsNull(0, 4));
    EXPECT_EQ(c.Count("p"), 5);
    // The new row is not one of the cursor's rows.
    Block b(Lib(), "isiss", 10);
    Api->FetchArray(&c.ca, "I", 1, 1, b.get(), 10);
    EXPECT_EQ(b.Ints(c.ca.sqlerrd[2]), Range(1, 4));

    // A long value through a variable named like the column.
    ASSERT_EQ(c.Exec("create variable note long binary"), 0);
    ASSERT_EQ(c.Exec("set note = 'long ' || hex(zeroblob(20000))"), 0);
    put[4].sqltype = DBLIB_T_VARIABLE;
    put[4].sqldata = const_cast<char*>("note");
    Api->PutInto(&c.ca, "I", put.get(), nullptr);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(c.QueryText("select length(note) from p where id = 6"), "40005");

    // A row that cannot be delivered is not inserted either.
    Vars bad(Lib(), 2);
    bad.Int(0, nullptr, 0);
    bad.Int(1, nullptr, 0); // "new" will not convert
    Api->PutInto(&c.ca, "I", put.get(), bad.get());
    EXPECT_EQ(c.Code(), DBLIB_E_CONVERSION);
    EXPECT_EQ(c.Count("p"), 6);
    // Constraint failures are the engine's errors, with nothing inserted.
    put.Int(0, "id", 1);
    Api->PutInto(&c.ca, "I", put.get(), nullptr);
    EXPECT_EQ(c.Code(), DBLIB_E_PRIMARY_KEY);
    EXPECT_EQ(c.Count("p"), 6);
    c.Lib().Commit(&c.ca);
}

TEST_P(CursorChangeTest, ChangesAreRefusedOnReadOnlyAndMultiTableCursorsAndChangeNothing) {
    Client& c = Main();
    CreateP(c);
    ASSERT_EQ(c.Exec("create table q(id integer primary key, x int)"), 0);
    ASSERT_EQ(c.Exec("insert into q values (1, 10)"), 0);
    ASSERT_EQ(c.Exec("create view pv as select id, name from p"), 0);
    ASSERT_EQ(c.Exec("create table w(k int primary key, name varchar(5)) without rowid"), 0);
    ASSERT_EQ(c.Exec("insert into w values (1, 'w')"), 0);
    c.Lib().Commit(&c.ca);
    Vars up(Lib(), 1);
    up.Text(0, "name", "X");
    struct Case {
        const char* Sql;
        unsigned Options;
        int Code;
    } cases[] = {
        {"select id, name from p", kReadOnly, DBLIB_E_CURSOR_READ_ONLY},
        {"select id, name from p", 0, DBLIB_E_CURSOR_READ_ONLY},
        {"select p.id, p.name, q.x from p, q where p.id = q.id", kForUpdate, DBLIB_E_NOT_UPDATABLE},
        {"select p.id, p.name from p join q on p.id = q.id", kForUpdate, DBLIB_E_NOT_UPDATABLE},
        {"select id, name from pv", kForUpdate, DBLIB_E_NOT_UPDATABLE},
        {"select distinct name from p", kForUpdate, DBLIB_E_NOT_UPDATABLE},
        {"select name, count(*) from p group by name", kForUpdate, DBLIB_E_NOT_UPDATABLE},
        {"select max(name) as name from p", kForUpdate, DBLIB_E_NOT_UPDATABLE},
        {"select id, name from p union all select id, name from p", kForUpdate, DBLIB_E_NOT_UPDATABLE},
        {"select k, name from w", kForUpdate, DBLIB_E_NOT_UPDATABLE},
        {"select id, name from p where id in (select id from q)", kForUpdate, 0},
        {"select max(id, 2) as m, name from p x where x.id = 1", kForUpdate, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Sql);
        OpenCursor("R", k.Sql, k.Options);
        Block b(Lib(), "ss", 1);
        Api->FetchArray(&c.ca, "R", 2, 1, b.get(), 1);
        ASSERT_EQ(c.Code(), 0) << c.Message();
        Api->Update(&c.ca, "R", up.get());
        EXPECT_EQ(c.Code(), k.Code) << c.Message();
        if (k.Code != 0) {
            Api->Delete(&c.ca, "R");
            EXPECT_EQ(c.Code(), k.Code);
            Api->PutInto(&c.ca, "R", up.get(), nullptr);
            EXPECT_EQ(c.Code(), k.Code);
            EXPECT_EQ(c.QueryText("select group_concat(name) from p"), "a,dup,dup,z");
            EXPECT_EQ(c.Count("p"), 4);
        }
        c.Lib().Rollback(&c.ca);
        Api->Close(&c.ca, "R");
    }
    // No current row: before the first and after the last.
    OpenCursor("N", "select id, name from p", kForUpdate);
    Api->Update(&c.ca, "N", up.get());
    EXPECT_EQ(c.Code(), DBLIB_E_NO_CURRENT_ROW);
    Api->Fetch(&c.ca, "N", 1, 5);
    Api->Delete(&c.ca, "N");
    EXPECT_EQ(c.Code(), DBLIB_E_NO_CURRENT_ROW);
    EXPECT_EQ(c.Count("p"), 4);
    // A row that another statement deleted meanwhile.
    Api->Fetch(&c.ca, "N", 1, 2);
    ASSERT_EQ(c.Exec("delete from p where id = 2"), 0);
    Api->Update(&c.ca, "N", up.get());
    EXPECT_EQ(c.Code(), DBLIB_E_NO_CURRENT_ROW);
    c.Lib().Rollback(&c.ca);
}

TEST_P(CursorChangeTest, ChangesJoinTheChainedTransaction) {
    Client& c = Main();
    CreateP(c);
    Client other(Lib());
    ASSERT_EQ(other.Connect(ConnStr()), 0);
    OpenCursor("T", "select id, qty from p order by id", kForUpdate);
    Block b(Lib(), "ii", 1);
    Api->FetchArray(&c.ca, "T", 2, 1, b.get(), 1);
    Vars up(Lib(), 1);
    int32_t& qty = *static_cast<int32_t*>(up.Int(0, "qty", 42).sqldata);
    Api->Update(&c.ca, "T", up.get());
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(other.QueryText("select qty from p where id = 1"), "1") << "not committed yet";
    c.Lib().Commit(&c.ca);
    EXPECT_EQ(other.QueryText("select qty from p where id = 1"), "42");
    // With chained OFF every change commits on its own.
    ASSERT_EQ(c.Exec("set temporary option chained = 'OFF'"), 0);
    Api->FetchArray(&c.ca, "T", 2, 1, b.get(), 1);
    qty = 43;
    Api->Update(&c.ca, "T", up.get());
    EXPECT_EQ(other.QueryText("select qty from p where id = 2"), "43");
}

TEST_P(CursorChangeTest, RowsUpdatedThroughTheCursorAreNotDeliveredAgain) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table h(id integer primary key, qty int)"), 0);
    ASSERT_EQ(c.Exec("create index h_qty on h(qty)"), 0);
    ASSERT_EQ(c.Exec("with recursive k(x) as (select 1 union all select x + 1 from k where x < 50) "
                     "insert into h select x, x from k"),
              0);
    c.Lib().Commit(&c.ca);
    // The scan follows the index on qty; each update moves the row further along it.
    for (unsigned options : {kForUpdate | kForwardOnly, kForUpdate}) {
        SCOPED_TRACE(options);
        OpenCursor("H", "select id, qty from h where qty > 0 order by qty", options);
        Block b(Lib(), "ii", 1);
        Vars up(Lib(), 1);
        int32_t& qty = *static_cast<int32_t*>(up.Int(0, "qty", 0).sqldata);
        std::vector<int> seen;
        for (Api->FetchArray(&c.ca, "H", 2, 1, b.get(), 1); c.Code() == 0;
             Api->FetchArray(&c.ca, "H", 2, 1, b.get(), 1)) {
            seen.push_back(b.Int(0, 0));
            qty = b.Int(0, 1) + 1000;
            Api->Update(&c.ca, "H", up.get());
            ASSERT_EQ(c.Code(), 0) << c.Message();
        }
        EXPECT_EQ(c.Code(), 100);
        std::sort(seen.begin(), seen.end());
        EXPECT_EQ(seen, Range(1, 50)) << "every row once";
        EXPECT_EQ(c.QueryText("select count(*) from h where qty > 1000"), "50");
        c.Lib().Rollback(&c.ca);
        Api->Close(&c.ca, "H");
    }
}

INSTANTIATE_TEST_SUITE_P(Generations, CursorChangeTest, ::testing::ValuesIn(BothGenerations()),
                         GenerationName);

} // namespace
