// Parameter values and markers: the typed forms of --param, markers found only outside quotes and
// comments, and values paired with markers in the order the backend binds them.
#include "tools/tnxsql/Params.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace tnxsql;

namespace {

std::string ParseError(const std::string& given) {
    try {
        ParseParam(given);
    } catch (const ParamError& e) {
        return e.what();
    }
    return "(accepted)";
}

std::vector<std::string> Names(const std::string& sql) {
    std::vector<std::string> n;
    for (const Marker& m : FindMarkers(sql))
        n.emplace_back(m.Name);
    return n;
}

} // namespace

TEST(Params, TypedValues) {
    EXPECT_EQ(ParseParam("a=hello world").Value().AsBytes(), "hello world");
    EXPECT_EQ(ParseParam("a=").Value().AsBytes(), ""); // empty text, not NULL
    EXPECT_EQ(ParseParam("a=x=y").Value().AsBytes(), "x=y");
    EXPECT_EQ(ParseParam("a:text=42").Kind(), CellKind::Text);
    EXPECT_EQ(ParseParam("n:int=-9223372036854775808").Value().AsInteger(), INT64_MIN);
    EXPECT_EQ(ParseParam("n:integer=+5").Value().AsInteger(), 5);
    EXPECT_DOUBLE_EQ(ParseParam("f:float=2.5e-3").Value().AsFloat(), 2.5e-3);
    EXPECT_TRUE(ParseParam("b:bool=Yes").Value().AsBoolean());
    EXPECT_FALSE(ParseParam("b:boolean=off").Value().AsBoolean());
    EXPECT_TRUE(ParseParam("z:null").Value().IsNull());
    Cell d = ParseParam("d:date=2024-02-29").Value();
    EXPECT_EQ(d.Kind(), CellKind::Date);
    EXPECT_EQ(d.AsTimestamp().Day, 29);
    Cell t = ParseParam("t:time=23:59:01.5").Value();
    EXPECT_EQ(t.AsTimestamp().Second, 1);
    EXPECT_EQ(t.AsTimestamp().Microsecond, 500000u);
    Cell dt = ParseParam("t:datetime=2000-01-01T00:00").Value();
    EXPECT_EQ(dt.Kind(), CellKind::DateTime);
    EXPECT_EQ(ParseParam("t:timestamp=2000-01-01 10:11:12").Value().AsTimestamp().Hour, 10);
    EXPECT_EQ(ParseParam("b:binary=0x00FF10").Value().AsBytes(), std::string("\x00\xff\x10", 3));
    EXPECT_EQ(ParseParam("b:hex=").Value().AsBytes(), "");
}

TEST(Params, TypeNamesParseAndListFromOneTable) {
    // The \param command lists a value under a name that parses back to the value's kind.
    for (CellKind kind :
         {CellKind::Null, CellKind::Integer, CellKind::Float, CellKind::Boolean, CellKind::Text,
          CellKind::Binary, CellKind::Date, CellKind::Time, CellKind::DateTime}) {
        CellKind parsed = CellKind::Null;
        ASSERT_TRUE(ParamTypeKind(ParamTypeName(kind), parsed)) << ParamTypeName(kind);
        EXPECT_EQ(parsed, kind) << ParamTypeName(kind);
    }
    CellKind kind = CellKind::Null;
    EXPECT_TRUE(ParamTypeKind("TimeStamp", kind));
    EXPECT_EQ(kind, CellKind::DateTime);
    EXPECT_EQ(ParamTypeName(CellKind::Integer), "int");
    EXPECT_FALSE(ParamTypeKind("texts", kind));
    EXPECT_FALSE(ParamTypeKind("", kind));
}

TEST(Params, ValuesFromFiles) {
    tnxtest::TempDir dir;
    // A value too large for a command line, whole, its last newline included.
    const std::string big = std::string(300000, 'x') + "\n";
    std::ofstream(dir.File("big.txt"), std::ios::binary) << big;
    EXPECT_EQ(ParseParam("doc=@" + dir.File("big.txt")).Value().AsBytes(), big);
    // Bytes as they are for binary (no hexadecimal), zero bytes included.
    const std::string bytes("\x00\x01\xff\n", 4);
    std::ofstream(dir.File("b.bin"), std::ios::binary) << bytes;
    ParamValue b = ParseParam("blob:binary=@" + dir.File("b.bin"));
    EXPECT_EQ(b.Kind(), CellKind::Binary);
    EXPECT_EQ(b.Value().AsBytes(), bytes);
    // Other types read the text, without the line end that closes it.
    std::ofstream(dir.File("n.txt")) << "3000000000\r\n";
    EXPECT_EQ(ParseParam("n:int=@" + dir.File("n.txt")).Value().AsInteger(), 3000000000LL);
    // "@@" is a value that starts with "@".
    EXPECT_EQ(ParseParam("a=@@home").Value().AsBytes(), "@home");
    EXPECT_NE(ParseError("a=@" + dir.File("missing.txt")).find("cannot read " + dir.File("missing.txt")),
              std::string::npos);
    EXPECT_NE(ParseError("a=@").find("needs a file name"), std::string::npos);
}

