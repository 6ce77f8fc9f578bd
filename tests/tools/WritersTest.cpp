// The output formats, checked byte for byte: tables (alignment, NULL, cut marks, escapes, hex, wide
// and empty results, the sample window), CSV (RFC 4180 quoting, NULL against empty text) and JSON
// (types, escaping, encodings, keys).
#include "tools/tnxsql/CellText.h"
#include "tools/tnxsql/CsvWriter.h"
#include "tools/tnxsql/JsonWriter.h"
#include "tools/tnxsql/TableWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <sstream>

using namespace tnxsql;

namespace {

using Row = std::vector<Cell>;

std::string Write(ResultWriter& w, std::ostringstream& out, const std::vector<Column>& cols,
                  const std::vector<Row>& rows) {
    w.Begin(cols);
    for (const Row& r : rows)
        w.Row(r);
    w.End();
    return out.str();
}

std::string Table(const std::vector<Column>& cols, const std::vector<Row>& rows, FormatOptions o = {}) {
    std::ostringstream out;
    TableWriter w(out, o);
    return Write(w, out, cols, rows);
}

std::string Csv(const std::vector<Column>& cols, const std::vector<Row>& rows) {
    std::ostringstream out;
    CsvWriter w(out);
    return Write(w, out, cols, rows);
}

std::string Json(const std::vector<Column>& cols, const std::vector<Row>& rows) {
    std::ostringstream out;
    JsonWriter w(out);
    return Write(w, out, cols, rows);
}

Timestamp Ts(int y, int mo, int d, int h, int mi, int s, uint32_t us) {
    return Timestamp{y, uint8_t(mo), uint8_t(d), uint8_t(h), uint8_t(mi), uint8_t(s), us};
}

const std::vector<Column> Mixed = {
    {"id", ColumnType::Integer}, {"name", ColumnType::Text}, {"score", ColumnType::Float}};

} // namespace

TEST(TableWriter, AlignsNumbersRightAndShowsNullDistinctly) {
    std::string t = Table(Mixed, {{Cell::Integer(1), Cell::Text("alice"), Cell::Float(2.5)},
                                  {Cell::Integer(1234), Cell::Null(), Cell::Null()},
                                  {Cell::Integer(-7), Cell::Text(""), Cell::Float(-0.125)}});
    EXPECT_EQ(t, "+------+-------+--------+\n"
                 "| id   | name  | score  |\n"
                 "+------+-------+--------+\n"
                 "|    1 | alice |    2.5 |\n"
                 "| 1234 | NULL  |   NULL |\n"
                 "|   -7 |       | -0.125 |\n"
                 "+------+-------+--------+\n"
                 "(3 rows)\n");
    FormatOptions o;
    o.NullText = "<null>";
    EXPECT_NE(Table({{"x", ColumnType::Text}}, {{Cell::Null()}, {Cell::Text("NULL")}}, o)
                  .find("| <null> |\n| NULL   |"),
              std::string::npos);
}

TEST(TableWriter, EmptyAndSingleRowResults) {
    EXPECT_EQ(Table({{"a", ColumnType::Text}, {"bb", ColumnType::Integer}}, {}),
              "+---+----+\n| a | bb |\n+---+----+\n+---+----+\n(0 rows)\n");
    EXPECT_EQ(Table({{"n", ColumnType::Integer}}, {{Cell::Integer(5)}}),
              "+---+\n| n |\n+---+\n| 5 |\n+---+\n(1 row)\n");
}

TEST(TableWriter, CutsLongTextAndBinaryWithAMark) {
    FormatOptions o;
    o.MaxWidth = 10;
    std::string t =
        Table({{"t", ColumnType::LongText}, {"b", ColumnType::LongBinary}},
              {{Cell::Text("abcdefghijklmnop"), Cell::Binary(std::string("\x01\x02\x03\x04\x05\x06", 6))},
               {Cell::Text("abcdefghij"), Cell::Binary(std::string("\xff", 1))}},
              o);
    EXPECT_EQ(t, "+------------+-----------+\n"
                 "| t          | b         |\n"
                 "+------------+-----------+\n"
                 "| abcdefg... | 0x0102... |\n"
                 "| abcdefghij | 0xff      |\n"
                 "+------------+-----------+\n"
                 "(2 rows)\n")
        << t;
}

