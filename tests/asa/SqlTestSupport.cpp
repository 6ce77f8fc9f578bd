// Helpers for the statement's tests (see SqlTestSupport.h).
#include "SqlTestSupport.h"

#include <cstring>

using tnx::AsaLibrary;

namespace asatest {

VCL_CLASS_INFO(TTestableSQL)

std::vector<SpiedVar> SpySqlda(const sqlda* da) {
    std::vector<SpiedVar> out;
    if (da == nullptr) return out;
    for (int i = 0; i < da->sqld; ++i) {
        const sqlvar& v = da->sqlvar[i];
        SpiedVar s;
        s.Type = v.sqltype;
        s.Len = v.sqllen;
        s.HasData = v.sqldata != nullptr;
        s.Name.assign(v.sqlname.data, static_cast<std::size_t>(std::max<int>(0, std::min<int>(v.sqlname.length, 30))));
        s.Indicator = v.sqlind != nullptr ? *v.sqlind : 0;
        if (v.sqldata != nullptr && (v.sqltype & ~1) == DBLIB_T_VARIABLE)
            s.Data = static_cast<const char*>(v.sqldata);
        if (v.sqldata != nullptr && (v.sqltype & ~1) == DBLIB_T_INT) {
            int32_t n;
            std::memcpy(&n, v.sqldata, sizeof n);
            s.Data = std::to_string(n);
        }
        if (v.sqldata != nullptr && (v.sqltype & ~1) == DBLIB_T_BINARY) {
            uint16_t n;
            std::memcpy(&n, v.sqldata, sizeof n);
            s.Data = std::to_string(n);
        }
        out.push_back(std::move(s));
    }
    return out;
}

std::optional<long> VariableLength(tnx::TAsaSession& session, const std::string& name) {
    return QueryInt(session, "select length(?)", name);
}

namespace {

std::vector<std::vector<SpiedVar>> gSpied;
dbpp_update_fn gUpdate7;
dbpp_update_legacy_fn gUpdate6;
dbpp_put_into_fn gPut7;
dbpp_put_into_legacy_fn gPut6;
dbpp_execute_into_fn gExec7;
dbpp_execute_into_legacy_fn gExec6;

void Update7(sqlca* ca, char* cursor, sqlda* da) {
    gSpied.push_back(SpySqlda(da));
    gUpdate7(ca, cursor, da);
}
void Update6(sqlca* ca, void* d, char* cursor, sqlda* da) {
    gSpied.push_back(SpySqlda(da));
    gUpdate6(ca, d, cursor, da);
}
void Put7(sqlca* ca, char* cursor, sqlda* put, sqlda* into) {
    gSpied.push_back(SpySqlda(put));
    gPut7(ca, cursor, put, into);
}
void Put6(sqlca* ca, void* d, char* cursor, sqlda* put, sqlda* into) {
    gSpied.push_back(SpySqlda(put));
    gPut6(ca, d, cursor, put, into);
}
void Exec7(sqlca* ca, char* r, char* module, short* stmt, sqlda* in, sqlda* out) {
    gSpied.push_back(SpySqlda(in));
    gExec7(ca, r, module, stmt, in, out);
}
void Exec6(sqlca* ca, void* d, char* r, char* module, short* stmt, sqlda* in, sqlda* out) {
    gSpied.push_back(SpySqlda(in));
    gExec6(ca, d, r, module, stmt, in, out);
}

std::function<void(sqlda*, unsigned)> gEdit;
dbpp_describe_fn gDescribe7;
dbpp_describe_legacy_fn gDescribe6;

void Describe7(sqlca* ca, char* r, char* module, short* stmt, sqlda* da, unsigned kind) {
    gDescribe7(ca, r, module, stmt, da, kind);
    if (gEdit) gEdit(da, kind);
}
void Describe6(sqlca* ca, void* d, char* r, char* module, short* stmt, sqlda* da, unsigned kind) {
    gDescribe6(ca, d, r, module, stmt, da, kind);
    if (gEdit) gEdit(da, kind);
}

} // namespace

DescribeSpy::DescribeSpy(std::function<void(sqlda*, unsigned)> edit) {
    gEdit = std::move(edit);
    auto& procs = AsaLibrary.Procs;
    gDescribe7 = procs.dbpp_describe.Modern;
    gDescribe6 = procs.dbpp_describe.Legacy;
    procs.dbpp_describe.Modern = Describe7;
    procs.dbpp_describe.Legacy = Describe6;
}

DescribeSpy::~DescribeSpy() {
    auto& procs = AsaLibrary.Procs;
    procs.dbpp_describe.Modern = gDescribe7;
    procs.dbpp_describe.Legacy = gDescribe6;
    gEdit = nullptr;
}

ChangeSpy::ChangeSpy(Entry entry) : FEntry(entry) {
    gSpied.clear();
    auto& procs = AsaLibrary.Procs;
    switch (FEntry) {
    case Update:
        gUpdate7 = procs.dbpp_update.Modern;
        gUpdate6 = procs.dbpp_update.Legacy;
        procs.dbpp_update.Modern = Update7;
        procs.dbpp_update.Legacy = Update6;
        break;
    case PutInto:
        gPut7 = procs.dbpp_put_into.Modern;
        gPut6 = procs.dbpp_put_into.Legacy;
        procs.dbpp_put_into.Modern = Put7;
        procs.dbpp_put_into.Legacy = Put6;
        break;
    case ExecuteInto:
        gExec7 = procs.dbpp_execute_into.Modern;
        gExec6 = procs.dbpp_execute_into.Legacy;
        procs.dbpp_execute_into.Modern = Exec7;
        procs.dbpp_execute_into.Legacy = Exec6;
        break;
    }
}

ChangeSpy::~ChangeSpy() {
    auto& procs = AsaLibrary.Procs;
    switch (FEntry) {
    case Update:
        procs.dbpp_update.Modern = gUpdate7;
        procs.dbpp_update.Legacy = gUpdate6;
        break;
    case PutInto:
        procs.dbpp_put_into.Modern = gPut7;
        procs.dbpp_put_into.Legacy = gPut6;
        break;
    case ExecuteInto:
        procs.dbpp_execute_into.Modern = gExec7;
        procs.dbpp_execute_into.Legacy = gExec6;
        break;
    }
}

const std::vector<std::vector<SpiedVar>>& ChangeSpy::Calls() const {
    return gSpied;
}

void SqlTest::SetUp() {
    AsaTest::SetUp();
    S().SetConnected(true);
    ASSERT_TRUE(S().GetConnected());
}

void SqlTest::TearDown() {
    if (AsaLibrary.LibraryHandle != nullptr) {
        Instrument().Record(false);
        Instrument().Clear();
    }
    AsaTest::TearDown();
}

vcl::TOwned<TTestableSQL> SqlTest::NewSQL() {
    auto sql = vcl::New<TTestableSQL>();
    sql->SetSession(&S());
    return sql;
}

void SqlTest::Run(const std::string& sql) {
    ASSERT_EQ(Exec(S(), sql), 0) << sql;
}

void SqlTest::Record() {
    Instrument().Clear();
    Instrument().Record(true);
}

std::vector<std::string> SqlTest::Recorded(const std::vector<std::string>& prefixes) {
    std::vector<std::string> out;
    for (const std::string& line : Instrument().Lines())
        for (const std::string& prefix : prefixes)
            if (line.compare(0, prefix.size(), prefix) == 0) {
                out.push_back(line);
                break;
            }
    return out;
}

std::vector<int> SqlTest::NumbersInUse() {
    std::vector<int> out;
    tnx::TAsaStatementPool& pool = S().GetStatementPool();
    for (int i = 0; i < pool.Count(); ++i)
        if (pool.Item(i).InUse) out.push_back(pool.Item(i).Number);
    return out;
}

void SqlTest::MakeRows(int rows, const std::string& table) {
    Run("create table " + table + " (n integer primary key, s varchar(20))");
    if (rows > 0)
        Run("insert into " + table + " (n, s) with recursive c(x) as (select 0 union all select x + 1 from c where x < " +
            std::to_string(rows - 1) + ") select x, 'row ' || x from c");
    Run("commit");
}

} // namespace asatest
