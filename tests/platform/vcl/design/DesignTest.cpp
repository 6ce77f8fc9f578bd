// The designer's interfaces: which property editor a property gets, the default editors of each
// kind, multiple selections, component editors and the palette.
#include "platform/vcl/Classes.h"
#include "platform/vcl/design/DesignIntf.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vcl;

namespace designtest {

enum TWidgetMode { wmOff, wmSlow, wmFast };
VCL_ENUM_NAMES(TWidgetMode, wmOff, wmSlow, wmFast);
enum TWidgetOption { woLeft, woRight, woTop };
VCL_ENUM_NAMES(TWidgetOption, woLeft, woRight, woTop);
using TWidgetOptions = Set<TWidgetOption>;

class TWidgetStyle : public TPersistent {
    VCL_CLASS(TWidgetStyle, TPersistent)
public:
    TWidgetStyle() = default;
    int Size = 8;
    bool Bold = false;

protected:
    ~TWidgetStyle() override = default;
};

// What a widget's Buddy refers to.
class TGadget : public TComponent {
    VCL_CLASS(TGadget, TComponent)
public:
    using TComponent::TComponent;

protected:
    ~TGadget() override = default;
};

class TWidget : public TComponent {
    VCL_CLASS(TWidget, TComponent)
public:
    explicit TWidget(TComponent* owner) : TComponent(owner), Style(New<TWidgetStyle>()) {}
    std::int8_t Level = 0;
    int Tint = 0;
    TWidgetMode Mode = wmOff;
    bool Active = false;
    TWidgetOptions Options;
    double Ratio = 0;
    Currency Price;
    AnsiString Path;
    AnsiString Caption;
    TGadget* Buddy = nullptr;
    TOwned<TWidgetStyle> Style;
    TNotifyEvent OnClick;
    TWidgetStyle* GetStyle() const { return Style.get(); }

protected:
    ~TWidget() override = default;
};

class TFancyWidget : public TWidget {
    VCL_CLASS(TFancyWidget, TWidget)
public:
    using TWidget::TWidget;
    AnsiString Extra;

protected:
    ~TFancyWidget() override = default;
};

// Editors that only say who they are, to see which one a property gets.
#define NAMED_EDITOR(Name)                                                                                   \
    class Name : public TStringProperty {                                                                    \
        VCL_CLASS(Name, TStringProperty)                                                                     \
    public:                                                                                                  \
        using TStringProperty::TStringProperty;                                                              \
                                                                                                             \
    protected:                                                                                               \
        ~Name() override = default;                                                                          \
    }
NAMED_EDITOR(TAnyStringEditor);
NAMED_EDITOR(TWidgetStringEditor);
NAMED_EDITOR(TFancyStringEditor);
NAMED_EDITOR(TPathEditor);
NAMED_EDITOR(TWidgetPathEditor);
NAMED_EDITOR(TLaterWidgetPathEditor);
NAMED_EDITOR(TCaptionEditor);

class TPersistentRefEditor : public TClassProperty {
    VCL_CLASS(TPersistentRefEditor, TClassProperty)
public:
    using TClassProperty::TClassProperty;

protected:
    ~TPersistentRefEditor() override = default;
};
class TStyleEditor : public TClassProperty {
    VCL_CLASS(TStyleEditor, TClassProperty)
public:
    using TClassProperty::TClassProperty;

protected:
    ~TStyleEditor() override = default;
};

// A verb editor whose first verb calls Edit, as an about-box editor does.
class TVerbEditor : public TComponentEditor {
    VCL_CLASS(TVerbEditor, TComponentEditor)
public:
    using TComponentEditor::TComponentEditor;
    int Runs = 0;
    int GetVerbCount() override { return 1; }
    AnsiString GetVerb(int index) override { return index == 0 ? "&Run" : ""; }
    void ExecuteVerb(int index) override {
        if (index != 0) return;
        ++Runs;
        Edit();
    }

protected:
    ~TVerbEditor() override = default;
};
class TFancyEditor : public TComponentEditor {
    VCL_CLASS(TFancyEditor, TComponentEditor)
public:
    using TComponentEditor::TComponentEditor;

protected:
    ~TFancyEditor() override = default;
};

// A designer over one root; new handlers are registered on the root without code.
class TTestDesigner : public IDesigner {
public:
    explicit TTestDesigner(TComponent* root) : FRoot(root) {}
    TComponent* GetRoot() override { return FRoot; }
    void Modified() override { ++ModifiedCount; }
    std::shared_ptr<const THandler> CreateMethod(const AnsiString& name, const TPropInfo&) override {
        Created.push_back(name);
        FRoot->RegisterHandler<TNotifyEvent>(name, TNotifyEvent());
        return FRoot->FindHandler(name);
    }
    void ShowMethod(std::string_view name) override { Shown = AnsiString(name); }
    int ModifiedCount = 0;
    std::vector<AnsiString> Created;
    AnsiString Shown;

private:
    TComponent* FRoot;
};

} // namespace designtest

