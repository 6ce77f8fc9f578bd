// TMemDataSet: rows in memory, record buffers as flat row copies (MemDataSet.h).
#include "platform/vcl/db/MemDataSet.h"

#include "platform/vcl/Stream.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/db/DBConsts.h"
#include "platform/vcl/db/Field.h"
#include "platform/vcl/db/FieldDefs.h"
#include "platform/vcl/db/Fields.h"

#include <algorithm>
#include <cstring>

namespace vcl {

namespace {

// Bytes of a column's value buffer; blobs keep their value beside the row.
int ColumnSize(TFieldType type, int size) {
    switch (type) {
    case ftString:
        return size + 1;
    case ftInteger:
        return 4;
    case ftBoolean:
        return 2;
    case ftFloat:
    case ftCurrency:
    case ftDate:
    case ftTime:
    case ftDateTime:
        return 8;
    case ftBytes:
        return size;
    default:
        return 0;
    }
}

bool IsBlobType(TFieldType type) {
    return type == ftBlob || type == ftMemo || type == ftGraphic;
}

constexpr int BookmarkBytes = 4;

} // namespace

// --- The blob stream ---------------------------------------------------------------------------------

// A blob value of one record buffer as a stream. It reads the value when opened (bmRead,
// bmReadWrite) or starts empty (bmWrite), and when a writing stream is freed the value becomes the
// buffer's: an empty value is NULL, the field is marked modified and the change is announced.
class TMemBlobStream : public TStream {
    VCL_CLASS(TMemBlobStream, TStream)
public:
    TMemBlobStream(TMemDataSet* dataSet, TField* field, TBlobStreamMode mode)
        : FDataSet(dataSet), FField(field), FMode(mode) {
        FBuffer = dataSet->GetActiveRecBuf();
        if (mode != bmRead) {
            const TDataSetState state = dataSet->GetState();
            if (field->GetReadOnly()) DatabaseErrorFmt(SFieldReadOnly, {field->GetDisplayName()}, dataSet);
            if (state != dsEdit && state != dsInsert) DatabaseError(SNotEditing, dataSet);
        }
        if (FBuffer == nullptr) return;
        FColumn = dataSet->FColumns[static_cast<std::size_t>(field->GetFieldNo() - 1)];
        if (mode == bmWrite) {
            FModified = true; // truncating is a change
        } else {
            FData = dataSet->ReadBlob(FBuffer, FColumn);
        }
    }

    std::int32_t Read(void* buffer, std::int32_t count) override {
        if (count <= 0 || FPosition >= static_cast<std::int64_t>(FData.size())) return 0;
        const auto n = static_cast<std::int32_t>(
            std::min<std::int64_t>(count, static_cast<std::int64_t>(FData.size()) - FPosition));
        std::memcpy(buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
        FPosition += n;
        return n;
    }

    std::int32_t Write(const void* buffer, std::int32_t count) override {
        if (FBuffer == nullptr || FMode == bmRead || count <= 0) return 0;
        const std::size_t end = static_cast<std::size_t>(FPosition) + static_cast<std::size_t>(count);
        if (end > FData.size()) FData.resize(end, '\0');
        std::memcpy(FData.data() + FPosition, buffer, static_cast<std::size_t>(count));
        FPosition += count;
        FModified = true;
        return count;
    }

    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
        std::int64_t base = 0;
        if (origin == TSeekOrigin::soCurrent) base = FPosition;
        if (origin == TSeekOrigin::soEnd) base = static_cast<std::int64_t>(FData.size());
        FPosition = std::max<std::int64_t>(0, base + offset);
        return FPosition;
    }

    void SetSize(std::int64_t newSize) override {
        if (FBuffer == nullptr || FMode == bmRead || newSize < 0) return;
        FData.resize(static_cast<std::size_t>(newSize), '\0');
        FPosition = std::min<std::int64_t>(FPosition, newSize);
        FModified = true;
    }

protected:
    ~TMemBlobStream() override = default;

