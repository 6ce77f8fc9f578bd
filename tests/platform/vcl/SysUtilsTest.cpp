// Text routines: trimming, numbers as text both ways, Windows-1252 case and collation, C-string
// helpers and file names; the huge-page hint for large blocks.
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/Exceptions.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

using namespace vcl;

namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(Trim, BlanksAndControlCharacters) {
    EXPECT_EQ(Trim("  \t a b \r\n\x01"), "a b");
    EXPECT_EQ(TrimLeft("\x1F x "), "x ");
    EXPECT_EQ(TrimRight(" x \x7F"), " x \x7F"); // DEL is above the blank, not trimmed
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0"); // no-break space is a character here
}

TEST(IntegerText, ParsesLikeTheFramework) {
    EXPECT_EQ(IntToStr(-123), "-123");
    EXPECT_EQ(IntToStr(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFFFFFFFFFF");

    EXPECT_EQ(StrToInt("42"), 42);
    EXPECT_EQ(StrToInt("  -42"), -42);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("$1A"), 26);
    EXPECT_EQ(StrToInt("0x1a"), 26);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1); // hexadecimal is a 32-bit pattern
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(StrToInt64("-$1"), -1);

    for (const char* bad : {"", " ", "abc", "12 ", "1.5", "2147483648", "-2147483649", "$", "$100000000",
                            "--1", "+-1", "0x", "1e3", "\xB2"}) {
        EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
        EXPECT_EQ(StrToIntDef(bad, -99), -99) << bad;
    }
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
    try {
        StrToInt("12a");
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'12a' is not a valid integer value");
    }
    std::int32_t v = 5;
    EXPECT_FALSE(TryStrToInt("x", v));
    EXPECT_EQ(v, 5);
}

TEST(FloatText, ToTextUsesFifteenDigits) {
    EXPECT_EQ(FloatToStr(0), "0");
    EXPECT_EQ(FloatToStr(-0.0), "0");
    EXPECT_EQ(FloatToStr(1.5), "1.5");
    EXPECT_EQ(FloatToStr(-1234.5678), "-1234.5678");
    EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(FloatToStr(2.0 / 3), "0.666666666666667");
    EXPECT_EQ(FloatToStr(100), "100");
    EXPECT_EQ(FloatToStr(1e14), "100000000000000");
    EXPECT_EQ(FloatToStr(1e15), "1E15");
    EXPECT_EQ(FloatToStr(1.5e-7), "1.5E-7");
    EXPECT_EQ(FloatToStr(0.00001), "0.00001");
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::max()), "1.79769313486232E308");
    EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity()), "-INF");
    TFormatSettings comma;
    comma.DecimalSeparator = ',';
    EXPECT_EQ(FloatToStr(2.5, comma), "2,5");
}

TEST(FloatText, FromText) {
    EXPECT_DOUBLE_EQ(StrToFloat(" 1.5 "), 1.5);
    EXPECT_DOUBLE_EQ(StrToFloat("-.5"), -0.5);
    EXPECT_DOUBLE_EQ(StrToFloat("5."), 5.0);
    EXPECT_DOUBLE_EQ(StrToFloat("+1E3"), 1000.0);
    EXPECT_DOUBLE_EQ(StrToFloat("2.5e-3"), 0.0025);
    EXPECT_DOUBLE_EQ(
        StrToFloat("000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
                   "00000000000000000000000000000000000000000000000000000001.5"),
        1.5);
    EXPECT_EQ(StrToFloat("1e-400"), 0.0);
    EXPECT_DOUBLE_EQ(StrToFloat("0." + std::string(300, '3')), 1.0 / 3);
    for (const char* bad :
         {"", ".", "-", "e5", "1e", "1.2.3", "1,5", "inf", "nan", "0x10", "1 5", "1e+", "\xB9"}) {
        EXPECT_THROW(StrToFloat(bad), EConvertError) << bad;
    }
    EXPECT_THROW(StrToFloat("1e309"), EConvertError);
    try {
        StrToFloat("x");
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid floating point value");
    }
    TFormatSettings comma;
    comma.DecimalSeparator = ',';
    EXPECT_DOUBLE_EQ(StrToFloat("1,25", comma), 1.25);
    EXPECT_THROW(StrToFloat("1.25", comma), EConvertError);
    EXPECT_EQ(StrToFloatDef("bad", 2.5), 2.5);
}

TEST(FloatText, RoundTripsAtFifteenDigits) {
    for (double v : {0.1, 1.0 / 7, 123456.789, -9.87654321e-12, 6.02214076e23, 3.0e-300, 4.9e-324}) {
        const double back = StrToFloat(FloatToStr(v));
        EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << FloatToStr(v);
    }
}

