// TAsaSQL: positioned changes through the open cursor (see AsaSQL.h): Modify sends the dirty
// columns of the current row, Append inserts the row built in RecordBuffer and shows it as the
// server stored it, Delete removes the row the cursor stands on.
//
// Long columns (ntMemo, ntBlob) travel through temporary SQL variables named like the column,
// filled from the column's blob stream before the call and dropped right after it; the SQLDA
// variable then has type 600 and names the variable. If such a variable cannot be made, the
// change is not sent at all and fails with the library's reason: sending the row without that
// value would lose what the user wrote while reporting success.
//
// Guarantees:
//  - A change is judged by its own sqlcode (kept across the dropping of the variables).
//  - After a successful Modify the row is clean (old values = new values); a failed one leaves it
//    dirty. After a successful Append the current record is the inserted row as stored; a failed
//    Append leaves the record the caller built as it was, so it can be corrected and sent again.
//  - The SQLDAs, the names they point to and the variables are released on every path, also when
//    a check raises.
#include "asa/AsaSQL.h"

#include "base/CorvexBlob.h"
#include "base/TnxConsts.h"
#include "platform/vcl/StringList.h"

#include <cstring>
#include <deque>
#include <functional>
#include <string>

namespace tnx {

namespace {

// An SQLDA of the library's, the names its type-600 variables point to, and the SQL variables
// made for them; released (variables dropped, area freed) when it goes out of scope.
class TChangeArea {
public:
    TChangeArea(sqlda* Da, bool Indicators) : FDa(Da), FIndicators(Indicators) {
        if (FDa == nullptr) throw vcl::EOutOfMemory("Out of memory");
        FDa->sqld = FDa->sqln;
    }
    ~TChangeArea() {
        auto& procs = AsaLibrary.Procs;
        if (FIndicators) {
            if (procs.free_sqlda != nullptr) procs.free_sqlda(FDa);
        } else if (procs.free_sqlda_noind != nullptr) {
            procs.free_sqlda_noind(FDa);
        }
    }
    TChangeArea(const TChangeArea&) = delete;
    TChangeArea& operator=(const TChangeArea&) = delete;

