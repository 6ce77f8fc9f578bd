// Format: one pass over the format text, each specifier checked against its argument's kind.
#include "platform/vcl/Format.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/FloatText.h"
#include "platform/vcl/Variant.h"
#include "platform/vcl/VclConsts.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace vcl {

namespace {

class Formatter {
public:
    Formatter(std::string_view fmt, std::span<const FormatArg> args, const TFormatSettings& fs)
        : FFmt(fmt), FArgs(args), FSettings(fs) {}

    AnsiString Run() {
        AnsiString out;
        out.reserve(FFmt.size() + 8 * FArgs.size());
        while (FPos < FFmt.size()) {
            const std::size_t pct = FFmt.find('%', FPos);
            if (pct == std::string_view::npos) {
                out.append(FFmt.substr(FPos));
                break;
            }
            out.append(FFmt.substr(FPos, pct - FPos));
            FPos = pct + 1;
            if (FPos < FFmt.size() && FFmt[FPos] == '%') {
                out += '%';
                ++FPos;
                continue;
            }
            Specifier(out);
        }
        return out;
    }

private:
    [[noreturn]] void Invalid() const { throw EConvertError(SInvalidFormat, {FFmt}); }

    char Peek() const { return FPos < FFmt.size() ? FFmt[FPos] : '\0'; }

    const FormatArg& NextArg() {
        if (FArgIndex >= FArgs.size()) throw EConvertError(SArgumentMissing, {FFmt});
        return FArgs[FArgIndex++];
    }

    // Widths, precisions and indexes above this are refused: no text needs them, and a width or a
    // digit count that large would only exhaust memory.
    static constexpr std::int64_t kMaxNumber = 1000000;

    // A decimal number or '*' (the next argument, which must be an integer); false when absent.
    // A '*' argument below zero stays as it is (no width); anything above kMaxNumber is invalid.
    bool Number(int& value) {
        if (Peek() == '*') {
            ++FPos;
            const FormatArg& a = NextArg();
            std::int64_t given = 0;
            if (a.GetKind() == FormatArg::Kind::Int)
                given = a.AsInt();
            else if (a.GetKind() == FormatArg::Kind::UInt)
                given = a.AsUInt() > static_cast<std::uint64_t>(kMaxNumber) ? kMaxNumber + 1
                                                                             : static_cast<std::int64_t>(a.AsUInt());
            else
                Invalid();
            if (given > kMaxNumber) Invalid();
            value = static_cast<int>(std::max<std::int64_t>(given, -1));
            return true;
        }
        if (Peek() < '0' || Peek() > '9') return false;
        std::int64_t number = 0;
        while (Peek() >= '0' && Peek() <= '9') {
            number = number * 10 + (FFmt[FPos++] - '0');
            if (number > kMaxNumber) Invalid();
        }
        value = static_cast<int>(number);
        return true;
    }

    void Specifier(AnsiString& out) {
        int first = 0, width = -1, precision = -1;
        bool left = false;
        bool have = Number(first);
        if (have && Peek() == ':') {
            ++FPos;
            if (first < 0) Invalid();
            FArgIndex = static_cast<std::size_t>(first);
            have = false;
        }
        if (have) {
            width = first;
        } else {
            if (Peek() == '-') {
                left = true;
                ++FPos;
            }
            if (!Number(width)) width = -1;
        }
        if (Peek() == '.') {
            ++FPos;
            if (!Number(precision)) precision = 0;
        }
        if (FPos >= FFmt.size()) Invalid();
        const char type = FFmt[FPos++];
        const AnsiString piece = Convert(type, NextArg(), precision);
        if (width < 0 || static_cast<std::size_t>(width) <= piece.size()) {
            out += piece;
        } else if (left) {
            out += piece;
            out.append(static_cast<std::size_t>(width) - piece.size(), ' ');
        } else {
            out.append(static_cast<std::size_t>(width) - piece.size(), ' ');
            out += piece;
        }
    }

    // The argument as a signed or unsigned integer; false when it is no integer.
    bool Integer(const FormatArg& a, std::int64_t& value, bool& isUnsigned, bool& wide) {
        isUnsigned = false;
        wide = a.IsWide();
        switch (a.GetKind()) {
        case FormatArg::Kind::Int:
            value = a.AsInt();
            return true;
        case FormatArg::Kind::UInt:
            value = static_cast<std::int64_t>(a.AsUInt());
            isUnsigned = true;
            return true;
        case FormatArg::Kind::Var:
            try {
                value = a.AsVariant().AsInt64();
                wide = true;
                return true;
            } catch (const EVariantError&) {
                return false;
            }
        default:
            return false;
        }
    }

