// Date and time fields over the framework's time stamp (DateTimeFields.h).
#include "platform/vcl/db/DateTimeFields.h"

#include "platform/vcl/DateTime.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

#include <cstdint>
#include <cstring>

namespace vcl {

namespace {

// The 8-byte buffer of date and time fields: the 32-bit number in its first 4 bytes.
std::int32_t FirstWord(const std::uint8_t (&buffer)[8]) {
    std::int32_t value = 0;
    std::memcpy(&value, buffer, sizeof value);
    return value;
}

void PutFirstWord(std::uint8_t (&buffer)[8], std::int32_t value) {
    std::memset(buffer, 0, sizeof buffer);
    std::memcpy(buffer, &value, sizeof value);
}

} // namespace

// --- TDateTimeField ---------------------------------------------------------------------------------

TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner) {
    SetDataType(ftDateTime);
}

TDateTimeField::~TDateTimeField() = default;

TDateTime TDateTimeField::GetAsDateTime() {
    double msecs = 0.0;
    if (!GetData(&msecs)) return TDateTime(0.0);
    return TimeStampToDateTime(MSecsToTimeStamp(msecs));
}

void TDateTimeField::SetAsDateTime(TDateTime value) {
    const double msecs = TimeStampToMSecs(DateTimeToTimeStamp(value));
    SetData(&msecs);
}

Variant TDateTimeField::GetAsVariant() {
    if (GetIsNull()) return Null();
    return Variant(GetAsDateTime());
}

void TDateTimeField::SetVarValue(const Variant& value) {
    SetAsDateTime(value.AsDateTime());
}

double TDateTimeField::GetAsFloat() {
    return GetAsDateTime().Value;
}

void TDateTimeField::SetAsFloat(double value) {
    SetAsDateTime(TDateTime(value));
}

AnsiString TDateTimeField::GetAsString() {
    if (GetIsNull()) return AnsiString();
    return FormatValue(GetAsDateTime());
}

void TDateTimeField::SetAsString(const AnsiString& value) {
    const AnsiString text = Trim(value);
    if (text.empty()) {
        Clear();
        return;
    }
    SetAsDateTime(ParseText(text));
}

AnsiString TDateTimeField::FormatValue(TDateTime value) {
    return DateTimeToStr(value);
}

TDateTime TDateTimeField::ParseText(const AnsiString& text) {
    TDateTime value;
    if (!TryStrToDateTime(text, value, FormatSettings)) ConvertError(text);
    return value;
}

// --- TDateField -------------------------------------------------------------------------------------

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) {
    SetDataType(ftDate);
}

TDateField::~TDateField() = default;

TDateTime TDateField::GetAsDateTime() {
    std::uint8_t buffer[8] = {};
    if (!GetData(buffer)) return TDateTime(0.0);
    return TimeStampToDateTime(TTimeStamp{0, FirstWord(buffer)});
}

void TDateField::SetAsDateTime(TDateTime value) {
    std::uint8_t buffer[8];
    PutFirstWord(buffer, DateTimeToTimeStamp(value).Date);
    SetData(buffer);
}

AnsiString TDateField::FormatValue(TDateTime value) {
    return DateToStr(value);
}

TDateTime TDateField::ParseText(const AnsiString& text) {
    TDateTime value;
    if (!TryStrToDate(text, value, FormatSettings)) ConvertError(text);
    return value;
}

// --- TTimeField -------------------------------------------------------------------------------------

TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) {
    SetDataType(ftTime);
}

TTimeField::~TTimeField() = default;

TDateTime TTimeField::GetAsDateTime() {
    std::uint8_t buffer[8] = {};
    if (!GetData(buffer)) return TDateTime(0.0);
    return TimeStampToDateTime(TTimeStamp{FirstWord(buffer), DateDelta});
}

void TTimeField::SetAsDateTime(TDateTime value) {
    std::uint8_t buffer[8];
    PutFirstWord(buffer, DateTimeToTimeStamp(value).Time);
    SetData(buffer);
}

AnsiString TTimeField::FormatValue(TDateTime value) {
    return TimeToStr(value);
}

TDateTime TTimeField::ParseText(const AnsiString& text) {
    TDateTime value;
    if (!TryStrToTime(text, value, FormatSettings)) ConvertError(text);
    return value;
}

VCL_CLASS_INFO(TDateTimeField)
VCL_CLASS_INFO(TDateField)
VCL_CLASS_INFO(TTimeField)

} // namespace vcl
