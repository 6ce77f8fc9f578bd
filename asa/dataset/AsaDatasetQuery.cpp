// TAsaDataset: the SQL text and its parameters, preparing and running the query, editing through
// the cursor, and master-detail (see AsaDataset.h).
//
// Why the query is in use is kept in DBFlags (open, explicit Prepare, ExecSQL); the statement is
// prepared while any reason holds and unprepared when the last one goes:
//
//   situation                          Prepared  DBFlags  cursor
//   new, or after a change of SQL      false     {}       unprepared
//   after Prepare                      true      {1}      prepared (query or statement, by describe)
//   open after Prepare                 true      {0, 1}   query prepared and open
//   open without Prepare               true      {0}      query prepared and open
//   closed again without Prepare       false     {}       unprepared
//   during ExecSQL without Prepare     true      {2}      statement prepared and executed
#include "asa/dataset/AsaDataset.h"

#include "asa/AsaSession.h"
#include "asa/dataset/AsaDataLink.h"
#include "asa/dataset/AsaDatasetConsts.h"
#include "asa/dataset/AsaDatasetError.h"
#include "base/CorvexBlob.h"
#include "base/CorvexException.h"
#include "base/TnxConsts.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/db/DBConsts.h"
#include "platform/vcl/db/DataSource.h"
#include "platform/vcl/db/FieldDefs.h"

#include <cstring>

