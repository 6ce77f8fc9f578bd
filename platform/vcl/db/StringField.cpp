// TStringField: zero-terminated text of at most Size characters (StringField.h).
#include "platform/vcl/db/StringField.h"

#include "platform/vcl/DateTime.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/db/DBConsts.h"
#include "platform/vcl/db/DataSet.h"

#include <cstring>
#include <vector>

namespace vcl {

namespace {

// The largest text a string field holds.
constexpr int MaxStringSize = 65534;

// A byte buffer on the stack for the usual sizes, on the heap beyond. Reading fills it (so it is
// not cleared first, which would cost more than the read on short texts); writing asks for zeros
// so the stored column holds no stray bytes after the text.
class TTextBuffer {
public:
    TTextBuffer(int size, bool zeroed) {
        if (size <= static_cast<int>(sizeof(FSmall))) {
            if (zeroed) std::memset(FSmall, 0, static_cast<std::size_t>(size));
            FData = FSmall;
        } else {
            FLarge.assign(static_cast<std::size_t>(size), '\0');
            FData = FLarge.data();
        }
    }
    char* Data() { return FData; }

private:
    char FSmall[256];
    std::vector<char> FLarge;
    char* FData;
};

} // namespace

TStringField::TStringField(TComponent* owner) : TField(owner) {
    SetDataType(ftString);
    SetTransliterate(true);
    SetSize(20);
}

TStringField::~TStringField() = default;

void TStringField::CheckTypeSize(int value) {
    if (value < 1 || value > MaxStringSize) DatabaseErrorFmt(SInvalidFieldSize, {value, GetDisplayName()}, this);
}

bool TStringField::GetValue(char* text) {
    if (!GetData(text)) return false;
    text[GetSize()] = '\0';
    if (GetTransliterate() && GetDataSet() != nullptr) GetDataSet()->Translate(text, text, false);
    return true;
}

AnsiString TStringField::GetAsString() {
    TTextBuffer buffer(GetDataSize(), false);
    if (!GetValue(buffer.Data())) return AnsiString();
    return AnsiString(buffer.Data());
}

void TStringField::SetAsString(const AnsiString& value) {
    TTextBuffer buffer(GetDataSize(), true);
    const std::size_t length = std::min(value.size(), static_cast<std::size_t>(GetSize()));
    std::memcpy(buffer.Data(), value.data(), length);
    buffer.Data()[length] = '\0';
    if (GetTransliterate() && GetDataSet() != nullptr) GetDataSet()->Translate(buffer.Data(), buffer.Data(), true);
    SetData(buffer.Data());
}

Variant TStringField::GetAsVariant() {
    TTextBuffer buffer(GetDataSize(), false);
    if (!GetValue(buffer.Data())) return Null();
    return Variant(AnsiString(buffer.Data()));
}

void TStringField::SetVarValue(const Variant& value) {
    SetAsString(value.AsString());
}

std::int32_t TStringField::GetAsInteger() {
    const AnsiString text = Trim(GetAsString());
    if (text.empty()) return 0;
    std::int32_t value = 0;
    if (!TryStrToInt(text, value)) ConvertError(text);
    return value;
}

void TStringField::SetAsInteger(std::int32_t value) {
    SetAsString(IntToStr(value));
}

double TStringField::GetAsFloat() {
    const AnsiString text = Trim(GetAsString());
    if (text.empty()) return 0.0;
    double value = 0.0;
    if (!TryStrToFloat(text, value)) ConvertError(text);
    return value;
}

void TStringField::SetAsFloat(double value) {
    SetAsString(FloatToStr(value));
}

Currency TStringField::GetAsCurrency() {
    return Currency::FromDouble(GetAsFloat());
}

void TStringField::SetAsCurrency(Currency value) {
    SetAsString(CurrToStr(value));
}

TDateTime TStringField::GetAsDateTime() {
    const AnsiString text = Trim(GetAsString());
    if (text.empty()) return TDateTime(0.0);
    TDateTime value;
    if (!TryStrToDateTime(text, value, FormatSettings)) ConvertError(text);
    return value;
}

void TStringField::SetAsDateTime(TDateTime value) {
    SetAsString(DateTimeToStr(value));
}

bool TStringField::GetAsBoolean() {
    const AnsiString text = Trim(GetAsString());
    if (text.empty()) return false;
    bool value = false;
    if (!TryStrToBool(text, value)) ConvertError(text);
    return value;
}

void TStringField::SetAsBoolean(bool value) {
    SetAsString(value ? "True" : "False");
}

VCL_CLASS_INFO(TStringField, [](TPublisher<TStringField>& p) {
    p.Property("Size", &TStringField::GetSize, &TStringField::SetSize).Default(20);
    p.Property("Transliterate", &TStringField::GetTransliterate, &TStringField::SetTransliterate).Default(true);
})

} // namespace vcl
