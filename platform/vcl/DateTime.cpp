// Dates and times: calendar arithmetic over day numbers, time stamps, the clock and date-time
// text in both directions (see DateTime.h).
#include "platform/vcl/DateTime.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/VclConsts.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <limits>

namespace vcl {

namespace {

constexpr int kMonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                   {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

// Days in 1, 4, 100 and 400 Gregorian years.
constexpr std::int32_t D1 = 365, D4 = D1 * 4 + 1, D100 = D4 * 25 - 1, D400 = D100 * 4 + 1;

// Year, month, day (all 0 before 0001-01-01) and day of week (1 = Sunday) of a day number.
void DecodeDayNumber(std::int32_t dayNumber, int& year, int& month, int& day, int& dow) {
    if (dayNumber <= 0) {
        year = month = day = dow = 0;
        return;
    }
    dow = dayNumber % 7 + 1;
    std::int32_t t = dayNumber - 1;
    int y = 1;
    y += 400 * (t / D400);
    t %= D400;
    std::int32_t i = t / D100, d = t % D100;
    if (i == 4) { // the last day of a 400-year cycle
        --i;
        d += D100;
    }
    y += i * 100;
    y += 4 * (d / D4);
    d %= D4;
    i = d / D1;
    d %= D1;
    if (i == 4) { // the last day of a leap cycle
        --i;
        d += D1;
    }
    y += i;
    const int* days = kMonthDays[IsLeapYear(y) ? 1 : 0];
    int m = 1;
    while (d >= days[m - 1]) {
        d -= days[m - 1];
        ++m;
    }
    year = y;
    month = m;
    day = static_cast<int>(d) + 1;
}

void DecodeMSecs(std::int32_t ms, int& hour, int& min, int& sec, int& msec) {
    hour = ms / 3600000;
    min = ms / 60000 % 60;
    sec = ms / 1000 % 60;
    msec = ms % 1000;
}

TDateTime Combine(double date, double time) {
    return date >= 0 ? date + time : date - time;
}

} // namespace

// --- Calendar ---------------------------------------------------------------------------------

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month) {
    if (month < 1 || month > 12) return 0;
    return kMonthDays[IsLeapYear(year) ? 1 : 0][month - 1];
}

// --- Encoding and decoding ------------------------------------------------------------------

bool TryEncodeDate(int year, int month, int day, TDateTime& value) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
        return false;
    const int* days = kMonthDays[IsLeapYear(year) ? 1 : 0];
    std::int32_t dayOfYear = day;
    for (int m = 1; m < month; ++m)
        dayOfYear += days[m - 1];
    const std::int32_t i = year - 1;
    value = static_cast<double>(i * 365 + i / 4 - i / 100 + i / 400 + dayOfYear - DateDelta);
    return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& value) {
    if (hour < 0 || hour >= 24 || min < 0 || min >= 60 || sec < 0 || sec >= 60 || msec < 0 || msec >= 1000)
        return false;
    value = static_cast<double>(hour * 3600000 + min * 60000 + sec * 1000 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime v;
    if (!TryEncodeDate(year, month, day, v)) throw EConvertError(SDateEncodeError);
    return v;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    TDateTime v;
    if (!TryEncodeTime(hour, min, sec, msec, v)) throw EConvertError(STimeEncodeError);
    return v;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec) {
    return Combine(EncodeDate(year, month, day), EncodeTime(hour, min, sec, msec));
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    int dow;
    DecodeDayNumber(DateTimeToTimeStamp(value).Date, year, month, day, dow);
}

bool DecodeDateFully(TDateTime value, int& year, int& month, int& day, int& dayOfWeek) {
    DecodeDayNumber(DateTimeToTimeStamp(value).Date, year, month, day, dayOfWeek);
    return year > 0 && IsLeapYear(year);
}

void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec) {
    DecodeMSecs(DateTimeToTimeStamp(value).Time, hour, min, sec, msec);
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec) {
    const TTimeStamp ts = DateTimeToTimeStamp(value);
    int dow;
    DecodeDayNumber(ts.Date, year, month, day, dow);
    DecodeMSecs(ts.Time, hour, min, sec, msec);
}

int DayOfWeek(TDateTime value) {
    const std::int32_t d = DateTimeToTimeStamp(value).Date;
    return (d % 7 + 7) % 7 + 1;
}

// --- Time stamps ------------------------------------------------------------------------------

