// tnxsql: the SQL command-line tool. Parses the command line, reads the password if asked, opens
// the database through the backend of this build, runs the arguments, files and prompt through the
// shell, and exits with the status the run earned (see Options.h).
#include "tools/tnxsql/BackendFactory.h"
#include "tools/tnxsql/History.h"
#include "tools/tnxsql/Interrupt.h"
#include "tools/tnxsql/Options.h"
#include "tools/tnxsql/Pager.h"
#include "tools/tnxsql/ReadlineLoop.h"
#include "tools/tnxsql/Secret.h"
#include "tools/tnxsql/Shell.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sys/ioctl.h>
#include <unistd.h>

#ifndef TNXSQL_VERSION
#define TNXSQL_VERSION "unknown"
#endif

namespace {

bool IsEmptyFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) == 0 && !ec;
}

tnxsql::ScreenSize TerminalSize() {
    winsize ws{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) != 0 || ws.ws_col == 0) return {};
    return {ws.ws_col, ws.ws_row};
}

// Reads the password the options ask for into the settings; false (reported) when it cannot.
bool ReadPassword(const tnxsql::Options& options, tnxsql::ConnectSettings& settings) {
    try {
        if (options.PromptPassword)
            settings.Password = tnxsql::PromptPassword("Password: ");
        else if (!options.PasswordFile.empty())
            settings.Password = tnxsql::ReadPasswordFile(options.PasswordFile);
    } catch (const std::exception& e) {
        std::cerr << "tnxsql: " << e.what() << '\n';
        return false;
    }
    return true;
}

// Whether every -f file can be read (reported when one cannot).
bool SourcesReadable(const tnxsql::Options& options) {
    for (const tnxsql::Source& s : options.Sources) {
        if (s.Type == tnxsql::Source::Kind::File && s.Text != "-" && access(s.Text.c_str(), R_OK) != 0) {
            std::cerr << "tnxsql: cannot read " << s.Text << ": " << std::strerror(errno) << '\n';
            return false;
        }
    }
    return true;
}

// The checks of the settings that need no database: --create not pointed at a file that holds
// data, settings that agree with each other. The exit status of the first that fails.
std::optional<int> CheckSettings(const tnxsql::ConnectSettings& settings, tnxsql::Backend& backend) {
    using namespace tnxsql;
    if (settings.Create && std::filesystem::exists(settings.DatabaseFile) &&
        !IsEmptyFile(settings.DatabaseFile)) {
        std::cerr << "tnxsql: --create: " << settings.DatabaseFile
                  << " already exists; it is not overwritten\n";
        return ExitConnect;
    }
    try {
        backend.Configure(settings);
    } catch (const BackendError& e) { // settings that contradict each other: a bad command line
        std::cerr << "tnxsql: " << e.what() << '\n';
        return ExitUsage;
    }
    return std::nullopt;
}

// Opens the database the settings name, if any; false (reported through the shell) when it
// cannot be opened.
bool OpenDatabase(tnxsql::Shell& shell, tnxsql::Backend& backend, const tnxsql::ConnectSettings& settings) {
    if (!settings.NamesDatabase()) return true;
    try {
        tnxsql::interrupt::CancelScope cancel(backend);
        backend.Connect();
    } catch (const tnxsql::BackendError& e) {
        shell.Diagnostic(std::string("cannot open the database: ") + e.what());
        if (!settings.Create && !settings.DatabaseFile.empty() && IsEmptyFile(settings.DatabaseFile))
            shell.Diagnostic(settings.DatabaseFile +
                             " is an empty file; to make a new database in it, run with --create");
        return false;
    }
    return true;
}

// Runs the SQL arguments and -f files in their order; then, unless one of them stopped the run,
// the prompt (interactive) or standard input (when nothing else was given).
void RunInputs(tnxsql::Shell& shell, tnxsql::Backend& backend, const tnxsql::Options& options) {
    using namespace tnxsql;
    Shell::Flow flow = Shell::Flow::Continue;
    int argument = 0;
    for (const Source& s : options.Sources) {
        if (s.Type == Source::Kind::Sql)
            flow = shell.RunText("argument " + std::to_string(++argument), s.Text);
        else
            flow = shell.RunScript(s.Text);
        if (flow == Shell::Flow::Stop) break;
    }
    if (flow != Shell::Flow::Continue || shell.QuitRequested()) return;
    const bool interactive = options.Interactive || (options.Sources.empty() && isatty(STDIN_FILENO));
    if (!interactive) {
        if (options.Sources.empty()) shell.RunStream("-", std::cin);
        return;
    }
    if (!options.Quiet) {
        std::cout << "tnxsql " << TNXSQL_VERSION << ": \\help lists the commands, \\q leaves.\n";
        if (!backend.Connected())
            std::cout << "Not connected to a database (" << backend.Description() << ").\n";
    }
    History history(options.NoHistory             ? std::string()
                    : options.HistoryFile.empty() ? History::DefaultPath()
                                                  : options.HistoryFile,
                    shell.GetScrubber());
    RunInteractive(shell, history);
}

int Run(int argc, char** argv) {
    using namespace tnxsql;
    std::vector<std::string> args(argv + 1, argv + argc);
    // The copies above keep the values; the process list no longer shows a password given in -c.
    HidePasswordArguments(argc, argv);
    Options options;
    try {
        options = ParseArguments(args);
    } catch (const UsageError& e) {
        std::cerr << "tnxsql: " << e.what() << "\nTry 'tnxsql --help' for more information.\n";
        return ExitUsage;
    }
    if (options.Help) {
        std::cout << HelpText();
        return ExitOk;
    }
    std::unique_ptr<Backend> backend = MakeBackend();
    if (options.Version) {
        std::cout << "tnxsql " << TNXSQL_VERSION << "\nbackend: " << backend->Description() << '\n';
        return ExitOk;
    }
    if (!SourcesReadable(options)) return ExitUsage;
    interrupt::Install();

    ConnectSettings settings = options.Connect;
    if (!ReadPassword(options, settings)) return ExitUsage;
    if (std::optional<int> failed = CheckSettings(settings, *backend)) return *failed;

    const bool progress = !options.NoProgress && isatty(STDERR_FILENO);
    const bool terminal = isatty(STDOUT_FILENO);
    if (terminal) options.Format.Screen = TerminalSize;
    Shell shell(*backend, options, settings, std::cout, std::cerr, progress);
    ProgramPager pager;
    if (terminal && !pager.Command().empty()) shell.SetPager(&pager, !options.NoPager);
    if (!OpenDatabase(shell, *backend, settings)) return ExitConnect;

    RunInputs(shell, *backend, options);
    shell.Finish();
    return shell.ExitStatus();
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "tnxsql: " << e.what() << '\n';
        return tnxsql::ExitUsage;
    }
}
