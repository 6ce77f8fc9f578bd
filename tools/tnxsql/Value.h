// Values that cross between the SQL tool and its database backend: the portable column types, the
// calendar record for dates and times, and Cell, one value of a row or of a parameter.
//
// Cell is built for the fetch loop: it is trivially copyable, 24 bytes, and never allocates. Numbers,
// booleans and dates live inside it; text and binary values are a view (pointer and length) into
// memory that whoever made the cell owns (a result set's row buffer, a parameter's storage). How long
// that memory stays valid is part of the contract of whoever hands the cell out (see Backend.h).
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace tnxsql {

// Declared type of a result column, as the library's portable field types describe it.
enum class ColumnType : uint8_t {
    Unknown,    // a type the library could not map; values still arrive as cells of some kind
    Text,       // text of ordinary length
    Integer,    // integer of up to 64 bits
    Float,      // floating point (fixed-point money arrives as Float too)
    Date,       // date only
    Time,       // time of day only
    DateTime,   // date and time
    Boolean,    // true or false
    Binary,     // bytes of ordinary length
    LongText,   // long text (read whole into the cell)
    LongBinary, // long binary (read whole into the cell)
};

// Lower-case name of a column type ("text", "integer", ...), for listings and messages.
std::string_view ColumnTypeName(ColumnType t);

// True for the types whose values are numbers and so line up on the right in tables.
inline constexpr bool IsNumericType(ColumnType t) {
    return t == ColumnType::Integer || t == ColumnType::Float;
}

// A calendar value. Which fields count depends on the cell kind: a Date uses Year, Month and Day;
// a Time uses Hour, Minute, Second and Microsecond; a DateTime uses all of them. Unused fields are 0.
// Invariant (not checked here, guaranteed by whoever builds it): Month 1..12, Day 1..31, Hour 0..23,
// Minute 0..59, Second 0..59, Microsecond 0..999999. Plain data: write Timestamp{} for all zeros.
struct Timestamp {
    int32_t Year;
    uint8_t Month;
    uint8_t Day;
    uint8_t Hour;
    uint8_t Minute;
    uint8_t Second;
    uint32_t Microsecond;
};
static_assert(sizeof(Timestamp) == 16);

// What a cell holds. Null is its own kind, so that NULL is never confused with an empty text or 0.
enum class CellKind : uint8_t { Null, Integer, Float, Boolean, Text, Binary, Date, Time, DateTime };

// One value. The default cell is NULL.
class Cell {
public:
    constexpr Cell() noexcept : FKind(CellKind::Null) {}

    static constexpr Cell Null() noexcept { return Cell(); }
    static constexpr Cell Integer(int64_t v) noexcept {
        Cell c(CellKind::Integer);
        c.FU.I = v;
        return c;
    }
    static constexpr Cell Float(double v) noexcept {
        Cell c(CellKind::Float);
        c.FU.F = v;
        return c;
    }
    static constexpr Cell Boolean(bool v) noexcept {
        Cell c(CellKind::Boolean);
        c.FU.B = v;
        return c;
    }
    // Text and binary cells view the bytes given; the caller keeps them alive while the cell is used.
    static constexpr Cell Text(std::string_view v) noexcept { return Bytes(CellKind::Text, v); }
    static constexpr Cell Binary(std::string_view v) noexcept { return Bytes(CellKind::Binary, v); }
    static constexpr Cell Date(int32_t year, uint8_t month, uint8_t day) noexcept {
        Cell c(CellKind::Date);
        c.FU.T = Timestamp{year, month, day, 0, 0, 0, 0};
        return c;
    }
    static constexpr Cell Time(uint8_t hour, uint8_t minute, uint8_t second, uint32_t micro = 0) noexcept {
        Cell c(CellKind::Time);
        c.FU.T = Timestamp{0, 0, 0, hour, minute, second, micro};
        return c;
    }
    static constexpr Cell DateTime(const Timestamp& ts) noexcept {
        Cell c(CellKind::DateTime);
        c.FU.T = ts;
        return c;
    }

    constexpr CellKind Kind() const noexcept { return FKind; }
    constexpr bool IsNull() const noexcept { return FKind == CellKind::Null; }

    // Accessors; each asserts the kind it reads.
    constexpr int64_t AsInteger() const noexcept {
        assert(FKind == CellKind::Integer);
        return FU.I;
    }
    constexpr double AsFloat() const noexcept {
        assert(FKind == CellKind::Float);
        return FU.F;
    }
    constexpr bool AsBoolean() const noexcept {
        assert(FKind == CellKind::Boolean);
        return FU.B;
    }
    // The bytes of a Text or Binary cell.
    constexpr std::string_view AsBytes() const noexcept {
        assert(FKind == CellKind::Text || FKind == CellKind::Binary);
        return std::string_view(FU.S.P, FU.S.N);
    }
    // The calendar value of a Date, Time or DateTime cell.
    constexpr const Timestamp& AsTimestamp() const noexcept {
        assert(FKind == CellKind::Date || FKind == CellKind::Time || FKind == CellKind::DateTime);
        return FU.T;
    }

private:
    constexpr explicit Cell(CellKind k) noexcept : FKind(k) {}
    static constexpr Cell Bytes(CellKind k, std::string_view v) noexcept {
        Cell c(k);
        c.FU.S = {v.data(), v.size()};
        return c;
    }

    struct ByteView {
        const char* P;
        size_t N;
    };
    union {
        int64_t I = 0;
        double F;
        bool B;
        ByteView S;
        Timestamp T;
    } FU;
    CellKind FKind;
};
static_assert(std::is_trivially_copyable_v<Cell>);
static_assert(sizeof(Cell) <= 24);

// One result column.
struct Column {
    std::string Name;                      // as the library describes it; may be empty or repeated
    ColumnType Type = ColumnType::Unknown; // declared type
    int32_t Length = 0;                    // declared length or display width, 0 when unknown
    bool Nullable = true;                  // the column accepts NULL
    int32_t Scale = -1;                    // digits after the point of a fixed-point column, else -1
};

} // namespace tnxsql
