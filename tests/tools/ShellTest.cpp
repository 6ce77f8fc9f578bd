// The shell over a recording backend: what reaches the backend (statements, parameter values,
// service calls) and what the user sees (results, counts, notes, errors with their place and code,
// progress), how failures, --bail, \q and Ctrl-C end a run, and that no secret is ever printed.
#include "TestBackend.h"
#include "support/TempDir.h"

#include "tools/tnxsql/Commands.h"
#include "tools/tnxsql/History.h"
#include "tools/tnxsql/Interrupt.h"
#include "tools/tnxsql/Shell.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

using namespace tnxsql;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using tnxtest::TestBackend;
using tnxtest::TextRows;

namespace {

bool StartsWith(std::string_view s, std::string_view p) {
    return s.substr(0, p.size()) == p;
}

// Rows "r1", "r2", ... of one column; raises SIGINT (as Ctrl-C would) when row `interruptAt` is read.
class GeneratedRows : public ResultSet {
public:
    GeneratedRows(int count, int interruptAt) : FCount(count), FInterruptAt(interruptAt) {}
    const std::vector<Column>& Columns() const override { return FColumns; }
    bool Next() override {
        if (FRow >= FCount) return false;
        ++FRow;
        if (FRow == FInterruptAt) std::raise(SIGINT);
        FText = "r" + std::to_string(FRow);
        FCell = Cell::Text(FText);
        return true;
    }
    std::span<const Cell> Row() const override { return {&FCell, 1}; }

private:
    std::vector<Column> FColumns{{"v", ColumnType::Text}};
    int FCount, FInterruptAt, FRow = 0;
    std::string FText;
    Cell FCell;
};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        interrupt::Install();
        interrupt::Clear();
        // Queries give rows "a" and "b"; updates 3 rows, anything else 1.
        backend.OnExecute = [](std::string_view sql, std::span<const BoundParam>) {
            ExecResult r;
            if (StartsWith(sql, "select"))
                r.Rows = TextRows({"a", "b"});
            else
                r.RowsAffected = StartsWith(sql, "update") ? 3 : 1;
            return r;
        };
    }
    void TearDown() override { interrupt::Clear(); }

    Shell& Make(bool progress = false) {
        shell.reset(); // the old shell takes its handlers off the backend when it goes
        shell = std::make_unique<Shell>(backend, options, settings, out, err, progress);
        return *shell;
    }

    TestBackend backend;
    Options options;
    ConnectSettings settings;
    std::ostringstream out, err;
    std::unique_ptr<Shell> shell;
};

const std::string TwoRows = "+---+\n| v |\n+---+\n| a |\n| b |\n+---+\n(2 rows)\n";

} // namespace

TEST_F(ShellTest, ResultsAndCountsInTheTableFormat) {
    Make().RunText("s.sql", "select v from t; update t set v = 1;\ninsert into t values (2)");
    EXPECT_EQ(out.str(), TwoRows + "3 rows affected\n1 row affected\n");
    EXPECT_EQ(err.str(), "");
    EXPECT_THAT(backend.Calls, ElementsAre("Execute(select v from t)", "Execute(update t set v = 1)",
                                           "Execute(insert into t values (2))"));
    EXPECT_EQ(shell->ExitStatus(), ExitOk);
}

TEST_F(ShellTest, CsvAndJsonKeepTheDataStreamClean) {
    options.Format.Format = OutputFormat::Csv;
    Make().RunText("s.sql", "select v from t; update t set v = 1;");
    EXPECT_EQ(out.str(), "v\r\na\r\nb\r\n");
    EXPECT_EQ(err.str(), "3 rows affected\n");

    out.str("");
    err.str("");
    options.Format.Format = OutputFormat::Json;
    Make().RunText("s.sql", "select v from t; update t set v = 1;");
    EXPECT_EQ(out.str(), "[\n{\"v\":\"a\"},\n{\"v\":\"b\"}\n]\n{\"rows_affected\":3}\n");
    EXPECT_EQ(err.str(), "");

    out.str("");
    options.Quiet = true;
    Make().RunText("s.sql", "update t set v = 1;");
    EXPECT_EQ(out.str(), "");
}

