// Conversions between stored values and every SQLDA type, both directions: boundaries, NULL,
// truncation indicators, conversion and range errors.
#include "DbLibFixture.h"

#include <cmath>
#include <cstring>

using namespace dbtest;

namespace {

struct Out {
    int Code;
    int16_t Ind;
};

} // namespace

class ConvertTest : public DbTest {
protected:
    // Runs "select <expr>" into one output variable.
    Out Fetch(const std::string& expr, int type, int len, void* buf, bool indicator = true) {
        Client& c = Main();
        short s = c.Prepare("select " + expr);
        EXPECT_NE(s, 0) << c.Message();
        Sqlda out(Lib(), 1);
        int16_t ind = 99;
        out[0].sqltype = static_cast<int16_t>(type | 1);
        out[0].sqllen = static_cast<int16_t>(len);
        out[0].sqldata = buf;
        out[0].sqlind = indicator ? &ind : nullptr;
        out->sqld = 1;
        Lib().ExecuteInto(&c.ca, &s, nullptr, out.get());
        Out r{c.Code(), ind};
        sqlca keep = c.ca;
        Lib().DropStmt(&c.ca, &s);
        c.ca = keep;
        return r;
    }

    // Sends one input variable; returns "typeof|value" as the engine received it, or "" with the
    // code in Main().Code().
    std::string Echo(const sqlvar& v) {
        Client& c = Main();
        short s = c.Prepare("select typeof(?) || '|' || coalesce(cast(? as text), 'NULL')");
        Sqlda in(Lib(), 2);
        in[0] = v;
        in[1] = v;
        in->sqld = 2;
        Sqlda out(Lib(), 1);
        char buf[256] = {};
        out[0].sqltype = DBLIB_T_STRING | 1;
        out[0].sqllen = sizeof buf;
        out[0].sqldata = buf;
        out->sqld = 1;
        Lib().ExecuteInto(&c.ca, &s, in.get(), out.get());
        int code = c.Code();
        sqlca keep = c.ca;
        Lib().DropStmt(&c.ca, &s);
        c.ca = keep;
        return code == 0 ? std::string(buf) : std::string();
    }

    template <class T>
    std::string EchoValue(int type, T value, int len = sizeof(T)) {
        sqlvar v{};
        v.sqltype = static_cast<int16_t>(type);
        v.sqllen = static_cast<int16_t>(len);
        v.sqldata = &value;
        return Echo(v);
    }
};

