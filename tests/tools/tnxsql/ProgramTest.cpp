// The built tnxsql program on real databases: its command line and exit statuses, creating and
// opening database files, the password kept out of everything it prints, and an interactive
// session on a pseudo-terminal (prompt, a query, Ctrl-C cancelling a long query, exit).
#include "Program.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <signal.h>

using tnxsqltest::Outcome;
using tnxsqltest::ReadFile;
using tnxsqltest::RunProgram;
using tnxsqltest::Terminal;

namespace {

// A statement that runs until it is cancelled: it inserts rows counted up without end.
const std::string Endless = "insert into big with recursive c(x) as (select 1 union all select x + 1 from c) "
                            "select x from c";

// A query that runs until it is cancelled: it counts the rows of an endless sequence.
const std::string EndlessQuery =
    "select count(*) from (with recursive c(x) as (select 1 union all select x + 1 from c) select x from c)";

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(Program, HelpAndVersion) {
    Outcome h = RunProgram({"--help"});
    EXPECT_EQ(h.Status, 0);
    EXPECT_EQ(h.Out.rfind("Usage: tnxsql [options] [database-file] [SQL ...]\n", 0), 0u);
    EXPECT_EQ(h.Err, "");
    // It fits a terminal of 80 columns.
    for (size_t start = 0, end; (end = h.Out.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LE(end - start, 80u) << h.Out.substr(start, end - start);
    // The version names the client library the program loaded, with the version it reports.
    Outcome v = RunProgram({"-V"});
    EXPECT_EQ(v.Status, 0);
    EXPECT_TRUE(Contains(v.Out, "backend: Tarnix TAsaSession, client library dblib6.dll 6.0.3.2345"))
        << v.Out;
}

TEST(Program, BadOptionsExitWithStatusTwo) {
    Outcome o = RunProgram({"--bogus", "x.db"});
    EXPECT_EQ(o.Status, 2);
    EXPECT_EQ(o.Out, "");
    EXPECT_EQ(o.Err, "tnxsql: unknown option '--bogus'\nTry 'tnxsql --help' for more information.\n");
    tnxtest::TempDir dir;
    Outcome f = RunProgram({"-f", dir.File("missing.sql"), "x.db"});
    EXPECT_EQ(f.Status, 2);
    EXPECT_EQ(f.Err, "tnxsql: cannot read " + dir.File("missing.sql") + ": No such file or directory\n");
}

TEST(Program, CreateMakesADatabaseThatOpensAgainAndIsNeverOverwritten) {
    tnxtest::TempDir dir;
    const std::string db = dir.File("shop.db");
    Outcome c = RunProgram({"--create", db, "create table item(id int primary key, name varchar(20))",
                            "insert into item values (1, 'apple')"});
    EXPECT_EQ(c.Status, 0) << c.Err;
    EXPECT_EQ(c.Err, "");
    EXPECT_EQ(c.Out, "CREATE TABLE\n1 row affected\n");

    // A second run opens the file; the committed row is there (the key refuses it twice).
    Outcome again =
        RunProgram({db, "insert into item values (2, 'pear')", "insert into item values (1, 'plum')"});
    EXPECT_EQ(again.Status, 0);
    EXPECT_EQ(again.Out, "1 row affected\n");
    EXPECT_TRUE(Contains(again.Err, "argument 2:1: Error -193: ")) << again.Err;

    // --create refuses an existing file, database or not, and leaves it as it was.
    const std::string before = ReadFile(db);
    Outcome twice = RunProgram({"--create", db, "drop table item"});
    EXPECT_EQ(twice.Status, 3);
    EXPECT_EQ(twice.Err, "tnxsql: --create: " + db + " already exists; it is not overwritten\n");
    EXPECT_EQ(ReadFile(db), before);
    // A file that cannot be made fails the run with the library's message, leaving nothing behind.
    Outcome nowhere = RunProgram({"--create", dir.File("nowhere/x.db"), "create table t(a int)"});
    EXPECT_EQ(nowhere.Status, 3);
    EXPECT_EQ(nowhere.Err,
              "tnxsql: cannot open the database: Error -645: Database creation failed: x.db cannot be "
              "created (08W60)\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("nowhere")));
    std::ofstream(dir.File("keep.db")) << "precious";
    EXPECT_EQ(RunProgram({"--create", dir.File("keep.db")}).Status, 3);
    EXPECT_EQ(ReadFile(dir.File("keep.db")), "precious");
}

TEST(Program, ConnectionFailuresExitWithStatusThreeAndTheLibrarysMessage) {
    tnxtest::TempDir dir;
    Outcome missing = RunProgram({dir.File("none.db"), "create table t(a int)"});
    EXPECT_EQ(missing.Status, 3);
    EXPECT_EQ(missing.Out, "");
    EXPECT_EQ(missing.Err,
              "tnxsql: cannot open the database: Error -83: Specified database not found: none.db (08W09)\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.db")));

    const std::string db = dir.File("locked.db");
    ASSERT_EQ(RunProgram({"--create", db}).Status, 0);
    Outcome user = RunProgram({"-u", "nobody", db, "create table t(a int)"});
    EXPECT_EQ(user.Status, 3);
    EXPECT_EQ(user.Err,
              "tnxsql: cannot open the database: Error -103: Invalid user ID or password (28000)\n");

    // A database name that contradicts the file is a bad command line, refused before anything starts.
    Outcome name = RunProgram({"-n", "other", db});
    EXPECT_EQ(name.Status, 2);
    EXPECT_TRUE(Contains(name.Err, "is named after it ('locked')")) << name.Err;
}

TEST(Program, UnconnectedStatementsFailAndBailStops) {
    Outcome s = RunProgram({}, "create table t(a int);\ncreate table u(a int);\n");
    EXPECT_EQ(s.Status, 0);
    EXPECT_EQ(s.Err, "-:1: error: not connected to a database\n-:2: error: not connected to a database\n");
    Outcome b = RunProgram({"--bail"}, "create table t(a int);\ncreate table u(a int);\n");
    EXPECT_EQ(b.Status, 1);
    EXPECT_EQ(b.Err, "-:1: error: not connected to a database\n");
}

TEST(Program, APasswordIsNeverPrinted) {
    tnxtest::TempDir dir;
    const std::string db = dir.File("vault.db");
    const std::string pwfile = dir.File("pw");
    std::ofstream(pwfile) << "Sekr3t!\n";
    Outcome c = RunProgram({"--create", "-u", "boss", "--password-file", pwfile, db}, "", dir.Path());
    ASSERT_EQ(c.Status, 0) << c.Err;

    // The user and password of the new database let one in; what fails, fails without them.
    const std::string script = "create table t(a int);\n"
                               "insert into nosuch values ('Sekr3t!');\n"
                               "grant connect to other identified by 'Sekr3t!' extra;\n"
                               "\\info\n"
                               "\\startdb eng=vault;uid=boss;pwd=Sekr3t!\n";
    Outcome withFile = RunProgram({"-u", "boss", "--password-file", pwfile, db}, script, dir.Path());
    EXPECT_EQ(withFile.Status, 0);
    EXPECT_TRUE(Contains(withFile.Out, "CREATE TABLE")) << withFile.Out << withFile.Err;
    EXPECT_TRUE(Contains(withFile.Err, "Error -141")) << withFile.Err;
    EXPECT_FALSE(Contains(withFile.Out + withFile.Err, "Sekr3t")) << withFile.Out << withFile.Err;

    // The same through a connection string, and with a wrong password.
    Outcome withText = RunProgram({"--max-width", "0", "-c", "dbf=" + db + ";uid=boss;pwd=Sekr3t!", "\\info",
                                   "insert into nosuch values (1)"},
                                  "", dir.Path());
    EXPECT_EQ(withText.Status, 0) << withText.Err;
    EXPECT_TRUE(Contains(withText.Out, "| connection string | dbf=" + db + ";uid=boss;pwd=***"))
        << withText.Out;
    EXPECT_FALSE(Contains(withText.Out + withText.Err, "Sekr3t")) << withText.Out << withText.Err;
    Outcome wrong = RunProgram({"-c", "dbf=" + db + ";uid=boss;pwd=Wr0ngPw"}, "", dir.Path());
    EXPECT_EQ(wrong.Status, 3);
    EXPECT_FALSE(Contains(wrong.Out + wrong.Err, "Wr0ngPw")) << wrong.Err;
}

TEST(Program, APasswordGivenInTheConnectionStringIsScrubbedForgottenAndWipedFromTheProcessList) {
    tnxtest::TempDir home;
    const std::string db = home.File("vault.db");
    std::ofstream(home.File("pw")) << "Sekr3t!\n";
    ASSERT_EQ(RunProgram({"--create", "-u", "boss", "--password-file", home.File("pw"), db}).Status, 0);
    const std::string connection = "dbf=" + db + ";uid=boss;pwd=Sekr3t!";

    // Error texts that quote a statement holding it do not show it.
    Outcome run = RunProgram({"-c", connection, "select x from 'Sekr3t!'", "\\ping eng=vault;pwd='Other;Pw'"},
                             "", home.Path());
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(Contains(run.Err, "Error")) << run.Err;
    EXPECT_FALSE(Contains(run.Out + run.Err, "Sekr3t")) << run.Out << run.Err;
    EXPECT_FALSE(Contains(run.Out + run.Err, "Other;Pw")) << run.Out << run.Err;

    // At the prompt: not in the process list while it runs, not kept in the history.
    Terminal t({"-c", connection}, home.Path());
    t.Expect("tnxsql> ");
    const std::string cmdline = ReadFile("/proc/" + std::to_string(t.Pid()) + "/cmdline");
    EXPECT_TRUE(Contains(cmdline, "uid=boss;pwd=")) << "the rest of the argument stays";
    EXPECT_FALSE(Contains(cmdline, "Sekr3t")) << cmdline;
    t.Type("select 'Sekr3t!' as x;\r");
    t.Expect("tnxsql> ");
    t.Type("select 2 as y;\r");
    t.Expect("tnxsql> ");
    t.Type("\\q\r");
    EXPECT_EQ(t.Wait(), 0);
    const std::string history = ReadFile(home.File(".tnxsql_history"));
    EXPECT_TRUE(Contains(history, "select 2 as y;")) << history;
    EXPECT_FALSE(Contains(history, "Sekr3t")) << history;

    // The help says where such a password can be seen.
    Outcome help = RunProgram({"--help"});
    EXPECT_TRUE(Contains(help.Out, "process list")) << help.Out;
}

TEST(Program, CtrlCCancelsTheRunningStatementOfAScript) {
    tnxtest::TempDir dir;
    const std::string db = dir.File("long.db");
    ASSERT_EQ(RunProgram({"--create", db, "create table big(x int)"}).Status, 0);
    std::ofstream(dir.File("long.sql")) << Endless << ";\ninsert into big values (-1);\n";

    // The program runs the script on a terminal so that Ctrl-C reaches it as it would a user's.
    Terminal t({"-f", dir.File("long.sql"), db}, dir.Path());
    t.Expect("(Ctrl-C cancels)"); // the elapsed time of the running statement: it is under way
    t.Type("\x03");
    EXPECT_EQ(t.Wait(), 130);
    EXPECT_TRUE(Contains(t.Shown(), "Error -299: Statement interrupted by user")) << t.Shown();

    // Nothing of the cancelled statement stayed, and the statement after it never ran.
    Outcome check = RunProgram({db, "delete from big"});
    EXPECT_EQ(check.Out, "0 rows affected\n") << check.Err;
}

TEST(Program, InteractiveSessionOnATerminal) {
    tnxtest::TempDir home;
    const std::string db = home.File("chat.db");
    ASSERT_EQ(RunProgram({"--create", db, "create table big(x int)"}).Status, 0);
    Terminal t({db}, home.Path());
    t.Expect("tnxsql> ");
    t.Type("insert into big values (1);\r");
    EXPECT_TRUE(Contains(t.Expect("tnxsql> "), "1 row affected"));

    t.Type("select x, 'NULL?' as t, null as n from big;\r");
    EXPECT_TRUE(Contains(t.Expect("tnxsql> "), "| 1 | NULL? | NULL |"));

    // Ctrl-C cancels the long query, not the program, which prompts again.
    t.Type(EndlessQuery + ";\r");
    t.Expect("(Ctrl-C cancels)");
    t.Type("\x03");
    const std::string cancelled = t.Expect("tnxsql> ");
    EXPECT_TRUE(Contains(cancelled, "Error -299: Statement interrupted by user")) << cancelled;
    t.Type("delete from big;\r");
    const std::string deleted = t.Expect("tnxsql> ");
    EXPECT_TRUE(Contains(deleted, "1 row affected")) << deleted;

    // A backup draws its progress bar on the terminal, page by page to the end.
    t.Type("\\backup " + home.File("copy") + "\r");
    const std::string backup = t.Expect("tnxsql> ");
    EXPECT_TRUE(Contains(backup, "backup " + home.File("copy/chat.db") + "  [")) << backup;
    EXPECT_TRUE(Contains(backup, "] 100%")) << backup;
    EXPECT_TRUE(Contains(backup, "backup written to " + home.File("copy"))) << backup;

    // Ctrl-C at the prompt drops the statement half typed.
    t.Type("select 'abc\r");
    t.Expect("'> ");
    t.Type("def\x03");
    t.Expect("^C");
    t.Expect("tnxsql> ");
    // A transaction shows in the prompt; line editing corrects a typing mistake.
    t.Type("\\begix\x7fn\r");
    t.Expect("tnxsql*> ");
    t.Type("\\rollback\r");
    t.Expect("tnxsql> ");
    t.Type("\\q\r");
    EXPECT_EQ(t.Wait(), 0);

    const std::string history = ReadFile(home.File(".tnxsql_history"));
    EXPECT_EQ(history, "insert into big values (1);\nselect x, 'NULL?' as t, null as n from big;\n" +
                           EndlessQuery + ";\ndelete from big;\n\\backup " + home.File("copy") +
                           "\n\\begin\n\\rollback\n\\q\n");
    EXPECT_EQ(std::filesystem::status(home.File(".tnxsql_history")).permissions() &
                  std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(Program, APasswordTypedAtThePromptIsNeitherEchoedNorKept) {
    tnxtest::TempDir home;
    const std::string db = home.File("x.db");
    std::ofstream(home.File("pw")) << "Sekr3t!\n";
    ASSERT_EQ(RunProgram({"--create", "-u", "boss", "--password-file", home.File("pw"), db}).Status, 0);
    Terminal t({"-u", "boss", "-P", db}, home.Path());
    t.Expect("Password: ");
    t.Type("Sekr3t!\r");
    t.Expect("tnxsql> ");
    t.Type("create table t(a int);\r");
    EXPECT_TRUE(Contains(t.Expect("tnxsql> "), "CREATE TABLE"));
    t.Type("\\q\r");
    EXPECT_EQ(t.Wait(), 0);
    EXPECT_FALSE(Contains(t.Shown(), "Sekr3t")) << t.Shown();
    EXPECT_FALSE(Contains(ReadFile(home.File(".tnxsql_history")), "Sekr3t"));

    Terminal wrong({"-u", "boss", "-P", db}, home.Path());
    wrong.Expect("Password: ");
    wrong.Type("guess\r");
    EXPECT_EQ(wrong.Wait(), 3);
    EXPECT_TRUE(Contains(wrong.Shown(), "Error -103")) << wrong.Shown();
}
