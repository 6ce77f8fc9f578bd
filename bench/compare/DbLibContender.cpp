// The client-library stand-in called directly: libdblib7 loaded by file name and bound by entry
// point, as the product loads it, with the calls a hand-written embedded-SQL program would make.
// This is the platform's own cost, below the product.
//   reads      a read-only forward-only cursor fetching blocks of 25 rows (the product's default
//              block) into an SQLDA of int, double, NUL-terminated text and the time-stamp record
//   lookups    one prepared statement, dbpp_execute_into per key (a query delivers its row)
//   inserts    one prepared statement, dbpp_execute_into per row, one dbpp_commit
//   long value one long-binary input variable (type 528) for the write; dbpp_get_data in pieces
//              of 1 MB into a long-binary variable for the read
//   scrolling  a read-only scrollable cursor, dbpp_fetch_array absolute per position
#include "Contender.h"

#include "platform/dblib/dblib.h"

#include <dlfcn.h>

#include <cstring>
#include <stdexcept>

namespace cmp {
namespace {

constexpr int kBlock = 25;
constexpr uint32_t kPiece = 1u << 20;
constexpr unsigned kReadOnly = 0x2;
constexpr unsigned kForwardOnly = 0x4;

// The entry points used here, bound by name from the loaded library.
struct TEntries {
    db_init_fn init;
    db_fini_fn fini;
    db_string_connect_fn connect;
    db_string_disconnect_fn disconnect;
    alloc_sqlda_fn alloc;
    free_sqlda_fn free;
    dbpp_prepare_fn prepare;
    dbpp_dropstmt_fn dropstmt;
    dbpp_execute_into_fn executeInto;
    dbpp_commit_fn commit;
    dbpp_declare_fn declare;
    dbpp_open_fn open;
    dbpp_fetch_array_fn fetchArray;
    dbpp_fetch_fn fetch;
    dbpp_get_data_fn getData;
    dbpp_close_fn close;
};

// The four columns of one row as the SQLDA delivers them.
struct TRowBuffer {
    int32_t a;
    double b;
    char c[31];
    sqldatetime d;
};

// Points variables First .. First+3 of da at the row's buffers.
void LayRow(sqlda* da, int first, TRowBuffer& row) {
    const int16_t types[4] = {DBLIB_T_INT | 1, DBLIB_T_DOUBLE | 1, DBLIB_T_STRING | 1,
                              DBLIB_T_TIMESTAMP_STRUCT | 1};
    const int16_t lengths[4] = {4, 8, 31, 14};
    void* data[4] = {&row.a, &row.b, row.c, &row.d};
    for (int k = 0; k < 4; ++k) {
        sqlvar& v = da->sqlvar[first + k];
        v.sqltype = types[k];
        v.sqllen = lengths[k];
        v.sqldata = data[k];
    }
}

uint64_t SumOf(const TRowBuffer& r) {
    return RowSum(r.a, r.b, std::strlen(r.c), r.d.second);
}

class TDbLibContender : public TContender {
public:
    explicit TDbLibContender(std::string LibDir) : FLibDir(std::move(LibDir)) {}
    ~TDbLibContender() override {
        if (FHandle == nullptr) return;
        if (FConnected) {
            for (short* s :
                 {&FReadStmt, &FLookupStmt, &FInsertStmt, &FWriteLongStmt, &FReadLongStmt, &FScrollStmt})
                if (*s != 0) E.dropstmt(&FCa, nullptr, Module(), s);
            for (sqlda* da : {FBlock, FOne, FKey, FInsertIn, FLongIn, FPiece})
                E.free(da);
            E.disconnect(&FCa, nullptr);
        }
        E.fini(&FCa);
        dlclose(FHandle);
    }

    std::string Name() const override { return "client library"; }
    std::string Setup() const override {
        return "libdblib7 called directly: forward-only read-only cursor in blocks of 25 rows, "
               "dbpp_execute_into of prepared statements, one commit, a long-binary variable for the "
               "long value (pieces of 1 MB on reading), a scrollable cursor with absolute fetches";
    }

