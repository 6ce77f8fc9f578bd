// Statement splitting: where statements end, what their text and line are, and what an unfinished
// input reports. Every case is also fed one byte at a time, which must split alike.
#include "tools/tnxsql/StatementSplitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tnxsql::Statement;
using tnxsql::StatementSplitter;

namespace {

struct Split {
    std::vector<Statement> Statements;
    std::string Error;
    int ErrorLine = 0;
};

Split Run(StatementSplitter& sp) {
    Split out;
    Statement s;
    while (sp.Next(s))
        out.Statements.push_back(s);
    auto end = sp.Finish();
    while (sp.Next(s))
        out.Statements.push_back(s);
    if (end.Last) out.Statements.push_back(*end.Last);
    out.Error = end.Error;
    out.ErrorLine = end.ErrorLine;
    return out;
}

Split Whole(const std::string& text) {
    StatementSplitter sp;
    sp.Feed(text);
    return Run(sp);
}

Split ByteByByte(const std::string& text) {
    StatementSplitter sp;
    Split out;
    Statement s;
    for (char c : text) {
        sp.Feed(std::string_view(&c, 1));
        while (sp.Next(s))
            out.Statements.push_back(s);
    }
    Split rest = Run(sp);
    out.Statements.insert(out.Statements.end(), rest.Statements.begin(), rest.Statements.end());
    out.Error = rest.Error;
    out.ErrorLine = rest.ErrorLine;
    return out;
}

std::vector<std::string> Texts(const Split& s) {
    std::vector<std::string> t;
    for (auto& st : s.Statements)
        t.push_back((st.IsCommand ? "CMD " : st.Refused ? "REFUSED " : "") + st.Text);
    return t;
}

// Splits both ways, checks that they agree, and returns the texts.
std::vector<std::string> Both(const std::string& text, std::string* error = nullptr) {
    Split a = Whole(text), b = ByteByByte(text);
    EXPECT_EQ(Texts(a), Texts(b)) << "input: " << text;
    EXPECT_EQ(a.Error, b.Error);
    for (size_t i = 0; i < a.Statements.size() && i < b.Statements.size(); ++i)
        EXPECT_EQ(a.Statements[i].Line, b.Statements[i].Line);
    if (error)
        *error = a.Error;
    else
        EXPECT_EQ(a.Error, "") << "input: " << text;
    return Texts(a);
}

using V = std::vector<std::string>;

} // namespace

TEST(StatementSplitter, SemicolonsEndStatementsOutsideQuotesAndComments) {
    EXPECT_EQ(Both("select 1; select 2;"), (V{"select 1", "select 2"}));
    EXPECT_EQ(Both("insert into t values ('a;b', \"c;d\", [e;f]);"),
              (V{"insert into t values ('a;b', \"c;d\", [e;f])"}));
    EXPECT_EQ(Both("select 'it''s; here' ; select \"x\"\"; y\";"),
              (V{"select 'it''s; here'", "select \"x\"\"; y\""}));
    EXPECT_EQ(Both("select [a]];b] from t;"), (V{"select [a]];b] from t"}));
    EXPECT_EQ(Both("select 1 -- not; the end\n + 2; select /* ; */ 3;"),
              (V{"select 1 -- not; the end\n + 2", "select /* ; */ 3"}));
    // A dash or slash alone is no comment.
    EXPECT_EQ(Both("select 4-2; select 4/2;"), (V{"select 4-2", "select 4/2"}));
}

TEST(StatementSplitter, BlanksCommentsAndEmptyStatementsVanish) {
    EXPECT_EQ(Both(";;  ;\n-- only a comment\n/* and another */;"), V{});
    EXPECT_EQ(Both("  -- heading\n  select 1  ;  \n\n"), (V{"select 1"}));
    EXPECT_EQ(Both(""), V{});
}

TEST(StatementSplitter, LastStatementNeedsNoSemicolon) {
    EXPECT_EQ(Both("select 1; select 2"), (V{"select 1", "select 2"}));
    EXPECT_EQ(Both("select 1 -- trailing comment"), (V{"select 1 -- trailing comment"}));
}

TEST(StatementSplitter, LinesNameTheFirstCharacterOfEachStatement) {
    Split s = Whole("\n\n  select 1;\n-- c\nselect\n2; select 3;");
    ASSERT_EQ(s.Statements.size(), 3u);
    EXPECT_EQ(s.Statements[0].Line, 3);
    EXPECT_EQ(s.Statements[1].Line, 5);
    EXPECT_EQ(s.Statements[2].Line, 6);
    // Newlines inside quotes and comments count too.
    Split q = Whole("select 'a\nb'; /* x\ny */ select 2;");
    ASSERT_EQ(q.Statements.size(), 2u);
    EXPECT_EQ(q.Statements[1].Line, 3);
}

TEST(StatementSplitter, UnterminatedInputIsAnErrorNamingWhereItOpened) {
    std::string error;
    EXPECT_EQ(Both("select 1;\nselect 'abc;\n", &error), (V{"select 1"}));
    EXPECT_EQ(error, "unterminated quoted text");
    EXPECT_EQ(Whole("select 1;\nselect 'abc;\n").ErrorLine, 2);
    Both("select \"x", &error);
    EXPECT_EQ(error, "unterminated quoted text");
    Both("select [x", &error);
    EXPECT_EQ(error, "unterminated bracketed name");
    Both("select 1 /* open\n\n", &error);
    EXPECT_EQ(error, "unterminated comment");
    EXPECT_EQ(Whole("\nselect 1 /* open\n").ErrorLine, 2);
    Both("create procedure p() begin select 1;", &error);
    EXPECT_EQ(error, "unterminated BEGIN ... END block");
}