using namespace designtest;

VCL_CLASS_INFO(designtest::TWidgetStyle, [](TPublisher<TWidgetStyle>& p) {
    p.Property("Size", &TWidgetStyle::Size).Default(8);
    p.Property("Bold", &TWidgetStyle::Bold).Default(false);
})
VCL_CLASS_INFO(designtest::TGadget)
VCL_CLASS_INFO(designtest::TWidget, [](TPublisher<TWidget>& p) {
    p.Property("Level", &TWidget::Level);
    p.Property("Tint", &TWidget::Tint).TypeName("TTestTint");
    p.Property("Mode", &TWidget::Mode);
    p.Property("Active", &TWidget::Active).Default(false);
    p.Property("Options", &TWidget::Options);
    p.Property("Ratio", &TWidget::Ratio);
    p.Property("Price", &TWidget::Price);
    p.Property("Path", &TWidget::Path);
    p.Property("Caption", &TWidget::Caption).TypeName("TCaption");
    p.Property("Buddy", &TWidget::Buddy);
    p.Property("Style", &TWidget::GetStyle);
    p.Property("OnClick", &TWidget::OnClick);
})
VCL_CLASS_INFO(designtest::TFancyWidget, [](TPublisher<TFancyWidget>& p) { p.Property("Extra", &TFancyWidget::Extra); })
VCL_CLASS_INFO(designtest::TAnyStringEditor)
VCL_CLASS_INFO(designtest::TWidgetStringEditor)
VCL_CLASS_INFO(designtest::TFancyStringEditor)
VCL_CLASS_INFO(designtest::TPathEditor)
VCL_CLASS_INFO(designtest::TWidgetPathEditor)
VCL_CLASS_INFO(designtest::TLaterWidgetPathEditor)
VCL_CLASS_INFO(designtest::TCaptionEditor)
VCL_CLASS_INFO(designtest::TPersistentRefEditor)
VCL_CLASS_INFO(designtest::TStyleEditor)
VCL_CLASS_INFO(designtest::TVerbEditor)
VCL_CLASS_INFO(designtest::TFancyEditor)

namespace {

// Registrations of one test, withdrawn when it ends.
struct Group {
    explicit Group(const char* name) : Name(name) { Previous = SetRegistrationGroup(name); }
    ~Group() {
        SetRegistrationGroup(Previous);
        UnregisterGroup(Name);
    }
    AnsiString Name, Previous;
};

AnsiString EditorOf(TClass componentClass, const char* property) {
    return ClassNameOf(GetPropertyEditorClass(*GetPropInfo(componentClass, property), componentClass).Class);
}

std::vector<std::string> Values(TPropertyEditor* editor) {
    std::vector<std::string> values;
    editor->GetValues([&](const AnsiString& v) { values.push_back(v); });
    return values;
}

} // namespace

