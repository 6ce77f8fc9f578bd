// Test fixture for the client library (see DbLibFixture.h).
#include "DbLibFixture.h"

#include <dlfcn.h>

#include <cstring>
#include <stdexcept>

namespace dbtest {

namespace {

template <class F>
void BindFn(void* h, const char* name, F& fn) {
    fn = reinterpret_cast<F>(dlsym(h, name));
}

} // namespace

DbLib::DbLib(const std::string& file) {
    std::string path = tnxtest::BuildLibDir() + "/" + file;
    // Kept loaded for the whole test program: engines are process-wide, and each test uses its own.
    FHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!FHandle) throw std::runtime_error("cannot load " + path + ": " + dlerror());
    if (file.find("dblib7") != std::string::npos) FGeneration = 7;
    else if (file.find("dblib6") != std::string::npos) FGeneration = 6;
    else if (file.find("dblib5") != std::string::npos) FGeneration = 5;
    else FGeneration = 4;
    BindFn(FHandle, "db_init", db_init);
    BindFn(FHandle, "db_fini", db_fini);
    BindFn(FHandle, "db_version_check", db_version_check);
    BindFn(FHandle, "sqlerror_message", sqlerror_message);
    BindFn(FHandle, "alloc_sqlda", alloc_sqlda);
    BindFn(FHandle, "alloc_sqlda_noind", alloc_sqlda_noind);
    BindFn(FHandle, "free_sqlda", free_sqlda);
    BindFn(FHandle, "free_sqlda_noind", free_sqlda_noind);
    BindFn(FHandle, "db_string_connect", db_string_connect);
    BindFn(FHandle, "db_string_disconnect", db_string_disconnect);
    BindFn(FHandle, "db_start_engine", db_start_engine);
    BindFn(FHandle, "db_stop_engine", db_stop_engine);
    BindFn(FHandle, "db_start_database", db_start_database);
    BindFn(FHandle, "db_stop_database", db_stop_database);
    BindFn(FHandle, "db_find_engine", db_find_engine);
    BindFn(FHandle, "db_connection_info", db_connection_info);
    FPrepare = dlsym(FHandle, "dbpp_prepare");
    FDescribe = dlsym(FHandle, "dbpp_describe");
    FExecuteInto = dlsym(FHandle, "dbpp_execute_into");
    FExecuteImm = dlsym(FHandle, "dbpp_execute_imm");
    FDropStmt = dlsym(FHandle, "dbpp_dropstmt");
    FCommit = dlsym(FHandle, "dbpp_commit");
    FRollback = dlsym(FHandle, "dbpp_rollback");
    FSetOption = dlsym(FHandle, "dbpp_setoption");
    FGetOption = dlsym(FHandle, "dbpp_getoption");
    DescriptorVersion = FGeneration == 6 ? 6 : 4;
    DescriptorRecord.version = &DescriptorVersion;
    DescriptorRecord.version2 = &DescriptorVersion;
    Descriptor = &DescriptorRecord;
}

DbLib::~DbLib() { dlclose(FHandle); }

void* DbLib::Symbol(const char* name) const { return dlsym(FHandle, name); }

#define DBPP_CALL(ptr, name, ...)                                                                                 \
    do {                                                                                                         \
        if (FGeneration == 7)                                                                                    \
            reinterpret_cast<name##_fn>(ptr)(ca, __VA_ARGS__);                                                   \
        else                                                                                                     \
            reinterpret_cast<name##_legacy_fn>(ptr)(ca, Descriptor, __VA_ARGS__);                                 \
    } while (0)

void DbLib::Prepare(sqlca* ca, const char* module, short* stmt, const char* sql) {
    DBPP_CALL(FPrepare, dbpp_prepare, nullptr, const_cast<char*>(module), stmt, const_cast<char*>(sql), nullptr, 1u);
}
void DbLib::Describe(sqlca* ca, short* stmt, sqlda* da, unsigned kind) {
    DBPP_CALL(FDescribe, dbpp_describe, nullptr, const_cast<char*>("TNX"), stmt, da, kind);
}
void DbLib::ExecuteInto(sqlca* ca, short* stmt, sqlda* in, sqlda* out) {
    DBPP_CALL(FExecuteInto, dbpp_execute_into, nullptr, const_cast<char*>("TNX"), stmt, in, out);
}
void DbLib::ExecuteImm(sqlca* ca, const char* sql) {
    DBPP_CALL(FExecuteImm, dbpp_execute_imm, const_cast<char*>(sql), 2u);
}
void DbLib::DropStmt(sqlca* ca, short* stmt) {
    DBPP_CALL(FDropStmt, dbpp_dropstmt, nullptr, const_cast<char*>("TNX"), stmt);
}
void DbLib::Commit(sqlca* ca) { DBPP_CALL(FCommit, dbpp_commit, 0u); }
void DbLib::Rollback(sqlca* ca) { DBPP_CALL(FRollback, dbpp_rollback, 0u); }
void DbLib::SetOption(sqlca* ca, int temporary, const char* user, const char* option, sqlda* da) {
    DBPP_CALL(FSetOption, dbpp_setoption, temporary, const_cast<char*>(user), const_cast<char*>(option), da);
}
void DbLib::GetOption(sqlca* ca, const char* option, sqlda* da) {
    DBPP_CALL(FGetOption, dbpp_getoption, 0, nullptr, const_cast<char*>(option), da);
}

