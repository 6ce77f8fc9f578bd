// Test access to the cursor entry points of a loaded client library, in the form of its
// generation (the legacy call descriptor after the SQLCA before generation 7), plus small helpers
// that build SQLDAs for blocks of rows and for pieces of long values.
#pragma once

#include "DbLibFixture.h"

#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace dbtest {

class CursorApi {
public:
    explicit CursorApi(DbLib& lib) : FLib(lib) {
        FDeclare = Need("dbpp_declare");
        FOpen = Need("dbpp_open");
        FDescribe = Need("dbpp_describe_cursor");
        FFetchArray = Need("dbpp_fetch_array");
        FFetch = Need("dbpp_fetch");
        FGetData = Need("dbpp_get_data");
        FPutInto = Need("dbpp_put_into");
        FUpdate = Need("dbpp_update");
        FDelete = Need("dbpp_delete");
        FClose = Need("dbpp_close");
    }

    void Declare(sqlca* ca, const char* name, short* stmt, unsigned options) {
        Call<dbpp_declare_fn, dbpp_declare_legacy_fn>(FDeclare, ca, const_cast<char*>(name), nullptr,
                                                      const_cast<char*>("TNX"), stmt, options);
    }
    void Open(sqlca* ca, const char* name, short* stmt, sqlda* in, unsigned options) {
        Call<dbpp_open_fn, dbpp_open_legacy_fn>(FOpen, ca, const_cast<char*>(name), nullptr,
                                                const_cast<char*>("TNX"), stmt, in, nullptr, nullptr,
                                                options);
    }
    void Describe(sqlca* ca, const char* name, sqlda* da, unsigned kind = 1) {
        Call<dbpp_describe_cursor_fn, dbpp_describe_cursor_legacy_fn>(FDescribe, ca, const_cast<char*>(name),
                                                                      da, kind);
    }
    void FetchArray(sqlca* ca, const char* name, unsigned kind, int offset, sqlda* da, unsigned rows) {
        Call<dbpp_fetch_array_fn, dbpp_fetch_array_legacy_fn>(FFetchArray, ca, const_cast<char*>(name), kind,
                                                              offset, da, 0, 0, rows);
    }
    void Fetch(sqlca* ca, const char* name, unsigned kind, int offset) {
        Call<dbpp_fetch_fn, dbpp_fetch_legacy_fn>(FFetch, ca, const_cast<char*>(name), kind, offset, nullptr,
                                                  nullptr, 0u);
    }
    void GetData(sqlca* ca, const char* name, unsigned column, int offset, sqlda* da) {
        Call<dbpp_get_data_fn, dbpp_get_data_legacy_fn>(FGetData, ca, const_cast<char*>(name), column, offset,
                                                        da, 0u);
    }
    void PutInto(sqlca* ca, const char* name, sqlda* put, sqlda* into) {
        Call<dbpp_put_into_fn, dbpp_put_into_legacy_fn>(FPutInto, ca, const_cast<char*>(name), put, into);
    }
    void Update(sqlca* ca, const char* name, sqlda* da) {
        Call<dbpp_update_fn, dbpp_update_legacy_fn>(FUpdate, ca, const_cast<char*>(name), da);
    }
    void Delete(sqlca* ca, const char* name) {
        Call<dbpp_delete_fn, dbpp_delete_legacy_fn>(FDelete, ca, const_cast<char*>(name), nullptr, nullptr);
    }
    void Close(sqlca* ca, const char* name) {
        Call<dbpp_close_fn, dbpp_close_legacy_fn>(FClose, ca, const_cast<char*>(name));
    }

private:
    void* Need(const char* name) {
        void* p = FLib.Symbol(name);
        if (!p) throw std::runtime_error(std::string("missing entry point ") + name);
        return p;
    }
    template <class F7, class F6, class... A>
    void Call(void* fn, sqlca* ca, A... args) {
        if (FLib.Generation() == 7)
            reinterpret_cast<F7>(fn)(ca, args...);
        else
            reinterpret_cast<F6>(fn)(ca, FLib.Descriptor, args...);
    }

    DbLib& FLib;
    void *FDeclare, *FOpen, *FDescribe, *FFetchArray, *FFetch, *FGetData, *FPutInto, *FUpdate, *FDelete,
        *FClose;
};

