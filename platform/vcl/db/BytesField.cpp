// TBytesField: Size raw bytes without a length prefix (BytesField.h).
#include "platform/vcl/db/BytesField.h"

#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/db/DBConsts.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace vcl {

namespace {

constexpr int MaxBytesSize = 65535;

} // namespace

TBytesField::TBytesField(TComponent* owner) : TField(owner) {
    SetDataType(ftBytes);
    SetSize(16);
}

TBytesField::~TBytesField() = default;

void TBytesField::CheckTypeSize(int value) {
    if (value < 1 || value > MaxBytesSize) DatabaseErrorFmt(SInvalidFieldSize, {value, GetDisplayName()}, this);
}

AnsiString TBytesField::GetAsString() {
    AnsiString bytes(static_cast<std::size_t>(GetSize()), '\0');
    if (!GetData(bytes.data())) return AnsiString();
    return bytes;
}

void TBytesField::SetAsString(const AnsiString& value) {
    AnsiString bytes(static_cast<std::size_t>(GetSize()), '\0');
    std::memcpy(bytes.data(), value.data(), std::min(value.size(), bytes.size()));
    SetData(bytes.data());
}

Variant TBytesField::GetAsVariant() {
    AnsiString bytes(static_cast<std::size_t>(GetSize()), '\0');
    if (!GetData(bytes.data())) return Null();
    return VarArrayOfBytes(bytes.data(), bytes.size());
}

void TBytesField::SetVarValue(const Variant& value) {
    if (value.VarType() == (varArray | varByte) && VarArrayDimCount(value) == 1) {
        const std::int32_t count = VarArrayHighBound(value, 1) - VarArrayLowBound(value, 1) + 1;
        const void* data = VarArrayLock(value);
        AnsiString bytes(static_cast<const char*>(data), static_cast<std::size_t>(std::max(count, 0)));
        VarArrayUnlock(value);
        SetAsString(bytes);
        return;
    }
    SetAsString(value.AsString());
}

AnsiString TBytesField::GetTextValue(bool) {
    AnsiString bytes(static_cast<std::size_t>(GetSize()), '\0');
    if (!GetData(bytes.data())) return AnsiString();
    AnsiString hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char c : bytes)
        hex += IntToHex(c, 2);
    return hex;
}

VCL_CLASS_INFO(TBytesField, [](TPublisher<TBytesField>& p) {
    p.Property("Size", &TBytesField::GetSize, &TBytesField::SetSize).Default(16);
})

} // namespace vcl
