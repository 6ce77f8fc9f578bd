// Dates and times: the calendar (leap years, century years), negative dates, time stamps both
// ways, and date-time text in both directions with default and changed settings.
#include "platform/vcl/DateTime.h"
#include "platform/vcl/Exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vcl;

namespace {

TEST(Calendar, LeapYearsAndCenturies) {
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(DaysInAMonth(1900, 2), 28);
    EXPECT_EQ(DaysInAMonth(2000, 2), 29);
    EXPECT_EQ(DaysInAMonth(2100, 2), 28);
    EXPECT_EQ(DaysInAMonth(2001, 4), 30);
    EXPECT_EQ(DaysInAMonth(2001, 13), 0);

    EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
    EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
    try {
        EncodeDate(1900, 2, 29);
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Invalid argument to date encode");
    }
    EXPECT_THROW(EncodeDate(2100, 2, 29), EConvertError);
}

TEST(Calendar, KnownDayNumbers) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1899, 12, 31), 1.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(1900, 3, 1), 61.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(2000, 3, 1), 36586.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7); // a Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(2000, 3, 1)), 4);   // a Wednesday
    EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);      // a Monday (proleptic Gregorian)
}

TEST(Calendar, EveryDayRoundTrips) {
    // Decoding is the inverse of encoding over the whole range, 400-year cycle edges included.
    int year = 1, month = 1, day = 1;
    for (double d = EncodeDate(1, 1, 1); d <= EncodeDate(9999, 12, 31); d += 1) {
        int y, m, dd, dow;
        DecodeDateFully(d, y, m, dd, dow);
        ASSERT_TRUE(y == year && m == month && dd == day) << d << ": " << y << "-" << m << "-" << dd;
        ASSERT_EQ(EncodeDate(y, m, dd), d);
        if (++day > DaysInAMonth(year, month)) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
    EXPECT_EQ(year, 10000);
}

TEST(Calendar, InvalidValuesRaise) {
    for (auto [y, m, d] :
         {std::tuple{0, 1, 1}, {10000, 1, 1}, {2000, 0, 1}, {2000, 13, 1}, {2000, 1, 0}, {2000, 4, 31}}) {
        EXPECT_THROW(EncodeDate(y, m, d), EConvertError) << y << "-" << m << "-" << d;
        TDateTime v = 42;
        EXPECT_FALSE(TryEncodeDate(y, m, d, v));
        EXPECT_EQ(v, 42.0);
    }
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 60, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
    EXPECT_THROW(EncodeTime(-1, 0, 0, 0), EConvertError);
    try {
        EncodeTime(25, 0, 0, 0);
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Invalid argument to time encode");
    }
    EXPECT_DOUBLE_EQ(EncodeTime(18, 0, 0, 0), 0.75);
    EXPECT_DOUBLE_EQ(EncodeTime(23, 59, 59, 999), 86399999.0 / 86400000.0);
}

TEST(NegativeDates, IntegralPartIsTheDayFractionIsTheTime) {
    const TDateTime t = EncodeDateTime(1899, 12, 29, 6, 0, 0, 0);
    EXPECT_DOUBLE_EQ(t, -1.25);
    int y, m, d, h, n, s, ms;
    DecodeDateTime(-1.25, y, m, d, h, n, s, ms);
    EXPECT_EQ(y, 1899);
    EXPECT_EQ(m, 12);
    EXPECT_EQ(d, 29);
    EXPECT_EQ(h, 6);
    EXPECT_EQ(n, 0);
    // Day 0 with a "negative" fraction is still day 0.
    DecodeDateTime(-0.25, y, m, d, h, n, s, ms);
    EXPECT_EQ(d, 30);
    EXPECT_EQ(h, 6);
    EXPECT_EQ(DateTimeToStr(-1.25), "1899-12-29 06:00:00");
    EXPECT_DOUBLE_EQ(StrToDateTime("1899-12-29 06:00:00"), -1.25);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1, 1, 1, 12, 0, 0, 0), -693593.5);
}

