// The backslash commands of the shell: their table (names, arguments, help) and the parsing of a
// command line into a name and arguments. The shell (Shell.cpp) carries them out.
#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tnxsql {

// A command used wrongly; reported like any failure.
class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CommandInfo {
    std::string_view Name;    // without the backslash
    std::string_view Aliases; // other names, blank-separated ("q" for quit), may be empty
    std::string_view Args;    // argument synopsis for the help
    std::string_view Help;    // one line
};

// Every command, in the order the help lists them.
std::span<const CommandInfo> CommandTable();

// The command of this name or alias (without the backslash, any letter case); null if none.
const CommandInfo* FindCommand(std::string_view name);

// The commands part of the help text.
std::string CommandHelpText();

// One entry of a help text: `head` in a column of its own, `text` beside it, wrapped to fit 80
// columns (a head too wide for its column puts the text on the next line).
std::string HelpEntry(std::string head, std::string_view text);

// A command line cut into its name and the text after it.
struct CommandLine {
    std::string Name; // without the backslash
    std::string Rest; // the rest of the line, blanks trimmed
};
CommandLine ParseCommandLine(std::string_view text);

// Words of a command's arguments: separated by blanks; '...' or "..." keep blanks inside a word
// (a doubled quote inside stands for one). Throws std::invalid_argument on an open quote.
std::vector<std::string> SplitWords(std::string_view text);

} // namespace tnxsql