TTimeStamp DateTimeToTimeStamp(TDateTime value) {
    const double ms = std::nearbyint(value.Value * MSecsPerDay);
    // Beyond about 5.8 million years the day no longer fits the record; reject rather than wrap.
    constexpr double kLimit =
        static_cast<double>(std::numeric_limits<std::int32_t>::max() - DateDelta) * MSecsPerDay;
    if (!(std::fabs(ms) < kLimit)) throw EConvertError(SInvalidDateTime, {FloatToStr(value.Value)});
    const auto total = static_cast<std::int64_t>(ms);
    TTimeStamp ts;
    ts.Date = static_cast<std::int32_t>(DateDelta + total / MSecsPerDay);
    ts.Time = static_cast<std::int32_t>((total < 0 ? -total : total) % MSecsPerDay);
    return ts;
}

TDateTime TimeStampToDateTime(const TTimeStamp& ts) {
    const std::int64_t days = static_cast<std::int64_t>(ts.Date) - DateDelta;
    const std::int64_t ms = days * MSecsPerDay + (days >= 0 ? ts.Time : -static_cast<std::int64_t>(ts.Time));
    return static_cast<double>(ms) / MSecsPerDay;
}

double TimeStampToMSecs(const TTimeStamp& ts) {
    return static_cast<double>(ts.Date) * MSecsPerDay + static_cast<double>(ts.Time);
}

TTimeStamp MSecsToTimeStamp(double msecs) {
    constexpr double kLimit =
        (static_cast<double>(std::numeric_limits<std::int32_t>::max()) + 1) * MSecsPerDay;
    if (!(msecs >= 0 && msecs < kLimit)) throw EConvertError(SInvalidMSecs, {FloatToStr(msecs)});
    const auto total = static_cast<std::int64_t>(msecs);
    TTimeStamp ts;
    ts.Date = static_cast<std::int32_t>(total / MSecsPerDay);
    ts.Time = static_cast<std::int32_t>(total % MSecsPerDay);
    return ts;
}

void ValidateTimeStamp(const TTimeStamp& ts) {
    if (ts.Time < 0 || ts.Time >= MSecsPerDay || ts.Date <= 0)
        throw EConvertError(SInvalidTimeStamp, {ts.Time, ts.Date});
}

// --- Clock ------------------------------------------------------------------------------------

TDateTime Now() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(now);
    const int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    localtime_r(&secs, &local);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec < 60 ? local.tm_sec : 59, ms < 0 ? 0 : ms);
}

TDateTime Date() {
    return std::trunc(Now().Value);
}

TDateTime Time() {
    const double now = Now().Value;
    return now - std::trunc(now);
}

// --- Formatting -------------------------------------------------------------------------------

namespace {

inline char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

bool StartsWithNoCase(std::string_view s, std::size_t pos, std::string_view token) {
    if (pos + token.size() > s.size()) return false;
    for (std::size_t i = 0; i < token.size(); ++i)
        if (Upper(s[pos + i]) != Upper(token[i])) return false;
    return true;
}

// Whether the format shows a 12-hour clock (holds an am/pm, a/p or ampm marker outside quotes).
bool UsesTwelveHours(std::string_view f) {
    for (std::size_t i = 0; i < f.size(); ++i) {
        const char c = f[i];
        if (c == '\'' || c == '"') {
            const std::size_t end = f.find(c, i + 1);
            if (end == std::string_view::npos) return false;
            i = end;
        } else if (StartsWithNoCase(f, i, "am/pm") || StartsWithNoCase(f, i, "a/p") ||
                   StartsWithNoCase(f, i, "ampm")) {
            return true;
        }
    }
    return false;
}

class DateFormatter {
public:
    DateFormatter(TDateTime value, const TFormatSettings& fs) : FSettings(fs) {
        const TTimeStamp ts = DateTimeToTimeStamp(value);
        DecodeDayNumber(ts.Date, FYear, FMonth, FDay, FDow);
        DecodeMSecs(ts.Time, FHour, FMin, FSec, FMSec);
    }

