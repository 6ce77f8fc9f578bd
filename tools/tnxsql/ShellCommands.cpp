// The backslash commands of the shell: one handler per command, found by the command's name
// through the table in Shell::HandlerFor. RunCommand (Shell.cpp) runs \include itself and turns
// what a handler raises into a reported failure.
#include "tools/tnxsql/Shell.h"

#include "tools/tnxsql/Interrupt.h"
#include "tools/tnxsql/Params.h"
#include "tools/tnxsql/TableResult.h"
#include "tools/tnxsql/Text.h"

#include <filesystem>
#include <ostream>

namespace tnxsql {

namespace {

// "on", "off" (and their synonyms) or nothing, which toggles `current`.
bool ParseSwitch(const std::vector<std::string>& words, bool current, std::string_view name) {
    if (words.empty()) return !current;
    const std::string w = AsciiLowered(words[0]);
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

// A table of two text columns, filled a row at a time.
TableResult PropertyTable(std::string_view key, std::string_view value) {
    return TableResult({{std::string(key), ColumnType::Text}, {std::string(value), ColumnType::Text}});
}

} // namespace

std::vector<std::string> Shell::CommandCall::Words() const {
    return SplitWords(Rest);
}

CommandError Shell::CommandCall::Usage() const {
    return CommandError("usage: \\" + std::string(Info.Name) + (Info.Args.empty() ? "" : " ") +
                        std::string(Info.Args));
}

void Shell::CommandCall::NoArgs() const {
    if (!Rest.empty()) throw Usage();
}

Shell::CommandHandler Shell::HandlerFor(std::string_view name) {
    static constexpr struct {
        std::string_view Name;
        CommandHandler Run;
    } Handlers[] = {
        {"tables", &Shell::CmdTables},     {"columns", &Shell::CmdColumns},   {"backup", &Shell::CmdBackup},
        {"option", &Shell::CmdOption},     {"info", &Shell::CmdInfo},         {"servers", &Shell::CmdServers},
        {"ping", &Shell::CmdPing},         {"explain", &Shell::CmdExplain},   {"startdb", &Shell::CmdStartDb},
        {"stopdb", &Shell::CmdStopDb},     {"begin", &Shell::CmdBegin},       {"commit", &Shell::CmdCommit},
        {"rollback", &Shell::CmdRollback}, {"timing", &Shell::CmdTiming},     {"bail", &Shell::CmdBail},
        {"format", &Shell::CmdFormat},     {"expanded", &Shell::CmdExpanded}, {"pager", &Shell::CmdPager},
        {"param", &Shell::CmdParam},       {"unparam", &Shell::CmdUnparam},   {"help", &Shell::CmdHelp},
        {"quit", &Shell::CmdQuit},
    };
    for (const auto& h : Handlers)
        if (h.Name == name) return h.Run;
    return nullptr;
}

void Shell::Command(const std::string& name, const std::string& rest, const Where&) {
    const CommandInfo* info = FindCommand(name);
    CommandHandler run = info ? HandlerFor(info->Name) : nullptr;
    if (!run) throw CommandError("unknown command \\" + name);
    (this->*run)(CommandCall{*info, rest});
}

// ---- Catalogue and database control -------------------------------------------------------------

void Shell::CmdTables(const CommandCall& c) {
    c.NoArgs();
    auto rows = FBackend.ListTables();
    WriteRows(*rows);
}

void Shell::CmdColumns(const CommandCall& c) {
    auto w = c.Words();
    if (w.size() != 1) throw c.Usage();
    auto rows = FBackend.ListColumns(w[0]);
    WriteRows(*rows);
}

void Shell::CmdBackup(const CommandCall& c) {
    auto w = c.Words();
    if (w.empty() || w.size() > 2) throw c.Usage();
    BackupKind kind = BackupKind::Full;
    if (w.size() == 2) {
        if (w[1] == "full")
            kind = BackupKind::Full;
        else if (w[1] == "full-rename-log")
            kind = BackupKind::FullRenameLog;
        else if (w[1] == "rename-log")
            kind = BackupKind::RenameLog;
        else
            throw CommandError("\\backup: unknown kind '" + w[1] + "' (full, full-rename-log or rename-log)");
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
}

void Shell::CmdOption(const CommandCall& c) {
    auto w = c.Words();
    if (w.empty() || w.size() > 2) throw c.Usage();
    if (w.size() == 2) {
        FBackend.SetOption(w[0], w[1]);
        Note("option " + w[0] + " set to " + w[1]);
        return;
    }
    std::string value = FBackend.GetOption(w[0]);
    TableResult r = PropertyTable("option", "value");
    r.AddRow({Cell::Text(w[0]), Cell::Text(value)});
    WriteRows(r);
}

void Shell::CmdInfo(const CommandCall& c) {
    c.NoArgs();
    TableResult r = PropertyTable("property", "value");
    auto add = [&](std::string_view k, const std::string& v) { r.AddRow({Cell::Text(k), Cell::Text(v)}); };
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
}

void Shell::CmdServers(const CommandCall& c) {
    c.NoArgs();
    TableResult r({{"name", ColumnType::Text}, {"address", ColumnType::Text}, {"port", ColumnType::Integer}});
    FBackend.LocateServers([&](const ServerInfo& s) {
        r.AddRow({Cell::Text(s.Name), Cell::Text(s.Address), Cell::Integer(s.Port)});
        return !interrupt::Pending();
    });
    WriteRows(r);
}

void Shell::CmdPing(const CommandCall& c) {
    FScrubber.LearnConnectionString(c.Rest);
    FBackend.Ping(c.Rest);
    Note("the server answers");
}

void Shell::CmdExplain(const CommandCall& c) {
    std::string_view sql = StripSemicolons(c.Rest);
    if (sql.empty()) throw c.Usage();
    std::vector<BoundParam> params = BindParams(sql, FParams);
    std::string plan = FBackend.Explain(sql, params);
    if (FFormat.Format == OutputFormat::Table) {
        FWriter->Flush();
        FOut << plan;
        if (plan.empty() || plan.back() != '\n') FOut << '\n';
        FOut.flush();
        return;
    }
    TableResult r({{"plan", ColumnType::LongText}});
    r.AddRow({Cell::Text(plan)});
    WriteRows(r);
}

void Shell::CmdStartDb(const CommandCall& c) {
    FScrubber.LearnConnectionString(c.Rest);
    FBackend.StartDatabase(c.Rest);
    Note("database started");
}

void Shell::CmdStopDb(const CommandCall& c) {
    FScrubber.LearnConnectionString(c.Rest);
    FBackend.StopDatabase(c.Rest);
    Note("database stopped");
}

// ---- Transactions -------------------------------------------------------------------------------

void Shell::CmdBegin(const CommandCall& c) {
    c.NoArgs();
    FBackend.Begin();
    Note("transaction started");
}

void Shell::CmdCommit(const CommandCall& c) {
    c.NoArgs();
    FBackend.Commit();
    Note("committed");
}

void Shell::CmdRollback(const CommandCall& c) {
    c.NoArgs();
    FBackend.Rollback();
    Note("rolled back");
}

// ---- Settings of the shell ----------------------------------------------------------------------

void Shell::CmdTiming(const CommandCall& c) {
    FTiming = ParseSwitch(c.Words(), FTiming, c.Info.Name);
    Note(FTiming ? "timing is on" : "timing is off");
}

void Shell::CmdBail(const CommandCall& c) {
    FBail = ParseSwitch(c.Words(), FBail, c.Info.Name);
    Note(FBail ? "bail is on" : "bail is off");
}

void Shell::CmdFormat(const CommandCall& c) {
    auto w = c.Words();
    if (w.size() > 1) throw c.Usage();
    if (w.size() == 1) {
        if (!ParseOutputFormat(w[0], FFormat.Format))
            throw CommandError("\\format: unknown format '" + w[0] + "' (table, csv or json)");
        MakeWriter();
    }
    Note("output format is " + std::string(OutputFormatName(FFormat.Format)));
}

void Shell::CmdExpanded(const CommandCall& c) {
    auto w = c.Words();
    if (w.size() > 1) throw c.Usage();
    if (w.empty())
        FFormat.Expanded = FFormat.Expanded == ExpandedMode::On ? ExpandedMode::Off : ExpandedMode::On;
    else if (w[0] == "on")
        FFormat.Expanded = ExpandedMode::On;
    else if (w[0] == "off")
        FFormat.Expanded = ExpandedMode::Off;
    else if (w[0] == "auto")
        FFormat.Expanded = ExpandedMode::Auto;
    else
        throw c.Usage();
    MakeWriter();
    Note(FFormat.Expanded == ExpandedMode::On    ? "expanded is on"
         : FFormat.Expanded == ExpandedMode::Off ? "expanded is off"
                                                 : "expanded is auto");
}

void Shell::CmdPager(const CommandCall& c) {
    const bool on = ParseSwitch(c.Words(), FFormat.PagerProgram != nullptr, c.Info.Name);
    if (on && FPager == nullptr)
        throw CommandError(
            "\\pager: no pager here (the output is no terminal, or no pager program was found)");
    FFormat.PagerProgram = on ? FPager : nullptr;
    MakeWriter();
    Note(on ? "pager is on" : "pager is off");
}

// ---- Parameter values ---------------------------------------------------------------------------

void Shell::CmdParam(const CommandCall& c) {
    if (!c.Rest.empty()) {
        FParams.Set(ParseParam(c.Rest));
        return;
    }
    TableResult r({{"name", ColumnType::Text}, {"type", ColumnType::Text}, {"value", ColumnType::Unknown}});
    for (const ParamValue& p : FParams.Items())
        r.AddRow({Cell::Text(p.Name()), Cell::Text(ParamTypeName(p.Kind())), p.Value()});
    WriteRows(r);
}

void Shell::CmdUnparam(const CommandCall& c) {
    auto w = c.Words();
    if (w.size() != 1) throw c.Usage();
    if (!FParams.Remove(w[0])) throw CommandError("\\unparam: no value for :" + w[0] + " was set");
}

// ---- Help and leaving ---------------------------------------------------------------------------

void Shell::CmdHelp(const CommandCall&) {
    FWriter->Flush();
    FOut << CommandHelpText() << std::flush;
}

void Shell::CmdQuit(const CommandCall&) {
    FQuit = true;
}

} // namespace tnxsql
