// TCorvexSQL: column lookup and description, values and null flags, clearing the row, dirty
// tracking, the base MoveTo loop, the forward locate and the lenient conversions (see CorvexSQL.h).
// Everything here works on the current row: FRecordBuffer / FNullFlags and their fetched copies
// FOldRecordBuffer / FOldNullFlags, with column i at the sum of the Sizes before it.
#include "base/CorvexSQL.h"

#include "base/CorvexBlob.h"
#include "base/CorvexSession.h"
#include "base/TnxConsts.h"
#include "base/TnxRoutines.h"
#include "platform/vcl/Format.h"
#include "platform/vcl/SysUtils.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace tnx {

using vcl::AnsiString;
using vcl::Variant;

namespace {

// A field reference or key value as text, for names and messages; false for values that have no
// text form (arrays), so the lookups that must not raise can say "not found".
bool ReferenceText(const Variant& v, AnsiString& text) {
    try {
        text = vcl::VarToStr(v);
        return true;
    } catch (const vcl::EVariantError&) {
    } catch (const vcl::EConvertError&) {
    }
    return false;
}

// The text held in a column or key slot: up to its first NUL, and never more than its Size bytes
// (a value without a NUL counts as Size characters). The copy is NUL-terminated, so routines that
// read NUL-terminated text cannot run past the slot.
std::string SlotText(const uint8_t* p, int32_t size) {
    if (p == nullptr || size <= 0) return std::string();
    const char* s = reinterpret_cast<const char*>(p);
    return std::string(s, strnlen(s, static_cast<std::size_t>(size)));
}

} // namespace

// --- Lookup -------------------------------------------------------------------------------------

void TCorvexSQL::ComputeFieldOffsets() {
    int32_t offset = 0;
    for (int32_t i = 0; i < FFieldCount; ++i) {
        FFieldOffsets[i] = offset;
        offset += FFields[i].Size;
    }
    FFieldOffsetsValid = true;
}

int32_t TCorvexSQL::FieldOffset(int32_t Index) const {
    if (FFieldOffsetsValid) return FFieldOffsets[Index];
    int32_t offset = 0;
    for (int32_t i = 0; i < Index; ++i)
        offset += FFields[i].Size;
    return offset;
}

bool TCorvexSQL::GetFieldInfo(const Variant& Field, int32_t* Index, int32_t* Offset) const {
    int32_t index = -1;
    int32_t offset = 0;
    if (Field.VarType() == vcl::varInteger) {
        const int32_t n = Field.AsInteger();
        if (n >= 0 && n < FFieldCount) {
            offset = FieldOffset(n);
            index = n;
        }
    } else {
        AnsiString converted;
        const AnsiString* name = nullptr;
        if (Field.IsText()) {
            name = &Field.TextRef();
        } else if (ReferenceText(Field, converted)) {
            name = &converted;
        }
        if (name != nullptr) {
            for (int32_t i = 0; i < FFieldCount; ++i) {
                if (vcl::AnsiCompareText(FFields[i].Name, *name) == 0) {
                    index = i;
                    break;
                }
                offset += FFields[i].Size;
            }
        }
    }
    if (Index != nullptr) *Index = index;
    if (Offset != nullptr) *Offset = offset;
    return index >= 0;
}

AnsiString TCorvexSQL::GetFieldName(int32_t Index) const {
    if (Index < 0 || Index >= FFieldCount) return AnsiString();
    return FFields[Index].Name;
}

TCorvexFieldTypes TCorvexSQL::GetFieldType(const Variant& Field) const {
    int32_t i;
    return GetFieldInfo(Field, &i) ? FFields[i].FieldType : ntUnknown;
}

int32_t TCorvexSQL::GetFieldSize(const Variant& Field) const {
    int32_t i;
    return GetFieldInfo(Field, &i) ? FFields[i].Size : 0;
}

int32_t TCorvexSQL::GetFieldLength(const Variant& Field) const {
    int32_t i;
    return GetFieldInfo(Field, &i) ? FFields[i].Length : 0;
}

int32_t TCorvexSQL::GetFieldDecimals(const Variant& Field) const {
    int32_t i;
    return GetFieldInfo(Field, &i) ? FFields[i].Decimals : 0;
}

bool TCorvexSQL::GetFieldNulls(const Variant& Field) const {
    int32_t i;
    return GetFieldInfo(Field, &i) ? FFields[i].Nulls : false;
}

// --- Errors and checks --------------------------------------------------------------------------