    void Open(const TDataSet& Data) override {
        std::string path = FLibDir + "/libdblib7.so";
        FHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (FHandle == nullptr) throw std::runtime_error(dlerror());
        Bind("db_init", E.init);
        Bind("db_fini", E.fini);
        Bind("db_string_connect", E.connect);
        Bind("db_string_disconnect", E.disconnect);
        Bind("alloc_sqlda", E.alloc);
        Bind("free_sqlda", E.free);
        Bind("dbpp_prepare", E.prepare);
        Bind("dbpp_dropstmt", E.dropstmt);
        Bind("dbpp_execute_into", E.executeInto);
        Bind("dbpp_commit", E.commit);
        Bind("dbpp_declare", E.declare);
        Bind("dbpp_open", E.open);
        Bind("dbpp_fetch_array", E.fetchArray);
        Bind("dbpp_fetch", E.fetch);
        Bind("dbpp_get_data", E.getData);
        Bind("dbpp_close", E.close);
        E.init(&FCa);
        std::string conn = "eng=compare;dbf=" + Data.File() + ";uid=DBA;pwd=SQL";
        E.connect(&FCa, conn.data());
        Check("connect");
        FConnected = true;

        FBlock = E.alloc(4 * kBlock);
        FBlockRows.resize(kBlock);
        for (int r = 0; r < kBlock; ++r)
            LayRow(FBlock, 4 * r, FBlockRows[static_cast<std::size_t>(r)]);
        FBlock->sqld = FBlock->sqln;
        FOne = E.alloc(4);
        LayRow(FOne, 0, FOneRow);
        FOne->sqld = 4;
        FKey = E.alloc(1);
        FKey->sqlvar[0].sqltype = DBLIB_T_INT;
        FKey->sqlvar[0].sqllen = 4;
        FKey->sqlvar[0].sqldata = &FKeyValue;
        FKey->sqld = 1;
        FInsertIn = E.alloc(4);
        LayRow(FInsertIn, 0, FInsertRow);
        FInsertIn->sqld = 4;
        FLongIn = E.alloc(1);
        FLongIn->sqld = 1;
        FPiece = E.alloc(1);
        FPieceBuffer.resize(sizeof(dblib_longdata) + kPiece);
        FPiece->sqlvar[0].sqltype = DBLIB_T_LONGBINARY | 1;
        FPiece->sqlvar[0].sqldata = FPieceBuffer.data();
        FPiece->sqld = 1;

        FReadStmt = Prepare("select a, b, c, d from t");
        FLookupStmt = Prepare("select a, b, c, d from t where a = ?");
        FInsertStmt = Prepare("insert into ins values (?, ?, ?, ?)");
        FWriteLongStmt = Prepare("insert into big values (2, ?)");
        FReadLongStmt = Prepare("select v from big where id = 1");
        FScrollStmt = Prepare("select a, b, c, d from s order by a");
    }

    uint64_t Read() override {
        char cursor[] = "CMP-READ";
        OpenCursor(cursor, FReadStmt, kReadOnly | kForwardOnly);
        uint64_t sum = 0;
        for (;;) {
            E.fetchArray(&FCa, cursor, 2, 1, FBlock, 0, 0, kBlock);
            Check("fetch");
            if (FCa.sqlcode == DBLIB_W_NOT_FOUND) break;
            const int n = FCa.sqlerrd[2];
            for (int r = 0; r < n; ++r)
                sum += SumOf(FBlockRows[static_cast<std::size_t>(r)]);
            if (n < kBlock) break;
        }
        E.close(&FCa, cursor);
        return sum;
    }

    uint64_t Lookup(std::span<const int32_t> Keys) override {
        uint64_t sum = 0;
        for (int32_t key : Keys) {
            FKeyValue = key;
            E.executeInto(&FCa, nullptr, Module(), &FLookupStmt, FKey, FOne);
            Check("lookup");
            if (FCa.sqlcode == 0) sum += SumOf(FOneRow);
        }
        return sum;
    }

    void Insert(int32_t Count) override {
        for (int32_t i = 0; i < Count; ++i) {
            FInsertRow.a = i;
            FInsertRow.b = RowDouble(i);
            char text[32];
            const int n = RowText(i, text);
            std::memcpy(FInsertRow.c, text, static_cast<std::size_t>(n) + 1);
            const TStamp s = RowStamp(i);
            FInsertRow.d = sqldatetime{};
            FInsertRow.d.year = static_cast<uint16_t>(s.Year);
            FInsertRow.d.month = static_cast<uint8_t>(s.Month - 1);
            FInsertRow.d.day = static_cast<uint8_t>(s.Day);
            FInsertRow.d.hour = static_cast<uint8_t>(s.Hour);
            FInsertRow.d.minute = static_cast<uint8_t>(s.Minute);
            FInsertRow.d.second = static_cast<uint8_t>(s.Second);
            E.executeInto(&FCa, nullptr, Module(), &FInsertStmt, FInsertIn, nullptr);
            Check("insert");
        }
        E.commit(&FCa, 0);
        Check("commit");
    }

