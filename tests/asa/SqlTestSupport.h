// Helpers for the statement's tests: a fixture with a connected session over both library
// generations, statements attached to it, the library's call record filtered to the calls a test
// is about, and spies that look into the SQLDAs the statement hands to an entry point (the product
// calls the library through AsaLibrary.Procs, so a test can put a recording function in front of
// the real one and restore it afterwards).
#pragma once

#include "AsaTestSupport.h"

#include <functional>
#include <string>
#include <vector>

namespace asatest {

// The statement with its internal steps open to tests.
class TTestableSQL : public tnx::TAsaSQL {
    VCL_CLASS(TTestableSQL, tnx::TAsaSQL)
public:
    explicit TTestableSQL(vcl::TComponent* owner) : tnx::TAsaSQL(owner) {}
    using tnx::TAsaSQL::ConvertFetchedBuffers;
    using tnx::TAsaSQL::InternalAutoCommit;
    using tnx::TAsaSQL::InternalCreateBlobVariable;
    using tnx::TAsaSQL::InternalDropBlobVariables;
    using tnx::TAsaSQL::InternalLocalExecute;
    using tnx::TAsaSQL::InternalSetFieldDef;

protected:
    ~TTestableSQL() override = default;
};

// What one SQLDA variable held when the statement passed it to the library.
struct SpiedVar {
    int Type = 0; // sqltype as passed (bit 0 included)
    int Len = 0;
    bool HasData = false;
    std::string Name;      // sqlname
    int Indicator = 0;     // *sqlind, or 0 without one
    // For type 600 the variable name sqldata points to; for 496 the value; for 524 the length.
    std::string Data;
};
std::vector<SpiedVar> SpySqlda(const sqlda* da);

// The length of an SQL variable's value on the session's connection (nullopt when it does not
// exist or is NULL), read through a type-600 input the way the statement sends one.
std::optional<long> VariableLength(tnx::TAsaSession& session, const std::string& name);

// Puts a recording function in front of dbpp_update, dbpp_put_into (the put SQLDA) or
// dbpp_execute_into (the input SQLDA) while it lives; each call appends the SQLDA's variables.
class ChangeSpy {
public:
    enum Entry { Update, PutInto, ExecuteInto };
    explicit ChangeSpy(Entry entry);
    ~ChangeSpy();
    ChangeSpy(const ChangeSpy&) = delete;
    ChangeSpy& operator=(const ChangeSpy&) = delete;
    // One entry per call: the variables of the SQLDA passed.
    const std::vector<std::vector<SpiedVar>>& Calls() const;

private:
    Entry FEntry;
};

// Puts a function in front of dbpp_describe while it lives: the real describe runs, then Edit may
// change what it left in the SQLDA (kind 1, 2 or 9 as passed).
class DescribeSpy {
public:
    explicit DescribeSpy(std::function<void(sqlda* da, unsigned kind)> edit);
    ~DescribeSpy();
    DescribeSpy(const DescribeSpy&) = delete;
    DescribeSpy& operator=(const DescribeSpy&) = delete;
};

// A session connected to a fresh database of its own, for both current generations.
class SqlTest : public AsaTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // A new statement attached to the session.
    vcl::TOwned<TTestableSQL> NewSQL();
    // Runs text through the session's SQLCA; fails the test on an error.
    void Run(const std::string& sql);
    // Starts recording the library's calls (from an empty record).
    void Record();
    // The recorded calls whose name starts with one of the prefixes, in order.
    std::vector<std::string> Recorded(const std::vector<std::string>& prefixes = {"dbpp_"});
    // The statement numbers of the session's pool that are in use.
    std::vector<int> NumbersInUse();
    // A table t(n integer primary key, s varchar(20)) with rows n = 0 .. rows-1, s = "row <n>".
    void MakeRows(int rows, const std::string& table = "t");
};

} // namespace asatest