TEST_F(ShellTest, StatementsWithoutARowCountPrintTheirCommand) {
    backend.OnExecute = [](std::string_view sql, std::span<const BoundParam>) {
        return ExecResult{nullptr, StartsWith(sql, "insert") ? 1 : 0};
    };
    Make().RunText("s.sql", "create table t(a int);\ninsert into t values (1);\n"
                            "message 'hello' type info to client;\ndrop table t;");
    EXPECT_EQ(out.str(), "CREATE TABLE\n1 row affected\nDROP TABLE\n");
    options.Format.Format = OutputFormat::Csv;
    out.str("");
    Make().RunText("s.sql", "create index i on t(a)");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "CREATE INDEX\n");
}

TEST_F(ShellTest, ACommandOnAContinuationLineIsRefusedNotRunAndNotSent) {
    Shell& sh = Make();
    sh.FeedLine("select v");
    sh.FeedLine("\\tables");
    sh.FeedLine("from t;");
    EXPECT_THAT(backend.Calls, ElementsAre("Execute(select v\n\nfrom t)"));
    EXPECT_EQ(err.str(), "error: \\tables was left out: a command cannot be given inside a statement (end the "
                         "statement with ';' first)\n");
    EXPECT_EQ(out.str(), TwoRows);
    // In a file the line is named and the failure counts under --bail.
    err.str("");
    options.Bail = true;
    EXPECT_EQ(Make().RunText("s.sql", "select v\n\\q\nfrom t;"), Shell::Flow::Stop);
    EXPECT_EQ(err.str().rfind("s.sql:2: error: \\q was left out", 0), 0u) << err.str();
    EXPECT_FALSE(shell->QuitRequested());
}

TEST_F(ShellTest, ScriptsEndWithASummaryAndEchoTheirStatements) {
    tnxtest::TempDir dir;
    const std::string file = dir.File("s.sql");
    std::ofstream(file) << "update t set v = 1;\nselect * from nope;\n\\timing off\n";
    backend.OnExecute = [](std::string_view sql, std::span<const BoundParam>) -> ExecResult {
        if (sql == "select * from nope") throw BackendError("Error -141: Table 'nope' not found (42W33)", -141);
        return ExecResult{nullptr, 3};
    };
    options.Echo = true;
    EXPECT_EQ(Make().RunScript(file), Shell::Flow::Continue);
    const std::regex expected("update t set v = 1;\n3 rows affected\n\nselect \\* from nope;\n\n\\\\timing off\n"
                              "timing is off\n" +
                              std::regex_replace(file, std::regex("[.]"), "[.]") +
                              ": 3 statements, 1 failed \\([0-9]+[.][0-9]{3} s\\)\n");
    EXPECT_TRUE(std::regex_match(out.str(), expected)) << out.str();
    // Quiet: no summary.
    out.str("");
    options.Echo = false;
    options.Quiet = true;
    Make().RunScript(file);
    EXPECT_EQ(out.str(), "timing is off\n");
}

TEST_F(ShellTest, ErrorsCarryTheLibrarysMessageCodeAndPlaceAndTheRunGoesOn) {
    backend.OnExecute = [](std::string_view sql, std::span<const BoundParam>) -> ExecResult {
        if (sql == "select * from nope")
            throw BackendError("Error -141: Table 'nope' not found (42W33)", -141);
        if (sql == "select lost") throw BackendError("Connection lost", -101);
        return ExecResult{nullptr, 0};
    };
    Shell::Flow flow =
        Make().RunText("s.sql", "select 1;\nselect * from nope;\n  select :x;\nselect lost;\nselect 2;");
    EXPECT_EQ(flow, Shell::Flow::Continue);
    EXPECT_EQ(err.str(),
              "s.sql:2: Error -141: Table 'nope' not found (42W33)\n"
              "s.sql:3: error: no value for parameter :x (give --param x=VALUE, or \\param x=VALUE)\n"
              "s.sql:4: error: Connection lost (code -101)\n");
    EXPECT_THAT(backend.Calls, ElementsAre("Execute(select 1)", "Execute(select * from nope)",
                                           "Execute(select lost)", "Execute(select 2)"));
    EXPECT_EQ(shell->ExitStatus(), ExitOk);
}

