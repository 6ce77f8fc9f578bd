// TDataSet: the record-buffer ring, states, events and the error-retry loop (DataSet.h).
#include "platform/vcl/db/DataSet.h"

#include "platform/vcl/Forms.h"
#include "platform/vcl/Stream.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/db/DBConsts.h"
#include "platform/vcl/db/DataLink.h"
#include "platform/vcl/db/DataSource.h"
#include "platform/vcl/db/Field.h"
#include "platform/vcl/db/FieldDefs.h"
#include "platform/vcl/db/Fields.h"

#include <algorithm>
#include <cstring>

namespace vcl {

namespace {

// The most records a window holds, whatever the links ask for.
constexpr int MaxBufferCount = 1024;

// Splits "a;b; c" into trimmed names (empty parts skipped).
std::vector<AnsiString> SplitFieldNames(std::string_view names) {
    std::vector<AnsiString> result;
    std::size_t start = 0;
    while (start <= names.size()) {
        std::size_t end = names.find(';', start);
        if (end == std::string_view::npos) end = names.size();
        AnsiString name = Trim(names.substr(start, end - start));
        if (!name.empty()) result.push_back(std::move(name));
        start = end + 1;
    }
    return result;
}

} // namespace

TDataSet::TDataSet(TComponent* owner) : TComponent(owner) {
    FFields = New<TFields>(this).release();
    FFieldDefs = New<TFieldDefs>(this).release();
}

TDataSet::~TDataSet() = default;

void TDataSet::Destroy() {
    Destroying();
    if (GetActive()) {
        try {
            SetActive(false);
        } catch (...) {
            // Closing on the way out must not raise; what failed is reported to the application.
            try {
                InternalHandleException();
            } catch (...) {
            }
        }
    }
    while (!FDataSources.empty())
        FDataSources.back()->SetDataSet(nullptr);
    // Fields this dataset owns go with it (TComponent frees them); the others are detached.
    while (FFields->Count() > 0) {
        TField* field = FFields->FList.back();
        FFields->FList.pop_back();
        field->FDataSet = nullptr;
    }
    FreeAndNil(FFieldDefs);
    FreeAndNil(FFields);
    inherited::Destroy();
}

void TDataSet::Loaded() {
    inherited::Loaded();
    if (FStreamedActive) {
        FStreamedActive = false;
        if (GetComponentState().Contains(csDesigning)) {
            try {
                SetActive(true);
            } catch (...) {
                InternalHandleException();
            }
        } else {
            SetActive(true);
        }
    }
}

void TDataSet::GetChildren(const TGetChildProc& proc, TComponent* root) {
    inherited::GetChildren(
        [&](TComponent* child) {
            if (!child->InheritsFrom<TField>()) proc(child);
        },
        root);
}

// --- Opening and closing -------------------------------------------------------------------------

void TDataSet::SetActive(bool value) {
    if (GetComponentState().Contains(csReading)) {
        FStreamedActive = value;
        return;
    }
    if (GetActive() == value) return;
    if (value) {
        DoBeforeOpen();
        try {
            OpenCursor(false);
        } catch (...) {
            FState = dsInactive;
            try {
                CloseCursor();
            } catch (...) {
            }
            throw;
        }
        SetState(dsBrowse);
        DoAfterOpen();
        if (!IsEmpty()) DoAfterScroll();
    } else {
        const bool destroying = GetComponentState().Contains(csDestroying);
        if (!destroying) DoBeforeClose();
        if (FState == dsEdit || FState == dsInsert) InternalCancel();
        SetState(dsInactive);
        CloseCursor();
        if (!destroying) DoAfterClose();
    }
}

void TDataSet::OpenCursor(bool infoQuery) {
    if (infoQuery) {
        InternalInitFieldDefs();
    } else {
        DoInternalOpen();
    }
}

void TDataSet::DoInternalOpen() {
    FDefaultFields = FFields->Count() == 0;
    InternalOpen();
    FBuffersReady = true;
    FBufferCount = 0;
    ClearBuffers();
    UpdateBufferCount();
    FBOF = true;
}

void TDataSet::CloseCursor() {
    FBuffersReady = false;
    ClearBuffers();
    SetBufListSize(0);
    FBufferCount = 0;
    FCalcBuffer = nullptr;
    InternalClose();
    FDefaultFields = false;
}

void TDataSet::InitFieldDefs() {
    if (IsCursorOpen()) {
        InternalInitFieldDefs();
        return;
    }
    try {
        OpenCursor(true);
    } catch (...) {
        try {
            CloseCursor();
        } catch (...) {
        }
        throw;
    }
    CloseCursor();
}

void TDataSet::CheckActive() {
    if (FState == dsInactive) DatabaseError(SDataSetClosed, this);
}

void TDataSet::CheckInactive() {
    if (FState != dsInactive) DatabaseError(SDataSetOpen, this);
}

void TDataSet::CheckCanModify() {
    if (!GetCanModify()) DatabaseError(SDataSetReadOnly, this);
}

bool TDataSet::GetCanModify() {
    return true;
}

// --- The buffer ring -----------------------------------------------------------------------------

TRecordBuffer TDataSet::TempBuffer() const {
    if (FBuffers.empty()) return nullptr;
    return FBuffers[static_cast<std::size_t>(FRecordCount)];
}

TRecordBuffer TDataSet::GetBuffer(int index) const {
    if (index < 0 || index >= static_cast<int>(FBuffers.size())) return nullptr;
    return FBuffers[static_cast<std::size_t>(index)];
}

void TDataSet::SetBufListSize(int value) {
    const auto wanted = static_cast<std::size_t>(value);
    while (FBuffers.size() > wanted) {
        TRecordBuffer buffer = FBuffers.back();
        FBuffers.pop_back();
        FreeRecordBuffer(buffer);
    }
    while (FBuffers.size() < wanted) {
        FBuffers.push_back(nullptr);
        FBuffers.back() = AllocRecordBuffer();
    }
}

void TDataSet::ClearBuffers() {
    FRecordCount = 0;
    FActiveRecord = 0;
    FCurrentRecord = -1;
    FBOF = true;
    FEOF = true;
}

void TDataSet::ActivateBuffers() {
    FRecordCount = 1;
    FActiveRecord = 0;
    FCurrentRecord = 0;
    FBOF = false;
    FEOF = false;
}

void TDataSet::MoveBuffer(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    auto first = FBuffers.begin();
    if (newIndex - curIndex == 1 || curIndex - newIndex == 1) {
        // Two neighbours (a walk over a single visible record): a swap is the rotation.
        std::swap(first[curIndex], first[newIndex]);
        return;
    }
    if (curIndex < newIndex) {
        std::rotate(first + curIndex, first + curIndex + 1, first + newIndex + 1);
    } else {
        std::rotate(first + newIndex, first + curIndex, first + curIndex + 1);
    }
}

void TDataSet::SetCurrentRecord(int index) {
    if (FCurrentRecord == index) return;
    TRecordBuffer buffer = FBuffers[static_cast<std::size_t>(index)];
    switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
        InternalSetToRecord(buffer);
        break;
    case bfBOF:
        InternalFirst();
        break;
    case bfEOF:
        InternalLast();
        break;
    }
    FCurrentRecord = index;
}

