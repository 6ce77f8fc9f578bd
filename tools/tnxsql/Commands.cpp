// Command table and command-line parsing.
#include "tools/tnxsql/Commands.h"
#include "tools/tnxsql/Text.h"

namespace tnxsql {

namespace {

constexpr CommandInfo Table[] = {
    {"tables", "", "", "list the tables and views"},
    {"columns", "", "TABLE", "list the columns of a table or view"},
    {"backup", "", "FOLDER [full|full-rename-log|rename-log]",
     "back the database up into FOLDER (made if missing), with a progress bar; full by default"},
    {"option", "", "NAME [VALUE]", "show an option of the connection, or set it to VALUE"},
    {"info", "", "", "connection information: engine, version, database, user"},
    {"servers", "", "", "locate database servers on the network"},
    {"ping", "", "[CONNECTION]", "check that a server answers (default: the engine of this connection)"},
    {"explain", "", "SQL", "show the plan of a query (markers take their values as for SQL)"},
    {"startdb", "", "[CONNECTION]",
     "start a database on a running engine: CONNECTION names it (dbf=FILE[;dbn=NAME][;eng=ENGINE]; the "
     "engine defaults to this connection's); without it, the database of the command line"},
    {"stopdb", "", "[CONNECTION]",
     "stop a database on a running engine, named as for \\startdb (unc=yes: even while others use it)"},
    {"begin", "", "", "start a transaction: statements stop committing on their own"},
    {"commit", "", "", "commit the transaction"},
    {"rollback", "", "", "roll the transaction back"},
    {"timing", "", "[on|off]", "show how long each statement takes (no argument: toggle)"},
    {"format", "", "[table|csv|json]", "set the output format (no argument: show it)"},
    {"expanded", "x", "[on|off|auto]",
     "tables: one line per field (auto: only when a table is wider than the terminal); no argument: "
     "toggle on and off"},
    {"pager", "", "[on|off]", "on a terminal, show tables longer than the screen through $PAGER (or less)"},
    {"param", "", "[NAME[:TYPE]=VALUE]", "set the value of the marker :NAME (no argument: list the values)"},
    {"unparam", "", "NAME", "forget the value of :NAME"},
    {"bail", "", "[on|off]", "stop at the first failed statement (no argument: toggle)"},
    {"include", "i", "FILE", "run the statements of FILE"},
    {"help", "?", "", "list the commands"},
    {"quit", "q exit", "", "leave tnxsql"},
};

} // namespace

std::span<const CommandInfo> CommandTable() {
    return Table;
}

const CommandInfo* FindCommand(std::string_view name) {
    for (const CommandInfo& c : Table) {
        if (EqualNoCase(c.Name, name)) return &c;
        std::string_view aliases = c.Aliases;
        while (!aliases.empty()) {
            size_t sp = aliases.find(' ');
            if (EqualNoCase(aliases.substr(0, sp), name)) return &c;
            aliases = sp == std::string_view::npos ? std::string_view() : aliases.substr(sp + 1);
        }
    }
    return nullptr;
}

std::string HelpEntry(std::string head, std::string_view text) {
    constexpr size_t column = 30, width = 80;
    std::string out = std::move(head);
    if (out.size() < column)
        out.append(column - out.size(), ' ');
    else
        out += "\n" + std::string(column, ' ');
    size_t lineLen = column;
    while (!text.empty()) {
        size_t sp = text.find(' ');
        std::string_view word = text.substr(0, sp);
        text = sp == std::string_view::npos ? std::string_view() : text.substr(sp + 1);
        if (lineLen > column && lineLen + 1 + word.size() > width) {
            out += "\n" + std::string(column, ' ');
            lineLen = column;
        }
        if (lineLen > column) {
            out += ' ';
            ++lineLen;
        }
        out += word;
        lineLen += word.size();
    }
    return out + "\n";
}

std::string CommandHelpText() {
    std::string out;
    for (const CommandInfo& c : Table) {
        std::string head = "  \\" + std::string(c.Name);
        if (!c.Args.empty()) head += " " + std::string(c.Args);
        std::string text(c.Help);
        if (!c.Aliases.empty()) {
            text += " (also";
            std::string_view aliases = c.Aliases;
            while (!aliases.empty()) {
                size_t sp = aliases.find(' ');
                text += " \\" + std::string(aliases.substr(0, sp));
                aliases = sp == std::string_view::npos ? std::string_view() : aliases.substr(sp + 1);
            }
            text += ")";
        }
        out += HelpEntry(std::move(head), text);
    }
    return out;
}

CommandLine ParseCommandLine(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '\\') text.remove_prefix(1);
    size_t end = 0;
    while (end < text.size() && !IsBlank(text[end]))
        ++end;
    return CommandLine{std::string(text.substr(0, end)), std::string(Trim(text.substr(end)))};
}

std::vector<std::string> SplitWords(std::string_view text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (true) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        if (i >= text.size()) break;
        std::string word;
        while (i < text.size() && !IsBlank(text[i])) {
            char c = text[i];
            if (c == '\'' || c == '"') {
                ++i;
                while (true) {
                    if (i >= text.size()) throw std::invalid_argument("unterminated quote in the arguments");
                    if (text[i] == c) {
                        if (i + 1 < text.size() && text[i + 1] == c) {
                            word += c;
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    word += text[i++];
                }
            } else {
                word += c;
                ++i;
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

} // namespace tnxsql
