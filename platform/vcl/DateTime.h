// Dates and times: the TDateTime value (SysTypes.h), its time stamp, encoding and decoding,
// the clock, and text in both directions.
//
// TDateTime counts days since 1899-12-30 with the time of day as the fraction; for days before
// 1899-12-30 the integral part is the (negative) day and the fraction's absolute value the time,
// so 1899-12-29 06:00 is -1.25. Valid dates are 0001-01-01 .. 9999-12-31 (proleptic Gregorian).
//
// TTimeStamp splits a date-time into whole days and milliseconds:
//   Time  milliseconds since midnight, 0 .. 86,399,999;
//   Date  days since 1 January of year 1, that day counted as 1; 693594 is 1899-12-30.
// In milliseconds a time stamp is Date * 86,400,000 + Time.
//
// Text uses vcl::FormatSettings unless settings are passed; see FormatSettings.h for the
// defaults ("yyyy-mm-dd hh:nn:ss").
#pragma once

#include "platform/vcl/FormatSettings.h"
#include "platform/vcl/SysTypes.h"

#include <cstdint>
#include <string_view>

namespace vcl {

inline constexpr std::int32_t HoursPerDay = 24;
inline constexpr std::int32_t MinsPerDay = 24 * 60;
inline constexpr std::int32_t SecsPerDay = MinsPerDay * 60;
inline constexpr std::int32_t MSecsPerDay = SecsPerDay * 1000;
// Day number (TTimeStamp::Date) of 1899-12-30, day 0 of TDateTime.
inline constexpr std::int32_t DateDelta = 693594;

struct TTimeStamp {
    std::int32_t Time; // milliseconds since midnight
    std::int32_t Date; // days since 0001-01-01, that day being 1
};

// --- Calendar ---------------------------------------------------------------------------------
bool IsLeapYear(int year);
// Days in the month (1 .. 12) of the year; 0 for a month out of range.
int DaysInAMonth(int year, int month);

// --- Encoding and decoding ------------------------------------------------------------------
// Raise EConvertError "Invalid argument to date encode" / "... time encode" for values out of
// range (year 1 .. 9999, month 1 .. 12, day 1 .. days in the month; hour 0 .. 23, minute and
// second 0 .. 59, millisecond 0 .. 999).
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
// Date plus time, for negative dates as the time lies away from day 0 (date - time).
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);
bool TryEncodeDate(int year, int month, int day, TDateTime& value);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& value);

// Date parts of a value, rounded to the millisecond first (so 23:59:59.9999 is the next day).
// A value before 0001-01-01 decodes as year, month and day 0.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
// Like DecodeDate, also giving the day of the week (1 = Sunday); returns IsLeapYear(year).
bool DecodeDateFully(TDateTime value, int& year, int& month, int& day, int& dayOfWeek);
void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime value);

// --- Time stamps ------------------------------------------------------------------------------
// Rounds to whole milliseconds; Date = 693594 + the integral day, Time = |milliseconds| within
// that day.
TTimeStamp DateTimeToTimeStamp(TDateTime value);
// Arithmetic inverse: (Date - 693594) days, then the time added for days on or after day 0 and
// subtracted before it. Does not validate (ValidateTimeStamp does).
TDateTime TimeStampToDateTime(const TTimeStamp& ts);
// Date * 86,400,000 + Time.
double TimeStampToMSecs(const TTimeStamp& ts);
// The inverse for a non-negative whole number of milliseconds; a fraction is cut off. Raises
// EConvertError for a negative, non-finite or too large value (whose day does not fit Date).
TTimeStamp MSecsToTimeStamp(double msecs);
// Raises EConvertError "'<Time>.<Date>' is not a valid timestamp" unless 0 <= Time < 86,400,000
// and Date > 0.
void ValidateTimeStamp(const TTimeStamp& ts);

// --- Clock ------------------------------------------------------------------------------------
// Local date and time, to the millisecond.
TDateTime Now();
TDateTime Date(); // today, time 0
TDateTime Time(); // time of day, date 0

// --- Text -------------------------------------------------------------------------------------
// FormatDateTime specifiers (letters case-insensitive; m after h/hh means minutes):
//   c       ShortDateFormat, then LongTimeFormat unless the time is midnight
//   d dd    day 1..31 / 01..31        ddd dddd  short / long day name
//   ddddd   ShortDateFormat           dddddd    LongDateFormat
//   m mm    month 1..12 / 01..12      mmm mmmm  short / long month name
//   yy yyyy year, two / four digits
//   h hh    hour 0..23 / 00..23 (0..12 with am/pm)
//   n nn    minute                    s ss      second
//   z zzz   millisecond 0..999 / 000..999
//   t tt    ShortTimeFormat / LongTimeFormat
//   am/pm a/p ampm   12-hour clock with the marker ("ampm" uses TimeAMString/TimePMString)
//   /       DateSeparator             :         TimeSeparator
//   'x' "x" literal text              other characters are copied
// An empty format means "c".
AnsiString FormatDateTime(std::string_view format, TDateTime value);
AnsiString FormatDateTime(std::string_view format, TDateTime value, const TFormatSettings& settings);
AnsiString DateTimeToStr(TDateTime value);
AnsiString DateTimeToStr(TDateTime value, const TFormatSettings& settings);
AnsiString DateToStr(TDateTime value);
AnsiString DateToStr(TDateTime value, const TFormatSettings& settings);
AnsiString TimeToStr(TDateTime value);
AnsiString TimeToStr(TDateTime value, const TFormatSettings& settings);

// Parsing. A date is up to three numbers separated by DateSeparator, in the order of
// ShortDateFormat (year-month-day, month-day-year or day-month-year); without a year the current
// year is taken; a year of one or two digits is placed by TwoDigitYearCenturyWindow. A time is
// hour[:minute[:second[.millisecond]]], optionally followed by AM/PM (TimeAMString/TimePMString
// or "AM"/"PM", any case); an hour alone needs AM/PM. StrToDateTime takes a date, optionally
// followed by blanks and a time, or a time alone. Blanks around the text are ignored. Failures
// raise EConvertError "'<text>' is not a valid date" / "... time" / "... date and time".
TDateTime StrToDate(std::string_view s);
TDateTime StrToDate(std::string_view s, const TFormatSettings& settings);
TDateTime StrToTime(std::string_view s);
TDateTime StrToTime(std::string_view s, const TFormatSettings& settings);
TDateTime StrToDateTime(std::string_view s);
TDateTime StrToDateTime(std::string_view s, const TFormatSettings& settings);
bool TryStrToDate(std::string_view s, TDateTime& value, const TFormatSettings& settings);
bool TryStrToTime(std::string_view s, TDateTime& value, const TFormatSettings& settings);
bool TryStrToDateTime(std::string_view s, TDateTime& value, const TFormatSettings& settings);

} // namespace vcl