void TDataSet::UpdateCursorPos() {
    if (FRecordCount > 0) SetCurrentRecord(FActiveRecord);
}

bool TDataSet::GetNextRecord() {
    if (FRecordCount > 0) SetCurrentRecord(FRecordCount - 1);
    const bool ok = GetRecord(FBuffers[static_cast<std::size_t>(FRecordCount)], gmNext, true) == grOK;
    if (!ok) {
        CursorPosChanged();
        return false;
    }
    if (FRecordCount == 0) {
        ActivateBuffers();
    } else if (FRecordCount < FBufferCount) {
        ++FRecordCount;
    } else {
        MoveBuffer(0, FRecordCount);
    }
    FCurrentRecord = FRecordCount - 1;
    return true;
}

bool TDataSet::GetPriorRecord() {
    if (FRecordCount > 0) SetCurrentRecord(0);
    const bool ok = GetRecord(FBuffers[static_cast<std::size_t>(FRecordCount)], gmPrior, true) == grOK;
    if (!ok) {
        CursorPosChanged();
        return false;
    }
    if (FRecordCount == 0) {
        ActivateBuffers();
    } else {
        MoveBuffer(FRecordCount, 0);
        if (FRecordCount < FBufferCount) {
            ++FRecordCount;
            ++FActiveRecord;
        }
    }
    FCurrentRecord = 0;
    return true;
}

