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

// Which half of the time stamp a date or time field keeps in the first 4 bytes of its buffer.
enum class TStampPart { Date, Time };

TDateTime ReadStampPart(TField* field, TStampPart part) {
    std::uint8_t buffer[8] = {};
    if (!field->GetData(buffer)) return TDateTime(0.0);
    std::int32_t value = 0;
    std::memcpy(&value, buffer, sizeof value);
    return TimeStampToDateTime(part == TStampPart::Date ? TTimeStamp{0, value} : TTimeStamp{value, DateDelta});
}

void WriteStampPart(TField* field, TDateTime dateTime, TStampPart part) {
    const TTimeStamp stamp = DateTimeToTimeStamp(dateTime);
    const std::int32_t value = part == TStampPart::Date ? stamp.Date : stamp.Time;
    std::uint8_t buffer[8] = {};
    std::memcpy(buffer, &value, sizeof value);
    field->SetData(buffer);
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
    // Whole milliseconds from day 0 on convert directly; the rest (days before 1899-12-30, whose
    // fraction counts the other way, and values that are no time stamp) takes the full routines.
    constexpr double dayZero = static_cast<double>(DateDelta) * MSecsPerDay;
    if (msecs >= dayZero && msecs < 1e15 && msecs == static_cast<double>(static_cast<std::int64_t>(msecs))) {
        const auto whole = static_cast<std::int64_t>(msecs);
        // The day by an integer division (whole is positive here, so it rounds down): exact, and
        // far quicker than a floating one that then needs correcting across midnight.
        const std::int64_t days = whole / MSecsPerDay;
        return TDateTime(static_cast<double>(days - DateDelta) +
                         static_cast<double>(whole - days * MSecsPerDay) / MSecsPerDay);
    }
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
    return ParseWith(text, TryStrToDateTime);
}

TDateTime TDateTimeField::ParseWith(const AnsiString& text, TTryParse parse) {
    TDateTime value;
    if (!parse(text, value, FormatSettings)) ConvertError(text);
    return value;
}

// --- TDateField -------------------------------------------------------------------------------------

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) {
    SetDataType(ftDate);
}

TDateField::~TDateField() = default;

TDateTime TDateField::GetAsDateTime() {
    return ReadStampPart(this, TStampPart::Date);
}

void TDateField::SetAsDateTime(TDateTime value) {
    WriteStampPart(this, value, TStampPart::Date);
}

AnsiString TDateField::FormatValue(TDateTime value) {
    return DateToStr(value);
}

TDateTime TDateField::ParseText(const AnsiString& text) {
    return ParseWith(text, TryStrToDate);
}

// --- TTimeField -------------------------------------------------------------------------------------

TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) {
    SetDataType(ftTime);
}

TTimeField::~TTimeField() = default;

TDateTime TTimeField::GetAsDateTime() {
    return ReadStampPart(this, TStampPart::Time);
}

void TTimeField::SetAsDateTime(TDateTime value) {
    WriteStampPart(this, value, TStampPart::Time);
}

AnsiString TTimeField::FormatValue(TDateTime value) {
    return TimeToStr(value);
}

TDateTime TTimeField::ParseText(const AnsiString& text) {
    return ParseWith(text, TryStrToTime);
}

VCL_CLASS_INFO(TDateTimeField)
VCL_CLASS_INFO(TDateField)
VCL_CLASS_INFO(TTimeField)

} // namespace vcl