TEST_F(ShellTest, BailStopsAtTheFirstFailureWithStatusOne) {
    options.Bail = true;
    backend.Failures.emplace("Execute", BackendError("Error -131: Syntax error near 'x' (42000)", -131));
    EXPECT_EQ(Make().RunText("s.sql", "selec x;\nselect 2;"), Shell::Flow::Stop);
    EXPECT_THAT(backend.Calls, ElementsAre("Execute(selec x)"));
    EXPECT_EQ(shell->ExitStatus(), ExitStatementFailed);

    // A command that fails counts the same.
    backend.Calls.clear();
    backend.Failures.clear();
    backend.Failures.emplace("ListTables", BackendError("Error -101: Not connected (08003)", -101));
    EXPECT_EQ(Make().RunText("s.sql", "\\tables\nselect 2;"), Shell::Flow::Stop);
    EXPECT_THAT(backend.Calls, ElementsAre("ListTables()"));
    EXPECT_EQ(shell->ExitStatus(), ExitStatementFailed);
}

TEST_F(ShellTest, UnterminatedInputIsReportedAndNotRun) {
    Make().RunText("s.sql", "select 1;\nselect 'oops;\n");
    EXPECT_EQ(
        err.str(),
        "s.sql:2: error: unterminated quoted text at the end of the input; the statement did not run\n");
    EXPECT_THAT(backend.Calls, ElementsAre("Execute(select 1)"));
    EXPECT_EQ(shell->ExitStatus(), ExitOk);
    options.Bail = true;
    Make().RunText("s.sql", "select 1 /* open");
    EXPECT_EQ(shell->ExitStatus(), ExitStatementFailed);
}

TEST_F(ShellTest, ParameterValuesReachTheBackendInMarkerOrder) {
    options.Params.Set(ParseParam("id:int=7"));
    options.Params.Set(ParseParam("name=bob"));
    Shell& sh = Make();
    sh.RunText("s.sql", "update t set name = :name where id = :id or parent = :ID;\n"
                        "\\param name:null\n"
                        "update t set name = :name where id = :id;\n"
                        "\\unparam id\n"
                        "select :id;\n"
                        "\\param d:date=2024-01-31\n"
                        "\\param");
    EXPECT_THAT(
        backend.Calls,
        ElementsAre(
            "Execute(update t set name = :name where id = :id or parent = :ID [name='bob',id=7,ID=7])",
            "Execute(update t set name = :name where id = :id [name=NULL,id=7])"));
    EXPECT_THAT(err.str(), HasSubstr("s.sql:5: error: no value for parameter :id"));
    EXPECT_THAT(out.str(), HasSubstr("| name | null | NULL       |\n| d    | date | 2024-01-31 |\n"));
    sh.RunText("s.sql", "\\unparam nothere\n\\param 9=1");
    EXPECT_THAT(err.str(), HasSubstr("s.sql:1: error: \\unparam: no value for :nothere was set"));
    EXPECT_THAT(err.str(), HasSubstr("s.sql:2: error: parameter '9=1': expected NAME[:TYPE]=VALUE"));
}

TEST_F(ShellTest, TimingOnAndOff) {
    Make().RunText(
        "s.sql",
        "\\timing on\ninsert into t values (1);\n\\timing off\ninsert into t values (2);\n\\timing\n");
    std::regex expected("timing is on\n1 row affected\nTime: [0-9]+\\.[0-9]{3} ms\ntiming is off\n1 row "
                        "affected\ntiming is on\n");
    EXPECT_TRUE(std::regex_match(out.str(), expected)) << out.str();
    options.Timing = true;
    out.str("");
    Make().RunText("s.sql", "select 1;");
    EXPECT_TRUE(
        std::regex_match(out.str(), std::regex(std::regex_replace(TwoRows, std::regex("[|+()]"), "\\$&") +
                                               "Time: [0-9]+\\.[0-9]{3} ms\n")))
        << out.str();
}

