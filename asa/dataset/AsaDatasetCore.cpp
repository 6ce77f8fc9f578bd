// TAsaDataset: record buffers, field transfer, bookmarks, navigation, locate and lookup, field
// definitions and opening (see AsaDataset.h for the buffer layout).
#include "asa/dataset/AsaDataset.h"

#include "asa/AsaSession.h"
#include "asa/AsaTimeStamp.h"
#include "asa/dataset/AsaDataLink.h"
#include "asa/dataset/AsaDatasetBlobStream.h"
#include "asa/dataset/AsaDatasetConsts.h"
#include "asa/dataset/AsaDatasetError.h"
#include "base/TnxRoutines.h"
#include "platform/vcl/DateTime.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/db/DBConsts.h"
#include "platform/vcl/db/Field.h"
#include "platform/vcl/db/FieldDefs.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tnx {

using vcl::AnsiString;
using vcl::TRecordBuffer;
using vcl::Variant;

namespace {

constexpr std::int32_t BookmarkSize = 8;
// The bookmark flag's place within the bookmark.
constexpr std::int32_t BookmarkFlagOffset = 4;

// The framework's field type of a column type (ftUnknown for columns it cannot show).
vcl::TFieldType FieldTypeOf(TCorvexFieldTypes type) {
    switch (type) {
    case ntString:
        return vcl::ftString;
    case ntInteger:
        return vcl::ftInteger;
    case ntFloat:
        return vcl::ftFloat;
    case ntCurrency:
        return vcl::ftCurrency;
    case ntDate:
        return vcl::ftDate;
    case ntTime:
        return vcl::ftTime;
    case ntDateTime:
        return vcl::ftDateTime;
    case ntBoolean:
        return vcl::ftBoolean;
    case ntBinary:
        return vcl::ftBytes;
    case ntMemo:
        return vcl::ftMemo;
    case ntBlob:
        return vcl::ftBlob;
    default:
        return vcl::ftUnknown;
    }
}

} // namespace

TAsaDataset::TAsaDataset(vcl::TComponent* owner) : vcl::TDataSet(owner) {
    FCursor = vcl::Make<TAsaSQL>(this);
    // Part of the dataset: not written to form files as a component of its own.
    FCursor->SetSubComponent(true);
    FCursor->SetUniDirectional(false);
    FCursor->SetWantExceptions(false);
    FSQL = vcl::New<vcl::TStringList>();
    FSQL->SetOnChange([this](vcl::TObject*) { QueryChanged(); });
    FParamCheck = true;
    FParams = vcl::New<TAsaParams>(this);
    FDataLink = vcl::New<TAsaDataLink>(this);
    FReadOnly = true;
}

TAsaDataset::~TAsaDataset() = default;

void TAsaDataset::Destroy() {
    Destroying();
    try {
        Disconnect();
    } catch (...) {
        // Closing on the way out must not raise; what failed goes to the application.
        try {
            InternalHandleException();
        } catch (...) {
        }
    }
    if (FCursor != nullptr) FCursor->SetAfterClose(nullptr);
    if (FSQL) FSQL->SetOnChange(nullptr);
    FSQL.reset();
    FParams.reset();
    FDataLink.reset();
    inherited::Destroy();
}

void TAsaDataset::Disconnect() {
    Close();
    UnPrepare();
}

// --- Record buffers --------------------------------------------------------------------------------

TRecordBuffer TAsaDataset::AllocRecordBuffer() {
    // Zero-filled, so that a buffer the framework has not filled yet reads as row 0 and not NULL
    // rather than as stray bytes.
    return static_cast<TRecordBuffer>(TnxAllocMem(FRecordBufferSize));
}

void TAsaDataset::FreeRecordBuffer(TRecordBuffer& buffer) {
    TnxDisposeMem(buffer, FRecordBufferSize);
}

void TAsaDataset::InternalInitRecord(TRecordBuffer buffer) {
    if (FRowSize > 0) std::memset(buffer, 0, static_cast<std::size_t>(FRowSize));
    if (FColumnCount > 0) std::memset(buffer + FNullFlagsOffset, 1, static_cast<std::size_t>(FColumnCount));
}

void TAsaDataset::ClearCalcFields(TRecordBuffer buffer) {
    if (buffer != nullptr && GetCalcFieldsSize() > 0)
        std::memset(buffer + GetRecordSize(), 0, static_cast<std::size_t>(GetCalcFieldsSize()));
}