TEST(PropertyEditorRegistry, TheMostSpecificRegistrationWins) {
    Group group("match");
    const TPropertyType str = PropertyTypeOf<AnsiString>();
    // Registered most specific first, so that registration order cannot be what decides.
    RegisterPropertyEditor<TWidgetPathEditor>(str, TWidget::StaticClass(), "Path");
    RegisterPropertyEditor<TPathEditor>(str, nullptr, "path");
    RegisterPropertyEditor<TFancyStringEditor>(str, TFancyWidget::StaticClass(), "");
    RegisterPropertyEditor<TWidgetStringEditor>(str, TWidget::StaticClass(), "");
    RegisterPropertyEditor<TAnyStringEditor>(str, nullptr, "");
    RegisterPropertyEditor<TCaptionEditor>(TPropertyType::Named(TTypeKind::tkString, "TCaption"), nullptr, "");

    const TClass widget = TWidget::StaticClass(), fancy = TFancyWidget::StaticClass();
    EXPECT_EQ(EditorOf(widget, "Path"), "TWidgetPathEditor");   // name and class
    EXPECT_EQ(EditorOf(fancy, "Path"), "TWidgetPathEditor");    // a name beats a closer class
    EXPECT_EQ(EditorOf(fancy, "Extra"), "TFancyStringEditor");  // the most derived class
    EXPECT_EQ(EditorOf(widget, "Caption"), "TCaptionEditor");   // its own type, not AnsiString
    EXPECT_EQ(EditorOf(TComponent::StaticClass(), "Name"), "TAnyStringEditor");
    EXPECT_EQ(EditorOf(widget, "Level"), "TIntegerProperty");   // nothing registered: the kind's
    // At equal specificity, the later registration replaces the earlier.
    RegisterPropertyEditor<TLaterWidgetPathEditor>(str, TWidget::StaticClass(), "PATH");
    EXPECT_EQ(EditorOf(fancy, "Path"), "TLaterWidgetPathEditor");
    // Class-typed properties: an editor for a base class fits; one for the exact class beats it.
    RegisterPropertyEditor<TPersistentRefEditor>(TPropertyType::OfClass(TPersistent::StaticClass()), nullptr, "");
    EXPECT_EQ(EditorOf(widget, "Style"), "TPersistentRefEditor");
    RegisterPropertyEditor<TStyleEditor>(PropertyTypeOf<TWidgetStyle*>(), nullptr, "");
    EXPECT_EQ(EditorOf(widget, "Style"), "TStyleEditor");
    // A component reference is of a TPersistent class too, but not of TWidgetStyle.
    EXPECT_EQ(EditorOf(widget, "Buddy"), "TPersistentRefEditor");
}

TEST(PropertyEditorRegistry, DefaultsByKindAndGroupsWithdrawTheirRegistrations) {
    const TClass widget = TWidget::StaticClass();
    EXPECT_EQ(EditorOf(widget, "Mode"), "TEnumProperty");
    EXPECT_EQ(EditorOf(widget, "Active"), "TBoolProperty");
    EXPECT_EQ(EditorOf(widget, "Options"), "TSetProperty");
    EXPECT_EQ(EditorOf(widget, "Ratio"), "TFloatProperty");
    EXPECT_EQ(EditorOf(widget, "Path"), "TStringProperty");
    EXPECT_EQ(EditorOf(widget, "Style"), "TClassProperty");
    EXPECT_EQ(EditorOf(widget, "Buddy"), "TComponentProperty");
    EXPECT_EQ(EditorOf(widget, "OnClick"), "TMethodProperty");
    {
        Group group("temporary");
        RegisterPropertyEditor<TPathEditor>(PropertyTypeOf<AnsiString>(), nullptr, "Path");
        RegisterComponents("Temporary page", {TWidget::StaticClass()});
        EXPECT_EQ(EditorOf(widget, "Path"), "TPathEditor");
    }
    EXPECT_EQ(EditorOf(widget, "Path"), "TStringProperty");
    for (const AnsiString& page : GetPalettePages())
        EXPECT_NE(page, "Temporary page");
}

