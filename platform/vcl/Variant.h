// Variant: the framework's tagged value, the currency in which values cross between application,
// base classes and drivers. Its type codes are the OLE Automation variant types the product
// relies on (see the constants below).
//
// Guarantees:
//  - Numbers, booleans, dates and currency are held inline: building, copying or converting one
//    never allocates. Text is a std::string (small texts live inside it). No virtual calls.
//  - Value semantics: a copy is independent of the original. Variant arrays are shared between
//    copies and copied on the first write (PutElement, VarArrayLock for writing, VarArrayRedim),
//    so copying an array is cheap; an array that is locked is copied eagerly, so data written
//    through a lock pointer never shows in another Variant.
//  - Conversions follow the framework's rules and raise EVariantTypeCastError (an EVariantError)
//    when a value cannot become the type asked for, EVariantOverflowError when it is out of that
//    type's range. In particular:
//      Empty (Unassigned) converts to 0, 0.0, "", false and the zero date-time;
//      Null converts to nothing: every As*() of Null raises (VarToStr gives "" instead);
//      a boolean is -1 (true) or 0 (false) as a number and "True"/"False" as text;
//      text converts to a number when it is an integer or a floating point number (blanks around
//      it allowed; decimal separator of FormatSettings), to a boolean when it is "True"/"False"
//      (any case) or a number, to a date-time by StrToDateTime; "abc" to a number raises;
//      floating point to integer rounds to nearest, ties to even;
//      a date-time converts to text with DateTimeToStr, a double with FloatToStr (15 significant
//      digits), a single with 7 significant digits (a date-time too far out of range to have a
//      day number raises EConvertError from the date routines);
//      arrays convert to nothing but themselves.
//    Callers that want a fallback instead of an error catch EVariantError and EConvertError.
//  - C++ integer types map by size and signedness (int -> varInteger, int64_t -> varInt64,
//    size_t -> varUInt64, ...): pass std::int32_t where the 32-bit integer code is wanted.
//  - Wide text (varOleStr, code 8) is stored like single-byte text (varString, 0x100), as a
//    Windows-1252 std::string; the two differ only in their type code.
#pragma once

#include "platform/vcl/SysTypes.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iosfwd>
#include <new>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

namespace vcl {

using TVarType = std::uint16_t;

inline constexpr TVarType varEmpty = 0x0000;    // unassigned
inline constexpr TVarType varNull = 0x0001;     // SQL-like NULL
inline constexpr TVarType varSmallint = 0x0002; // 16-bit signed
inline constexpr TVarType varInteger = 0x0003;  // 32-bit signed
inline constexpr TVarType varSingle = 0x0004;   // 32-bit float
inline constexpr TVarType varDouble = 0x0005;   // 64-bit float
inline constexpr TVarType varCurrency = 0x0006; // Currency
inline constexpr TVarType varDate = 0x0007;     // TDateTime
inline constexpr TVarType varOleStr = 0x0008;   // wide text (held as Windows-1252 here)
inline constexpr TVarType varBoolean = 0x000B;
inline constexpr TVarType varVariant = 0x000C;  // only as an array element type
inline constexpr TVarType varShortInt = 0x0010; // 8-bit signed
inline constexpr TVarType varByte = 0x0011;     // 8-bit unsigned
inline constexpr TVarType varWord = 0x0012;     // 16-bit unsigned
inline constexpr TVarType varLongWord = 0x0013; // 32-bit unsigned
inline constexpr TVarType varInt64 = 0x0014;    // 64-bit signed
inline constexpr TVarType varUInt64 = 0x0015;   // 64-bit unsigned
inline constexpr TVarType varString = 0x0100;   // single-byte text
inline constexpr TVarType varTypeMask = 0x0FFF;
inline constexpr TVarType varArray = 0x2000; // flag: array of (code & varTypeMask)

// Bounds of one dimension of a variant array.
struct TVarArrayBound {
    std::int32_t LowBound;
    std::int32_t ElementCount;
};

class VarArrayData; // the shared, reference-counted body of a variant array (Variant.cpp)
class Variant;
// Comparison and printing behind Variant's operators (see "Comparison" below the class).
bool VarEquals(const Variant& a, const Variant& b);
bool VarLess(const Variant& a, const Variant& b);
std::ostream& PrintVariant(std::ostream& os, const Variant& v);

class Variant {
public:
    Variant() noexcept : FType(varEmpty), FInt(0) {}
    Variant(bool v) noexcept : FType(varBoolean), FInt(v ? 1 : 0) {}
    // Integers get the code of their size and signedness: int8 varShortInt, uint8 varByte,
    // int16 varSmallint, uint16 varWord, int32 varInteger, uint32 varLongWord, int64 varInt64,
    // uint64 varUInt64.
    template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>) Variant(T v)
    noexcept : FType(IntegerCode<T>()), FInt(static_cast<std::int64_t>(v)) {}
    // A single character becomes a one-character text.
    Variant(char c) : FType(varString) { new (&FStr) AnsiString(1, c); }
    Variant(float v) noexcept : FType(varSingle), FSingle(v) {}
    Variant(double v) noexcept : FType(varDouble), FDouble(v) {}
    Variant(TDateTime v) noexcept : FType(varDate), FDouble(v.Value) {}
    Variant(Currency v) noexcept : FType(varCurrency), FInt(v.Scaled) {}
    Variant(const char* s) : FType(varString) { new (&FStr) AnsiString(s ? s : ""); }
    Variant(std::string_view s) : FType(varString) { new (&FStr) AnsiString(s); }
    Variant(const AnsiString& s) : FType(varString) { new (&FStr) AnsiString(s); }
    Variant(AnsiString&& s) noexcept : FType(varString) { new (&FStr) AnsiString(std::move(s)); }

