// Conversions between the framework's date-time value and the client library's 14-byte time-stamp
// record (the buffer format of type 390 in which the statement fetches and sends dates, times and
// time stamps).
//
// Guarantees:
//  - Neither function raises. GetAsaTimeStamp turns a record that holds no valid date or time into
//    0; PutAsaTimeStamp keeps whatever fields it had written when a value cannot be decoded.
//  - Fractions of a second travel as far as both sides hold them: PutAsaTimeStamp writes the
//    value's milliseconds into microsecond (as milliseconds times 1000), GetAsaTimeStamp adds the
//    record's microseconds to the time (a microsecond field of a million or more is not read).
//  - A record whose year, month and day are all 0 is a time of day, the way the library writes a
//    TIME value and reads one: PutAsaTimeStamp writes a value whose integral part is 0 so, and
//    GetAsaTimeStamp reads such a record back as that time of day (day 0 plus the time).
#pragma once

#include "platform/dblib/dblib.h"
#include "platform/vcl/DateTime.h"
#include "platform/vcl/SysTypes.h"

namespace tnx {

// The library's time-stamp record: year, month (0 = January), day of the week (0 = Sunday), day of
// the year (from 0), day, hour, minute, second and microsecond, packed into 14 bytes.
using Tsqldatetime = sqldatetime;
static_assert(sizeof(Tsqldatetime) == 14);

// The record as a date-time: date + time, or date - time for days before 1899-12-30 (where the
// time lies as a positive fraction away from the day); a time of day alone for a record without a
// date; 0 when the date or the time is not valid. day_of_week and day_of_year are not read.
vcl::TDateTime GetAsaTimeStamp(const Tsqldatetime& Rec);

// The record as the framework's time stamp: exactly DateTimeToTimeStamp(GetAsaTimeStamp(Rec)). A
// dataset's date and time fields hold their values in this form, so it runs for every such field
// a dataset reads; a valid date with whole milliseconds is counted straight from the record.
vcl::TTimeStamp GetAsaTimeStampParts(const Tsqldatetime& Rec);

// Fills the record from a date-time: every byte zeroed, then the time of day with its
// milliseconds and, unless the value's integral part is 0 (a pure time), the date with its day of
// the week and day of the year.
void PutAsaTimeStamp(vcl::TDateTime DT, Tsqldatetime& Rec);

} // namespace tnx