void TAsaDataset::CopyCursorRow(TRecordBuffer buffer) const {
    if (FRowSize > 0) std::memcpy(buffer, FCursor->GetRecordBuffer(), static_cast<std::size_t>(FRowSize));
    if (FColumnCount > 0)
        std::memcpy(buffer + FNullFlagsOffset, FCursor->GetNullFlags(),
                    static_cast<std::size_t>(FColumnCount));
}

void TAsaDataset::CopyRowToCursor(TRecordBuffer buffer) const {
    if (FRowSize > 0) std::memcpy(FCursor->GetRecordBuffer(), buffer, static_cast<std::size_t>(FRowSize));
    if (FColumnCount > 0)
        std::memcpy(FCursor->GetNullFlags(), buffer + FNullFlagsOffset,
                    static_cast<std::size_t>(FColumnCount));
}

vcl::TGetResult TAsaDataset::GetRecord(TRecordBuffer buffer, vcl::TGetMode getMode, bool doCheck) {
    TAsaFetchError result = NoError;
    switch (getMode) {
    case vcl::gmCurrent:
        if (FCursor->GetBOF()) {
            result = BOFError;
        } else if (FCursor->GetEOF()) {
            result = EOFError;
        }
        break;
    case vcl::gmNext:
        if (!FCursor->Next()) result = FCursor->GetEOF() ? EOFError : FetchError;
        break;
    case vcl::gmPrior:
        if (!FCursor->Prev()) result = FCursor->GetBOF() ? BOFError : FetchError;
        break;
    }
    switch (result) {
    case NoError: {
        CopyCursorRow(buffer);
        std::uint8_t bookmark[BookmarkSize] = {};
        const std::int32_t row = FCursor->GetCurrentRow();
        std::memcpy(bookmark, &row, sizeof row);
        bookmark[BookmarkFlagOffset] = vcl::bfCurrent;
        SetBookmarkData(buffer, bookmark);
        GetCalcFields(buffer);
        break;
    }
    case BOFError:
    case EOFError:
        if (FColumnCount > 0)
            std::memcpy(buffer + FNullFlagsOffset, FCursor->GetNullFlags(),
                        static_cast<std::size_t>(FColumnCount));
        break;
    case FetchError:
        if (doCheck) RaiseCursorError();
        break;
    }
    return static_cast<vcl::TGetResult>(result);
}

bool TAsaDataset::GetCurrentRecord(TRecordBuffer buffer) {
    if (IsEmpty() || GetBookmarkFlag(ActiveBuffer()) != vcl::bfCurrent) return false;
    UpdateCursorPos();
    if (buffer == nullptr) return false;
    CopyCursorRow(buffer);
    return true;
}

TRecordBuffer TAsaDataset::GetActiveRecBuf() {
    switch (GetState()) {
    case vcl::dsBrowse:
        return IsEmpty() ? nullptr : ActiveBuffer();
    case vcl::dsEdit:
    case vcl::dsInsert:
    case vcl::dsNewValue:
        return ActiveBuffer();
    case vcl::dsCalcFields:
        return CalcBuffer();
    default:
        return nullptr;
    }
}

// --- Field transfer --------------------------------------------------------------------------------

