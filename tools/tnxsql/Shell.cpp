// The shell: statements, commands, output, errors and exit status; see Shell.h.
#include "tools/tnxsql/Shell.h"

#include "tools/tnxsql/CommandTag.h"
#include "tools/tnxsql/Commands.h"
#include "tools/tnxsql/Interrupt.h"
#include "tools/tnxsql/Params.h"
#include "tools/tnxsql/TableResult.h"

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

// A command used wrongly; reported like any failure.
class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

bool ParseSwitch(const std::vector<std::string>& words, bool current, std::string_view name) {
    if (words.empty()) return !current;
    std::string w = words[0];
    for (char& c : w)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (words.size() == 1) {
        if (w == "on" || w == "true" || w == "1") return true;
        if (w == "off" || w == "false" || w == "0") return false;
    }
    throw CommandError("usage: \\" + std::string(name) + " [on|off]");
}

std::string_view StripSemicolons(std::string_view s) {
    while (!s.empty() && (s.back() == ';' || s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string CellKindName(CellKind k) {
    switch (k) {
    case CellKind::Null:
        return "null";
    case CellKind::Integer:
        return "int";
    case CellKind::Float:
        return "float";
    case CellKind::Boolean:
        return "bool";
    case CellKind::Text:
        return "text";
    case CellKind::Binary:
        return "binary";
    case CellKind::Date:
        return "date";
    case CellKind::Time:
        return "time";
    case CellKind::DateTime:
        return "datetime";
    }
    return "text";
}

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

void Shell::Command(const std::string& name, const std::string& rest, const Where&) {
    const CommandInfo* info = FindCommand(name);
    auto words = [&] { return SplitWords(rest); };
    auto usage = [&] {
        return CommandError("usage: \\" + name + (info->Args.empty() ? "" : " ") + std::string(info->Args));
    };
    auto noArgs = [&] {
        if (!rest.empty()) throw usage();
    };

    if (name == "tables") {
        noArgs();
        auto rows = FBackend.ListTables();
        WriteRows(*rows);
    } else if (name == "columns") {
        auto w = words();
        if (w.size() != 1) throw usage();
        auto rows = FBackend.ListColumns(w[0]);
        WriteRows(*rows);
    } else if (name == "backup") {
        auto w = words();
        if (w.empty() || w.size() > 2) throw usage();
        BackupKind kind = BackupKind::Full;
        if (w.size() == 2) {
            if (w[1] == "full")
                kind = BackupKind::Full;
            else if (w[1] == "full-rename-log")
                kind = BackupKind::FullRenameLog;
            else if (w[1] == "rename-log")
                kind = BackupKind::RenameLog;
            else
                throw CommandError("\\backup: unknown kind '" + w[1] +
                                   "' (full, full-rename-log or rename-log)");
        }
        std::filesystem::path folder(w[0]);
        if (std::filesystem::exists(folder) && !std::filesystem::is_directory(folder))
            throw CommandError("\\backup: " + w[0] + " is not a folder");
        std::filesystem::create_directories(folder);
        FBackend.Backup(w[0], kind, [this](std::string_view file, int64_t pages, int64_t page) {
            FProgress.Backup(file, pages, page);
        });
        FProgress.Clear();
        Note("backup written to " + w[0]);
    } else if (name == "option") {
        auto w = words();
        if (w.empty() || w.size() > 2) throw usage();
        if (w.size() == 2) {
            FBackend.SetOption(w[0], w[1]);
            Note("option " + w[0] + " set to " + w[1]);
        } else {
            std::string value = FBackend.GetOption(w[0]);
            TableResult r({{"option", ColumnType::Text}, {"value", ColumnType::Text}});
            r.AddRow({Cell::Text(w[0]), Cell::Text(value)});
            WriteRows(r);
        }
    } else if (name == "info") {
        noArgs();
        TableResult r({{"property", ColumnType::Text}, {"value", ColumnType::Text}});
        auto add = [&](std::string_view k, const std::string& v) {
            r.AddRow({Cell::Text(k), Cell::Text(v)});
        };
        add("backend", FBackend.Description());
        bool connected = FBackend.Connected();
        add("connected", connected ? "yes" : "no");
        if (connected) {
            ConnectionInfo ci = FBackend.Info();
            add("engine version", ci.EngineVersion);
            add("engine name", ci.EngineName);
            add("database name", ci.DatabaseName);
            add("transaction", FBackend.InTransaction() ? "open" : "none");
        }
        if (!FSettings.DatabaseFile.empty()) add("database file", FSettings.DatabaseFile);
        if (!FSettings.User.empty()) add("user", FSettings.User);
        if (!FSettings.ConnectionString.empty())
            add("connection string", FScrubber.Scrub(FSettings.ConnectionString));
        WriteRows(r);
    } else if (name == "servers") {
        noArgs();
        TableResult r(
            {{"name", ColumnType::Text}, {"address", ColumnType::Text}, {"port", ColumnType::Integer}});
        FBackend.LocateServers([&](const ServerInfo& s) {
            r.AddRow({Cell::Text(s.Name), Cell::Text(s.Address), Cell::Integer(s.Port)});
            return !interrupt::Pending();
        });
        WriteRows(r);
    } else if (name == "ping") {
        FScrubber.LearnConnectionString(rest);
        FBackend.Ping(rest);
        Note("the server answers");
    } else if (name == "explain") {
        std::string_view sql = StripSemicolons(rest);
        if (sql.empty()) throw usage();
        std::vector<BoundParam> params = BindParams(sql, FParams);
        std::string plan = FBackend.Explain(sql, params);
        if (FFormat.Format == OutputFormat::Table) {
            FWriter->Flush();
            FOut << plan;
            if (plan.empty() || plan.back() != '\n') FOut << '\n';
            FOut.flush();
        } else {
            TableResult r({{"plan", ColumnType::LongText}});
            r.AddRow({Cell::Text(plan)});
            WriteRows(r);
        }
    } else if (name == "startdb") {
        FScrubber.LearnConnectionString(rest);
        FBackend.StartDatabase(rest);
        Note("database started");
    } else if (name == "stopdb") {
        FScrubber.LearnConnectionString(rest);
        FBackend.StopDatabase(rest);
        Note("database stopped");
    } else if (name == "begin") {
        noArgs();
        FBackend.Begin();
        Note("transaction started");
    } else if (name == "commit") {
        noArgs();
        FBackend.Commit();
        Note("committed");
    } else if (name == "rollback") {
        noArgs();
        FBackend.Rollback();
        Note("rolled back");
    } else if (name == "timing") {
        FTiming = ParseSwitch(words(), FTiming, name);
        Note(FTiming ? "timing is on" : "timing is off");
    } else if (name == "bail") {
        FBail = ParseSwitch(words(), FBail, name);
        Note(FBail ? "bail is on" : "bail is off");
    } else if (name == "format") {
        auto w = words();
        if (w.size() > 1) throw usage();
        if (w.size() == 1) {
            if (!ParseOutputFormat(w[0], FFormat.Format))
                throw CommandError("\\format: unknown format '" + w[0] + "' (table, csv or json)");
            MakeWriter();
        }
        Note("output format is " + std::string(OutputFormatName(FFormat.Format)));
    } else if (name == "expanded") {
        auto w = words();
        if (w.size() > 1) throw usage();
        if (w.empty()) {
            FFormat.Expanded = FFormat.Expanded == ExpandedMode::On ? ExpandedMode::Off : ExpandedMode::On;
        } else if (w[0] == "on") {
            FFormat.Expanded = ExpandedMode::On;
        } else if (w[0] == "off") {
            FFormat.Expanded = ExpandedMode::Off;
        } else if (w[0] == "auto") {
            FFormat.Expanded = ExpandedMode::Auto;
        } else {
            throw usage();
        }
        MakeWriter();
        Note(FFormat.Expanded == ExpandedMode::On    ? "expanded is on"
             : FFormat.Expanded == ExpandedMode::Off ? "expanded is off"
                                                     : "expanded is auto");
    } else if (name == "pager") {
        const bool on = ParseSwitch(words(), FFormat.PagerProgram != nullptr, name);
        if (on && FPager == nullptr)
            throw CommandError("\\pager: no pager here (the output is no terminal, or no pager program was found)");
        FFormat.PagerProgram = on ? FPager : nullptr;
        MakeWriter();
        Note(on ? "pager is on" : "pager is off");
    } else if (name == "param") {
        if (rest.empty()) {
            TableResult r(
                {{"name", ColumnType::Text}, {"type", ColumnType::Text}, {"value", ColumnType::Unknown}});
            for (const ParamValue& p : FParams.Items())
                r.AddRow({Cell::Text(p.Name()), Cell::Text(CellKindName(p.Kind())), p.Value()});
            WriteRows(r);
        } else {
            FParams.Set(ParseParam(rest));
        }
    } else if (name == "unparam") {
        auto w = words();
        if (w.size() != 1) throw usage();
        if (!FParams.Remove(w[0])) throw CommandError("\\unparam: no value for :" + w[0] + " was set");
    } else if (name == "help") {
        FWriter->Flush();
        FOut << CommandHelpText() << std::flush;
    } else if (name == "quit") {
        FQuit = true;
    }
}

} // namespace tnxsql