    sqlda* Da() const { return FDa; }
    sqlvar& Var(int32_t i) const { return FDa->sqlvar[i]; }
    // Keeps a copy of the name at a stable address for the SQLDA to point to.
    char* KeepName(const char* Name) {
        FNames.emplace_back(Name);
        return FNames.back().data();
    }

private:
    sqlda* FDa;
    bool FIndicators;
    std::deque<std::string> FNames; // never moves its elements
};

// Runs the statement's auto commit when it goes out of scope, on every path (also after a failed
// change, and when a check raises), unless cancelled. Its own outcome is not reported.
class TAutoCommitScope {
public:
    explicit TAutoCommitScope(std::function<void()> Commit) : FCommit(std::move(Commit)) {}
    ~TAutoCommitScope() {
        if (!FCommit) return;
        try {
            FCommit();
        } catch (...) {
        }
    }
    TAutoCommitScope(const TAutoCommitScope&) = delete;
    TAutoCommitScope& operator=(const TAutoCommitScope&) = delete;
    void Cancel() { FCommit = nullptr; }

private:
    std::function<void()> FCommit;
};

} // namespace

// --- Long values of a change ---------------------------------------------------------------------

bool TAsaSQL::PutBlobColumn(int32_t Index, sqlvar& Var, vcl::TStrings* Created,
                            std::deque<std::string>& Names) {
    const TCorvexFieldDesc& field = FFields[Index];
    TCorvexBlobStream* blob = FBlobManager->BlobByName(field.Name);
    if (!InternalCreateBlobVariable(field.Name, blob->GetBuffer(), blob->GetBufferSize())) return false;
    Created->Add(field.Name);
    Names.emplace_back(field.Name);
    Var.sqltype = DBLIB_T_VARIABLE;
    Var.sqldata = Names.back().data();
    return true;
}

// --- Modify ----------------------------------------------------------------------------------------

bool TAsaSQL::Modify() {
    RequireActive();
    RequireWritable();
    TAsaSession* session = Asa();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    TChangeArea area(procs.alloc_sqlda(static_cast<unsigned>(FFieldCount)), true);
    std::deque<std::string> names;
    vcl::TOwned<vcl::TStringList> created = vcl::New<vcl::TStringList>();
    TAutoCommitScope commit([this] { InternalAutoCommit(); });

    bool dirty = false;
    bool ready = true;
    try {
        int32_t offset = 0;
        for (int32_t i = 0; i < FFieldCount && ready; ++i) {
            uint8_t* p = FRecordBuffer + offset;
            offset += FFields[i].Size;
            if (!IsFieldDirty(vcl::Variant(i))) continue;
            dirty = true;
            sqlvar& var = area.Var(i);
            const sqlvar& column = FOpenSqlda->sqlvar[i];
            var.sqlname = column.sqlname;
            int16_t scratch = 0;
            int16_t& indicator = var.sqlind != nullptr ? *var.sqlind : scratch;
            if (IsFieldNull(vcl::Variant(i))) {
                indicator = -1;
                // The name alone does not send anything: a NULL needs a type as well.
                var.sqltype = column.sqltype;
                var.sqllen = column.sqllen;
                continue;
            }
            indicator = 0;
            if (IsBlobType(FFields[i].FieldType)) {
                ready = PutBlobColumn(i, var, created.get(), names);
            } else {
                var.sqltype = column.sqltype;
                var.sqllen = column.sqllen;
                var.sqldata = p;
            }
        }
    } catch (...) {
        DropBlobVariablesQuietly(created.get());
        throw;
    }
    if (!ready) {
        // Nothing is sent without the long value; the reason is the failed call's.
        DropBlobVariablesQuietly(created.get());
        return false;
    }
    if (!dirty) {
        commit.Cancel();
        return true;
    }

    session->Dbpp(procs.dbpp_update, FCursorName, area.Da());
    DropBlobVariablesQuietly(created.get());
    const bool ok = CheckResult();
    if (ok && StillActive()) {
        std::memcpy(FOldRecordBuffer, FRecordBuffer, static_cast<std::size_t>(FRecordSize));
        if (FFieldCount > 0) std::memcpy(FOldNullFlags, FNullFlags, static_cast<std::size_t>(FFieldCount));
        FBlobManager->ClearBlobs();
    }
    return ok;
}

// --- Append ----------------------------------------------------------------------------------------

bool TAsaSQL::Append() {
    RequireActive();
    RequireWritable();
    TAsaSession* session = Asa();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    TChangeArea area(procs.alloc_sqlda_noind(static_cast<unsigned>(FFieldCount)), false);
    std::deque<std::string> names;
    vcl::TOwned<vcl::TStringList> created = vcl::New<vcl::TStringList>();
    TAutoCommitScope commit([this] { InternalAutoCommit(); });

    bool ready = true;
    try {
        int32_t offset = 0;
        for (int32_t i = 0; i < FFieldCount && ready; ++i) {
            uint8_t* p = FRecordBuffer + offset;
            offset += FFields[i].Size;
            sqlvar& var = area.Var(i);
            const sqlvar& column = FOpenSqlda->sqlvar[i];
            var.sqlname = column.sqlname;
            const bool blob = IsBlobType(FFields[i].FieldType);
            if (!blob) {
                var.sqltype = column.sqltype;
                var.sqllen = column.sqllen;
            }
            if (IsFieldNull(vcl::Variant(i))) continue; // a null sqldata sends NULL
            if (blob) {
                ready = PutBlobColumn(i, var, created.get(), names);
            } else {
                var.sqldata = p;
            }
        }
    } catch (...) {
        DropBlobVariablesQuietly(created.get());
        throw;
    }
    if (!ready) {
        DropBlobVariablesQuietly(created.get());
        return false;
    }

    sqlca* ca = session->GetSqlca();
    session->Dbpp(procs.dbpp_put_into, FCursorName, area.Da(), FOpenSqlda);
    const sqlca saved = *ca;
    DropBlobVariablesQuietly(created.get());
    if (saved.sqlcode >= 0 && StillActive()) {
        // The inserted row as stored arrived in the block's first row.
        FBufferedRows = saved.sqlcode == DBLIB_W_NOT_FOUND ? 0 : saved.sqlerrd[2];
        ConvertFetchedBuffers();
    }
    *ca = saved;
    return CheckResult();
}

// --- Delete ----------------------------------------------------------------------------------------

bool TAsaSQL::Delete() {
    RequireActive();
    RequireWritable();
    TAsaSession* session = Asa();
    TAutoCommitScope commit([this] { InternalAutoCommit(); });
    session->Dbpp(AsaLibrary.Procs.dbpp_delete, FCursorName, nullptr, nullptr);
    return CheckResult();
}

} // namespace tnx