TEST(TableWriter, NumbersAndDatesAreNeverCut) {
    FormatOptions o;
    o.MaxWidth = 5;
    std::string t = Table({{"n", ColumnType::Integer}, {"d", ColumnType::DateTime}},
                          {{Cell::Integer(std::numeric_limits<int64_t>::min()),
                            Cell::DateTime(Ts(2024, 2, 29, 23, 59, 58, 250000))}},
                          o);
    EXPECT_NE(t.find("| -9223372036854775808 | 2024-02-29 23:59:58.250 |"), std::string::npos) << t;
}

TEST(TableWriter, EscapesControlCharactersAndConvertsSingleByteText) {
    std::string t =
        Table({{"t", ColumnType::Text}},
              {{Cell::Text("a\nb\tc\x01")}, {Cell::Text("caf\xe9 \x80")}, {Cell::Text("caf\xc3\xa9")}});
    // Windows-1252 "café €" becomes UTF-8; text that is UTF-8 already stays; widths count characters.
    EXPECT_EQ(t, "+-------------+\n"
                 "| t           |\n"
                 "+-------------+\n"
                 "| a\\nb\\tc\\x01 |\n"
                 "| caf\xc3\xa9 \xe2\x82\xac      |\n"
                 "| caf\xc3\xa9        |\n"
                 "+-------------+\n"
                 "(3 rows)\n")
        << t;
}

TEST(TableWriter, CalendarValues) {
    std::string t = Table(
        {{"d", ColumnType::Date}, {"t", ColumnType::Time}, {"dt", ColumnType::DateTime}},
        {{Cell::Date(1999, 12, 31), Cell::Time(7, 5, 0), Cell::DateTime(Ts(2000, 1, 2, 3, 4, 5, 123456))}});
    EXPECT_NE(t.find("| 1999-12-31 | 07:05:00 | 2000-01-02 03:04:05.123456 |"), std::string::npos) << t;
}

TEST(TableWriter, WideResultsKeepEveryColumn) {
    std::vector<Column> cols;
    Row row;
    for (int i = 0; i < 60; ++i) {
        cols.push_back({"c" + std::to_string(i), ColumnType::Integer});
        row.push_back(Cell::Integer(i));
    }
    std::string t = Table(cols, {row});
    std::string header = t.substr(t.find('\n') + 1);
    header = header.substr(0, header.find('\n'));
    EXPECT_EQ(header.rfind("| c0 ", 0), 0u);
    EXPECT_NE(header.find("| c59 |"), std::string::npos);
    EXPECT_NE(t.find("|  59 |"), std::string::npos);
}

TEST(TableWriter, ColumnsAreSizedFromTheWholeResult) {
    // A wider value far down the result widens its column from the first line on: every line of
    // the frame is as long as every other.
    const std::string wide(30, 'w');
    std::vector<Row> rows(1500, Row{Cell::Text("ab"), Cell::Integer(1)});
    rows.push_back(Row{Cell::Text(wide), Cell::Integer(1234567890123)});
    std::string t = Table({{"v", ColumnType::Text}, {"n", ColumnType::Integer}}, rows);
    std::istringstream lines(t);
    std::string line;
    std::set<size_t> widths;
    while (std::getline(lines, line))
        if (line[0] == '+' || line[0] == '|') widths.insert(line.size());
    EXPECT_EQ(widths, (std::set<size_t>{1 + (30 + 3) + (13 + 3)})) << t.substr(0, 200);
}

TEST(TableWriter, AResultLongerThanItHoldsIsFramedAgainWhenALaterRowIsWider) {
    FormatOptions o;
    o.HoldRows = 2;
    std::ostringstream out;
    TableWriter w(out, o);
    w.Begin({{"v", ColumnType::Text}});
    w.Row(Row{Cell::Text("ab")});
    EXPECT_EQ(out.str(), ""); // still held
    w.Row(Row{Cell::Text("abc")});
    w.Row(Row{Cell::Text("a")});
    w.Row(Row{Cell::Text("abcdef")}); // wider than the rows held: a new frame, nothing overflows
    w.Row(Row{Cell::Text("abcd")});
    w.End();
    EXPECT_EQ(out.str(), "+-----+\n| v   |\n+-----+\n| ab  |\n| abc |\n| a   |\n"
                         "+--------+\n| v      |\n+--------+\n| abcdef |\n| abcd   |\n+--------+\n(5 rows)\n");
}

