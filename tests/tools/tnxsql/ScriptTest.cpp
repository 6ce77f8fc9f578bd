// tnxsql running scripts on real databases: queries and errors with and without --bail, each output
// format checked to the byte, host-variable values, server messages in order, transactions, the
// session's services, and a backup whose copy opens on its own.
#include "Program.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using tnxsqltest::Outcome;
using tnxsqltest::ReadFile;
using tnxsqltest::RunProgram;

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A database in a temporary folder, with a table of people: a NULL, a text with a comma and
// quotes, a date, a long text and an integer past 32 bits.
class Script : public ::testing::Test {
protected:
    void SetUp() override {
        Db = Dir.File("people.db");
        Outcome o = RunProgram({"--quiet", "--create", Db,
                                "create table person(id int primary key, name varchar(30), born date, "
                                "note long varchar, score double)",
                                "insert into person values (1, 'Ann', '1990-05-17', NULL, 1.5)",
                                "insert into person values (2, 'Bo, \"the\" Smith', NULL, '" +
                                    std::string(60, 'x') + "', NULL)"});
        ASSERT_EQ(o.Status, 0) << o.Err;
        ASSERT_EQ(o.Err, "");
    }

    Outcome Run(std::vector<std::string> args, const std::string& input = "") {
        args.insert(args.begin(), Db);
        return RunProgram(std::move(args), input, Dir.Path());
    }

    tnxtest::TempDir Dir;
    std::string Db;
};

// The seconds a script summary at the end of `out` reports ("... failed (0.012 s)\n").
std::string Seconds(const std::string& out) {
    const size_t open = out.rfind('('), close = out.rfind(" s)");
    return open == std::string::npos || close == std::string::npos || close < open
               ? std::string("?")
               : out.substr(open + 1, close - open - 1);
}

} // namespace

TEST_F(Script, QueriesAndErrorsRunOnAndBailStops) {
    const std::string script = "select id, name from person order by id;\n"
                               "insert into person values (1, 'again', null, null, null);\n"
                               "update person set score = 2 where id = 1;\n"
                               "select score from nosuch;\n"
                               "select score from person where id = 1;\n";
    std::ofstream(Dir.File("run.sql")) << script;

    Outcome on = Run({"-f", Dir.File("run.sql")});
    EXPECT_EQ(on.Status, 0);
    EXPECT_EQ(on.Out, "+----+-----------------+\n"
                      "| id | name            |\n"
                      "+----+-----------------+\n"
                      "|  1 | Ann             |\n"
                      "|  2 | Bo, \"the\" Smith |\n"
                      "+----+-----------------+\n"
                      "(2 rows)\n"
                      "1 row affected\n"
                      "+-------+\n"
                      "| score |\n"
                      "+-------+\n"
                      "|     2 |\n"
                      "+-------+\n"
                      "(1 row)\n" +
                          Dir.File("run.sql") + ": 5 statements, 2 failed (" + Seconds(on.Out) + " s)\n");
    EXPECT_EQ(on.Err, Dir.File("run.sql") +
                          ":2: Error -193: Primary key for table 'person' is not unique (23W01)\n" +
                          Dir.File("run.sql") + ":4: Error -141: Table 'nosuch' not found (42W33)\n");

    // Under --bail the first failure stops the run with status 1: the update after it never ran.
    Outcome bail = Run({"--bail", "-f", Dir.File("run.sql"), "update person set score = 3 where id = 1"});
    EXPECT_EQ(bail.Status, 1);
    EXPECT_EQ(bail.Err,
              Dir.File("run.sql") + ":2: Error -193: Primary key for table 'person' is not unique (23W01)\n");
    Outcome score = Run({"-F", "csv", "select score from person where id = 1"});
    EXPECT_EQ(score.Out, "score\r\n2\r\n");
}

