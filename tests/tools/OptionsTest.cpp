// The command line: what each option sets, where positional arguments go, how bad options are
// refused (the message names the problem; the program exits 2), and that --help documents every
// option and command. Also the parsing of backslash command lines.
#include "tools/tnxsql/Options.h"
#include "tools/tnxsql/Commands.h"

#include <gtest/gtest.h>

using namespace tnxsql;

namespace {

Options Parse(std::vector<std::string> args) {
    return ParseArguments(args);
}

std::string Refusal(std::vector<std::string> args) {
    try {
        ParseArguments(args);
    } catch (const UsageError& e) {
        return e.what();
    }
    return "(accepted)";
}

} // namespace

TEST(Options, ConnectionSettings) {
    Options o =
        Parse({"-e", "eng1", "--dbname=db1", "-u", "dba", "--libdir", "/opt/lib", "--create", "sales.db"});
    EXPECT_EQ(o.Connect.DatabaseFile, "sales.db");
    EXPECT_EQ(o.Connect.EngineName, "eng1");
    EXPECT_EQ(o.Connect.DatabaseName, "db1");
    EXPECT_EQ(o.Connect.User, "dba");
    EXPECT_EQ(o.Connect.LibraryDir, "/opt/lib");
    EXPECT_TRUE(o.Connect.Create);
    EXPECT_TRUE(o.Connect.Password.Empty());
    EXPECT_TRUE(o.Sources.empty());
    EXPECT_TRUE(Parse({"-P", "x.db"}).PromptPassword);
    EXPECT_EQ(Parse({"--password-file", "pw.txt", "x.db"}).PasswordFile, "pw.txt");
}

TEST(Options, PositionalArgumentsAndSourcesKeepTheirOrder) {
    Options o = Parse({"db.sqlite", "select 1", "-f", "a.sql", "select 2", "-f-", "--", "-select 3"});
    EXPECT_EQ(o.Connect.DatabaseFile, "db.sqlite");
    ASSERT_EQ(o.Sources.size(), 5u);
    EXPECT_EQ(o.Sources[0].Text, "select 1");
    EXPECT_EQ(o.Sources[1].Type, Source::Kind::File);
    EXPECT_EQ(o.Sources[1].Text, "a.sql");
    EXPECT_EQ(o.Sources[2].Text, "select 2");
    EXPECT_EQ(o.Sources[3].Text, "-");
    EXPECT_EQ(o.Sources[4].Type, Source::Kind::Sql);
    EXPECT_EQ(o.Sources[4].Text, "-select 3");
    // Once --connect or --database named the database, every argument is SQL.
    Options c = Parse({"-c", "eng=x;uid=dba", "select 1"});
    EXPECT_EQ(c.Connect.DatabaseFile, "");
    EXPECT_EQ(c.Connect.ConnectionString, "eng=x;uid=dba");
    ASSERT_EQ(c.Sources.size(), 1u);
    EXPECT_EQ(c.Sources[0].Text, "select 1");
    EXPECT_EQ(Parse({"select 1", "--database", "d.db"}).Sources.size(), 1u);
    // Options after the file still count, and a file option may come before the database.
    Options f = Parse({"-f", "x.sql", "d.db", "-b"});
    EXPECT_EQ(f.Connect.DatabaseFile, "d.db");
    EXPECT_TRUE(f.Bail);
    EXPECT_EQ(f.Sources.size(), 1u);
}

TEST(Options, OutputAndBehaviourFlags) {
    Options o =
        Parse({"-tqbi", "-Fjson", "--null", "(null)", "--max-width=0", "--no-progress", "--no-history"});
    EXPECT_TRUE(o.Timing);
    EXPECT_TRUE(o.Quiet);
    EXPECT_TRUE(o.Bail);
    EXPECT_TRUE(o.Interactive);
    EXPECT_TRUE(o.NoProgress);
    EXPECT_TRUE(o.NoHistory);
    EXPECT_EQ(o.Format.Format, OutputFormat::Json);
    EXPECT_EQ(o.Format.NullText, "(null)");
    EXPECT_EQ(o.Format.MaxWidth, 0u);
    EXPECT_EQ(Parse({"--format", "CSV"}).Format.Format, OutputFormat::Csv);
    EXPECT_EQ(Parse({"--max-width", "12"}).Format.MaxWidth, 12u);
    EXPECT_EQ(Parse({"--history", "/tmp/h"}).HistoryFile, "/tmp/h");
    EXPECT_TRUE(Parse({"-h"}).Help);
    EXPECT_TRUE(Parse({"--version"}).Version);
}

TEST(Options, ParametersAreParsedWhenGiven) {
    Options o = Parse({"--param", "id:int=42", "--param=name=o'brien", "--param", "ID:int=7"});
    ASSERT_EQ(o.Params.Items().size(), 2u); // the second id replaced the first (names ignore case)
    EXPECT_EQ(o.Params.Find("id")->Value().AsInteger(), 7);
    EXPECT_EQ(o.Params.Find("NAME")->Value().AsBytes(), "o'brien");
}