    void Append(AnsiString& out, std::string_view f, int depth = 0) {
        if (depth > 2) return; // formats that refer to themselves through 'c', 'ddddd', 't'
        if (f.empty()) f = "c";
        const bool twelve = UsesTwelveHours(f);
        char last = ' ';
        std::size_t i = 0;
        while (i < f.size()) {
            char token = Upper(f[i]);
            if (token >= 'A' && token <= 'Z') {
                if (token == 'M' && last == 'H') token = 'N'; // "h:mm": minutes, not the month
                last = token;
            }
            if (IsFieldToken(token)) {
                const std::size_t count = RunLength(f, i);
                AppendField(out, token, count, twelve, depth);
                i += count;
            } else {
                i += AppendLiteral(out, f, i);
            }
        }
    }

private:
    // Tokens that stand for a field of the date or time, written as a run of the same letter.
    static bool IsFieldToken(char token) {
        return std::string_view("YMNDHSZTC").find(token) != std::string_view::npos;
    }

    // How many times the letter at `i` repeats from there, whatever its case.
    static std::size_t RunLength(std::string_view f, std::size_t i) {
        std::size_t count = 1;
        while (i + count < f.size() && Upper(f[i + count]) == Upper(f[i]))
            ++count;
        return count;
    }

    // One field token repeated `count` times.
    void AppendField(AnsiString& out, char token, std::size_t count, bool twelve, int depth) {
        switch (token) {
        case 'Y':
            if (count <= 2)
                Number(out, FYear % 100, 2);
            else
                Number(out, FYear, 4);
            break;
        case 'M':
            if (count <= 2)
                Number(out, FMonth, count == 2 ? 2 : 1);
            else if (FMonth >= 1)
                out +=
                    count == 3 ? FSettings.ShortMonthNames[FMonth - 1] : FSettings.LongMonthNames[FMonth - 1];
            break;
        case 'D':
            AppendDay(out, count, depth);
            break;
        case 'C':
            Append(out, FSettings.ShortDateFormat, depth + 1);
            if (FHour != 0 || FMin != 0 || FSec != 0) {
                out += ' ';
                Append(out, FSettings.LongTimeFormat, depth + 1);
            }
            break;
        case 'H': {
            int h = FHour;
            if (twelve) {
                h %= 12;
                if (h == 0) h = 12;
            }
            Number(out, h, count >= 2 ? 2 : 1);
            break;
        }
        case 'N':
            Number(out, FMin, count >= 2 ? 2 : 1);
            break;
        case 'S':
            Number(out, FSec, count >= 2 ? 2 : 1);
            break;
        case 'Z':
            Number(out, FMSec, count >= 3 ? 3 : 1);
            break;
        case 'T':
            Append(out, count == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat, depth + 1);
            break;
        }
    }

    // d and dd: the day's number; ddd and dddd: the weekday's name; ddddd and dddddd: the short
    // and the long date format.
    void AppendDay(AnsiString& out, std::size_t count, int depth) {
        if (count <= 2)
            Number(out, FDay, count == 2 ? 2 : 1);
        else if (count <= 4) {
            if (FDow >= 1)
                out += count == 3 ? FSettings.ShortDayNames[FDow - 1] : FSettings.LongDayNames[FDow - 1];
        } else if (count == 5)
            Append(out, FSettings.ShortDateFormat, depth + 1);
        else
            Append(out, FSettings.LongDateFormat, depth + 1);
    }

    // What is not a field at f[i]: an am/pm marker, a separator, quoted text or a character that
    // stands for itself. Returns how many characters of the format it took.
    std::size_t AppendLiteral(AnsiString& out, std::string_view f, std::size_t i) {
        const char c = f[i];
        const bool lower = c == 'a';
        if (StartsWithNoCase(f, i, "am/pm")) {
            out += FHour >= 12 ? (lower ? "pm" : "PM") : (lower ? "am" : "AM");
            return 5;
        }
        if (StartsWithNoCase(f, i, "a/p")) {
            out += FHour >= 12 ? (lower ? 'p' : 'P') : (lower ? 'a' : 'A');
            return 3;
        }
        if (StartsWithNoCase(f, i, "ampm")) {
            out += FHour >= 12 ? FSettings.TimePMString : FSettings.TimeAMString;
            return 4;
        }
        if (c == '/') {
            out += FSettings.DateSeparator;
        } else if (c == ':') {
            out += FSettings.TimeSeparator;
        } else if (c == '\'' || c == '"') {
            const std::size_t end = f.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? f.size() : end;
            out.append(f.substr(i + 1, stop - i - 1));
            return (end == std::string_view::npos ? f.size() : end + 1) - i;
        } else {
            out += c;
        }
        return 1;
    }