    static AnsiString PadDigits(AnsiString digits, int precision) {
        if (precision > 0 && digits.size() < static_cast<std::size_t>(precision))
            digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
        return digits;
    }

    static AnsiString Decimal(std::uint64_t magnitude) {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, magnitude);
        return AnsiString(buf, r.ptr);
    }

    static AnsiString Hex(std::uint64_t value) {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, value, 16);
        AnsiString s(buf, r.ptr);
        for (char& c : s)
            if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
        return s;
    }

    AnsiString Convert(char type, const FormatArg& a, int precision) {
        if (type >= 'a' && type <= 'z') type = static_cast<char>(type - 'a' + 'A');
        std::int64_t iv = 0;
        bool isUnsigned = false, wide = false;
        switch (type) {
        case 'D': {
            if (!Integer(a, iv, isUnsigned, wide)) Invalid();
            if (isUnsigned) return PadDigits(Decimal(static_cast<std::uint64_t>(iv)), precision);
            const std::uint64_t mag =
                iv < 0 ? 0 - static_cast<std::uint64_t>(iv) : static_cast<std::uint64_t>(iv);
            AnsiString s = PadDigits(Decimal(mag), precision);
            return iv < 0 ? "-" + s : s;
        }
        case 'U':
        case 'X': {
            if (!Integer(a, iv, isUnsigned, wide)) Invalid();
            // A negative value shows as its two's complement in the argument's own width.
            const std::uint64_t u =
                (!isUnsigned && !wide) ? static_cast<std::uint32_t>(iv) : static_cast<std::uint64_t>(iv);
            return PadDigits(type == 'U' ? Decimal(u) : Hex(u), precision);
        }
        case 'E':
        case 'F':
        case 'G':
        case 'N': {
            double v = 0;
            if (a.GetKind() == FormatArg::Kind::Float) {
                v = a.AsFloat();
            } else if (a.GetKind() == FormatArg::Kind::Var) {
                try {
                    v = a.AsVariant().AsDouble();
                } catch (const EVariantError&) {
                    Invalid();
                }
            } else {
                Invalid();
            }
            const char sep = FSettings.DecimalSeparator;
            if (type == 'E') return detail::FormatExponent(v, precision < 0 ? 15 : precision, 3, sep);
            if (type == 'G') return detail::FormatGeneral(v, precision < 0 ? 15 : precision, sep);
            return detail::FormatFixed(v, precision < 0 ? 2 : precision, sep,
                                       type == 'N' ? FSettings.ThousandSeparator : '\0');
        }
        case 'P': {
            if (a.GetKind() != FormatArg::Kind::Pointer) Invalid();
            AnsiString s = Hex(reinterpret_cast<std::uintptr_t>(a.AsPointer()));
            return PadDigits(std::move(s), static_cast<int>(sizeof(void*) * 2));
        }
        case 'S': {
            AnsiString s;
            switch (a.GetKind()) {
            case FormatArg::Kind::Text:
                s.assign(a.AsText());
                break;
            case FormatArg::Kind::Char:
                s.assign(1, a.AsChar());
                break;
            case FormatArg::Kind::Bool:
                s = a.AsBool() ? "True" : "False";
                break;
            case FormatArg::Kind::Var:
                try {
                    s = VarToStr(a.AsVariant());
                } catch (const EVariantError&) {
                    Invalid();
                }
                break;
            default:
                Invalid();
            }
            if (precision >= 0 && s.size() > static_cast<std::size_t>(precision))
                s.resize(static_cast<std::size_t>(precision));
            return s;
        }
        default:
            Invalid();
        }
    }

    std::string_view FFmt;
    std::span<const FormatArg> FArgs;
    const TFormatSettings& FSettings;
    std::size_t FPos = 0;
    std::size_t FArgIndex = 0;
};

} // namespace

AnsiString Format(std::string_view fmt, std::span<const FormatArg> args, const TFormatSettings& settings) {
    return Formatter(fmt, args, settings).Run();
}

AnsiString Format(std::string_view fmt, std::span<const FormatArg> args) {
    return Format(fmt, args, FormatSettings);
}

} // namespace vcl
