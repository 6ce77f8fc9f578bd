// ANSI (Windows-1252) <-> OEM (code page 850) and UTF-16 conversions. The exact mappings are
// checked against the C library's own converters (iconv), an implementation independent of the
// generated tables.
#include "platform/win/CodePage.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <iconv.h>
#include <optional>
#include <string>

using namespace win;

namespace {

// One byte through iconv without transliteration; nothing when the target has no exact form.
std::optional<unsigned char> IconvByte(const char* from, const char* to, unsigned char byte) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "iconv cannot convert " << from << " to " << to;
        return std::nullopt;
    }
    char in = static_cast<char>(byte);
    char out[8];
    char* inp = &in;
    char* outp = out;
    size_t inLeft = 1, outLeft = sizeof out;
    size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || outLeft != sizeof out - 1) return std::nullopt;
    return static_cast<unsigned char>(out[0]);
}

} // namespace

TEST(CodePage, EveryExactlyMappedByteAgreesWithIconvInBothDirections) {
    int exactAnsi = 0, exactOem = 0;
    for (int b = 0; b < 256; ++b) {
        auto ch = static_cast<unsigned char>(b);
        if (auto oem = IconvByte("CP1252", "CP850", ch)) {
            ++exactAnsi;
            EXPECT_EQ(static_cast<unsigned char>(AnsiToOemChar(static_cast<char>(ch))), *oem)
                << "ANSI 0x" << std::hex << b;
        }
        if (auto ansi = IconvByte("CP850", "CP1252", ch)) {
            ++exactOem;
            EXPECT_EQ(static_cast<unsigned char>(OemToAnsiChar(static_cast<char>(ch))), *ansi)
                << "OEM 0x" << std::hex << b;
        }
    }
    // 225 characters are common to both code pages.
    EXPECT_EQ(exactAnsi, 225);
    EXPECT_EQ(exactOem, 225);
}

TEST(CodePage, ExactBytesSurviveTheRoundTripAndBestFitIsLossyButSensible) {
    int roundTrips = 0;
    for (int b = 0; b < 256; ++b) {
        char c = static_cast<char>(b);
        if (IconvByte("CP1252", "CP850", static_cast<unsigned char>(b))) {
            EXPECT_EQ(OemToAnsiChar(AnsiToOemChar(c)), c) << "ANSI 0x" << std::hex << b;
            ++roundTrips;
        }
        if (IconvByte("CP850", "CP1252", static_cast<unsigned char>(b))) {
            EXPECT_EQ(AnsiToOemChar(OemToAnsiChar(c)), c) << "OEM 0x" << std::hex << b;
        }
    }
    EXPECT_EQ(roundTrips, 225);

    // A few of each kind, by name: accented letters, best-fit letters and punctuation, line art.
    EXPECT_EQ(AnsiToOemChar('\xE9'), '\x82'); // e acute
    EXPECT_EQ(AnsiToOemChar('\xDC'), '\x9A'); // U umlaut
    EXPECT_EQ(AnsiToOemChar('\x8A'), 'S');    // S caron -> S
    EXPECT_EQ(AnsiToOemChar('\x93'), '"');    // left double quotation mark
    EXPECT_EQ(AnsiToOemChar('\x81'), '?');    // undefined in Windows-1252
    EXPECT_EQ(OemToAnsiChar('\xC4'), '-');    // box drawings light horizontal
    EXPECT_EQ(OemToAnsiChar('\xBA'), '|');    // box drawings double vertical
    EXPECT_EQ(OemToAnsiChar('\xC9'), '+');    // box drawings double down and right
    EXPECT_EQ(OemToAnsiChar('\xD5'), 'i');    // dotless i
}

TEST(CodePage, BufferConversionsWorkInPlaceAndOverExactLengths) {
    // An embedded NUL converts like any other byte.
    std::string text("Gr\xFC\xDF"
                     "e \xE0 \xE9t\xE9\0tail",
                     17);
    std::string oem(text.size(), '\0');
    ASSERT_TRUE(CharToOemBuffA(text.data(), oem.data(), static_cast<DWORD>(text.size())));
    EXPECT_EQ(oem, std::string("Gr\x81\xE1"
                               "e \x85 \x82t\x82\0tail",
                               17));

    std::string inPlace = oem;
    ASSERT_TRUE(OemToCharBuffA(inPlace.data(), inPlace.data(), static_cast<DWORD>(inPlace.size())));
    EXPECT_EQ(inPlace, text);

    // Only the given count is touched.
    std::string partial = "\xE9\xE9\xE9";
    ASSERT_TRUE(CharToOemBuffA(partial.data(), partial.data(), 2));
    EXPECT_EQ(partial, "\x82\x82\xE9");

    char z[] = "\xE9t\xE9";
    ASSERT_TRUE(CharToOemA(z, z));
    EXPECT_STREQ(z, "\x82t\x82");
    ASSERT_TRUE(OemToCharA(z, z));
    EXPECT_STREQ(z, "\xE9t\xE9");

    EXPECT_FALSE(CharToOemBuffA(nullptr, partial.data(), 1));
    EXPECT_FALSE(OemToCharBuffA(partial.data(), nullptr, 1));
}

TEST(CodePage, AnsiAndUtf16) {
    EXPECT_EQ(AnsiToUtf16("A\x80\xE9\x9F"), std::u16string(u"A\u20AC\u00E9\u0178"));
    EXPECT_EQ(AnsiToUtf16(std::string("\x81", 1)), std::u16string(u"\u0081"));
    EXPECT_EQ(Utf16ToAnsi(u"A\u20AC\u00E9\u0178"), "A\x80\xE9\x9F");
    // No Windows-1252 form: '?'; a surrogate pair is one character.
    EXPECT_EQ(Utf16ToAnsi(u"\u4E2D|\U0001F600|\xD800"), "?|?|?");
    for (int b = 0; b < 256; ++b) {
        std::string one(1, static_cast<char>(b));
        EXPECT_EQ(Utf16ToAnsi(AnsiToUtf16(one)), one) << b;
    }
}