TEST(StatementSplitter, RoutineBodiesKeepTheirSemicolons) {
    const std::string proc = "create procedure p(in x int)\nbegin\n  declare y int;\n  set y = x;\n"
                             "  if y > 0 then set y = 0; end if;\n"
                             "  case y when 0 then set y = 1; else set y = 2; end case;\n"
                             "  while y < 3 loop set y = y + 1; end loop;\n"
                             "  begin select 1; end;\n"
                             "end";
    EXPECT_EQ(Both(proc + ";\nselect 2;"), (V{proc, "select 2"}));
    const std::string trig =
        "CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE u SET n = CASE WHEN n > 0 THEN 1 "
        "ELSE 0 END; INSERT INTO log VALUES (1); END";
    EXPECT_EQ(Both(trig + "; select 3"), (V{trig, "select 3"}));
    EXPECT_EQ(Both("begin select 1; select 2; end; select 3;"),
              (V{"begin select 1; select 2; end", "select 3"}));
}

TEST(StatementSplitter, BeginOfATransactionIsNoBlock) {
    EXPECT_EQ(Both("begin; insert into t values (1); commit;"),
              (V{"begin", "insert into t values (1)", "commit"}));
    EXPECT_EQ(Both("BEGIN TRANSACTION; select 1;"), (V{"BEGIN TRANSACTION", "select 1"}));
    EXPECT_EQ(Both("begin /* c */ immediate; select 1;"), (V{"begin /* c */ immediate", "select 1"}));
    EXPECT_EQ(Both("begin"), (V{"begin"}));
    // Words that merely look like the keywords change nothing.
    EXPECT_EQ(Both("select begin_at, t.end, legend from t; select 2;"),
              (V{"select begin_at, t.end, legend from t", "select 2"}));
    EXPECT_EQ(Both("create table events (beginning int); select case when 1 then 2 end;"),
              (V{"create table events (beginning int)", "select case when 1 then 2 end"}));
}

TEST(StatementSplitter, BackslashCommandsEndAtTheLineEnd) {
    EXPECT_EQ(Both("\\tables\nselect 1;\n  \\columns  t ;\n\\q"),
              (V{"CMD \\tables", "select 1", "CMD \\columns  t", "CMD \\q"}));
    // Inside a statement a backslash is just a character.
    EXPECT_EQ(Both("select 'a\\b', 1\n\\ 2;"), (V{"select 'a\\b', 1\n\\ 2"}));
    EXPECT_EQ(Whole("select 1;\n\\info\n").Statements[1].Line, 2);
}

TEST(StatementSplitter, ACommandOnAContinuationLineIsLeftOutOfTheStatementAndRefused) {
    // The command line comes out first (refused, not to be run); the statement goes on without it.
    EXPECT_EQ(Both("select a,\n  \\tables\n  b from t;\n\\q\n"),
              (V{"REFUSED \\tables", "select a,\n\n  b from t", "CMD \\q"}));
    Split s = Whole("select 1,\n\\dt x\n2;");
    ASSERT_EQ(s.Statements.size(), 2u);
    EXPECT_EQ(s.Statements[0].Line, 2);
    EXPECT_EQ(s.Statements[1].Line, 1);
    // At the very end of the input too, before the statement it interrupted.
    EXPECT_EQ(Both("select 1\n\\x"), (V{"REFUSED \\x", "select 1"}));
    // Quoted text and comments are no command lines, nor is a backslash that no name follows.
    EXPECT_EQ(Both("select '\n\\tables';"), (V{"select '\n\\tables'"}));
    EXPECT_EQ(Both("select 1 /*\n\\tables */;"), (V{"select 1 /*\n\\tables */"}));
}

TEST(StatementSplitter, ContinuationStateForThePrompt) {
    StatementSplitter sp;
    EXPECT_FALSE(sp.InStatement());
    sp.Feed("select 'abc\n");
    EXPECT_TRUE(sp.InStatement());
    EXPECT_EQ(sp.OpenQuote(), '\'');
    sp.Feed("def' /* x\n");
    EXPECT_EQ(sp.OpenQuote(), '*');
    sp.Feed("*/ ;\n");
    EXPECT_FALSE(sp.InStatement());
    Statement s;
    ASSERT_TRUE(sp.Next(s));
    EXPECT_EQ(s.Text, "select 'abc\ndef' /* x\n*/");
    sp.Feed("-- only a comment\n");
    EXPECT_FALSE(sp.InStatement());
    sp.Feed("select 1\n");
    EXPECT_TRUE(sp.InStatement());
    sp.Reset();
    EXPECT_FALSE(sp.InStatement());
    EXPECT_FALSE(sp.Next(s));
}

TEST(StatementSplitter, ManyStatementsInOneChunkAcrossFeeds) {
    // Statements cut at arbitrary chunk edges, as a file read in blocks delivers them.
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "insert into t values (" + std::to_string(i) + ", 'x;y');\n";
    StatementSplitter sp;
    std::vector<std::string> got;
    Statement s;
    for (size_t pos = 0; pos < text.size(); pos += 997) {
        sp.Feed(std::string_view(text).substr(pos, 997));
        while (sp.Next(s))
            got.push_back(s.Text);
    }
    auto end = sp.Finish();
    EXPECT_FALSE(end.Last);
    ASSERT_EQ(got.size(), 2000u);
    EXPECT_EQ(got[1234], "insert into t values (1234, 'x;y')");
}