namespace {

// A column of type Type and ColumnSize bytes at p, into a field's value buffer of Size bytes (see
// RecBufToField). Always inline: every field a dataset reads comes through here, and a call would
// cost more than most of its cases.
[[gnu::always_inline]] inline void ColumnToField(const std::uint8_t* p, std::int32_t ColumnSize,
                                                 TCorvexFieldTypes Type, void* Buffer, std::size_t Size) {
    auto* out = static_cast<std::uint8_t*>(Buffer);
    switch (Type) {
    case ntString: {
        // Never past the column; a value buffer larger than the column still ends in a zero.
        const std::size_t n = std::min(Size, static_cast<std::size_t>(ColumnSize));
        std::memcpy(out, p, n);
        if (n < Size) out[n] = 0;
        break;
    }
    case ntInteger:
    case ntFloat:
    case ntCurrency: {
        // The common widths are copied without a call into the C library.
        const std::size_t n = std::min(Size, static_cast<std::size_t>(ColumnSize));
        if (n == 4)
            std::memcpy(out, p, 4);
        else if (n == 8)
            std::memcpy(out, p, 8);
        else
            std::memcpy(out, p, n);
        break;
    }
    case ntDate:
    case ntTime: {
        Tsqldatetime rec;
        std::memcpy(&rec, p, sizeof rec);
        const vcl::TTimeStamp stamp = GetAsaTimeStampParts(rec);
        const std::int32_t value = Type == ntDate ? stamp.Date : stamp.Time;
        if (Size >= sizeof value) std::memcpy(out, &value, sizeof value);
        break;
    }
    case ntDateTime: {
        Tsqldatetime rec;
        std::memcpy(&rec, p, sizeof rec);
        const double msecs = vcl::TimeStampToMSecs(GetAsaTimeStampParts(rec));
        if (Size >= sizeof msecs) std::memcpy(out, &msecs, sizeof msecs);
        break;
    }
    case ntBoolean: {
        const std::int16_t value = p[0] != 0 ? 1 : 0;
        if (Size >= sizeof value) std::memcpy(out, &value, sizeof value);
        break;
    }
    case ntBinary: {
        const std::size_t room = static_cast<std::size_t>(std::max(ColumnSize - 2, 0));
        const std::size_t n = std::min(Size, room);
        std::memcpy(out, p + 2, n);
        if (n < Size) std::memset(out + n, 0, Size - n);
        break;
    }
    default:
        // Blob values go through the blob stream; unknown columns have no value to give.
        break;
    }
}

} // namespace

void TAsaDataset::RecBufToField(const TRecordBuffer record, int fieldNo, void* buffer, int dataSize) const {
    const TColumn& column = FColumns[static_cast<std::size_t>(fieldNo - 1)];
    ColumnToField(record + column.Offset, column.Size, column.Type, buffer,
                  static_cast<std::size_t>(std::max(dataSize, 0)));
}

void TAsaDataset::FieldToRecBuf(TRecordBuffer record, int fieldNo, const void* buffer, int dataSize) const {
    const TColumn& column = FColumns[static_cast<std::size_t>(fieldNo - 1)];
    std::uint8_t* p = record + column.Offset;
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    const std::size_t size = static_cast<std::size_t>(std::max(dataSize, 0));
    switch (column.Type) {
    case ntString: {
        if (column.Size <= 0) break;
        // The text up to its zero, cut to what the column holds before its own terminating zero;
        // the rest of the column is cleared so no byte of an older value stays behind it.
        const std::size_t limit =
            std::min(size > 0 ? size - 1 : 0, static_cast<std::size_t>(column.Size - 1));
        const std::size_t length = ::strnlen(reinterpret_cast<const char*>(in), limit);
        std::memcpy(p, in, length);
        std::memset(p + length, 0, static_cast<std::size_t>(column.Size) - length);
        break;
    }
    case ntInteger:
    case ntFloat:
    case ntCurrency:
        std::memcpy(p, in, std::min(size, static_cast<std::size_t>(column.Size)));
        break;
    case ntDate:
    case ntTime: {
        std::int32_t value = 0;
        if (size >= sizeof value) std::memcpy(&value, in, sizeof value);
        const vcl::TTimeStamp stamp =
            column.Type == ntDate ? vcl::TTimeStamp{0, value} : vcl::TTimeStamp{value, vcl::DateDelta};
        Tsqldatetime rec;
        PutAsaTimeStamp(vcl::TimeStampToDateTime(stamp), rec);
        std::memcpy(p, &rec, sizeof rec);
        break;
    }
    case ntDateTime: {
        double msecs = 0;
        if (size >= sizeof msecs) std::memcpy(&msecs, in, sizeof msecs);
        vcl::TTimeStamp stamp{0, 0};
        try {
            stamp = vcl::MSecsToTimeStamp(std::round(msecs));
        } catch (const vcl::Exception&) {
            stamp = vcl::TTimeStamp{0, 0};
        }
        Tsqldatetime rec;
        PutAsaTimeStamp(vcl::TimeStampToDateTime(stamp), rec);
        std::memcpy(p, &rec, sizeof rec);
        break;
    }
    case ntBoolean: {
        std::int16_t value = 0;
        if (size >= sizeof value) std::memcpy(&value, in, sizeof value);
        p[0] = value != 0 ? 1 : 0;
        break;
    }
    case ntBinary: {
        const std::size_t room = static_cast<std::size_t>(std::max(column.Size - 2, 0));
        const std::size_t n = std::min(size, room);
        const auto length = static_cast<std::uint16_t>(n);
        std::memcpy(p, &length, sizeof length);
        std::memcpy(p + 2, in, n);
        break;
    }
    default:
        break;
    }
}