    // Copying and moving numbers is inline (a type code and eight bytes); text and arrays take
    // the out-of-line paths.
    Variant(const Variant& other) : FType(varEmpty), FInt(0) {
        if (other.IsManaged()) {
            CopyFrom(other);
        } else {
            FType = other.FType;
            std::memcpy(&FInt, &other.FInt, sizeof FInt);
        }
    }
    Variant(Variant&& other) noexcept : FType(varEmpty), FInt(0) {
        if (other.IsText()) {
            MoveFrom(other);
        } else { // numbers, or an array whose reference moves over
            FType = other.FType;
            std::memcpy(&FInt, &other.FInt, sizeof FInt);
            other.FType = varEmpty;
        }
    }
    Variant& operator=(const Variant& other) {
        if (IsManaged() || other.IsManaged()) return AssignSlow(other);
        FType = other.FType;
        std::memcpy(&FInt, &other.FInt, sizeof FInt);
        return *this;
    }
    Variant& operator=(Variant&& other) noexcept {
        if (IsManaged() || other.IsText()) return MoveAssignSlow(other);
        FType = other.FType;
        std::memcpy(&FInt, &other.FInt, sizeof FInt);
        other.FType = varEmpty;
        return *this;
    }
    ~Variant() {
        if (IsManaged()) Release();
    }

    // Text with the wide-string code (varOleStr).
    static Variant OleStr(AnsiString s);

    TVarType VarType() const noexcept { return FType; }
    bool IsEmpty() const noexcept { return FType == varEmpty; }
    bool IsNull() const noexcept { return FType == varNull; }
    bool IsArray() const noexcept { return (FType & varArray) != 0; }
    bool IsText() const noexcept { return FType == varString || FType == varOleStr; }
    // Makes the value Empty.
    void Clear() noexcept;

    // Conversions (see the file comment for the rules).
    std::int32_t AsInteger() const {
        return FType == varInteger ? static_cast<std::int32_t>(FInt) : AsIntegerSlow();
    }
    std::int64_t AsInt64() const { return FType == varInteger || FType == varInt64 ? FInt : AsInt64Slow(); }
    double AsDouble() const {
        return FType == varDouble    ? FDouble
               : FType == varInteger ? static_cast<double>(FInt)
                                     : AsDoubleSlow();
    }
    AnsiString AsString() const;
    bool AsBoolean() const;
    TDateTime AsDateTime() const;
    Currency AsCurrency() const;

    // The text itself, without a copy; raises EVariantTypeCastError when the value is not text.
    const AnsiString& TextRef() const;