TEST_F(Script, EchoAndACommandOnAContinuationLine) {
    std::ofstream(Dir.File("c.sql")) << "select name\n\\tables\nfrom person where id = 1;\n";
    Outcome o = Run({"--echo", "-F", "csv", "-f", Dir.File("c.sql")});
    EXPECT_EQ(o.Status, 0) << o.Err;
    // The command is neither run (no list of tables) nor taken into the statement.
    EXPECT_EQ(o.Out, "name\r\nAnn\r\n");
    // The refusal comes as the line is read, before the statement ends; it counts as a failure.
    EXPECT_EQ(o.Err, Dir.File("c.sql") +
                         ":2: error: \\tables was left out: a command cannot be given inside a statement (end the "
                         "statement with ';' first)\nselect name\n\nfrom person where id = 1;\n" +
                         Dir.File("c.sql") + ": 2 statements, 1 failed (" + Seconds(o.Err) + " s)\n");
}

TEST_F(Script, EveryOutputFormat) {
    const std::string query = "select id, name, born, note, score from person order by id";
    Outcome table = Run({"--max-width", "12", query});
    EXPECT_EQ(table.Status, 0) << table.Err;
    EXPECT_EQ(table.Out, "+----+--------------+------------+--------------+-------+\n"
                         "| id | name         | born       | note         | score |\n"
                         "+----+--------------+------------+--------------+-------+\n"
                         "|  1 | Ann          | 1990-05-17 | NULL         |   1.5 |\n"
                         "|  2 | Bo, \"the\"... | NULL       | xxxxxxxxx... |  NULL |\n"
                         "+----+--------------+------------+--------------+-------+\n"
                         "(2 rows)\n");

    // CSV: lines end in CR LF, quoted where needed, NULL empty, values whole.
    Outcome csv = Run({"--format", "csv", query});
    EXPECT_EQ(csv.Status, 0) << csv.Err;
    EXPECT_EQ(csv.Out, "id,name,born,note,score\r\n"
                       "1,Ann,1990-05-17,,1.5\r\n"
                       "2,\"Bo, \"\"the\"\" Smith\",," +
                           std::string(60, 'x') + ",\r\n");
    EXPECT_EQ(csv.Err, "");

    // JSON: numbers as numbers, NULL as null, text escaped, values whole.
    Outcome json = Run({"--format=json", query});
    EXPECT_EQ(json.Status, 0) << json.Err;
    EXPECT_EQ(json.Out, "[\n"
                        "{\"id\":1,\"name\":\"Ann\",\"born\":\"1990-05-17\",\"note\":null,\"score\":1.5},\n"
                        "{\"id\":2,\"name\":\"Bo, \\\"the\\\" Smith\",\"born\":null,\"note\":\"" +
                            std::string(60, 'x') +
                            "\",\"score\":null}\n"
                            "]\n");

    // An empty result still names its columns (or is an empty array).
    EXPECT_EQ(Run({"-F", "csv", "select id from person where id < 0"}).Out, "id\r\n");
    EXPECT_EQ(Run({"-F", "json", "select id from person where id < 0"}).Out, "[]\n");
    EXPECT_EQ(Run({"select id from person where id < 0"}).Out, "+----+\n| id |\n+----+\n+----+\n(0 rows)\n");
}

TEST_F(Script, HostVariableValuesFromParameters) {
    // Typed values, a marker used twice, NULL, and an integer wider than 32 bits.
    Outcome ins = Run({"--param", "id:int=3", "--param", "name=O'Hara", "--param", "born:date=2001-02-03",
                       "--param", "score:float=0.25", "--param",
                       "note:null=", "insert into person values (:id, :name, :born, :note, :score)",
                       "select id, name, born, note, score, :id + 1 as next from person where id = :id"});
    EXPECT_EQ(ins.Status, 0) << ins.Err;
    EXPECT_EQ(ins.Out, "1 row affected\n"
                       "+----+--------+------------+------+-------+------+\n"
                       "| id | name   | born       | note | score | next |\n"
                       "+----+--------+------------+------+-------+------+\n"
                       "|  3 | O'Hara | 2001-02-03 | NULL |  0.25 |    4 |\n"
                       "+----+--------+------------+------+-------+------+\n"
                       "(1 row)\n");
    Outcome wide = Run({"-F", "csv", "--param", "big:int=5000000000", "select :big as big"});
    EXPECT_EQ(wide.Out, "big\r\n5000000000\r\n") << wide.Err;

    // A marker without a value is refused before the statement runs (nothing changes).
    Outcome missing = Run({"delete from person where id = :who"});
    EXPECT_EQ(missing.Status, 0);
    EXPECT_TRUE(Contains(missing.Err, ":who")) << missing.Err;
    EXPECT_EQ(Run({"-F", "csv", "select count(*) as n from person"}).Out, "n\r\n3\r\n");
}