bool TAsaDataset::GetFieldData(vcl::TField* field, void* buffer) {
    // Every field read of a browsed record comes here: a data field of the active record is read
    // in line; other states, calculated fields and empty datasets go out of line.
    const int fieldNo = field->GetFieldNo();
    if (GetState() == vcl::dsBrowse && fieldNo >= 1 && fieldNo <= FColumnCount && !IsEmpty()) [[likely]] {
        const TRecordBuffer record = ActiveBuffer();
        if (record[FNullFlagsOffset + fieldNo - 1] != 0) return false;
        if (buffer != nullptr) {
            const TColumn& column = FColumns[static_cast<std::size_t>(fieldNo - 1)];
            ColumnToField(record + column.Offset, column.Size, column.Type, buffer,
                          static_cast<std::size_t>(std::max(field->GetDataSize(), 0)));
        }
        return true;
    }
    return GetFieldDataOutOfLine(field, buffer);
}

bool TAsaDataset::GetFieldDataOutOfLine(vcl::TField* field, void* buffer) {
    TRecordBuffer record = GetActiveRecBuf();
    if (record == nullptr) return false;
    const int fieldNo = field->GetFieldNo();
    if (fieldNo >= 1) {
        if (fieldNo > FColumnCount) return false;
        if (record[FNullFlagsOffset + fieldNo - 1] != 0) return false;
        if (buffer != nullptr) RecBufToField(record, fieldNo, buffer, field->GetDataSize());
        return true;
    }
    switch (GetState()) {
    case vcl::dsBrowse:
    case vcl::dsEdit:
    case vcl::dsInsert:
    case vcl::dsCalcFields:
        break;
    default:
        return false;
    }
    const std::uint8_t* p = record + GetRecordSize() + field->GetOffset();
    if (p[0] == 0) return false;
    if (buffer != nullptr) std::memcpy(buffer, p + 1, static_cast<std::size_t>(field->GetDataSize()));
    return true;
}

void TAsaDataset::SetFieldData(vcl::TField* field, const void* buffer) {
    // The editing state, no data field in dsCalcFields, no read-only field.
    CheckFieldWrite(field);
    TRecordBuffer record = GetActiveRecBuf();
    // dsSetKey, dsFilter and dsInternalCalc have no record buffer here.
    if (record == nullptr) vcl::DatabaseError(vcl::SNotEditing, this);
    const int fieldNo = field->GetFieldNo();
    if (fieldNo >= 1) {
        if (fieldNo > FColumnCount)
            vcl::DatabaseErrorFmt(vcl::SFieldNotFound, {field->GetDisplayName()}, this);
        field->Validate(buffer);
        if (buffer != nullptr) {
            FieldToRecBuf(record, fieldNo, buffer, field->GetDataSize());
            record[FNullFlagsOffset + fieldNo - 1] = 0;
        } else {
            record[FNullFlagsOffset + fieldNo - 1] = 1;
        }
    } else {
        std::uint8_t* p = record + GetRecordSize() + field->GetOffset();
        p[0] = buffer != nullptr ? 1 : 0;
        if (buffer != nullptr) std::memcpy(p + 1, buffer, static_cast<std::size_t>(field->GetDataSize()));
    }
    if (GetState() != vcl::dsCalcFields && GetState() != vcl::dsNewValue)
        DataEvent(vcl::deFieldChange, reinterpret_cast<std::intptr_t>(field));
}

int TAsaDataset::Translate(const char* src, char* dest, bool toOem) {
    const int result = inherited::Translate(src, dest, toOem);
    if (result > 0) {
        if (TCorvexSession* session = FCursor->GetAssignedSession())
            session->TranslateChar(src, dest, result, toOem);
    }
    return result;
}

vcl::TOwned<vcl::TStream> TAsaDataset::CreateBlobStream(vcl::TField* field, vcl::TBlobStreamMode mode) {
    UpdateCursorPos();
    return vcl::New<TAsaDatasetBlobStream>(field, mode);
}

