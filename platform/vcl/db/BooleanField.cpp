// TBooleanField: a 16-bit true/false value (BooleanField.h).
#include "platform/vcl/db/BooleanField.h"

#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

#include <cstdint>

namespace vcl {

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) {
    SetDataType(ftBoolean);
}

TBooleanField::~TBooleanField() = default;

bool TBooleanField::GetAsBoolean() {
    std::int16_t value = 0;
    return GetData(&value) && value != 0;
}

void TBooleanField::SetAsBoolean(bool value) {
    const std::int16_t stored = value ? 1 : 0;
    SetData(&stored);
}

Variant TBooleanField::GetAsVariant() {
    std::int16_t value = 0;
    if (!GetData(&value)) return Null();
    return Variant(value != 0);
}

void TBooleanField::SetVarValue(const Variant& value) {
    SetAsBoolean(value.AsBoolean());
}

AnsiString TBooleanField::GetAsString() {
    std::int16_t value = 0;
    if (!GetData(&value)) return AnsiString();
    return value != 0 ? "True" : "False";
}

void TBooleanField::SetAsString(const AnsiString& value) {
    const AnsiString text = Trim(value);
    if (text.empty()) {
        Clear();
        return;
    }
    if (SameText(text, "T") || SameText(text, "Y") || SameText(text, "Yes")) {
        SetAsBoolean(true);
        return;
    }
    if (SameText(text, "F") || SameText(text, "N") || SameText(text, "No")) {
        SetAsBoolean(false);
        return;
    }
    bool parsed = false;
    if (!TryStrToBool(text, parsed)) ConvertError(value);
    SetAsBoolean(parsed);
}

std::int32_t TBooleanField::GetAsInteger() {
    return GetAsBoolean() ? 1 : 0;
}

void TBooleanField::SetAsInteger(std::int32_t value) {
    SetAsBoolean(value != 0);
}

VCL_CLASS_INFO(TBooleanField)

} // namespace vcl