    void Destroy() override {
        if (FBuffer != nullptr && FMode != bmRead && FModified) {
            try {
                TMemDataSet::TBufferBlobs* blobs = FDataSet->BufferBlobs(FBuffer);
                const auto slot = static_cast<std::size_t>(FColumn.BlobIndex);
                blobs->Values[slot] = std::move(FData);
                blobs->Written[slot] = true;
                FBuffer[FDataSet->FNullOffset + FField->GetFieldNo() - 1] = blobs->Values[slot].empty() ? 1 : 0;
                FField->SetModified(true);
                FDataSet->DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(FField));
            } catch (...) {
                // A stream is freed on every path; what went wrong goes to the application.
                try {
                    FDataSet->InternalHandleException();
                } catch (...) {
                }
            }
        }
        inherited::Destroy();
    }

private:
    TMemDataSet* FDataSet;
    TField* FField;
    TBlobStreamMode FMode;
    TRecordBuffer FBuffer = nullptr;
    TMemDataSet::TColumn FColumn{};
    std::string FData;
    std::int64_t FPosition = 0;
    bool FModified = false;
};

VCL_CLASS_INFO(TMemBlobStream)

// --- TMemDataSet ---------------------------------------------------------------------------------------

TMemDataSet::TMemDataSet(TComponent* owner) : TDataSet(owner) {}

TMemDataSet::~TMemDataSet() = default;

void TMemDataSet::EmptyDataSet() {
    if (GetActive()) CheckBrowseMode();
    FRows.clear();
    FIndexDirty = true;
    FCursor = -1;
    if (GetActive()) {
        Resync({});
    }
}

// --- Layout and opening --------------------------------------------------------------------------------

void TMemDataSet::InternalInitFieldDefs() {
    TFieldDefs* defs = GetFieldDefs();
    if (defs->Count() > 0) return;
    // Without definitions from the program, the persistent data fields describe the columns.
    for (TField* field : *GetFields()) {
        if (field->GetFieldKind() != fkData) continue;
        TFieldDef* def = defs->Add(field->GetFieldName(), field->GetDataType(),
                                   field->GetDataType() == ftString || field->GetDataType() == ftBytes ? field->GetSize() : 0,
                                   field->GetRequired());
        def->SetReadOnly(field->GetReadOnly());
    }
}

void TMemDataSet::InternalOpen() {
    InternalInitFieldDefs();
    TFieldDefs* defs = GetFieldDefs();
    defs->SetUpdated(true);
    if (defs->Count() == 0) DatabaseError(SNoFieldDefs, this);

    std::vector<std::pair<TFieldType, int>> layout;
    std::vector<TColumn> columns;
    int offset = 0;
    int blobs = 0;
    for (int i = 0; i < defs->Count(); ++i) {
        TFieldDef* def = defs->GetItem(i);
        if (def->GetFieldNo() != i + 1) def->SetFieldNo(i + 1);
        const TFieldType type = def->GetDataType();
        if (def->GetFieldClass() == nullptr) DatabaseErrorFmt(SUnknownFieldType, {def->GetName()}, this);
        if ((type == ftString || type == ftBytes) && def->GetSize() < 1)
            DatabaseErrorFmt(SInvalidFieldSize, {def->GetSize(), def->GetName()}, this);
        const int size = ColumnSize(type, def->GetSize());
        columns.push_back(TColumn{type, offset, size, IsBlobType(type) ? blobs++ : -1});
        layout.emplace_back(type, def->GetSize());
        offset += size;
    }
    if (!FRows.empty() && layout != FRowLayout) DatabaseError(SLayoutChanged, this);

    if (GetDefaultFields()) CreateFields();
    BindFields(true);

    FColumns = std::move(columns);
    FRowLayout = std::move(layout);
    FBlobCount = blobs;
    FNullOffset = offset;
    FRecordSize = offset + static_cast<int>(FColumns.size());
    FBookmarkOffset = FRecordSize + GetCalcFieldsSize();
    // The blob pointer slot is kept aligned for a pointer.
    FBlobSlotOffset = (FBookmarkOffset + BookmarkBytes + 1 + 7) & ~7;
    FBufferSize = FBlobSlotOffset + static_cast<int>(sizeof(TBufferBlobs*));
    SetBookmarkSize(BookmarkBytes);
    FCursor = -1;
    FCursorOpen = true;
}

void TMemDataSet::InternalClose() {
    BindFields(false);
    if (GetDefaultFields()) DestroyFields();
    FCursorOpen = false;
    FFilterBuffer = nullptr;
}

// --- Record buffers ------------------------------------------------------------------------------------

