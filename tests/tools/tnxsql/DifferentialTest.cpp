// The program against values written by another program: a database made through SQLite's own
// interface holds integers at the 32- and 64-bit edges, dates with fractions of a second and in
// UTC form, a date that is no date, names longer than 30 characters, doubles such as 0.1 + 0.2,
// fixed-point money, NULLs and text beyond ASCII. `tnxsql --format csv` must give exactly what
// this test works out from the values it wrote, by its own formatting; the row holding the date
// that is no date fails alone, after the rows before it, naming its column and its text.
#include "Program.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <variant>
#include <vector>

using tnxsqltest::Outcome;
using tnxsqltest::RunProgram;

namespace {

// One value as written and as it must read back.
using Written = std::variant<std::monostate, int64_t, double, std::string>;

struct Row {
    Written Id, Small, Big, Day, Stamp, Real, Money, Text, Untyped;
};

const std::string LongName = "total_including_taxes_and_shipping_costs"; // 40 characters

// --- The expected text of each value, worked out here -------------------------------------------

std::string IntegerText(int64_t v) {
    return std::to_string(v);
}

// The shortest decimal form that reads back as the same double, found by trying precisions.
std::string ShortestDouble(double v) {
    // Whole numbers below 2^53 are written in full ("5000000000", not "5e+09").
    if (v > -9007199254740992.0 && v < 9007199254740992.0 && v == std::trunc(v))
        return std::to_string(static_cast<int64_t>(v));
    char buf[64];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, v);
        if (std::strtod(buf, nullptr) == v) break;
    }
    // "%g" writes "1e+300"; the exponent form is kept as it is.
    return buf;
}

std::string MoneyText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

// A field as RFC 4180 writes it: quoted when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

// A date-time text as the program shows it: "YYYY-MM-DD HH:MM:SS" and the fraction when there is
// one (milliseconds when whole, else microseconds). Parsed here from what was written.
std::string StampText(const std::string& written) {
    int y, mo, d, h, mi, s;
    char sep;
    int consumed = 0;
    if (std::sscanf(written.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &y, &mo, &d, &sep, &h, &mi, &s, &consumed) != 7)
        return "?";
    long micro = 0;
    size_t i = static_cast<size_t>(consumed);
    if (i < written.size() && written[i] == '.') {
        int digits = 0;
        for (++i; i < written.size() && std::isdigit(static_cast<unsigned char>(written[i])); ++i, ++digits)
            if (digits < 6) micro = micro * 10 + (written[i] - '0');
        for (; digits < 6; ++digits)
            micro *= 10;
    }
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
    if (micro % 1000 == 0 && micro != 0)
        std::snprintf(buf + n, sizeof buf - static_cast<size_t>(n), ".%03ld", micro / 1000);
    else if (micro != 0)
        std::snprintf(buf + n, sizeof buf - static_cast<size_t>(n), ".%06ld", micro);
    return buf;
}

std::string Expected(const Written& w, char kind) {
    if (std::holds_alternative<std::monostate>(w)) return ""; // NULL: an empty field
    switch (kind) {
    case 'i':
        return IntegerText(std::get<int64_t>(w));
    case 'f':
        return ShortestDouble(std::get<double>(w));
    case 'm':
        return MoneyText(std::get<double>(w));
    case 'd':
        return std::get<std::string>(w).substr(0, 10);
    case 's':
        return StampText(std::get<std::string>(w));
    case 't': {
        const std::string& t = std::get<std::string>(w);
        return t.empty() ? "\"\"" : CsvField(t);
    }
    case 'u':
        if (std::holds_alternative<int64_t>(w)) return IntegerText(std::get<int64_t>(w));
        return CsvField(std::get<std::string>(w));
    }
    return "?";
}

// --- Writing the file as another program would ---------------------------------------------------

void Bind(sqlite3_stmt* s, int index, const Written& w) {
    if (const auto* i = std::get_if<int64_t>(&w))
        sqlite3_bind_int64(s, index, *i);
    else if (const auto* d = std::get_if<double>(&w))
        sqlite3_bind_double(s, index, *d);
    else if (const auto* t = std::get_if<std::string>(&w))
        sqlite3_bind_text(s, index, t->c_str(), static_cast<int>(t->size()), SQLITE_TRANSIENT);
    else
        sqlite3_bind_null(s, index);
}

