// SQL variables (including building a long value in pieces, as the product does for long
// inputs) and connection options.
#include "DbLibFixture.h"

#include <cstring>
#include <vector>

using namespace dbtest;

class VariableTest : public DbTest {};

TEST_P(VariableTest, CreateSetReadAndDrop) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create variable v integer"), 0) << c.Message();
    EXPECT_EQ(c.Exec("create variable V integer"), DBLIB_E_VARIABLE_EXISTS);
    EXPECT_EQ(c.Exec("set v = 6 * 7"), 0) << c.Message();
    ASSERT_EQ(c.Exec("create variable w varchar(20)"), 0);
    EXPECT_EQ(c.Exec("set w = 'n=' || v"), 0) << c.Message();
    // Variables are read through type-600 host variables.
    ASSERT_EQ(c.Exec("create table t(a int, b varchar(20))"), 0);
    short ins = c.Prepare("insert into t values (?, ?)");
    Sqlda in(Lib(), 2);
    in[0].sqltype = DBLIB_T_VARIABLE;
    in[0].sqldata = const_cast<char*>("v");
    in[1].sqltype = DBLIB_T_VARIABLE;
    in[1].sqldata = const_cast<char*>("W");
    in->sqld = 2;
    Lib().ExecuteInto(&c.ca, &ins, in.get(), nullptr);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(c.QueryText("select a || b from t"), "42n=42");

    // ... and stored through them: a query's value goes into the variable, converted.
    short sel = c.Prepare("select '17'");
    Sqlda out(Lib(), 1);
    out[0].sqltype = DBLIB_T_VARIABLE;
    out[0].sqldata = const_cast<char*>("v");
    out->sqld = 1;
    Lib().ExecuteInto(&c.ca, &sel, nullptr, out.get());
    ASSERT_EQ(c.Code(), 0) << c.Message();
    Lib().ExecuteInto(&c.ca, &ins, in.get(), nullptr);
    EXPECT_EQ(c.QueryText("select a from t order by rowid desc limit 1"), "17");

    EXPECT_EQ(c.Exec("set v = 'not a number'"), DBLIB_E_CONVERSION);
    EXPECT_EQ(c.Exec("drop variable v"), 0);
    EXPECT_EQ(c.Exec("drop variable v"), DBLIB_E_VARIABLE_NOT_FOUND);
    EXPECT_EQ(c.Exec("set v = 1"), DBLIB_E_VARIABLE_NOT_FOUND);
    in[0].sqldata = const_cast<char*>("nosuch");
    Lib().ExecuteInto(&c.ca, &ins, in.get(), nullptr);
    EXPECT_EQ(c.Code(), DBLIB_E_VARIABLE_NOT_FOUND);

    // Variables vanish at disconnect.
    c.Disconnect();
    ASSERT_EQ(c.Connect(ConnStr()), 0);
    EXPECT_EQ(c.Exec("set w = 'x'"), DBLIB_E_VARIABLE_NOT_FOUND);
}