TEST(PropertyEditors, OrdinalEditorsShowNamesAndRefuseWhatDoesNotFit) {
    RegisterIntegerConsts("TTestTint", {{0xFF, "tiRed"}, {0xFF00, "tiGreen"}});
    auto root = New<TComponent>();
    auto* w = Make<TWidget>(root.get());
    TTestDesigner designer(root.get());

    auto level = GetPropertyEditor(w, "Level", &designer);
    level->SetValue(" -5 ");
    EXPECT_EQ(w->Level, -5);
    EXPECT_THROW(level->SetValue("200"), EPropertyError); // an 8-bit property
    EXPECT_THROW(level->SetValue("many"), EConvertError);
    EXPECT_EQ(w->Level, -5);
    EXPECT_FALSE(level->GetAttributes().Contains(paValueList));

    auto tint = GetPropertyEditor(w, "Tint", &designer);
    EXPECT_TRUE(tint->GetAttributes().Contains(paValueList));
    EXPECT_EQ(Values(tint.get()), (std::vector<std::string>{"tiRed", "tiGreen"}));
    tint->SetValue("tiGreen");
    EXPECT_EQ(w->Tint, 0xFF00);
    EXPECT_EQ(tint->GetValue(), "tiGreen");
    tint->SetValue("7");
    EXPECT_EQ(tint->GetValue(), "7");

    auto mode = GetPropertyEditor(w, "Mode", &designer);
    EXPECT_EQ(Values(mode.get()), (std::vector<std::string>{"wmOff", "wmSlow", "wmFast"}));
    mode->SetValue("wmfast");
    EXPECT_EQ(w->Mode, wmFast);
    mode->Edit(); // a value list cycles on double click
    EXPECT_EQ(mode->GetValue(), "wmOff");
    EXPECT_THROW(mode->SetValue("wmWarp"), EPropertyError);
    EXPECT_THROW(mode->SetValue("3"), EPropertyError);

    auto options = GetPropertyEditor(w, "Options", &designer);
    options->SetValue("[woTop, woLeft]");
    EXPECT_EQ(options->GetValue(), "[woLeft,woTop]");
    std::vector<TOwned<TPropertyEditor>> elements;
    options->GetProperties([&](TOwned<TPropertyEditor> e) { elements.push_back(std::move(e)); });
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(elements[1]->GetName(), "woRight");
    EXPECT_EQ(elements[1]->GetValue(), "False");
    elements[1]->SetValue("True");
    elements[0]->SetValue("false");
    EXPECT_EQ(options->GetValue(), "[woRight,woTop]");
    EXPECT_THROW(options->SetValue("[woMiddle]"), EPropertyError);

    auto active = GetPropertyEditor(w, "Active", &designer);
    active->SetValue("True");
    EXPECT_TRUE(w->Active);
    active->Revert();
    EXPECT_FALSE(w->Active);
    EXPECT_EQ(designer.ModifiedCount, 10);
}

TEST(PropertyEditors, FloatsStringsSubObjectsReferencesAndEvents) {
    auto root = New<TComponent>();
    root->SetName("Root");
    auto* w = Make<TWidget>(root.get());
    w->SetName("Widget1");
    auto* other = Make<TWidget>(root.get());
    other->SetName("Widget2");
    auto* plain = Make<TComponent>(root.get());
    plain->SetName("Plain");
    auto* gadget1 = Make<TGadget>(root.get());
    gadget1->SetName("Gadget1");
    auto* gadget2 = Make<TGadget>(root.get());
    gadget2->SetName("Gadget2");
    TTestDesigner designer(root.get());

    auto price = GetPropertyEditor(w, "Price", &designer);
    price->SetValue("12.3456");
    EXPECT_EQ(w->Price.Scaled, 123456);
    EXPECT_EQ(price->GetValue(), "12.3456");
    auto ratio = GetPropertyEditor(w, "Ratio", &designer);
    EXPECT_THROW(ratio->SetValue("1,5x"), EConvertError);
    ratio->SetValue("0.25");
    EXPECT_EQ(w->Ratio, 0.25);

    auto style = GetPropertyEditor(w, "Style", &designer);
    EXPECT_EQ(style->GetValue(), "(TWidgetStyle)");
    EXPECT_TRUE(style->GetAttributes().Contains(paSubProperties));
    std::vector<TOwned<TPropertyEditor>> nested;
    style->GetProperties([&](TOwned<TPropertyEditor> e) { nested.push_back(std::move(e)); });
    ASSERT_EQ(nested.size(), 2u);
    nested[0]->SetValue("12");
    EXPECT_EQ(w->Style->Size, 12);

    auto buddy = GetPropertyEditor(w, "Buddy", &designer);
    EXPECT_EQ(Values(buddy.get()), (std::vector<std::string>{"Gadget1", "Gadget2"})); // not Plain
    buddy->SetValue("gadget2");
    EXPECT_EQ(w->Buddy, gadget2);
    EXPECT_EQ(buddy->GetValue(), "Gadget2");
    EXPECT_THROW(buddy->SetValue("Plain"), EPropertyError); // not a TGadget
    EXPECT_THROW(buddy->SetValue("Nobody"), EPropertyError);
    buddy->Revert();
    EXPECT_EQ(w->Buddy, nullptr);

    auto click = GetPropertyEditor(w, "OnClick", &designer);
    click->Edit(); // no handler yet: one named after the component and the event
    EXPECT_EQ(designer.Created, (std::vector<AnsiString>{"Widget1Click"}));
    EXPECT_EQ(designer.Shown, "Widget1Click");
    EXPECT_EQ(click->GetValue(), "Widget1Click");
    auto otherClick = GetPropertyEditor(other, "OnClick", &designer);
    EXPECT_EQ(Values(otherClick.get()), (std::vector<std::string>{"Widget1Click"}));
    otherClick->SetValue("Widget1Click"); // an existing handler is shared, not created again
    EXPECT_EQ(designer.Created.size(), 1u);
    EXPECT_EQ(HandlerName(other->OnClick), "Widget1Click");
    EXPECT_THROW(otherClick->SetValue("not a name"), EPropertyError);
    otherClick->SetValue("");
    EXPECT_FALSE(other->OnClick);
}