TEST_P(ConvertTest, IntegerTargetsKeepTheirRanges) {
    struct Case {
        const char* Expr;
        int Type;
        long long Want; // expected value, or the expected error code when Err is set
        bool Err;
    };
    const Case cases[] = {
        {"2147483647", DBLIB_T_INT, 2147483647LL, false},
        {"-2147483648", DBLIB_T_INT, -2147483648LL, false},
        {"2147483648", DBLIB_T_INT, DBLIB_E_OUT_OF_RANGE, true},
        {"32767", DBLIB_T_SMALLINT, 32767, false},
        {"-32769", DBLIB_T_SMALLINT, DBLIB_E_OUT_OF_RANGE, true},
        {"255", DBLIB_T_TINYINT, 255, false},
        {"-1", DBLIB_T_TINYINT, DBLIB_E_OUT_OF_RANGE, true},
        {"256", DBLIB_T_TINYINT, DBLIB_E_OUT_OF_RANGE, true},
        {"4294967295", DBLIB_T_UNSINT, 4294967295LL, false},
        {"-1", DBLIB_T_UNSINT, DBLIB_E_OUT_OF_RANGE, true},
        {"65535", DBLIB_T_UNSSMALLINT, 65535, false},
        {"65536", DBLIB_T_UNSSMALLINT, DBLIB_E_OUT_OF_RANGE, true},
        {"9223372036854775807", DBLIB_T_BIGINT, 9223372036854775807LL, false},
        {"1e300", DBLIB_T_BIGINT, DBLIB_E_OUT_OF_RANGE, true},
        {"-1", DBLIB_T_UNSBIGINT, DBLIB_E_OUT_OF_RANGE, true},
        {"1", DBLIB_T_BIT, 1, false},
        {"2", DBLIB_T_BIT, DBLIB_E_OUT_OF_RANGE, true},
        {"3.9", DBLIB_T_INT, 3, false},
        {"-3.9", DBLIB_T_INT, -3, false},
        {"' 42 '", DBLIB_T_INT, 42, false},
        {"'4.5e1'", DBLIB_T_SMALLINT, 45, false},
        {"'abc'", DBLIB_T_INT, DBLIB_E_CONVERSION, true},
        {"''", DBLIB_T_BIGINT, DBLIB_E_CONVERSION, true},
        {"x'3132'", DBLIB_T_INT, 12, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.Expr) + " as " + std::to_string(k.Type));
        unsigned char buf[8] = {};
        Out r = Fetch(k.Expr, k.Type, 8, buf);
        if (k.Err) {
            EXPECT_EQ(r.Code, k.Want);
            continue;
        }
        ASSERT_EQ(r.Code, 0) << Main().Message();
        long long got = 0;
        switch (k.Type) {
        case DBLIB_T_INT: { int32_t v; std::memcpy(&v, buf, 4); got = v; break; }
        case DBLIB_T_SMALLINT: { int16_t v; std::memcpy(&v, buf, 2); got = v; break; }
        case DBLIB_T_TINYINT: got = buf[0]; break;
        case DBLIB_T_UNSINT: { uint32_t v; std::memcpy(&v, buf, 4); got = v; break; }
        case DBLIB_T_UNSSMALLINT: { uint16_t v; std::memcpy(&v, buf, 2); got = v; break; }
        case DBLIB_T_BIGINT: { int64_t v; std::memcpy(&v, buf, 8); got = v; break; }
        case DBLIB_T_BIT: got = buf[0]; break;
        }
        EXPECT_EQ(got, k.Want);
        EXPECT_EQ(r.Ind, 0);
    }
    uint64_t u = 0;
    ASSERT_EQ(Fetch("'18446744073709551615'", DBLIB_T_UNSBIGINT, 8, &u).Code, 0) << Main().Message();
    EXPECT_EQ(u, UINT64_MAX);
}

TEST_P(ConvertTest, FloatingTargets) {
    double d = 0;
    ASSERT_EQ(Fetch("1.5", DBLIB_T_DOUBLE, 8, &d).Code, 0);
    EXPECT_EQ(d, 1.5);
    ASSERT_EQ(Fetch("'2.5e3'", DBLIB_T_DOUBLE, 8, &d).Code, 0);
    EXPECT_EQ(d, 2500.0);
    ASSERT_EQ(Fetch("7", DBLIB_T_DOUBLE, 8, &d).Code, 0);
    EXPECT_EQ(d, 7.0);
    float f = 0;
    ASSERT_EQ(Fetch("3.25", DBLIB_T_FLOAT, 4, &f).Code, 0);
    EXPECT_EQ(f, 3.25f);
    EXPECT_EQ(Fetch("1e39", DBLIB_T_FLOAT, 4, &f).Code, DBLIB_E_OUT_OF_RANGE);
    EXPECT_EQ(Fetch("'x'", DBLIB_T_DOUBLE, 8, &d).Code, DBLIB_E_CONVERSION);
    EXPECT_EQ(Main().State(), "53018");
}

