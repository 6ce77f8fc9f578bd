// Test fixture for the client library: loads one build by file name from the build's library
// folder, binds its entry points, and hides the one difference between generations (the call
// descriptor of dbpp_* calls before generation 7). Client wraps one SQLCA.
#pragma once

#include "platform/dblib/DbLibTestInstrument.h"
#include "platform/dblib/dblib.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dbtest {

class DbLib {
public:
    // file: "libdblib7.so", "libdblib6.so", ...
    explicit DbLib(const std::string& file);
    ~DbLib();
    DbLib(const DbLib&) = delete;
    DbLib& operator=(const DbLib&) = delete;

    int Generation() const { return FGeneration; }
    void* Handle() const { return FHandle; }
    void* Symbol(const char* name) const;
    tnxdb::TestInstrument Instrument() const { return tnxdb::TestInstrument(FHandle); }

    db_init_fn db_init = nullptr;
    db_fini_fn db_fini = nullptr;
    db_version_check_fn db_version_check = nullptr;
    sqlerror_message_fn sqlerror_message = nullptr;
    alloc_sqlda_fn alloc_sqlda = nullptr;
    alloc_sqlda_noind_fn alloc_sqlda_noind = nullptr;
    free_sqlda_fn free_sqlda = nullptr;
    free_sqlda_noind_fn free_sqlda_noind = nullptr;
    db_string_connect_fn db_string_connect = nullptr;
    db_string_disconnect_fn db_string_disconnect = nullptr;
    db_start_engine_fn db_start_engine = nullptr;
    db_stop_engine_fn db_stop_engine = nullptr;
    db_start_database_fn db_start_database = nullptr;
    db_stop_database_fn db_stop_database = nullptr;
    db_find_engine_fn db_find_engine = nullptr;
    db_connection_info_fn db_connection_info = nullptr;

    // dbpp_* calls; generations before 7 pass Descriptor (settable by tests).
    void Prepare(sqlca* ca, const char* module, short* stmt, const char* sql);
    void Describe(sqlca* ca, short* stmt, sqlda* da, unsigned kind);
    void ExecuteInto(sqlca* ca, short* stmt, sqlda* in, sqlda* out);
    void ExecuteImm(sqlca* ca, const char* sql);
    void DropStmt(sqlca* ca, short* stmt);
    void Commit(sqlca* ca);
    void Rollback(sqlca* ca);
    void SetOption(sqlca* ca, int temporary, const char* user, const char* option, sqlda* da);
    void GetOption(sqlca* ca, const char* option, sqlda* da);

    // The descriptor passed by the calls above, and the version value it points to.
    uint16_t DescriptorVersion = 0;
    dblib_call_descriptor DescriptorRecord{};
    void* Descriptor = nullptr;

private:
    void* FHandle = nullptr;
    int FGeneration = 7;
    void* FPrepare = nullptr;
    void* FDescribe = nullptr;
    void* FExecuteInto = nullptr;
    void* FExecuteImm = nullptr;
    void* FDropStmt = nullptr;
    void* FCommit = nullptr;
    void* FRollback = nullptr;
    void* FSetOption = nullptr;
    void* FGetOption = nullptr;
};

// An SQLDA from the library, freed on scope exit.
class Sqlda {
public:
    Sqlda(DbLib& lib, unsigned n, bool indicators = true);
    ~Sqlda();
    Sqlda(const Sqlda&) = delete;
    Sqlda& operator=(const Sqlda&) = delete;
    sqlda* operator->() const { return FDa; }
    sqlda* get() const { return FDa; }
    sqlvar& operator[](int i) const { return FDa->sqlvar[i]; }

private:
    DbLib& FLib;
    sqlda* FDa;
    bool FInd;
};

// One SQLCA: initialised on construction, finalised on destruction.
class Client {
public:
    explicit Client(DbLib& lib);
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    sqlca ca{};
    DbLib& Lib() { return FLib; }
    int Code() const { return ca.sqlcode; }
    std::string State() const { return std::string(ca.sqlstate, 5); }
    std::string Message();

    int Connect(const std::string& params);
    int Disconnect();
    // Runs text with dbpp_execute_imm; returns sqlcode.
    int Exec(const std::string& sql);
    // Prepares text; returns the statement number (0 on failure).
    short Prepare(const std::string& sql, short number = 0);
    // The first column of the first row as text (nullopt for NULL or no row); the code in Code().
    std::optional<std::string> QueryText(const std::string& sql);
    // The count(*) of a table, -1 on failure.
    long Count(const std::string& table);

private:
    DbLib& FLib;
};

// The library files a test suite runs against.
inline std::vector<std::string> BothGenerations() { return {"libdblib7.so", "libdblib6.so"}; }

// Creates a database file through an engine serving utility_db; returns its path.
std::string CreateDatabase(DbLib& lib, const std::string& path, const std::string& extra = "");

// A connection string for a database file under an engine of its own.
std::string ConnectString(const std::string& engine, const std::string& file, const std::string& user = "DBA",
                          const std::string& password = "SQL");

// Base of the tests that run over both generations: a temp folder, a fresh database and an
// engine name of their own, and a client connected to it.
class DbTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override;
    void TearDown() override;
    DbLib& Lib() { return *FLib; }
    Client& Main() { return *FMain; }
    std::string ConnStr(const std::string& user = "DBA", const std::string& password = "SQL") const {
        return ConnectString(Engine, DbFile, user, password);
    }

    tnxtest::TempDir Dir;
    std::string Engine;
    std::string DbFile;

private:
    std::unique_ptr<DbLib> FLib;
    std::unique_ptr<Client> FMain;
};

std::string GenerationName(const ::testing::TestParamInfo<std::string>& info);

} // namespace dbtest
