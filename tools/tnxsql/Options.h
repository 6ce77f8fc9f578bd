// The command line of tnxsql: what it may hold, how it is parsed, the help text and the exit
// statuses.
//
//   tnxsql [options] [database-file] [SQL ...]
//
// The first argument that is no option names the database file, unless --database or --connect
// already named the database; the remaining ones are SQL text. SQL arguments and -f files run in the
// order given. Options and arguments may be mixed; "--" ends the options.
#pragma once

#include "tools/tnxsql/Backend.h"
#include "tools/tnxsql/Params.h"
#include "tools/tnxsql/ResultWriter.h"

#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tnxsql {

// Exit statuses of the program.
enum ExitStatus : int {
    ExitOk = 0,              // everything ran (statement errors without --bail are only reported)
    ExitStatementFailed = 1, // a statement or command failed under --bail
    ExitUsage = 2,           // bad options, or an input file that cannot be read
    ExitConnect = 3,         // the database could not be opened (or no backend is built in)
    ExitInterrupted = 130,   // Ctrl-C stopped a run that was not interactive
};

// A bad command line; the message says what is wrong (without the program name).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where statements come from, in command-line order.
struct Source {
    enum class Kind : uint8_t { Sql, File } Type = Kind::Sql;
    std::string Text; // the SQL, or the file name ("-" for standard input)
};

struct Options {
    ConnectSettings Connect;     // everything but the password, which is read after parsing
    bool PromptPassword = false; // --password: ask on the terminal
    std::string PasswordFile;    // --password-file
    std::vector<Source> Sources;
    ParamSet Params;
    FormatOptions Format;
    bool Interactive = false; // -i: read statements interactively after the sources
    bool Timing = false;
    bool Quiet = false;
    bool Bail = false;
    bool NoProgress = false;
    bool NoPager = false; // never page long tables on a terminal
    bool Echo = false;    // print each statement before its result
    std::string HistoryFile; // empty: ~/.tnxsql_history
    bool NoHistory = false;
    bool Help = false;
    bool Version = false;
};

// Parses the arguments after the program name. Throws UsageError.
Options ParseArguments(std::span<const std::string> args);

// The text of --help: every option, every command, the exit statuses.
std::string HelpText();

// The long names of every option (for tests and the help text's completeness).
std::vector<std::string> OptionNames();

} // namespace tnxsql