    static void Number(AnsiString& out, int value, int digits) {
        AnsiString s = std::to_string(value);
        if (static_cast<int>(s.size()) < digits) out.append(static_cast<std::size_t>(digits) - s.size(), '0');
        out += s;
    }

    const TFormatSettings& FSettings;
    int FYear, FMonth, FDay, FDow, FHour, FMin, FSec, FMSec;
};

} // namespace

AnsiString FormatDateTime(std::string_view format, TDateTime value, const TFormatSettings& settings) {
    AnsiString out;
    DateFormatter(value, settings).Append(out, format);
    return out;
}
AnsiString FormatDateTime(std::string_view format, TDateTime value) {
    return FormatDateTime(format, value, FormatSettings);
}

AnsiString DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
    return FormatDateTime("c", value, settings);
}
AnsiString DateTimeToStr(TDateTime value) {
    return DateTimeToStr(value, FormatSettings);
}
AnsiString DateToStr(TDateTime value, const TFormatSettings& settings) {
    return FormatDateTime("ddddd", value, settings);
}
AnsiString DateToStr(TDateTime value) {
    return DateToStr(value, FormatSettings);
}
AnsiString TimeToStr(TDateTime value, const TFormatSettings& settings) {
    return FormatDateTime("tt", value, settings);
}
AnsiString TimeToStr(TDateTime value) {
    return TimeToStr(value, FormatSettings);
}

// --- Parsing ----------------------------------------------------------------------------------

namespace {

enum class DateOrder { MDY, DMY, YMD };

DateOrder OrderOf(std::string_view f) {
    for (std::size_t i = 0; i < f.size(); ++i) {
        const char c = Upper(f[i]);
        if (f[i] == '\'' || f[i] == '"') {
            const std::size_t end = f.find(f[i], i + 1);
            if (end == std::string_view::npos) break;
            i = end;
        } else if (c == 'D') {
            return DateOrder::DMY;
        } else if (c == 'Y') {
            return DateOrder::YMD;
        } else if (c == 'M') {
            return DateOrder::MDY;
        }
    }
    return DateOrder::MDY;
}

class Scanner {
public:
    explicit Scanner(std::string_view s) : FText(s) {}

    void SkipBlanks() {
        while (FPos < FText.size() && static_cast<unsigned char>(FText[FPos]) <= ' ')
            ++FPos;
    }
    bool AtEnd() const { return FPos >= FText.size(); }
    std::size_t Position() const { return FPos; }
    void Seek(std::size_t p) { FPos = p; }

    // Up to nine digits (so the value fits an int); 'digits' receives how many there were.
    bool Number(int& value, int& digits) {
        digits = 0;
        value = 0;
        while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') {
            if (digits == 9) return false;
            value = value * 10 + (FText[FPos++] - '0');
            ++digits;
        }
        return digits > 0;
    }

    // Digits after a decimal separator as milliseconds (first three digits, the rest ignored).
    bool Fraction(int& ms) {
        int digits = 0;
        ms = 0;
        while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') {
            if (digits < 3) ms = ms * 10 + (FText[FPos] - '0');
            ++digits;
            ++FPos;
        }
        for (int k = digits; k < 3; ++k)
            ms *= 10;
        return digits > 0;
    }

    bool Char(char c) {
        if (FPos < FText.size() && FText[FPos] == c) {
            ++FPos;
            return true;
        }
        return false;
    }

    bool Word(std::string_view w) {
        if (w.empty() || !StartsWithNoCase(FText, FPos, w)) return false;
        FPos += w.size();
        return true;
    }

private:
    std::string_view FText;
    std::size_t FPos = 0;
};

int CurrentYear() {
    int y, m, d;
    DecodeDate(Now(), y, m, d);
    return y;
}

