// A Backend for driving the shell in tests: it records every call, answers statements through a
// function the test supplies, and fails any method on request. It holds no database; results are
// TableResults the test builds.
#pragma once

#include "tools/tnxsql/Backend.h"
#include "tools/tnxsql/TableResult.h"

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tnxtest {

class TestBackend : public tnxsql::Backend {
public:
    using ExecuteFn =
        std::function<tnxsql::ExecResult(std::string_view sql, std::span<const tnxsql::BoundParam>)>;

    std::vector<std::string> Calls; // "Execute(sql)[name=value,...]", "Backup(dir,1)", ...
    ExecuteFn OnExecute;            // default: 0 rows affected
    std::map<std::string, tnxsql::BackendError> Failures; // method name -> error it throws
    std::atomic<bool> CancelRequested{false};
    bool IsConnected = true;
    bool Transaction = false;
    tnxsql::MessageHandler Message;
    tnxsql::WaitHandler Wait;
    tnxsql::ConnectSettings Settings;

    // Records a call, then throws the failure set for `method`, if any.
    void Call(const std::string& method, const std::string& args = {});

    std::string Description() const override { return "test backend"; }
    void Configure(const tnxsql::ConnectSettings& s) override { Settings = s; }
    void Connect() override;
    void Disconnect() noexcept override;
    bool Connected() const override { return IsConnected; }
    tnxsql::ExecResult Execute(std::string_view sql, std::span<const tnxsql::BoundParam> params) override;
    std::string Explain(std::string_view sql, std::span<const tnxsql::BoundParam> params) override;
    void SetMessageHandler(tnxsql::MessageHandler h) override { Message = std::move(h); }
    void SetWaitHandler(tnxsql::WaitHandler h) override { Wait = std::move(h); }
    void RequestCancel() noexcept override { CancelRequested.store(true); }
    std::unique_ptr<tnxsql::ResultSet> ListTables() override;
    std::unique_ptr<tnxsql::ResultSet> ListColumns(std::string_view table) override;
    void Backup(const std::string& folder, tnxsql::BackupKind kind,
                const tnxsql::BackupProgressHandler& progress) override;
    std::string GetOption(std::string_view name) override;
    void SetOption(std::string_view name, std::string_view value) override;
    tnxsql::ConnectionInfo Info() override;
    void LocateServers(const tnxsql::ServerFoundHandler& found) override;
    void Ping(std::string_view connection) override;
    void StartDatabase(std::string_view connection) override;
    void StopDatabase(std::string_view connection) override;
    void Begin() override;
    void Commit() override;
    void Rollback() override;
    bool InTransaction() const override { return Transaction; }
};

// "name=value" for each bound parameter, in order.
std::string DescribeParams(std::span<const tnxsql::BoundParam> params);

// A result of one text column "v" with the given values.
std::unique_ptr<tnxsql::TableResult> TextRows(std::vector<std::string> values);

} // namespace tnxtest