void TCorvexSQL::RaiseFieldNotFound(const Variant& Field) {
    AnsiString text;
    ReferenceText(Field, text);
    RaiseLastError<ECorvexException>(vcl::Format(vcl::LoadResString(CORVEX_ERR_FIELD_NOT_FOUND), {text}), 0);
}

void TCorvexSQL::CheckActive() {
    if (!FActive) RaiseMessage(CORVEX_ERR_CURS_NOT_OPENED);
}

void TCorvexSQL::CheckWritable() {
    if (FReadOnly) RaiseMessage(CORVEX_ERR_CURS_READ_ONLY);
}

TCorvexBlobStream* TCorvexSQL::BlobOf(int32_t Index) {
    if (!IsBlobType(FFields[Index].FieldType)) return nullptr;
    return FBlobManager->BlobByName(FFields[Index].Name);
}

// --- Values and null flags ----------------------------------------------------------------------

namespace {

// Whether a row buffer holds the column: a driver allocates the buffers when it describes the
// columns, so a missing buffer means no row layout yet (nothing may be read or written there).
bool HoldsColumn(const uint8_t* buffer, const TCorvexFieldDesc& f) {
    return buffer != nullptr || f.Size <= 0;
}

} // namespace

Variant TCorvexSQL::GetFieldValue(const Variant& Field) {
    // The common case of a read loop: a column index of a laid-out row, a column without a blob
    // stream. It goes straight to the offset table and hands over to GetFieldData with nothing
    // left to do after it; every other reference, and every failure, takes the path below.
    if (Field.VarType() == vcl::varInteger && FFieldOffsetsValid && FRecordBuffer != nullptr) {
        const int32_t i = Field.AsInteger();
        if (i >= 0 && i < FFieldCount && !IsBlobType(FFields[i].FieldType))
            return GetFieldData(FRecordBuffer, FFieldOffsets[i], FFields[i].Size, FFields[i].FieldType,
                                nullptr);
    }
    return LookUpFieldValue(Field);
}

Variant TCorvexSQL::LookUpFieldValue(const Variant& Field) {
    int32_t i, offset;
    if (Field.VarType() == vcl::varInteger && FFieldOffsetsValid) {
        i = Field.AsInteger();
        if (i < 0 || i >= FFieldCount) RaiseFieldNotFound(Field);
        offset = FFieldOffsets[i];
    } else if (!GetFieldInfo(Field, &i, &offset)) {
        RaiseFieldNotFound(Field);
    }
    const TCorvexFieldDesc& f = FFields[i];
    if (!HoldsColumn(FRecordBuffer, f)) RaiseMessage(CORVEX_ERR_CURS_NOT_PREPARED);
    return GetFieldData(FRecordBuffer, offset, f.Size, f.FieldType, IsBlobType(f.FieldType) ? BlobOf(i) : nullptr);
}

Variant TCorvexSQL::GetOldValue(const Variant& Field) {
    int32_t i, offset;
    if (!GetFieldInfo(Field, &i, &offset)) RaiseFieldNotFound(Field);
    const TCorvexFieldDesc& f = FFields[i];
    TCorvexBlobStream* blob = BlobOf(i);
    if (!HoldsColumn(FOldRecordBuffer, f)) RaiseMessage(CORVEX_ERR_CURS_NOT_PREPARED);
    return GetFieldData(FOldRecordBuffer, offset, f.Size, f.FieldType, blob);
}

void TCorvexSQL::SetFieldValue(const Variant& Field, const Variant& Value) {
    CheckWritable();
    int32_t i, offset;
    if (!GetFieldInfo(Field, &i, &offset)) RaiseFieldNotFound(Field);
    const TCorvexFieldDesc& f = FFields[i];
    if (FNullFlags == nullptr || !HoldsColumn(FRecordBuffer, f)) RaiseMessage(CORVEX_ERR_CURS_NOT_PREPARED);
    if (Value.IsNull()) {
        ClearField(i, offset);
        FNullFlags[i] = 1;
        return;
    }
    TCorvexBlobStream* blob = BlobOf(i);
    PutFieldData(FRecordBuffer, offset, f.Size, f.FieldType, Value, blob);
    FNullFlags[i] = 0;
}

bool TCorvexSQL::IsFieldNull(const Variant& Field) {
    int32_t i;
    if (!GetFieldInfo(Field, &i)) RaiseFieldNotFound(Field);
    return FNullFlags != nullptr && FNullFlags[i] != 0;
}

void TCorvexSQL::SetNullIndicator(int32_t Index, bool Value) {
    // The index comes from GetFieldInfo; anything else would write outside the flags.
    if (Index < 0 || Index >= FFieldCount || FNullFlags == nullptr) RaiseFieldNotFound(Variant(Index));
    FNullFlags[Index] = Value ? 1 : 0;
}