TEST_P(VariableTest, LongValueBuiltFromChunksLikeTheProductDoes) {
    Client& c = Main();
    ASSERT_EQ(c.Exec("create variable blobparam1 long binary"), 0);
    ASSERT_EQ(c.Exec("set blobparam1=''"), 0);
    // 70000 bytes in chunks of 32765, 32765 and 4470, each through its own prepared statement.
    std::vector<char> value(70000);
    for (size_t i = 0; i < value.size(); ++i) value[i] = static_cast<char>(i * 7 + 1);
    std::vector<char> chunk(32767);
    for (size_t off = 0; off < value.size(); off += 32765) {
        uint16_t n = static_cast<uint16_t>(std::min<size_t>(32765, value.size() - off));
        std::memcpy(chunk.data(), &n, 2);
        std::memcpy(chunk.data() + 2, value.data() + off, n);
        short s = c.Prepare("set blobparam1=blobparam1 || :blob_host");
        ASSERT_NE(s, 0) << c.Message();
        Sqlda in(Lib(), 1);
        Lib().Describe(&c.ca, &s, in.get(), 2);
        EXPECT_EQ(std::string(in[0].sqlname.data, static_cast<size_t>(in[0].sqlname.length)), "blob_host");
        in[0].sqltype = DBLIB_T_BINARY;
        in[0].sqllen = 32767;
        in[0].sqldata = chunk.data();
        in->sqld = 1;
        Lib().ExecuteInto(&c.ca, &s, in.get(), nullptr);
        ASSERT_EQ(c.Code(), 0) << c.Message();
        Lib().DropStmt(&c.ca, &s);
    }
    ASSERT_EQ(c.Exec("create table b(v long binary)"), 0);
    short ins = c.Prepare("insert into b values (?)");
    Sqlda in(Lib(), 1);
    in[0].sqltype = DBLIB_T_VARIABLE;
    in[0].sqldata = const_cast<char*>("blobparam1");
    in->sqld = 1;
    Lib().ExecuteInto(&c.ca, &ins, in.get(), nullptr);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(c.QueryText("select length(v) from b"), "70000");
    EXPECT_EQ(c.QueryText("select typeof(v) from b"), "blob");
    // Compare the stored bytes with what was sent.
    std::string hex;
    char h[3];
    for (size_t i = 32765; i < 32768; ++i) {
        std::snprintf(h, sizeof h, "%02X", static_cast<unsigned char>(value[i]));
        hex += h;
    }
    EXPECT_EQ(c.QueryText("select hex(substr(v, 32766, 3)) from b"), hex);

    // A NULL piece appends nothing; the variable stays an empty value, not NULL.
    ASSERT_EQ(c.Exec("create variable e long binary"), 0);
    ASSERT_EQ(c.Exec("set e=''"), 0);
    short app = c.Prepare("set e=e || :blob_host");
    Sqlda nul(Lib(), 1);
    int16_t ind = -1;
    nul[0].sqltype = DBLIB_T_BINARY;
    nul[0].sqlind = &ind;
    nul->sqld = 1;
    Lib().ExecuteInto(&c.ca, &app, nul.get(), nullptr);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    in[0].sqldata = const_cast<char*>("e");
    Lib().ExecuteInto(&c.ca, &ins, in.get(), nullptr);
    EXPECT_EQ(c.QueryText("select count(*) from b where v is not null and length(v) = 0"), "1");
    ASSERT_EQ(c.Exec("drop variable blobparam1"), 0);
}

class OptionTest : public DbTest {
protected:
    std::string Get(const char* name) {
        Sqlda da(Lib(), 1);
        char buf[31] = {};
        da[0].sqltype = DBLIB_T_STRING;
        da[0].sqllen = 30;
        da[0].sqldata = buf;
        da->sqld = 1;
        Lib().GetOption(&Main().ca, name, da.get());
        return Main().Code() == 0 ? std::string(buf) : "<" + std::to_string(Main().Code()) + ">";
    }
    int Set(const char* name, const char* value, int temporary = 1, const char* user = nullptr) {
        Sqlda da(Lib(), 1);
        da[0].sqltype = DBLIB_T_STRING;
        da[0].sqllen = static_cast<int16_t>(std::strlen(value) + 1);
        da[0].sqldata = const_cast<char*>(value);
        da->sqld = 1;
        Lib().SetOption(&Main().ca, temporary, user, name, da.get());
        return Main().Code();
    }
};