void WriteDatabase(const std::string& file, const std::vector<Row>& rows) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    const std::string create = "CREATE TABLE awkward(id INTEGER PRIMARY KEY, small INT, big BIGINT, day DATE, "
                               "stamp DATETIME, real DOUBLE, " +
                               LongName + " NUMERIC(10,2), text VARCHAR(100), untyped)";
    ASSERT_EQ(sqlite3_exec(db, create.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_stmt* insert = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "INSERT INTO awkward VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)", -1, &insert, nullptr),
              SQLITE_OK);
    for (const Row& r : rows) {
        const Written* values[] = {&r.Id, &r.Small, &r.Big, &r.Day, &r.Stamp, &r.Real, &r.Money, &r.Text, &r.Untyped};
        for (int k = 0; k < 9; ++k)
            Bind(insert, k + 1, *values[k]);
        ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE) << sqlite3_errmsg(db);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
}

std::vector<Row> AwkwardRows() {
    const double sum = 0.1 + 0.2, triple = 0.99 * 3;
    return {
        {int64_t(1), int64_t(2147483647), int64_t(INT64_MAX), std::string("2024-02-29"),
         std::string("2024-02-29 13:45:56.789"), sum, 182484.1, std::string("Antônio Carlos Jobim"),
         std::monostate{}},
        {int64_t(2), int64_t(-2147483648LL), int64_t(INT64_MIN), std::string("1999-12-31"),
         std::string("2024-02-29T13:45:56Z"), triple, 0.5, std::string("Stanisław, \"Staszek\""),
         int64_t(123456789012345678)},
        {int64_t(3), std::monostate{}, std::monostate{}, std::monostate{}, std::monostate{}, std::monostate{},
         std::monostate{}, std::string(""), std::monostate{}},
        {int64_t(4), int64_t(0), int64_t(4294967296LL), std::string("0001-01-01"),
         std::string("2000-01-01 00:00:00.000001"), -1e300, -0.01, std::string("line one\nline two"),
         std::string("9223372036854775807")},
        {int64_t(5), int64_t(-1), int64_t(9007199254740993LL), std::string("9999-12-31"),
         std::string("1899-12-30 23:59:59.999"), 5e-324, 99999999.99, std::string("\xe2\x82\xac 5"),
         int64_t(-9007199254740993LL)},
    };
}

} // namespace

TEST(Differential, CsvShowsEveryAwkwardValueAsWritten) {
    tnxtest::TempDir dir;
    const std::string file = dir.File("foreign.db");
    std::vector<Row> rows = AwkwardRows();
    // A stamp that is no date, in the last row.
    Row bad = rows[0];
    bad.Id = int64_t(99);
    bad.Stamp = std::string("not a date");
    rows.push_back(bad);
    WriteDatabase(file, rows);

    std::string want = "id,small,big,day,stamp,real," + LongName + ",text,untyped\r\n";
    for (size_t r = 0; r + 1 < rows.size(); ++r) {
        const Row& row = rows[r];
        want += Expected(row.Id, 'i') + "," + Expected(row.Small, 'i') + "," + Expected(row.Big, 'i') + "," +
                Expected(row.Day, 'd') + "," + Expected(row.Stamp, 's') + "," + Expected(row.Real, 'f') + "," +
                Expected(row.Money, 'm') + "," + Expected(row.Text, 't') + "," + Expected(row.Untyped, 'u') + "\r\n";
    }
    Outcome o = RunProgram({"--format", "csv", file, "SELECT * FROM awkward ORDER BY id"});
    EXPECT_EQ(o.Status, 0) << o.Err;
    EXPECT_EQ(o.Out, want);
    EXPECT_NE(o.Err.find("Error -157: Cannot convert 'not a date' to a timestamp (column \"stamp\", row 6)"),
              std::string::npos)
        << o.Err;

    // Expressions: the sum that is not 0.3, a literal beyond 2^53, an alias over 30 characters.
    const std::string alias = "difference_in_days_between_the_two_stamps";
    Outcome e = RunProgram({"--format", "csv", file,
                            "SELECT 0.1 + 0.2 AS s, 123456789012345678 AS n, 2 AS " + alias + " FROM awkward WHERE id = 1"});
    EXPECT_EQ(e.Out, "s,n," + alias + "\r\n" + ShortestDouble(0.1 + 0.2) + ",123456789012345678,2\r\n") << e.Err;
}
