// Format: every specifier with index, width, precision and '-', argument checking, and the
// rounding of floating point text.
#include "platform/vcl/Format.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Variant.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vcl;

namespace {

TEST(Format, Integers) {
    EXPECT_EQ(Format("%d", {42}), "42");
    EXPECT_EQ(Format("%d", {-42}), "-42");
    EXPECT_EQ(Format("%5d|%-5d|", {42, 42}), "   42|42   |");
    EXPECT_EQ(Format("%.4d", {-42}), "-0042");
    EXPECT_EQ(Format("%d", {std::numeric_limits<std::int64_t>::min()}), "-9223372036854775808");
    EXPECT_EQ(Format("%d", {std::numeric_limits<std::uint64_t>::max()}), "18446744073709551615");
    EXPECT_EQ(Format("%u", {-1}), "4294967295"); // 32-bit two's complement
    EXPECT_EQ(Format("%u", {std::int64_t(-1)}), "18446744073709551615");
    EXPECT_EQ(Format("%x", {255}), "FF");
    EXPECT_EQ(Format("%.4x", {255}), "00FF");
    EXPECT_EQ(Format("%x", {-1}), "FFFFFFFF");
    EXPECT_EQ(Format("%X", {std::int64_t(-1)}), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(Format("%d", {std::uint8_t(200)}), "200");
}

TEST(Format, FloatingPoint) {
    EXPECT_EQ(Format("%f", {1.0}), "1.00");
    EXPECT_EQ(Format("%.3f", {-1.23456}), "-1.235");
    EXPECT_EQ(Format("%.2f", {0.125}), "0.13"); // decimal half rounds away from zero
    EXPECT_EQ(Format("%.2f", {2.675}), "2.67"); // binary 2.67499999...
    EXPECT_EQ(Format("%.0f", {0.5}), "1");
    EXPECT_EQ(Format("%.2f", {-0.001}), "0.00"); // no "-0.00"
    EXPECT_EQ(Format("%.2f", {999.999}), "1000.00");
    EXPECT_EQ(Format("%8.2f|", {3.14159}), "    3.14|");
    EXPECT_EQ(Format("%n", {1234567.891}), "1,234,567.89");
    EXPECT_EQ(Format("%.0n", {-999.6}), "-1,000");
    EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
    EXPECT_EQ(Format("%.3e", {-0.00012345}), "-1.23E-004");
    EXPECT_EQ(Format("%e", {0.0}), "0.00000000000000E+000");
    EXPECT_EQ(Format("%g", {0.1}), "0.1");
    EXPECT_EQ(Format("%g", {1e15}), "1E15");
    EXPECT_EQ(Format("%g", {123456789012345.0}), "123456789012345");
    EXPECT_EQ(Format("%g", {0.00001}), "0.00001");
    EXPECT_EQ(Format("%g", {0.000001}), "1E-6");
    EXPECT_EQ(Format("%.3g", {3.14159}), "3.14");
    EXPECT_EQ(Format("%g", {-2.5e-10}), "-2.5E-10");
    EXPECT_EQ(Format("%f", {std::numeric_limits<double>::infinity()}), "INF");
    EXPECT_EQ(Format("%g", {std::numeric_limits<double>::quiet_NaN()}), "NAN");
    EXPECT_EQ(Format("%f", {Currency::FromScaled(12345)}), "1.23");
    EXPECT_EQ(Format("%.1f", {1.5f}), "1.5");

    TFormatSettings german;
    german.DecimalSeparator = ',';
    german.ThousandSeparator = '.';
    EXPECT_EQ(Format("%n", {1234.5}, german), "1.234,50");
}

TEST(Format, TextAndOthers) {
    const AnsiString name = "orders";
    EXPECT_EQ(Format("Table %s has %d rows", {name, 3}), "Table orders has 3 rows");
    EXPECT_EQ(Format("[%6s][%-6s][%.2s]", {"ab", "ab", "abcdef"}), "[    ab][ab    ][ab]");
    EXPECT_EQ(Format("%s/%s/%s", {'c', true, std::string_view("v")}), "c/True/v");
    EXPECT_EQ(Format("%s", {static_cast<const char*>(nullptr)}), "");
    EXPECT_EQ(Format("100%%", {}), "100%");
    EXPECT_EQ(Format("no specifiers", {}), "no specifiers");
    EXPECT_EQ(Format("%p", {nullptr}), "0000000000000000");
    int x = 0;
    EXPECT_EQ(Format("%p", {&x}).size(), 16u);
}

TEST(Format, IndexAndStar) {
    EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b", "c"}), "b a b");
    EXPECT_EQ(Format("%0:s-%0:s", {"x"}), "x-x");
    EXPECT_EQ(Format("%*d|%-*d|", {4, 7, 3, 8}), "   7|8  |");
    EXPECT_EQ(Format("%.*f", {1, 2.25}), "2.3");
}

TEST(Format, WidthsAndPrecisionsBeyondAMillionAreRefusedNotAllocated) {
    EXPECT_EQ(Format("%1000000d", {7}).size(), 1000000u);
    EXPECT_EQ(Format("%*d", {1000000, 7}).size(), 1000000u);
    for (const char* fmt : {"%1000001d", "%302147483d", "%999999999d", "%.302147483d", "%-302147483s"})
        EXPECT_THROW(Format(fmt, {7}), EConvertError) << fmt;
    EXPECT_THROW(Format("%*d", {302147483, 7}), EConvertError);
    EXPECT_THROW(Format("%.*d", {302147483, 7}), EConvertError);
    EXPECT_EQ(Format("%*d|", {-3, 7}), "7|") << "a negative width is no width";
}

TEST(Format, VariantArgumentsConvert) {
    const Variant i(12), d(2.5), s("txt"), n = Null(), t("12");
    EXPECT_EQ(Format("%d %.1f %s %s", {i, d, s, i}), "12 2.5 txt 12");
    EXPECT_EQ(Format("%d", {t}), "12");
    EXPECT_EQ(Format("[%s]", {n}), "[]");
    EXPECT_THROW(Format("%d", {s}), EConvertError);
    EXPECT_THROW(Format("%f", {n}), EConvertError);
}

TEST(Format, MismatchesRaiseConversionErrors) {
    try {
        Format("%d rows", {"many"});
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Format '%d rows' invalid or incompatible with argument");
    }
    EXPECT_THROW(Format("%s", {1}), EConvertError);
    EXPECT_THROW(Format("%f", {1}), EConvertError);
    EXPECT_THROW(Format("%d", {1.5}), EConvertError);
    EXPECT_THROW(Format("%p", {1}), EConvertError);
    EXPECT_THROW(Format("%k", {1}), EConvertError);
    EXPECT_THROW(Format("trailing %", {}), EConvertError);
    EXPECT_THROW(Format("%*d", {"w", 1}), EConvertError);
    EXPECT_THROW(Format("%9999999999d", {1}), EConvertError);
    try {
        Format("%s and %s", {"one"});
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "No argument for format '%s and %s'");
    }
    EXPECT_THROW(Format("%5:s", {"a"}), EConvertError);
}

} // namespace