TEST(Options, BadCommandLinesAreRefusedWithAClearMessage) {
    EXPECT_EQ(Refusal({"--bogus"}), "unknown option '--bogus'");
    EXPECT_EQ(Refusal({"-y"}), "unknown option '-y'");
    EXPECT_EQ(Refusal({"-tz"}), "unknown option '-z'");
    EXPECT_EQ(Refusal({"--format"}), "option '--format' needs a value (FORMAT)");
    EXPECT_EQ(Refusal({"db", "-f"}), "option '-f' needs a value (FILE)");
    EXPECT_EQ(Refusal({"--format=xml"}), "--format: unknown format 'xml' (table, csv or json)");
    EXPECT_EQ(Refusal({"--timing=yes"}), "option '--timing' takes no value");
    EXPECT_EQ(Refusal({"--max-width", "3"}), "--max-width: '3' is not 0 or a whole number from 5");
    EXPECT_EQ(Refusal({"--max-width", "-1"}), "--max-width: '-1' is not 0 or a whole number from 5");
    EXPECT_EQ(Refusal({"--create"}), "--create needs a database file");
    EXPECT_EQ(Refusal({"-P", "--password-file", "f", "d"}),
              "--password and --password-file cannot be used together");
    EXPECT_EQ(
        Refusal({"--param", "1x=2"}),
        "--param: parameter '1x=2': expected NAME[:TYPE]=VALUE, NAME being letters, digits and underscores");
    EXPECT_EQ(Refusal({"--param", "n:int=4x"}),
              "--param: parameter n: '4x' is not a 64-bit integer (type int)");
}

TEST(Options, APasswordIsNeverTakenFromTheCommandLine) {
    // Refused, and the refusal does not repeat the value.
    std::string msg = Refusal({"--password=Sekr3t", "db"});
    EXPECT_EQ(msg.find("Sekr3t"), std::string::npos);
    EXPECT_NE(msg.find("takes no value"), std::string::npos);
    // A separate word after --password is the database, not the password.
    Options o = Parse({"--password", "db.sqlite"});
    EXPECT_TRUE(o.PromptPassword);
    EXPECT_EQ(o.Connect.DatabaseFile, "db.sqlite");
}

TEST(Options, HelpDocumentsEveryOptionCommandAndExitStatus) {
    std::string help = HelpText();
    for (const std::string& name : OptionNames())
        EXPECT_NE(help.find("--" + name), std::string::npos) << name;
    for (const CommandInfo& c : CommandTable())
        EXPECT_NE(help.find("\\" + std::string(c.Name)), std::string::npos) << c.Name;
    for (const char* status : {"\n  0 ", "\n  1 ", "\n  2 ", "\n  3 ", "\n  130 "})
        EXPECT_NE(help.find(status), std::string::npos) << status;
    for (const char* line : {"-f, --file FILE", "-F, --format FORMAT", "\\backup FOLDER"})
        EXPECT_NE(help.find(line), std::string::npos) << line;
    // Lines fit a terminal of 80 columns, in --help and in \help.
    for (const std::string& text : {help, CommandHelpText()}) {
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
            start = end + 1;
        }
    }
}

TEST(Options, ReadOnlyDigitsExpandedPagerEcho) {
    Options o = Parse({"--readonly", "--digits", "15", "-x", "--no-pager", "--echo", "db"});
    EXPECT_TRUE(o.Connect.ReadOnly);
    EXPECT_EQ(o.Format.FloatDigits, 15);
    EXPECT_EQ(o.Format.Expanded, ExpandedMode::On);
    EXPECT_TRUE(o.NoPager);
    EXPECT_TRUE(o.Echo);
    EXPECT_EQ(Parse({"db"}).Format.FloatDigits, 0);
    EXPECT_EQ(Parse({"db"}).Format.Expanded, ExpandedMode::Auto);
    EXPECT_EQ(Refusal({"--digits", "18", "db"}), "--digits: '18' is not a whole number from 1 to 17");
    EXPECT_EQ(Refusal({"--digits=x", "db"}), "--digits: 'x' is not a whole number from 1 to 17");
    EXPECT_EQ(Refusal({"--readonly", "--create", "db"}), "--create and --readonly cannot be used together");
}

TEST(Options, CreateRefusesSqlWhereTheFileNameBelongs) {
    EXPECT_EQ(Refusal({"--create", "SELECT 1"}),
              "--create: 'SELECT 1' looks like SQL, not a file name; name the new database file first: tnxsql "
              "--create FILE [SQL ...]");
    EXPECT_EQ(Refusal({"--create", "create table t(a int)"}).rfind("--create: 'create table", 0), 0u);
    // A file name, even an odd one, is taken; so is SQL after the file.
    EXPECT_EQ(Parse({"--create", "select.db", "SELECT 1"}).Connect.DatabaseFile, "select.db");
    EXPECT_EQ(Parse({"--create", "my shop.db"}).Connect.DatabaseFile, "my shop.db");
    // Without --create nothing is made, and the text is left to fail as a missing file.
    EXPECT_EQ(Parse({"SELECT 1"}).Connect.DatabaseFile, "SELECT 1");
}

TEST(Commands, NamesAliasesAndArguments) {
    EXPECT_EQ(FindCommand("q"), FindCommand("quit"));
    EXPECT_EQ(FindCommand("EXIT"), FindCommand("quit"));
    EXPECT_EQ(FindCommand("i"), FindCommand("include"));
    EXPECT_EQ(FindCommand("nope"), nullptr);
    CommandLine l = ParseCommandLine("  \\option   row_counts   ON  ");
    EXPECT_EQ(l.Name, "option");
    EXPECT_EQ(l.Rest, "row_counts   ON");
    EXPECT_EQ(SplitWords("a  'b c' \"d \"\"e\"\"\" f''g"),
              (std::vector<std::string>{"a", "b c", "d \"e\"", "fg"}));
    EXPECT_EQ(SplitWords("'it''s'"), (std::vector<std::string>{"it's"}));
    EXPECT_TRUE(SplitWords("   ").empty());
    EXPECT_THROW(SplitWords("'open"), std::invalid_argument);
}