TEST(Params, BadValuesAreRefusedNamingTheParameter) {
    EXPECT_EQ(ParseError("n:int=9223372036854775808"),
              "parameter n: '9223372036854775808' is not a 64-bit integer (type int)");
    EXPECT_EQ(ParseError("n:int="), "parameter n: '' is not a 64-bit integer (type int)");
    EXPECT_EQ(ParseError("f:float=1,5"), "parameter f: '1,5' is not a number (type float)");
    EXPECT_EQ(ParseError("b:bool=maybe"), "parameter b: 'maybe' is not true or false (type bool)");
    EXPECT_EQ(ParseError("d:date=2023-02-29"),
              "parameter d: '2023-02-29' is not a date YYYY-MM-DD (type date)");
    EXPECT_EQ(ParseError("d:date=2024-13-01"),
              "parameter d: '2024-13-01' is not a date YYYY-MM-DD (type date)");
    EXPECT_EQ(ParseError("t:time=24:00"),
              "parameter t: '24:00' is not a time HH:MM[:SS[.ffffff]] (type time)");
    EXPECT_EQ(ParseError("t:time=10:00:00.1234567"),
              "parameter t: '10:00:00.1234567' is not a time HH:MM[:SS[.ffffff]] (type time)");
    EXPECT_EQ(ParseError("b:binary=abc"),
              "parameter b: 'abc' is not an even number of hexadecimal digits (type binary)");
    EXPECT_EQ(ParseError("b:binary=zz"), "parameter b: 'zz' is not hexadecimal digits (type binary)");
    EXPECT_EQ(
        ParseError("x:money=1"),
        "parameter x: unknown type 'money' (text, int, float, bool, date, time, datetime, binary or null)");
    EXPECT_EQ(ParseError("x"), "parameter x: missing '=VALUE'");
    EXPECT_EQ(ParseError("x:null=1"), "parameter x: type null takes no value");
    EXPECT_EQ(ParseError("=1"),
              "parameter '=1': expected NAME[:TYPE]=VALUE, NAME being letters, digits and underscores");
    EXPECT_EQ(ParseError("a-b=1"),
              "parameter 'a-b=1': expected NAME[:TYPE]=VALUE, NAME being letters, digits and underscores");
}

TEST(Params, MarkersOutsideQuotesAndComments) {
    EXPECT_EQ(Names("select * from t where a = :a and b = ':x' and c = :c"),
              (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(Names("select \":q\", [:r], x::int, '10:30' -- :s\n /* :t */ , :u1_2"),
              (std::vector<std::string>{"u1_2"}));
    EXPECT_EQ(Names("insert into t values (:id, :name, :id)"),
              (std::vector<std::string>{"id", "name", "id"}));
    EXPECT_EQ(Names("select :1, : a, :"), std::vector<std::string>{});
    EXPECT_EQ(Names("select 'open :a"), std::vector<std::string>{});
    auto m = FindMarkers("x = :ab");
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].Offset, 4u);
}

TEST(Params, BindingFollowsMarkerOrderAndNamesTheMissingOne) {
    ParamSet set;
    set.Set(ParseParam("id:int=7"));
    set.Set(ParseParam("Name=bob"));
    auto bound = BindParams("update t set name = :name where id = :ID or parent = :id", set);
    ASSERT_EQ(bound.size(), 3u);
    EXPECT_EQ(bound[0].Name, "name");
    EXPECT_EQ(bound[0].Value.AsBytes(), "bob");
    EXPECT_EQ(bound[1].Name, "ID");
    EXPECT_EQ(bound[1].Value.AsInteger(), 7);
    EXPECT_EQ(bound[2].Value.AsInteger(), 7);
    EXPECT_TRUE(BindParams("select 1", set).empty());
    try {
        BindParams("select :id, :missing", set);
        FAIL() << "a marker without a value was bound";
    } catch (const ParamError& e) {
        EXPECT_STREQ(
            e.what(),
            "no value for parameter :missing (give --param missing=VALUE, or \\param missing=VALUE)");
    }
    EXPECT_TRUE(set.Remove("ID"));
    EXPECT_FALSE(set.Remove("id"));
    EXPECT_THROW(BindParams("select :id", set), ParamError);
}

TEST(Params, TextValuesOutliveCopiesOfTheSet) {
    // Cells view the set's own bytes; a copied set must hand out views of its own copy.
    ParamSet a;
    a.Set(ParseParam("s=short"));
    a.Set(ParseParam("l=" + std::string(100, 'x')));
    ParamSet b = a;
    a = ParamSet();
    auto bound = BindParams(":s :l", b);
    EXPECT_EQ(bound[0].Value.AsBytes(), "short");
    EXPECT_EQ(bound[1].Value.AsBytes(), std::string(100, 'x'));
}