TEST_P(ConvertTest, TextTargetsCutWithTheIndicatorSaying) {
    char buf[16];
    Out r = Fetch("'hello'", DBLIB_T_STRING, 4, buf);
    EXPECT_EQ(r.Code, 0);
    EXPECT_STREQ(buf, "hel");
    EXPECT_EQ(r.Ind, 5);
    EXPECT_EQ(Main().ca.sqlwarn[1], 'W');
    // Without an indicator the cut is reported by the warning code.
    EXPECT_EQ(Fetch("'hello'", DBLIB_T_STRING, 4, buf, false).Code, DBLIB_W_TRUNCATED);
    r = Fetch("'hello'", DBLIB_T_STRING, 6, buf);
    EXPECT_EQ(r.Ind, 0);
    EXPECT_STREQ(buf, "hello");

    r = Fetch("'hello'", DBLIB_T_VARCHAR, 4, buf);
    uint16_t n;
    std::memcpy(&n, buf, 2);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(std::string(buf + 2, 2), "he");
    EXPECT_EQ(r.Ind, 5);

    r = Fetch("'ab'", DBLIB_T_FIXCHAR, 6, buf);
    EXPECT_EQ(std::string(buf, 6), "ab    ");
    r = Fetch("12345", DBLIB_T_STRING, 16, buf);
    EXPECT_STREQ(buf, "12345");
    r = Fetch("0.1", DBLIB_T_STRING, 16, buf);
    EXPECT_STREQ(buf, "0.1");

    alignas(8) char longBuf[sizeof(dblib_longdata) + 3];
    auto* ld = reinterpret_cast<dblib_longdata*>(longBuf);
    ld->array_len = 3;
    r = Fetch("'hello'", DBLIB_T_LONGVARCHAR, 0, ld);
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(ld->stored_len, 3u);
    EXPECT_EQ(ld->untrunc_len, 5u);
    EXPECT_EQ(std::string(ld->array, 3), "hel");
    EXPECT_EQ(r.Ind, 5);
}

TEST_P(ConvertTest, NullNeedsAnIndicator) {
    int32_t v = 7;
    Out r = Fetch("null", DBLIB_T_INT, 4, &v);
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(r.Ind, -1);
    EXPECT_EQ(Fetch("null", DBLIB_T_INT, 4, &v, false).Code, DBLIB_E_NO_INDICATOR);
}

TEST_P(ConvertTest, BinaryValuesPassUnchanged) {
    const char bytes[] = {'a', '\0', '\xff', 'b'};
    char in[2 + sizeof bytes];
    uint16_t n = sizeof bytes;
    std::memcpy(in, &n, 2);
    std::memcpy(in + 2, bytes, sizeof bytes);
    sqlvar v{};
    v.sqltype = DBLIB_T_BINARY;
    v.sqllen = sizeof in;
    v.sqldata = in;
    EXPECT_EQ(Echo(v), std::string("blob|a"));

    Client& c = Main();
    ASSERT_EQ(c.Exec("create table b(v long binary)"), 0);
    short ins = c.Prepare("insert into b values (?)");
    Sqlda args(Lib(), 1);
    args[0] = v;
    args->sqld = 1;
    Lib().ExecuteInto(&c.ca, &ins, args.get(), nullptr);
    ASSERT_EQ(c.Code(), 0) << c.Message();
    char out[16] = {};
    Out r = Fetch("v from b", DBLIB_T_BINARY, sizeof out, out);
    ASSERT_EQ(r.Code, 0);
    std::memcpy(&n, out, 2);
    EXPECT_EQ(n, sizeof bytes);
    EXPECT_EQ(std::memcmp(out + 2, bytes, sizeof bytes), 0);
    r = Fetch("v from b", DBLIB_T_BINARY, 4, out);
    EXPECT_EQ(r.Ind, 4) << "two of four bytes fit: the indicator gives the full length";

    alignas(8) char longBuf[sizeof(dblib_longdata) + 8];
    auto* ld = reinterpret_cast<dblib_longdata*>(longBuf);
    ld->array_len = 8;
    ASSERT_EQ(Fetch("v from b", DBLIB_T_LONGBINARY, 0, ld).Code, 0);
    EXPECT_EQ(ld->stored_len, sizeof bytes);
    EXPECT_EQ(std::memcmp(ld->array, bytes, sizeof bytes), 0);

    // A length prefix larger than the buffer is refused, not read past.
    v.sqllen = 4;
    EXPECT_EQ(Echo(v), "");
    EXPECT_EQ(Main().Code(), DBLIB_E_BAD_HOST_VARIABLE);
}