TEST(TimeStamps, DayZeroIs693594) {
    const TTimeStamp zero = DateTimeToTimeStamp(0.0);
    EXPECT_EQ(zero.Date, 693594);
    EXPECT_EQ(zero.Time, 0);
    EXPECT_EQ(TimeStampToDateTime({0, 693594}), 0.0);
    EXPECT_EQ(TimeStampToDateTime({0, 1}), EncodeDate(1, 1, 1));
    EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(1, 1, 1)).Date, 1);

    const TTimeStamp t = DateTimeToTimeStamp(EncodeDateTime(2000, 3, 1, 12, 30, 15, 250));
    EXPECT_EQ(t.Date, 693594 + 36586);
    EXPECT_EQ(t.Time, 45015250);
    const TTimeStamp n = DateTimeToTimeStamp(-1.25);
    EXPECT_EQ(n.Date, 693593);
    EXPECT_EQ(n.Time, 21600000);
    EXPECT_DOUBLE_EQ(TimeStampToDateTime(n), -1.25);
}

TEST(TimeStamps, MillisecondArithmeticBothWays) {
    for (TDateTime v :
         {TDateTime(0.0), EncodeDateTime(2000, 3, 1, 12, 30, 15, 250), EncodeDateTime(1, 1, 1, 0, 0, 0, 1),
          EncodeDateTime(9999, 12, 31, 23, 59, 59, 999), TDateTime(-1.25)}) {
        const TTimeStamp ts = DateTimeToTimeStamp(v);
        const double ms = TimeStampToMSecs(ts);
        EXPECT_EQ(ms, static_cast<double>(ts.Date) * 86400000.0 + ts.Time);
        const TTimeStamp back = MSecsToTimeStamp(ms);
        EXPECT_EQ(back.Date, ts.Date);
        EXPECT_EQ(back.Time, ts.Time);
        EXPECT_NEAR(TimeStampToDateTime(back), v, 1e-9);
    }
    EXPECT_EQ(TimeStampToMSecs({45015250, 730180}), 730180.0 * 86400000.0 + 45015250.0);
    const TTimeStamp cut = MSecsToTimeStamp(86400000.0 * 5 + 1.9); // a fraction is cut off
    EXPECT_EQ(cut.Date, 5);
    EXPECT_EQ(cut.Time, 1);
    EXPECT_THROW(MSecsToTimeStamp(-1), EConvertError);
    EXPECT_THROW(MSecsToTimeStamp(std::nan("")), EConvertError);
    EXPECT_THROW(MSecsToTimeStamp(std::numeric_limits<double>::infinity()), EConvertError);
    EXPECT_THROW(MSecsToTimeStamp(1e30), EConvertError);
    EXPECT_THROW(DateTimeToTimeStamp(std::nan("")), EConvertError);
    EXPECT_THROW(DateTimeToTimeStamp(1e300), EConvertError);
}

TEST(TimeStamps, RoundingToTheMillisecondCarriesIntoTheNextDay) {
    const TTimeStamp ts = DateTimeToTimeStamp(1.0 - 1e-12);
    EXPECT_EQ(ts.Date, 693595);
    EXPECT_EQ(ts.Time, 0);
    int h, n, s, ms;
    DecodeTime(EncodeTime(10, 20, 30, 400), h, n, s, ms);
    EXPECT_EQ(h, 10);
    EXPECT_EQ(n, 20);
    EXPECT_EQ(s, 30);
    EXPECT_EQ(ms, 400);
}

TEST(TimeStamps, Validation) {
    EXPECT_NO_THROW(ValidateTimeStamp({0, 1}));
    EXPECT_NO_THROW(ValidateTimeStamp({86399999, 693594}));
    EXPECT_THROW(ValidateTimeStamp({86400000, 1}), EConvertError);
    EXPECT_THROW(ValidateTimeStamp({-1, 1}), EConvertError);
    try {
        ValidateTimeStamp({5, 0});
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'5.0' is not a valid timestamp");
    }
    // TimeStampToDateTime itself is plain arithmetic, so callers can fall back on {0, 0}.
    EXPECT_EQ(TimeStampToDateTime({0, 0}), -693594.0);
}