    // Elements of a one-dimensional array (index within its bounds, else EVariantBadIndexError;
    // not an array: EVariantError). Put converts the value to the element type.
    Variant GetElement(std::int32_t index) const;
    Variant GetElement(std::span<const std::int32_t> indices) const;
    void PutElement(std::int32_t index, const Variant& value);
    void PutElement(std::span<const std::int32_t> indices, const Variant& value);
    Variant operator[](std::int32_t index) const { return GetElement(index); }
    // An element of an array of variants (varArray | varVariant), without a copy. The reference
    // is valid until this Variant is next changed.
    const Variant& ElementRef(std::int32_t index) const;

    friend bool operator==(const Variant& a, const Variant& b) { return VarEquals(a, b); }
    friend bool operator<(const Variant& a, const Variant& b) { return VarLess(a, b); }
    friend bool operator>(const Variant& a, const Variant& b) { return VarLess(b, a); }
    friend bool operator<=(const Variant& a, const Variant& b) { return !VarLess(b, a); }
    friend bool operator>=(const Variant& a, const Variant& b) { return !VarLess(a, b); }
    // Prints the value for diagnostics, e.g. "Integer 5", "String 'abc'", "Null".
    friend std::ostream& operator<<(std::ostream& os, const Variant& v) { return PrintVariant(os, v); }

private:
    template <class T>
    static constexpr TVarType IntegerCode() {
        if constexpr (std::is_signed_v<T>) {
            return sizeof(T) == 1   ? varShortInt
                   : sizeof(T) == 2 ? varSmallint
                   : sizeof(T) == 4 ? varInteger
                                    : varInt64;
        } else {
            return sizeof(T) == 1   ? varByte
                   : sizeof(T) == 2 ? varWord
                   : sizeof(T) == 4 ? varLongWord
                                    : varUInt64;
        }
    }
    // Text and arrays own resources; everything else is plain bits.
    bool IsManaged() const noexcept {
        return FType == varString || FType == varOleStr || (FType & varArray) != 0;
    }
    void Release() noexcept;
    void CopyFrom(const Variant& other);
    void MoveFrom(Variant& other) noexcept;
    Variant& AssignSlow(const Variant& other);
    Variant& MoveAssignSlow(Variant& other) noexcept;
    std::int32_t AsIntegerSlow() const;
    std::int64_t AsInt64Slow() const;
    double AsDoubleSlow() const;
    VarArrayData& ArrayBody() const; // raises unless an array
    VarArrayData& UniqueArrayBody(); // the same, copied first when shared

    friend class VariantAccess;

    // Invariant: FType selects the live member: FStr for varString/varOleStr, FArray for any
    // code with varArray, FSingle for varSingle, FDouble for varDouble/varDate, FInt otherwise
    // (integers sign- or zero-extended, varBoolean as 0/1, varCurrency as Currency::Scaled;
    // meaningless for varEmpty/varNull).
    TVarType FType;
    union {
        std::int64_t FInt;
        double FDouble;
        float FSingle;
        VarArrayData* FArray;
        AnsiString FStr;
    };
};

Variant Null();
Variant Unassigned();

inline TVarType VarType(const Variant& v) {
    return v.VarType();
}
inline bool VarIsNull(const Variant& v) {
    return v.IsNull();
}
inline bool VarIsEmpty(const Variant& v) {
    return v.IsEmpty();
}
inline bool VarIsArray(const Variant& v) {
    return v.IsArray();
}
inline bool VarIsStr(const Variant& v) {
    return v.IsText();
}

// The framework's name of a type code: "Empty", "Null", "SmallInt", "Integer", "Single",
// "Double", "Currency", "Date", "OleStr", "Boolean", "Variant", "ShortInt", "Byte", "Word",
// "LongWord", "Int64", "UInt64", "String"; arrays "Array <element>"; others "$XXXX".
AnsiString VarTypeAsText(TVarType type);

// Text of a value, with Null giving "" instead of raising.
AnsiString VarToStr(const Variant& v);
// The value converted to the given type code (a scalar code, or the value's own array code).
Variant VarAsType(const Variant& v, TVarType type);

