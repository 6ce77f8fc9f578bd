// The output formats, checked byte for byte: tables (alignment, NULL, cut marks, escapes, hex, wide
// and empty results, the sample window), CSV (RFC 4180 quoting, NULL against empty text) and JSON
// (types, escaping, encodings, keys).
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