Sqlda::Sqlda(DbLib& lib, unsigned n, bool indicators)
    : FLib(lib), FDa(indicators ? lib.alloc_sqlda(n) : lib.alloc_sqlda_noind(n)), FInd(indicators) {
    if (!FDa) throw std::runtime_error("alloc_sqlda failed");
}

Sqlda::~Sqlda() {
    if (FInd)
        FLib.free_sqlda(FDa);
    else
        FLib.free_sqlda_noind(FDa);
}

Client::Client(DbLib& lib) : FLib(lib) {
    if (!lib.db_init(&ca)) throw std::runtime_error("db_init failed");
}

Client::~Client() { FLib.db_fini(&ca); }

std::string Client::Message() {
    char buf[512];
    FLib.sqlerror_message(&ca, buf, sizeof buf);
    return buf;
}

int Client::Connect(const std::string& params) {
    FLib.db_string_connect(&ca, const_cast<char*>(params.c_str()));
    return ca.sqlcode;
}

int Client::Disconnect() {
    FLib.db_string_disconnect(&ca, nullptr);
    return ca.sqlcode;
}

int Client::Exec(const std::string& sql) {
    FLib.ExecuteImm(&ca, sql.c_str());
    return ca.sqlcode;
}

short Client::Prepare(const std::string& sql, short number) {
    short stmt = number;
    FLib.Prepare(&ca, "TNX", &stmt, sql.c_str());
    return ca.sqlcode == 0 ? stmt : 0;
}

std::optional<std::string> Client::QueryText(const std::string& sql) {
    short stmt = Prepare(sql);
    if (!stmt) return std::nullopt;
    Sqlda out(FLib, 1);
    char buf[4096];
    int16_t ind = 0;
    out[0].sqltype = DBLIB_T_STRING | 1;
    out[0].sqllen = sizeof buf;
    out[0].sqldata = buf;
    out[0].sqlind = &ind;
    out->sqld = 1;
    FLib.ExecuteInto(&ca, &stmt, nullptr, out.get());
    int code = ca.sqlcode;
    sqlca keep = ca;
    FLib.DropStmt(&ca, &stmt);
    ca = keep;
    if (code != 0 || ind < 0) return std::nullopt;
    return std::string(buf);
}

long Client::Count(const std::string& table) {
    auto text = QueryText("select count(*) from " + table);
    return text ? std::stol(*text) : -1;
}

std::string CreateDatabase(DbLib& lib, const std::string& path, const std::string& extra) {
    std::string engine = tnxtest::UniqueName("create");
    Client c(lib);
    std::string start = "eng=" + engine;
    lib.db_start_engine(&c.ca, start.data());
    EXPECT_EQ(c.Code(), 0) << c.Message();
    EXPECT_EQ(c.Connect("eng=" + engine + ";dbn=utility_db;uid=DBA;pwd=SQL"), 0) << c.Message();
    EXPECT_EQ(c.Exec("CREATE DATABASE '" + path + "'" + extra), 0) << c.Message();
    c.Disconnect();
    std::string stop = "eng=" + engine;
    lib.db_stop_engine(&c.ca, stop.data());
    return path;
}

std::string ConnectString(const std::string& engine, const std::string& file, const std::string& user,
                          const std::string& password) {
    return "eng=" + engine + ";dbf=" + file + ";uid=" + user + ";pwd=" + password;
}

void DbTest::SetUp() {
    FLib = std::make_unique<DbLib>(GetParam());
    Engine = tnxtest::UniqueName("eng");
    DbFile = CreateDatabase(*FLib, Dir.File("test.db"));
    FMain = std::make_unique<Client>(*FLib);
    ASSERT_EQ(FMain->Connect(ConnStr()), 0) << FMain->Message();
}

void DbTest::TearDown() {
    FMain.reset();
    FLib.reset();
}

std::string GenerationName(const ::testing::TestParamInfo<std::string>& info) {
    return info.param.find("dblib7") != std::string::npos ? "gen7" : "gen6";
}

} // namespace dbtest
