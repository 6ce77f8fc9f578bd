// The settings that shape numbers and dates as text: separators, date and time formats, month
// and day names. One global instance, vcl::FormatSettings, is used by every routine that takes no
// settings argument; an application changes it (typically once, at start-up) to get other text.
// Routines that take a const TFormatSettings& use that instead, which is how to format
// independently of the global (and safely while another thread might change it).
//
// Defaults (locale-neutral, ISO-like, so text round-trips the same on every machine):
//   dates "yyyy-mm-dd" (ShortDateFormat "yyyy/mm/dd" with DateSeparator '-'),
//   times "hh:nn:ss" (LongTimeFormat) and "hh:nn" (ShortTimeFormat), 24-hour clock,
//   DateTimeToStr: date, a blank, long time; the time is left out when it is exactly midnight,
//   decimal separator '.', thousand separator ',', English month and day names.
// In a format, '/' stands for DateSeparator and ':' for TimeSeparator.
#pragma once

#include "platform/vcl/SysTypes.h"

#include <array>

namespace vcl {

struct TFormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    char DateSeparator = '-';
    char TimeSeparator = ':';
    AnsiString ShortDateFormat = "yyyy/mm/dd";
    AnsiString LongDateFormat = "dddd, d mmmm yyyy";
    AnsiString ShortTimeFormat = "hh:nn";
    AnsiString LongTimeFormat = "hh:nn:ss";
    AnsiString TimeAMString = "AM";
    AnsiString TimePMString = "PM";
    std::array<AnsiString, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<AnsiString, 12> LongMonthNames{"January",   "February", "March",    "April",
                                              "May",       "June",     "July",     "August",
                                              "September", "October",  "November", "December"};
    // Index 0 is Sunday, matching DayOfWeek() - 1.
    std::array<AnsiString, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<AnsiString, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                           "Thursday", "Friday", "Saturday"};
    // A two-digit year y is placed in the century that puts it within 100 years of now, counting
    // back TwoDigitYearCenturyWindow years: with 50 in 2024, "74" is 1974 and "73" is 2073.
    // 0 puts every two-digit year in the current century.
    int TwoDigitYearCenturyWindow = 50;
};

// The settings used by every routine that is not given its own. Not synchronised: change it
// before other threads format text, or pass settings explicitly.
extern TFormatSettings FormatSettings;

} // namespace vcl