TEST(CurrencyText, ExactFourDecimals) {
    EXPECT_EQ(CurrToStr(Currency::FromScaled(123400)), "12.34");
    EXPECT_EQ(CurrToStr(Currency::FromScaled(-1)), "-0.0001");
    EXPECT_EQ(CurrToStr(Currency::FromScaled(30000)), "3");
    EXPECT_EQ(CurrToStr(Currency::FromScaled(std::numeric_limits<std::int64_t>::min())),
              "-922337203685477.5808");
    EXPECT_EQ(StrToCurr("12.34"), Currency::FromScaled(123400));
    EXPECT_EQ(Currency::FromDouble(1.23456), Currency::FromScaled(12346));
    EXPECT_EQ(Currency::FromDouble(-1.23454), Currency::FromScaled(-12345));
    EXPECT_EQ(Currency::FromDouble(-9e14).Scaled, -9000000000000000000);
    EXPECT_THROW(Currency::FromDouble(1e16), EConvertError);
    EXPECT_THROW(Currency::FromDouble(std::nan("")), EConvertError);
    EXPECT_THROW(StrToCurr("1..2"), EConvertError);
}

TEST(BooleanText, Both) {
    EXPECT_EQ(BoolToStr(true, true), "True");
    EXPECT_EQ(BoolToStr(false), "0");
    EXPECT_EQ(BoolToStr(true), "-1");
    EXPECT_TRUE(StrToBool("tRUE"));
    EXPECT_FALSE(StrToBool("false"));
    EXPECT_TRUE(StrToBool("-1"));
    EXPECT_FALSE(StrToBool("0.0"));
    EXPECT_THROW(StrToBool("yes"), EConvertError);
}

TEST(LetterCase, AsciiRoutinesLeaveAccentedLettersAlone) {
    EXPECT_EQ(UpperCase("abc\xE4z"), "ABC\xE4Z");
    EXPECT_EQ(LowerCase("ABC\xC4Z"), "abc\xC4z");
    EXPECT_NE(CompareText("\xE4", "\xC4"), 0);
    EXPECT_EQ(CompareText("Hello", "hELLO"), 0);
    EXPECT_LT(CompareText("a", "B"), 0);
    EXPECT_GT(CompareText("ab", "A"), 0);
    EXPECT_GT(CompareText("_", "a"), 0); // letters fold to upper case (41..5A), below '_' (5F)
    EXPECT_TRUE(SameText("Orders", "ORDERS"));
    EXPECT_FALSE(SameText("Orders", "ORDER"));
}

TEST(LetterCase, Windows1252Pairs) {
    EXPECT_EQ(AnsiUpperCase("stra\xDF"
                            "e \xE0\xE9\xEE\xF5\xFC\xFF\x9A\x9C\x9E"),
              "STRA\xDF"
              "E \xC0\xC9\xCE\xD5\xDC\x9F\x8A\x8C\x8E");
    EXPECT_EQ(AnsiLowerCase("\xC0\xC9\xCE\xD5\xDC\x9F\x8A\x8C\x8E\xDE XYZ"),
              "\xE0\xE9\xEE\xF5\xFC\xFF\x9A\x9C\x9E\xFE xyz");
    int pairs = 0;
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const char up = AnsiUpperChar(c), lo = AnsiLowerChar(c);
        if (up != c) {
            ++pairs;
            EXPECT_EQ(AnsiLowerChar(up), c) << b;
            EXPECT_EQ(AnsiUpperChar(up), up) << b;
        }
        if (lo != c) {
            EXPECT_EQ(AnsiUpperChar(lo), c) << b;
        }
    }
    // a-z, the 30 accented letters of E0-FE (not F7), and s/oe/z caron/y diaeresis.
    EXPECT_EQ(pairs, 26 + 30 + 4);
    for (unsigned char same : {0xDF, 0xB5, 0x83, 0xAA, 0xBA, 0xD7, 0xF7, 0x80, 0x00, 0x31}) {
        EXPECT_EQ(AnsiUpperChar(static_cast<char>(same)), static_cast<char>(same)) << int(same);
        EXPECT_EQ(AnsiLowerChar(static_cast<char>(same)), static_cast<char>(same)) << int(same);
    }
}

TEST(Collation, CaseInsensitiveEqualityMeansSameUpperCase) {
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const std::string x(1, static_cast<char>(a)), y(1, static_cast<char>(b));
            const bool sameUpper = AnsiUpperChar(x[0]) == AnsiUpperChar(y[0]);
            ASSERT_EQ(AnsiCompareText(x, y) == 0, sameUpper) << a << " " << b;
            ASSERT_EQ(AnsiCompareStr(x, y) == 0, a == b) << a << " " << b;
            ASSERT_EQ(Sign(AnsiCompareStr(x, y)), -Sign(AnsiCompareStr(y, x))) << a << " " << b;
        }
    }
}

