// Command-line parsing. One table describes every option: the parser reads it and the help text
// is printed from it, so an option cannot exist without being documented.
#include "tools/tnxsql/Options.h"

#include "tools/tnxsql/Commands.h"
#include "tools/tnxsql/Text.h"

#include <charconv>
#include <functional>

namespace tnxsql {

namespace {

struct OptionEntry {
    char Short;                 // 0 when there is none
    std::string_view Long;      // without the dashes
    std::string_view ValueName; // empty for a flag
    std::string_view Group;     // heading in the help
    std::string_view Help;
    std::function<void(Options&, const std::string& value)> Apply;
};

size_t ParseWidth(const std::string& v) {
    size_t n = 0;
    auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (v.empty() || ec != std::errc() || p != v.data() + v.size() || (n != 0 && n < MinMaxWidth))
        throw UsageError("--max-width: '" + v + "' is not 0 or a whole number from " +
                         std::to_string(MinMaxWidth));
    return n;
}

int ParseDigits(const std::string& v) {
    int n = 0;
    auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (v.empty() || ec != std::errc() || p != v.data() + v.size() || n < 1 || n > 17)
        throw UsageError("--digits: '" + v + "' is not a whole number from 1 to 17");
    return n;
}

// Whether a text given as the database file reads like SQL: a statement's first word, then a
// blank (a file name seldom holds one).
bool LooksLikeSql(std::string_view text) {
    static constexpr std::string_view Words[] = {"SELECT", "CREATE", "INSERT", "UPDATE", "DELETE", "DROP",
                                                 "ALTER",  "WITH",   "VALUES", "GRANT",  "CALL",   "MESSAGE"};
    size_t end = 0;
    while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != '\n')
        ++end;
    if (end == text.size()) return false;
    const std::string_view first = text.substr(0, end);
    for (std::string_view w : Words)
        if (EqualNoCase(first, w)) return true;
    return false;
}

const std::vector<OptionEntry>& OptionTable() {
    static const std::vector<OptionEntry> table = {
        {'d', "database", "FILE", "Connection", "the database file (instead of the first argument)",
         [](Options& o, const std::string& v) { o.Connect.DatabaseFile = v; }},
        {0, "create", "", "Connection",
         "create the database file first; an existing file is never overwritten (an empty one is "
         "made a database)",
         [](Options& o, const std::string&) { o.Connect.Create = true; }},
        {0, "readonly", "", "Connection",
         "open the database read-only: nothing is written to its file or beside it (so it opens in a "
         "folder that cannot be written); changes are refused",
         [](Options& o, const std::string&) { o.Connect.ReadOnly = true; }},
        {'e', "engine", "NAME", "Connection", "the engine (server) name; default: from the file name",
         [](Options& o, const std::string& v) { o.Connect.EngineName = v; }},
        {'n', "dbname", "NAME", "Connection",
         "the database name: named after the file when one is given; without a file, a database already "
         "running on the engine",
         [](Options& o, const std::string& v) { o.Connect.DatabaseName = v; }},
        {'u', "user", "NAME", "Connection",
         "the user name; with neither a user nor a password given, DBA with the password SQL (the "
         "administrator of a new database)",
         [](Options& o, const std::string& v) { o.Connect.User = v; }},
        {'P', "password", "", "Connection",
         "ask for the password on the terminal, without echo (it is never printed back)",
         [](Options& o, const std::string&) { o.PromptPassword = true; }},
        {0, "password-file", "FILE", "Connection", "read the password from the first line of FILE",
         [](Options& o, const std::string& v) { o.PasswordFile = v; }},
        {'c', "connect", "TEXT", "Connection",
         "a whole connection string, e.g. \"eng=sales;dbn=sales;uid=dba\". A password given here "
         "(pwd=...) can be seen by other users of this machine in the process list until tnxsql has "
         "started (it then wipes it): prefer --password or --password-file",
         [](Options& o, const std::string& v) { o.Connect.ConnectionString = v; }},
        {0, "libdir", "DIR", "Connection",
         "folder of the client library (default: where the program finds its libraries)",
         [](Options& o, const std::string& v) { o.Connect.LibraryDir = v; }},
        {'f', "file", "FILE", "Input", "run the statements of FILE (\"-\": standard input); may repeat",
         [](Options& o, const std::string& v) {
             o.Sources.push_back({Source::Kind::File, v});
         }},
        {0, "param", "NAME[:TYPE]=VALUE", "Input",
         "value of the host-variable marker :NAME; TYPE is text (default), int (64 bits), float, bool, "
         "date, time, datetime, binary (hex) or null; VALUE @FILE reads it from FILE (binary: its "
         "bytes as they are); may repeat",
         [](Options& o, const std::string& v) {
             try {
                 o.Params.Set(ParseParam(v));
             } catch (const ParamError& e) {
                 throw UsageError(std::string("--param: ") + e.what());
             }
         }},
        {'i', "interactive", "", "Input", "read statements at a prompt after running the arguments and files",
         [](Options& o, const std::string&) { o.Interactive = true; }},
        {0, "history", "FILE", "Input", "history file of the prompt (default: ~/.tnxsql_history)",
         [](Options& o, const std::string& v) { o.HistoryFile = v; }},
        {0, "no-history", "", "Input", "keep no history file",
         [](Options& o, const std::string&) { o.NoHistory = true; }},
        {'F', "format", "FORMAT", "Output", "table (default), csv or json",
         [](Options& o, const std::string& v) {
             if (!ParseOutputFormat(v, o.Format.Format))
                 throw UsageError("--format: unknown format '" + v + "' (table, csv or json)");
         }},
        {0, "null", "TEXT", "Output", "how NULL shows in tables (default: NULL)",
         [](Options& o, const std::string& v) { o.Format.NullText = v; }},
        {0, "max-width", "N", "Output",
         "cut longer text and binary values in tables to N characters, ending in \"...\" (default 40; 0: "
         "never)",
         [](Options& o, const std::string& v) { o.Format.MaxWidth = ParseWidth(v); }},
        {0, "digits", "N", "Output",
         "print floating-point numbers with N significant digits, 1 to 17 (15 shows 0.1+0.2 as 0.3); "
         "default: the shortest text that reads back as the same number. Fixed-point columns keep "
         "their scale",
         [](Options& o, const std::string& v) { o.Format.FloatDigits = ParseDigits(v); }},
        {'x', "expanded", "", "Output", "print each row of a table as one line per field",
         [](Options& o, const std::string&) { o.Format.Expanded = ExpandedMode::On; }},
        {0, "no-pager", "", "Output",
         "never show long tables through a pager (on a terminal: $PAGER, else less or more)",
         [](Options& o, const std::string&) { o.NoPager = true; }},
        {0, "echo", "", "Output", "print each statement and command before its result",
         [](Options& o, const std::string&) { o.Echo = true; }},
        {'t', "timing", "", "Output", "print how long each statement took",
         [](Options& o, const std::string&) { o.Timing = true; }},
        {'q', "quiet", "", "Output", "print no rows-affected counts and no banner",
         [](Options& o, const std::string&) { o.Quiet = true; }},
        {0, "no-progress", "", "Output",
         "never draw progress bars or elapsed time (drawn only on a terminal)",
         [](Options& o, const std::string&) { o.NoProgress = true; }},
        {'b', "bail", "", "Errors", "stop at the first failed statement, with exit status 1",
         [](Options& o, const std::string&) { o.Bail = true; }},
        {'h', "help", "", "Other", "print this help and exit",
         [](Options& o, const std::string&) { o.Help = true; }},
        {'V', "version", "", "Other", "print the version and the database backend, and exit",
         [](Options& o, const std::string&) { o.Version = true; }},
    };
    return table;
}

const OptionEntry* FindLong(std::string_view name) {
    for (const OptionEntry& s : OptionTable())
        if (s.Long == name) return &s;
    return nullptr;
}

const OptionEntry* FindShort(char c) {
    for (const OptionEntry& s : OptionTable())
        if (s.Short == c) return &s;
    return nullptr;
}

} // namespace