int TDataSet::GetNextRecords() {
    int count = 0;
    while (FRecordCount < FBufferCount && GetNextRecord())
        ++count;
    return count;
}

int TDataSet::GetPriorRecords() {
    int count = 0;
    while (FRecordCount < FBufferCount && GetPriorRecord())
        ++count;
    return count;
}

void TDataSet::AdjustLinkFirstRecords(int delta) {
    if (delta == 0) return;
    for (TDataSource* source : FDataSources)
        for (TDataLink* link : source->FDataLinks)
            link->FFirstRecord += delta;
}

void TDataSet::UpdateBufferCount() {
    if (!FBuffersReady) return;
    int wanted = 1;
    for (TDataSource* source : FDataSources)
        for (TDataLink* link : source->FDataLinks)
            wanted = std::max(wanted, link->GetBufferCount());
    SetBufferCount(wanted);
}

void TDataSet::SetBufferCount(int value) {
    value = std::clamp(value, 1, MaxBufferCount);
    if (value == FBufferCount) return;
    if (!FBuffersReady) {
        FBufferCount = value;
        return;
    }
    const int oldRecordCount = FRecordCount;
    if (value < FBufferCount) {
        // Keep the active record: drop records in front of it first as far as needed, then
        // records after the window's new end.
        const int dropFront = std::max(0, FActiveRecord - (value - 1));
        if (dropFront > 0) {
            std::rotate(FBuffers.begin(), FBuffers.begin() + dropFront, FBuffers.begin() + FRecordCount);
            FActiveRecord -= dropFront;
            FRecordCount -= dropFront;
            AdjustLinkFirstRecords(-dropFront);
        }
        FRecordCount = std::min(FRecordCount, value);
        CursorPosChanged();
        FBufferCount = value;
        SetBufListSize(value + 1);
    } else {
        SetBufListSize(value + 1);
        FBufferCount = value;
        if (!IsEditState(FState)) {
            GetNextRecords();
            if (FRecordCount > 0 && FRecordCount < FBufferCount) {
                const int prior = GetPriorRecords();
                AdjustLinkFirstRecords(prior);
            }
        }
    }
    if (FState != dsInactive && FRecordCount != oldRecordCount) DataEvent(deDataSetChange, 0);
}

// --- Navigation ------------------------------------------------------------------------------------

void TDataSet::First() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalFirst();
        GetNextRecords();
    } catch (...) {
        FBOF = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    FBOF = true;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

void TDataSet::Last() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalLast();
        GetPriorRecords();
        if (FRecordCount > 0) FActiveRecord = FRecordCount - 1;
    } catch (...) {
        FEOF = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    FEOF = true;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int moved = 0;
    if (!((distance > 0 && !FEOF) || (distance < 0 && !FBOF))) return 0;
    DoBeforeScroll();
    FBOF = false;
    FEOF = false;
    const int oldRecordCount = FRecordCount;
    int scrollCount = 0;
    auto notify = [&] {
        if (FRecordCount != oldRecordCount) {
            DataEvent(deDataSetChange, 0);
        } else {
            DataEvent(deDataSetScroll, scrollCount);
        }
    };
    try {
        while (distance > 0) {
            if (FActiveRecord < FRecordCount - 1) {
                ++FActiveRecord;
            } else {
                const int shift = FRecordCount < FBufferCount ? 0 : 1;
                if (!GetNextRecord()) {
                    FEOF = true;
                    break;
                }
                scrollCount -= shift;
                if (shift == 0) FActiveRecord = FRecordCount - 1;
            }
            --distance;
            ++moved;
        }
        while (distance < 0) {
            if (FActiveRecord > 0) {
                --FActiveRecord;
            } else {
                const int shift = FRecordCount < FBufferCount ? 0 : 1;
                if (!GetPriorRecord()) {
                    FBOF = true;
                    break;
                }
                scrollCount += shift;
                FActiveRecord = 0;
            }
            ++distance;
            --moved;
        }
    } catch (...) {
        notify();
        throw;
    }
    notify();
    DoAfterScroll();
    return moved;
}