void TCorvexSQL::ClearField(int32_t Index, int32_t Offset) {
    if (Index < 0 || Index >= FFieldCount) RaiseFieldNotFound(Variant(Index));
    const int32_t size = FFields[Index].Size;
    if (size <= 0) return;
    // The offset comes from GetFieldInfo; one that does not lie inside the row is refused.
    if (FRecordBuffer == nullptr || Offset < 0 || static_cast<int64_t>(Offset) + size > FRecordSize)
        RaiseFieldNotFound(Variant(Index));
    std::memset(FRecordBuffer + Offset, 0, static_cast<std::size_t>(size));
}

void TCorvexSQL::ClearFieldNotNull(const AnsiString& Name) {
    int32_t i, offset;
    if (!GetFieldInfo(Variant(Name), &i, &offset)) return;
    ClearField(i, offset);
    if (FNullFlags != nullptr) FNullFlags[i] = 0;
}

void TCorvexSQL::Clear() {
    CheckActive();
    CheckWritable();
    // The columns tile the row, so zeroing the row zeroes every column.
    if (FRecordBuffer != nullptr) std::memset(FRecordBuffer, 0, static_cast<std::size_t>(FRecordSize));
    if (FNullFlags != nullptr) std::memset(FNullFlags, 1, static_cast<std::size_t>(FFieldCount));
}

void TCorvexSQL::ClearNotNull() {
    CheckActive();
    CheckWritable();
    if (FRecordBuffer != nullptr) std::memset(FRecordBuffer, 0, static_cast<std::size_t>(FRecordSize));
    if (FNullFlags != nullptr) std::memset(FNullFlags, 0, static_cast<std::size_t>(FFieldCount));
}

// --- Dirty tracking -----------------------------------------------------------------------------

bool TCorvexSQL::IsFieldDirty(const Variant& Field) {
    int32_t i, offset;
    if (!GetFieldInfo(Field, &i, &offset)) RaiseFieldNotFound(Field);
    const TCorvexFieldDesc& f = FFields[i];
    const bool nullChanged =
        FNullFlags != nullptr && FOldNullFlags != nullptr && FNullFlags[i] != FOldNullFlags[i];
    if (IsBlobType(f.FieldType)) return FBlobManager->BlobByName(f.Name)->GetModified() || nullChanged;
    if (f.Size <= 0) return false;
    if (FRecordBuffer == nullptr || FOldRecordBuffer == nullptr) return false;
    return std::memcmp(FRecordBuffer + offset, FOldRecordBuffer + offset, static_cast<std::size_t>(f.Size)) !=
               0 ||
           nullChanged;
}

bool TCorvexSQL::IsDirty() {
    CheckActive();
    for (int32_t i = 0; i < FFieldCount; ++i)
        if (IsFieldDirty(Variant(i))) return true;
    return false;
}

// --- Navigation ---------------------------------------------------------------------------------

bool TCorvexSQL::MoveTo(int32_t RecNo) {
    CheckActive();
    int64_t distance = static_cast<int64_t>(RecNo) - FCurrentRow;
    while (distance > 0 && !FEOF) {
        const int32_t before = FCurrentRow;
        if (Next()) {
            --distance;
        } else if (GetLastErrorCode() < 0) {
            break;
        } else if (!FEOF && FCurrentRow == before) {
            // A step that failed without an error, without reaching the end and without moving
            // would be retried for ever.
            break;
        }
    }
    while (distance < 0 && !FBOF) {
        const int32_t before = FCurrentRow;
        if (Prev()) {
            ++distance;
        } else if (GetLastErrorCode() < 0) {
            break;
        } else if (!FBOF && FCurrentRow == before) {
            break;
        }
    }
    return distance == 0;
}

// --- Locate -------------------------------------------------------------------------------------

