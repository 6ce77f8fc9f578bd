// TAsaParam: typed values and their conversions, assignment from other objects, loading from
// files, and the data form of every type.
#include "ParamsTestSupport.h"
#include "support/TempDir.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/DateTime.h"
#include "platform/vcl/FileStream.h"
#include "platform/vcl/Icon.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/StringList.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

using namespace tnx;
using tnxtest::Bytes;
using vcl::Variant;

namespace {

std::string DataOf(const TAsaParam& param) {
    std::string bytes(static_cast<std::size_t>(param.GetDataSize()), '\0');
    param.GetData(bytes.data());
    return bytes;
}

} // namespace

TEST(Param, StartsNotNullUnknownWithTheIntegerZeroAndNoAlias) {
    auto params = vcl::New<TAsaParams>();
    TAsaParam* param = TAsaParam::Create(*params, "id");
    EXPECT_EQ(params->GetCount(), 1);
    EXPECT_EQ(param->GetParamList(), params.get());
    EXPECT_EQ(param->GetName(), "id");
    EXPECT_EQ(param->GetAlias(), "");
    EXPECT_FALSE(param->GetIsNull());
    EXPECT_EQ(param->GetDataType(), ntUnknown);
    EXPECT_EQ(param->GetAsVariant().VarType(), vcl::varInteger);
    EXPECT_EQ(param->GetAsInteger(), 0);

    // Clear keeps the type, SetDataType the null flag; both reset the value to the integer 0.
    param->SetAsString("abc");
    param->Clear();
    EXPECT_TRUE(param->GetIsNull());
    EXPECT_EQ(param->GetDataType(), ntString);
    EXPECT_EQ(param->GetAsVariant(), Variant(std::int32_t(0)));
    param->SetAsFloat(1.5);
    param->SetDataType(ntDate);
    EXPECT_FALSE(param->GetIsNull());
    EXPECT_EQ(param->GetAsVariant(), Variant(std::int32_t(0)));
}