void TDataSet::Resync(TResyncMode mode) {
    if (!FBuffersReady) DatabaseError(SDataSetClosed, this);
    TRecordBuffer spare = FBuffers[static_cast<std::size_t>(FRecordCount)];
    if (mode.Contains(rmExact)) {
        CursorPosChanged();
        if (GetRecord(spare, gmCurrent, true) != grOK) DatabaseError(SRecordNotFound, this);
    } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK &&
               GetRecord(spare, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    int count = mode.Contains(rmCenter) ? (FBufferCount - 1) / 2 : FActiveRecord;
    MoveBuffer(FRecordCount, 0);
    ActivateBuffers();
    try {
        while (count > 0 && GetPriorRecord())
            --count;
        GetNextRecords();
        GetPriorRecords();
    } catch (...) {
        DataEvent(deDataSetChange, 0);
        throw;
    }
    DataEvent(deDataSetChange, 0);
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    UpdateCursorPos();
    InternalRefresh();
    Resync({});
}

int TDataSet::GetRecNo() {
    return -1;
}

void TDataSet::SetRecNo(int) {}

int TDataSet::GetRecordCount() {
    return -1;
}

bool TDataSet::IsSequenced() {
    return true;
}

// --- Editing ---------------------------------------------------------------------------------------

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode, 0);
    switch (FState) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (FModified) {
            Post();
        } else {
            Cancel();
        }
        break;
    case dsSetKey:
        Post();
        break;
    default:
        break;
    }
}

void TDataSet::UpdateRecord() {
    if (!IsEditState(FState)) DatabaseError(SNotEditing, this);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& errorEvent) {
    for (;;) {
        try {
            UpdateCursorPos();
            operation();
            return;
        } catch (EDatabaseError& e) {
            TDataAction action = daFail;
            if (errorEvent) errorEvent(this, e, action);
            if (action == daFail) throw;
            if (action == daAbort) Abort();
            // daRetry: run the step again.
        }
    }
}

void TDataSet::CheckRequiredFields() {
    for (TField* field : *FFields) {
        if (field->GetRequired() && !field->GetReadOnly() && field->GetFieldKind() == fkData && field->GetIsNull()) {
            field->FocusControl();
            DatabaseErrorFmt(SFieldRequired, {field->GetDisplayName()}, this);
        }
    }
}

void TDataSet::CheckFieldWrite(TField* field) {
    switch (FState) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsCalcFields:
    case dsFilter:
    case dsNewValue:
    case dsInternalCalc:
        break;
    default:
        DatabaseError(SNotEditing, this);
    }
    if (field->GetFieldKind() == fkData) {
        if (FState == dsCalcFields) DatabaseError(SNotEditing, this);
        if (field->GetReadOnly() && FState != dsSetKey && FState != dsFilter)
            DatabaseErrorFmt(SFieldReadOnly, {field->GetDisplayName()}, this);
    }
}

