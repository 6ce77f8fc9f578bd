// The time-stamp record conversions, read on every fetched date column and written for every bound
// time stamp: compared, bit for bit, with the framework's calendar routines over every year, month
// and day a record can name (valid and not), every time of day and beyond, and for writing over
// the whole range of values, so the direct day counts cannot drift from them.
#include "asa/AsaTimeStamp.h"

#include "platform/vcl/DateTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using tnx::GetAsaTimeStamp;
using tnx::GetAsaTimeStampParts;
using tnx::PutAsaTimeStamp;
using tnx::Tsqldatetime;

namespace {

// The conversion spelled out with the calendar routines: a record whose time or date they refuse
// is 0; a record without a date is the time of day; before 1899-12-30 the time is subtracted.
double ThroughCalendar(const Tsqldatetime& rec) {
    vcl::TDateTime t;
    if (!vcl::TryEncodeTime(rec.hour, rec.minute, rec.second, 0, t)) return 0.0;
    if (rec.year == 0 && rec.month == 0 && rec.day == 0) return t.Value;
    vcl::TDateTime d;
    if (!vcl::TryEncodeDate(rec.year, rec.month + 1, rec.day, d)) return 0.0;
    return d.Value >= 0 ? d.Value + t.Value : d.Value - t.Value;
}

Tsqldatetime Record(int year, int month, int day, int hour, int minute, int second) {
    Tsqldatetime rec;
    std::memset(&rec, 0, sizeof rec);
    rec.year = static_cast<uint16_t>(year);
    rec.month = static_cast<uint8_t>(month);
    rec.day = static_cast<uint8_t>(day);
    rec.hour = static_cast<uint8_t>(hour);
    rec.minute = static_cast<uint8_t>(minute);
    rec.second = static_cast<uint8_t>(second);
    return rec;
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Whether GetAsaTimeStampParts gives what the date-time's round trip gives.
bool PartsMatchRoundTrip(const Tsqldatetime& rec) {
    const vcl::TTimeStamp want = vcl::DateTimeToTimeStamp(GetAsaTimeStamp(rec));
    const vcl::TTimeStamp got = GetAsaTimeStampParts(rec);
    return got.Date == want.Date && got.Time == want.Time;
}

} // namespace

TEST(AsaTimeStamp, EveryDateOfTheCalendarAndAroundItMatchesTheCalendarRoutines) {
    // Years 0 .. 10000 (0 and 10000 are outside), months 0 .. 12 (12 is invalid), days 0 .. 32, at
    // midnight, at noon (which lies on the other side of a day before 1899-12-30) and at the last
    // second of a day.
    const int times[][3] = {{0, 0, 0}, {12, 0, 0}, {23, 59, 59}};
    long mismatches = 0, checked = 0, valid = 0;
    for (int year = 0; year <= 10000; ++year)
        for (int month = 0; month <= 12; ++month)
            for (int day = 0; day <= 32; ++day)
                for (const auto& t : times) {
                    const Tsqldatetime rec = Record(year, month, day, t[0], t[1], t[2]);
                    const double want = ThroughCalendar(rec);
                    const double got = GetAsaTimeStamp(rec).Value;
                    ++checked;
                    if (want != 0.0) ++valid;
                    if (!SameBits(got, want) && ++mismatches <= 5)
                        ADD_FAILURE() << year << "-" << month + 1 << "-" << day << " " << t[0] << ":" << t[1]
                                      << ":" << t[2] << ": " << got << " instead of " << want;
                    if (!PartsMatchRoundTrip(rec) && ++mismatches <= 5)
                        ADD_FAILURE() << year << "-" << month + 1 << "-" << day << " " << t[0] << ":" << t[1]
                                      << ":" << t[2] << ": the time stamp's parts differ";
                }
    EXPECT_EQ(mismatches, 0) << "of " << checked;
    // Every day from 0001-01-01 to 9999-12-31 at the three times, less 1899-12-30 at midnight (which
    // is 0), plus the two pure times that are not midnight.
    EXPECT_EQ(valid, 3L * 3652059 - 1 + 2);
}

TEST(AsaTimeStamp, EveryTimeOfDayAndOutOfRangeFieldsMatchTheCalendarRoutines) {
    // Hours, minutes and seconds past their ranges, on a date after 1899-12-30, one before it, the
    // day 1899-12-30 itself, and without a date (a pure time).
    const int dates[][3] = {{2024, 1, 29}, {1850, 0, 2}, {1899, 11, 30}, {0, 0, 0}, {0, 0, 1}};
    long mismatches = 0;
    for (const auto& d : dates)
        for (int hour = 0; hour <= 25; ++hour)
            for (int minute = 0; minute <= 61; ++minute)
                for (int second = 0; second <= 61; ++second) {
                    const Tsqldatetime rec = Record(d[0], d[1], d[2], hour, minute, second);
                    const double want = ThroughCalendar(rec);
                    const double got = GetAsaTimeStamp(rec).Value;
                    if (!SameBits(got, want) && ++mismatches <= 5)
                        ADD_FAILURE() << d[0] << "-" << d[1] + 1 << "-" << d[2] << " " << hour << ":"
                                      << minute << ":" << second << ": " << got << " instead of " << want;
                }
    EXPECT_EQ(mismatches, 0);
    // Fields the conversion does not read change nothing; microseconds add to the time (a field
    // past its range is not read); byte values past every range are refused.
    Tsqldatetime rec = Record(2001, 6, 4, 13, 14, 15);
    const double plain = GetAsaTimeStamp(rec).Value;
    rec.day_of_week = 6;
    rec.day_of_year = 400;
    EXPECT_TRUE(SameBits(GetAsaTimeStamp(rec).Value, plain));
    rec.microsecond = 250000;
    EXPECT_TRUE(SameBits(GetAsaTimeStamp(rec).Value,
                         vcl::EncodeDate(2001, 7, 4).Value + vcl::EncodeTime(13, 14, 15, 250).Value));
    rec.microsecond = 999999;
    EXPECT_NEAR((GetAsaTimeStamp(rec).Value - plain) * vcl::MSecsPerDay, 999.999, 1e-4);
    rec.microsecond = 1000000;
    EXPECT_TRUE(SameBits(GetAsaTimeStamp(rec).Value, plain));
    EXPECT_EQ(GetAsaTimeStamp(Record(2001, 255, 4, 0, 0, 0)).Value, 0.0);
    EXPECT_EQ(GetAsaTimeStamp(Record(2001, 6, 255, 0, 0, 0)).Value, 0.0);
    EXPECT_EQ(GetAsaTimeStamp(Record(65535, 6, 4, 0, 0, 0)).Value, 0.0);
    EXPECT_EQ(GetAsaTimeStamp(Record(0, 0, 0, 255, 0, 0)).Value, 0.0);
}

TEST(AsaTimeStamp, PutFillsEveryFieldAsTheCalendarRoutinesDoAcrossTheRange) {
    // The record is filled in one pass; each field must be what the calendar routines give,
    // on leap days, at year ends, before 1899-12-30, before the first day and out of range.
    int checked = 0;
    for (double v = -700000.0; v < 2960000.0; v += 997.37) {
        for (double step : {0.0, 0.5, 0.999, 59.0, 365.25}) {
            const vcl::TDateTime dt(v + step);
            Tsqldatetime rec;
            std::memset(&rec, 0x5A, sizeof rec);
            PutAsaTimeStamp(dt, rec);
            int year, month, day, hour, minute, second, msec;
            vcl::DecodeDateTime(dt, year, month, day, hour, minute, second, msec);
            int dayOfYear = day - 1;
            for (int m = 1; m < month; ++m) dayOfYear += vcl::DaysInAMonth(year, m);
            ASSERT_EQ(rec.hour, hour) << v + step;
            ASSERT_EQ(rec.minute, minute) << v + step;
            ASSERT_EQ(rec.second, second) << v + step;
            ASSERT_EQ(static_cast<uint32_t>(rec.microsecond), static_cast<uint32_t>(msec) * 1000u) << v + step;
            if (std::trunc(dt.Value) == 0) continue;
            ASSERT_EQ(rec.year, static_cast<uint16_t>(year)) << v + step;
            ASSERT_EQ(rec.month, static_cast<uint8_t>(month - 1)) << v + step;
            ASSERT_EQ(rec.day, static_cast<uint8_t>(day)) << v + step;
            ASSERT_EQ(rec.day_of_week, static_cast<uint8_t>(vcl::DayOfWeek(dt) - 1)) << v + step;
            ASSERT_EQ(rec.day_of_year, static_cast<uint16_t>(dayOfYear)) << v + step;
            ++checked;
        }
    }
    EXPECT_GT(checked, 18000);
    // Beyond the time stamp's range nothing is written.
    Tsqldatetime rec;
    std::memset(&rec, 0x5A, sizeof rec);
    PutAsaTimeStamp(vcl::TDateTime(1e300), rec);
    EXPECT_EQ(rec.year, 0);
    EXPECT_EQ(rec.hour, 0);
}

TEST(AsaTimeStamp, PartsMatchTheRoundTripForEveryFractionOfASecond) {
    // Whole milliseconds (counted directly), fractions of one and out-of-range microseconds (through
    // the date-time), on dates on both sides of 1899-12-30, at its first day, the calendar's ends,
    // and on a time of day alone.
    const int dates[][3] = {{2024, 1, 29}, {1850, 0, 2},   {1899, 11, 30},
                            {1, 0, 1},     {9999, 11, 31}, {0, 0, 0}};
    const uint32_t micros[] = {0,      1,      499,    500,    501,    999,     1000,       1500,
                               250000, 999000, 999499, 999500, 999999, 1000000, 0x7fffffff, 0xffffffff};
    long mismatches = 0;
    for (const auto& d : dates)
        for (int hour : {0, 12, 23})
            for (uint32_t micro : micros) {
                Tsqldatetime rec = Record(d[0], d[1], d[2], hour, 59, 59);
                std::memcpy(&rec.microsecond, &micro, sizeof micro);
                if (!PartsMatchRoundTrip(rec) && ++mismatches <= 5)
                    ADD_FAILURE() << d[0] << "-" << d[1] + 1 << "-" << d[2] << " " << hour << ":59:59 and "
                                  << micro << " microseconds: the parts differ";
            }
    EXPECT_EQ(mismatches, 0);
    const vcl::TTimeStamp parts = GetAsaTimeStampParts(Record(2024, 1, 29, 13, 14, 15));
    EXPECT_EQ(parts.Date, 738945);
    EXPECT_EQ(parts.Time, 13 * 3600000 + 14 * 60000 + 15 * 1000);
}
