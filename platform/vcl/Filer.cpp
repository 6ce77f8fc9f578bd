// TFiler, the extended-float conversion, and the stream operations that read and write forms.
#include "platform/vcl/Filer.h"

#include "platform/vcl/Component.h"
#include "platform/vcl/Reader.h"
#include "platform/vcl/Stream.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/Writer.h"

#include <cmath>
#include <cstring>

namespace vcl {

VCL_CLASS_INFO(TFiler)

TFiler::~TFiler() = default;

namespace detail {

void DoubleToExtended(double value, std::uint8_t out[10]) {
    std::uint64_t mantissa = 0;
    std::uint16_t exponent = 0;
    const bool negative = std::signbit(value);
    if (std::isnan(value)) {
        exponent = 0x7FFF;
        mantissa = 0xC000000000000000ull; // quiet NaN
    } else if (std::isinf(value)) {
        exponent = 0x7FFF;
        mantissa = 0x8000000000000000ull;
    } else if (value != 0) {
        int e = 0;
        const double m = std::frexp(std::fabs(value), &e);        // value = m * 2^e, 0.5 <= m < 1
        mantissa = static_cast<std::uint64_t>(std::ldexp(m, 64)); // exact: m has 53 bits
        exponent = static_cast<std::uint16_t>(e + 16382);
    }
    if (negative) exponent = static_cast<std::uint16_t>(exponent | 0x8000);
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<std::uint8_t>(mantissa >> (8 * i));
    out[8] = static_cast<std::uint8_t>(exponent);
    out[9] = static_cast<std::uint8_t>(exponent >> 8);
}

double ExtendedToDouble(const std::uint8_t in[10]) {
    std::uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i)
        mantissa = (mantissa << 8) | in[i];
    const unsigned se = in[8] | (in[9] << 8);
    const bool negative = (se & 0x8000) != 0;
    const int exponent = static_cast<int>(se & 0x7FFF);
    double result;
    if (exponent == 0x7FFF) {
        result = (mantissa << 1) == 0 ? HUGE_VAL : std::nan("");
    } else if (mantissa == 0) {
        result = 0.0;
    } else {
        // value = mantissa * 2^(exponent - 16383 - 63)
        result = std::ldexp(static_cast<double>(mantissa), exponent - 16446);
    }
    return negative ? -result : result;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto cont = [&](std::size_t k) { return k < n && (static_cast<unsigned char>(text[k]) & 0xC0) == 0x80; };
    while (i < n) {
        const auto c = static_cast<unsigned char>(text[i]);
        char32_t cp = 0xFFFD;
        std::size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if (c >= 0xC2 && c <= 0xDF && cont(i + 1)) {
            cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF && cont(i + 1) && cont(i + 2)) {
            cp = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
                 (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
            len = 3;
            if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
        } else if (c >= 0xF0 && c <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
            cp = ((c & 0x07u) << 18) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 12) |
                 ((static_cast<unsigned char>(text[i + 2]) & 0x3Fu) << 6) |
                 (static_cast<unsigned char>(text[i + 3]) & 0x3Fu);
            len = 4;
            if (cp < 0x10000 || cp > 0x10FFFF) cp = 0xFFFD;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

} // namespace detail

// --- Form helpers of TStream --------------------------------------------------------------------

TComponent* TStream::ReadComponent(TComponent* instance) {
    auto reader = New<TReader>(this);
    return reader->ReadRootComponent(instance);
}

TOwned<TComponent> TStream::ReadComponent() {
    auto reader = New<TReader>(this);
    return reader->ReadRootComponent();
}

void TStream::WriteComponent(TComponent* instance) {
    WriteDescendent(instance, nullptr);
}

void TStream::WriteDescendent(TComponent* instance, TComponent* ancestor) {
    auto writer = New<TWriter>(this);
    writer->WriteDescendent(instance, ancestor);
}

void TStream::WriteComponentRes(const AnsiString& resName, TComponent* instance) {
    std::int64_t sizePosition = 0;
    WriteResourceHeader(resName, sizePosition);
    WriteComponent(instance);
    FixupResourceHeader(sizePosition);
}

TComponent* TStream::ReadComponentRes(TComponent* instance) {
    ReadResHeader();
    return ReadComponent(instance);
}

} // namespace vcl
