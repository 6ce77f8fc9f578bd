// What the server tests share: a connection to the test program's server and SQLDAs with their
// own buffers.
#pragma once

#include "platform/dblib/ConnectionString.h"
#include "platform/dblib/Errors.h"
#include "platform/dblib/ServerTarget.h"
#include "platform/dblib/pg/PgBackend.h"
#include "support/PgTestServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace tnxtest {

// An SQLDA of n variables, each with its indicator and a buffer of its own.
class TestSqlda {
public:
    explicit TestSqlda(int n)
        : FBytes(sizeof(sqlda) + sizeof(sqlvar) * static_cast<size_t>(n)), FInd(static_cast<size_t>(n)),
          FBufs(static_cast<size_t>(n)) {
        Get()->sqln = static_cast<int16_t>(n);
        Get()->sqld = static_cast<int16_t>(n);
        for (int i = 0; i < n; ++i) Get()->sqlvar[i].sqlind = &FInd[static_cast<size_t>(i)];
    }
    sqlda* Get() { return reinterpret_cast<sqlda*>(FBytes.data()); }
    sqlvar& Var(int i) { return Get()->sqlvar[i]; }
    int16_t Indicator(int i) const { return FInd[static_cast<size_t>(i)]; }

    // Inputs.
    void SetInt(int i, int32_t v) { Put(i, DBLIB_T_INT, &v, sizeof v); }
    void SetBigint(int i, int64_t v) { Put(i, DBLIB_T_BIGINT, &v, sizeof v); }
    void SetDouble(int i, double v) { Put(i, DBLIB_T_DOUBLE, &v, sizeof v); }
    void SetString(int i, const std::string& s) { Put(i, DBLIB_T_STRING, s.c_str(), s.size() + 1); }
    void SetNull(int i) {
        Put(i, DBLIB_T_STRING | 1, "", 1);
        FInd[static_cast<size_t>(i)] = -1;
    }
    // Type 600: the value of the SQL variable of that name.
    void SetVariable(int i, const std::string& name) { Put(i, DBLIB_T_VARIABLE, name.c_str(), name.size() + 1); }
    void SetName(int i, const std::string& name) {
        Var(i).sqlname.length = static_cast<int16_t>(name.size());
        std::memcpy(Var(i).sqlname.data, name.data(), name.size());
    }

    // Outputs: a buffer of `len` bytes (long types: a long-data header and len bytes).
    void Output(int i, int type, int len) {
        auto& b = FBufs[static_cast<size_t>(i)];
        const bool isLong = type == DBLIB_T_LONGBINARY || type == DBLIB_T_LONGVARCHAR;
        b.assign(static_cast<size_t>(len) + (isLong ? sizeof(dblib_longdata) : 0), 0);
        Var(i).sqltype = static_cast<int16_t>(type | 1);
        Var(i).sqllen = static_cast<int16_t>(isLong ? 0 : len);
        Var(i).sqldata = b.data();
        if (isLong) {
            uint32_t cap = static_cast<uint32_t>(len);
            std::memcpy(b.data(), &cap, sizeof cap);
        }
    }
    int32_t Int(int i) const { return Read<int32_t>(i); }
    int64_t Bigint(int i) const { return Read<int64_t>(i); }
    double Double(int i) const { return Read<double>(i); }
    std::string String(int i) const { return FBufs[static_cast<size_t>(i)].data(); }
    // The bytes of a long-data output.
    std::string Long(int i) const {
        const auto& b = FBufs[static_cast<size_t>(i)];
        dblib_longdata h;
        std::memcpy(&h, b.data(), sizeof h);
        return std::string(b.data() + sizeof h, h.stored_len);
    }

private:
    void Put(int i, int type, const void* p, size_t n) {
        auto& b = FBufs[static_cast<size_t>(i)];
        b.assign(static_cast<const char*>(p), static_cast<const char*>(p) + n);
        Var(i).sqltype = static_cast<int16_t>(type);
        Var(i).sqllen = static_cast<int16_t>(n);
        Var(i).sqldata = b.data();
        FInd[static_cast<size_t>(i)] = 0;
    }
    template <class T>
    T Read(int i) const {
        T v;
        std::memcpy(&v, FBufs[static_cast<size_t>(i)].data(), sizeof v);
        return v;
    }
    std::vector<char> FBytes;
    std::vector<int16_t> FInd;
    std::vector<std::vector<char>> FBufs;
};

// A connection to the program's server (tests skip without one).
inline std::unique_ptr<tnxdb::pg::PgBackend> ConnectTestServer(const std::string& extra = "") {
    tnxdb::ConnParams p = tnxdb::ParseConnectionString(PgTestServer::Instance().ConnectionString() + extra);
    return tnxdb::pg::PgBackend::Connect(*tnxdb::FindServerTarget(p), p);
}

// Runs a statement without inputs or outputs.
inline int64_t Exec(tnxdb::Backend& b, const std::string& sql) { return b.ExecuteImmediate(sql); }

// The first row's integer columns of a query, as 32-bit values.
inline std::vector<int32_t> QueryInts(tnxdb::Backend& b, const std::string& sql) {
    auto s = b.Prepare(sql);
    const int n = static_cast<int>(s->Columns().size());
    TestSqlda out(n);
    for (int i = 0; i < n; ++i) out.Output(i, DBLIB_T_INT, 4);
    bool cut = false;
    s->Execute(nullptr, out.Get(), cut);
    std::vector<int32_t> v;
    for (int i = 0; i < n; ++i) v.push_back(out.Int(i));
    return v;
}

// The code a call throws (0 when it throws nothing).
template <class Fn>
int CodeOf(Fn&& fn) {
    try {
        fn();
    } catch (const tnxdb::DbError& e) {
        return e.Code();
    }
    return 0;
}

// Every test case connects afresh and works on tables of its own name.
class PgServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        TNX_REQUIRE_PG_SERVER();
        Db = ConnectTestServer();
        Table = UniqueName("t");
    }
    std::unique_ptr<tnxdb::pg::PgBackend> Db;
    std::string Table;
};

} // namespace tnxtest