TEST_F(ShellTest, ServerMessagesPrintAsTheyArrive) {
    backend.OnExecute = [this](std::string_view, std::span<const BoundParam>) {
        backend.Message(MessageKind::Info, 0, "hello");
        backend.Message(MessageKind::Warning, 100, "careful");
        return ExecResult{TextRows({"a", "b"}), -1};
    };
    Make().RunText("s.sql", "call p()");
    EXPECT_EQ(out.str(), "hello\nwarning: careful\n" + TwoRows);
    options.Format.Format = OutputFormat::Csv;
    out.str("");
    Make().RunText("s.sql", "call p()");
    EXPECT_EQ(out.str(), "v\r\na\r\nb\r\n");
    EXPECT_EQ(err.str(), "hello\nwarning: careful\n");
}

TEST_F(ShellTest, CommandsDispatchToTheBackend) {
    Shell& sh = Make();
    sh.RunText("s.sql", "\\tables\n"
                        "\\columns \"order lines\"\n"
                        "\\option row_counts\n"
                        "\\option isolation_level 1\n"
                        "\\ping eng=other;links=all\n"
                        "\\startdb dbf=/x/y.db\n"
                        "\\stopdb\n"
                        "\\servers\n"
                        "\\explain select * from t where id = :id;\n");
    EXPECT_THAT(backend.Calls,
                ElementsAre("ListTables()", "ListColumns(order lines)", "GetOption(row_counts)",
                            "SetOption(isolation_level,1)", "Ping(eng=other;links=all)",
                            "StartDatabase(dbf=/x/y.db)", "StopDatabase()", "LocateServers()"));
    // \explain found a marker without a value and did not reach the backend.
    EXPECT_THAT(err.str(), HasSubstr("s.sql:9: error: no value for parameter :id"));
    std::string o = out.str();
    EXPECT_THAT(o, HasSubstr("| orders  | table |\n| v_sales | view  |\n+---------+-------+\n(2 rows)\n"));
    EXPECT_THAT(o, HasSubstr("| id   | integer | false    |\n"));
    EXPECT_THAT(o, HasSubstr("| row_counts | ON    |\n"));
    EXPECT_THAT(
        o, HasSubstr(
               "option isolation_level set to 1\nthe server answers\ndatabase started\ndatabase stopped\n"));
    EXPECT_THAT(o, HasSubstr("| alpha | 10.0.0.1 | 2638 |\n| beta  | 10.0.0.2 | 2639 |\n"));

    out.str("");
    sh.RunText(
        "s.sql",
        "\\param id:int=3\n\\explain select * from t where id = :id\n\\format json\n\\explain select 1;\n");
    EXPECT_EQ(backend.Calls.back(), "Explain(select 1)");
    EXPECT_EQ(out.str(), "scan t\nindex i\n[\n{\"plan\":\"scan t\\nindex i\"}\n]\n");
    EXPECT_THAT(err.str(), HasSubstr("output format is json\n"));
    EXPECT_EQ(backend.Calls[backend.Calls.size() - 2], "Explain(select * from t where id = :id [id=3])");
}

TEST_F(ShellTest, InfoShowsTheConnectionButNeverThePassword) {
    settings.DatabaseFile = "/data/sales.db";
    settings.User = "dba";
    settings.Password = Secret("Sekr3t!");
    settings.ConnectionString = "eng=e1;uid=dba;PWD=Sekr3t!;links=tcpip";
    Make().RunText("s.sql", "\\info");
    std::string o = out.str();
    EXPECT_THAT(o, HasSubstr("| backend           | test backend"));
    EXPECT_THAT(o, HasSubstr("| engine version    | 9.0.1"));
    EXPECT_THAT(o, HasSubstr("| database file     | /data/sales.db"));
    EXPECT_THAT(o, HasSubstr("| connection string | eng=e1;uid=dba;PWD=***;links=tcpip |"));
    EXPECT_THAT(o, Not(HasSubstr("Sekr3t!")));
    // Not connected: the settings, without asking the backend for information.
    backend.IsConnected = false;
    backend.Calls.clear();
    out.str("");
    Make().RunText("s.sql", "\\info");
    EXPECT_THAT(out.str(), HasSubstr("| connected         | no "));
    EXPECT_TRUE(backend.Calls.empty());
}