TEST_F(Script, ServerMessagesArriveInOrderAndWarningsDoNotFail) {
    Outcome o = Run(
        {"message 'first' type info to client", "select 1 as one", "message 'second' type info to client"});
    EXPECT_EQ(o.Status, 0) << o.Err;
    // The message is the statement's output: no count follows it.
    EXPECT_EQ(o.Out, "first\n+-----+\n| one |\n+-----+\n|   1 |\n+-----+\n(1 row)\nsecond\n");
    // In csv the data stays clean: messages and counts go to the error stream.
    Outcome csv = Run({"-F", "csv", "message 'note' type info to client", "select 1 as one"});
    EXPECT_EQ(csv.Out, "one\r\n1\r\n");
    EXPECT_EQ(csv.Err, "note\n");
}

TEST_F(Script, TransactionsCommitOrRollBack) {
    Outcome o = Run({"\\begin", "delete from person", "\\rollback", "\\begin",
                     "delete from person where id = 2", "\\commit", "\\begin", "delete from person"});
    EXPECT_EQ(o.Status, 0) << o.Err;
    EXPECT_EQ(o.Out,
              "transaction started\n2 rows affected\nrolled back\ntransaction started\n1 row affected\n"
              "committed\ntransaction started\n1 row affected\n");
    // The transaction left open at the end is rolled back, and the user is told.
    EXPECT_EQ(o.Err, "tnxsql: the open transaction was rolled back\n");
    EXPECT_EQ(Run({"-F", "csv", "select id from person"}).Out, "id\r\n1\r\n");
    // Without \begin each statement commits on its own: a failure later does not undo it.
    Outcome auto_ = Run({"delete from person", "select * from nosuch"});
    EXPECT_EQ(auto_.Out, "1 row affected\n");
    EXPECT_EQ(Run({"-F", "csv", "select count(*) as n from person"}).Out, "n\r\n0\r\n");
}

TEST_F(Script, CatalogueOptionsInfoAndExplain) {
    Outcome o = Run({"-F", "csv", "create view adults as select * from person", "\\tables",
                     "\\columns person", "\\option blocking", "\\option blocking off", "\\option blocking",
                     "\\info", "\\explain select name from person where id = 1", "\\columns nosuch"});
    EXPECT_EQ(o.Status, 0);
    EXPECT_TRUE(Contains(o.Out, "name,kind\r\nadults,view\r\nperson,table\r\n")) << o.Out;
    EXPECT_TRUE(Contains(o.Out, "name,type,nullable,key,default\r\n"
                                "id,INT,false,true,\r\n"
                                "name,varchar(30),true,false,\r\n"
                                "born,date,true,false,\r\n"
                                "note,long varchar,true,false,\r\n"
                                "score,double,true,false,\r\n"))
        << o.Out;
    EXPECT_TRUE(Contains(o.Out, "option,value\r\nblocking,ON\r\n")) << o.Out;
    EXPECT_TRUE(Contains(o.Out, "option,value\r\nblocking,off\r\n")) << o.Out;
    EXPECT_TRUE(Contains(o.Out, "engine name,people\r\ndatabase name,people\r\n")) << o.Out;
    EXPECT_TRUE(Contains(o.Out, "plan\r\nSEARCH person USING")) << o.Out;
    EXPECT_TRUE(Contains(o.Err, "no table or view named 'nosuch'")) << o.Err;
}

