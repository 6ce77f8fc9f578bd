// Choice of the database backend the program runs on. MakeBackend() is the one place that names an
// implementation: wiring the library's backend is a change of its body (and of the program's link).
#pragma once

#include "tools/tnxsql/Backend.h"

#include <memory>

namespace tnxsql {

// The backend of this build of the program.
std::unique_ptr<Backend> MakeBackend();

// The text with which a program built without a database backend refuses database work.
inline constexpr const char* NoBackendMessage = "no database backend is built into this program yet";

// A backend that has no database behind it: Configure stores nothing, every other method that
// would reach a database throws BackendError(NoBackendMessage, 0). It fakes nothing.
class UnavailableBackend final : public Backend {
public:
    std::string Description() const override;
    void Configure(const ConnectSettings& settings) override;
    void Connect() override;
    void Disconnect() noexcept override {}
    bool Connected() const override { return false; }
    ExecResult Execute(std::string_view sql, std::span<const BoundParam> params) override;
    std::string Explain(std::string_view sql, std::span<const BoundParam> params) override;
    void SetMessageHandler(MessageHandler) override {}
    void SetWaitHandler(WaitHandler) override {}
    void RequestCancel() noexcept override {}
    std::unique_ptr<ResultSet> ListTables() override;
    std::unique_ptr<ResultSet> ListColumns(std::string_view table) override;
    void Backup(const std::string& folder, BackupKind kind, const BackupProgressHandler& progress) override;
    std::string GetOption(std::string_view name) override;
    void SetOption(std::string_view name, std::string_view value) override;
    ConnectionInfo Info() override;
    void LocateServers(const ServerFoundHandler& found) override;
    void Ping(std::string_view connection) override;
    void StartDatabase(std::string_view connection) override;
    void StopDatabase(std::string_view connection) override;
    void Begin() override;
    void Commit() override;
    void Rollback() override;
    bool InTransaction() const override { return false; }
};

} // namespace tnxsql