TEST_F(ShellTest, ThePasswordNeverAppearsInAnyMessage) {
    settings.Password = Secret("Sekr3t!");
    backend.OnExecute = [this](std::string_view sql, std::span<const BoundParam>) -> ExecResult {
        backend.Message(MessageKind::Info, 0, "connecting with Sekr3t!");
        if (sql == "bad")
            throw BackendError("Error -103: Invalid user ID or password: uid=dba;pwd=Sekr3t!", -103);
        throw BackendError("login failed for Sekr3t!", 0);
    };
    Shell& sh = Make();
    sh.RunText("s.sql", "bad; other");
    sh.Diagnostic("could not connect with Sekr3t!");
    std::string all = out.str() + err.str();
    EXPECT_THAT(all, Not(HasSubstr("Sekr3t")));
    EXPECT_THAT(err.str(), HasSubstr("s.sql:1: Error -103: Invalid user ID or password: uid=dba;pwd=***\n"));
    EXPECT_THAT(err.str(), HasSubstr("error: login failed for ***\n"));
    EXPECT_THAT(out.str(), HasSubstr("connecting with ***\n"));
}

TEST_F(ShellTest, BackupMakesTheFolderAndDrawsProgressOnlyOnATerminal) {
    tnxtest::TempDir dir;
    const std::string target = dir.File("nested/backup");
    Make(/*progress=*/true).RunText("s.sql", "\\backup " + target + " rename-log");
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_THAT(backend.Calls, ElementsAre("Backup(" + target + ",2)"));
    EXPECT_THAT(err.str(),
                HasSubstr("\rbackup db.db  [##############################] 100%  4/4 pages\x1b[K"));
    EXPECT_THAT(err.str(), HasSubstr("\rbackup db.log  ["));
    EXPECT_EQ(err.str().substr(err.str().size() - 4), "\r\x1b[K"); // the line is cleared at the end
    EXPECT_EQ(out.str(), "backup written to " + target + "\n");

    err.str("");
    Make(/*progress=*/false).RunText("s.sql", "\\backup '" + target + "'");
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(backend.Calls.back(), "Backup(" + target + ",0)");

    std::ofstream(dir.File("plain")) << "x";
    Make().RunText("s.sql", "\\backup " + dir.File("plain") + "\n\\backup " + target + " sideways");
    EXPECT_THAT(err.str(), HasSubstr("s.sql:1: error: \\backup: " + dir.File("plain") + " is not a folder"));
    EXPECT_THAT(err.str(), HasSubstr("s.sql:2: error: \\backup: unknown kind 'sideways'"));
    EXPECT_EQ(backend.Calls.size(), 2u);
}

TEST_F(ShellTest, ProgressTexts) {
    using std::chrono::milliseconds;
    EXPECT_EQ(ProgressDisplay::BarText("f.db", 200, 50, 10), "backup f.db  [##........]  25%  50/200 pages");
    EXPECT_EQ(ProgressDisplay::BarText("f.db", 0, 0, 4), "backup f.db  [####] 100%  0/0 pages");
    EXPECT_EQ(ProgressDisplay::ElapsedText(milliseconds(12345)), "running 12.3 s  (Ctrl-C cancels)");
    // The elapsed time shows once a second has passed, and not more than ten times a second.
    std::ostringstream s;
    auto t0 = std::chrono::steady_clock::time_point{};
    auto now = t0;
    ProgressDisplay p(s, true, [&] { return now; });
    p.StartRequest();
    now = t0 + milliseconds(900);
    p.Waiting();
    EXPECT_EQ(s.str(), "");
    now = t0 + milliseconds(1000);
    p.Waiting();
    now = t0 + milliseconds(1050);
    p.Waiting();
    EXPECT_EQ(s.str(), "\rrunning 1.0 s  (Ctrl-C cancels)\x1b[K");
    now = t0 + milliseconds(1100);
    p.Waiting();
    p.Clear();
    EXPECT_EQ(s.str(),
              "\rrunning 1.0 s  (Ctrl-C cancels)\x1b[K\rrunning 1.1 s  (Ctrl-C cancels)\x1b[K\r\x1b[K");
    std::ostringstream off;
    ProgressDisplay q(off, false, [&] { return now + std::chrono::hours(1); });
    q.StartRequest();
    q.Waiting();
    q.Backup("x", 1, 1);
    q.Clear();
    EXPECT_EQ(off.str(), "");
}