TRecordBuffer TMemDataSet::AllocRecordBuffer() {
    // Record buffers are raw blocks the framework hands around; FreeRecordBuffer releases them.
    auto* buffer = new std::uint8_t[static_cast<std::size_t>(FBufferSize)]();
    TBufferBlobs* blobs = nullptr;
    if (FBlobCount > 0) {
        try {
            blobs = new TBufferBlobs{std::vector<std::string>(static_cast<std::size_t>(FBlobCount)),
                                     std::vector<bool>(static_cast<std::size_t>(FBlobCount), false)};
        } catch (...) {
            delete[] buffer;
            throw;
        }
    }
    std::memcpy(buffer + FBlobSlotOffset, &blobs, sizeof blobs);
    return buffer;
}

void TMemDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
    if (buffer == nullptr) return;
    delete BufferBlobs(buffer);
    delete[] buffer;
    buffer = nullptr;
}

TMemDataSet::TBufferBlobs* TMemDataSet::BufferBlobs(TRecordBuffer buffer) const {
    TBufferBlobs* blobs = nullptr;
    std::memcpy(&blobs, buffer + FBlobSlotOffset, sizeof blobs);
    return blobs;
}

void TMemDataSet::ResetBufferBlobs(TRecordBuffer buffer) const {
    if (TBufferBlobs* blobs = BufferBlobs(buffer)) {
        for (std::size_t i = 0; i < blobs->Values.size(); ++i) {
            blobs->Values[i].clear();
            blobs->Written[i] = false;
        }
    }
}

std::int32_t TMemDataSet::BufferId(TRecordBuffer buffer) const {
    std::int32_t id = 0;
    std::memcpy(&id, buffer + FBookmarkOffset, sizeof id);
    return id;
}

void TMemDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) {
    std::memcpy(data, buffer + FBookmarkOffset, BookmarkBytes);
}

void TMemDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
    std::memcpy(buffer + FBookmarkOffset, data, BookmarkBytes);
}

TBookmarkFlag TMemDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
    return static_cast<TBookmarkFlag>(buffer[FBookmarkOffset + BookmarkBytes]);
}

void TMemDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
    buffer[FBookmarkOffset + BookmarkBytes] = static_cast<std::uint8_t>(flag);
}

void TMemDataSet::InternalInitRecord(TRecordBuffer buffer) {
    std::memset(buffer, 0, static_cast<std::size_t>(FNullOffset));
    std::memset(buffer + FNullOffset, 1, FColumns.size());
    ResetBufferBlobs(buffer);
}

void TMemDataSet::FillBuffer(TRecordBuffer buffer, int rowIndex) {
    const TRow& row = FRows[static_cast<std::size_t>(rowIndex)];
    std::memcpy(buffer, row.Data.data(), static_cast<std::size_t>(FRecordSize));
    std::memcpy(buffer + FBookmarkOffset, &row.Id, sizeof row.Id);
    buffer[FBookmarkOffset + BookmarkBytes] = bfCurrent;
    if (FBlobCount > 0) ResetBufferBlobs(buffer);
}

TGetResult TMemDataSet::GetRecord(TRecordBuffer buffer, TGetMode getMode, bool) {
    const int count = static_cast<int>(FRows.size());
    switch (getMode) {
    case gmCurrent:
        if (FCursor < 0) return grBOF;
        if (FCursor >= count) return grEOF;
        break;
    case gmNext:
        if (FCursor >= count - 1) {
            FCursor = count;
            return grEOF;
        }
        ++FCursor;
        break;
    case gmPrior:
        if (FCursor <= 0) {
            FCursor = -1;
            return grBOF;
        }
        FCursor = std::min(FCursor, count) - 1;
        break;
    }
    FillBuffer(buffer, FCursor);
    GetCalcFields(buffer);
    return grOK;
}

bool TMemDataSet::GetCurrentRecord(TRecordBuffer buffer) {
    if (IsEmpty() || GetBookmarkFlag(ActiveBuffer()) != bfCurrent) return false;
    UpdateCursorPos();
    if (buffer == nullptr || FCursor < 0 || FCursor >= static_cast<int>(FRows.size())) return false;
    FillBuffer(buffer, FCursor);
    return true;
}

// --- Cursor and bookmarks -------------------------------------------------------------------------------

