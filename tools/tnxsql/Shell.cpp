// The shell: statements, commands, output, errors and exit status; see Shell.h.
#include "tools/tnxsql/Shell.h"

#include "tools/tnxsql/CommandTag.h"
#include "tools/tnxsql/Commands.h"
#include "tools/tnxsql/Interrupt.h"
#include "tools/tnxsql/Params.h"
#include "tools/tnxsql/TableResult.h"
#include "tools/tnxsql/Text.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace tnxsql {

namespace {

// How deep \include may nest (a file including itself stops here instead of exhausting the stack).
constexpr int MaxIncludeDepth = 16;

// Bytes read from a file or a pipe at a time.
constexpr size_t ReadChunk = 64 * 1024;

std::string TimingText(std::chrono::steady_clock::duration d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "Time: %.3f ms",
                  std::chrono::duration_cast<std::chrono::duration<double, std::milli>>(d).count());
    return buf;
}

} // namespace

Shell::Shell(Backend& backend, const Options& options, const ConnectSettings& settings, std::ostream& out,
             std::ostream& err, bool progress)
    : FBackend(backend), FSettings(settings), FScrubber(settings.Password), FOut(out), FErr(err),
      FFormat(options.Format), FProgress(err, progress), FParams(options.Params), FTiming(options.Timing),
      FQuiet(options.Quiet), FBail(options.Bail), FEcho(options.Echo) {
    FScrubber.LearnConnectionString(settings.ConnectionString);
    MakeWriter();
    FBackend.SetMessageHandler([this](MessageKind kind, int32_t, std::string_view text) {
        FProgress.Clear();
        std::string line = kind == MessageKind::Warning ? "warning: " : "";
        line += FScrubber.Scrub(text);
        Note(line);
    });
    FBackend.SetWaitHandler([this] { FProgress.Waiting(); });
}

Shell::~Shell() {
    FBackend.SetMessageHandler({});
    FBackend.SetWaitHandler({});
}

void Shell::MakeWriter() {
    if (FWriter) FWriter->Flush();
    FWriter = MakeResultWriter(FFormat, FOut);
}

// ---- Sources ----------------------------------------------------------------------------------------

Shell::Flow Shell::RunText(std::string_view name, std::string_view text) {
    StatementSplitter splitter;
    splitter.Feed(text);
    return RunSplitter(name, splitter, true);
}

Shell::Flow Shell::RunStream(std::string_view name, std::istream& in) {
    StatementSplitter splitter;
    std::string buf(ReadChunk, '\0');
    while (in) {
        in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
        std::streamsize n = in.gcount();
        if (n <= 0) break;
        splitter.Feed(std::string_view(buf.data(), static_cast<size_t>(n)));
        if (RunSplitter(name, splitter, false) == Flow::Stop) return Flow::Stop;
    }
    if (!FInteractive && interrupt::Pending()) {
        FInterrupted = true;
        return Flow::Stop;
    }
    return RunSplitter(name, splitter, true);
}

Shell::Flow Shell::RunFile(const std::string& path) {
    if (path == "-") return RunStream("-", std::cin);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ReportError({}, "cannot read " + path + ": " + std::strerror(errno), 0);
        return Failed();
    }
    return RunStream(path, in);
}

Shell::Flow Shell::RunScript(const std::string& path) {
    const size_t run = FStatementsRun, failed = FFailures;
    const auto start = std::chrono::steady_clock::now();
    const Flow flow = RunFile(path);
    if (!FQuiet) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const size_t n = FStatementsRun - run;
        char time[32];
        std::snprintf(time, sizeof time, "%.3f s", seconds);
        Note(path + ": " + std::to_string(n) + (n == 1 ? " statement, " : " statements, ") +
             std::to_string(FFailures - failed) + " failed (" + time + ")");
    }
    return flow;
}

void Shell::SetPager(Pager* pager, bool on) {
    FPager = pager;
    FFormat.PagerProgram = on ? pager : nullptr;
    MakeWriter();
}

