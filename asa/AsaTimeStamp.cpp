// GetAsaTimeStamp and PutAsaTimeStamp (see AsaTimeStamp.h).
#include "asa/AsaTimeStamp.h"

#include "platform/vcl/DateTime.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace tnx {

namespace {

// Days before the first of each month (0 = January), in common and in leap years.
constexpr int32_t kDaysBeforeMonth[2][12] = {{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
                                             {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335}};
constexpr uint8_t kDaysInMonth[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                         {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

} // namespace

// Runs for every date column of every fetched row, so it counts the days straight from the record
// (a table lookup, no loop over the months) instead of going through the calendar routines. It
// gives exactly what TryEncodeDate and TryEncodeTime give: the same validity rules (years 1 ..
// 9999, hours < 24, minutes and seconds < 60) and the same arithmetic, so every record with whole
// milliseconds converts to the bit-identical value.
vcl::TDateTime GetAsaTimeStamp(const Tsqldatetime& Rec) {
    if (Rec.hour >= 24 || Rec.minute >= 60 || Rec.second >= 60) return vcl::TDateTime(0.0);
    uint32_t micro;
    std::memcpy(&micro, &Rec.microsecond, sizeof micro); // a packed field: copied, not referenced
    const double fraction = micro < 1000000 ? micro / 1000.0 : 0.0;
    const double time =
        (static_cast<double>(Rec.hour * 3600000 + Rec.minute * 60000 + Rec.second * 1000) + fraction) /
        vcl::MSecsPerDay;
    // The library writes a TIME value with year, month and day 0: that is a time of day on day 0,
    // not an invalid date.
    const int32_t year = Rec.year;
    if (year == 0 && Rec.month == 0 && Rec.day == 0) return vcl::TDateTime(time);
    if (year < 1 || year > 9999 || Rec.month > 11) return vcl::TDateTime(0.0);
    const int leap = (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) ? 1 : 0;
    if (Rec.day < 1 || Rec.day > kDaysInMonth[leap][Rec.month]) return vcl::TDateTime(0.0);
    const int32_t i = year - 1;
    const auto date = static_cast<double>(i * 365 + i / 4 - i / 100 + i / 400 +
                                          kDaysBeforeMonth[leap][Rec.month] + Rec.day - vcl::DateDelta);
    return date >= 0 ? vcl::TDateTime(date + time) : vcl::TDateTime(date - time);
}

vcl::TTimeStamp GetAsaTimeStampParts(const Tsqldatetime& Rec) {
    uint32_t micro;
    std::memcpy(&micro, &Rec.microsecond, sizeof micro);
    const int32_t year = Rec.year;
    const bool wholeMSecs = micro < 1000000 && micro % 1000 == 0;
    if (wholeMSecs && Rec.hour < 24 && Rec.minute < 60 && Rec.second < 60 && year >= 1 && year <= 9999 &&
        Rec.month <= 11) {
        const int leap = (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) ? 1 : 0;
        if (Rec.day >= 1 && Rec.day <= kDaysInMonth[leap][Rec.month]) {
            // The day number and the milliseconds of the day that the date-time's round trip
            // gives: it is exact for whole milliseconds (its error stays far below half of one).
            const int32_t i = year - 1;
            vcl::TTimeStamp ts;
            ts.Date = i * 365 + i / 4 - i / 100 + i / 400 + kDaysBeforeMonth[leap][Rec.month] + Rec.day;
            ts.Time = Rec.hour * 3600000 + Rec.minute * 60000 + Rec.second * 1000 +
                      static_cast<int32_t>(micro / 1000);
            return ts;
        }
    }
    // A time of day, a fraction of a millisecond or an invalid record: through the date-time.
    return vcl::DateTimeToTimeStamp(GetAsaTimeStamp(Rec));
}

// Runs for every time stamp a statement binds, so it converts the value to a time stamp once and
// derives the calendar date from its day number in closed form (no loop over years or months); it
// writes exactly what decoding the time, the date and the day of the week one by one writes.
void PutAsaTimeStamp(vcl::TDateTime DT, Tsqldatetime& Rec) {
    std::memset(&Rec, 0, sizeof Rec);
    vcl::TTimeStamp ts;
    try {
        ts = vcl::DateTimeToTimeStamp(DT);
    } catch (...) {
        return; // a value outside the calendar: nothing is written
    }
    Rec.hour = static_cast<uint8_t>(ts.Time / 3600000);
    Rec.minute = static_cast<uint8_t>(ts.Time / 60000 % 60);
    Rec.second = static_cast<uint8_t>(ts.Time / 1000 % 60);
    Rec.microsecond = static_cast<uint32_t>(ts.Time % 1000) * 1000u;
    if (std::trunc(DT.Value) == 0) return; // a time of day: no date
    if (ts.Date <= 0) {
        // Before the first day of the calendar the date decodes to zeros.
        int year, month, day, dayOfWeek;
        vcl::DecodeDateFully(DT, year, month, day, dayOfWeek);
        Rec.year = static_cast<uint16_t>(year);
        Rec.month = static_cast<uint8_t>(month - 1);
        Rec.day_of_week = static_cast<uint8_t>(vcl::DayOfWeek(DT) - 1);
        Rec.day_of_year = static_cast<uint16_t>(day - 1);
        Rec.day = static_cast<uint8_t>(day);
        return;
    }
    // Day number 1 is 0001-01-01 and a Sunday. The date is counted in 400-year eras of years that
    // start on 1 March, so that the leap day ends the year.
    const int64_t fromEpoch = static_cast<int64_t>(ts.Date) - 1 + 306; // days since 0000-03-01
    const int64_t era = fromEpoch / 146097;
    const int64_t dayOfEra = fromEpoch - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfMarchYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthFromMarch = (5 * dayOfMarchYear + 2) / 153;
    const int day = static_cast<int>(dayOfMarchYear - (153 * monthFromMarch + 2) / 5 + 1);
    const int month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    const int64_t year = era * 400 + yearOfEra + (month <= 2 ? 1 : 0);
    const int leap = (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) ? 1 : 0;
    Rec.year = static_cast<uint16_t>(year);
    Rec.month = static_cast<uint8_t>(month - 1);
    Rec.day_of_week = static_cast<uint8_t>(ts.Date % 7);
    Rec.day_of_year = static_cast<uint16_t>(kDaysBeforeMonth[leap][month - 1] + day - 1);
    Rec.day = static_cast<uint8_t>(day);
}

} // namespace tnx