bool ScanDate(Scanner& sc, TDateTime& value, const TFormatSettings& fs) {
    sc.SkipBlanks();
    int n[3] = {0, 0, 0}, len[3] = {0, 0, 0};
    if (!sc.Number(n[0], len[0]) || !sc.Char(fs.DateSeparator) || !sc.Number(n[1], len[1])) return false;
    int parts = 2;
    if (sc.Char(fs.DateSeparator)) {
        if (!sc.Number(n[2], len[2])) return false;
        parts = 3;
    }
    const DateOrder order = OrderOf(fs.ShortDateFormat);
    int y = 0, m = 0, d = 0, ylen = 4;
    if (parts == 3) {
        switch (order) {
        case DateOrder::MDY:
            m = n[0], d = n[1], y = n[2], ylen = len[2];
            break;
        case DateOrder::DMY:
            d = n[0], m = n[1], y = n[2], ylen = len[2];
            break;
        case DateOrder::YMD:
            y = n[0], m = n[1], d = n[2], ylen = len[0];
            break;
        }
        if (ylen <= 2) {
            const int window = fs.TwoDigitYearCenturyWindow;
            const int pivot = CurrentYear() - window;
            y += pivot / 100 * 100;
            if (window > 0 && y < pivot) y += 100;
        }
    } else {
        y = CurrentYear();
        if (order == DateOrder::DMY)
            d = n[0], m = n[1];
        else
            m = n[0], d = n[1];
    }
    return TryEncodeDate(y, m, d, value);
}

bool ScanTime(Scanner& sc, TDateTime& value, const TFormatSettings& fs) {
    sc.SkipBlanks();
    int h = 0, m = 0, s = 0, ms = 0, digits = 0;
    if (!sc.Number(h, digits)) return false;
    bool hourOnly = true;
    if (sc.Char(fs.TimeSeparator)) {
        hourOnly = false;
        if (!sc.Number(m, digits)) return false;
        if (sc.Char(fs.TimeSeparator)) {
            if (!sc.Number(s, digits)) return false;
            // A fraction of a second: ".5" is 500 ms; digits beyond the third are dropped.
            if ((sc.Char(fs.DecimalSeparator) || sc.Char('.')) && !sc.Fraction(ms)) return false;
        }
    }
    sc.SkipBlanks();
    int ampm = 0; // 1 AM, 2 PM
    if (sc.Word(fs.TimeAMString) || sc.Word("AM"))
        ampm = 1;
    else if (sc.Word(fs.TimePMString) || sc.Word("PM"))
        ampm = 2;
    if (hourOnly && ampm == 0) return false;
    if (ampm != 0) {
        if (h < 1 || h > 12) return false;
        if (h == 12) h = 0;
        if (ampm == 2) h += 12;
    }
    return TryEncodeTime(h, m, s, ms, value);
}

} // namespace

bool TryStrToDate(std::string_view s, TDateTime& value, const TFormatSettings& settings) {
    Scanner sc(s);
    TDateTime v;
    if (!ScanDate(sc, v, settings)) return false;
    sc.SkipBlanks();
    if (!sc.AtEnd()) return false;
    value = v;
    return true;
}

bool TryStrToTime(std::string_view s, TDateTime& value, const TFormatSettings& settings) {
    Scanner sc(s);
    TDateTime v;
    if (!ScanTime(sc, v, settings)) return false;
    sc.SkipBlanks();
    if (!sc.AtEnd()) return false;
    value = v;
    return true;
}

bool TryStrToDateTime(std::string_view s, TDateTime& value, const TFormatSettings& settings) {
    Scanner sc(s);
    TDateTime d;
    if (ScanDate(sc, d, settings)) {
        sc.SkipBlanks();
        if (sc.AtEnd()) {
            value = d;
            return true;
        }
        TDateTime t;
        if (!ScanTime(sc, t, settings)) return false;
        sc.SkipBlanks();
        if (!sc.AtEnd()) return false;
        value = Combine(d, t);
        return true;
    }
    return TryStrToTime(s, value, settings);
}

TDateTime StrToDate(std::string_view s, const TFormatSettings& settings) {
    TDateTime v;
    if (!TryStrToDate(s, v, settings)) throw EConvertError(SInvalidDate, {s});
    return v;
}
TDateTime StrToDate(std::string_view s) {
    return StrToDate(s, FormatSettings);
}

TDateTime StrToTime(std::string_view s, const TFormatSettings& settings) {
    TDateTime v;
    if (!TryStrToTime(s, v, settings)) throw EConvertError(SInvalidTime, {s});
    return v;
}
TDateTime StrToTime(std::string_view s) {
    return StrToTime(s, FormatSettings);
}

TDateTime StrToDateTime(std::string_view s, const TFormatSettings& settings) {
    TDateTime v;
    if (!TryStrToDateTime(s, v, settings)) throw EConvertError(SInvalidDateTime, {s});
    return v;
}
TDateTime StrToDateTime(std::string_view s) {
    return StrToDateTime(s, FormatSettings);
}

} // namespace vcl