void TDataSet::Edit() {
    if (FState == dsEdit || FState == dsInsert) return;
    if (FRecordCount == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeEdit();
    CheckOperation([this] { InternalEdit(); }, FOnEditError);
    GetCalcFields(ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    DoAfterEdit();
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeInsert();
    DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        // The new record is dropped: back to browsing the records around the cursor.
        FState = dsBrowse;
        UpdateCursorPos();
        Resync({});
        SetState(dsBrowse);
        DataEvent(deUpdateState, 0);
        throw;
    }
    FModified = false;
    DataEvent(deDataSetChange, 0);
    DoAfterInsert();
    DoAfterScroll();
}

void TDataSet::Insert() {
    BeginInsertAppend();
    const TBookmark current = GetBookmark();
    MoveBuffer(FRecordCount, FActiveRecord);
    TRecordBuffer buffer = ActiveBuffer();
    InitRecord(buffer);
    if (FRecordCount == 0) {
        SetBookmarkFlag(buffer, bfBOF);
    } else if (!current.Empty()) {
        SetBookmarkData(buffer, current.Data());
    }
    if (FRecordCount < FBufferCount) ++FRecordCount;
    CursorPosChanged();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer buffer = FBuffers[0];
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    FRecordCount = 1;
    FBOF = false;
    GetPriorRecords();
    InternalLast();
    CursorPosChanged();
    EndInsertAppend();
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
    InternalInitRecord(buffer);
    ClearCalcFields(buffer);
    SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::Post() {
    UpdateRecord();
    if (FState != dsEdit && FState != dsInsert) return;
    DataEvent(deCheckBrowseMode, 0);
    DoBeforePost();
    CheckOperation(
        [this] {
            CheckRequiredFields();
            InternalPost();
        },
        FOnPostError);
    SetState(dsBrowse);
    Resync({});
    DoAfterPost();
}

void TDataSet::Cancel() {
    if (FState != dsEdit && FState != dsInsert) return;
    DataEvent(deCheckBrowseMode, 0);
    DoBeforeCancel();
    UpdateCursorPos();
    InternalCancel();
    SetState(dsBrowse);
    Resync({});
    DoAfterCancel();
}

void TDataSet::Delete() {
    CheckActive();
    if (FState == dsInsert || FState == dsSetKey) {
        Cancel();
        return;
    }
    if (FRecordCount == 0) DatabaseError(SDataSetEmpty, this);
    DataEvent(deCheckBrowseMode, 0);
    DoBeforeDelete();
    DoBeforeScroll();
    CheckOperation([this] { InternalDelete(); }, FOnDeleteError);
    SetState(dsBrowse);
    Resync({});
    DoAfterDelete();
    DoAfterScroll();
}

void TDataSet::InsertOrAppendRecord(std::initializer_list<Variant> values, bool append) {
    if (append) {
        Append();
    } else {
        Insert();
    }
    int index = 0;
    for (const Variant& value : values) {
        if (index >= FFields->Count()) break;
        if (!value.IsEmpty()) FFields->GetField(index)->AssignValue(value);
        ++index;
    }
    Post();
}

void TDataSet::InsertRecord(std::initializer_list<Variant> values) {
    InsertOrAppendRecord(values, false);
}

void TDataSet::AppendRecord(std::initializer_list<Variant> values) {
    InsertOrAppendRecord(values, true);
}

void TDataSet::InternalCancel() {}
void TDataSet::InternalEdit() {}
void TDataSet::InternalInsert() {}
void TDataSet::InternalPost() {}
void TDataSet::InternalRefresh() {}

void TDataSet::InternalHandleException() {
    if (Application != nullptr) Application->HandleException(this);
}

// --- Bookmarks -------------------------------------------------------------------------------------

bool TDataSet::BookmarkAvailable() {
    return GetActive() && FState != dsSetKey && !IsEmpty() && ActiveBuffer() != nullptr &&
           GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() {
    if (!BookmarkAvailable() || FBookmarkSize <= 0) return {};
    std::vector<std::uint8_t> data(static_cast<std::size_t>(FBookmarkSize));
    GetBookmarkData(ActiveBuffer(), data.data());
    return TBookmark(data.data(), data.size());
}

void TDataSet::GotoBookmark(TBookmarkPtr bookmark) {
    if (bookmark == nullptr) return;
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoBookmark(bookmark);
    Resync({rmExact, rmCenter});
    DoAfterScroll();
}

bool TDataSet::BookmarkValid(TBookmarkPtr) {
    return false;
}

int TDataSet::CompareBookmarks(TBookmarkPtr, TBookmarkPtr) {
    return 0;
}

// --- Search ----------------------------------------------------------------------------------------

bool TDataSet::Locate(const AnsiString&, const Variant&, TLocateOptions) {
    return false;
}

Variant TDataSet::Lookup(const AnsiString&, const Variant&, const AnsiString&) {
    return Null();
}

// --- Fields ----------------------------------------------------------------------------------------

int TDataSet::GetFieldCount() const {
    return FFields->Count();
}

TField* TDataSet::FindField(std::string_view name) const {
    return FFields->FindField(name);
}

TField* TDataSet::FieldByName(std::string_view name) const {
    TField* field = FFields->FindField(name);
    if (field == nullptr) DatabaseErrorFmt(SFieldNotFound, {AnsiString(name)}, const_cast<TDataSet*>(this));
    return field;
}

std::vector<TField*> TDataSet::GetFieldList(std::string_view fieldNames) const {
    std::vector<TField*> list;
    for (const AnsiString& name : SplitFieldNames(fieldNames))
        list.push_back(FieldByName(name));
    return list;
}

Variant TDataSet::GetFieldValue(std::string_view fieldNames) {
    if (fieldNames.find(';') == std::string_view::npos) return FieldByName(Trim(fieldNames))->GetAsVariant();
    const std::vector<TField*> fields = GetFieldList(fieldNames);
    std::vector<Variant> values;
    values.reserve(fields.size());
    for (TField* field : fields)
        values.push_back(field->GetAsVariant());
    return VarArrayOf(values);
}

void TDataSet::SetFieldValue(std::string_view fieldNames, const Variant& value) {
    if (fieldNames.find(';') == std::string_view::npos) {
        FieldByName(Trim(fieldNames))->SetAsVariant(value);
        return;
    }
    const std::vector<TField*> fields = GetFieldList(fieldNames);
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i]->SetAsVariant(value.GetElement(static_cast<std::int32_t>(i)));
}

TOwned<TStream> TDataSet::CreateBlobStream(TField*, TBlobStreamMode) {
    return nullptr;
}

bool TDataSet::GetFieldData(TField*, void*) {
    return false;
}

void TDataSet::SetFieldData(TField*, const void*) {}

bool TDataSet::GetCurrentRecord(TRecordBuffer) {
    return false;
}

int TDataSet::Translate(const char* src, char* dest, bool) {
    if (src == nullptr) return 0;
    if (src != dest) std::strcpy(dest, src);
    return static_cast<int>(std::strlen(dest));
}

void TDataSet::BindFields(bool binding) {
    FCalcFieldsSize = 0;
    for (TField* field : *FFields) {
        if (!binding) {
            field->Bind(false);
            continue;
        }
        if (field->GetFieldKind() == fkCalculated || field->GetFieldKind() == fkLookup) {
            field->FFieldNo = -1;
            field->FOffset = FCalcFieldsSize;
            FCalcFieldsSize += field->GetDataSize() + 1;
        } else {
            TFieldDef* def = FFieldDefs->FindDef(field->GetFieldName());
            if (def == nullptr) DatabaseErrorFmt(SFieldNotFound, {field->GetDisplayName()}, this);
            if (def->GetDataType() != field->GetDataType())
                DatabaseErrorFmt(SFieldTypeMismatch,
                                 {field->GetDisplayName(), FieldTypeName(field->GetDataType()),
                                  FieldTypeName(def->GetDataType())},
                                 this);
            if ((field->GetDataType() == ftString || field->GetDataType() == ftBytes) &&
                def->GetSize() != field->GetSize())
                DatabaseErrorFmt(SFieldSizeMismatch, {field->GetDisplayName(), field->GetSize(), def->GetSize()},
                                 this);
            field->FFieldNo = def->GetFieldNo();
            field->FOffset = 0;
        }
        field->Bind(true);
    }
}

void TDataSet::CreateFields() {
    for (int i = 0; i < FFieldDefs->Count(); ++i) {
        TFieldDef* def = FFieldDefs->GetItem(i);
        if (def->GetDataType() != ftUnknown && def->GetFieldClass() != nullptr) def->CreateField(this);
    }
}

void TDataSet::DestroyFields() {
    while (FFields->Count() > 0) {
        TField* field = FFields->FList.back();
        FFields->FList.pop_back();
        field->FDataSet = nullptr;
        field->Free();
    }
}

void TDataSet::ClearCalcFields(TRecordBuffer buffer) {
    if (buffer != nullptr && FCalcFieldsSize > 0) std::memset(buffer + GetRecordSize(), 0, static_cast<std::size_t>(FCalcFieldsSize));
}

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
    if (FCalcFieldsSize <= 0) return;
    const TDataSetState saved = FState;
    FState = dsCalcFields;
    try {
        CalculateFields(buffer);
    } catch (...) {
        FState = saved;
        throw;
    }
    FState = saved;
}

void TDataSet::CalculateFields(TRecordBuffer buffer) {
    FCalcBuffer = buffer;
    if (FState != dsInternalCalc) {
        ClearCalcFields(buffer);
        for (TField* field : *FFields)
            if (field->GetFieldKind() == fkLookup) field->CalcLookupValue();
    }
    DoOnCalcFields();
}

Variant TDataSet::CalcBufferValues(TRecordBuffer buffer, std::string_view resultFields) {
    const TDataSetState saved = SetTempState(dsCalcFields);
    Variant result;
    try {
        CalculateFields(buffer);
        result = GetFieldValue(resultFields);
    } catch (...) {
        RestoreState(saved);
        throw;
    }
    RestoreState(saved);
    return result;
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
    const TDataSetState old = FState;
    FState = value;
    ++FDisableCount;
    FModified = false;
    return old;
}

void TDataSet::RestoreState(TDataSetState value) {
    FState = value;
    --FDisableCount;
    FModified = false;
}

void TDataSet::SetState(TDataSetState value) {
    if (FState == value) return;
    FState = value;
    FModified = false;
    DataEvent(deUpdateState, 0);
}

// --- Notifications ---------------------------------------------------------------------------------

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info) {
    // Every scroll sends events: one that has nothing to do of its own and no source to tell
    // returns at once.
    if (event != deFieldChange && event != deLayoutChange && FDataSources.empty()) [[likely]]
        return;
    bool notify = !ControlsDisabled() && FState != dsBlockRead;
    switch (event) {
    case deFieldChange: {
        auto* field = reinterpret_cast<TField*>(info);
        if (field->GetFieldKind() == fkData || field->GetFieldKind() == fkInternalCalc) FModified = true;
        if (FState != dsSetKey && FAutoCalcFields && field->GetFieldKind() == fkData && FCalcFieldsSize > 0)
            GetCalcFields(ActiveBuffer());
        field->Change();
        break;
    }
    case deLayoutChange:
        if (ControlsDisabled()) FEnableEvent = deLayoutChange;
        break;
    default:
        break;
    }
    if (notify) NotifyDataSources(event, info);
}

