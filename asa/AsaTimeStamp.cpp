// GetAsaTimeStamp and PutAsaTimeStamp (see AsaTimeStamp.h).
#include "asa/AsaTimeStamp.h"

#include "platform/vcl/DateTime.h"

#include <cmath>
#include <cstring>

namespace tnx {

vcl::TDateTime GetAsaTimeStamp(const Tsqldatetime& Rec) {
    vcl::TDateTime t;
    if (!vcl::TryEncodeTime(Rec.hour, Rec.minute, Rec.second, 0, t)) return vcl::TDateTime(0.0);
    // The library writes a TIME value with year, month and day 0: that is a time of day on day 0,
    // not an invalid date.
    if (Rec.year == 0 && Rec.month == 0 && Rec.day == 0) return t;
    vcl::TDateTime d;
    if (!vcl::TryEncodeDate(Rec.year, Rec.month + 1, Rec.day, d)) return vcl::TDateTime(0.0);
    return d.Value >= 0 ? vcl::TDateTime(d.Value + t.Value) : vcl::TDateTime(d.Value - t.Value);
}

void PutAsaTimeStamp(vcl::TDateTime DT, Tsqldatetime& Rec) {
    std::memset(&Rec, 0, sizeof Rec);
    try {
        int hour, minute, second, msec;
        vcl::DecodeTime(DT, hour, minute, second, msec);
        Rec.hour = static_cast<uint8_t>(hour);
        Rec.minute = static_cast<uint8_t>(minute);
        Rec.second = static_cast<uint8_t>(second);
        if (std::trunc(DT.Value) == 0) return; // a time of day: no date
        int year, month, day;
        vcl::DecodeDate(DT, year, month, day);
        Rec.year = static_cast<uint16_t>(year);
        Rec.month = static_cast<uint8_t>(month - 1);
        Rec.day_of_week = static_cast<uint8_t>(vcl::DayOfWeek(DT) - 1);
        int dayOfYear = day - 1;
        for (int m = 1; m < month; ++m)
            dayOfYear += vcl::DaysInAMonth(year, m);
        Rec.day_of_year = static_cast<uint16_t>(dayOfYear);
        Rec.day = static_cast<uint8_t>(day);
    } catch (...) {
        // A value outside the calendar: the fields written so far stay.
    }
}

} // namespace tnx
