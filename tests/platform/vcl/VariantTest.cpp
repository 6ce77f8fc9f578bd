// Variant: type codes, conversions both ways (failures included), value semantics, comparison
// and variant arrays.
#include "platform/vcl/Variant.h"
#include "platform/vcl/DateTime.h"
#include "platform/vcl/Exceptions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <sstream>

using namespace vcl;

namespace {

TEST(VariantTypes, ConstructorsPickTheFrameworkCodes) {
    EXPECT_EQ(Variant().VarType(), varEmpty);
    EXPECT_EQ(Null().VarType(), varNull);
    EXPECT_EQ(Unassigned().VarType(), varEmpty);
    EXPECT_EQ(Variant(std::int16_t(1)).VarType(), varSmallint);
    EXPECT_EQ(Variant(1).VarType(), varInteger);
    EXPECT_EQ(Variant(1.5f).VarType(), varSingle);
    EXPECT_EQ(Variant(1.5).VarType(), varDouble);
    EXPECT_EQ(Variant(Currency::FromScaled(15000)).VarType(), varCurrency);
    EXPECT_EQ(Variant(TDateTime(2.0)).VarType(), varDate);
    EXPECT_EQ(Variant::OleStr("w").VarType(), varOleStr);
    EXPECT_EQ(Variant(true).VarType(), varBoolean);
    EXPECT_EQ(Variant(std::uint8_t(7)).VarType(), varByte);
    EXPECT_EQ(Variant(std::int64_t(7)).VarType(), varInt64);
    EXPECT_EQ(Variant("abc").VarType(), varString);
    EXPECT_EQ(Variant(AnsiString("abc")).VarType(), varString);
    EXPECT_EQ(Variant('x').VarType(), varString);
    EXPECT_EQ(VarArrayOf({1, 2}).VarType(), varArray | varVariant);
    EXPECT_EQ(VarArrayCreate(0, 3, varByte).VarType(), 0x2011);
    EXPECT_EQ(VarArrayOf({}).VarType(), 0x200C);

    EXPECT_TRUE(VarIsNull(Null()));
    EXPECT_FALSE(VarIsNull(Variant()));
    EXPECT_TRUE(VarIsEmpty(Variant()));
    EXPECT_FALSE(VarIsEmpty(Null()));
    EXPECT_TRUE(VarIsArray(VarArrayOf({1})));
    EXPECT_FALSE(VarIsArray(Variant("x")));
    EXPECT_TRUE(VarIsStr(Variant::OleStr("")));
}

TEST(VariantConversion, NumbersToText) {
    EXPECT_EQ(Variant(42).AsString(), "42");
    EXPECT_EQ(Variant(std::int64_t(-9000000000)).AsString(), "-9000000000");
    EXPECT_EQ(Variant(std::numeric_limits<std::uint64_t>::max()).AsString(), "18446744073709551615");
    EXPECT_EQ(Variant(1.5).AsString(), "1.5");
    EXPECT_EQ(Variant(0.1 + 0.2).AsString(), "0.3");
    EXPECT_EQ(Variant(0.1f).AsString(), "0.1"); // single: 7 significant digits
    EXPECT_EQ(Variant(1e20).AsString(), "1E20");
    EXPECT_EQ(Variant(Currency::FromScaled(-12345)).AsString(), "-1.2345");
    EXPECT_EQ(Variant(true).AsString(), "True");
    EXPECT_EQ(Variant(false).AsString(), "False");
    EXPECT_EQ(Variant(EncodeDate(2000, 3, 1)).AsString(), "2000-03-01");
    EXPECT_EQ(Variant(EncodeDateTime(2000, 3, 1, 12, 30, 15, 0)).AsString(), "2000-03-01 12:30:15");
}

TEST(VariantConversion, TextToNumbers) {
    EXPECT_EQ(Variant("123").AsInteger(), 123);
    EXPECT_EQ(Variant(" -7 ").AsInteger(), -7);
    EXPECT_EQ(Variant("$FF").AsInteger(), 255);
    EXPECT_EQ(Variant("2.5").AsInteger(), 2); // rounds half to even
    EXPECT_EQ(Variant("3.5").AsInteger(), 4);
    EXPECT_DOUBLE_EQ(Variant("1.25").AsDouble(), 1.25);
    EXPECT_DOUBLE_EQ(Variant("1e3").AsDouble(), 1000.0);
    EXPECT_EQ(Variant("9000000000").AsInt64(), 9000000000);
    EXPECT_EQ(Variant("12.34").AsCurrency(), Currency::FromScaled(123400));
    EXPECT_TRUE(Variant("true").AsBoolean());
    EXPECT_FALSE(Variant("FALSE").AsBoolean());
    EXPECT_TRUE(Variant("2").AsBoolean());
    EXPECT_FALSE(Variant("0").AsBoolean());
    EXPECT_DOUBLE_EQ(Variant("2000-03-01 06:00:00").AsDateTime(), EncodeDate(2000, 3, 1) + 0.25);
}

TEST(VariantConversion, TextThatIsNoNumberRaisesTheCastError) {
    try {
        (void)Variant("abc").AsInteger();
        FAIL() << "no exception";
    } catch (const EVariantTypeCastError& e) {
        EXPECT_STREQ(e.what(), "Could not convert variant of type (String) into type (Integer)");
    }
    EXPECT_THROW((void)Variant("abc").AsDouble(), EVariantTypeCastError);
    EXPECT_THROW((void)Variant("1,5").AsDouble(), EVariantTypeCastError);
    EXPECT_THROW((void)Variant("").AsInteger(), EVariantTypeCastError);
    EXPECT_THROW((void)Variant("yes").AsBoolean(), EVariantTypeCastError);
    EXPECT_THROW((void)Variant("not a date").AsDateTime(), EVariantTypeCastError);
    EXPECT_THROW((void)Variant::OleStr("x").AsCurrency(), EVariantTypeCastError);
    // The cast error is a variant error, which is what callers catch generically.
    EXPECT_THROW((void)Variant("abc").AsInt64(), EVariantError);
}

TEST(VariantConversion, NullRaisesEmptyIsZero) {
    const Variant n = Null();
    EXPECT_THROW((void)n.AsInteger(), EVariantTypeCastError);
    EXPECT_THROW((void)n.AsDouble(), EVariantTypeCastError);
    EXPECT_THROW((void)n.AsBoolean(), EVariantTypeCastError);
    EXPECT_THROW((void)n.AsDateTime(), EVariantTypeCastError);
    EXPECT_THROW((void)n.AsString(), EVariantTypeCastError);
    EXPECT_EQ(VarToStr(n), "");
    try {
        (void)n.AsDouble();
    } catch (const EVariantTypeCastError& e) {
        EXPECT_STREQ(e.what(), "Could not convert variant of type (Null) into type (Double)");
    }

    const Variant e;
    EXPECT_EQ(e.AsInteger(), 0);
    EXPECT_EQ(e.AsDouble(), 0.0);
    EXPECT_EQ(e.AsString(), "");
    EXPECT_FALSE(e.AsBoolean());
    EXPECT_EQ(e.AsDateTime(), 0.0);
    EXPECT_EQ(e.AsCurrency(), Currency());
}

TEST(VariantConversion, BooleansAreMinusOneAsNumbers) {
    EXPECT_EQ(Variant(true).AsInteger(), -1);
    EXPECT_EQ(Variant(false).AsInteger(), 0);
    EXPECT_EQ(Variant(true).AsDouble(), -1.0);
    EXPECT_TRUE(Variant(-3).AsBoolean());
    EXPECT_TRUE(Variant(0.5).AsBoolean());
    EXPECT_FALSE(Variant(0).AsBoolean());
}

TEST(VariantConversion, FloatToIntegerRoundsAndChecksRange) {
    EXPECT_EQ(Variant(2.5).AsInteger(), 2);
    EXPECT_EQ(Variant(-2.5).AsInteger(), -2);
    EXPECT_EQ(Variant(2.6).AsInteger(), 3);
    EXPECT_EQ(Variant(Currency::FromScaled(25000)).AsInteger(), 2); // 2.5
    EXPECT_EQ(Variant(Currency::FromScaled(35000)).AsInteger(), 4); // 3.5
    EXPECT_EQ(Variant(Currency::FromScaled(-35000)).AsInteger(), -4);
    EXPECT_THROW((void)Variant(3e9).AsInteger(), EVariantOverflowError);
    EXPECT_EQ(Variant(3e9).AsInt64(), 3000000000);
    EXPECT_THROW((void)Variant(std::int64_t(1) << 40).AsInteger(), EVariantOverflowError);
    EXPECT_THROW((void)Variant(std::numeric_limits<double>::quiet_NaN()).AsInt64(), EVariantOverflowError);
    EXPECT_THROW((void)Variant(1e300).AsCurrency(), EVariantOverflowError);
}

TEST(VariantConversion, DatesAndCurrency) {
    const TDateTime d = EncodeDateTime(1999, 12, 31, 23, 59, 59, 0);
    EXPECT_DOUBLE_EQ(Variant(d).AsDouble(), d.Value);
    EXPECT_DOUBLE_EQ(Variant(36525.5).AsDateTime(), 36525.5);
    EXPECT_EQ(Variant(1.23456).AsCurrency(), Currency::FromScaled(12346));
    EXPECT_DOUBLE_EQ(Variant(Currency::FromScaled(12345)).AsDouble(), 1.2345);
    EXPECT_EQ(Variant(7).AsCurrency(), Currency::FromScaled(70000));
}

TEST(VariantConversion, VarAsTypeConvertsAndChecksRange) {
    Variant v = VarAsType(Variant("12"), varInteger);
    EXPECT_EQ(v.VarType(), varInteger);
    EXPECT_EQ(v.AsInteger(), 12);
    EXPECT_EQ(VarAsType(Variant(300), varSmallint).VarType(), varSmallint);
    EXPECT_THROW(VarAsType(Variant(300), varByte), EVariantOverflowError);
    EXPECT_THROW(VarAsType(Variant(-1), varWord), EVariantOverflowError);
    EXPECT_EQ(VarAsType(Variant(1), varOleStr).VarType(), varOleStr);
    EXPECT_EQ(VarAsType(Variant(1), varOleStr).AsString(), "1");
    EXPECT_EQ(VarAsType(Variant("1.5"), varDouble).AsDouble(), 1.5);
    EXPECT_EQ(VarAsType(Variant(1.0), varDate).VarType(), varDate);
    EXPECT_TRUE(VarAsType(Variant(5), varNull).IsNull());
    EXPECT_THROW(VarAsType(Null(), varInteger), EVariantTypeCastError);
    EXPECT_THROW(VarAsType(Variant(1), varArray | varByte), EVariantTypeCastError);
    EXPECT_THROW(VarAsType(Variant(1e39), varSingle), EVariantOverflowError);
}

TEST(VariantConversion, ArraysConvertToNothingElse) {
    const Variant a = VarArrayOf({1, 2});
    EXPECT_THROW((void)a.AsString(), EVariantTypeCastError);
    EXPECT_THROW((void)a.AsInteger(), EVariantTypeCastError);
    try {
        (void)VarArrayCreate(0, 1, varByte).AsString();
    } catch (const EVariantTypeCastError& e) {
        EXPECT_STREQ(e.what(), "Could not convert variant of type (Array Byte) into type (String)");
    }
}

TEST(VariantValueSemantics, CopiesAreIndependent) {
    Variant a("hello");
    Variant b = a;
    b = Variant("world");
    EXPECT_EQ(a.AsString(), "hello");
    EXPECT_EQ(b.AsString(), "world");

    Variant c = std::move(a);
    EXPECT_TRUE(a.IsEmpty()); // NOLINT(bugprone-use-after-move): moved-from is Empty by contract
    EXPECT_EQ(c.TextRef(), "hello");

    // Assignment across every representation.
    Variant x(1);
    x = "text that is long enough to live outside the small-string buffer";
    x = 2.5;
    x = VarArrayOf({1});
    x = Null();
    EXPECT_TRUE(x.IsNull());
    x = Variant("s");
    const Variant& same = x;
    x = same; // self-assignment keeps the value
    EXPECT_EQ(x.AsString(), "s");
    x.Clear();
    EXPECT_TRUE(x.IsEmpty());
}

TEST(VariantValueSemantics, ArrayCopiesAreIndependentOnWrite) {
    Variant a = VarArrayOf({1, "two", 3.0});
    Variant b = a;
    b.PutElement(1, "changed");
    EXPECT_EQ(a.GetElement(1).AsString(), "two");
    EXPECT_EQ(b.GetElement(1).AsString(), "changed");

    // Writing through a lock pointer must not show in a copy made before or after the lock.
    Variant bytes = VarArrayOfBytes("abc", 3);
    Variant before = bytes;
    {
        TVarArrayLock lock(bytes);
        Variant during = bytes;
        static_cast<std::uint8_t*>(lock.Data())[0] = 'X';
        EXPECT_EQ(during.GetElement(0).AsInteger(), 'a');
    }
    EXPECT_EQ(before.GetElement(0).AsInteger(), 'a');
    EXPECT_EQ(bytes.GetElement(0).AsInteger(), 'X');

    // An element assigned from its own array.
    Variant nest = VarArrayOf({1, 2});
    nest.PutElement(0, nest);
    EXPECT_TRUE(nest.GetElement(0).IsArray());
    EXPECT_EQ(nest.GetElement(0).GetElement(1).AsInteger(), 2);
    nest = nest.ElementRef(0); // assigning a part of itself to itself
    EXPECT_EQ(nest.GetElement(0).AsInteger(), 1);
}

TEST(VariantCompare, EqualityFollowsTheFrameworkRules) {
    EXPECT_TRUE(Variant(1) == Variant(1.0));
    EXPECT_TRUE(Variant(std::int16_t(5)) == Variant(std::int64_t(5)));
    EXPECT_TRUE(Variant("5") == Variant(5));
    EXPECT_TRUE(Variant("abc") == Variant::OleStr("abc"));
    EXPECT_FALSE(Variant("abc") == Variant("ABC"));
    EXPECT_TRUE(Variant(Currency::FromScaled(15000)) == Variant(1.5));
    EXPECT_TRUE(Variant(true) == Variant(-1));
    EXPECT_FALSE(Variant(true) == Variant(1));
    EXPECT_TRUE(Variant(true) == Variant("True"));
    EXPECT_TRUE(Variant(TDateTime(1.5)) == Variant(1.5));
    EXPECT_TRUE(Variant(EncodeDate(2000, 1, 1)) == Variant("2000-01-01"));

    EXPECT_TRUE(Null() == Null());
    EXPECT_FALSE(Null() == Variant());
    EXPECT_FALSE(Null() == Variant(0));
    EXPECT_TRUE(Variant() == Variant());
    EXPECT_TRUE(Variant() == Variant(0));
    EXPECT_TRUE(Variant() == Variant(""));
    EXPECT_FALSE(Variant() == Variant("x"));
    EXPECT_TRUE(Variant(1) != Variant(2));

    EXPECT_THROW((void)(Variant("abc") == Variant(1)), EVariantTypeCastError);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(Variant(nan) == Variant(nan));
    EXPECT_TRUE(Variant(std::numeric_limits<std::uint64_t>::max()) != Variant(std::int64_t(-1)));
}

TEST(VariantCompare, Ordering) {
    EXPECT_TRUE(Variant(1) < Variant(1.5));
    EXPECT_TRUE(Variant("10") > Variant(9));
    EXPECT_TRUE(Variant("apple") < Variant("Banana")); // collation, not byte order
    EXPECT_TRUE(Variant("apple") < Variant("Apple"));  // lower case first
    EXPECT_TRUE(Null() < Variant(-1000));
    EXPECT_FALSE(Variant(-1000) < Null());
    EXPECT_FALSE(Null() < Null());
    EXPECT_TRUE(Variant() < Variant(1));
    EXPECT_TRUE(Variant(false) < Variant(true));
    EXPECT_TRUE(Variant(EncodeDate(1899, 12, 29)) < Variant(EncodeDate(1899, 12, 30)));
    EXPECT_TRUE(Variant(std::int64_t(9007199254740993)) > Variant(9007199254740992.0));
    EXPECT_TRUE(Variant(Currency::FromScaled(1)) < Variant(Currency::FromScaled(2)));
    EXPECT_TRUE(Variant(2) >= Variant(2.0));
    EXPECT_TRUE(Variant(2) <= Variant(2.0));
    EXPECT_THROW((void)(VarArrayOf({1}) < VarArrayOf({2})), EVariantInvalidOpError);
}

TEST(VariantCompare, VarCompareValueKeepsEmptyAndNullApart) {
    EXPECT_EQ(VarCompareValue(Variant(), Variant()), vrEqual);
    EXPECT_EQ(VarCompareValue(Null(), Null()), vrEqual);
    EXPECT_EQ(VarCompareValue(Variant(), Variant(0)), vrNotEqual);
    EXPECT_EQ(VarCompareValue(Null(), Variant(0)), vrNotEqual);
    EXPECT_EQ(VarCompareValue(Variant(1), Variant(2)), vrLessThan);
    EXPECT_EQ(VarCompareValue(Variant("b"), Variant("a")), vrGreaterThan);
    EXPECT_EQ(VarCompareValue(Variant(3), Variant(3.0)), vrEqual);
}

TEST(VariantCompare, ArrayEquality) {
    EXPECT_TRUE(VarArrayOf({1, "a"}) == VarArrayOf({1.0, "a"}));
    EXPECT_FALSE(VarArrayOf({1, "a"}) == VarArrayOf({1, "b"}));
    EXPECT_FALSE(VarArrayOf({1}) == VarArrayOf({1, 1}));
    EXPECT_TRUE(VarArrayOfBytes("xy", 2) == VarArrayOfBytes("xy", 2));
    EXPECT_FALSE(VarArrayOfBytes("xy", 2) == VarArrayOfBytes("xz", 2));
    EXPECT_FALSE(VarArrayOfBytes("xy", 2) == VarArrayOf({'x', 'y'}));
    EXPECT_FALSE(VarArrayOf({1}) == Variant(1));
    Variant shifted = VarArrayCreate(1, 2, varByte);
    EXPECT_FALSE(shifted == VarArrayCreate(0, 1, varByte));
}

TEST(VariantArray, BoundsAndElements) {
    Variant a = VarArrayCreate(-2, 2, varVariant);
    EXPECT_EQ(VarArrayDimCount(a), 1);
    EXPECT_EQ(VarArrayLowBound(a, 1), -2);
    EXPECT_EQ(VarArrayHighBound(a, 1), 2);
    EXPECT_TRUE(a.GetElement(-2).IsEmpty());
    a.PutElement(-2, "first");
    a.PutElement(2, Null());
    EXPECT_EQ(a[-2].AsString(), "first");
    EXPECT_TRUE(a[2].IsNull());
    EXPECT_THROW(a.PutElement(3, 1), EVariantBadIndexError);
    EXPECT_THROW((void)a.GetElement(-3), EVariantBadIndexError);
    EXPECT_THROW((void)VarArrayHighBound(a, 2), EVariantBadIndexError);
    EXPECT_THROW((void)VarArrayLowBound(Variant(1), 1), EVariantError);
    EXPECT_THROW((void)Variant(1).GetElement(0), EVariantError);
    EXPECT_EQ(VarArrayDimCount(Variant(1)), 0);

    Variant empty = VarArrayCreate(0, -1, varByte);
    EXPECT_EQ(VarArrayHighBound(empty, 1), -1);
    EXPECT_THROW(VarArrayCreate(0, -2, varByte), EVariantArrayCreateError);
    EXPECT_THROW(VarArrayCreate(0, 1, varNull), EVariantArrayCreateError);
    EXPECT_THROW(VarArrayCreate({0, 1, 0}, varByte), EVariantArrayCreateError);
    EXPECT_THROW(VarArrayCreate({0, 100000, 0, 100000}, varByte), EVariantArrayCreateError);
}

TEST(VariantArray, TypedElementsConvertOnPut) {
    Variant ints = VarArrayCreate(0, 2, varInteger);
    ints.PutElement(0, "42");
    ints.PutElement(1, 2.5);
    EXPECT_EQ(ints[0].VarType(), varInteger);
    EXPECT_EQ(ints[0].AsInteger(), 42);
    EXPECT_EQ(ints[1].AsInteger(), 2);
    EXPECT_THROW(ints.PutElement(2, "x"), EVariantTypeCastError);
    EXPECT_EQ(ints[2].AsInteger(), 0); // a failed put leaves the element as it was

    Variant bytes = VarArrayCreate(0, 0, varByte);
    EXPECT_THROW(bytes.PutElement(0, 256), EVariantOverflowError);

    Variant bools = VarArrayCreate(0, 0, varBoolean);
    bools.PutElement(0, true);
    EXPECT_EQ(bools[0].VarType(), varBoolean);
    EXPECT_TRUE(bools[0].AsBoolean());
    EXPECT_EQ(*static_cast<const std::int16_t*>(VarArrayLock(static_cast<const Variant&>(bools))), -1);
    VarArrayUnlock(bools);

    Variant texts = VarArrayCreate(1, 2, varOleStr);
    texts.PutElement(1, 12);
    EXPECT_EQ(texts[1].VarType(), varOleStr);
    EXPECT_EQ(texts[1].AsString(), "12");

    Variant dates = VarArrayCreate(0, 0, varDate);
    dates.PutElement(0, "2000-01-01");
    EXPECT_EQ(dates[0].VarType(), varDate);
    EXPECT_EQ(dates[0].AsDateTime(), EncodeDate(2000, 1, 1));
}

TEST(VariantArray, MultiDimensional) {
    Variant m = VarArrayCreate({0, 1, 1, 3}, varInteger);
    EXPECT_EQ(VarArrayDimCount(m), 2);
    EXPECT_EQ(VarArrayLowBound(m, 2), 1);
    EXPECT_EQ(VarArrayHighBound(m, 2), 3);
    const std::int32_t at[2] = {1, 3};
    m.PutElement(at, 99);
    EXPECT_EQ(m.GetElement(at).AsInteger(), 99);
    // The first index varies fastest: (1,3) is element 1 + 2*2 = 5 of the packed memory.
    const auto* raw = static_cast<const std::int32_t*>(VarArrayLock(static_cast<const Variant&>(m)));
    EXPECT_EQ(raw[5], 99);
    VarArrayUnlock(m);
    EXPECT_THROW((void)m.GetElement(0), EVariantBadIndexError); // wrong number of indices
}

TEST(VariantArray, LockGivesTheBytesAndUnlockIsChecked) {
    Variant a = VarArrayCreate(0, 9, varByte);
    {
        TVarArrayLock lock(a);
        std::memcpy(lock.Data(), "0123456789", 10);
    }
    EXPECT_EQ(a[3].AsInteger(), '3');
    EXPECT_EQ(a[3].VarType(), varByte);
    EXPECT_THROW(VarArrayUnlock(a), EVariantNotLockedError);

    void* p = VarArrayLock(a);
    EXPECT_THROW(VarArrayRedim(a, 20), EVariantArrayLockedError);
    EXPECT_EQ(std::memcmp(p, "0123456789", 10), 0);
    VarArrayUnlock(a);
    VarArrayRedim(a, 11);
    EXPECT_EQ(VarArrayHighBound(a, 1), 11);
    EXPECT_EQ(a[9].AsInteger(), '9');
    EXPECT_EQ(a[11].AsInteger(), 0);
    VarArrayRedim(a, 1);
    EXPECT_EQ(a[1].AsInteger(), '1');
    EXPECT_THROW((void)a.GetElement(2), EVariantBadIndexError);

    Variant vars = VarArrayOf({"a", 2});
    auto* elems = static_cast<Variant*>(VarArrayLock(vars));
    elems[1] = "b";
    VarArrayUnlock(vars);
    EXPECT_EQ(vars[1].AsString(), "b");
    EXPECT_THROW(VarArrayLock(Variant(1)), EVariantError);
}

TEST(VariantArray, ElementRefAvoidsCopies) {
    Variant a = VarArrayOf({"long text that would need a heap buffer when copied", 7});
    const Variant& first = a.ElementRef(0);
    EXPECT_EQ(&first.TextRef(), &a.ElementRef(0).TextRef());
    EXPECT_EQ(a.ElementRef(1).AsInteger(), 7);
    EXPECT_THROW((void)a.ElementRef(2), EVariantBadIndexError);
    EXPECT_THROW((void)VarArrayCreate(0, 1, varByte).ElementRef(0), EVariantError);
}

TEST(VariantText, TextRefAndPrinting) {
    EXPECT_EQ(Variant("x").TextRef(), "x");
    EXPECT_THROW((void)Variant(1).TextRef(), EVariantTypeCastError);
    EXPECT_EQ(VarTypeAsText(varArray | varVariant), "Array Variant");
    EXPECT_EQ(VarTypeAsText(0x0E), "$000E");
    std::ostringstream os;
    os << Variant(5) << '|' << Variant("a") << '|' << Null() << '|' << VarArrayCreate(1, 3, varByte);
    EXPECT_EQ(os.str(), "Integer 5|String 'a'|Null|Array Byte [1..3]");
}

} // namespace