void TDataSet::NotifyDataSources(TDataEvent event, std::intptr_t info) {
    // A source may unhook itself while it is told: walk by index, and step back when the one just
    // told is gone. (No copy of the list: events are sent on every scroll.)
    for (std::size_t i = 0; i < FDataSources.size(); ++i) {
        TDataSource* source = FDataSources[i];
        source->DataEvent(event, info);
        if (i >= FDataSources.size() || FDataSources[i] != source) --i;
    }
}

void TDataSet::DisableControls() {
    if (FDisableCount == 0) {
        FDisableState = FState;
        FEnableEvent = deDataSetChange;
    }
    ++FDisableCount;
}

void TDataSet::EnableControls() {
    if (FDisableCount == 0) return;
    if (--FDisableCount != 0) return;
    if (FDisableState != FState) DataEvent(deUpdateState, 0);
    if (FDisableState != dsInactive && FState != dsInactive) DataEvent(FEnableEvent, 0);
}

bool TDataSet::IsLinkedTo(TDataSource* dataSource) {
    // Walk the master chain from the source; bounded, in case a chain was made circular by hand.
    int guard = 0;
    while (dataSource != nullptr && guard++ < 1000) {
        TDataSet* dataSet = dataSource->GetDataSet();
        if (dataSet == nullptr) return false;
        if (dataSet == this) return true;
        dataSource = dataSet->GetDataSource();
    }
    return false;
}

