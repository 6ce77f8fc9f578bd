// Helpers for the SQL Anywhere package's tests (see AsaTestSupport.h).
#include "AsaTestSupport.h"

#include "platform/win/Process.h"

#include <dlfcn.h>

#include <stdexcept>

using tnx::AsaLibrary;
using tnx::TAsaSession;

namespace asatest {

std::string LibDir() {
    return tnxtest::BuildLibDir();
}

std::string LibPath(const std::string& file) {
    return LibDir() + "/" + file;
}

namespace {

template <class F>
F Sym(void* handle, const char* name) {
    auto fn = reinterpret_cast<F>(dlsym(handle, name));
    if (!fn) throw std::runtime_error(std::string("the client library lacks ") + name);
    return fn;
}

} // namespace

std::string CreateDatabaseFile(const std::string& path, const std::string& extra) {
    void* handle = dlopen(LibPath("libdblib7.so").c_str(), RTLD_NOW);
    if (!handle) throw std::runtime_error(dlerror());
    auto init = Sym<db_init_fn>(handle, "db_init");
    auto fini = Sym<db_fini_fn>(handle, "db_fini");
    auto startEngine = Sym<db_start_engine_fn>(handle, "db_start_engine");
    auto stopEngine = Sym<db_stop_engine_fn>(handle, "db_stop_engine");
    auto connect = Sym<db_string_connect_fn>(handle, "db_string_connect");
    auto disconnect = Sym<db_string_disconnect_fn>(handle, "db_string_disconnect");
    auto exec = Sym<dbpp_execute_imm_fn>(handle, "dbpp_execute_imm");

    sqlca ca{};
    init(&ca);
    const std::string engine = tnxtest::UniqueName("create");
    std::string start = "eng=" + engine;
    startEngine(&ca, start.data());
    EXPECT_EQ(ca.sqlcode, 0);
    std::string conn = "eng=" + engine + ";dbn=utility_db;uid=DBA;pwd=SQL";
    connect(&ca, conn.data());
    EXPECT_EQ(ca.sqlcode, 0);
    std::string sql = "CREATE DATABASE '" + path + "'" + extra;
    exec(&ca, sql.data(), 0);
    EXPECT_EQ(ca.sqlcode, 0) << sql;
    disconnect(&ca, nullptr);
    stopEngine(&ca, start.data());
    fini(&ca);
    dlclose(handle);
    return path;
}

vcl::TOwned<TAsaSession> NewSession(const std::string& libraryFile) {
    auto session = vcl::New<TAsaSession>();
    session->SetLibraryPath(LibDir());
    session->SetLibraryFile(libraryFile);
    return session;
}

void UseDatabase(TAsaSession& session, const std::string& engine, const std::string& file) {
    session.SetLoginEngineName(engine);
    session.SetLoginDatabase(file);
    session.SetLoginUser("DBA");
    session.SetLoginPassword("SQL");
}

tnxdb::TestInstrument Instrument() {
    if (AsaLibrary.LibraryHandle == nullptr) throw std::runtime_error("no client library is loaded");
    return tnxdb::TestInstrument(AsaLibrary.LibraryHandle);
}

int Exec(TAsaSession& session, const std::string& sql) {
    std::string text = sql;
    session.Dbpp(AsaLibrary.Procs.dbpp_execute_imm, text.data(), 2u);
    return session.GetSqlca()->sqlcode;
}

std::optional<long> QueryInt(TAsaSession& session, const std::string& sql, const std::string& variable) {
    auto& procs = AsaLibrary.Procs;
    std::string text = sql;
    char module[] = "TNX";
    short stmt = 0;
    session.Dbpp(procs.dbpp_prepare, nullptr, module, &stmt, text.data(), nullptr, 1u);
    if (session.GetSqlca()->sqlcode != 0) return std::nullopt;
    sqlda* in = nullptr;
    std::string name = variable;
    if (!name.empty()) {
        in = procs.alloc_sqlda(1);
        in->sqld = 1;
        in->sqlvar[0].sqltype = DBLIB_T_VARIABLE;
        in->sqlvar[0].sqldata = name.data();
    }
    sqlda* out = procs.alloc_sqlda(1);
    int32_t value = 0;
    out->sqld = 1;
    out->sqlvar[0].sqltype = DBLIB_T_INT | DBLIB_T_NULLABLE;
    out->sqlvar[0].sqllen = 4;
    out->sqlvar[0].sqldata = &value;
    session.Dbpp(procs.dbpp_execute_into, nullptr, module, &stmt, in, out);
    const int code = session.GetSqlca()->sqlcode;
    const bool isNull = out->sqlvar[0].sqlind && *out->sqlvar[0].sqlind < 0;
    if (in != nullptr) procs.free_sqlda(in);
    procs.free_sqlda(out);
    session.Dbpp(procs.dbpp_dropstmt, nullptr, module, &stmt);
    if (code != 0 || isNull) return std::nullopt;
    return value;
}

std::vector<std::string> Calls(const tnxdb::TestInstrument& probe, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : probe.Lines())
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    return out;
}

void EventCount::Add() {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        ++FValue;
    }
    FCv.notify_all();
}

long EventCount::Get() {
    std::lock_guard<std::mutex> lock(FMutex);
    return FValue;
}

void EventCount::WaitFor(long value) {
    std::unique_lock<std::mutex> lock(FMutex);
    FCv.wait(lock, [&] { return FValue >= value; });
}

void AsaTest::SetUp() {
    Engine = tnxtest::UniqueName("asa");
    DbFile = CreateDatabaseFile(Dir.File("test.db"));
    FSession = NewSession(GetParam());
    UseDatabase(*FSession, Engine, DbFile);
}

void AsaTest::TearDown() {
    if (AsaLibrary.LibraryHandle != nullptr) Instrument().ClearInjections();
    FSession.reset();
}

vcl::TOwned<TAsaSession> AsaTest::Another() {
    auto session = NewSession(GetParam());
    UseDatabase(*session, Engine, DbFile);
    return session;
}

void AsaTest::StopEngineElsewhere() {
    auto stopper = Another();
    stopper->GetLibraryVersion();
    std::string stop = "eng=" + Engine + ";unc=yes";
    AsaLibrary.Procs.db_stop_engine(stopper->GetSqlca(), stop.data());
    ASSERT_EQ(stopper->GetSqlca()->sqlcode, 0);
}

std::string CurrentDirectory() {
    char buffer[4096];
    const auto n = win::GetCurrentDirectoryA(sizeof(buffer), buffer);
    return std::string(buffer, n);
}

std::string GenerationName(const ::testing::TestParamInfo<std::string>& info) {
    return info.param.find("dblib7") != std::string::npos ? "gen7" : "gen6";
}

} // namespace asatest
