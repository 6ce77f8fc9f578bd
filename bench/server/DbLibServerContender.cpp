// The client library's entry points called directly, as a program written against the
// embedded-SQL interface would: statements prepared once, a forward-only cursor fetched in blocks,
// dbpp_execute_into for the lookups and the inserts.
#include "ServerContender.h"

#include "platform/dblib/dblib.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace srv {
namespace {

class TDbLibContender : public TServerContender {
public:
    TDbLibContender(const TServer& Server, const std::string& LibDir) {
        const std::string path = LibDir + "/libdblib7.so";
        FLib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        Check(FLib != nullptr, "load libdblib7.so");
        Bind(FInit, "db_init");
        Bind(FConnect, "db_string_connect");
        Bind(FDisconnect, "db_string_disconnect");
        Bind(FFini, "db_fini");
        Bind(FPrepare, "dbpp_prepare");
        Bind(FExecute, "dbpp_execute_into");
        Bind(FDeclare, "dbpp_declare");
        Bind(FOpen, "dbpp_open");
        Bind(FFetch, "dbpp_fetch_array");
        Bind(FClose, "dbpp_close");
        Bind(FCommit, "dbpp_commit");
        Bind(FAlloc, "alloc_sqlda");
        Bind(FFree, "free_sqlda");
        FInit(&FCa);
        std::string links = Server.Links();
        FConnect(&FCa, links.data());
        Check(FCa.sqlcode == 0, "dblib connect");
        FReadStmt = Prepare("select a, b, c from t");
        FLookupStmt = Prepare("select a, b, c from t where a = ?");
        FInsertStmt = Prepare("insert into ins values (?, ?, ?)");
        char name[] = "bench_read";
        FDeclare(&FCa, name, nullptr, Module(), &FReadStmt, DBLIB_CURSOR_READ_ONLY | DBLIB_CURSOR_FORWARD_ONLY);
        Check(FCa.sqlcode == 0, "dblib declare");
        // One block of kBlock rows: an integer, a double and a text of up to 40 characters each.
        FBlockDa = FAlloc(3 * kBlock);
        FBlockData.resize(static_cast<size_t>(kBlock) * 64);
        for (int r = 0; r < kBlock; ++r) Output(FBlockDa, r * 3, FBlockData.data() + r * 64);
        FBlockDa->sqld = 3 * kBlock;
        FRowDa = FAlloc(3);
        Output(FRowDa, 0, FRowData);
        FRowDa->sqld = 3;
        FIn = FAlloc(3);
    }
    ~TDbLibContender() override {
        FFree(FBlockDa);
        FFree(FRowDa);
        FFree(FIn);
        FDisconnect(&FCa, nullptr);
        FFini(&FCa);
    }
    TDbLibContender(const TDbLibContender&) = delete;
    TDbLibContender& operator=(const TDbLibContender&) = delete;

    std::string Name() const override { return "client library"; }
    std::string Setup() const override {
        return "its entry points called directly: dbpp_prepare once, a forward-only read-only cursor "
               "fetched in blocks of 100 rows (dbpp_fetch_array), dbpp_execute_into for the lookups "
               "and the inserts, dbpp_commit";
    }