// A block of `rows` rows of 32-bit integers and NUL-terminated texts of up to `textLen`
// characters, laid out as the product lays out its fetch buffer (row r in variables r*cols...).
class Block {
public:
    // kinds: 'i' an integer column, 's' a text column.
    Block(DbLib& lib, const std::string& kinds, int rows, int textLen = 40)
        : FKinds(kinds), FDa(lib, static_cast<unsigned>(kinds.size() * rows)) {
        size_t cols = kinds.size();
        FData.resize(cols * static_cast<size_t>(rows) * static_cast<size_t>(textLen + 8));
        char* p = FData.data();
        for (int r = 0; r < rows; ++r) {
            for (size_t c = 0; c < cols; ++c) {
                sqlvar& v = FDa[static_cast<int>(r * cols + c)];
                if (kinds[c] == 'i') {
                    v.sqltype = DBLIB_T_INT | 1;
                    v.sqllen = 4;
                } else {
                    v.sqltype = DBLIB_T_STRING | 1;
                    v.sqllen = static_cast<int16_t>(textLen + 1);
                }
                v.sqldata = p;
                p += textLen + 8;
            }
        }
        FDa->sqld = FDa->sqln;
    }
    sqlda* get() const { return FDa.get(); }
    int Int(int row, int col) const {
        int32_t v;
        std::memcpy(&v, Var(row, col).sqldata, 4);
        return v;
    }
    std::string Text(int row, int col) const { return static_cast<const char*>(Var(row, col).sqldata); }
    bool IsNull(int row, int col) const { return *Var(row, col).sqlind == -1; }
    // The integers of column `col` in the first `n` rows.
    std::vector<int> Ints(int n, int col = 0) const {
        std::vector<int> out;
        for (int r = 0; r < n; ++r)
            out.push_back(Int(r, col));
        return out;
    }

private:
    sqlvar& Var(int row, int col) const {
        return FDa[static_cast<int>(row * FKinds.size() + static_cast<size_t>(col))];
    }
    std::string FKinds;
    Sqlda FDa;
    std::vector<char> FData;
};

// Named input variables, as positioned changes take them: each setter fills variable i (and
// makes sqld cover it); texts and numbers are kept by the object.
class Vars {
public:
    Vars(DbLib& lib, int n, bool indicators = true) : FDa(lib, static_cast<unsigned>(n), indicators) {}
    sqlda* get() const { return FDa.get(); }
    sqlvar& operator[](int i) const { return FDa[i]; }
    sqlvar& Text(int i, const char* name, const std::string& text) {
        const std::string& kept = FTexts.emplace_back(text);
        sqlvar& v = Named(i, name, DBLIB_T_STRING);
        v.sqllen = static_cast<int16_t>(kept.size() + 1);
        v.sqldata = const_cast<char*>(kept.c_str());
        return v;
    }
    sqlvar& Int(int i, const char* name, int32_t value) {
        sqlvar& v = Named(i, name, DBLIB_T_INT);
        v.sqllen = 4;
        v.sqldata = &FInts.emplace_back(value);
        return v;
    }
    // A type-600 variable: the value of the SQL variable `variable`.
    sqlvar& Variable(int i, const char* name, const std::string& variable) {
        const std::string& kept = FTexts.emplace_back(variable);
        sqlvar& v = Named(i, name, DBLIB_T_VARIABLE);
        v.sqldata = const_cast<char*>(kept.c_str());
        return v;
    }
    // A name without a type (or a type without a name, with name null).
    sqlvar& Named(int i, const char* name, int type) {
        sqlvar& v = FDa[i];
        v.sqltype = static_cast<int16_t>(type);
        if (name) {
            v.sqlname.length = static_cast<int16_t>(std::strlen(name));
            std::memcpy(v.sqlname.data, name, std::strlen(name));
        }
        if (FDa->sqld <= i) FDa->sqld = static_cast<int16_t>(i + 1);
        return v;
    }

private:
    Sqlda FDa;
    std::deque<std::string> FTexts; // deques keep their elements in place as they grow
    std::deque<int32_t> FInts;
};

// Integers first .. first + n - 1.
inline std::vector<int> Range(int first, int n) {
    std::vector<int> v;
    for (int i = 0; i < n; ++i)
        v.push_back(first + i);
    return v;
}

} // namespace dbtest