TEST(DateText, DefaultFormat) {
    const TDateTime v = EncodeDateTime(2000, 3, 1, 12, 30, 15, 250);
    EXPECT_EQ(DateTimeToStr(v), "2000-03-01 12:30:15");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2000, 3, 1)), "2000-03-01"); // midnight: no time
    EXPECT_EQ(DateToStr(v), "2000-03-01");
    EXPECT_EQ(TimeToStr(v), "12:30:15");
    EXPECT_EQ(DateTimeToStr(0.75), "1899-12-30 18:00:00");
}

TEST(DateText, FormatDateTimeSpecifiers) {
    const TDateTime v = EncodeDateTime(2000, 3, 1, 14, 5, 9, 7);
    EXPECT_EQ(FormatDateTime("dddd, d mmmm yyyy", v), "Wednesday, 1 March 2000");
    EXPECT_EQ(FormatDateTime("ddd dd mmm yy", v), "Wed 01 Mar 00");
    EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", v), "14:05:09.007");
    EXPECT_EQ(FormatDateTime("h:m:s.z", v), "14:5:9.7");
    EXPECT_EQ(FormatDateTime("hh:mm", v), "14:05"); // m after h means minutes
    EXPECT_EQ(FormatDateTime("h:mm am/pm", v), "2:05 pm");
    EXPECT_EQ(FormatDateTime("h:mm AM/PM", EncodeTime(0, 30, 0, 0)), "12:30 AM");
    EXPECT_EQ(FormatDateTime("h A/P", v), "2 P");
    EXPECT_EQ(FormatDateTime("hh ampm", v), "02 PM");
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd 'at' t", v), "2000-03-01 at 14:05");
    EXPECT_EQ(FormatDateTime("\"d\" d", v), "d 1");
    EXPECT_EQ(FormatDateTime("ddddd|dddddd|tt", v), "2000-03-01|Wednesday, 1 March 2000|14:05:09");
    EXPECT_EQ(FormatDateTime("c", v), "2000-03-01 14:05:09");
    EXPECT_EQ(FormatDateTime("", v), "2000-03-01 14:05:09");
    EXPECT_EQ(FormatDateTime("'unterminated", v), "unterminated");

    TFormatSettings loop; // a format that refers to itself must not recurse forever
    loop.ShortDateFormat = "c";
    EXPECT_FALSE(FormatDateTime("c", v, loop).empty());
}

