// GridDatabase: tnxgrid's connection.
#include "tools/tnxgrid/GridDatabase.h"

#include "asa/TnxAsa.h"
#include "tools/tnxsql/AsaBackend.h"
#include "tools/tnxsql/LoginPlan.h"

namespace tnxgrid {

namespace {

constexpr const char* ClientLibraryFile = "dblib6.dll";

tnxsql::ConnectSettings ToSettings(const GridOptions& options) {
    tnxsql::ConnectSettings settings;
    settings.DatabaseFile = options.Database;
    settings.Create = options.Create;
    settings.User = options.User;
    if (!options.Password.empty()) settings.Password = tnxsql::Secret(options.Password);
    settings.LibraryDir = options.LibraryDir;
    return settings;
}

} // namespace

GridDatabase::GridDatabase() : FSession(vcl::New<tnx::TAsaSession>()), FStatement(vcl::New<tnx::TAsaSQL>()) {
    FSession->SetLibraryFile(ClientLibraryFile);
    FSession->SetWantExceptions(true);
    FSession->SetAutoCommit(true);
    FSession->SetCommitOnDisconnect(false);
    FStatement->SetSession(FSession.get());
    FStatement->SetWantExceptions(true);
}

GridDatabase::~GridDatabase() {
    try {
        Close();
    } catch (...) {
        // Going away: a failing disconnect has nothing left to tell.
    }
    FStatement.reset();
    FSession.reset();
}

void GridDatabase::Open(const GridOptions& options) {
    Close();
    const tnxsql::ConnectSettings settings = ToSettings(options);
    if (options.Create) {
        // tnxsql's backend makes the file exactly as `tnxsql --create` does.
        tnxsql::AsaBackend creator;
        creator.Configure(settings);
        creator.Connect();
        creator.Disconnect();
    }
    const tnxsql::LoginPlan plan = tnxsql::PlanLogin(settings);
    FSession->SetLibraryPath(options.LibraryDir);
    FSession->SetServerType(plan.StartEngine ? tnx::stServer : tnx::stClient);
    FSession->SetLoginDatabase(plan.Database);
    FSession->SetLoginEngineName(plan.Engine);
    FSession->SetLoginUser(plan.User);
    FSession->SetLoginPassword(std::string(plan.Password.View()));
    FSession->SetClientParams(plan.ClientParams);
    FSession->SetConnected(true);
}

void GridDatabase::Close() {
    if (FSession->GetConnected()) FSession->SetConnected(false);
}

bool GridDatabase::IsOpen() const {
    return FSession->GetConnected();
}

std::uint32_t GridDatabase::Execute(const std::string& sql) {
    FStatement->ExecuteImmediate(sql);
    return FStatement->GetRowsProcessed();
}

} // namespace tnxgrid
