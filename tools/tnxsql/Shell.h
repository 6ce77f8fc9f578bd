// The front end of tnxsql: runs statements and commands from any source against a Backend and
// prints what comes back. It owns the statement splitter, the parameter values, the output writer,
// the progress line and the failure bookkeeping that decides the exit status; it knows nothing of
// how a database is reached.
//
// Output goes to two streams: results to `out`; diagnostics (errors, and in the csv and json formats
// also notes such as rows-affected counts, timings and server messages, which would spoil the data)
// to `err`. In the table format notes go to `out`, between the results they belong to.
#pragma once

#include "tools/tnxsql/Backend.h"
#include "tools/tnxsql/Commands.h"
#include "tools/tnxsql/Options.h"
#include "tools/tnxsql/Progress.h"
#include "tools/tnxsql/ResultWriter.h"
#include "tools/tnxsql/Secret.h"
#include "tools/tnxsql/StatementSplitter.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tnxsql {

class Shell {
public:
    // Whether the run goes on after a statement.
    enum class Flow : uint8_t { Continue, Stop };

    // `options` gives the output settings, parameters, timing and bail; `settings` are the
    // connection settings (shown by \info, password scrubbed from every message); `progress` says
    // whether the progress line may be drawn on `err` (a terminal, not turned off).
    Shell(Backend& backend, const Options& options, const ConnectSettings& settings, std::ostream& out,
          std::ostream& err, bool progress);
    ~Shell();
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    // Runs all statements of a text; `name` names the source in messages ("script.sql").
    Flow RunText(std::string_view name, std::string_view text);
    // Runs a file, or standard input for "-". A file that cannot be read is a failure.
    Flow RunFile(const std::string& path);
    // Runs a file given on the command line (-f) as RunFile, then, unless quiet, notes a summary:
    // "FILE: N statements, M failed (S s)".
    Flow RunScript(const std::string& path);
    // The pager that \pager on turns on (null: none); `on` says whether it is on now.
    void SetPager(Pager* pager, bool on);
    // Runs a stream read in pieces, so that statements run as they arrive.
    Flow RunStream(std::string_view name, std::istream& in);

    // Interactive input, one line at a time (without its newline). Statements run as soon as they
    // are complete. Failures never stop an interactive session; \q does.
    Flow FeedLine(std::string_view line);
    // Drops a statement half typed (Ctrl-C at the prompt).
    void ResetInput();
    // The prompt for the next line: "tnxsql> ", "tnxsql*> " inside a transaction, and a
    // continuation prompt inside a statement that shows an open quote or comment.
    std::string Prompt() const;
    // Receives each complete entry typed at the prompt (its lines joined by blanks), for history.
    void SetHistorySink(std::function<void(std::string_view)> sink) { FHistorySink = std::move(sink); }

    // Ends the session: rolls an open transaction back, with a note.
    void Finish();

    // The exit status the run has earned so far (see Options.h).
    int ExitStatus() const;
    bool QuitRequested() const { return FQuit; }

    // Writes a diagnostic: scrubbed of secrets, prefixed with "tnxsql: ".
    void Diagnostic(std::string_view text);
    // Every password the shell knows of: the one read for the login, those of the connection
    // string and of the connection texts given to commands since. The history checks entries with
    // it.
    const Scrubber& GetScrubber() const { return FScrubber; }

private:
    struct Where {
        std::string_view Source; // empty at the prompt
        int Line = 0;
    };

    Flow RunSplitter(std::string_view name, StatementSplitter& splitter, bool atEnd);
    Flow RunStatement(const Statement& s, const Where& where);
    Flow RunSql(std::string_view sql, const Where& where);
    Flow RunCommand(std::string_view text, const Where& where);
    // Runs the command `name` (a name of the command table) through its handler.
    void Command(const std::string& name, const std::string& rest, const Where& where);

    // One handler per backslash command (ShellCommands.cpp), found by name through HandlerFor.
    struct CommandCall {
        const CommandInfo& Info;
        const std::string& Rest; // the arguments, blanks trimmed
        std::vector<std::string> Words() const;
        // The command's usage message, to throw.
        CommandError Usage() const;
        // Throws the usage message when the command was given arguments.
        void NoArgs() const;
    };
    using CommandHandler = void (Shell::*)(const CommandCall&);
    static CommandHandler HandlerFor(std::string_view name);
    void CmdTables(const CommandCall& c);
    void CmdColumns(const CommandCall& c);
    void CmdBackup(const CommandCall& c);
    void CmdOption(const CommandCall& c);
    void CmdInfo(const CommandCall& c);
    void CmdServers(const CommandCall& c);
    void CmdPing(const CommandCall& c);
    void CmdExplain(const CommandCall& c);
    void CmdStartDb(const CommandCall& c);
    void CmdStopDb(const CommandCall& c);
    void CmdBegin(const CommandCall& c);
    void CmdCommit(const CommandCall& c);
    void CmdRollback(const CommandCall& c);
    void CmdTiming(const CommandCall& c);
    void CmdBail(const CommandCall& c);
    void CmdFormat(const CommandCall& c);
    void CmdExpanded(const CommandCall& c);
    void CmdPager(const CommandCall& c);
    void CmdParam(const CommandCall& c);
    void CmdUnparam(const CommandCall& c);
    void CmdHelp(const CommandCall& c);
    void CmdQuit(const CommandCall& c);
    // Writes a result through the current writer, stopping early on Ctrl-C.
    void WriteRows(ResultSet& rows);
    void Note(std::string_view text);
    void ReportError(const Where& where, std::string_view message, int32_t code);
    Flow Failed();
    bool Interactive() const { return FInteractive; }
    void MakeWriter();

    Backend& FBackend;
    ConnectSettings FSettings;
    Scrubber FScrubber;
    std::ostream& FOut;
    std::ostream& FErr;
    FormatOptions FFormat;
    std::unique_ptr<ResultWriter> FWriter;
    ProgressDisplay FProgress;
    ParamSet FParams;
    bool FTiming;
    bool FQuiet;
    bool FBail;
    bool FEcho;
    bool FEchoed = false; // a statement was echoed already
    Pager* FPager = nullptr; // what \pager on shows long tables through

    // Statements and commands run, and failures, since the tool started (for script summaries).
    size_t FStatementsRun = 0;
    size_t FFailures = 0;

    StatementSplitter FInput; // interactive input
    std::string FEntry;       // lines of the interactive entry being typed
    std::function<void(std::string_view)> FHistorySink;
    bool FInteractive = false; // the statement running came from the prompt
    int FIncludeDepth = 0;     // nesting of \include

    bool FQuit = false;        // \q was given
    bool FBailed = false;      // a failure stopped the run under --bail
    bool FInterrupted = false; // Ctrl-C stopped a run that was not interactive
};

} // namespace tnxsql