// Comparison. The operators (hidden friends of Variant, so they apply only when one side is a
// Variant) compare values the framework's way:
//  - Null equals only Null and orders before every other value;
//  - Empty compares as the zero of the other side's type (0, "", false), and equals Empty;
//  - numbers (integers, floats, currency, dates, booleans as -1/0) compare by value;
//  - texts compare with AnsiCompareStr (Windows-1252 collation; equal only when identical);
//  - text against a number, date or boolean is first converted to that type (raising
//    EVariantTypeCastError when it does not convert);
//  - booleans order false before true;
//  - arrays are equal when their types, bounds and elements are equal; an array never equals a
//    non-array; ordering involving an array raises EVariantInvalidOpError.
// VarEquals and VarLess (declared above the class) are the same tests as functions.

// The framework's relationship test: Empty and Null equal only themselves and are "not equal"
// (neither less nor greater) to anything else; other values compare as the operators do.
enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);

// --- Variant arrays --------------------------------------------------------------------------
//
// Element types: varSmallint, varInteger, varSingle, varDouble, varCurrency, varDate,
// varBoolean, varShortInt, varByte, varWord, varLongWord, varInt64, varUInt64 (stored as packed
// native values; booleans as 16-bit -1/0), varVariant (stored as Variant), varOleStr and
// varString (stored as AnsiString). Multi-dimensional arrays keep their elements with the first
// index varying fastest. An array may be empty (high bound = low bound - 1).

// A one-dimensional array with bounds low .. high.
Variant VarArrayCreate(std::int32_t low, std::int32_t high, TVarType elemType);
// Bounds as pairs: {low1, high1, low2, high2, ...}.
Variant VarArrayCreate(std::span<const std::int32_t> bounds, TVarType elemType);
inline Variant VarArrayCreate(std::initializer_list<std::int32_t> bounds, TVarType elemType) {
    return VarArrayCreate(std::span<const std::int32_t>(bounds.begin(), bounds.size()), elemType);
}
// An array of variants, bounds 0 .. n-1, holding copies of the values.
Variant VarArrayOf(std::span<const Variant> values);
inline Variant VarArrayOf(std::initializer_list<Variant> values) {
    return VarArrayOf(std::span<const Variant>(values.begin(), values.size()));
}
// A byte array, bounds 0 .. count-1, holding a copy of the bytes.
Variant VarArrayOfBytes(const void* data, std::size_t count);
// A byte array, bounds 0 .. count-1, whose bytes are left unset instead of zero: for a caller that
// writes every byte (through TVarArrayLock) before the array is read or handed on. Saves clearing
// a large block that is overwritten at once.
Variant VarByteArrayToFill(std::size_t count);

// 0 for a value that is not an array.
int VarArrayDimCount(const Variant& a);
// Bounds of dimension dim (1-based); EVariantError when not an array, EVariantBadIndexError
// for a dimension it does not have.
std::int32_t VarArrayLowBound(const Variant& a, int dim);
std::int32_t VarArrayHighBound(const Variant& a, int dim);
// Changes the high bound of the last dimension, keeping the elements that remain; new elements
// are zero (Empty for variants, "" for text). Raises EVariantArrayLockedError while locked.
void VarArrayRedim(Variant& a, std::int32_t highBound);

// The elements' memory: packed native values for the numeric types (uint8_t* for varByte),
// Variant* for varVariant, AnsiString* for text types. The non-const form is for writing (it
// first gives this Variant its own copy of a shared array); the const form is for reading. Every
// lock must be paired with VarArrayUnlock; a locked array cannot be resized.
void* VarArrayLock(Variant& a);
const void* VarArrayLock(const Variant& a);
// Raises EVariantNotLockedError when the array is not locked.
void VarArrayUnlock(const Variant& a);

// Locks an array for the lifetime of the object and unlocks it on every path.
class TVarArrayLock {
public:
    explicit TVarArrayLock(Variant& a) : FArray(a), FData(VarArrayLock(a)) {}
    TVarArrayLock(const TVarArrayLock&) = delete;
    TVarArrayLock& operator=(const TVarArrayLock&) = delete;
    ~TVarArrayLock() { VarArrayUnlock(FArray); }
    void* Data() const { return FData; }

private:
    Variant& FArray;
    void* FData;
};

} // namespace vcl
