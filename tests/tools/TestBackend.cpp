// The recording backend of the shell tests; see TestBackend.h.
#include "TestBackend.h"

#include "tools/tnxsql/CellText.h"

namespace tnxtest {

using namespace tnxsql;

void TestBackend::Call(const std::string& method, const std::string& args) {
    Calls.push_back(method + "(" + args + ")");
    auto it = Failures.find(method);
    if (it != Failures.end()) throw it->second;
}

void TestBackend::Connect() {
    Call("Connect");
    IsConnected = true;
}

void TestBackend::Disconnect() noexcept {
    Calls.push_back("Disconnect()");
    IsConnected = false;
}

std::string DescribeParams(std::span<const BoundParam> params) {
    std::string out;
    for (const BoundParam& p : params) {
        if (!out.empty()) out += ',';
        out += std::string(p.Name) + "=";
        switch (p.Value.Kind()) {
        case CellKind::Null:
            out += "NULL";
            break;
        case CellKind::Integer:
            AppendInteger(out, p.Value.AsInteger());
            break;
        case CellKind::Float:
            AppendFloat(out, p.Value.AsFloat());
            break;
        case CellKind::Boolean:
            out += p.Value.AsBoolean() ? "true" : "false";
            break;
        case CellKind::Text:
            out += "'" + std::string(p.Value.AsBytes()) + "'";
            break;
        case CellKind::Binary:
            AppendHex(out, p.Value.AsBytes());
            break;
        default:
            AppendTimestamp(out, p.Value.Kind(), p.Value.AsTimestamp());
            break;
        }
    }
    return out;
}

ExecResult TestBackend::Execute(std::string_view sql, std::span<const BoundParam> params) {
    CancelRequested.store(false);
    Call("Execute", std::string(sql) + (params.empty() ? "" : " [" + DescribeParams(params) + "]"));
    if (OnExecute) return OnExecute(sql, params);
    ExecResult r;
    r.RowsAffected = 0;
    return r;
}

std::string TestBackend::Explain(std::string_view sql, std::span<const BoundParam> params) {
    Call("Explain", std::string(sql) + (params.empty() ? "" : " [" + DescribeParams(params) + "]"));
    return "scan t\nindex i";
}

std::unique_ptr<TableResult> TextRows(std::vector<std::string> values) {
    auto r = std::make_unique<TableResult>(std::vector<Column>{{"v", ColumnType::Text}});
    for (auto& v : values)
        r->AddRow({Cell::Text(v)});
    return r;
}

std::unique_ptr<ResultSet> TestBackend::ListTables() {
    Call("ListTables");
    auto r = std::make_unique<TableResult>(
        std::vector<Column>{{"name", ColumnType::Text}, {"kind", ColumnType::Text}});
    r->AddRow({Cell::Text("orders"), Cell::Text("table")});
    r->AddRow({Cell::Text("v_sales"), Cell::Text("view")});
    return r;
}

std::unique_ptr<ResultSet> TestBackend::ListColumns(std::string_view table) {
    Call("ListColumns", std::string(table));
    auto r = std::make_unique<TableResult>(std::vector<Column>{
        {"name", ColumnType::Text}, {"type", ColumnType::Text}, {"nullable", ColumnType::Boolean}});
    r->AddRow({Cell::Text("id"), Cell::Text("integer"), Cell::Boolean(false)});
    return r;
}

void TestBackend::Backup(const std::string& folder, BackupKind kind, const BackupProgressHandler& progress) {
    Call("Backup", folder + "," + std::to_string(static_cast<int>(kind)));
    for (int page = 1; page <= 4; ++page)
        progress("db.db", 4, page);
    progress("db.log", 1, 1);
}

std::string TestBackend::GetOption(std::string_view name) {
    Call("GetOption", std::string(name));
    return "ON";
}

void TestBackend::SetOption(std::string_view name, std::string_view value) {
    Call("SetOption", std::string(name) + "," + std::string(value));
}

ConnectionInfo TestBackend::Info() {
    Call("Info");
    return ConnectionInfo{"9.0.1", "eng1", "sales"};
}

void TestBackend::LocateServers(const ServerFoundHandler& found) {
    Call("LocateServers");
    if (found(ServerInfo{"alpha", "10.0.0.1", 2638})) found(ServerInfo{"beta", "10.0.0.2", 2639});
}

void TestBackend::Ping(std::string_view connection) {
    Call("Ping", std::string(connection));
}
void TestBackend::StartDatabase(std::string_view connection) {
    Call("StartDatabase", std::string(connection));
}
void TestBackend::StopDatabase(std::string_view connection) {
    Call("StopDatabase", std::string(connection));
}

void TestBackend::Begin() {
    Call("Begin");
    Transaction = true;
}

void TestBackend::Commit() {
    Call("Commit");
    Transaction = false;
}

void TestBackend::Rollback() {
    Call("Rollback");
    Transaction = false;
}

} // namespace tnxtest
