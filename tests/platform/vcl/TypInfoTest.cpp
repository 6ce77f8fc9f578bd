// Property tables and the class registry.
#include "platform/vcl/Classes.h"
#include "platform/vcl/controls/Form.h"
#include "support/TestComponents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vcl;
using namespace tnxtest;

namespace {

// Publishes an inherited property again with another default, and adds one.
class TQuietWidget : public TTestWidget {
    VCL_CLASS(TQuietWidget, TTestWidget)
public:
    explicit TQuietWidget(TComponent* owner) : TTestWidget(owner) { Flag = true; }
    int Extra = 0;

protected:
    ~TQuietWidget() override = default;
};

class TAbstractPart : public TComponent {
    VCL_CLASS(TAbstractPart, TComponent)
public:
    explicit TAbstractPart(TComponent* owner) : TComponent(owner) {}
    virtual void Run() = 0;

protected:
    ~TAbstractPart() override = default;
};

} // namespace

VCL_CLASS_INFO(TQuietWidget, [](TPublisher<TQuietWidget>& p) {
    p.Property("Flag", &TQuietWidget::Flag).Default(true);
    p.Property("Extra", &TQuietWidget::Extra).Default(0);
})
VCL_CLASS_INFO(TAbstractPart)

TEST(PropertyTables, KindsTypesAndDefaultsAsDeclared) {
    const TClass cls = TTestWidget::StaticClass();
    struct Expect {
        const char* name;
        TTypeKind kind;
        const char* type;
    };
    for (const Expect& e :
         {Expect{"Count", TTypeKind::tkInteger, "Integer"}, Expect{"Big", TTypeKind::tkInt64, "Int64"},
          Expect{"Enabled", TTypeKind::tkEnumeration, "Boolean"},
          Expect{"Color", TTypeKind::tkEnumeration, "TTestColor"},
          Expect{"Options", TTypeKind::tkSet, "set of TTestOption"},
          Expect{"Ratio", TTypeKind::tkFloat, "Double"}, Expect{"Scale", TTypeKind::tkFloat, "Single"},
          Expect{"Price", TTypeKind::tkFloat, "Currency"}, Expect{"When", TTypeKind::tkFloat, "TDateTime"},
          Expect{"Caption", TTypeKind::tkString, "AnsiString"},
          Expect{"Buddy", TTypeKind::tkClass, "TComponent"},
          Expect{"Lines", TTypeKind::tkClass, "TStringList"},
          Expect{"OnClick", TTypeKind::tkMethod, "TNotifyEvent"},
          Expect{"Tag", TTypeKind::tkInt64, "Int64"}}) {
        const TPropInfo* p = GetPropInfo(cls, e.name);
        ASSERT_NE(p, nullptr) << e.name;
        EXPECT_EQ(p->Kind, e.kind) << e.name;
        EXPECT_EQ(p->TypeName, e.type) << e.name;
    }
    EXPECT_EQ(GetPropInfo(cls, "count"), GetPropInfo(cls, "COUNT")); // letter case ignored
    EXPECT_EQ(GetPropInfo(cls, "Nope"), nullptr);
    EXPECT_EQ(*GetPropInfo(cls, "Count")->Default, 3);
    EXPECT_FALSE(GetPropInfo(cls, "Flag")->Default.has_value());
    EXPECT_TRUE(GetPropInfo(cls, "Buddy")->IsReference());
    EXPECT_TRUE(GetPropInfo(cls, "Lines")->IsSubObject());
    EXPECT_FALSE(GetPropInfo(cls, "Lines")->IsWritable());
    EXPECT_EQ(GetPropInfo(cls, "Color")->EnumType->Name(2), "tcBlue");
    EXPECT_EQ(GetPropInfo(cls, "Color")->EnumType->Value("TCGREEN"), 1);
    EXPECT_EQ(GetPropInfo(cls, "Color")->MaxValue, 3);
}

TEST(PropertyTables, ListWalksTheClassChainAndRedeclarationsReplaceInPlace) {
    const auto list = GetPropList(TQuietWidget::StaticClass());
    std::vector<std::string> names;
    for (const TPropInfo* p : list)
        names.push_back(p->Name);
    ASSERT_GE(names.size(), 4u);
    EXPECT_EQ(names[0], "Name");
    EXPECT_EQ(names[1], "Tag");
    EXPECT_EQ(names[2], "Count");
    EXPECT_EQ(names.back(), "Extra");
    EXPECT_EQ(std::count(names.begin(), names.end(), "Flag"), 1);
    const TPropInfo* flag = GetPropInfo(TQuietWidget::StaticClass(), "Flag");
    EXPECT_EQ(*flag->Default, 1);
    EXPECT_EQ(list[5], flag); // at the ancestor's place
    // The writer honours the new default: Flag = True is not written for the descendant.
    auto quiet = New<TQuietWidget>();
    EXPECT_EQ(WriteComponentText(quiet.get()), "object TQuietWidget\r\nend\r\n");
    quiet->Flag = false;
    EXPECT_EQ(WriteComponentText(quiet.get()), "object TQuietWidget\r\n  Flag = False\r\nend\r\n");
}