// A pager that keeps what it is given; `broken` makes its stream fail as a pipe whose reader left.
class RecordingPager : public Pager {
public:
    std::ostream* Open() override {
        ++Opened;
        if (Broken) Stream.setstate(std::ios::badbit);
        return &Stream;
    }
    void Close() override { ++Closed; }
    std::ostringstream Stream;
    int Opened = 0, Closed = 0;
    bool Broken = false;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

TEST(TableWriter, ATableWiderThanTheScreenCutsItsTextColumnsWidestFirst) {
    FormatOptions o;
    o.MaxWidth = 0;
    o.Screen = [] { return ScreenSize{50, 24}; };
    const std::string longText(70, 'l'), mid(20, 'm');
    std::string t = Table({{"id", ColumnType::Integer}, {"long", ColumnType::Text}, {"mid", ColumnType::Text}},
                          {{Cell::Integer(1234567), Cell::Text(longText), Cell::Text(mid)}}, o);
    for (const std::string& line : Lines(t))
        if (line[0] == '+' || line[0] == '|') {
            EXPECT_LE(Utf8Length(line), 50u) << line;
        }
    // The number is whole; the widest text gives way first, and is cut with the mark.
    EXPECT_NE(t.find("| 1234567 | "), std::string::npos) << t;
    EXPECT_NE(t.find("... |"), std::string::npos) << t;
    EXPECT_EQ(t.find(longText), std::string::npos) << t;
    // A screen wide enough changes nothing.
    o.Screen = [] { return ScreenSize{200, 24}; };
    EXPECT_NE(Table({{"long", ColumnType::Text}}, {{Cell::Text(longText)}}, o).find(longText), std::string::npos);
}

TEST(TableWriter, ExpandedRowsOnRequestAndWhenNothingElseFits) {
    FormatOptions o;
    o.Expanded = ExpandedMode::On;
    EXPECT_EQ(Table(Mixed, {{Cell::Integer(1), Cell::Text("alice"), Cell::Float(2.5)},
                            {Cell::Integer(2), Cell::Null(), Cell::Null()}},
                    o),
              "-- row 1 --\nid    | 1\nname  | alice\nscore | 2.5\n"
              "-- row 2 --\nid    | 2\nname  | NULL\nscore | NULL\n(2 rows)\n");
    // Auto: twelve number columns cannot be cut to fit 40 columns, so each row is a list.
    o.Expanded = ExpandedMode::Auto;
    o.Screen = [] { return ScreenSize{40, 24}; };
    std::vector<Column> cols;
    Row row;
    for (int i = 0; i < 12; ++i) {
        cols.push_back({"column_" + std::to_string(i), ColumnType::Integer});
        row.push_back(Cell::Integer(i));
    }
    std::string t = Table(cols, {row}, o);
    EXPECT_EQ(t.rfind("-- row 1 --\ncolumn_0  | 0\n", 0), 0u) << t;
    // Without a screen there is nothing to fit: a table.
    o.Screen = nullptr;
    EXPECT_EQ(Table(cols, {row}, o)[0], '+');
}

TEST(TableWriter, TablesLongerThanTheScreenGoThroughThePager) {
    RecordingPager pager;
    FormatOptions o;
    o.PagerProgram = &pager;
    o.Screen = [] { return ScreenSize{80, 10}; };
    std::vector<Row> rows;
    for (int i = 0; i < 20; ++i)
        rows.push_back(Row{Cell::Integer(i)});
    std::string direct = Table({{"n", ColumnType::Integer}}, rows, o);
    EXPECT_EQ(direct, "");
    EXPECT_EQ(pager.Opened, 1);
    EXPECT_EQ(pager.Closed, 1);
    EXPECT_EQ(Lines(pager.Stream.str()).size(), 25u);
    EXPECT_EQ(Lines(pager.Stream.str()).back(), "(20 rows)");
    // What fits the screen is written as it is.
    rows.resize(3);
    EXPECT_EQ(Lines(Table({{"n", ColumnType::Integer}}, rows, o)).size(), 8u);
    EXPECT_EQ(pager.Opened, 1);
    // A result longer than what is held goes to the pager from its first rows on.
    o.HoldRows = 4;
    pager.Stream.str("");
    rows.assign(50, Row{Cell::Integer(7)});
    EXPECT_EQ(Table({{"n", ColumnType::Integer}}, rows, o), "");
    EXPECT_EQ(Lines(pager.Stream.str()).size(), 55u);
    EXPECT_EQ(pager.Closed, 2);
}

TEST(TableWriter, APagerLeftEarlyAbandonsTheResult) {
    RecordingPager pager;
    pager.Broken = true;
    FormatOptions o;
    o.PagerProgram = &pager;
    o.Screen = [] { return ScreenSize{80, 5}; };
    o.HoldRows = 10;
    std::ostringstream out;
    TableWriter w(out, o);
    w.Begin({{"n", ColumnType::Integer}});
    for (int i = 0; i < 9; ++i)
        w.Row(Row{Cell::Integer(i)});
    EXPECT_FALSE(w.Abandoned()); // not paged yet: the rows are held
    w.Row(Row{Cell::Integer(9)});
    EXPECT_TRUE(w.Abandoned());
    w.End();
    EXPECT_EQ(out.str(), "");
}

TEST(TableWriter, StatementsWithoutRowsShowTheirCountOrCommand) {
    std::ostringstream out;
    TableWriter w(out, {});
    EXPECT_TRUE(w.Command("CREATE TABLE"));
    EXPECT_EQ(out.str(), "CREATE TABLE\n");
    std::ostringstream json;
    JsonWriter j(json);
    EXPECT_TRUE(j.Command("DROP VIEW"));
    EXPECT_EQ(json.str(), "{\"command\":\"DROP VIEW\"}\n");
    std::ostringstream csv;
    CsvWriter c(csv);
    EXPECT_FALSE(c.Command("CREATE TABLE")); // reported beside the data
}

TEST(TableWriter, RowsAffected) {
    std::ostringstream out;
    TableWriter w(out, {});
    EXPECT_TRUE(w.RowsAffected(1));
    EXPECT_TRUE(w.RowsAffected(3));
    EXPECT_TRUE(w.RowsAffected(-1));
    EXPECT_EQ(out.str(), "1 row affected\n3 rows affected\nOK\n");
}

TEST(CsvWriter, QuotesPerRfc4180AndKeepsNullApartFromEmptyText) {
    std::string c = Csv({{"id", ColumnType::Integer}, {"text", ColumnType::Text}, {"", ColumnType::Text}},
                        {{Cell::Integer(1), Cell::Text("plain"), Cell::Null()},
                         {Cell::Integer(2), Cell::Text("a,b"), Cell::Text("")},
                         {Cell::Integer(3), Cell::Text("say \"hi\""), Cell::Text("two\r\nlines")},
                         {Cell::Null(), Cell::Text(" padded "), Cell::Text("caf\xe9")}});
    EXPECT_EQ(c, "id,text,\"\"\r\n"
                 "1,plain,\r\n"
                 "2,\"a,b\",\"\"\r\n"
                 "3,\"say \"\"hi\"\"\",\"two\r\nlines\"\r\n"
                 ", padded ,caf\xe9\r\n");
}

TEST(CsvWriter, TypesAndSeveralResults) {
    std::ostringstream out;
    CsvWriter w(out);
    w.Begin({{"f", ColumnType::Float},
             {"b", ColumnType::Boolean},
             {"bin", ColumnType::Binary},
             {"d", ColumnType::DateTime}});
    w.Row(Row{Cell::Float(0.1), Cell::Boolean(true), Cell::Binary(std::string("\x00\xab", 2)),
              Cell::DateTime(Ts(2021, 3, 4, 5, 6, 7, 0))});
    w.End();
    w.Begin({{"n", ColumnType::Integer}});
    w.End();
    EXPECT_FALSE(w.RowsAffected(2)); // CSV has no place for it
    EXPECT_EQ(out.str(), "f,b,bin,d\r\n0.1,true,0x00ab,2021-03-04 05:06:07\r\n\r\nn\r\n");
}

TEST(CsvWriter, WholeDoublesPrintInFull) {
    // 64-bit integer columns arrive as doubles: exact whole numbers must not turn into "5e+09".
    std::ostringstream out;
    CsvWriter w(out);
    w.Begin({{"f", ColumnType::Float}});
    for (double v : {5e9, -123456789012345.0, 0.5, 1.25e-7, 1e300, 1e16})
        w.Row(Row{Cell::Float(v)});
    w.End();
    EXPECT_EQ(out.str(), "f\r\n5000000000\r\n-123456789012345\r\n0.5\r\n1.25e-07\r\n1e+300\r\n1e+16\r\n");
}

TEST(CsvWriter, FixedPointColumnsKeepTheirScaleAndDigitsAreAnOption) {
    // The shortest text that reads back as the same double: 0.1 + 0.2 is not 0.3 and says so.
    const std::vector<Column> cols = {{"money", ColumnType::Float, 0, true, 2},
                                      {"sum", ColumnType::Float},
                                      {"rate", ColumnType::Float, 0, true, 4}};
    const Row row = {Cell::Float(182484.1), Cell::Float(0.1 + 0.2), Cell::Float(2.5)};
    const Row row2 = {Cell::Float(-0.005), Cell::Float(0.99 * 3), Cell::Float(1e21)};
    EXPECT_EQ(Csv(cols, {row, row2}),
              "money,sum,rate\r\n182484.10,0.30000000000000004,2.5000\r\n-0.01,2.9699999999999998,"
              "1000000000000000000000.0000\r\n");
    FormatOptions o;
    o.FloatDigits = 15;
    std::ostringstream out;
    CsvWriter w(out, o);
    Write(w, out, cols, {row, row2});
    EXPECT_EQ(out.str(), "money,sum,rate\r\n182484.10,0.3,2.5000\r\n-0.01,2.97,1000000000000000000000.0000\r\n");
    // JSON and tables alike.
    std::ostringstream json;
    JsonWriter j(json, o);
    Write(j, json, cols, {row});
    EXPECT_EQ(json.str(), "[\n{\"money\":182484.10,\"sum\":0.3,\"rate\":2.5000}\n]\n");
    EXPECT_NE(Table(cols, {row}, o).find("| 182484.10 | 0.3 | 2.5000 |"), std::string::npos);
}

TEST(JsonWriter, TypesNullsAndEmptyResults) {
    std::string j = Json(
        {{"i", ColumnType::Integer},
         {"f", ColumnType::Float},
         {"b", ColumnType::Boolean},
         {"t", ColumnType::Text},
         {"bin", ColumnType::Binary},
         {"d", ColumnType::Date},
         {"tm", ColumnType::Time},
         {"dt", ColumnType::DateTime}},
        {{Cell::Integer(-42), Cell::Float(1e300), Cell::Boolean(false), Cell::Text("x"), Cell::Binary("AB"),
          Cell::Date(2020, 1, 31), Cell::Time(23, 0, 1, 5000), Cell::DateTime(Ts(2020, 1, 31, 23, 0, 1, 0))},
         {Cell::Null(), Cell::Float(std::nan("")), Cell::Null(), Cell::Null(), Cell::Null(), Cell::Null(),
          Cell::Null(), Cell::Null()}});
    EXPECT_EQ(
        j,
        "[\n"
        "{\"i\":-42,\"f\":1e+300,\"b\":false,\"t\":\"x\",\"bin\":\"0x4142\",\"d\":\"2020-01-31\","
        "\"tm\":\"23:00:01.005\",\"dt\":\"2020-01-31T23:00:01\"},\n"
        "{\"i\":null,\"f\":\"NaN\",\"b\":null,\"t\":null,\"bin\":null,\"d\":null,\"tm\":null,\"dt\":null}\n"
        "]\n");
    EXPECT_EQ(Json({{"a", ColumnType::Text}}, {}), "[]\n");
}

TEST(JsonWriter, EscapesStringsAndAlwaysWritesValidUtf8) {
    std::string j =
        Json({{"s", ColumnType::Text}}, {{Cell::Text("quote\" back\\ nl\n tab\t bell\x07 del\x7f")},
                                         {Cell::Text("caf\xe9 \x80")},                    // Windows-1252
                                         {Cell::Text("\xe2\x82\xac \xf0\x9f\x98\x80")}}); // UTF-8 stays
    EXPECT_EQ(j, "[\n"
                 "{\"s\":\"quote\\\" back\\\\ nl\\n tab\\t bell\\u0007 del\\u007f\"},\n"
                 "{\"s\":\"caf\xc3\xa9 \xe2\x82\xac\"},\n"
                 "{\"s\":\"\xe2\x82\xac \xf0\x9f\x98\x80\"}\n"
                 "]\n");
}

TEST(JsonWriter, KeysAreUniqueAndNeverEmpty) {
    EXPECT_EQ(JsonWriter::Keys({{"a"}, {"a"}, {""}, {"a_2"}, {"b\"q"}}),
              (std::vector<std::string>{"a", "a_2", "column_3", "a_2_2", "b\"q"}));
    EXPECT_EQ(Json({{"b\"q", ColumnType::Integer}}, {{Cell::Integer(1)}}), "[\n{\"b\\\"q\":1}\n]\n");
}

TEST(JsonWriter, RowsAffected) {
    std::ostringstream out;
    JsonWriter w(out);
    EXPECT_TRUE(w.RowsAffected(3));
    EXPECT_TRUE(w.RowsAffected(-1));
    EXPECT_EQ(out.str(), "{\"rows_affected\":3}\n{\"rows_affected\":null}\n");
}