TEST_P(ConvertTest, DatesTimesAndTimeStampRecords) {
    sqldatetime ts{};
    ASSERT_EQ(Fetch("'2000-03-01 12:30:15.25'", DBLIB_T_TIMESTAMP_STRUCT, 14, &ts).Code, 0) << Main().Message();
    EXPECT_EQ(ts.year, 2000);
    EXPECT_EQ(ts.month, 2);
    EXPECT_EQ(ts.day, 1);
    EXPECT_EQ(ts.day_of_week, 3);
    EXPECT_EQ(ts.day_of_year, 60);
    EXPECT_EQ(ts.hour, 12);
    EXPECT_EQ(ts.minute, 30);
    EXPECT_EQ(ts.second, 15);
    int32_t micro = ts.microsecond; // a packed field: read it into an aligned local first
    EXPECT_EQ(micro, 250000);

    char buf[32];
    ASSERT_EQ(Fetch("'2000-03-01 12:30:15.25'", DBLIB_T_DATE, sizeof buf, buf).Code, 0);
    EXPECT_STREQ(buf, "2000-03-01");
    ASSERT_EQ(Fetch("'2000-03-01 12:30:15.25'", DBLIB_T_TIME, sizeof buf, buf).Code, 0);
    EXPECT_STREQ(buf, "12:30:15.250000");
    ASSERT_EQ(Fetch("'2000-03-01T12:30'", DBLIB_T_TIMESTAMP, sizeof buf, buf).Code, 0);
    EXPECT_STREQ(buf, "2000-03-01 12:30:00");
    EXPECT_EQ(Fetch("'12:00'", DBLIB_T_DATE, sizeof buf, buf).Code, DBLIB_E_CONVERSION);
    EXPECT_EQ(Fetch("'2001-02-29'", DBLIB_T_TIMESTAMP_STRUCT, 14, &ts).Code, DBLIB_E_CONVERSION);
    EXPECT_EQ(Fetch("'24:00:00'", DBLIB_T_TIME, sizeof buf, buf).Code, DBLIB_E_CONVERSION);
    EXPECT_EQ(Fetch("5", DBLIB_T_DATE, sizeof buf, buf).Code, DBLIB_E_CONVERSION);

    // Inputs are normalized before they are stored.
    sqldatetime in{};
    in.year = 2000;
    in.month = 2;
    in.day = 1;
    in.hour = 12;
    in.minute = 30;
    in.second = 15;
    EXPECT_EQ(EchoValue(DBLIB_T_TIMESTAMP_STRUCT, in, 14), "text|2000-03-01 12:30:15");
    sqldatetime timeOnly{};
    timeOnly.hour = 18;
    EXPECT_EQ(EchoValue(DBLIB_T_TIMESTAMP_STRUCT, timeOnly, 14), "text|18:00:00");
    in.month = 12;
    EXPECT_EQ(EchoValue(DBLIB_T_TIMESTAMP_STRUCT, in, 14), "");
    EXPECT_EQ(Main().Code(), DBLIB_E_CONVERSION);
    sqlvar v{};
    v.sqltype = DBLIB_T_DATE;
    v.sqllen = 16;
    v.sqldata = const_cast<char*>("2020-1-5");
    EXPECT_EQ(Echo(v), "text|2020-01-05");
    v.sqltype = DBLIB_T_TIMESTAMP;
    v.sqldata = const_cast<char*>("2020-01-05T10:11");
    EXPECT_EQ(Echo(v), "text|2020-01-05 10:11:00");
    v.sqldata = const_cast<char*>("yesterday");
    EXPECT_EQ(Echo(v), "");
    EXPECT_EQ(Main().Code(), DBLIB_E_CONVERSION);
}

TEST_P(ConvertTest, PackedDecimals) {
    unsigned char bcd[8] = {};
    ASSERT_EQ(Fetch("123.45", DBLIB_T_DECIMAL, 5 | (2 << 8), bcd).Code, 0) << Main().Message();
    EXPECT_EQ(bcd[0], 0x12);
    EXPECT_EQ(bcd[1], 0x34);
    EXPECT_EQ(bcd[2], 0x5c);
    ASSERT_EQ(Fetch("-1.5", DBLIB_T_DECIMAL, 4 | (1 << 8), bcd).Code, 0);
    EXPECT_EQ(bcd[0], 0x00);
    EXPECT_EQ(bcd[1], 0x01);
    EXPECT_EQ(bcd[2], 0x5d);
    EXPECT_EQ(Fetch("123456", DBLIB_T_DECIMAL, 5 | (2 << 8), bcd).Code, DBLIB_E_OUT_OF_RANGE);
    EXPECT_EQ(Fetch("'abc'", DBLIB_T_DECIMAL, 5 | (2 << 8), bcd).Code, DBLIB_E_CONVERSION);

    unsigned char in[3] = {0x12, 0x34, 0x5c};
    sqlvar v{};
    v.sqltype = DBLIB_T_DECIMAL;
    v.sqllen = 5 | (2 << 8);
    v.sqldata = in;
    EXPECT_EQ(Echo(v), "real|123.45");
    v.sqllen = 5;
    EXPECT_EQ(Echo(v), "integer|12345");
    in[2] = 0x5a; // not a sign
    EXPECT_EQ(Echo(v), "");
    EXPECT_EQ(Main().Code(), DBLIB_E_CONVERSION);
}