TEST_F(Script, ServersAnswerAndAreFound) {
    Outcome o = Run({"-F", "csv", "\\ping", "\\ping eng=nosuch", "\\servers"});
    EXPECT_EQ(o.Status, 0);
    // This program's own engine, named after the file, answers and is found.
    EXPECT_TRUE(Contains(o.Err, "the server answers\n")) << o.Err;
    EXPECT_TRUE(Contains(o.Err, "argument 2:1: Error -100: Database server not running: nosuch (08W01)\n"))
        << o.Err;
    EXPECT_TRUE(Contains(o.Out, "name,address,port\r\npeople,")) << o.Out;
}

TEST_F(Script, ABackupWhoseCopyOpens) {
    Outcome b =
        Run({"\\backup " + Dir.File("copy"), "insert into person values (9, 'after', null, null, null)"});
    EXPECT_EQ(b.Status, 0) << b.Err;
    EXPECT_EQ(b.Out, "backup written to " + Dir.File("copy") + "\n1 row affected\n");
    ASSERT_TRUE(std::filesystem::exists(Dir.File("copy/people.db")));

    // The copy is a database of its own, with the rows as they were at the backup.
    Outcome copy = RunProgram(
        {"-F", "csv", Dir.File("copy/people.db"), "select id, name from person order by id"}, "", Dir.Path());
    EXPECT_EQ(copy.Status, 0) << copy.Err;
    EXPECT_EQ(copy.Out, "id,name\r\n1,Ann\r\n2,\"Bo, \"\"the\"\" Smith\"\r\n");

    // A backup into a file that is not a folder fails, and says why.
    std::ofstream(Dir.File("plain")) << "x";
    Outcome bad = Run({"--bail", "\\backup " + Dir.File("plain")});
    EXPECT_EQ(bad.Status, 1);
    EXPECT_TRUE(Contains(bad.Err, "is not a folder")) << bad.Err;
}

TEST_F(Script, StartAndStopDatabasesOnTheRunningEngine) {
    const std::string other = Dir.File("other.db");
    ASSERT_EQ(RunProgram({"--create", other}).Status, 0);
    Outcome o = Run({"\\startdb dbf=" + other, "\\startdb dbf=" + other, "\\stopdb dbf=" + other,
                     "\\stopdb dbf=" + other, "\\stopdb"});
    EXPECT_EQ(o.Status, 0);
    EXPECT_EQ(o.Out, "database started\ndatabase stopped\n");
    // Started twice: the name is taken; stopped twice: it is gone; the tool's own database is in use.
    EXPECT_EQ(o.Err, "argument 2:1: Error -77: Database name not unique: other (08W07)\n"
                     "argument 4:1: Error -83: Specified database not found: other (08W09)\n"
                     "argument 5:1: Error -75: Request to start/stop database denied: other connections use "
                     "database people (08W05)\n");
    // The tool's database was not stopped under it.
    EXPECT_EQ(Run({"-F", "csv", "\\stopdb", "select count(*) as n from person"}).Out, "n\r\n2\r\n");
}

TEST_F(Script, BinaryAndEmptyValuesKeepTheirLengthAndStayApartFromNull) {
    Outcome o =
        Run({"-F", "csv", "create table raw(b long binary, c binary(10), t long varchar, v varchar(5))",
             "insert into raw values (X'414243', X'4142', 'x', 'y')",
             "insert into raw values (X'', X'', '', '')", "insert into raw values (null, null, null, null)",
             "select b, c, substr(b, 2) as tail, t, v from raw"});
    EXPECT_EQ(o.Status, 0) << o.Err;
    // A two-byte value of a ten-byte column is two bytes long; empty values are empty, not NULL
    // (the tail of an empty value is NULL in the database itself).
    EXPECT_EQ(o.Out, "b,c,tail,t,v\r\n"
                     "0x414243,0x4142,0x4243,x,y\r\n"
                     "0x,0x,,\"\",\"\"\r\n"
                     ",,,,\r\n");
}