std::vector<std::string> OptionNames() {
    std::vector<std::string> names;
    for (const OptionEntry& s : OptionTable())
        names.emplace_back(s.Long);
    return names;
}

namespace {

// The command line being read: the arguments and the index of the next one to take.
struct ArgumentReader {
    std::span<const std::string> Args;
    size_t Next = 0;

    bool AtEnd() const { return Next >= Args.size(); }
    const std::string& Take() { return Args[Next++]; }
    // The next argument as the value of `option` ("--name" or "-c"); a usage error when none is left.
    const std::string& TakeValue(const std::string& option, const OptionEntry& entry) {
        if (AtEnd())
            throw UsageError("option '" + option + "' needs a value (" + std::string(entry.ValueName) + ")");
        return Take();
    }
};

// "--name", "--name=value" or "--name value".
void ApplyLongOption(const std::string& arg, ArgumentReader& in, Options& o) {
    const size_t eq = arg.find('=');
    const std::string name = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
    const OptionEntry* entry = FindLong(name);
    if (!entry) throw UsageError("unknown option '--" + name + "'");
    std::string value;
    if (entry->ValueName.empty()) {
        if (eq != std::string::npos) {
            if (name == "password")
                throw UsageError("option '--password' takes no value: it asks for the password on the "
                                 "terminal (or use --password-file FILE)");
            throw UsageError("option '--" + name + "' takes no value");
        }
    } else if (eq != std::string::npos) {
        value = arg.substr(eq + 1);
    } else {
        value = in.TakeValue("--" + name, *entry);
    }
    entry->Apply(o, value);
}

// One or more short options: flags may be grouped; an option with a value takes the rest of the
// word or the next argument.
void ApplyShortOptions(const std::string& arg, ArgumentReader& in, Options& o) {
    for (size_t k = 1; k < arg.size(); ++k) {
        const OptionEntry* entry = FindShort(arg[k]);
        if (!entry) throw UsageError(std::string("unknown option '-") + arg[k] + "'");
        if (entry->ValueName.empty()) {
            entry->Apply(o, {});
            continue;
        }
        entry->Apply(o, k + 1 < arg.size() ? arg.substr(k + 1) : in.TakeValue(std::string("-") + arg[k], *entry));
        return;
    }
}

// The first argument that is no option names the database, unless an option already did; the
// others are SQL, kept in their place among the -f files.
void TakeDatabaseArgument(Options& o) {
    if (!o.Connect.DatabaseFile.empty() || !o.Connect.ConnectionString.empty()) return;
    for (auto it = o.Sources.begin(); it != o.Sources.end(); ++it) {
        if (it->Type == Source::Kind::Sql) {
            o.Connect.DatabaseFile = it->Text;
            o.Sources.erase(it);
            return;
        }
    }
}

// Options that cannot go together, or need another.
void CheckCombinations(const Options& o) {
    if (o.Connect.Create && o.Connect.DatabaseFile.empty()) throw UsageError("--create needs a database file");
    if (o.Connect.Create && LooksLikeSql(o.Connect.DatabaseFile))
        throw UsageError("--create: '" + o.Connect.DatabaseFile +
                         "' looks like SQL, not a file name; name the new database file first: tnxsql "
                         "--create FILE [SQL ...]");
    if (o.Connect.Create && o.Connect.ReadOnly) throw UsageError("--create and --readonly cannot be used together");
    if (o.PromptPassword && !o.PasswordFile.empty())
        throw UsageError("--password and --password-file cannot be used together");
}

} // namespace