TEST_P(OptionTest, DocumentedOptionsAreCheckedKeptAsSetAndReported) {
    EXPECT_EQ(Get("row_counts"), "OFF");
    EXPECT_EQ(Get("isolation_level"), "0");
    EXPECT_EQ(Set("isolation_level", "2"), 0);
    EXPECT_EQ(Get("ISOLATION_LEVEL"), "2");
    EXPECT_EQ(Set("isolation_level", "4"), DBLIB_E_BAD_OPTION_VALUE);
    EXPECT_EQ(Get("isolation_level"), "2");
    EXPECT_EQ(Set("row_counts", "On"), 0);
    EXPECT_EQ(Get("row_counts"), "On") << "values are reported as they were set";
    EXPECT_EQ(Set("row_counts", "maybe"), DBLIB_E_BAD_OPTION_VALUE);
    EXPECT_EQ(Set("no_such_option", "1"), DBLIB_E_BAD_OPTION);
    EXPECT_EQ(Main().State(), "42W16");
    EXPECT_EQ(Get("no_such_option"), "<" + std::to_string(DBLIB_E_BAD_OPTION) + ">");
    EXPECT_EQ(Set("blocking_timeout", "-1"), DBLIB_E_BAD_OPTION_VALUE);
    EXPECT_EQ(Set("chained", "off"), 0);

    // chained OFF: every statement commits itself.
    Client& c = Main();
    ASSERT_EQ(c.Exec("create table t(x int)"), 0);
    ASSERT_EQ(c.Exec("insert into t values (1)"), 0);
    Lib().Rollback(&c.ca);
    EXPECT_EQ(c.Count("t"), 1);

    // A short output buffer gets what fits, with the indicator saying so.
    Sqlda da(Lib(), 1);
    char small[3];
    int16_t ind = 0;
    da[0].sqltype = DBLIB_T_STRING;
    da[0].sqllen = sizeof small;
    da[0].sqldata = small;
    da[0].sqlind = &ind;
    da->sqld = 1;
    Lib().GetOption(&c.ca, "chained", da.get());
    EXPECT_STREQ(small, "of");
    EXPECT_EQ(ind, 3);
}

TEST_P(OptionTest, PermanentOptionsApplyToLaterConnections) {
    EXPECT_EQ(Set("isolation_level", "3", 0), 0) << Main().Message();
    EXPECT_EQ(Set("row_counts", "ON", 0, "PUBLIC"), 0) << Main().Message();
    Client& c = Main();
    ASSERT_EQ(c.Exec("GRANT CONNECT TO joe IDENTIFIED BY pw"), 0);
    Client joe(Lib());
    ASSERT_EQ(joe.Connect(ConnStr("joe", "pw")), 0) << joe.Message();
    Sqlda da(Lib(), 1);
    char buf[31] = {};
    da[0].sqltype = DBLIB_T_STRING;
    da[0].sqllen = 30;
    da[0].sqldata = buf;
    da->sqld = 1;
    Lib().GetOption(&joe.ca, "row_counts", da.get());
    EXPECT_STREQ(buf, "ON") << "PUBLIC's setting reaches every user";
    Lib().GetOption(&joe.ca, "isolation_level", da.get());
    EXPECT_STREQ(buf, "0") << "DBA's own setting is DBA's";
    // Only DBA authority sets PUBLIC's or another user's options.
    Sqlda val(Lib(), 1);
    val[0].sqltype = DBLIB_T_STRING;
    val[0].sqllen = 4;
    val[0].sqldata = const_cast<char*>("OFF");
    val->sqld = 1;
    Lib().SetOption(&joe.ca, 0, const_cast<char*>("PUBLIC"), "row_counts", val.get());
    EXPECT_EQ(joe.Code(), DBLIB_E_PERMISSION);
    EXPECT_EQ(joe.Exec("set option public.row_counts = 'OFF'"), DBLIB_E_PERMISSION);
    EXPECT_EQ(joe.Exec("set option row_counts = 'OFF'"), 0) << joe.Message();

    c.Disconnect();
    ASSERT_EQ(c.Connect(ConnStr()), 0);
    EXPECT_EQ(Get("isolation_level"), "3");
}

INSTANTIATE_TEST_SUITE_P(Generations, VariableTest, ::testing::ValuesIn(BothGenerations()), GenerationName);
INSTANTIATE_TEST_SUITE_P(Generations, OptionTest, ::testing::ValuesIn(BothGenerations()), GenerationName);