Shell::Flow Shell::RunSplitter(std::string_view name, StatementSplitter& splitter, bool atEnd) {
    Statement s;
    while (splitter.Next(s))
        if (RunStatement(s, Where{name, s.Line}) == Flow::Stop) return Flow::Stop;
    if (!atEnd) return Flow::Continue;
    StatementSplitter::End end = splitter.Finish();
    while (splitter.Next(s))
        if (RunStatement(s, Where{name, s.Line}) == Flow::Stop) return Flow::Stop;
    if (!end.Error.empty()) {
        ReportError(Where{name, end.ErrorLine},
                    end.Error + " at the end of the input; the statement did not run", 0);
        return Failed();
    }
    if (end.Last) return RunStatement(*end.Last, Where{name, end.Last->Line});
    return Flow::Continue;
}

// ---- Interactive input ----------------------------------------------------------------------------

Shell::Flow Shell::FeedLine(std::string_view line) {
    FInteractive = true;
    if (!FEntry.empty()) FEntry += ' ';
    FEntry += line;
    FInput.Feed(line);
    FInput.Feed("\n");
    if (!FInput.InStatement()) {
        if (FHistorySink && FEntry.find_first_not_of(" \t\r") != std::string::npos) FHistorySink(FEntry);
        FEntry.clear();
    }
    RunSplitter({}, FInput, false);
    return FQuit ? Flow::Stop : Flow::Continue;
}

void Shell::ResetInput() {
    FInput.Reset();
    FEntry.clear();
}

std::string Shell::Prompt() const {
    if (FInput.InStatement()) {
        char q = FInput.OpenQuote();
        if (q) return std::string("      ") + q + "> ";
        return "    ...> ";
    }
    return FBackend.InTransaction() ? "tnxsql*> " : "tnxsql> ";
}

// ---- Statements -----------------------------------------------------------------------------------

Shell::Flow Shell::RunStatement(const Statement& s, const Where& where) {
    if (FInteractive) {
        interrupt::Clear();
    } else if (interrupt::Pending()) {
        FInterrupted = true;
        return Flow::Stop;
    }
    ++FStatementsRun;
    if (FEcho && !s.Refused) {
        // A blank line sets each statement apart from the result before it.
        Note((FEchoed ? "\n" : "") + (s.IsCommand ? s.Text : s.Text + ";"));
        FEchoed = true;
    }
    if (s.Refused) {
        ReportError(where,
                    s.Text + " was left out: a command cannot be given inside a statement (end the "
                             "statement with ';' first)",
                    0);
        return Failed();
    }
    return s.IsCommand ? RunCommand(s.Text, where) : RunSql(s.Text, where);
}

Shell::Flow Shell::RunSql(std::string_view sql, const Where& where) {
    std::vector<BoundParam> params;
    try {
        params = BindParams(sql, FParams);
    } catch (const ParamError& e) {
        ReportError(where, e.what(), 0);
        return Failed();
    }
    const auto start = std::chrono::steady_clock::now();
    FProgress.StartRequest();
    bool ok = true;
    {
        interrupt::CancelScope cancel(FBackend);
        try {
            ExecResult r = FBackend.Execute(sql, params);
            FProgress.Clear();
            if (r.Rows) {
                WriteRows(*r.Rows);
            } else if (!FQuiet) {
                const std::optional<std::string> tag = CommandTag(sql);
                if (!tag) {
                    if (!FWriter->RowsAffected(r.RowsAffected)) Note(RowsAffectedText(r.RowsAffected));
                } else if (!tag->empty() && !FWriter->Command(*tag)) {
                    Note(*tag);
                }
            }
        } catch (const BackendError& e) {
            FProgress.Clear();
            ReportError(where, e.what(), e.Code());
            ok = false;
        }
    }
    if (FTiming) Note(TimingText(std::chrono::steady_clock::now() - start));
    return ok ? Flow::Continue : Failed();
}