int TMemDataSet::IndexOfId(std::int32_t id) {
    if (FIndexDirty) {
        FIndexById.assign(static_cast<std::size_t>(FNextId), -1);
        for (std::size_t i = 0; i < FRows.size(); ++i)
            FIndexById[static_cast<std::size_t>(FRows[i].Id)] = static_cast<int>(i);
        FIndexDirty = false;
    }
    if (id < 0 || id >= static_cast<std::int32_t>(FIndexById.size())) return -1;
    return FIndexById[static_cast<std::size_t>(id)];
}

void TMemDataSet::InternalFirst() {
    FCursor = -1;
}

void TMemDataSet::InternalLast() {
    FCursor = static_cast<int>(FRows.size());
}

void TMemDataSet::InternalGotoBookmark(TBookmarkPtr bookmark) {
    std::int32_t id = -1;
    std::memcpy(&id, bookmark, sizeof id);
    const int index = IndexOfId(id);
    if (index < 0) DatabaseError(SRecordNotFound, this);
    FCursor = index;
}

void TMemDataSet::InternalSetToRecord(TRecordBuffer buffer) {
    InternalGotoBookmark(buffer + FBookmarkOffset);
}

bool TMemDataSet::BookmarkValid(TBookmarkPtr bookmark) {
    CheckActive();
    if (bookmark == nullptr) return false;
    std::int32_t id = -1;
    std::memcpy(&id, bookmark, sizeof id);
    return IndexOfId(id) >= 0;
}

int TMemDataSet::CompareBookmarks(TBookmarkPtr bookmark1, TBookmarkPtr bookmark2) {
    if (bookmark1 == nullptr && bookmark2 == nullptr) return 0;
    if (bookmark1 == nullptr) return 1;
    if (bookmark2 == nullptr) return -1;
    std::int32_t id1 = 0, id2 = 0;
    std::memcpy(&id1, bookmark1, sizeof id1);
    std::memcpy(&id2, bookmark2, sizeof id2);
    // Rows that are gone order by their ids, after the rows that remain.
    const int index1 = IndexOfId(id1), index2 = IndexOfId(id2);
    const long long key1 = index1 >= 0 ? index1 : static_cast<long long>(FRows.size()) + id1;
    const long long key2 = index2 >= 0 ? index2 : static_cast<long long>(FRows.size()) + id2;
    return key1 < key2 ? -1 : key1 > key2 ? 1 : 0;
}

int TMemDataSet::GetRecNo() {
    CheckActive();
    TRecordBuffer buffer = GetState() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
    if (buffer == nullptr || IsEmpty()) return 0;
    if (GetBookmarkFlag(buffer) != bfCurrent) return -1;
    const int index = IndexOfId(BufferId(buffer));
    return index < 0 ? -1 : index + 1;
}

void TMemDataSet::SetRecNo(int value) {
    CheckBrowseMode();
    if (value < 1 || value > static_cast<int>(FRows.size()) || value == GetRecNo()) return;
    DoBeforeScroll();
    CursorPosChanged();
    FCursor = value - 1;
    Resync({rmCenter});
    DoAfterScroll();
}

int TMemDataSet::GetRecordCount() {
    CheckActive();
    return static_cast<int>(FRows.size());
}

// --- Field values ---------------------------------------------------------------------------------------

TRecordBuffer TMemDataSet::GetActiveRecBuf() {
    switch (GetState()) {
    case dsBrowse:
        return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue:
        return ActiveBuffer();
    case dsCalcFields:
        return CalcBuffer();
    case dsFilter:
        return FFilterBuffer;
    default:
        return nullptr;
    }
}

bool TMemDataSet::GetFieldData(TField* field, void* buffer) {
    TRecordBuffer record = GetActiveRecBuf();
    if (record == nullptr) return false;
    const int fieldNo = field->GetFieldNo();
    if (fieldNo > 0) {
        if (record[FNullOffset + fieldNo - 1] != 0) return false;
        const TColumn& column = FColumns[static_cast<std::size_t>(fieldNo - 1)];
        if (buffer == nullptr) return true;
        // The common sizes as fixed copies (a register move), the rest through memcpy.
        const std::uint8_t* from = record + column.Offset;
        switch (column.Size) {
        case 8:
            std::memcpy(buffer, from, 8);
            break;
        case 4:
            std::memcpy(buffer, from, 4);
            break;
        case 2:
            std::memcpy(buffer, from, 2);
            break;
        default:
            std::memcpy(buffer, from, static_cast<std::size_t>(column.Size));
            break;
        }
        return true;
    }
    if (fieldNo == 0) return false;
    switch (GetState()) {
    case dsBrowse:
    case dsEdit:
    case dsInsert:
    case dsCalcFields:
    case dsFilter:
        break;
    default:
        return false;
    }
    const std::uint8_t* value = record + FRecordSize + field->GetOffset();
    if (value[0] == 0) return false;
    if (buffer != nullptr) std::memcpy(buffer, value + 1, static_cast<std::size_t>(field->GetDataSize()));
    return true;
}