TEST(Collation, AccentedLettersSortNextToTheirBaseLetter) {
    std::vector<std::string> words = {"Zebra",
                                      "\xC4pfel",
                                      "apple",
                                      "Apfel",
                                      "b\xE4r",
                                      "Bar",
                                      "resumf",
                                      "r\xE9sum\xE9",
                                      "resume",
                                      "10",
                                      "9",
                                      "_x",
                                      "\xDE"
                                      "orn",
                                      "stra\xDF"
                                      "e",
                                      "strasse",
                                      "\x8A"
                                      "ar",
                                      "Sar"};
    std::sort(words.begin(), words.end(),
              [](const std::string& a, const std::string& b) { return AnsiCompareStr(a, b) < 0; });
    const std::vector<std::string> expected = {"_x",
                                               "10",
                                               "9",
                                               "Apfel",
                                               "\xC4pfel",
                                               "apple",
                                               "Bar",
                                               "b\xE4r",
                                               "resume",
                                               "r\xE9sum\xE9",
                                               "resumf",
                                               "Sar",
                                               "\x8A"
                                               "ar",
                                               "stra\xDF"
                                               "e",
                                               "strasse",
                                               "Zebra",
                                               "\xDE"
                                               "orn"};
    EXPECT_EQ(words, expected);

    EXPECT_EQ(AnsiCompareText("CAF\xC9", "caf\xE9"), 0);
    EXPECT_LT(AnsiCompareText("cafe", "caf\xE9"), 0);  // the accent decides after the letters tie
    EXPECT_LT(AnsiCompareText("caf\xE9", "cafes"), 0); // letters outrank accents
    EXPECT_LT(AnsiCompareStr("cote", "Cote"), 0);      // lower case first
    EXPECT_LT(AnsiCompareStr("Cote", "c\xF4te"), 0);   // accents outrank case
    EXPECT_LT(AnsiCompareText("ab", "abc"), 0);
    EXPECT_TRUE(AnsiSameText("M\xDCLLER", "m\xFCller"));
    EXPECT_FALSE(AnsiSameText("MULLER", "m\xFCller"));
    EXPECT_FALSE(AnsiSameStr("a", "A"));
    EXPECT_LT(AnsiCompareText("\x01", " "), 0); // control characters before blanks
}

TEST(CStrings, ComparisonsAndSearch) {
    EXPECT_EQ(StrLen("abc"), 3u);
    EXPECT_EQ(StrLen(nullptr), 0u);
    EXPECT_EQ(AnsiStrComp("abc", "abc"), 0);
    EXPECT_LT(AnsiStrComp("abc", "ABC"), 0);
    EXPECT_EQ(AnsiStrIComp("abc", "ABC"), 0);
    EXPECT_EQ(AnsiStrIComp(nullptr, ""), 0);
    EXPECT_EQ(AnsiStrLIComp("ABCdef", "abcxyz", 3), 0);
    EXPECT_NE(AnsiStrLIComp("ABCdef", "abcxyz", 4), 0);
    EXPECT_NE(AnsiStrLIComp("ab", "abc", 3), 0); // the first text ends early
    EXPECT_EQ(AnsiStrLIComp("\xC9t\xC9", "\xE9t\xE9!", 3), 0);
    EXPECT_EQ(AnsiStrLIComp("x", "y", 0), 0);
    EXPECT_GT(AnsiStrLComp("aB", "ab", 2), 0); // lower case first
    // Texts without a NUL inside the compared length are read no further than that length.
    const char noNul[3] = {'a', 'b', 'c'};
    EXPECT_EQ(AnsiStrLIComp(noNul, "ABCD", 3), 0);

    const char* hay = "find the needle here";
    EXPECT_EQ(AnsiStrPos(hay, "needle"), hay + 9);
    EXPECT_EQ(AnsiStrPos(hay, "absent"), nullptr);
    EXPECT_EQ(AnsiStrPos(hay, ""), nullptr);
    EXPECT_EQ(AnsiStrPos(static_cast<const char*>(nullptr), "x"), nullptr);
    char buf[] = "abcabc";
    EXPECT_EQ(AnsiStrPos(buf, "ca"), buf + 2);
}