TEST(DateText, ParsesWhatItPrints) {
    for (TDateTime v :
         {EncodeDateTime(2000, 3, 1, 12, 30, 15, 0), EncodeDateTime(1, 1, 1, 0, 0, 1, 0),
          EncodeDateTime(9999, 12, 31, 23, 59, 59, 0), EncodeDate(1900, 2, 28), TDateTime(-1.25)}) {
        EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(v)), v) << DateTimeToStr(v);
    }
    EXPECT_DOUBLE_EQ(StrToDate(" 2000-03-01 "), EncodeDate(2000, 3, 1));
    EXPECT_DOUBLE_EQ(StrToTime("12:30"), EncodeTime(12, 30, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime("12:30:15.5"), EncodeTime(12, 30, 15, 500));
    EXPECT_DOUBLE_EQ(StrToTime("12:30:15.0456"), EncodeTime(12, 30, 15, 45));
    EXPECT_DOUBLE_EQ(StrToTime("10 PM"), EncodeTime(22, 0, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime("12:00 am"), 0.0);
    EXPECT_DOUBLE_EQ(StrToTime("12:30 pm"), EncodeTime(12, 30, 0, 0));
    EXPECT_DOUBLE_EQ(StrToDateTime("10:30"), EncodeTime(10, 30, 0, 0));
    EXPECT_DOUBLE_EQ(StrToDateTime("2000-03-01 10:30 PM"), EncodeDateTime(2000, 3, 1, 22, 30, 0, 0));

    int year, m, d;
    DecodeDate(Date(), year, m, d);
    EXPECT_DOUBLE_EQ(StrToDate("03-01"), EncodeDate(year, 3, 1)); // no year: this year
}

TEST(DateText, RejectsWhatIsNoDate) {
    for (const char* bad : {"", "2000", "2000-02-30", "2000-13-01", "2000/03/01", "2000-03-01x", "abc",
                            "-1-1-1", "99999999999-1-1"}) {
        EXPECT_THROW(StrToDate(bad), EConvertError) << bad;
    }
    for (const char* bad : {"", "10", "24:00", "12:60", "13:00 PM", "0 AM", "12:", "1:2:3.", "12:30 XM"}) {
        EXPECT_THROW(StrToTime(bad), EConvertError) << bad;
    }
    EXPECT_THROW(StrToDateTime("2000-03-01 25:00"), EConvertError);
    EXPECT_THROW(StrToDateTime("2000-03-01 12:00 extra"), EConvertError);
    try {
        StrToDate("2000-02-30");
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'2000-02-30' is not a valid date");
    }
    try {
        StrToDateTime("x");
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid date and time");
    }
}

TEST(DateText, SettingsChangeTheText) {
    TFormatSettings fs;
    fs.ShortDateFormat = "dd/mm/yyyy";
    fs.DateSeparator = '.';
    fs.LongTimeFormat = "hh:nn:ss";
    fs.TimeSeparator = ':';
    fs.DecimalSeparator = ',';
    const TDateTime v = EncodeDateTime(2000, 3, 1, 8, 0, 0, 0);
    EXPECT_EQ(DateTimeToStr(v, fs), "01.03.2000 08:00:00");
    EXPECT_DOUBLE_EQ(StrToDateTime("1.3.2000 08:00:00", fs), v);
    EXPECT_DOUBLE_EQ(StrToTime("08:00:00,25", fs), EncodeTime(8, 0, 0, 250));
    EXPECT_THROW(StrToDate("2000-03-01", fs), EConvertError);

    fs.ShortDateFormat = "m/d/yy";
    fs.DateSeparator = '/';
    EXPECT_EQ(DateToStr(v, fs), "3/1/00");
    EXPECT_DOUBLE_EQ(StrToDate("3/1/2000", fs), EncodeDate(2000, 3, 1));

    // Two-digit years: window 0 puts them in the current century.
    int year, m, d;
    DecodeDate(Date(), year, m, d);
    fs.TwoDigitYearCenturyWindow = 0;
    EXPECT_DOUBLE_EQ(StrToDate("3/1/05", fs), EncodeDate(year / 100 * 100 + 5, 3, 1));
    // Window 50: within 50 years back of now, else the next century.
    fs.TwoDigitYearCenturyWindow = 50;
    const int pivot = year - 50;
    int expected = pivot / 100 * 100 + 5;
    if (expected < pivot) expected += 100;
    EXPECT_DOUBLE_EQ(StrToDate("3/1/05", fs), EncodeDate(expected, 3, 1));

    // The global settings are what the plain routines use.
    const TFormatSettings saved = FormatSettings;
    FormatSettings.ShortDateFormat = "dd/mm/yyyy";
    FormatSettings.DateSeparator = '.';
    EXPECT_EQ(DateToStr(v), "01.03.2000");
    FormatSettings = saved;
    EXPECT_EQ(DateToStr(v), "2000-03-01");
}

TEST(Clock, NowIsTodayPlusTheTime) {
    const TDateTime before = Now();
    const TDateTime today = Date();
    const TDateTime time = Time();
    EXPECT_EQ(today, std::floor(today));
    EXPECT_GE(time, 0.0);
    EXPECT_LT(time, 1.0);
    EXPECT_GE(today + 1, before); // allows for midnight passing during the test
    EXPECT_GT(before, EncodeDate(2020, 1, 1));
}

} // namespace