    uint64_t Read() override {
        char name[] = "bench_read";
        FOpen(&FCa, name, nullptr, Module(), &FReadStmt, nullptr, nullptr, nullptr, 0);
        Check(FCa.sqlcode == 0, "dblib open");
        uint64_t sum = 0;
        for (;;) {
            FFetch(&FCa, name, DBLIB_FETCH_RELATIVE, 1, FBlockDa, 0, 0, kBlock);
            if (FCa.sqlcode == DBLIB_W_NOT_FOUND) break;
            Check(FCa.sqlcode >= 0, "dblib fetch");
            const int rows = FCa.sqlerrd[2];
            for (int r = 0; r < rows; ++r) sum += RowFold(FBlockDa, r * 3);
            if (rows < kBlock) break;
        }
        FClose(&FCa, name);
        return sum;
    }
    uint64_t Lookup() override {
        uint64_t sum = 0;
        int32_t key = 0;
        SetInt(0, &key);
        FIn->sqld = 1;
        for (int i = 0; i < kKeys; ++i) {
            key = KeyOf(i);
            FExecute(&FCa, nullptr, Module(), &FLookupStmt, FIn, FRowDa);
            if (FCa.sqlcode == 0) sum += RowFold(FRowDa, 0);
        }
        return sum;
    }
    void Insert() override {
        int32_t a = 0;
        double b = 0;
        char c[48];
        SetInt(0, &a);
        FIn->sqlvar[1].sqltype = DBLIB_T_DOUBLE;
        FIn->sqlvar[1].sqllen = 8;
        FIn->sqlvar[1].sqldata = &b;
        FIn->sqlvar[2].sqltype = DBLIB_T_STRING;
        FIn->sqlvar[2].sqllen = sizeof c;
        FIn->sqlvar[2].sqldata = c;
        FIn->sqld = 3;
        for (int i = 0; i < kInserts; ++i) {
            a = i;
            b = InsertedNumber(i);
            std::snprintf(c, sizeof c, "inserted %d", i);
            FExecute(&FCa, nullptr, Module(), &FInsertStmt, FIn, nullptr);
            Check(FCa.sqlcode == 0, "dblib insert");
        }
        FCommit(&FCa, 0);
        Check(FCa.sqlcode == 0, "dblib commit");
    }

private:
    template <class F>
    void Bind(F& fn, const char* name) {
        fn = reinterpret_cast<F>(::dlsym(FLib, name));
        Check(fn != nullptr, name);
    }
    static char* Module() {
        static char module[] = "BENCH";
        return module;
    }
    short Prepare(const char* sql) {
        short stmt = 0;
        std::string text = sql;
        FPrepare(&FCa, nullptr, Module(), &stmt, text.data(), nullptr, 0);
        Check(FCa.sqlcode == 0, sql);
        return stmt;
    }
    static void Output(sqlda* da, int first, char* data) {
        da->sqlvar[first].sqltype = DBLIB_T_INT | 1;
        da->sqlvar[first].sqllen = 4;
        da->sqlvar[first].sqldata = data;
        da->sqlvar[first + 1].sqltype = DBLIB_T_DOUBLE | 1;
        da->sqlvar[first + 1].sqllen = 8;
        da->sqlvar[first + 1].sqldata = data + 8;
        da->sqlvar[first + 2].sqltype = DBLIB_T_STRING | 1;
        da->sqlvar[first + 2].sqllen = 41;
        da->sqlvar[first + 2].sqldata = data + 16;
    }
    static uint64_t RowFold(const sqlda* da, int first) {
        int32_t a;
        double b;
        std::memcpy(&a, da->sqlvar[first].sqldata, 4);
        std::memcpy(&b, da->sqlvar[first + 1].sqldata, 8);
        return Fold(a, b, std::strlen(static_cast<const char*>(da->sqlvar[first + 2].sqldata)));
    }
    void SetInt(int i, int32_t* value) {
        FIn->sqlvar[i].sqltype = DBLIB_T_INT;
        FIn->sqlvar[i].sqllen = 4;
        FIn->sqlvar[i].sqldata = value;
    }

    void* FLib = nullptr;
    sqlca FCa{};
    db_init_fn FInit = nullptr;
    db_string_connect_fn FConnect = nullptr;
    db_string_disconnect_fn FDisconnect = nullptr;
    db_fini_fn FFini = nullptr;
    dbpp_prepare_fn FPrepare = nullptr;
    dbpp_execute_into_fn FExecute = nullptr;
    dbpp_declare_fn FDeclare = nullptr;
    dbpp_open_fn FOpen = nullptr;
    dbpp_fetch_array_fn FFetch = nullptr;
    dbpp_close_fn FClose = nullptr;
    dbpp_commit_fn FCommit = nullptr;
    alloc_sqlda_fn FAlloc = nullptr;
    free_sqlda_fn FFree = nullptr;
    short FReadStmt = 0, FLookupStmt = 0, FInsertStmt = 0;
    sqlda* FBlockDa = nullptr;
    sqlda* FRowDa = nullptr;
    sqlda* FIn = nullptr;
    std::vector<char> FBlockData;
    char FRowData[64] = {};
};

} // namespace

std::unique_ptr<TServerContender> MakeDbLibContender(const TServer& Server, const std::string& LibDir) {
    return std::make_unique<TDbLibContender>(Server, LibDir);
}

} // namespace srv