TEST(PropertyTables, StoredAndDefaultDecisions) {
    auto w = New<TTestWidget>();
    const TClass cls = w->ClassType();
    EXPECT_TRUE(IsDefaultPropValue(w.get(), *GetPropInfo(cls, "Count")));
    EXPECT_FALSE(IsDefaultPropValue(w.get(), *GetPropInfo(cls, "Flag"))); // no default: never "default"
    EXPECT_TRUE(IsDefaultPropValue(w.get(), *GetPropInfo(cls, "Ratio")));
    EXPECT_TRUE(IsDefaultPropValue(w.get(), *GetPropInfo(cls, "Caption")));
    EXPECT_TRUE(IsDefaultPropValue(w.get(), *GetPropInfo(cls, "Buddy")));
    EXPECT_TRUE(IsDefaultPropValue(w.get(), *GetPropInfo(cls, "OnClick")));
    w->Count = 4;
    w->OnClick = [](TObject*) {};
    EXPECT_FALSE(IsDefaultPropValue(w.get(), *GetPropInfo(cls, "Count")));
    EXPECT_FALSE(IsDefaultPropValue(w.get(), *GetPropInfo(cls, "OnClick")));
    EXPECT_FALSE(IsStoredProp(w.get(), *GetPropInfo(cls, "Secret")));
    EXPECT_FALSE(IsStoredProp(w.get(), *GetPropInfo(cls, "Name")));
    EXPECT_TRUE(IsStoredProp(w.get(), *GetPropInfo(cls, "Count")));
    // An event assigned in code has no name and is not written.
    EXPECT_EQ(WriteComponentText(w.get()).find("OnClick"), AnsiString::npos);
}

TEST(PropertyTables, GenericAccessByName) {
    auto w = New<TTestWidget>();
    SetPropValue(w.get(), "Count", 12);
    SetPropValue(w.get(), "Enabled", false);
    SetPropValue(w.get(), "Color", "tcGreen");
    SetPropValue(w.get(), "Options", "[toSecond, toThird]");
    SetPropValue(w.get(), "Ratio", 2.5);
    SetPropValue(w.get(), "Price", Currency::FromScaled(15));
    SetPropValue(w.get(), "Caption", "hi");
    EXPECT_EQ(w->Count, 12);
    EXPECT_FALSE(w->Enabled);
    EXPECT_EQ(w->Color, tcGreen);
    EXPECT_EQ(w->Options, (TTestOptions{toSecond, toThird}));
    EXPECT_EQ(GetPropValue(w.get(), "Options").AsString(), "[toSecond,toThird]");
    EXPECT_EQ(GetPropValue(w.get(), "Color").AsString(), "tcGreen");
    EXPECT_EQ(GetPropValue(w.get(), "Price").VarType(), varCurrency);
    EXPECT_EQ(GetPropValue(w.get(), "Price").AsCurrency().Scaled, 15);
    EXPECT_EQ(GetPropValue(w.get(), "Caption").AsString(), "hi");
    try {
        GetPropValue(w.get(), "Nope");
        ADD_FAILURE();
    } catch (const EPropertyError& e) {
        EXPECT_EQ(e.Message(), "Property Nope does not exist");
    }
    try {
        SetPropValue(w.get(), "Lines", 1);
        ADD_FAILURE();
    } catch (const EPropertyError& e) {
        EXPECT_EQ(e.Message(), "Property is read-only");
    }
    EXPECT_THROW(SetPropValue(w.get(), "Count", std::int64_t{1} << 40), EPropertyError);
    EXPECT_THROW(SetPropValue(w.get(), "Color", "tcPink"), EPropertyError);
    EXPECT_THROW(SetPropValue(w.get(), "Options", "[toNone]"), EPropertyError);
    EXPECT_EQ(w->Count, 12);
}

TEST(ClassRegistry, RegisterFindAndRefuseAnotherClassOfTheSameName) {
    EXPECT_EQ(GetClass("TQuietWidget"), nullptr);
    try {
        FindClass("TQuietWidget");
        ADD_FAILURE();
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message(), "Class TQuietWidget not found");
    }
    {
        TClassRegistration registration(TQuietWidget::StaticClass());
        EXPECT_EQ(FindClass("tquietwidget"), TQuietWidget::StaticClass());
        RegisterClass(TQuietWidget::StaticClass()); // again: nothing
        TComponent* made = GetClass("TQuietWidget")->Create(nullptr);
        TOwned<TComponent> owned(made);
        EXPECT_TRUE(made->InheritsFrom<TQuietWidget>());
        EXPECT_TRUE(dynamic_cast<TQuietWidget*>(made)->Flag); // its constructor ran
    }
    EXPECT_EQ(GetClass("TQuietWidget"), nullptr); // gone with the registration
    // The framework's own classes are there from the start.
    EXPECT_EQ(GetClass("TDataModule"), TDataModule::StaticClass());
    EXPECT_EQ(GetClass("TForm"), TForm::StaticClass());
    EXPECT_EQ(TAbstractPart::StaticClass()->Create, nullptr); // abstract: not creatable
}

namespace {

class TTestWidget2 : public TComponent {
    VCL_CLASS(TTestWidget2, TComponent)
public:
    explicit TTestWidget2(TComponent* owner) : TComponent(owner) {}

protected:
    ~TTestWidget2() override = default;
};

} // namespace

namespace other {
// Another class that calls itself TTestWidget2.
class TTestWidget2 : public TComponent {
    VCL_CLASS(TTestWidget2, TComponent)
public:
    explicit TTestWidget2(TComponent* owner) : TComponent(owner) {}

protected:
    ~TTestWidget2() override = default;
};
VCL_CLASS_INFO(TTestWidget2)
} // namespace other

VCL_CLASS_INFO(TTestWidget2)

TEST(ClassRegistry, DuplicateNamesAreRefused) {
    TClassRegistration first(TTestWidget2::StaticClass());
    EXPECT_EQ(other::TTestWidget2::StaticClass()->Name, "TTestWidget2");
    try {
        RegisterClass(other::TTestWidget2::StaticClass());
        ADD_FAILURE();
    } catch (const EFilerError& e) {
        EXPECT_EQ(e.Message(), "A class named TTestWidget2 already exists");
    }
    EXPECT_EQ(GetClass("TTestWidget2"), TTestWidget2::StaticClass());
}