Options ParseArguments(std::span<const std::string> args) {
    Options o;
    ArgumentReader in{args};
    bool optionsEnded = false;
    while (!in.AtEnd()) {
        const std::string& a = in.Take();
        if (optionsEnded || a.size() < 2 || a[0] != '-')
            o.Sources.push_back({Source::Kind::Sql, a});
        else if (a == "--")
            optionsEnded = true;
        else if (a[1] == '-')
            ApplyLongOption(a, in, o);
        else
            ApplyShortOptions(a, in, o);
    }
    TakeDatabaseArgument(o);
    CheckCombinations(o);
    return o;
}

std::string HelpText() {
    std::string out =
        "Usage: tnxsql [options] [database-file] [SQL ...]\n"
        "\n"
        "Runs SQL against a database: the statements given as arguments, then those of -f\n"
        "files, or, when there are none and standard input is a terminal, statements\n"
        "typed at a prompt with line editing and history. Statements end at ';' (outside\n"
        "quotes, comments and BEGIN ... END blocks). Without a database file or\n"
        "--connect, tnxsql starts unconnected (for \\servers, \\ping, \\startdb, ...).\n"
        "\n"
        "The database file is opened on the embedded default: the client library found\n"
        "beside the program's own libraries (or in --libdir) starts an engine in this\n"
        "process on the file, both named after it (\"sales\" for sales.db). Each statement\n"
        "commits on its own unless \\begin started a transaction.\n";
    std::string_view group;
    for (const OptionEntry& s : OptionTable()) {
        if (s.Group != group) {
            group = s.Group;
            out += "\n" + std::string(group) + ":\n";
        }
        std::string head = "  ";
        head += s.Short ? std::string("-") + s.Short + ", " : "    ";
        head += "--" + std::string(s.Long);
        if (!s.ValueName.empty()) head += " " + std::string(s.ValueName);
        out += HelpEntry(std::move(head), s.Help);
    }
    out += "\n"
           "Commands (a line starting with a backslash, in files and at the prompt):\n";
    out += CommandHelpText();
    out += "\n"
           "Host-variable markers :NAME in a statement take the values of --param or \\param;\n"
           "a value written @FILE is read from that file (@@ stands for one @).\n"
           "Ctrl-C cancels the running statement; at the prompt it clears the line. Ctrl-D\n"
           "leaves. On a terminal, tables longer than the screen go through a pager.\n"
           "\n"
           "Exit status:\n"
           "  0    everything ran (failed statements are reported, and the run goes on,\n"
           "       without --bail)\n"
           "  1    a statement or command failed under --bail\n"
           "  2    bad options, or an input file that cannot be read\n"
           "  3    the database could not be opened\n"
           "  130  Ctrl-C stopped a run that was not interactive\n";
    return out;
}

} // namespace tnxsql
