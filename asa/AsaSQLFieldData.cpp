// TAsaSQL: converting single values between the statement's buffer formats and Variants
// (GetFieldData, PutFieldData; see AsaSQL.h). These run for every field read and every host-variable
// value, so numbers, dates and booleans convert without touching the heap (a Variant holds them
// inline), and text is copied once.
//
// Buffer formats (the types the statement asks the library to deliver, see the type mapping):
//   ntString, ntMemo   NUL-terminated text in Size bytes (a memo's inline copy; its whole value
//                      is in the blob stream)
//   ntInteger          32-bit signed integer; with LargeIntegers (Size 8) a 64-bit one
//   ntFloat, ntCurrency  64-bit IEEE double
//   ntDate, ntTime, ntDateTime  the 14-byte time-stamp record (AsaTimeStamp.h)
//   ntBoolean          one byte, non-zero for true
//   ntBinary           a 16-bit length, then the bytes (Size - 2 of them at most)
// Nothing is ever written past Size bytes from the value's offset.
#include "asa/AsaSQL.h"

#include "asa/AsaBlobStream.h"
#include "asa/AsaTimeStamp.h"
#include "base/CorvexBlob.h"
#include "base/CorvexSession.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace tnx {

using vcl::AnsiString;
using vcl::Variant;

namespace {

// Text taken from a buffer is at most this long.
constexpr int32_t kMaxBufferText = 32767;

// Reads the elements of a byte array, locked for the duration and unlocked on every path.
class TByteArrayReader {
public:
    explicit TByteArrayReader(const Variant& value) : FValue(value) {
        const int32_t low = vcl::VarArrayLowBound(value, 1);
        const int64_t count = static_cast<int64_t>(vcl::VarArrayHighBound(value, 1)) - low + 1;
        FCount = static_cast<int32_t>(std::clamp<int64_t>(count, 0, INT32_MAX));
        FData = static_cast<const uint8_t*>(vcl::VarArrayLock(value));
    }
    ~TByteArrayReader() { vcl::VarArrayUnlock(FValue); }
    TByteArrayReader(const TByteArrayReader&) = delete;
    TByteArrayReader& operator=(const TByteArrayReader&) = delete;

    const uint8_t* Data() const { return FData; }
    int32_t Count() const { return FCount; }

private:
    const Variant& FValue;
    const uint8_t* FData = nullptr;
    int32_t FCount = 0;
};

bool IsByteArray(const Variant& v) {
    return v.VarType() == (vcl::varArray | vcl::varByte);
}

// A value for a 64-bit integer buffer, as leniently as the 32-bit one takes it: booleans 1 / 0,
// anything that does not convert 0.
int64_t LargeIntegerOf(const Variant& v) {
    try {
        if (v.VarType() == vcl::varBoolean) return v.AsBoolean() ? 1 : 0;
        return v.AsInt64();
    } catch (const vcl::EVariantError&) {
    } catch (const vcl::EConvertError&) {
    }
    return 0;
}

// Translates text in place, into the OEM code page (ToOem) or out of it, when the session asks
// for OEM conversion.
void TranslateOem(TCorvexSession* session, char* text, std::size_t n, bool ToOem) {
    if (session != nullptr && session->GetOEMConvert() && n > 0)
        session->TranslateChar(text, text, static_cast<int32_t>(n), ToOem);
}

} // namespace

// Text from a buffer: up to the first NUL, at most Size (and 32767) characters, translated from
// the OEM code page when the session asks for it.
Variant TAsaSQL::BufferText(const uint8_t* p, int32_t Size) {
    const auto limit = static_cast<std::size_t>(std::clamp(Size, 0, kMaxBufferText));
    if (p == nullptr || limit == 0) return Variant(AnsiString());
    const char* s = reinterpret_cast<const char*>(p);
    AnsiString text(s, strnlen(s, limit));
    TranslateOem(GetAssignedSession(), text.data(), text.size(), false);
    return Variant(std::move(text));
}