void TMemDataSet::SetFieldData(TField* field, const void* buffer) {
    CheckFieldWrite(field);
    TRecordBuffer record = GetActiveRecBuf();
    if (record == nullptr) DatabaseError(SNotEditing, this);
    const int fieldNo = field->GetFieldNo();
    if (fieldNo > 0) {
        field->Validate(buffer);
        const TColumn& column = FColumns[static_cast<std::size_t>(fieldNo - 1)];
        if (buffer != nullptr) {
            if (column.Size > 0)
                std::memcpy(record + column.Offset, buffer, static_cast<std::size_t>(column.Size));
            record[FNullOffset + fieldNo - 1] = 0;
        } else {
            record[FNullOffset + fieldNo - 1] = 1;
        }
    } else if (fieldNo < 0) {
        std::uint8_t* value = record + FRecordSize + field->GetOffset();
        value[0] = buffer != nullptr ? 1 : 0;
        if (buffer != nullptr) std::memcpy(value + 1, buffer, static_cast<std::size_t>(field->GetDataSize()));
    } else {
        DatabaseErrorFmt(SFieldNotFound, {field->GetDisplayName()}, this);
    }
    if (GetState() != dsCalcFields && GetState() != dsNewValue)
        DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
}

std::string TMemDataSet::ReadBlob(TRecordBuffer buffer, const TColumn& column) {
    const auto slot = static_cast<std::size_t>(column.BlobIndex);
    if (TBufferBlobs* blobs = BufferBlobs(buffer); blobs != nullptr && blobs->Written[slot]) return blobs->Values[slot];
    if (GetBookmarkFlag(buffer) != bfCurrent) return std::string();
    const int index = IndexOfId(BufferId(buffer));
    if (index < 0) return std::string();
    return FRows[static_cast<std::size_t>(index)].Blobs[slot];
}

TOwned<TStream> TMemDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
    if (field == nullptr || !field->GetIsBlob() || field->GetDataSet() != this || field->GetFieldNo() <= 0)
        DatabaseErrorFmt(SNotABlobField, {field != nullptr ? field->GetDisplayName() : AnsiString()}, this);
    return New<TMemBlobStream>(this, field, mode);
}

// --- Changing rows --------------------------------------------------------------------------------------

void TMemDataSet::StoreBuffer(TRecordBuffer buffer, TRow& row) {
    row.Data.assign(buffer, buffer + FRecordSize);
    row.Blobs.resize(static_cast<std::size_t>(FBlobCount));
    if (TBufferBlobs* blobs = BufferBlobs(buffer)) {
        for (std::size_t i = 0; i < blobs->Values.size(); ++i)
            if (blobs->Written[i]) row.Blobs[i] = blobs->Values[i];
    }
    // A NULL blob holds no bytes.
    for (const TColumn& column : FColumns)
        if (column.BlobIndex >= 0 && buffer[FNullOffset + (&column - FColumns.data())] != 0)
            row.Blobs[static_cast<std::size_t>(column.BlobIndex)].clear();
}

void TMemDataSet::InsertRow(TRecordBuffer buffer, int position) {
    TRow row;
    row.Id = FNextId;
    StoreBuffer(buffer, row);
    position = std::clamp(position, 0, static_cast<int>(FRows.size()));
    FRows.insert(FRows.begin() + position, std::move(row));
    ++FNextId;
    FIndexDirty = true;
    FCursor = position;
}

void TMemDataSet::InternalPost() {
    TRecordBuffer buffer = ActiveBuffer();
    if (GetState() == dsEdit) {
        if (FCursor < 0 || FCursor >= static_cast<int>(FRows.size())) DatabaseError(SRecordNotFound, this);
        StoreBuffer(buffer, FRows[static_cast<std::size_t>(FCursor)]);
        return;
    }
    int position = FCursor;
    switch (GetBookmarkFlag(buffer)) {
    case bfEOF:
        position = static_cast<int>(FRows.size());
        break;
    case bfBOF:
        position = 0;
        break;
    default:
        break;
    }
    InsertRow(buffer, position);
}

void TMemDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) {
    InsertRow(buffer, append ? static_cast<int>(FRows.size()) : FCursor);
}

void TMemDataSet::InternalDelete() {
    if (FCursor < 0 || FCursor >= static_cast<int>(FRows.size())) DatabaseError(SRecordNotFound, this);
    FRows.erase(FRows.begin() + FCursor);
    FIndexDirty = true;
}

void TMemDataSet::InternalCancel() {
    if (TRecordBuffer buffer = ActiveBuffer()) ResetBufferBlobs(buffer);
}

// --- Searching ------------------------------------------------------------------------------------------

int TMemDataSet::FindRow(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options) {
    const std::vector<TField*> fields = GetFieldList(keyFields);
    if (fields.empty()) return -1;
    std::vector<Variant> keys;
    if (fields.size() == 1 && !(keyValues.IsArray() && VarArrayDimCount(keyValues) == 1 &&
                                VarArrayHighBound(keyValues, 1) == VarArrayLowBound(keyValues, 1))) {
        keys.push_back(keyValues);
    } else {
        if (!keyValues.IsArray()) return -1;
        const std::int32_t low = VarArrayLowBound(keyValues, 1);
        for (std::size_t i = 0; i < fields.size(); ++i)
            keys.push_back(keyValues.GetElement(low + static_cast<std::int32_t>(i)));
    }
    bool needCalc = false;
    for (TField* field : fields)
        needCalc = needCalc || field->GetFieldKind() != fkData;

    auto matches = [&](TField* field, const Variant& key) {
        const Variant value = field->GetAsVariant();
        if (key.IsNull() || key.IsEmpty()) return value.IsNull();
        if (value.IsNull()) return false;
        if (value.IsText()) {
            const AnsiString wanted = key.AsString();
            std::string_view have = value.TextRef();
            if (options.Contains(loPartialKey)) have = have.substr(0, std::min(have.size(), wanted.size()));
            return options.Contains(loCaseInsensitive) ? AnsiCompareText(have, wanted) == 0
                                                       : AnsiCompareStr(have, wanted) == 0;
        }
        try {
            return VarCompareValue(value, key) == vrEqual;
        } catch (const EVariantError&) {
            return false;
        } catch (const EConvertError&) {
            return false;
        }
    };

    TRecordBuffer temp = TempBuffer();
    const TDataSetState saved = SetTempState(dsFilter);
    FFilterBuffer = temp;
    int found = -1;
    try {
        for (std::size_t row = 0; row < FRows.size() && found < 0; ++row) {
            FillBuffer(temp, static_cast<int>(row));
            if (needCalc) GetCalcFields(temp);
            bool all = true;
            for (std::size_t i = 0; i < fields.size() && all; ++i)
                all = matches(fields[i], keys[i]);
            if (all) found = static_cast<int>(row);
        }
    } catch (...) {
        FFilterBuffer = nullptr;
        RestoreState(saved);
        throw;
    }
    FFilterBuffer = nullptr;
    RestoreState(saved);
    return found;
}

bool TMemDataSet::Locate(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options) {
    CheckBrowseMode();
    const int row = FindRow(keyFields, keyValues, options);
    if (row < 0) return false;
    DoBeforeScroll();
    CursorPosChanged();
    FCursor = row;
    Resync({rmExact, rmCenter});
    DoAfterScroll();
    return true;
}

Variant TMemDataSet::Lookup(const AnsiString& keyFields, const Variant& keyValues, const AnsiString& resultFields) {
    CheckBrowseMode();
    const int row = FindRow(keyFields, keyValues, {});
    if (row < 0) return Null();
    TRecordBuffer temp = TempBuffer();
    FillBuffer(temp, row);
    return CalcBufferValues(temp, resultFields);
}

VCL_CLASS_INFO(TMemDataSet, [](TPublisher<TMemDataSet>& p) {
    p.Property("ReadOnly", &TMemDataSet::GetReadOnly, &TMemDataSet::SetReadOnly).Default(false);
})

} // namespace vcl
