// The library's backend: TAsaSession and TAsaSQL behind the tool's Backend; see AsaBackend.h.
#include "tools/tnxsql/AsaBackend.h"

#include "asa/AsaSQL.h"
#include "asa/AsaSession.h"
#include "tools/tnxsql/AsaResultSet.h"
#include "tools/tnxsql/AsaValues.h"
#include "tools/tnxsql/TableResult.h"

#include <filesystem>
#include <vector>

namespace tnxsql {

namespace {

constexpr const char* NotConnected = "not connected to a database";

// The library's warning that a fetch found no row.
constexpr int32_t NotFound = 100;

// The client library the session loads, on the embedded default.
constexpr const char* ClientLibraryFile = "dblib6.dll";

// Rows per fetch: large enough that a block fetch costs little per row, small enough that the
// first rows of a long query show at once.
constexpr int32_t FetchRows = 100;

// The database the engine serves beside the started ones; it creates database files.
constexpr const char* UtilityDatabase = "utility_db";

// Where the tables, views and columns are listed: the catalogue of the database engine that the
// client library runs the databases on. The library's own tables (users, options) are left out.
constexpr const char* TablesQuery =
    "SELECT name, type AS kind FROM sqlite_master WHERE type IN ('table', 'view') "
    "AND name NOT LIKE 'sqlite!_%' ESCAPE '!' AND name NOT LIKE 'tnx!_sys%' ESCAPE '!' ORDER BY name";
constexpr const char* ColumnsQuery =
    "SELECT name, type, \"notnull\", pk, dflt_value FROM pragma_table_info(?) ORDER BY cid";

std::string Quoted(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

std::vector<vcl::Variant> ToVariants(std::span<const BoundParam> params) {
    std::vector<vcl::Variant> values;
    values.reserve(params.size());
    for (const BoundParam& p : params)
        values.push_back(CellToVariant(p.Value));
    return values;
}

// Runs `work`, turning whatever the library raises into BackendError.
template <class F>
auto Guarded(F&& work) -> decltype(work()) {
    try {
        return work();
    } catch (const BackendError&) {
        throw;
    } catch (const std::exception& e) {
        throw ToBackendError(e);
    }
}

} // namespace

BackendError ToBackendError(const std::exception& e) {
    if (const auto* ce = dynamic_cast<const tnx::ECorvexException*>(&e))
        return BackendError(ce->what(), ce->ErrorCode());
    return BackendError(e.what(), 0);
}

void ThrowLastError(tnx::TCorvexSQL& statement, const char* fallback) {
    tnx::TCorvexSession* session = statement.GetAssignedSession();
    if (session != nullptr && !session->GetLastError().empty() && session->GetLastErrorCode() <= 0)
        throw BackendError(session->GetLastError(), session->GetLastErrorCode());
    throw BackendError(fallback, 0);
}

AsaBackend::AsaBackend() : FSession(vcl::New<tnx::TAsaSession>()), FQuery(vcl::New<tnx::TAsaSQL>()) {
    tnx::TAsaSession& s = *FSession;
    s.SetLibraryFile(ClientLibraryFile);
    s.SetWantExceptions(true);
    // Each statement commits on its own unless \begin started a transaction; nothing is committed
    // behind the user's back when the connection ends.
    s.SetAutoCommit(true);
    s.SetCommitOnDisconnect(false);
    s.SetOnServerMessage(
        [this](vcl::TObject*, tnx::TServerMessageType type, int32_t code, const vcl::AnsiString& msg) {
            if (FOnMessage) FOnMessage(static_cast<MessageKind>(type), code, msg);
        });
    s.SetOnServerWait([this](vcl::TObject*, bool& abort) {
        if (FCancel.load(std::memory_order_relaxed)) abort = true;
        if (FOnWait) FOnWait();
    });
    FServerParams = s.GetServerParams();
    FQuery->SetSession(FSession.get());
    FQuery->SetWantExceptions(true);
    FQuery->SetMaxFetchCount(FetchRows);
    // Values and names as stored: 64-bit integers exact, column names whole.
    FQuery->SetLargeIntegers(true);
    FQuery->SetLongColumnNames(true);
}

AsaBackend::~AsaBackend() {
    Disconnect();
    FQuery.reset();
    FControl.reset();
    FSession.reset();
}

std::string AsaBackend::Description() const {
    std::string text = "Tarnix TAsaSession, client library " + std::string(ClientLibraryFile);
    try {
        const vcl::AnsiString version = FSession->GetLibraryVersion();
        text += " " + version;
        if (!FSession->GetLibraryDirectory().empty()) text += " in " + FSession->GetLibraryDirectory();
    } catch (const std::exception& e) {
        text += " (not loaded: " + std::string(e.what()) + ")";
    }
    return text;
}

void AsaBackend::Configure(const ConnectSettings& settings) {
    FSettings = settings;
    FPlan = PlanLogin(settings);
    FConfigured = true;
    FSession->SetLibraryPath(settings.LibraryDir);
    ApplyPlan();
}

void AsaBackend::ApplyPlan() {
    tnx::TAsaSession& s = *FSession;
    s.SetServerType(FPlan.StartEngine ? tnx::stServer : tnx::stClient);
    // Read-only: the switch -r on the engine's start line, and among the database switches for a
    // database the connection starts on a running engine.
    s.SetServerParams(FSettings.ReadOnly ? FServerParams + " -r" : FServerParams);
    s.SetLoginDatabase(FPlan.Database);
    s.SetLoginEngineName(FPlan.Engine);
    s.SetLoginUser(FPlan.User);
    s.SetLoginPassword(std::string(FPlan.Password.View()));
    s.SetClientParams(FSettings.ReadOnly ? FPlan.ClientParams + (FPlan.ClientParams.empty() ? "" : ";") + "dbs=-r"
                                         : FPlan.ClientParams);
}

void AsaBackend::Connect() {
    if (!FConfigured) throw BackendError("no database was named", 0);
    FCancel.store(false);
    Guarded([&] {
        if (FSettings.Create) CreateDatabaseFile();
        FSession->SetConnected(true);
    });
    if (!FSession->GetConnected()) throw BackendError(FSession->GetLastError(), FSession->GetLastErrorCode());
}

void AsaBackend::CreateDatabaseFile() {
    const std::string file = FPlan.Database;
    if (!FPlan.StartEngine || file.empty()) throw BackendError("--create needs a database file", 0);
    std::error_code ec;
    if (std::filesystem::exists(file)) {
        // An empty file holds nothing to lose: the new database takes its place.
        if (!std::filesystem::is_regular_file(file, ec) || std::filesystem::file_size(file, ec) != 0 || ec ||
            !std::filesystem::remove(file, ec))
            throw BackendError(file + " already exists; it is not overwritten", 0);
    }
    tnx::TAsaSession& s = *FSession;
    // An engine of the database's own name that serves only the utility database, which creates
    // the file; the database is then started on this same engine.
    const std::string engine = FPlan.Engine.empty() ? FilePrefix(file) : FPlan.Engine;
    try {
        s.SetServerType(tnx::stClient);
        s.SetLoginEngineName(engine);
        s.SetLoginDatabase("");
        s.StartDatabaseEngine();
        s.SetLoginDatabase(UtilityDatabase);
        s.SetLoginUser(DefaultUser);
        s.SetLoginPassword(DefaultPassword);
        s.SetClientParams("");
        s.SetConnected(true);
        std::string sql = "CREATE DATABASE " + Quoted(file);
        if (!FPlan.User.empty()) sql += " DBA USER " + Quoted(FPlan.User);
        sql += " DBA PASSWORD " + Quoted(FPlan.Password.View());
        if (!FQuery->ExecuteImmediate(sql)) ThrowLastError(*FQuery, "the database file could not be created");
        s.SetConnected(false);
    } catch (...) {
        try {
            s.SetConnected(false);
        } catch (...) {
            // The failure that brought us here is the one to report.
        }
        ApplyPlan();
        throw;
    }
    ApplyPlan();
    s.SetLoginEngineName(engine);
}

void AsaBackend::Disconnect() noexcept {
    try {
        if (!FSession->GetConnected()) return;
        FQuery->Close();
        if (FSession->GetInTransaction()) FSession->Rollback();
    } catch (...) {
        // The disconnect below ends the connection whatever happened to the statement.
    }
    try {
        FSession->SetConnected(false);
    } catch (...) {
        // A disconnect always ends disconnected (the session guarantees it); the error is moot.
    }
}

bool AsaBackend::Connected() const {
    return FSession->GetConnected();
}

void AsaBackend::RequireConnected() const {
    if (!FSession->GetConnected()) throw BackendError(NotConnected, 0);
}

void AsaBackend::ThrowSessionError(const char* fallback) const {
    ThrowSessionError(*FSession, fallback);
}

void AsaBackend::ThrowSessionError(const tnx::TAsaSession& session, const char* fallback) {
    const int32_t code = session.GetLastErrorCode();
    if (code < 0 && !session.GetLastError().empty()) throw BackendError(session.GetLastError(), code);
    throw BackendError(fallback, 0);
}

void AsaBackend::ReportWarning(bool afterOpen) {
    const int32_t code = FSession->GetLastErrorCode();
    // An open whose first fetch finds no row is an empty result, not news.
    if (code <= 0 || (afterOpen && code == NotFound) || !FOnMessage) return;
    std::string_view text = FSession->GetLastError();
    // The front end marks warnings itself.
    if (text.starts_with("Warning: ")) text.remove_prefix(9);
    FOnMessage(MessageKind::Warning, code, text);
}

// ---- Statements -----------------------------------------------------------------------------------

bool AsaBackend::OpenIfQuery(std::string_view sql, std::span<const BoundParam> params) {
    tnx::TAsaSQL& q = *FQuery;
    q.Close();
    if (!q.Describe(vcl::AnsiString(sql))) ThrowLastError(q, "the statement could not be prepared");
    if (q.GetFieldCount() == 0 && !q.GetDescribeAfterOpen()) {
        q.UnprepareOpen();
        return false;
    }
    const std::vector<vcl::Variant> values = ToVariants(params);
    if (!q.OpenReadPrepared(tnx::TVariantOpenArray(values)) && !q.GetActive())
        ThrowLastError(q, "the query could not be opened");
    return true;
}

ExecResult AsaBackend::Execute(std::string_view sql, std::span<const BoundParam> params) {
    RequireConnected();
    FCancel.store(false);
    return Guarded([&] {
        ExecResult r;
        if (OpenIfQuery(sql, params)) {
            ReportWarning(true);
            r.Rows = std::make_unique<AsaResultSet>(*FQuery, FCancel);
            return r;
        }
        const std::vector<vcl::Variant> values = ToVariants(params);
        tnx::TAsaSQL& q = *FQuery;
        if (!q.Execute(vcl::AnsiString(sql), tnx::TVariantOpenArray(values))) {
            if (FSession->GetLastErrorCode() <= 0) ThrowLastError(q, "the statement failed");
            ReportWarning(false);
        }
        r.RowsAffected = q.GetRowsProcessed();
        return r;
    });
}

std::string AsaBackend::Explain(std::string_view sql, std::span<const BoundParam> params) {
    RequireConnected();
    FCancel.store(false);
    return Guarded([&] {
        if (!OpenIfQuery(sql, params)) throw BackendError("only a query has a plan to explain", 0);
        std::string plan;
        try {
            plan = FQuery->Explain();
        } catch (...) {
            FQuery->Close();
            throw;
        }
        FQuery->Close();
        if (plan.empty()) ThrowSessionError("the library gave no plan for the query");
        return plan;
    });
}

// ---- Catalogue ------------------------------------------------------------------------------------

std::unique_ptr<ResultSet> AsaBackend::ListTables() {
    RequireConnected();
    FCancel.store(false);
    return Guarded([&]() -> std::unique_ptr<ResultSet> {
        OpenIfQuery(TablesQuery, {});
        return std::make_unique<AsaResultSet>(*FQuery, FCancel);
    });
}

std::unique_ptr<ResultSet> AsaBackend::ListColumns(std::string_view table) {
    RequireConnected();
    FCancel.store(false);
    return Guarded([&]() -> std::unique_ptr<ResultSet> {
        const BoundParam name{"table", Cell::Text(table)};
        OpenIfQuery(ColumnsQuery, std::span<const BoundParam>(&name, 1));
        AsaResultSet rows(*FQuery, FCancel);
        auto out = std::make_unique<TableResult>(std::vector<Column>{{"name", ColumnType::Text},
                                                                     {"type", ColumnType::Text},
                                                                     {"nullable", ColumnType::Boolean},
                                                                     {"key", ColumnType::Boolean},
                                                                     {"default", ColumnType::Text}});
        auto flag = [](const Cell& c) { return c.Kind() == CellKind::Integer && c.AsInteger() != 0; };
        while (rows.Next()) {
            std::span<const Cell> r = rows.Row();
            const bool key = flag(r[3]);
            out->AddRow({r[0], r[1], Cell::Boolean(!flag(r[2]) && !key), Cell::Boolean(key),
                         r[4].Kind() == CellKind::Text ? r[4] : Cell::Null()});
        }
        if (out->RowCount() == 0)
            throw BackendError("no table or view named '" + std::string(table) + "'", 0);
        return out;
    });
}

// ---- Session services -----------------------------------------------------------------------------

void AsaBackend::Backup(const std::string& folder, BackupKind kind, const BackupProgressHandler& progress) {
    RequireConnected();
    FCancel.store(false);
    FSession->SetOnBackup([&](vcl::TObject*, const vcl::AnsiString& file, int32_t pages, int32_t page) {
        if (progress) progress(file, pages, page);
    });
    try {
        Guarded([&] {
            if (!FSession->Backup(folder, static_cast<tnx::TBackupType>(kind)))
                ThrowSessionError("no file of the database was copied");
        });
    } catch (...) {
        FSession->SetOnBackup({});
        throw;
    }
    FSession->SetOnBackup({});
}

std::string AsaBackend::GetOption(std::string_view name) {
    RequireConnected();
    FCancel.store(false);
    return Guarded([&] {
        vcl::AnsiString value;
        if (!FSession->GetOption(std::string(name).c_str(), value))
            ThrowSessionError("the option could not be read");
        return std::string(value);
    });
}

void AsaBackend::SetOption(std::string_view name, std::string_view value) {
    RequireConnected();
    FCancel.store(false);
    Guarded([&] {
        if (!FSession->SetOption(std::string(name).c_str(), std::string(value).c_str()))
            ThrowSessionError("the option could not be set");
    });
}

ConnectionInfo AsaBackend::Info() {
    RequireConnected();
    return Guarded([&] {
        ConnectionInfo info;
        vcl::AnsiString v;
        if (!FSession->GetConnectionInfo(tnx::ciEngineVersion, v))
            ThrowSessionError("no connection information");
        info.EngineVersion = v;
        if (!FSession->GetConnectionInfo(tnx::ciEngineName, v))
            ThrowSessionError("no connection information");
        info.EngineName = v;
        if (!FSession->GetConnectionInfo(tnx::ciDatabaseName, v))
            ThrowSessionError("no connection information");
        info.DatabaseName = v;
        return info;
    });
}

void AsaBackend::LocateServers(const ServerFoundHandler& found) {
    FCancel.store(false);
    FSession->SetOnLocateServers([&](vcl::TObject*, const vcl::AnsiString& name,
                                     const vcl::AnsiString& address, int32_t port, bool& abort) {
        ServerInfo s{name, address, port};
        if (!found(s) || FCancel.load(std::memory_order_relaxed)) abort = true;
    });
    try {
        Guarded([&] {
            if (!FSession->LocateServers()) ThrowSessionError("the client library cannot locate servers");
        });
    } catch (...) {
        FSession->SetOnLocateServers({});
        throw;
    }
    FSession->SetOnLocateServers({});
}

void AsaBackend::Ping(std::string_view connection) {
    FCancel.store(false);
    Guarded([&] {
        std::string text(connection);
        if (text.find_first_not_of(" \t") == std::string::npos) text = FSession->GetConnectEngineParams();
        if (!FSession->Ping(text.c_str())) ThrowSessionError("no server answers");
    });
}

tnx::TAsaSession& AsaBackend::ControlSession(std::string_view text) {
    LoginPlan plan = FPlan;
    if (text.find_first_not_of(" \t") != std::string_view::npos) {
        ConnectSettings settings;
        settings.ConnectionString = std::string(text);
        plan = PlanLogin(settings);
        // The engine defaults to the one this tool runs its database on.
        if (plan.Engine.empty()) {
            plan.Engine = !FPlan.Engine.empty() ? FPlan.Engine
                          : FPlan.StartEngine   ? FilePrefix(FPlan.Database)
                                                : std::string();
            if (FSession->GetConnected()) {
                vcl::AnsiString engine;
                if (FSession->GetConnectionInfo(tnx::ciEngineName, engine)) plan.Engine = engine;
            }
        }
    }
    if (!FControl) {
        FControl = vcl::New<tnx::TAsaSession>();
        FControl->SetLibraryFile(ClientLibraryFile);
        FControl->SetLibraryPath(FSettings.LibraryDir);
        FControl->SetWantExceptions(true);
    }
    FControl->SetLoginEngineName(plan.Engine);
    FControl->SetLoginDatabase(plan.Database);
    FControl->SetClientParams(plan.ClientParams);
    FControl->SetLoginUser(plan.User);
    FControl->SetLoginPassword(std::string(plan.Password.View()));
    return *FControl;
}

void AsaBackend::StartDatabase(std::string_view connection) {
    FCancel.store(false);
    Guarded([&] {
        if (!ControlSession(connection).StartDatabase(""))
            ThrowSessionError(*FControl, "the database could not be started");
    });
}

void AsaBackend::StopDatabase(std::string_view connection) {
    FCancel.store(false);
    Guarded([&] {
        if (!ControlSession(connection).StopDatabase(""))
            ThrowSessionError(*FControl, "the database could not be stopped");
    });
}

// ---- Transactions ---------------------------------------------------------------------------------

void AsaBackend::Begin() {
    RequireConnected();
    Guarded([&] { FSession->StartTransaction(); });
}

void AsaBackend::Commit() {
    RequireConnected();
    Guarded([&] {
        if (!FSession->Commit()) ThrowSessionError("the commit failed");
    });
}

void AsaBackend::Rollback() {
    RequireConnected();
    Guarded([&] {
        if (!FSession->Rollback()) ThrowSessionError("the rollback failed");
    });
}

bool AsaBackend::InTransaction() const {
    return FSession->GetConnected() && FSession->GetInTransaction();
}

} // namespace tnxsql