// --- Bookmarks -------------------------------------------------------------------------------------

void TAsaDataset::GetBookmarkData(TRecordBuffer buffer, void* data) {
    std::memcpy(data, buffer + FBookmarkOffset, BookmarkSize);
}

void TAsaDataset::SetBookmarkData(TRecordBuffer buffer, const void* data) {
    std::memcpy(buffer + FBookmarkOffset, data, BookmarkSize);
}

vcl::TBookmarkFlag TAsaDataset::GetBookmarkFlag(TRecordBuffer buffer) {
    return static_cast<vcl::TBookmarkFlag>(buffer[FBookmarkOffset + BookmarkFlagOffset]);
}

void TAsaDataset::SetBookmarkFlag(TRecordBuffer buffer, vcl::TBookmarkFlag flag) {
    buffer[FBookmarkOffset + BookmarkFlagOffset] = static_cast<std::uint8_t>(flag);
}

std::int32_t TAsaDataset::BookmarkRow(TRecordBuffer buffer) const {
    std::int32_t row = 0;
    std::memcpy(&row, buffer + FBookmarkOffset, sizeof row);
    return row;
}

void TAsaDataset::InternalGotoBookmark(vcl::TBookmarkPtr bookmark) {
    std::int32_t row = 0;
    std::memcpy(&row, bookmark, sizeof row);
    FCursor->MoveTo(row);
}

void TAsaDataset::InternalSetToRecord(TRecordBuffer buffer) {
    InternalGotoBookmark(buffer + FBookmarkOffset);
}

bool TAsaDataset::BookmarkValid(vcl::TBookmarkPtr bookmark) {
    CheckActive();
    CursorPosChanged();
    if (bookmark == nullptr) return false;
    std::int32_t row = 0;
    std::memcpy(&row, bookmark, sizeof row);
    return row >= 0 && row < GetRecordCount();
}

int TAsaDataset::CompareBookmarks(vcl::TBookmarkPtr bookmark1, vcl::TBookmarkPtr bookmark2) {
    if (bookmark1 == nullptr && bookmark2 == nullptr) return 0;
    if (bookmark2 == nullptr) return -1;
    if (bookmark1 == nullptr) return 1;
    std::int32_t row1 = 0;
    std::int32_t row2 = 0;
    std::memcpy(&row1, bookmark1, sizeof row1);
    std::memcpy(&row2, bookmark2, sizeof row2);
    return row1 < row2 ? -1 : (row1 == row2 ? 0 : 1);
}

// --- Navigation ------------------------------------------------------------------------------------

void TAsaDataset::InternalFirst() {
    FCursor->First();
    FCursor->Prev();
    FAtEnd = false;
}

void TAsaDataset::InternalLast() {
    FCursor->Last();
    FCursor->Next();
    FAtEnd = true;
}

int TAsaDataset::GetRecordCount() {
    CheckActive();
    return FCursor->GetRecordCount();
}

int TAsaDataset::GetRecNo() {
    CheckActive();
    TRecordBuffer buffer = GetState() == vcl::dsCalcFields ? CalcBuffer() : ActiveBuffer();
    if (buffer == nullptr) return 0;
    return BookmarkRow(buffer) + 1;
}

void TAsaDataset::SetRecNo(int value) {
    CheckBrowseMode();
    if (!IsSequenced() || value == GetRecNo()) return;
    DoBeforeScroll();
    CursorPosChanged();
    if (FCursor->MoveTo(value - 1)) {
        Resync(vcl::TResyncMode{vcl::rmCenter});
        DoAfterScroll();
    }
}

bool TAsaDataset::IsSequenced() {
    auto* session = dynamic_cast<TAsaSession*>(FCursor->GetAssignedSession());
    return session != nullptr && session->GetWantRowCounts();
}

bool TAsaDataset::Locate(const AnsiString& keyFields, const Variant& keyValues, vcl::TLocateOptions options) {
    DoBeforeScroll();
    CheckBrowseMode();
    CursorPosChanged();
    TCorvexLocateOptions cursorOptions;
    if (options.Contains(vcl::loCaseInsensitive)) cursorOptions.Include(nloCaseInsensitive);
    if (options.Contains(vcl::loPartialKey)) cursorOptions.Include(nloPartialKey);
    FCursor->First();
    const bool found = FCursor->Find(keyFields, TVariantOpenArray(&keyValues, 1), cursorOptions);
    if (found) {
        Resync(vcl::TResyncMode{vcl::rmExact, vcl::rmCenter});
        DoAfterScroll();
    } else if (FAtEnd) {
        FCursor->Last();
    }
    return found;
}

