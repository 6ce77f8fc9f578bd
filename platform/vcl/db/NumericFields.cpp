// Numeric fields: 32-bit integers, doubles and money in a double (NumericFields.h).
#include "platform/vcl/db/NumericFields.h"

#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/db/DBConsts.h"

#include <cmath>
#include <limits>

namespace vcl {

// --- TIntegerField ---------------------------------------------------------------------------------

TIntegerField::TIntegerField(TComponent* owner) : TField(owner) {
    SetDataType(ftInteger);
}

TIntegerField::~TIntegerField() = default;

void TIntegerField::CheckRange(std::int32_t value) {
    if ((FMinValue != 0 || FMaxValue != 0) && (value < FMinValue || value > FMaxValue))
        DatabaseErrorFmt(SFieldRangeError,
                         {IntToStr(value), GetDisplayName(), IntToStr(FMinValue), IntToStr(FMaxValue)});
}

std::int32_t TIntegerField::GetAsInteger() {
    std::int32_t value = 0;
    return GetData(&value) ? value : 0;
}

void TIntegerField::SetAsInteger(std::int32_t value) {
    CheckRange(value);
    SetData(&value);
}

Variant TIntegerField::GetAsVariant() {
    std::int32_t value = 0;
    if (!GetData(&value)) return Null();
    return Variant(value);
}

void TIntegerField::SetVarValue(const Variant& value) {
    SetAsInteger(value.AsInteger());
}

AnsiString TIntegerField::GetAsString() {
    std::int32_t value = 0;
    if (!GetData(&value)) return AnsiString();
    return IntToStr(value);
}

void TIntegerField::SetAsString(const AnsiString& value) {
    const AnsiString text = Trim(value);
    if (text.empty()) {
        Clear();
        return;
    }
    std::int32_t number = 0;
    if (!TryStrToInt(text, number)) ConvertError(value);
    SetAsInteger(number);
}

double TIntegerField::GetAsFloat() {
    return GetAsInteger();
}

void TIntegerField::SetAsFloat(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max()))
        ConvertError(FloatToStr(value));
    SetAsInteger(static_cast<std::int32_t>(rounded));
}

Currency TIntegerField::GetAsCurrency() {
    return Currency::FromScaled(static_cast<std::int64_t>(GetAsInteger()) * Currency::Scale);
}

void TIntegerField::SetAsCurrency(Currency value) {
    SetAsFloat(value.ToDouble());
}

bool TIntegerField::GetAsBoolean() {
    return GetAsInteger() != 0;
}

void TIntegerField::SetAsBoolean(bool value) {
    SetAsInteger(value ? 1 : 0);
}

// --- TFloatField -------------------------------------------------------------------------------------

TFloatField::TFloatField(TComponent* owner) : TField(owner) {
    SetDataType(ftFloat);
}

TFloatField::~TFloatField() = default;

void TFloatField::CheckRange(double value) {
    if ((FMinValue != 0 || FMaxValue != 0) && (value < FMinValue || value > FMaxValue))
        DatabaseErrorFmt(SFieldRangeError,
                         {FloatToStr(value), GetDisplayName(), FloatToStr(FMinValue), FloatToStr(FMaxValue)});
}

double TFloatField::GetAsFloat() {
    double value = 0.0;
    return GetData(&value) ? value : 0.0;
}

void TFloatField::SetAsFloat(double value) {
    CheckRange(value);
    SetData(&value);
}

Variant TFloatField::GetAsVariant() {
    double value = 0.0;
    if (!GetData(&value)) return Null();
    return Variant(value);
}

void TFloatField::SetVarValue(const Variant& value) {
    SetAsFloat(value.AsDouble());
}

AnsiString TFloatField::GetAsString() {
    double value = 0.0;
    if (!GetData(&value)) return AnsiString();
    return FloatToStr(value);
}

AnsiString TFloatField::GetTextValue(bool displayText) {
    double value = 0.0;
    if (!GetData(&value)) return AnsiString();
    if (displayText && FCurrency) return CurrToStr(Currency::FromDouble(value));
    return FloatToStr(value);
}

void TFloatField::SetAsString(const AnsiString& value) {
    const AnsiString text = Trim(value);
    if (text.empty()) {
        Clear();
        return;
    }
    double number = 0.0;
    if (!TryStrToFloat(text, number)) ConvertError(value);
    SetAsFloat(number);
}

std::int32_t TFloatField::GetAsInteger() {
    const double value = std::nearbyint(GetAsFloat());
    if (!(value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max()))
        ConvertError(FloatToStr(value));
    return static_cast<std::int32_t>(value);
}

void TFloatField::SetAsInteger(std::int32_t value) {
    SetAsFloat(value);
}

Currency TFloatField::GetAsCurrency() {
    return Currency::FromDouble(GetAsFloat());
}

void TFloatField::SetAsCurrency(Currency value) {
    SetAsFloat(value.ToDouble());
}

// --- TCurrencyField ----------------------------------------------------------------------------------

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner) {
    SetDataType(ftCurrency);
    SetCurrency(true);
}

TCurrencyField::~TCurrencyField() = default;

Variant TCurrencyField::GetAsVariant() {
    double value = 0.0;
    if (!GetData(&value)) return Null();
    return Variant(Currency::FromDouble(value));
}

VCL_CLASS_INFO(TIntegerField, [](TPublisher<TIntegerField>& p) {
    p.Property("MinValue", &TIntegerField::GetMinValue, &TIntegerField::SetMinValue).Default(0);
    p.Property("MaxValue", &TIntegerField::GetMaxValue, &TIntegerField::SetMaxValue).Default(0);
})
VCL_CLASS_INFO(TFloatField, [](TPublisher<TFloatField>& p) {
    p.Property("Currency", &TFloatField::GetCurrency, &TFloatField::SetCurrency)
        .Stored([](TFloatField* f) { return f->GetCurrency() != (f->GetDataType() == ftCurrency); });
    p.Property("MinValue", &TFloatField::GetMinValue, &TFloatField::SetMinValue);
    p.Property("MaxValue", &TFloatField::GetMaxValue, &TFloatField::SetMaxValue);
})
VCL_CLASS_INFO(TCurrencyField)

} // namespace vcl
