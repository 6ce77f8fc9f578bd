// Format: printf-like text building with the framework's format specifiers, checked at run time
// against the type of each argument (a mismatch raises EConvertError instead of printing
// garbage).
//
//   Format("%s has %d rows (%.1f%%)", {name, count, pct})
//
// Specifier: '%' [index ':'] ['-'] [width] ['.' precision] type, where index, width and
// precision are decimal numbers or '*' (taken from the next argument, which must be an integer).
// An index selects the argument (0-based); later specifiers without an index continue after it.
// Types (case-insensitive):
//   d  decimal integer; precision = minimum digits (zero-padded)
//   u  unsigned decimal integer (a negative 32-bit value shows as its 32-bit two's complement)
//   x  upper-case hexadecimal integer; precision = minimum digits
//   e  scientific "-d.dddE+ddd"; precision = significant digits (default 15)
//   f  fixed "-ddd.ddd"; precision = decimals (default 2)
//   g  general: the shorter of fixed and scientific; precision = significant digits (default 15)
//   n  as f, with thousand separators
//   p  pointer, 16 upper-case hexadecimal digits
//   s  text; precision = maximum characters taken
//   %% a percent sign
// Width pads with blanks on the left ('-': on the right); a negative '*' width is no width. An
// index, width or precision above 1,000,000 is invalid (EConvertError), so no format can make
// Format allocate more than that per specifier. Numbers use the decimal and thousand separators
// of vcl::FormatSettings (or the settings passed).
//
// Accepted arguments: integers (d u x), floating point, TDateTime and Currency (e f g n), text
// (s), booleans (s: "True"/"False"), single characters (s), pointers (p), and Variants, which are
// converted to what the specifier needs. An argument that does not fit its specifier raises
// EConvertError "Format '<format>' invalid or incompatible with argument"; a missing argument
// raises EConvertError "No argument for format '<format>'".
#pragma once

#include "platform/vcl/FormatSettings.h"
#include "platform/vcl/SysTypes.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

namespace vcl {

class Variant;

// One argument of Format. It refers to the caller's values without copying them, so it must not
// outlive the call (an initializer list in the call itself is the intended use).
class FormatArg {
public:
    enum class Kind : std::uint8_t { Int, UInt, Float, Text, Bool, Char, Pointer, Var };

    // Integers: 'Wide' remembers whether the value had 64 bits, for %u and %x of negatives.
    template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>) FormatArg(T v) {
        if constexpr (std::is_signed_v<T>) {
            FKind = Kind::Int;
            FInt = static_cast<std::int64_t>(v);
        } else {
            FKind = Kind::UInt;
            FUInt = static_cast<std::uint64_t>(v);
        }
        FWide = sizeof(T) > 4;
    }
    FormatArg(bool v) : FKind(Kind::Bool), FBool(v) {}
    FormatArg(char v) : FKind(Kind::Char), FChar(v) {}
    FormatArg(double v) : FKind(Kind::Float), FFloat(v) {}
    FormatArg(float v) : FKind(Kind::Float), FFloat(v) {}
    FormatArg(TDateTime v) : FKind(Kind::Float), FFloat(v.Value) {}
    FormatArg(Currency v) : FKind(Kind::Float), FFloat(v.ToDouble()) {}
    FormatArg(const char* v) : FKind(Kind::Text), FText(v ? std::string_view(v) : std::string_view()) {}
    FormatArg(std::string_view v) : FKind(Kind::Text), FText(v) {}
    FormatArg(const AnsiString& v) : FKind(Kind::Text), FText(v) {}
    FormatArg(const void* v) : FKind(Kind::Pointer), FPointer(v) {}
    FormatArg(std::nullptr_t) : FKind(Kind::Pointer), FPointer(nullptr) {}
    FormatArg(const Variant& v) : FKind(Kind::Var), FVariant(&v) {}

    Kind GetKind() const { return FKind; }
    bool IsWide() const { return FWide; }
    std::int64_t AsInt() const { return FInt; }
    std::uint64_t AsUInt() const { return FUInt; }
    double AsFloat() const { return FFloat; }
    std::string_view AsText() const { return FText; }
    bool AsBool() const { return FBool; }
    char AsChar() const { return FChar; }
    const void* AsPointer() const { return FPointer; }
    const Variant& AsVariant() const { return *FVariant; }

private:
    Kind FKind;
    bool FWide = false;
    union {
        std::int64_t FInt;
        std::uint64_t FUInt;
        double FFloat;
        bool FBool;
        char FChar;
        const void* FPointer;
        const Variant* FVariant;
        std::string_view FText;
    };
};

AnsiString Format(std::string_view fmt, std::span<const FormatArg> args);
AnsiString Format(std::string_view fmt, std::span<const FormatArg> args, const TFormatSettings& settings);
inline AnsiString Format(std::string_view fmt, std::initializer_list<FormatArg> args) {
    return Format(fmt, std::span<const FormatArg>(args.begin(), args.size()));
}
inline AnsiString Format(std::string_view fmt, std::initializer_list<FormatArg> args,
                         const TFormatSettings& settings) {
    return Format(fmt, std::span<const FormatArg>(args.begin(), args.size()), settings);
}

} // namespace vcl
