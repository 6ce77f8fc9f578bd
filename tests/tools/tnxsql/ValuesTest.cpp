// The built program and the values it shows: whole column names in every format, exact 64-bit
// integers both ways (--param name:int binds 64 bits), dates with their fractions, values read
// from files, the rows before a value that cannot be read; and on a terminal, tables fitted to its
// width and longer ones shown through the pager.
#include "Program.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

using tnxsqltest::Outcome;
using tnxsqltest::ReadFile;
using tnxsqltest::RunProgram;
using tnxsqltest::RunSetup;
using tnxsqltest::Terminal;

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class Values : public ::testing::Test {
protected:
    void SetUp() override {
        Db = Dir.File("v.db");
        Outcome o = RunProgram({"--quiet", "--create", Db, "create table t(k int, big bigint, x, at datetime)",
                                "insert into t values (1, 9223372036854775807, 3000000000, '2024-01-02 13:45:56.789')",
                                "insert into t values (2, -9223372036854775808, 'text', '2024-02-29T23:59:59.5Z')"});
        ASSERT_EQ(o.Status, 0) << o.Err;
    }
    Outcome Csv(std::vector<std::string> args) {
        args.insert(args.begin(), {"-F", "csv", Db});
        return RunProgram(std::move(args));
    }
    tnxtest::TempDir Dir;
    std::string Db;
};

} // namespace

TEST_F(Values, ColumnNamesAreWholeInEveryFormat) {
    const std::string a = "julianday(at) - julianday('2024-01-01')";
    const std::string b = "days_since_the_first_of_january_2024_a";
    const std::string c = "days_since_the_first_of_january_2024_b";
    const std::string sql = "select " + a + ", 1 as " + b + ", 2 as " + c + " from t where k = 1";
    EXPECT_EQ(Csv({sql}).Out.substr(0, a.size() + b.size() + c.size() + 4), a + "," + b + "," + c + "\r\n");
    Outcome json = RunProgram({"-F", "json", Db, sql});
    EXPECT_TRUE(Contains(json.Out, "\"" + b + "\":1,\"" + c + "\":2")) << json.Out;
    Outcome table = RunProgram({Db, sql});
    EXPECT_TRUE(Contains(table.Out, "| " + a + " | " + b + " | " + c + " |")) << table.Out;
}

TEST_F(Values, IntegersAreExactBothWays) {
    EXPECT_EQ(Csv({"select big, 123456789012345678 as lit from t order by k"}).Out,
              "big,lit\r\n9223372036854775807,123456789012345678\r\n-9223372036854775808,123456789012345678\r\n");
    // Bound as a 64-bit integer: equal to the integer stored in a column of no declared type.
    EXPECT_EQ(Csv({"select k from t where x = :x", "--param", "x:int=3000000000"}).Out, "k\r\n1\r\n");
    EXPECT_EQ(Csv({"select k from t where big = :b", "--param", "b:int=-9223372036854775808"}).Out, "k\r\n2\r\n");
    // Beyond an INT column's range: refused, nothing stored.
    Outcome refused = Csv({"insert into t(k) values (:k)", "--param", "k:int=2147483648"});
    EXPECT_TRUE(Contains(refused.Err, "Error -158: Value 2147483648 out of range for destination (column \"k\")"))
        << refused.Err;
    EXPECT_EQ(Csv({"select count(*) as n from t"}).Out, "n\r\n2\r\n");
}

TEST_F(Values, DoublesReadBackAndDigitsAreAnOption) {
    const std::string sql = "select 0.1 + 0.2 as s, 0.99 * 3 as t, 2.97 as u";
    EXPECT_EQ(Csv({sql}).Out, "s,t,u\r\n0.30000000000000004,2.9699999999999998,2.97\r\n");
    EXPECT_EQ(Csv({"--digits", "15", sql}).Out, "s,t,u\r\n0.3,2.97,2.97\r\n");
}

TEST_F(Values, DatesKeepTheirFractionsAndUtcFormReads) {
    EXPECT_EQ(Csv({"select at from t order by k"}).Out,
              "at\r\n2024-01-02 13:45:56.789\r\n2024-02-29 23:59:59.500\r\n");
}

TEST_F(Values, ParameterValuesFromFiles) {
    const std::string text(200000, 'z');
    std::ofstream(Dir.File("doc.txt"), std::ios::binary) << text;
    const std::string bytes("\x00\x01\xfe\xff", 4);
    std::ofstream(Dir.File("b.bin"), std::ios::binary) << bytes;
    Outcome o = Csv({"create table d(doc long varchar, bin long binary)",
                     "insert into d values (:doc, :bin)", "select length(doc) as n, hex(bin) as h from d",
                     "--param", "doc=@" + Dir.File("doc.txt"), "--param", "bin:binary=@" + Dir.File("b.bin")});
    EXPECT_EQ(o.Status, 0) << o.Err;
    EXPECT_EQ(o.Out, "n,h\r\n200000,0001FEFF\r\n") << o.Err;
}

TEST_F(Values, OnATerminalTablesFitItsWidthAndLongOnesGoThroughThePager) {
    const std::string paged = Dir.File("paged.txt");
    RunSetup screen;
    screen.Columns = 60;
    screen.Rows = 12;
    screen.Environment = {{"PAGER", "cat > '" + paged + "'"}};
    const std::string wide = "select k, printf('%.100c', 'w') as wide from t";
    const std::string many = "with recursive c(i) as (select 1 union all select i + 1 from c where i < 40) "
                             "select i from c";
    Terminal term({"--max-width", "0", Db, wide, many}, Dir.Path(), screen);
    EXPECT_EQ(term.Wait(), 0) << term.Shown();
    // The wide table fits 60 columns, its text cut with the mark.
    EXPECT_TRUE(Contains(term.Shown(), "| k | wide")) << term.Shown();
    EXPECT_TRUE(Contains(term.Shown(), "www... |")) << term.Shown();
    for (size_t start = 0, end; (end = term.Shown().find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = term.Shown().substr(start, end - start);
        if (!line.empty() && (line[0] == '+' || line[0] == '|')) {
            EXPECT_LE(line.size(), 61u) << line; // the terminal ends lines in CR LF
        }
    }
    // The forty rows went to the pager, not to the screen.
    EXPECT_FALSE(Contains(term.Shown(), "(40 rows)")) << term.Shown();
    const std::string pagedText = ReadFile(paged);
    EXPECT_TRUE(Contains(pagedText, "|  1 |\n")) << pagedText;
    EXPECT_TRUE(Contains(pagedText, "(40 rows)\n")) << pagedText;
    // --no-pager keeps them on the screen.
    Terminal plain({"--no-pager", Db, many}, Dir.Path(), screen);
    EXPECT_EQ(plain.Wait(), 0);
    EXPECT_TRUE(Contains(plain.Shown(), "(40 rows)")) << plain.Shown();
}
