// Fuzz target for the framework's text parsers: Format strings, integer, floating point,
// boolean and date-time text, and text variants converted to every scalar type. Any input must
// give a result or the documented conversion error, never a crash or another exception.
#include "platform/vcl/DateTime.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Format.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/Variant.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

template <class F>
void Expect(F&& f) {
    try {
        f();
    } catch (const vcl::EConvertError&) {
    } catch (const vcl::EVariantError&) {
    }
    // Anything else escapes and is reported by the fuzzer as a failure.
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const vcl::Variant asVariant(text);
    const vcl::AnsiString s = "text";
    Expect([&] { (void)vcl::Format(text, {1, -2.5, s, asVariant, 'c', true, std::int64_t(-7), nullptr}); });
    Expect([&] { (void)vcl::StrToInt(text); });
    Expect([&] { (void)vcl::StrToInt64(text); });
    Expect([&] { (void)vcl::StrToFloat(text); });
    Expect([&] { (void)vcl::StrToBool(text); });
    Expect([&] { (void)vcl::StrToDateTime(text); });
    Expect([&] { (void)vcl::StrToTime(text); });
    Expect([&] {
        const vcl::TDateTime d = vcl::StrToDate(text);
        // Whatever parses as a date prints and parses back to the same date.
        if (vcl::StrToDate(vcl::DateToStr(d)) != d) std::abort();
    });
    Expect([&] { (void)asVariant.AsInteger(); });
    Expect([&] { (void)asVariant.AsCurrency(); });
    Expect([&] { (void)asVariant.AsDateTime(); });
    Expect([&] { (void)(asVariant < vcl::Variant(3)); });
    Expect([&] {
        double v;
        if (vcl::TryStrToFloat(text, v) && std::isfinite(v)) (void)vcl::StrToFloat(vcl::FloatToStr(v));
    });
    Expect([&] { (void)vcl::FormatDateTime(text, 36586.5); });
    (void)vcl::AnsiCompareText(text, "abc");
    (void)vcl::Trim(text);
    (void)vcl::ExtractFileName(text);
    (void)vcl::ExtractFileExt(text);
    return 0;
}