TEST_F(ShellTest, TransactionsShowInThePromptAndAreRolledBackAtTheEnd) {
    Shell& sh = Make();
    EXPECT_EQ(sh.Prompt(), "tnxsql> ");
    sh.FeedLine("\\begin");
    EXPECT_EQ(sh.Prompt(), "tnxsql*> ");
    sh.FeedLine("\\commit");
    EXPECT_EQ(sh.Prompt(), "tnxsql> ");
    sh.FeedLine("\\begin");
    sh.FeedLine("\\rollback");
    sh.FeedLine("\\begin");
    sh.Finish();
    EXPECT_THAT(backend.Calls, ElementsAre("Begin()", "Commit()", "Begin()", "Rollback()", "Begin()",
                                           "Rollback()", "Disconnect()"));
    EXPECT_EQ(out.str(),
              "transaction started\ncommitted\ntransaction started\nrolled back\ntransaction started\n");
    EXPECT_EQ(err.str(), "tnxsql: the open transaction was rolled back\n");
}

TEST_F(ShellTest, InteractiveLinesPromptsAndHistoryEntries) {
    std::vector<std::string> entries;
    Shell& sh = Make();
    sh.SetHistorySink([&](std::string_view e) { entries.emplace_back(e); });
    sh.FeedLine("select 'a");
    EXPECT_EQ(sh.Prompt(), "      '> ");
    sh.FeedLine("b'");
    EXPECT_EQ(sh.Prompt(), "    ...> ");
    EXPECT_TRUE(backend.Calls.empty());
    sh.FeedLine(";");
    EXPECT_THAT(backend.Calls, ElementsAre("Execute(select 'a\nb')"));
    sh.FeedLine("select 1; select");
    sh.FeedLine("2;");
    sh.FeedLine("/* x");
    EXPECT_EQ(sh.Prompt(), "      *> ");
    sh.ResetInput(); // Ctrl-C
    EXPECT_EQ(sh.Prompt(), "tnxsql> ");
    sh.FeedLine("");
    sh.FeedLine("\\timing on");
    EXPECT_THAT(entries, ElementsAre("select 'a b' ;", "select 1; select 2;", "\\timing on"));
    EXPECT_EQ(sh.FeedLine("\\q"), Shell::Flow::Stop);
    EXPECT_TRUE(sh.QuitRequested());
}

TEST_F(ShellTest, QuitHelpFormatBailAndUnknownCommands) {
    Shell& sh = Make();
    EXPECT_EQ(sh.RunText("s.sql", "select 1;\n\\help\n\\format csv\nselect 2;\n\\q\nselect 3;"),
              Shell::Flow::Stop);
    EXPECT_THAT(backend.Calls, ElementsAre("Execute(select 1)", "Execute(select 2)"));
    EXPECT_THAT(out.str(), HasSubstr("\\backup FOLDER"));
    EXPECT_THAT(out.str(), HasSubstr("v\r\na\r\nb\r\n"));
    EXPECT_EQ(err.str(), "output format is csv\n");
    EXPECT_EQ(sh.ExitStatus(), ExitOk);

    err.str("");
    Make().RunText(
        "s.sql", "\\nope\n\\columns\n\\timing maybe\n\\format xml\n\\tables now\n\\include\n\\columns 'open");
    EXPECT_EQ(err.str(), "s.sql:1: error: unknown command \\nope (\\help lists the commands)\n"
                         "s.sql:2: error: usage: \\columns TABLE\n"
                         "s.sql:3: error: usage: \\timing [on|off]\n"
                         "s.sql:4: error: \\format: unknown format 'xml' (table, csv or json)\n"
                         "s.sql:5: error: usage: \\tables\n"
                         "s.sql:6: error: usage: \\include FILE\n"
                         "s.sql:7: error: unterminated quote in the arguments\n");
    err.str("");
    EXPECT_EQ(Make().RunText("s.sql", "\\bail on\nbroken 'x\n"), Shell::Flow::Stop);
    EXPECT_EQ(shell->ExitStatus(), ExitStatementFailed);
}

