// Command-line parsing. One table describes every option: the parser reads it and the help text
// is printed from it, so an option cannot exist without being documented.
#include "tools/tnxsql/Options.h"

#include "tools/tnxsql/Commands.h"

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

const std::vector<OptionEntry>& OptionTable() {
    static const std::vector<OptionEntry> table = {
        {'d', "database", "FILE", "Connection", "the database file (instead of the first argument)",
         [](Options& o, const std::string& v) { o.Connect.DatabaseFile = v; }},
        {0, "create", "", "Connection",
         "create the database file first; an existing file is never overwritten",
         [](Options& o, const std::string&) { o.Connect.Create = true; }},
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
         "value of the host-variable marker :NAME; TYPE is text (default), int, float, bool, date, "
         "time, datetime, binary (hex) or null; may repeat",
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

Options ParseArguments(std::span<const std::string> args) {
    Options o;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            o.Sources.push_back({Source::Kind::Sql, a});
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        if (a[1] == '-') {
            size_t eq = a.find('=');
            std::string name = a.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
            const OptionEntry* entry = FindLong(name);
            if (!entry) throw UsageError("unknown option '--" + name + "'");
            std::string value;
            if (entry->ValueName.empty()) {
                if (eq != std::string::npos) {
                    if (name == "password")
                        throw UsageError(
                            "option '--password' takes no value: it asks for the password on the "
                            "terminal (or use --password-file FILE)");
                    throw UsageError("option '--" + name + "' takes no value");
                }
            } else if (eq != std::string::npos) {
                value = a.substr(eq + 1);
            } else {
                if (i + 1 >= args.size())
                    throw UsageError("option '--" + name + "' needs a value (" +
                                     std::string(entry->ValueName) + ")");
                value = args[++i];
            }
            entry->Apply(o, value);
            continue;
        }
        // One or more short options: flags may be grouped; an option with a value takes the rest of
        // the word or the next argument.
        for (size_t k = 1; k < a.size(); ++k) {
            const OptionEntry* entry = FindShort(a[k]);
            if (!entry) throw UsageError(std::string("unknown option '-") + a[k] + "'");
            if (entry->ValueName.empty()) {
                entry->Apply(o, {});
                continue;
            }
            std::string value;
            if (k + 1 < a.size()) {
                value = a.substr(k + 1);
            } else {
                if (i + 1 >= args.size())
                    throw UsageError(std::string("option '-") + a[k] + "' needs a value (" +
                                     std::string(entry->ValueName) + ")");
                value = args[++i];
            }
            entry->Apply(o, value);
            break;
        }
    }

    // The first argument that is no option names the database, unless an option already did; the
    // others are SQL, kept in their place among the -f files.
    if (o.Connect.DatabaseFile.empty() && o.Connect.ConnectionString.empty()) {
        for (auto it = o.Sources.begin(); it != o.Sources.end(); ++it) {
            if (it->Type == Source::Kind::Sql) {
                o.Connect.DatabaseFile = it->Text;
                o.Sources.erase(it);
                break;
            }
        }
    }

    if (o.Connect.Create && o.Connect.DatabaseFile.empty())
        throw UsageError("--create needs a database file");
    if (o.PromptPassword && !o.PasswordFile.empty())
        throw UsageError("--password and --password-file cannot be used together");
    return o;
}

std::string HelpText() {
    std::string out =
        "Usage: tnxsql [options] [database-file] [SQL ...]\n"
        "\n"
        "Runs SQL against a database: the statements given as arguments, then those of -f files, or, when\n"
        "there are none and standard input is a terminal, statements typed at a prompt with line editing\n"
        "and history. Statements end at ';' (outside quotes, comments and BEGIN ... END blocks). Without a\n"
        "database file or --connect, tnxsql starts unconnected (for \\servers, \\ping, \\startdb, ...).\n"
        "\n"
        "The database file is opened on the embedded default: the client library found beside the program's\n"
        "own libraries (or in --libdir) starts an engine in this process on the file, both named after it\n"
        "(\"sales\" for sales.db). Each statement commits on its own unless \\begin started a transaction.\n";
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
           "Host-variable markers :NAME in a statement take the values of --param or \\param.\n"
           "Ctrl-C cancels the running statement; at the prompt it clears the line. Ctrl-D leaves.\n"
           "\n"
           "Exit status:\n"
           "  0    everything ran (failed statements are reported, and the run goes on, without --bail)\n"
           "  1    a statement or command failed under --bail\n"
           "  2    bad options, or an input file that cannot be read\n"
           "  3    the database could not be opened\n"
           "  130  Ctrl-C stopped a run that was not interactive\n";
    return out;
}

} // namespace tnxsql