TEST(Param, SetTextConvertsToTheCurrentType) {
    auto param = vcl::New<TAsaParam>("p");
    param->SetText("x");
    EXPECT_EQ(param->GetDataType(), ntString);
    EXPECT_EQ(param->GetAsVariant(), Variant("x"));

    struct Case {
        TAsaParamDataType Type;
        const char* Text;
        Variant Value;
    };
    const Case cases[] = {
        {ntInteger, "12", Variant(std::int32_t(12))},
        {ntFloat, "1.5", Variant(1.5)},
        {ntCurrency, "2.5", Variant(2.5)},
        {ntBoolean, "true", Variant(true)},
        {ntDate, "2024-05-17", Variant(vcl::EncodeDate(2024, 5, 17))},
        {ntTime, "no date", Variant(std::int32_t(0))}, // a text that is no date gives 0, no error
        {ntBlob, "12", Variant("12")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        param->SetDataType(c.Type);
        param->Clear();
        param->SetText(c.Text);
        EXPECT_FALSE(param->GetIsNull());
        EXPECT_EQ(param->GetDataType(), c.Type);
        EXPECT_EQ(param->GetAsVariant().VarType(), c.Value.VarType());
        EXPECT_EQ(param->GetAsVariant(), c.Value);
    }
}

TEST(Param, SetTextThatTheTypeRefusesRaisesAndChangesNothing) {
    auto param = vcl::New<TAsaParam>("p");
    param->SetAsInteger(7);
    param->Clear();
    EXPECT_THROW(param->SetText("abc"), vcl::EVariantError);
    EXPECT_TRUE(param->GetIsNull());
    EXPECT_EQ(param->GetAsVariant(), Variant(std::int32_t(0)));

    param->SetDataType(ntBoolean);
    EXPECT_THROW(param->SetText("maybe"), vcl::EVariantError);
    EXPECT_EQ(param->GetAsVariant().VarType(), vcl::varInteger);
}

TEST(Param, SetAsVariantTakesTheTypeFromTheTypeCode) {
    struct Case {
        Variant Value;
        TAsaParamDataType Type;
        bool Null;
    };
    const Case cases[] = {
        {Variant(std::int16_t(3)), ntInteger, false},
        {Variant(std::int32_t(3)), ntInteger, false},
        {Variant(1.5f), ntFloat, false},
        {Variant(1.5), ntFloat, false},
        {Variant(vcl::Currency::FromScaled(12345)), ntCurrency, false},
        {Variant(vcl::TDateTime(45000.5)), ntDateTime, false},
        {Variant::OleStr("wide"), ntString, false},
        {Variant("text"), ntString, false},
        {Variant(true), ntBoolean, false},
        {vcl::VarArrayOfBytes("\x01\x02", 2), ntBinary, false},
        {Variant(std::uint8_t(4)), ntUnknown, true},
        {Variant(std::int64_t(5)), ntUnknown, true},
        {vcl::VarArrayOf({Variant(1), Variant(2)}), ntUnknown, true},
        {vcl::Null(), ntUnknown, true},
        {vcl::Unassigned(), ntUnknown, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(vcl::VarTypeAsText(c.Value.VarType()));
        auto param = vcl::New<TAsaParam>("p");
        param->SetAsInteger(9);
        param->SetAsVariant(c.Value);
        EXPECT_EQ(param->GetDataType(), c.Type);
        EXPECT_EQ(param->GetIsNull(), c.Null);
        // The value is kept as given, type code included.
        EXPECT_EQ(param->GetAsVariant().VarType(), c.Value.VarType());
        EXPECT_EQ(param->GetAsVariant(), c.Value);
    }
}

TEST(Param, GetAsStringByType) {
    auto param = vcl::New<TAsaParam>("p");
    param->SetAsBoolean(true);
    EXPECT_EQ(param->GetAsString(), "True");
    param->SetAsBoolean(false);
    EXPECT_EQ(param->GetAsString(), "False");
    param->Clear();
    EXPECT_EQ(param->GetAsString(), "");

    const vcl::TDateTime when = vcl::EncodeDateTime(2024, 5, 17, 13, 45, 0, 0);
    param->SetAsDateTime(when);
    EXPECT_EQ(param->GetAsString(), vcl::DateTimeToStr(when));
    // A value far outside the calendar has no date text: empty, no error.
    param->SetAsDateTime(vcl::TDateTime(1e300));
    EXPECT_EQ(param->GetAsString(), "");

    param->SetAsFloat(2.5);
    EXPECT_EQ(param->GetAsString(), "2.5");
}

TEST(Param, DateAndTimeSettersKeepTheirPartOnly) {
    auto param = vcl::New<TAsaParam>("p");
    param->SetAsDate(vcl::EncodeDateTime(2024, 5, 17, 13, 45, 30, 250));
    EXPECT_EQ(param->GetDataType(), ntDate);
    EXPECT_EQ(param->GetAsDateTime(), vcl::EncodeDate(2024, 5, 17));
    param->SetAsTime(vcl::EncodeDateTime(2024, 5, 17, 13, 45, 30, 250));
    EXPECT_EQ(param->GetDataType(), ntTime);
    EXPECT_DOUBLE_EQ(param->GetAsDateTime(), vcl::EncodeTime(13, 45, 30, 250));
    // Before day 0 the day is the integral part and the time its fraction's absolute value.
    param->SetAsDate(vcl::TDateTime(-1.25));
    EXPECT_EQ(param->GetAsDateTime(), -1.0);
    param->SetAsTime(vcl::TDateTime(-1.25));
    EXPECT_EQ(param->GetAsDateTime(), 0.25);

    param->SetAsCurrency(2.25);
    EXPECT_EQ(param->GetDataType(), ntCurrency);
    EXPECT_EQ(param->GetAsVariant().VarType(), vcl::varDouble);
}

TEST(Param, IsEqualComparesTypeCodesNamesAndFlags) {
    auto a = vcl::New<TAsaParam>("id");
    auto b = vcl::New<TAsaParam>("id");
    a->SetAsInteger(5);
    b->SetAsInteger(5);
    EXPECT_TRUE(a->IsEqual(*b));
    b->SetAsVariant(5.0); // equal value, other type code and type
    EXPECT_FALSE(a->IsEqual(*b));
    b->SetAsInteger(5);
    b->SetAlias("ID");
    EXPECT_FALSE(a->IsEqual(*b));
    b->SetAlias("");
    a->Clear();
    EXPECT_FALSE(a->IsEqual(*b)); // null against 5
    b->Clear();
    EXPECT_TRUE(a->IsEqual(*b));
}

TEST(Param, AssignCopiesAnotherParameterWithItsNullFlag) {
    auto source = vcl::New<TAsaParam>("src");
    source->SetAlias("alias");
    source->SetAsString("value");
    auto target = vcl::New<TAsaParam>("dst");
    target->Assign(source.get());
    EXPECT_TRUE(target->IsEqual(*source));

    source->Clear();
    target->SetAsString("other");
    target->Assign(source.get());
    EXPECT_TRUE(target->GetIsNull());
    EXPECT_EQ(target->GetDataType(), ntString);
    EXPECT_EQ(target->GetAsVariant(), Variant(std::int32_t(0)));
}

TEST(Param, AssignTakesStringListsAndBitmaps) {
    auto param = vcl::New<TAsaParam>("p");
    auto lines = vcl::New<vcl::TStringList>();
    lines->Add("a");
    lines->Add("b");
    param->Assign(lines.get());
    EXPECT_EQ(param->GetDataType(), ntMemo);
    EXPECT_EQ(param->GetAsMemo(), "a\r\nb\r\n");

    auto bitmap = vcl::New<vcl::TBitmap>();
    bitmap->SetSize(3, 2);
    auto saved = vcl::New<vcl::TStringStream>();
    bitmap->SaveToStream(saved.get());
    param->Clear();
    param->Assign(bitmap.get());
    EXPECT_FALSE(param->GetIsNull());
    EXPECT_EQ(param->GetDataType(), ntBlob);
    EXPECT_EQ(param->GetAsVariant(), Variant(saved->GetDataString()));

    auto picture = vcl::New<vcl::TPicture>();
    picture->SetBitmap(bitmap.get());
    param->SetAsInteger(1);
    param->Assign(picture.get());
    EXPECT_EQ(param->GetAsVariant(), Variant(saved->GetDataString()));
}

TEST(Param, AssignFromAnUnsupportedSourceRaisesAndChangesNothing) {
    auto param = vcl::New<TAsaParam>("p");
    param->SetAsInteger(5);
    auto iconPicture = vcl::New<vcl::TPicture>();
    auto icon = vcl::New<vcl::TIcon>();
    iconPicture->SetIcon(icon.get());
    auto list = vcl::New<TAsaParams>();
    for (vcl::TPersistent* source :
         {static_cast<vcl::TPersistent*>(iconPicture.get()), static_cast<vcl::TPersistent*>(list.get()),
          static_cast<vcl::TPersistent*>(nullptr)}) {
        EXPECT_THROW(param->Assign(source), vcl::EConvertError);
        EXPECT_EQ(param->GetDataType(), ntInteger);
        EXPECT_EQ(param->GetAsInteger(), 5);
    }
}

TEST(Param, LoadsFilesAsMemoOrBlob) {
    tnxtest::TempDir dir;
    const std::string file = dir.File("value.bin");
    std::ofstream(file, std::ios::binary) << Bytes("ab\0c");
    auto param = vcl::New<TAsaParam>("p");
    param->LoadFromFile(file, ntBlob);
    EXPECT_EQ(param->GetDataType(), ntBlob);
    EXPECT_EQ(param->GetAsVariant(), Variant(Bytes("ab\0c")));
    param->LoadFromFile(file, ntMemo);
    EXPECT_EQ(param->GetDataType(), ntMemo);

    param->SetAsInteger(3);
    param->LoadFromFile(file, ntString); // not a blob type: nothing is set
    EXPECT_EQ(param->GetAsInteger(), 3);
    EXPECT_THROW(param->LoadFromFile(dir.File("missing"), ntBlob), vcl::EFOpenError);
    EXPECT_EQ(param->GetAsInteger(), 3);

    // The whole stream counts, wherever its position was.
    auto stream = vcl::New<vcl::TStringStream>("whole");
    stream->SetPosition(3);
    param->LoadFromStream(stream.get(), ntMemo);
    EXPECT_EQ(param->GetAsMemo(), "whole");
}

TEST(Param, DataFormOfEveryType) {
    struct Case {
        const char* What;
        std::function<void(TAsaParam&)> Set;
        std::string Form;
    };
    const Case cases[] = {
        {"unknown", [](TAsaParam&) {}, ""},
        {"string", [](TAsaParam& p) { p.SetAsString("abc"); }, Bytes("abc\0")},
        {"integer", [](TAsaParam& p) { p.SetAsInteger(-2); }, Bytes("\xFE\xFF\xFF\xFF")},
        {"float", [](TAsaParam& p) { p.SetAsFloat(1.5); }, Bytes("\0\0\0\0\0\0\xF8\x3F")},
        {"currency", [](TAsaParam& p) { p.SetAsCurrency(2.25); }, Bytes("\0\0\0\0\0\0\x02\x40")},
        {"date", [](TAsaParam& p) { p.SetAsDate(vcl::EncodeDate(2000, 1, 1)); }, Bytes("\x08\x24\x0B\0")},
        {"time", [](TAsaParam& p) { p.SetAsTime(vcl::EncodeTime(1, 0, 0, 5)); }, Bytes("\x85\xEE\x36\0")},
        {"date-time", [](TAsaParam& p) { p.SetAsDateTime(vcl::EncodeDateTime(2000, 1, 1, 0, 0, 1, 0)); },
         Bytes("\0\xF4\x71\x11\xC1\xAF\xCC\x42")},
        {"true", [](TAsaParam& p) { p.SetAsBoolean(true); }, Bytes("\xFF\xFF")},
        {"false", [](TAsaParam& p) { p.SetAsBoolean(false); }, Bytes("\0\0")},
        {"binary", [](TAsaParam& p) { p.SetAsBinary(Bytes("\x01\0\x02")); }, Bytes("\x01\0\x02")},
        {"binary array", [](TAsaParam& p) { p.SetAsVariant(vcl::VarArrayOfBytes("\x07\0", 2)); },
         Bytes("\x07\0")},
        {"memo", [](TAsaParam& p) { p.SetAsMemo("xy"); }, Bytes("xy\0")},
        {"blob", [](TAsaParam& p) { p.SetAsBlob(Bytes("\0z")); }, Bytes("\0z")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        auto param = vcl::New<TAsaParam>("p");
        c.Set(*param);
        EXPECT_EQ(param->GetDataSize(), static_cast<std::int32_t>(c.Form.size()));
        EXPECT_EQ(DataOf(*param), c.Form);
    }
}