TEST_F(ShellTest, IncludeRunsFilesAndStopsRunawayNesting) {
    tnxtest::TempDir dir;
    std::ofstream(dir.File("a.sql")) << "select 1;\n\n\\i " << dir.File("b.sql") << "\nselect 3;\n";
    std::ofstream(dir.File("b.sql")) << "insert into t values (2);\nselect * from missing :p;\n";
    std::ofstream(dir.File("loop.sql")) << "\\include " << dir.File("loop.sql") << "\n";
    Make().RunText("s.sql", "\\include " + dir.File("a.sql") + "\n\\i " + dir.File("nothere.sql"));
    EXPECT_THAT(backend.Calls,
                ElementsAre("Execute(select 1)", "Execute(insert into t values (2))", "Execute(select 3)"));
    EXPECT_THAT(err.str(), HasSubstr(dir.File("b.sql") + ":2: error: no value for parameter :p"));
    EXPECT_THAT(err.str(),
                HasSubstr("error: cannot read " + dir.File("nothere.sql") + ": No such file or directory"));
    err.str("");
    Make().RunText("s.sql", "\\include " + dir.File("loop.sql"));
    EXPECT_THAT(err.str(), HasSubstr(dir.File("loop.sql") + ":1: error: \\include nested too deeply"));
}

TEST_F(ShellTest, StreamsRunStatementsAsTheyArrive) {
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += "insert into t values (" + std::to_string(i) + ");\n";
    text += "insert into t values ('last')";
    std::istringstream in(text);
    Make().RunStream("big.sql", in);
    ASSERT_EQ(backend.Calls.size(), 5001u);
    EXPECT_EQ(backend.Calls[4321], "Execute(insert into t values (4321))");
    EXPECT_EQ(backend.Calls.back(), "Execute(insert into t values ('last'))");
}

// Ctrl-C is a real SIGINT delivered to this process while the backend "runs" the statement; the
// shell's handler must reach the backend's RequestCancel, and the backend then fails the request.
TEST_F(ShellTest, CtrlCCancelsTheRunningStatementNotTheTool) {
    backend.OnExecute = [this](std::string_view sql, std::span<const BoundParam>) -> ExecResult {
        if (sql == "select slow") {
            std::raise(SIGINT);
            if (backend.CancelRequested.load())
                throw BackendError("Error -299: Statement interrupted by user (57014)", -299);
        }
        return ExecResult{nullptr, 1};
    };
    Shell& sh = Make();
    EXPECT_EQ(sh.FeedLine("select slow;"), Shell::Flow::Continue);
    EXPECT_TRUE(backend.CancelRequested.load());
    EXPECT_EQ(err.str(), "Error -299: Statement interrupted by user (57014)\n");
    sh.FeedLine("select 2;");
    EXPECT_THAT(backend.Calls, ElementsAre("Execute(select slow)", "Execute(select 2)"));
    EXPECT_EQ(sh.ExitStatus(), ExitOk);
}

TEST_F(ShellTest, CtrlCStopsAScriptWithStatus130) {
    backend.OnExecute = [this](std::string_view sql, std::span<const BoundParam>) -> ExecResult {
        if (sql == "select slow") {
            std::raise(SIGINT);
            if (backend.CancelRequested.load())
                throw BackendError("Error -299: Statement interrupted by user (57014)", -299);
        }
        return ExecResult{nullptr, 1};
    };
    EXPECT_EQ(Make().RunText("s.sql", "select 1; select slow; select 3;"), Shell::Flow::Stop);
    EXPECT_THAT(backend.Calls, ElementsAre("Execute(select 1)", "Execute(select slow)"));
    EXPECT_EQ(shell->ExitStatus(), ExitInterrupted);
}