TEST(PropertyEditors, AMultipleSelectionListsSharedPropertiesAndWritesAll) {
    auto root = New<TComponent>();
    auto* a = Make<TWidget>(root.get());
    auto* b = Make<TFancyWidget>(root.get());
    a->Path = "same";
    b->Path = "same";
    TTestDesigner designer(root.get());
    std::vector<TOwned<TPropertyEditor>> editors;
    GetComponentProperties({a, b}, &designer, [&](TOwned<TPropertyEditor> e) { editors.push_back(std::move(e)); });
    std::vector<std::string> names;
    TPropertyEditor* path = nullptr;
    for (auto& e : editors) {
        names.push_back(e->GetName());
        if (e->GetName() == "Path") path = e.get();
    }
    EXPECT_EQ(std::count(names.begin(), names.end(), "Extra"), 0); // only b has it
    ASSERT_NE(path, nullptr);
    EXPECT_TRUE(path->AllEqual());
    b->Path = "different";
    EXPECT_FALSE(path->AllEqual());
    path->SetValue("both");
    EXPECT_EQ(a->Path, "both");
    EXPECT_EQ(b->Path, "both");
}

TEST(ComponentEditors, TheMostDerivedRegistrationWinsAndAVerbThatCallsEditRunsOnce) {
    Group group("component editors");
    auto root = New<TComponent>();
    auto* w = Make<TWidget>(root.get());
    w->SetName("Widget1");
    auto* f = Make<TFancyWidget>(root.get());
    TTestDesigner designer(root.get());
    // Nothing registered: the default editor opens the main event's handler.
    auto plain = GetComponentEditor(w, &designer);
    EXPECT_EQ(plain->ClassName(), "TDefaultEditor");
    EXPECT_EQ(plain->GetVerbCount(), 0);
    plain->Edit();
    EXPECT_EQ(designer.Created, (std::vector<AnsiString>{"Widget1Click"}));

    RegisterComponentEditor<TFancyEditor>(TFancyWidget::StaticClass());
    RegisterComponentEditor<TVerbEditor>(TWidget::StaticClass());
    EXPECT_EQ(GetComponentEditor(f, &designer)->ClassName(), "TFancyEditor");
    auto verbs = GetComponentEditor(w, &designer);
    ASSERT_EQ(verbs->ClassName(), "TVerbEditor");
    EXPECT_EQ(verbs->GetVerb(0), "&Run");
    EXPECT_EQ(verbs->GetVerb(1), "");
    verbs->Edit(); // runs verb 0, which calls Edit again: stopped there
    EXPECT_EQ(static_cast<TVerbEditor*>(verbs.get())->Runs, 1);
    verbs->ExecuteVerb(0);
    EXPECT_EQ(static_cast<TVerbEditor*>(verbs.get())->Runs, 3);
}

TEST(Palette, PagesListTheirClassesOnceAndTheClassesBecomeKnown) {
    Group group("palette");
    RegisterComponents("Widgets", {TWidget::StaticClass(), TFancyWidget::StaticClass()});
    RegisterComponents("widgets", {TWidget::StaticClass()});
    RegisterComponents("More", {TWidget::StaticClass()});
    const auto pages = GetPalettePages();
    EXPECT_EQ(std::count(pages.begin(), pages.end(), "Widgets"), 1);
    EXPECT_EQ(GetPaletteClasses("WIDGETS"), (std::vector<TClass>{TWidget::StaticClass(), TFancyWidget::StaticClass()}));
    EXPECT_EQ(GetPalettePage(TFancyWidget::StaticClass()), "Widgets");
    EXPECT_EQ(GetClass("TFancyWidget"), TFancyWidget::StaticClass());
    EXPECT_TRUE(GetPaletteClasses("Nothing").empty());
}