TEST(Positions, OneBased) {
    EXPECT_EQ(Pos("b", "abc"), 2u);
    EXPECT_EQ(Pos("x", "abc"), 0u);
    EXPECT_EQ(Pos("", "abc"), 0u);
    EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
    EXPECT_EQ(Copy("abcdef", 0, 2), "ab");
    EXPECT_EQ(Copy("abcdef", 5, 100), "ef");
    EXPECT_EQ(Copy("abcdef", 7, 1), "");
    EXPECT_EQ(Copy("abcdef", 2, -1), "");
}

TEST(FileNames, BothDelimitersWork) {
    EXPECT_EQ(ExtractFileName("C:\\data\\sales.db"), "sales.db");
    EXPECT_EQ(ExtractFilePath("C:\\data\\sales.db"), "C:\\data\\");
    EXPECT_EQ(ExtractFileName("/var/lib/x.db"), "x.db");
    EXPECT_EQ(ExtractFilePath("/var/lib/x.db"), "/var/lib/");
    EXPECT_EQ(ExtractFileName("C:sales.db"), "sales.db");
    EXPECT_EQ(ExtractFileName("mixed/dir\\name.txt"), "name.txt");
    EXPECT_EQ(ExtractFileName("plain"), "plain");
    EXPECT_EQ(ExtractFilePath("plain"), "");
    EXPECT_EQ(ExtractFileName("dir/"), "");

    EXPECT_EQ(ExtractFileDir("/tmp/x.db"), "/tmp");
    EXPECT_EQ(ExtractFileDir("/x.db"), "/");
    EXPECT_EQ(ExtractFileDir("C:\\x.db"), "C:\\");
    EXPECT_EQ(ExtractFileDir("x.db"), "");

    EXPECT_EQ(ExtractFileExt("C:\\data\\sales.db"), ".db");
    EXPECT_EQ(ExtractFileExt("archive.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFileExt("dir.d\\file"), "");
    EXPECT_EQ(ExtractFileExt("dir.d/file"), "");
    EXPECT_EQ(ExtractFileExt("name."), ".");
    EXPECT_EQ(ChangeFileExt("a/b.c.txt", ".log"), "a/b.c.log");
    EXPECT_EQ(ChangeFileExt("a.d/b", ".log"), "a.d/b.log");

    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\data\\"), "C:\\data\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter(""), "");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\data\\"), "C:\\data");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp"), "/tmp");
    EXPECT_TRUE(IsPathDelimiter("a\\b", 2));
    EXPECT_FALSE(IsPathDelimiter("a\\b", 4));
}

// The flags the system keeps for the mapping that holds `address` ("" when none is found).
std::string MappingFlags(const void* address) {
    std::ifstream maps("/proc/self/smaps");
    const auto at = reinterpret_cast<unsigned long>(address);
    std::string line;
    bool inside = false;
    while (std::getline(maps, line)) {
        unsigned long from = 0, to = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2) inside = at >= from && at < to;
        if (inside && line.rfind("VmFlags:", 0) == 0) return line + " ";
    }
    return {};
}

TEST(PreferHugePages, MarksTheAlignedInsideOfALargeBlockAndLeavesTheRestAlone) {
    // Blocks inside a fresh mapping of their own, so that no earlier hint shows through.
    constexpr std::size_t kHuge = std::size_t(2) << 20;
    const std::size_t mapped = 12 * kHuge;
    void* region = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(region, MAP_FAILED);
    const auto base = (reinterpret_cast<std::uintptr_t>(region) + kHuge - 1) & ~(kHuge - 1);
    char* const block = reinterpret_cast<char*>(base + 4096); // starts just past a 2 MB boundary
    const std::size_t size = 8 * kHuge;
    char* const inside = reinterpret_cast<char*>(base + kHuge);
    if (MappingFlags(inside).empty()) {
        munmap(region, mapped);
        GTEST_SKIP() << "the system does not show its mappings' flags";
    }
    EXPECT_EQ(MappingFlags(inside).find(" hg "), std::string::npos);
    PreferHugePages(block, size);
    EXPECT_NE(MappingFlags(inside).find(" hg "), std::string::npos) << "the aligned inside is marked";
    EXPECT_EQ(MappingFlags(block).find(" hg "), std::string::npos) << "not the part before a boundary";
    EXPECT_EQ(MappingFlags(block + size - 1).find(" hg "), std::string::npos) << "nor the part after the last";
    std::memset(block, 0x5A, size); // the hint changes nothing of the contents
    EXPECT_EQ(block[size - 1], 0x5A);

    // A block under 8 MB is left as it is.
    char* const small = reinterpret_cast<char*>(base + 10 * kHuge - 4096);
    PreferHugePages(small, 3 * kHuge / 2);
    EXPECT_EQ(MappingFlags(reinterpret_cast<char*>(base + 10 * kHuge)).find(" hg "), std::string::npos);
    munmap(region, mapped);
}

} // namespace