void Shell::WriteRows(ResultSet& rows) {
    FWriter->Begin(rows.Columns());
    bool cancelled = false;
    try {
        while (rows.Next()) {
            FWriter->Row(rows.Row());
            if (interrupt::Pending()) {
                cancelled = true;
                break;
            }
        }
    } catch (...) {
        FWriter->End();
        throw;
    }
    FWriter->End();
    if (cancelled) throw BackendError("cancelled after " + std::to_string(FWriter->RowCount()) + " rows", 0);
}

void Shell::Note(std::string_view text) {
    std::ostream& s = FFormat.Format == OutputFormat::Table ? FOut : FErr;
    FWriter->Flush();
    s << text << '\n' << std::flush;
}

void Shell::Diagnostic(std::string_view text) {
    FWriter->Flush();
    FOut.flush();
    FErr << "tnxsql: " << FScrubber.Scrub(text) << '\n' << std::flush;
}

void Shell::ReportError(const Where& where, std::string_view message, int32_t code) {
    std::string text = FScrubber.Scrub(message);
    if (code != 0 && text.find(std::to_string(code)) == std::string::npos)
        text += " (code " + std::to_string(code) + ")";
    std::string line;
    if (!where.Source.empty()) line = std::string(where.Source) + ":" + std::to_string(where.Line) + ": ";
    // The library's messages say "Error" or "Warning" themselves; the tool's own get a prefix.
    if (text.rfind("Error", 0) != 0 && text.rfind("Warning", 0) != 0) line += "error: ";
    line += text;
    FWriter->Flush();
    FOut.flush();
    FErr << line << '\n' << std::flush;
}

Shell::Flow Shell::Failed() {
    ++FFailures;
    if (!FInteractive && interrupt::Pending()) {
        FInterrupted = true;
        return Flow::Stop;
    }
    if (FBail && !FInteractive) {
        FBailed = true;
        return Flow::Stop;
    }
    return Flow::Continue;
}

void Shell::Finish() {
    if (FBackend.Connected() && FBackend.InTransaction()) {
        try {
            FBackend.Rollback();
            Diagnostic("the open transaction was rolled back");
        } catch (const BackendError& e) {
            Diagnostic(std::string("rolling back the open transaction failed: ") + e.what());
        }
    }
    FBackend.Disconnect();
    FWriter->Flush();
}

int Shell::ExitStatus() const {
    if (FInterrupted) return ExitInterrupted;
    if (FBailed) return ExitStatementFailed;
    return ExitOk;
}

// ---- Commands -------------------------------------------------------------------------------------

Shell::Flow Shell::RunCommand(std::string_view text, const Where& where) {
    CommandLine line = ParseCommandLine(text);
    const CommandInfo* info = FindCommand(line.Name);
    if (!info) {
        ReportError(where, "unknown command \\" + line.Name + " (\\help lists the commands)", 0);
        return Failed();
    }
    const std::string name(info->Name);
    try {
        if (name == "include") {
            std::vector<std::string> words = SplitWords(line.Rest);
            if (words.size() != 1) throw CommandError("usage: \\include FILE");
            if (FIncludeDepth >= MaxIncludeDepth) throw CommandError("\\include nested too deeply");
            ++FIncludeDepth;
            Flow f = RunFile(words[0]);
            --FIncludeDepth;
            return f;
        }
        FProgress.StartRequest();
        interrupt::CancelScope cancel(FBackend); // Ctrl-C cancels what the command asked of the backend
        Command(name, line.Rest, where);
    } catch (const BackendError& e) {
        FProgress.Clear();
        ReportError(where, e.what(), e.Code());
        return Failed();
    } catch (const std::exception& e) { // usage, parameters, folders
        FProgress.Clear();
        ReportError(where, e.what(), 0);
        return Failed();
    }
    return FQuit ? Flow::Stop : Flow::Continue;
}

} // namespace tnxsql
