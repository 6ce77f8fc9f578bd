// The backend of this build (the library's), and the backend that refuses all database work.
#include "tools/tnxsql/BackendFactory.h"

#include "tools/tnxsql/AsaBackend.h"

namespace tnxsql {

std::unique_ptr<Backend> MakeBackend() {
    return std::make_unique<AsaBackend>();
}

namespace {
[[noreturn]] void Refuse() {
    throw BackendError(NoBackendMessage, 0);
}
} // namespace

std::string UnavailableBackend::Description() const {
    return NoBackendMessage;
}
void UnavailableBackend::Configure(const ConnectSettings&) {}
void UnavailableBackend::Connect() {
    Refuse();
}
ExecResult UnavailableBackend::Execute(std::string_view, std::span<const BoundParam>) {
    Refuse();
}
std::string UnavailableBackend::Explain(std::string_view, std::span<const BoundParam>) {
    Refuse();
}
std::unique_ptr<ResultSet> UnavailableBackend::ListTables() {
    Refuse();
}
std::unique_ptr<ResultSet> UnavailableBackend::ListColumns(std::string_view) {
    Refuse();
}
void UnavailableBackend::Backup(const std::string&, BackupKind, const BackupProgressHandler&) {
    Refuse();
}
std::string UnavailableBackend::GetOption(std::string_view) {
    Refuse();
}
void UnavailableBackend::SetOption(std::string_view, std::string_view) {
    Refuse();
}
ConnectionInfo UnavailableBackend::Info() {
    Refuse();
}
void UnavailableBackend::LocateServers(const ServerFoundHandler&) {
    Refuse();
}
void UnavailableBackend::Ping(std::string_view) {
    Refuse();
}
void UnavailableBackend::StartDatabase(std::string_view) {
    Refuse();
}
void UnavailableBackend::StopDatabase(std::string_view) {
    Refuse();
}
void UnavailableBackend::Begin() {
    Refuse();
}
void UnavailableBackend::Commit() {
    Refuse();
}
void UnavailableBackend::Rollback() {
    Refuse();
}

} // namespace tnxsql
