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

#include "asa/AsaSqlda.h"
#include "asa/AutoCommitScope.h"

#include "base/CorvexBlob.h"
#include "base/TnxConsts.h"
#include "platform/vcl/StringList.h"

#include <cstring>
#include <deque>
#include <functional>
#include <string>

namespace tnx {

namespace {

// A change's SQLDA: every variable of the row in use.
TAsaSqlda ChangeArea(TAsaSqlda Da) {
    Da->sqld = Da->sqln;
    return Da;
}

} // namespace

// --- Long values of a change ---------------------------------------------------------------------

bool TAsaSQL::PutBlobColumn(int32_t Index, sqlvar& Var, vcl::TStrings* Created,
                            std::deque<std::string>& Names) {
    const TCorvexFieldDesc& field = FieldDescAt(Index);
    TCorvexBlobStream* blob = GetBlobManager()->BlobByName(field.Name);
    if (!InternalCreateBlobVariable(field.Name, blob->GetBuffer(), blob->GetBufferSize())) return false;
    Created->Add(field.Name);
    Names.emplace_back(field.Name);
    Var.sqltype = DBLIB_T_VARIABLE;
    Var.sqldata = Names.back().data();
    return true;
}

bool TAsaSQL::FillChangeColumns(sqlda* Da, bool Update, vcl::TStrings* Created, std::deque<std::string>& Names,
                                bool& Any) {
    // Nothing is sent without its long value: whatever stops the filling drops the variables made
    // so far (the reason of a failure is the failed call's).
    try {
        int32_t offset = 0;
        for (int32_t i = 0; i < GetFieldCount(); ++i) {
            uint8_t* p = GetRecordBuffer() + offset;
            offset += FieldDescAt(i).Size;
            if (Update && !IsFieldDirty(vcl::Variant(i))) continue;
            Any = true;
            sqlvar& var = Da->sqlvar[i];
            const sqlvar& column = FOpenSqlda->sqlvar[i];
            var.sqlname = column.sqlname;
            const bool blob = IsBlobType(FieldDescAt(i).FieldType);
            const bool null = IsFieldNull(vcl::Variant(i));
            // A long value goes as an SQL variable; an update's NULL needs a type as well, the name
            // alone sends nothing.
            if (!blob || (Update && null)) {
                var.sqltype = column.sqltype;
                var.sqllen = column.sqllen;
            }
            if (Update && var.sqlind != nullptr) *var.sqlind = null ? -1 : 0;
            if (null) continue; // an insert sends NULL through a null sqldata
            if (!blob) {
                var.sqldata = p;
            } else if (!PutBlobColumn(i, var, Created, Names)) {
                DropBlobVariablesQuietly(Created);
                return false;
            }
        }
    } catch (...) {
        DropBlobVariablesQuietly(Created);
        throw;
    }
    return true;
}

// --- Modify ----------------------------------------------------------------------------------------

bool TAsaSQL::Modify() {
    RequireActive();
    RequireWritable();
    TAsaSession* session = Asa();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    TAsaSqlda area = ChangeArea(TAsaSqlda::Allocate(static_cast<unsigned>(GetFieldCount())));
    std::deque<std::string> names;
    vcl::TOwned<vcl::TStringList> created = vcl::New<vcl::TStringList>();
    TAutoCommitScope commit([this] { InternalAutoCommit(); });

    bool dirty = false;
    if (!FillChangeColumns(area.Get(), true, created.get(), names, dirty)) return false;
    if (!dirty) {
        commit.Cancel();
        return true;
    }

    session->Dbpp(procs.dbpp_update, FCursorName, area.Get());
    DropBlobVariablesQuietly(created.get());
    const bool ok = CheckResult();
    if (ok && StillActive()) {
        std::memcpy(GetOldRecordBuffer(), GetRecordBuffer(), static_cast<std::size_t>(GetRecordSize()));
        if (GetFieldCount() > 0)
            std::memcpy(GetOldNullFlags(), GetNullFlags(), static_cast<std::size_t>(GetFieldCount()));
        GetBlobManager()->ClearBlobs();
    }
    return ok;
}

// --- Append ----------------------------------------------------------------------------------------

bool TAsaSQL::Append() {
    RequireActive();
    RequireWritable();
    TAsaSession* session = Asa();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    TAsaSqlda area = ChangeArea(TAsaSqlda::AllocateNoIndicators(static_cast<unsigned>(GetFieldCount())));
    std::deque<std::string> names;
    vcl::TOwned<vcl::TStringList> created = vcl::New<vcl::TStringList>();
    TAutoCommitScope commit([this] { InternalAutoCommit(); });

    bool any = false;
    if (!FillChangeColumns(area.Get(), false, created.get(), names, any)) return false;

    sqlca* ca = session->GetSqlca();
    session->Dbpp(procs.dbpp_put_into, FCursorName, area.Get(), FOpenSqlda);
    const sqlca saved = *ca;
    DropBlobVariablesQuietly(created.get());
    if (saved.sqlcode >= 0 && StillActive()) {
        // The inserted row as stored arrived in the block's first row.
        SetBufferedRows(saved.sqlcode == DBLIB_W_NOT_FOUND ? 0 : saved.sqlerrd[2]);
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