TEST_F(ShellTest, CtrlCWhileRowsPrintStopsTheOutput) {
    backend.OnExecute = [](std::string_view, std::span<const BoundParam>) {
        return ExecResult{std::make_unique<GeneratedRows>(100000, 3), -1};
    };
    options.Format.HoldRows = 1;
    Shell& sh = Make();
    sh.FeedLine("select * from big;");
    EXPECT_EQ(out.str(), "+----+\n| v  |\n+----+\n| r1 |\n| r2 |\n| r3 |\n+----+\n(3 rows)\n");
    EXPECT_EQ(err.str(), "error: cancelled after 3 rows\n");
    sh.FeedLine("select 2;");
    EXPECT_EQ(backend.Calls.size(), 2u);
}

TEST(History, KeepsNothingThatCouldHoldAPassword) {
    Scrubber s(Secret("Sekr3t!"));
    EXPECT_TRUE(History::MayKeep("select * from t", s));
    EXPECT_FALSE(History::MayKeep("select 'Sekr3t!'", s));
    EXPECT_FALSE(History::MayKeep("\\ping eng=x;pwd=other", s));
    EXPECT_FALSE(History::MayKeep("grant connect to bob identified by pw", s));
    EXPECT_FALSE(History::MayKeep("alter user bob PASSWORD 'x'", s));
    EXPECT_FALSE(History::MayKeep(" select 'kept out on purpose'", s));
    EXPECT_FALSE(History::MayKeep("", s));
}

TEST(History, FileIsPrivateAndFreeOfSecrets) {
    tnxtest::TempDir dir;
    Scrubber s(Secret("Sekr3t!"));
    const std::string path = dir.File("hist");
    {
        History h(path, s);
        h.Load();
        h.Add("select 1;");
        h.Add("select 1;"); // a repeat is kept once
        h.Add("select 'Sekr3t!';");
        h.Add("create user u identified by 'x';");
        h.Add("select 2;");
        ASSERT_TRUE(h.Save());
    }
    std::ifstream in(path);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "select 1;\nselect 2;\n");
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    // Loaded again, the history goes on from the file.
    History h2(path, s);
    h2.Load();
    h2.Add("select 3;");
    ASSERT_TRUE(h2.Save());
    std::ifstream in2(path);
    std::string content2((std::istreambuf_iterator<char>(in2)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content2, "select 1;\nselect 2;\nselect 3;\n");
}

TEST_F(ShellTest, EveryCommandOfTheTableReachesItsHandler) {
    // A command listed in the help but without a handler would answer "unknown command".
    for (const CommandInfo& c : CommandTable()) {
        err.str("");
        Make().RunText("s.sql", "\\" + std::string(c.Name));
        EXPECT_THAT(err.str(), Not(HasSubstr("unknown command"))) << c.Name;
    }
}

// A Ctrl-C that arrives while output is blocked on a full pipe or terminal must not fail the
// write: a failed stream drops every later message, the statement's error among them.
TEST(Interrupt, ACtrlCDuringABlockedWriteLosesNoOutput) {
    interrupt::Install();
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    fcntl(fds[1], F_SETFL, O_NONBLOCK);
    const std::string fill(4096, 'x');
    size_t filled = 0;
    for (ssize_t n; (n = write(fds[1], fill.data(), fill.size())) > 0;)
        filled += static_cast<size_t>(n);
    fcntl(fds[1], F_SETFL, 0);
    FILE* f = fdopen(fds[1], "w");
    ASSERT_NE(f, nullptr);
    setvbuf(f, nullptr, _IONBF, 0);

    bool failed = true;
    std::thread writer([&] { failed = std::fputs("after the Ctrl-C", f) == EOF || std::ferror(f); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the writer blocks on the full pipe
    pthread_kill(writer.native_handle(), SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::string got;
    char buf[4096];
    pollfd p{fds[0], POLLIN, 0};
    while (got.size() < filled + 16 && poll(&p, 1, 1000) > 0) { // a lost write leaves nothing to read
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<size_t>(n));
    }
    writer.join();
    EXPECT_TRUE(interrupt::Pending()) << "the handler ran";
    interrupt::Clear();
    interrupt::DrainWake();
    EXPECT_FALSE(failed);
    EXPECT_EQ(got.substr(filled), "after the Ctrl-C");
    std::fclose(f);
    close(fds[0]);
}