namespace tnx {

using vcl::AnsiString;
using vcl::Variant;

VCL_CLASS_INFO(TAsaDataset, [](vcl::TPublisher<TAsaDataset>& p) {
    using D = TAsaDataset;
    p.Property("CursorType", &D::GetCursorType, &D::SetCursorType);
    p.Property("DataSource", &D::GetDataSource, &D::SetDataSource);
    p.Property("ParamCheck", &D::GetParamCheck, &D::SetParamCheck).Default(true);
    p.Property("Params", &D::GetParams);
    p.Property("ReadOnly", &D::GetReadOnly, &D::SetReadOnly).Default(true);
    p.Property("Session", &D::GetSession, &D::SetSession);
    p.Property("SQL", &D::GetSQL);
})

// --- SQL text and parameters -----------------------------------------------------------------------

vcl::TStrings* TAsaDataset::GetSQL() const {
    return FSQL.get();
}

void TAsaDataset::SetQuery(vcl::TStrings* value) {
    const AnsiString text = value != nullptr ? value->GetText() : AnsiString();
    if (FSQL->GetText() == text) return;
    Disconnect();
    FSQL->BeginUpdate();
    try {
        FSQL->SetText(text);
    } catch (...) {
        FSQL->EndUpdate();
        throw;
    }
    FSQL->EndUpdate();
}

void TAsaDataset::QueryChanged() {
    FSQLText = FSQL->GetText();
    if (GetComponentState().Contains(vcl::csLoading)) {
        // The parameters come from the form file; only "::" is reduced.
        CreateParams(nullptr, FSQLText);
        return;
    }
    Disconnect();
    if (FParamCheck || GetComponentState().Contains(vcl::csDesigning)) {
        vcl::TOwned<TAsaParams> list = vcl::New<TAsaParams>(this);
        try {
            CreateParams(list.get(), FSQLText);
            list->AssignValues(*FParams);
            FParams = std::move(list);
        } catch (...) {
            // The old parameters stay; the new list goes with `list`.
        }
    }
    DataEvent(vcl::dePropertyChange, 0);
}

void TAsaDataset::SetParamsList(TAsaParams* value) {
    if (value != nullptr) FParams->AssignValues(*value);
}

// --- Properties ------------------------------------------------------------------------------------

void TAsaDataset::SetReadOnly(bool value) {
    if (value == FReadOnly) return;
    CheckUnPrepared();
    FReadOnly = value;
}

TAsaSession* TAsaDataset::GetSession() const {
    return dynamic_cast<TAsaSession*>(FCursor->GetAssignedSession());
}

void TAsaDataset::SetSession(TAsaSession* value) {
    CheckUnPrepared();
    FCursor->SetSession(value);
    DataEvent(vcl::dePropertyChange, 0);
}

void TAsaDataset::SetCursorType(TAsaCursorType value) {
    if (value == FCursor->GetCursorType()) return;
    CheckInactive();
    FCursor->SetCursorType(value);
}

bool TAsaDataset::GetCanModify() {
    return inherited::GetCanModify() && !FReadOnly;
}

void TAsaDataset::CheckUnPrepared() {
    if (FPrepared) vcl::DatabaseError(STnxDataSetPrepared, this);
}

// --- Prepare and unprepare -------------------------------------------------------------------------

void TAsaDataset::SetDBFlag(int flag, bool value) {
    if (flag < 0 || flag > 7) return;
    const auto bit = static_cast<std::uint8_t>(1u << flag);
    if (value) {
        if ((FDBFlags & bit) != 0) return;
        if (FDBFlags == 0) {
            // The first use of the query: it needs a connected session.
            TCorvexSession* session = FCursor->GetAssignedSession();
            if (session == nullptr) throw ECorvexException(vcl::LoadResString(CORVEX_ERR_SESS_NIL), 0, 0);
            if (!session->GetConnected()) session->SetConnected(true);
        }
        FDBFlags = static_cast<std::uint8_t>(FDBFlags | bit);
    } else {
        if ((FDBFlags & ~bit) == 0) SetPrepared(false);
        FDBFlags = static_cast<std::uint8_t>(FDBFlags & ~bit);
    }
}

void TAsaDataset::Prepare() {
    SetDBFlag(dbfPrepared, true);
    SetPrepared(true);
}

void TAsaDataset::UnPrepare() {
    SetPrepared(false);
    SetDBFlag(dbfPrepared, false);
}

void TAsaDataset::SetPrepare(bool value) {
    if (value) {
        Prepare();
    } else {
        UnPrepare();
    }
}

void TAsaDataset::AttachAfterClose() {
    FCursor->SetAfterClose([this](vcl::TObject* sender) { DoCursorAfterClose(sender); });
}

void TAsaDataset::SetPrepared(bool value) {
    CheckInactive();
    if (value == FPrepared) return;
    if (!value) {
        UnPrepareSQL();
    } else {
        if (FSQLText.size() < 2) vcl::DatabaseError(STnxEmptySQLStatement, this);
        PrepareSQL(FSQLText);
        if (FCursor->GetPrepared()) AttachAfterClose();
    }
    FPrepared = value;
}

void TAsaDataset::PrepareSQL(const AnsiString& text) {
    bool ok = false;
    if ((FDBFlags & (1u << dbfOpen)) != 0) {
        ok = FCursor->PrepareOpen(text);
    } else if ((FDBFlags & (1u << dbfExecuting)) != 0) {
        ok = FCursor->PrepareExecute(text);
    } else {
        // An explicit Prepare: a describe on a statement of its own tells a query from a statement.
        vcl::TOwned<TAsaSQL> probe = vcl::New<TAsaSQL>();
        probe->SetSession(FCursor->GetAssignedSession());
        probe->SetWantExceptions(false);
        if (probe->Describe(text)) {
            const std::int32_t columns = probe->GetFieldCount();
            probe->UnprepareOpen();
            ok = columns > 0 ? FCursor->PrepareOpen(text) : FCursor->PrepareExecute(text);
        }
    }
    // The session's last error is the cursor's, so a failed describe is reported as well.
    if (!ok) RaiseCursorError();
}

void TAsaDataset::UnPrepareSQL() {
    if (FCursor->GetPrepared()) {
        // Unpreparing by the dataset itself is no release from outside.
        FCursor->SetAfterClose(nullptr);
        try {
            FCursor->UnprepareOpen();
        } catch (...) {
            AttachAfterClose();
            throw;
        }
        AttachAfterClose();
    } else if (FCursor->GetExecPrepared()) {
        FCursor->UnprepareExecute();
    }
}

void TAsaDataset::DoCursorAfterClose(vcl::TObject*) {
    Disconnect();
    DataEvent(vcl::dePropertyChange, 0);
}

// --- Opening and running -----------------------------------------------------------------------------

void TAsaDataset::OpenCursor(bool infoQuery) {
    SetDBFlag(dbfOpen, true);
    CreateHandle();
    inherited::OpenCursor(infoQuery);
}

void TAsaDataset::CreateHandle() {
    CreateCursor();
}

void TAsaDataset::CreateCursor() {
    if (FSQL->GetCount() == 0) vcl::DatabaseError(STnxEmptySQLStatement, this);
    SetPrepared(true);
    if (FDataLink->GetDataSource() != nullptr) SetParamsFromCursor();
    GetQueryCursor();
}

void TAsaDataset::GetQueryCursor() {
    const Variant values = FParams->GetParamValues();
    const TVariantOpenArray list(&values, 1);
    bool ok;
    if (FCursor->GetPrepared()) {
        ok = GetCanModify() ? FCursor->OpenWritePrepared(list) : FCursor->OpenReadPrepared(list);
    } else {
        ok = FCursor->ExecutePrepared(list);
    }
    // An open that finds no row answers false with a warning: an empty result is no error.
    if (!ok) RaiseCursorError();
}

void TAsaDataset::CloseCursor() {
    inherited::CloseCursor();
    FCursor->Close();
    SetDBFlag(dbfOpen, false);
}

void TAsaDataset::ExecSQL() {
    CheckInactive();
    SetDBFlag(dbfExecuting, true);
    try {
        CreateCursor();
    } catch (...) {
        SetDBFlag(dbfExecuting, false);
        throw;
    }
    SetDBFlag(dbfExecuting, false);
}

// --- Editing ---------------------------------------------------------------------------------------

void TAsaDataset::DoBeforeEdit() {
    FEditChecked = false;
    // The edit compares the record with the row as the server has it now: make the framework move
    // the cursor onto the record (a move fetches the row again) rather than trust where it stands.
    CursorPosChanged();
    inherited::DoBeforeEdit();
}

void TAsaDataset::InternalEdit() {
    vcl::TRecordBuffer buffer = ActiveBuffer();
    if (FEditChecked || buffer == nullptr) return;
    const bool rowDiffers = FRowSize > 0 && std::memcmp(FCursor->GetRecordBuffer(), buffer,
                                                        static_cast<std::size_t>(FRowSize)) != 0;
    const bool nullsDiffer =
        FColumnCount > 0 && std::memcmp(FCursor->GetNullFlags(), buffer + FNullFlagsOffset,
                                        static_cast<std::size_t>(FColumnCount)) != 0;
    if (rowDiffers || nullsDiffer) {
        FEditChecked = true;
        vcl::DatabaseError(STnxRowChanged, this);
    }
}

void TAsaDataset::InternalPost() {
    vcl::TRecordBuffer buffer = ActiveBuffer();
    CopyRowToCursor(buffer);
    const bool ok = GetState() == vcl::dsInsert ? FCursor->Append() : FCursor->Modify();
    if (!ok) RaiseCursorError();
    RefreshCursor();
    if (GetBookmarkFlag(buffer) == vcl::bfEOF) FCursor->Last();
}

void TAsaDataset::InternalAddRecord(vcl::TRecordBuffer buffer, bool append) {
    CopyRowToCursor(buffer);
    if (!FCursor->Append()) RaiseCursorError();
    RefreshCursor();
    if (append) FCursor->Last();
}

void TAsaDataset::InternalDelete() {
    if (!FCursor->Delete()) RaiseCursorError();
    RefreshCursor();
}

void TAsaDataset::InternalCancel() {
    FCursor->GetBlobManager()->ClearBlobs();
    // A failed post left the edited values in the cursor's row; the framework shows the cursor's
    // row again after a cancel, so it must be the row as fetched.
    if (FCursor->GetActive() && FCursor->GetOldRecordBuffer() != nullptr) {
        if (FRowSize > 0)
            std::memcpy(FCursor->GetRecordBuffer(), FCursor->GetOldRecordBuffer(),
                        static_cast<std::size_t>(FRowSize));
        if (FColumnCount > 0)
            std::memcpy(FCursor->GetNullFlags(), FCursor->GetOldNullFlags(),
                        static_cast<std::size_t>(FColumnCount));
    }
}

void TAsaDataset::InternalRefresh() {
    RefreshCursor();
}

void TAsaDataset::RefreshCursor() {
    FCursor->Close();
    GetQueryCursor();
    CheckCursorLayout();
    const std::int32_t target = GetRecNo() - 1;
    if (FAtEnd) {
        FCursor->Last();
    } else if (IsSequenced() && target > FCursor->GetRecordCount() / 2) {
        // From the end the relative move is the shorter one.
        FCursor->Last();
    }
    FCursor->MoveTo(target);
}

// --- Master-detail ---------------------------------------------------------------------------------

vcl::TDataSource* TAsaDataset::GetDataSource() {
    return FDataLink->GetDataSource();
}

void TAsaDataset::SetDataSource(vcl::TDataSource* value) {
    if (IsLinkedTo(value)) vcl::DatabaseError(vcl::SCircularDataLink, this);
    FDataLink->SetDataSource(value);
}

void TAsaDataset::SetParamsFromCursor() {
    vcl::TDataSource* source = FDataLink->GetDataSource();
    vcl::TDataSet* master = source != nullptr ? source->GetDataSet() : nullptr;
    if (master == nullptr) return;
    master->GetFieldDefs()->Update();
    for (std::int32_t i = 0; i < FParams->GetCount(); ++i) {
        TAsaParam* param = FParams->GetParam(static_cast<std::uint16_t>(i));
        param->AssignField(master->FieldByName(param->GetName()));
    }
}

void TAsaDataset::RefreshParams() {
    DisableControls();
    try {
        vcl::TDataSource* source = FDataLink->GetDataSource();
        vcl::TDataSet* master = source != nullptr ? source->GetDataSet() : nullptr;
        if (master != nullptr && master->GetActive() && master->GetState() != vcl::dsSetKey) {
            Close();
            Open();
        }
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

} // namespace tnx