TEST_P(ConvertTest, InputsOfEveryTypeArriveAsValues) {
    EXPECT_EQ(EchoValue<int32_t>(DBLIB_T_INT, -5), "integer|-5");
    EXPECT_EQ(EchoValue<int16_t>(DBLIB_T_SMALLINT, -32768), "integer|-32768");
    EXPECT_EQ(EchoValue<uint8_t>(DBLIB_T_TINYINT, 255), "integer|255");
    EXPECT_EQ(EchoValue<int64_t>(DBLIB_T_BIGINT, INT64_MIN), "integer|-9223372036854775808");
    EXPECT_EQ(EchoValue<uint32_t>(DBLIB_T_UNSINT, 4294967295u), "integer|4294967295");
    EXPECT_EQ(EchoValue<uint16_t>(DBLIB_T_UNSSMALLINT, 65535), "integer|65535");
    EXPECT_EQ(EchoValue<uint64_t>(DBLIB_T_UNSBIGINT, 9223372036854775807ull), "integer|9223372036854775807");
    EXPECT_EQ(EchoValue<uint64_t>(DBLIB_T_UNSBIGINT, 9223372036854775808ull), "");
    EXPECT_EQ(Main().Code(), DBLIB_E_OUT_OF_RANGE);
    EXPECT_EQ(EchoValue<uint8_t>(DBLIB_T_BIT, 7), "integer|1");
    EXPECT_EQ(EchoValue<double>(DBLIB_T_DOUBLE, 0.5), "real|0.5");
    EXPECT_EQ(EchoValue<float>(DBLIB_T_FLOAT, 0.25f), "real|0.25");

    sqlvar v{};
    v.sqltype = DBLIB_T_STRING;
    v.sqllen = 4;
    v.sqldata = const_cast<char*>("abcdef");
    EXPECT_EQ(Echo(v), "text|abcd") << "a string ends within sqllen";
    char fix[] = {'a', 'b', ' '};
    v.sqltype = DBLIB_T_FIXCHAR;
    v.sqllen = 3;
    v.sqldata = fix;
    EXPECT_EQ(Echo(v), "text|ab ");
    alignas(8) char longBuf[sizeof(dblib_longdata) + 4];
    auto* ld = reinterpret_cast<dblib_longdata*>(longBuf);
    ld->stored_len = 4;
    std::memcpy(ld->array, "long", 4);
    v.sqltype = DBLIB_T_LONGVARCHAR;
    v.sqldata = ld;
    EXPECT_EQ(Echo(v), "text|long");
    v.sqltype = DBLIB_T_LONGBINARY;
    EXPECT_EQ(Echo(v), "blob|long");

    int32_t one = 1;
    int16_t nullInd = -1;
    v.sqltype = DBLIB_T_INT;
    v.sqldata = &one;
    v.sqlind = &nullInd;
    EXPECT_EQ(Echo(v), "null|NULL");
    v.sqlind = nullptr;
    v.sqldata = nullptr;
    EXPECT_EQ(Echo(v), "null|NULL") << "no data pointer sends NULL";
    v.sqltype = 999;
    v.sqldata = &one;
    EXPECT_EQ(Echo(v), "");
    EXPECT_EQ(Main().Code(), DBLIB_E_BAD_HOST_VARIABLE);
}

INSTANTIATE_TEST_SUITE_P(Generations, ConvertTest, ::testing::ValuesIn(BothGenerations()), GenerationName);