    void PrepareLong(std::span<const uint8_t> Value) override {
        FLongBuffer.resize(sizeof(dblib_longdata) + Value.size());
        auto* d = reinterpret_cast<dblib_longdata*>(FLongBuffer.data());
        d->array_len = d->stored_len = d->untrunc_len = static_cast<uint32_t>(Value.size());
        std::memcpy(d->array, Value.data(), Value.size());
        FLongIn->sqlvar[0].sqltype = DBLIB_T_LONGBINARY;
        FLongIn->sqlvar[0].sqldata = d;
    }

    void WriteLong() override {
        E.executeInto(&FCa, nullptr, Module(), &FWriteLongStmt, FLongIn, nullptr);
        Check("insert long");
        E.commit(&FCa, 0);
        Check("commit");
    }

    uint64_t ReadLong() override {
        char cursor[] = "CMP-LONG";
        OpenCursor(cursor, FReadLongStmt, kReadOnly | kForwardOnly);
        // The row is reached without delivering a value; the value comes in pieces.
        E.fetch(&FCa, cursor, 2, 1, nullptr, nullptr, 0);
        Check("fetch long");
        std::vector<uint8_t> value;
        auto* piece = reinterpret_cast<dblib_longdata*>(FPieceBuffer.data());
        do {
            piece->array_len = kPiece;
            E.getData(&FCa, cursor, 1, static_cast<int>(value.size()), FPiece, 0);
            Check("get data");
            if (value.empty()) value.reserve(piece->untrunc_len);
            value.insert(value.end(), piece->array, piece->array + piece->stored_len);
        } while (FCa.sqlcode == DBLIB_W_TRUNCATED);
        E.close(&FCa, cursor);
        return BytesChecksum(value.data(), value.size());
    }

    uint64_t Scroll(std::span<const int32_t> Positions) override {
        char cursor[] = "CMP-SCROLL";
        OpenCursor(cursor, FScrollStmt, kReadOnly);
        uint64_t sum = 0;
        for (int32_t p : Positions) {
            E.fetchArray(&FCa, cursor, 1, p + 1, FOne, 0, 0, 1);
            Check("fetch absolute");
            if (FCa.sqlcode == 0) sum += SumOf(FOneRow);
        }
        E.close(&FCa, cursor);
        return sum;
    }

private:
    template <class F>
    void Bind(const char* name, F& f) {
        f = reinterpret_cast<F>(dlsym(FHandle, name));
        if (f == nullptr) throw std::runtime_error(std::string("libdblib7 lacks ") + name);
    }
    void Check(const char* what) {
        if (FCa.sqlcode < 0)
            throw std::runtime_error(std::string("client library: ") + what + ": " +
                                     std::to_string(FCa.sqlcode) + " " + FCa.sqlerrmc);
    }
    static char* Module() {
        static char module[] = "CMP";
        return module;
    }
    short Prepare(const char* sql) {
        short stmt = 0;
        std::string text = sql;
        E.prepare(&FCa, nullptr, Module(), &stmt, text.data(), nullptr, 1);
        Check(sql);
        return stmt;
    }
    void OpenCursor(char* cursor, short& stmt, unsigned options) {
        E.declare(&FCa, cursor, nullptr, Module(), &stmt, options);
        Check("declare");
        E.open(&FCa, cursor, nullptr, Module(), &stmt, nullptr, nullptr, nullptr, options);
        Check("open");
    }

    std::string FLibDir;
    void* FHandle = nullptr;
    TEntries E{};
    sqlca FCa{};
    bool FConnected = false;
    short FReadStmt = 0, FLookupStmt = 0, FInsertStmt = 0, FWriteLongStmt = 0, FReadLongStmt = 0,
          FScrollStmt = 0;
    // FBlock: kBlock rows of 4 variables into FBlockRows; FOne: one row into FOneRow; FKey: the
    // lookup's key; FInsertIn: the inserted row; FLongIn / FPiece: the long value written / read.
    sqlda* FBlock = nullptr;
    sqlda* FOne = nullptr;
    sqlda* FKey = nullptr;
    sqlda* FInsertIn = nullptr;
    sqlda* FLongIn = nullptr;
    sqlda* FPiece = nullptr;
    std::vector<TRowBuffer> FBlockRows; // never resized after Open: FBlock points into it
    TRowBuffer FOneRow{};
    TRowBuffer FInsertRow{};
    int32_t FKeyValue = 0;
    std::vector<uint8_t> FLongBuffer;  // dblib_longdata with the value written
    std::vector<uint8_t> FPieceBuffer; // dblib_longdata with room for one piece
};

} // namespace

std::unique_ptr<TContender> NewDbLibContender(std::string LibDir) {
    return std::make_unique<TDbLibContender>(std::move(LibDir));
}

} // namespace cmp