// Memo and blob fields: the inline copy, or the whole value through the blob stream.
Variant TAsaSQL::LongFieldData(const uint8_t* p, int32_t Size, TCorvexFieldTypes FieldType, TCorvexBlobStream* Blob) {
    if (FieldType == ntMemo) {
        if (Blob == nullptr || !IsBlobTruncated(Blob)) return BufferText(p, Size);
        // The blob stream's whole value (its size loads it). A load that failed is not followed
        // by any use of the stream: a lost connection has freed it.
        const int32_t n = Blob->GetBlobSize();
        AnsiString text;
        if (n > 0) {
            text.assign(static_cast<std::size_t>(n), '\0');
            Blob->Seek(0, vcl::TSeekOrigin::soBeginning);
            text.resize(static_cast<std::size_t>(std::max(Blob->Read(text.data(), n), 0)));
        }
        TranslateOem(GetAssignedSession(), text.data(), text.size(), false);
        return Variant(std::move(text));
    }
    // A blob. The inline copy is delivered as text, which cannot tell how many bytes a binary
    // value holds: with a stream the value is always read through it.
    if (Blob == nullptr) return StrToVarByte(p, Size);
    // A value not yet loaded goes from the cursor straight into the byte array, without passing
    // through the stream's own block (a 100 MB value costs one block, not two).
    if (auto* own = dynamic_cast<TAsaBlobStream*>(Blob); own != nullptr && own->WouldLoad())
        return own->LoadByteArray();
    // Read straight into the byte array: a long value is copied once on its way out.
    const int32_t n = Blob->GetBlobSize();
    if (n < 1) return vcl::Null();
    Variant bytes = vcl::VarByteArrayToFill(static_cast<size_t>(n));
    int32_t got;
    {
        vcl::TVarArrayLock lock(bytes);
        Blob->Seek(0, vcl::TSeekOrigin::soBeginning);
        got = Blob->Read(lock.Data(), n);
    }
    if (got == n) return bytes;
    // The stream held less than it reported (its value could not be read again).
    vcl::TVarArrayLock lock(bytes);
    return StrToVarByte(lock.Data(), got);
}

// The fixed-size types convert here without a call; text and long values go to their helpers.
Variant TAsaSQL::GetFieldData(const void* Buffer, int32_t Offset, int32_t Size, TCorvexFieldTypes FieldType,
                              TCorvexBlobStream* Blob) {
    if (Buffer == nullptr) [[unlikely]] {
        if (!(IsBlobType(FieldType) && Blob != nullptr)) return vcl::Null();
        return LongFieldData(nullptr, Size, FieldType, Blob);
    }
    const auto* p = static_cast<const uint8_t*>(Buffer) + Offset;
    switch (FieldType) {
    case ntString:
        return BufferText(p, Size);
    case ntInteger: {
        if (Size == LargeIntegerSize) {
            int64_t v;
            std::memcpy(&v, p, sizeof v);
            return Variant(v);
        }
        if (Size < 4) return vcl::Null();
        int32_t v;
        std::memcpy(&v, p, sizeof v);
        return Variant(v);
    }
    case ntFloat:
    case ntCurrency: {
        if (Size < 8) return vcl::Null();
        double v;
        std::memcpy(&v, p, sizeof v);
        return Variant(v);
    }
    case ntDate:
    case ntTime:
    case ntDateTime: {
        if (Size < static_cast<int32_t>(sizeof(Tsqldatetime))) return vcl::Null();
        Tsqldatetime rec;
        std::memcpy(&rec, p, sizeof rec);
        return Variant(GetAsaTimeStamp(rec));
    }
    case ntBoolean:
        if (Size < 1) return vcl::Null();
        return Variant(*p != 0);
    case ntBinary: {
        // The 16-bit length the library delivered, then the bytes: the value is as long as it was
        // stored, not the column's buffer padded with zeros.
        if (Size < 2) return vcl::Null();
        uint16_t n;
        std::memcpy(&n, p, sizeof n);
        return StrToVarByte(p + 2, std::min<int32_t>(n, Size - 2));
    }
    case ntMemo:
    case ntBlob:
        return LongFieldData(p, Size, FieldType, Blob);
    case ntUnknown:
    default:
        return vcl::Null();
    }
}