TDataSource* TDataSet::GetDataSource() {
    return nullptr;
}

void TDataSet::AddDataSource(TDataSource* source) {
    FDataSources.push_back(source);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
    auto it = std::find(FDataSources.begin(), FDataSources.end(), source);
    if (it != FDataSources.end()) FDataSources.erase(it);
    if (!GetComponentState().Contains(csDestroying)) UpdateBufferCount();
}

// --- Events ----------------------------------------------------------------------------------------

#define VCL_FIRE(Event)                                                                                      \
    if (F##Event) F##Event(this)

void TDataSet::DoBeforeOpen() { VCL_FIRE(BeforeOpen); }
void TDataSet::DoAfterOpen() { VCL_FIRE(AfterOpen); }
void TDataSet::DoBeforeClose() { VCL_FIRE(BeforeClose); }
void TDataSet::DoAfterClose() { VCL_FIRE(AfterClose); }
void TDataSet::DoBeforeInsert() { VCL_FIRE(BeforeInsert); }
void TDataSet::DoAfterInsert() { VCL_FIRE(AfterInsert); }
void TDataSet::DoBeforeEdit() { VCL_FIRE(BeforeEdit); }
void TDataSet::DoAfterEdit() { VCL_FIRE(AfterEdit); }
void TDataSet::DoBeforePost() { VCL_FIRE(BeforePost); }
void TDataSet::DoAfterPost() { VCL_FIRE(AfterPost); }
void TDataSet::DoBeforeCancel() { VCL_FIRE(BeforeCancel); }
void TDataSet::DoAfterCancel() { VCL_FIRE(AfterCancel); }
void TDataSet::DoBeforeDelete() { VCL_FIRE(BeforeDelete); }
void TDataSet::DoAfterDelete() { VCL_FIRE(AfterDelete); }
void TDataSet::DoBeforeScroll() { VCL_FIRE(BeforeScroll); }
void TDataSet::DoAfterScroll() { VCL_FIRE(AfterScroll); }
void TDataSet::DoOnCalcFields() { VCL_FIRE(OnCalcFields); }
void TDataSet::DoOnNewRecord() { VCL_FIRE(OnNewRecord); }

#undef VCL_FIRE

VCL_CLASS_INFO(TDataSet, [](TPublisher<TDataSet>& p) {
    p.Property("Active", &TDataSet::GetActive, &TDataSet::SetActive).Default(false);
    p.Property("AutoCalcFields", &TDataSet::GetAutoCalcFields, &TDataSet::SetAutoCalcFields).Default(true);
    p.Property("BeforeOpen", &TDataSet::FBeforeOpen);
    p.Property("AfterOpen", &TDataSet::FAfterOpen);
    p.Property("BeforeClose", &TDataSet::FBeforeClose);
    p.Property("AfterClose", &TDataSet::FAfterClose);
    p.Property("BeforeInsert", &TDataSet::FBeforeInsert);
    p.Property("AfterInsert", &TDataSet::FAfterInsert);
    p.Property("BeforeEdit", &TDataSet::FBeforeEdit);
    p.Property("AfterEdit", &TDataSet::FAfterEdit);
    p.Property("BeforePost", &TDataSet::FBeforePost);
    p.Property("AfterPost", &TDataSet::FAfterPost);
    p.Property("BeforeCancel", &TDataSet::FBeforeCancel);
    p.Property("AfterCancel", &TDataSet::FAfterCancel);
    p.Property("BeforeDelete", &TDataSet::FBeforeDelete);
    p.Property("AfterDelete", &TDataSet::FAfterDelete);
    p.Property("BeforeScroll", &TDataSet::FBeforeScroll);
    p.Property("AfterScroll", &TDataSet::FAfterScroll);
    p.Property("OnCalcFields", &TDataSet::FOnCalcFields);
    p.Property("OnDeleteError", &TDataSet::FOnDeleteError);
    p.Property("OnEditError", &TDataSet::FOnEditError);
    p.Property("OnNewRecord", &TDataSet::FOnNewRecord);
    p.Property("OnPostError", &TDataSet::FOnPostError);
})

} // namespace vcl