bool TCorvexSQL::Find(const AnsiString& KeyFields, TVariantOpenArray KeyValues,
                      TCorvexLocateOptions Options) {
    CheckActive();
    const Variant values = !KeyValues.empty() && KeyValues[0].VarType() == (vcl::varArray | vcl::varVariant)
                               ? KeyValues[0]
                               : vcl::VarArrayOf(KeyValues);
    const int32_t low = vcl::VarArrayLowBound(values, 1);
    const int64_t valueCount = static_cast<int64_t>(vcl::VarArrayHighBound(values, 1)) - low + 1;

    // One slot per key column, in KeyFields order, in the column's own buffer format.
    struct TKeySlot {
        AnsiString Name;
        int32_t Offset; // in the key buffer
        int32_t Size;
    };
    std::vector<uint8_t> key;
    std::vector<TKeySlot> slots;
    int pos = 1;
    const int length = static_cast<int>(KeyFields.size());
    while (pos <= length) {
        AnsiString name = TnxExtractFieldName(KeyFields, pos);
        int32_t i;
        if (!GetFieldInfo(Variant(name), &i)) RaiseFieldNotFound(Variant(name));
        const TCorvexFieldDesc& f = FFields[i];
        const int32_t slot = static_cast<int32_t>(key.size());
        const int32_t size = f.Size > 0 ? f.Size : 0;
        key.resize(key.size() + static_cast<std::size_t>(size), 0);
        const int64_t n = static_cast<int64_t>(slots.size());
        if (n < valueCount && size > 0)
            PutFieldData(key.data(), slot, size, f.FieldType,
                         values.ElementRef(static_cast<int32_t>(low + n)), nullptr);
        slots.push_back({std::move(name), slot, size});
    }
    if (slots.empty()) return false;

    const bool partial = Options.Contains(nloPartialKey);
    const bool caseless = Options.Contains(nloCaseInsensitive);
    auto sameIgnoringCase = [this](const std::string& a, const std::string& b, std::size_t maxLen) {
        if (FSession != nullptr)
            return FSession->TranslateLICompChar(a.c_str(), b.c_str(), static_cast<uint32_t>(maxLen));
        return vcl::AnsiStrLIComp(a.c_str(), b.c_str(), maxLen) == 0; // design time, no session
    };
    auto rowMatches = [&]() {
        for (const TKeySlot& slot : slots) {
            int32_t i, offset;
            if (!GetFieldInfo(Variant(slot.Name), &i, &offset)) return false;
            const int32_t size = FFields[i].Size;
            const uint8_t* column = FRecordBuffer != nullptr ? FRecordBuffer + offset : nullptr;
            const uint8_t* keySlot = key.data() + slot.Offset;
            if (partial || caseless) {
                const std::string columnText = SlotText(column, size);
                const std::string keyText = SlotText(keySlot, slot.Size);
                bool match;
                if (partial) {
                    match = vcl::AnsiStrPos(columnText.c_str(), keyText.c_str()) == columnText.c_str();
                    if (!match && caseless) match = sameIgnoringCase(columnText, keyText, keyText.size());
                } else {
                    match =
                        sameIgnoringCase(columnText, keyText, static_cast<std::size_t>(size > 0 ? size : 0));
                }
                if (!match) return false;
            } else {
                if (size != slot.Size) return false;
                if (size > 0 &&
                    (column == nullptr || std::memcmp(column, keySlot, static_cast<std::size_t>(size)) != 0))
                    return false;
            }
        }
        return true;
    };

    const int32_t start = FCurrentRow;
    for (;;) {
        if (rowMatches()) return true;
        if (!Next()) break;
    }
    MoveTo(start);
    return false;
}

// --- Lenient conversions ------------------------------------------------------------------------

AnsiString TCorvexSQL::SetVarToStr(const Variant& Value) {
    try {
        return Value.AsString();
    } catch (const vcl::EVariantError&) {
    } catch (const vcl::EConvertError&) {
    }
    return AnsiString();
}

int32_t TCorvexSQL::SetVarToInt(const Variant& Value) {
    try {
        if (Value.VarType() == vcl::varBoolean) return Value.AsBoolean() ? 1 : 0;
        return Value.AsInteger();
    } catch (const vcl::EVariantError&) {
    } catch (const vcl::EConvertError&) {
    }
    return 0;
}

double TCorvexSQL::SetVarToFloat(const Variant& Value) {
    try {
        if (Value.VarType() == vcl::varBoolean) return Value.AsBoolean() ? 1.0 : 0.0;
        return Value.AsDouble();
    } catch (const vcl::EVariantError&) {
    } catch (const vcl::EConvertError&) {
    }
    return 0.0;
}

bool TCorvexSQL::SetVarToBoolean(const Variant& Value) {
    try {
        return Value.AsBoolean();
    } catch (const vcl::EVariantError&) {
    } catch (const vcl::EConvertError&) {
    }
    return false;
}

vcl::TDateTime TCorvexSQL::SetVarToDateTime(const Variant& Value) {
    try {
        return Value.AsDateTime();
    } catch (const vcl::EVariantError&) {
    } catch (const vcl::EConvertError&) {
    }
    return vcl::TDateTime(0.0);
}

} // namespace tnx