void TAsaSQL::PutFieldData(void* Buffer, int32_t Offset, int32_t Size, TCorvexFieldTypes FieldType,
                           const Variant& Value, TCorvexBlobStream* Blob) {
    if (Buffer == nullptr && !(IsBlobType(FieldType) && Blob != nullptr)) return;
    auto* p = static_cast<uint8_t*>(Buffer) + (Buffer != nullptr ? Offset : 0);
    const bool oem = GetAssignedSession() != nullptr && GetAssignedSession()->GetOEMConvert();

    switch (FieldType) {
    case ntString: {
        if (Size < 1) return;
        AnsiString converted;
        const AnsiString* text = &converted;
        if (Value.IsText()) {
            text = &Value.TextRef(); // no copy of the caller's text
        } else {
            converted = SetVarToStr(Value);
        }
        const std::size_t n = std::min(text->size(), static_cast<std::size_t>(Size - 1));
        char* dest = reinterpret_cast<char*>(p);
        std::memcpy(dest, text->data(), n);
        dest[n] = '\0';
        TranslateOem(GetAssignedSession(), dest, n, true);
        return;
    }
    case ntInteger: {
        if (Size == LargeIntegerSize) {
            const int64_t v = LargeIntegerOf(Value);
            std::memcpy(p, &v, sizeof v);
            return;
        }
        if (Size < 4) return;
        const int32_t v = SetVarToInt(Value);
        std::memcpy(p, &v, sizeof v);
        return;
    }
    case ntFloat:
    case ntCurrency: {
        if (Size < 8) return;
        const double v = SetVarToFloat(Value);
        std::memcpy(p, &v, sizeof v);
        return;
    }
    case ntDate:
    case ntTime:
    case ntDateTime: {
        if (Size < static_cast<int32_t>(sizeof(Tsqldatetime))) return;
        Tsqldatetime rec;
        PutAsaTimeStamp(SetVarToDateTime(Value), rec);
        std::memcpy(p, &rec, sizeof rec);
        return;
    }
    case ntBoolean:
        if (Size < 1) return;
        *p = SetVarToBoolean(Value) ? 1 : 0;
        return;
    case ntBinary: {
        if (!IsByteArray(Value) || Size < 2) return;
        TByteArrayReader bytes(Value);
        const auto n = static_cast<uint16_t>(std::min(bytes.Count(), Size - 2));
        std::memcpy(p, &n, sizeof n);
        if (n > 0) std::memcpy(p + 2, bytes.Data(), n);
        return;
    }
    case ntMemo: {
        if (!Value.IsText()) return;
        if (Blob == nullptr && !oem && IsOwnInputBuffer(Buffer)) {
            FDeferredValues.push_back({p, Value});
            return;
        }
        AnsiString text = Value.TextRef();
        TranslateOem(GetAssignedSession(), text.data(), text.size(), true);
        if (Blob != nullptr) {
            // An empty text is a value too: Truncate marks the stream as holding one to store.
            Blob->Truncate();
            if (!text.empty()) Blob->WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
            return;
        }
        const std::size_t n = std::min(text.size(), static_cast<std::size_t>(std::max(Size, 0)));
        if (n > 0) std::memcpy(p, text.data(), n);
        return;
    }
    case ntBlob: {
        if (!IsByteArray(Value)) return;
        if (Blob == nullptr && IsOwnInputBuffer(Buffer)) {
            FDeferredValues.push_back({p, Value});
            return;
        }
        TByteArrayReader bytes(Value);
        if (Blob != nullptr) {
            Blob->Truncate();
            if (bytes.Count() > 0) Blob->WriteBuffer(bytes.Data(), bytes.Count());
            return;
        }
        const int32_t n = std::min(bytes.Count(), std::max(Size, 0));
        if (n > 0) std::memcpy(p, bytes.Data(), static_cast<std::size_t>(n));
        return;
    }
    case ntUnknown:
    default:
        return;
    }
}

bool TAsaSQL::IsOwnInputBuffer(const void* Buffer) const {
    return Buffer != nullptr && (Buffer == GetExecVariables().Buffer || Buffer == GetOpenVariables().Buffer);
}

const uint8_t* TAsaSQL::DeferredBytes(const uint8_t* Slot, int32_t& Length) const {
    for (const TDeferredValue& d : FDeferredValues) {
        if (d.Slot != Slot) continue;
        if (d.Value.IsText()) {
            const AnsiString& text = d.Value.TextRef();
            Length = static_cast<int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
            return reinterpret_cast<const uint8_t*>(text.data());
        }
        // The array's storage stays put while this entry holds it: nothing writes to it here.
        TByteArrayReader bytes(d.Value);
        Length = bytes.Count();
        return bytes.Data();
    }
    return nullptr;
}

void TAsaSQL::InternalClearVariables(TCorvexVariables& Vars) {
    const auto* begin = static_cast<const uint8_t*>(Vars.Buffer);
    const auto* end = begin + (begin != nullptr ? Vars.BufferSize : 0);
    std::erase_if(FDeferredValues, [&](const TDeferredValue& d) { return d.Slot >= begin && d.Slot < end; });
    inherited::InternalClearVariables(Vars);
}

} // namespace tnx