Variant TAsaDataset::Lookup(const AnsiString& keyFields, const Variant& keyValues,
                            const AnsiString& resultFields) {
    Variant result = vcl::Null();
    CheckBrowseMode();
    CursorPosChanged();
    FCursor->First();
    if (FCursor->Find(keyFields, TVariantOpenArray(&keyValues, 1), {})) {
        TRecordBuffer temp = TempBuffer();
        CopyCursorRow(temp);
        result = CalcBufferValues(temp, resultFields);
    }
    if (FAtEnd) FCursor->Last();
    return result;
}

// --- Field definitions and opening -----------------------------------------------------------------

void TAsaDataset::InternalInitFieldDefs() {
    vcl::TFieldDefs* defs = GetFieldDefs();
    defs->Clear();
    const std::int32_t count = FCursor->GetFieldCount();
    for (std::int32_t i = 0; i < count; ++i) {
        const Variant column(i);
        const AnsiString base = FCursor->GetFieldName(i);
        AnsiString name = base;
        for (int j = 1; defs->IndexOf(name) >= 0; ++j)
            name = base + "_" + std::to_string(j);
        const TCorvexFieldTypes type = FCursor->GetFieldType(column);
        int size = 0;
        if (type == ntString) size = FCursor->GetFieldSize(column) - 1;
        if (type == ntBinary) size = FCursor->GetFieldSize(column) - 2;
        vcl::TFieldDef* def = defs->Add(name, FieldTypeOf(type), static_cast<std::uint16_t>(size), false);
        def->SetFieldNo(i + 1);
        def->SetPrecision(0);
    }
}

void TAsaDataset::InternalOpen() {
    GetFieldDefs()->SetUpdated(false);
    GetFieldDefs()->Update();
    if (GetDefaultFields()) CreateFields();
    BindFields(true);

    FRowSize = FCursor->GetRecordSize();
    FColumnCount = FCursor->GetFieldCount();
    FColumns.clear();
    FColumns.reserve(static_cast<std::size_t>(FColumnCount));
    std::int32_t offset = 0;
    for (std::int32_t i = 0; i < FColumnCount; ++i) {
        const TCorvexFieldDesc& desc = FCursor->GetFieldDesc(i);
        FColumns.push_back(TColumn{offset, desc.Size, desc.FieldType});
        offset += desc.Size;
    }
    SetBookmarkSize(BookmarkSize);
    FBookmarkOffset = FRowSize + GetCalcFieldsSize();
    FNullFlagsOffset = FBookmarkOffset + BookmarkSize;
    FRecordBufferSize = FNullFlagsOffset + FColumnCount;

    FCursor->First();
    FCursor->Prev();
    FAtEnd = false;
}

void TAsaDataset::CheckCursorLayout() {
    bool same = FCursor->GetRecordSize() == FRowSize && FCursor->GetFieldCount() == FColumnCount;
    for (std::int32_t i = 0; same && i < FColumnCount; ++i) {
        const TCorvexFieldDesc& desc = FCursor->GetFieldDesc(i);
        same = desc.Size == FColumns[static_cast<std::size_t>(i)].Size &&
               desc.FieldType == FColumns[static_cast<std::size_t>(i)].Type;
    }
    if (same) return;
    FCursor->Close();
    throw ECorvexDatasetError(vcl::LoadResString(STnxLayoutChanged), 0);
}

void TAsaDataset::InternalClose() {
    BindFields(false);
    if (GetDefaultFields()) DestroyFields();
}

bool TAsaDataset::IsCursorOpen() {
    return FCursor->GetActive();
}

void TAsaDataset::InternalHandleException() {
    if (vcl::Application != nullptr) vcl::Application->HandleException(this);
}

void TAsaDataset::RaiseCursorError() {
    const std::int32_t code = FCursor->GetLastErrorCode();
    if (code < 0) throw ECorvexDatasetError(FCursor->GetLastError(), code);
}

} // namespace tnx
