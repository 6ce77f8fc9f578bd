// The parameters editor: its dialog built from the form resource, driven headless by a user's
// clicks, typing and keys; the property editor that opens it; and the package's registrations.
#include "asa/TnxAsa.h"
#include "asa/dataset/AsaDataset.h"
#include "asa/design/TnxAsaEd.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/design/DesignIntf.h"
#include "support/CountingDesigner.h"
#include "support/ModalDialogs.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace vcl;
using namespace tnx;
using TCountingDesigner = tnxtest::CountingDesigner;

namespace {

// A component with a published parameter list, as the dataset has one.
class TParamHolder : public TComponent {
    VCL_CLASS(TParamHolder, TComponent)
public:
    explicit TParamHolder(TComponent* owner) : TComponent(owner), FParams(New<TAsaParams>(this)) {}
    TAsaParams* GetParams() const { return FParams.get(); }

protected:
    ~TParamHolder() override = default;

private:
    TOwned<TAsaParams> FParams;
};

// Runs the dialog modally with the test acting as the user.
TModalResult RunModal(TCustomForm* form, const std::function<void(TCorvexParamsDlg*)>& user) {
    return tnxtest::RunModal<TCorvexParamsDlg>(form, user);
}

std::vector<std::string> Names(const TAsaParams& params) {
    std::vector<std::string> names;
    for (int i = 0; i < params.GetCount(); ++i)
        names.push_back(params.GetParamAt(i)->GetName());
    return names;
}

std::vector<std::string> Lines(TStrings* items) {
    std::vector<std::string> lines;
    for (int i = 0; i < items->GetCount(); ++i)
        lines.push_back(items->Get(i));
    return lines;
}

// Exactly equal, parameter by parameter in list order (the null flag and alias included).
void ExpectSameList(const TAsaParams& actual, const TAsaParams& expected) {
    ASSERT_EQ(actual.GetCount(), expected.GetCount());
    for (int i = 0; i < expected.GetCount(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(actual.GetParamAt(i)->IsEqual(*expected.GetParamAt(i)));
    }
}

bool EditControlsEnabled(TCorvexParamsDlg* dlg) {
    return dlg->btnDelete->GetEnabled() && dlg->edParamName->GetEnabled() && dlg->cbDataType->GetEnabled() &&
           dlg->edParamValue->GetEnabled();
}
bool EditControlsDisabled(TCorvexParamsDlg* dlg) {
    return !dlg->btnDelete->GetEnabled() && !dlg->edParamName->GetEnabled() && !dlg->cbDataType->GetEnabled() &&
           !dlg->edParamValue->GetEnabled();
}

} // namespace

VCL_CLASS_INFO(TParamHolder, [](TPublisher<TParamHolder>& p) { p.Property("Params", &TParamHolder::GetParams); })

TEST(ParamsDialogResource, TheLayoutAndHandlersOfTheDialog) {
    auto dlg = New<TCorvexParamsDlg>();
    EXPECT_EQ(dlg->GetName(), "CorvexParamsDlg");
    EXPECT_EQ(dlg->GetCaption(), "Parameters");
    EXPECT_EQ(dlg->GetBorderStyle(), bsDialog);
    EXPECT_EQ(dlg->GetPosition(), poScreenCenter);
    EXPECT_EQ(dlg->GetClientWidth(), 400);
    EXPECT_EQ(dlg->GetClientHeight(), 232);
    struct Expected {
        TControl* Control;
        TWinControl* Parent;
        int Left, Top, Width, Height;
        const char* Caption;
        int TabOrder; // -1 for labels
        const char* Handler;
    };
    TGroupBox* gb = dlg->gbParams;
    const std::vector<Expected> layout{
        {gb, dlg.get(), 8, 8, 385, 169, "Declare Parameters", 0, nullptr},
        {dlg->lblParamNames, gb, 16, 24, 79, 13, "&Parameter name:", -1, nullptr},
        {dlg->lbParamNames, gb, 16, 40, 121, 113, "", 0, "lbParamNamesClick"},
        {dlg->lblParamName, gb, 160, 40, 31, 13, "&Name:", -1, nullptr},
        {dlg->edParamName, gb, 240, 40, 129, 21, "", 1, "edParamNameChange"},
        {dlg->lblDataType, gb, 160, 64, 52, 13, "&Data type:", -1, nullptr},
        {dlg->cbDataType, gb, 240, 64, 129, 21, "", 2, "cbDataTypeChange"},
        {dlg->lblParamValue, gb, 160, 88, 30, 13, "&Value:", -1, nullptr},
        {dlg->edParamValue, gb, 240, 88, 129, 21, "", 3, "edParamValueExit"},
        {dlg->btnNew, gb, 184, 128, 73, 25, "New", 4, "btnNewClick"},
        {dlg->btnDelete, gb, 272, 128, 73, 25, "Delete", 5, "btnDeleteClick"},
        {dlg->btnOK, dlg.get(), 72, 192, 75, 25, "OK", 1, nullptr},
        {dlg->btnCancel, dlg.get(), 160, 192, 75, 25, "Cancel", 2, nullptr},
        {dlg->btnHelp, dlg.get(), 248, 192, 75, 25, "&Help", 3, nullptr},
    };
    for (const Expected& e : layout) {
        SCOPED_TRACE(e.Control->GetName());
        EXPECT_EQ(e.Control->GetParent(), e.Parent);
        EXPECT_EQ(e.Control->GetLeft(), e.Left);
        EXPECT_EQ(e.Control->GetTop(), e.Top);
        EXPECT_EQ(e.Control->GetWidth(), e.Width);
        EXPECT_EQ(e.Control->GetHeight(), e.Height);
        if (e.TabOrder < 0) {
            EXPECT_EQ(e.Control->GetCaption(), e.Caption);
        } else {
            EXPECT_EQ(static_cast<TWinControl*>(e.Control)->GetTabOrder(), e.TabOrder);
            if (dynamic_cast<TEdit*>(e.Control) == nullptr && dynamic_cast<TCustomListControl*>(e.Control) == nullptr) {
                EXPECT_EQ(e.Control->GetCaption(), e.Caption);
            }
        }
        // The events are bound to the dialog's handlers by the names the resource stores.
        AnsiString bound;
        for (const char* event : {"OnClick", "OnChange", "OnExit"}) {
            const TPropInfo* p = GetPropInfo(e.Control, event);
            if (p == nullptr || !p->GetHandler) continue;
            if (auto h = p->GetHandler(e.Control)) bound = h->Name();
        }
        EXPECT_EQ(bound, e.Handler ? e.Handler : "");
    }
    // The tab order walks the group box (list, name, type, value, New, Delete), then the buttons.
    std::vector<std::string> tabs;
    for (TWinControl* c : dlg->GetTabOrderList())
        tabs.push_back(c->GetName());
    EXPECT_EQ(tabs, (std::vector<std::string>{"gbParams", "lbParamNames", "edParamName", "cbDataType",
                                              "edParamValue", "btnNew", "btnDelete", "btnOK", "btnCancel",
                                              "btnHelp"}));
    EXPECT_TRUE(dlg->btnOK->GetDefault());
    EXPECT_EQ(dlg->btnOK->GetModalResult(), mrOk);
    EXPECT_TRUE(dlg->btnCancel->GetCancel());
    EXPECT_EQ(dlg->btnCancel->GetModalResult(), mrCancel);
    EXPECT_FALSE(dlg->btnDelete->GetEnabled());
    EXPECT_EQ(dlg->cbDataType->GetStyle(), csDropDownList);
    EXPECT_EQ(Lines(dlg->cbDataType->GetItems()),
              (std::vector<std::string>{"ntUnknown", "ntString", "ntInteger", "ntFloat", "ntCurrency", "ntDate", "ntTime",
                                        "ntDateTime", "ntBoolean", "ntBinary", "ntMemo", "ntBlob"}));
}

TEST(ParamsDialog, AnEmptyListThenNewAndDeletingTheOnlyParameter) {
    auto params = New<TAsaParams>();
    auto dlg = New<TCorvexParamsDlg>();
    dlg->SetAsaParams(params.get());
    EXPECT_EQ(dlg->lbParamNames->GetItemIndex(), -1);
    EXPECT_TRUE(EditControlsDisabled(dlg.get()));
    RunModal(dlg.get(), [&](TCorvexParamsDlg* d) {
        EXPECT_TRUE(d->btnNew->MouseClick());
        EXPECT_EQ(Names(*params), (std::vector<std::string>{"p1"}));
        EXPECT_EQ(d->lbParamNames->GetItemIndex(), 0);
        EXPECT_EQ(d->edParamName->GetText(), "p1");
        EXPECT_EQ(d->cbDataType->GetText(), "ntUnknown");
        EXPECT_TRUE(EditControlsEnabled(d));
        d->btnDelete->MouseClick();
        EXPECT_EQ(params->GetCount(), 0);
        EXPECT_EQ(d->lbParamNames->GetItems()->GetCount(), 0);
        EXPECT_EQ(d->lbParamNames->GetItemIndex(), -1);
        EXPECT_EQ(d->edParamName->GetText(), "");
        EXPECT_EQ(d->cbDataType->GetItemIndex(), -1);
        EXPECT_TRUE(EditControlsDisabled(d));
        EXPECT_FALSE(d->btnDelete->MouseClick()); // disabled: a click does nothing
        d->btnOK->MouseClick();
    });
    EXPECT_EQ(params->GetCount(), 0);
}

TEST(ParamsDialog, NewNamesByCountSoP3ComesTwiceAndEachIsEditedOnItsOwn) {
    auto params = New<TAsaParams>();
    for (const char* name : {"p1", "p2", "p3"})
        TAsaParam::Create(*params, name);
    auto dlg = New<TCorvexParamsDlg>();
    dlg->SetAsaParams(params.get());
    EXPECT_EQ(dlg->edParamName->GetText(), "p1"); // the first is selected
    RunModal(dlg.get(), [&](TCorvexParamsDlg* d) {
        d->btnDelete->MouseClick(); // p1
        d->btnNew->MouseClick();
        EXPECT_EQ(Names(*params), (std::vector<std::string>{"p2", "p3", "p3"}));
        EXPECT_EQ(Lines(d->lbParamNames->GetItems()), (std::vector<std::string>{"p2", "p3", "p3"}));
        EXPECT_EQ(d->lbParamNames->GetItemIndex(), 2);
        // Renaming the new p3 renames it, keystroke by keystroke, not the older p3.
        d->edParamName->TypeText("cust");
        EXPECT_EQ(Names(*params), (std::vector<std::string>{"p2", "p3", "cust"}));
        EXPECT_EQ(Lines(d->lbParamNames->GetItems()), (std::vector<std::string>{"p2", "p3", "cust"}));
        EXPECT_EQ(d->lbParamNames->GetItemIndex(), 2);
        // The type goes by the drop-down's index; the value is taken when the edit is left.
        d->cbDataType->ClickItem(ntInteger);
        d->edParamValue->TypeText("42");
        EXPECT_EQ(params->GetParamAt(2)->GetAsInteger(), 0); // not taken before the edit is left
        d->PressKey(VK_TAB);
        EXPECT_EQ(d->GetActiveControl(), d->btnNew);
        EXPECT_EQ(params->GetParamAt(2)->GetDataType(), ntInteger);
        EXPECT_EQ(params->GetParamAt(2)->GetAsInteger(), 42);
        // A value that does not fit the type keeps the focus in the edit and the old value.
        d->edParamValue->TypeText("many");
        EXPECT_THROW(d->PressKey(VK_TAB), Exception); // the framework's conversion error
        EXPECT_EQ(d->GetActiveControl(), d->edParamValue);
        EXPECT_EQ(params->GetParamAt(2)->GetAsInteger(), 42);
        d->edParamValue->TypeText("7");
        // Clicking another line shows that parameter.
        d->lbParamNames->ClickItem(1);
        EXPECT_EQ(d->edParamName->GetText(), "p3");
        EXPECT_EQ(d->edParamValue->GetText(), "0");
        d->btnOK->MouseClick();
    });
    EXPECT_EQ(params->GetParamAt(2)->GetAsInteger(), 7);
    EXPECT_EQ(params->GetParamAt(1)->GetDataType(), ntUnknown);
}

TEST(ParamsDialog, CancelEscapeAndTheCloseBoxRestoreTheListExactly) {
    auto params = New<TAsaParams>();
    TAsaParam::Create(*params, "id")->SetAsInteger(5);
    TAsaParam* dup = TAsaParam::Create(*params, "name");
    dup->SetAsString("first");
    dup->SetAlias("n1");
    TAsaParam::Create(*params, "name")->SetAsString("second"); // a second of the same name
    TAsaParam::Create(*params, "when")->SetAsDateTime(TDateTime(45000.5));
    TAsaParam::Create(*params, "gone")->Clear();
    auto original = New<TAsaParams>();
    CopyParamList(*params, *original);

    using Close = std::function<void(TCorvexParamsDlg*)>;
    const std::vector<std::pair<const char*, Close>> ways{
        {"Cancel", [](TCorvexParamsDlg* d) { d->btnCancel->MouseClick(); }},
        {"Escape", [](TCorvexParamsDlg* d) { d->PressKey(VK_ESCAPE); }},
        {"close box", [](TCorvexParamsDlg* d) { d->Close(); }},
    };
    for (const auto& [how, close] : ways) {
        SCOPED_TRACE(how);
        auto dlg = New<TCorvexParamsDlg>();
        dlg->SetAsaParams(params.get());
        const TModalResult result = RunModal(dlg.get(), [&, close = close](TCorvexParamsDlg* d) {
            d->lbParamNames->ClickItem(2); // the second "name"
            d->edParamName->TypeText("renamed");
            d->cbDataType->ClickItem(ntFloat);
            d->edParamValue->TypeText("2.5");
            d->PressKey(VK_TAB);
            d->lbParamNames->ClickItem(0);
            d->btnDelete->MouseClick();
            d->btnNew->MouseClick();
            EXPECT_EQ(Names(*params), (std::vector<std::string>{"name", "renamed", "when", "gone", "p5"}));
            close(d);
        });
        EXPECT_EQ(result, mrCancel);
        ExpectSameList(*params, *original);
        EXPECT_EQ(params->GetParamAt(2)->GetAsString(), "second");
        EXPECT_TRUE(params->GetParamAt(4)->GetIsNull());
    }
}

TEST(ParamsDialog, NewStopsAt255Parameters) {
    auto params = New<TAsaParams>();
    for (int i = 1; i <= 254; ++i)
        TAsaParam::Create(*params, "x" + std::to_string(i));
    auto dlg = New<TCorvexParamsDlg>();
    dlg->SetAsaParams(params.get());
    dlg->btnNewClick(dlg->btnNew);
    EXPECT_EQ(params->GetCount(), 255);
    EXPECT_EQ(params->GetParamAt(254)->GetName(), "p255");
    EXPECT_EQ(dlg->lbParamNames->GetItemIndex(), 254);
    dlg->btnNewClick(dlg->btnNew);
    EXPECT_EQ(params->GetCount(), 255);
    EXPECT_EQ(dlg->lbParamNames->GetItems()->GetCount(), 255);
}

TEST(ParamsProperty, OpensTheDialogOnTheListAndReportsOnlyAConfirmedEdit) {
    auto form = New<TForm>();
    form->SetName("OrderForm");
    auto* holder = Make<TParamHolder>(form.get());
    holder->SetName("Orders");
    TCountingDesigner designer(form.get());
    auto editor = New<TCorvexParamsProperty>(&designer, 1);
    editor->SetPropEntry(0, holder, GetPropInfo(holder, "Params"));
    EXPECT_EQ(editor->GetAttributes(), TPropertyAttributes{paDialog});
    const int owned = Application->GetComponentCount();

    std::string caption;
    auto previous = SetShowModalHandler([&](TCustomForm* f) {
        auto* d = static_cast<TCorvexParamsDlg*>(f);
        caption = d->GetCaption();
        EXPECT_EQ(d->Owner(), Application);
        EXPECT_EQ(d->GetAsaParams(), holder->GetParams());
        d->btnNew->MouseClick();
        d->lbParamNames->ClickItem(0);
        d->PressKey(VK_RETURN); // from the list, Enter presses the default button
        return mrNone;
    });
    editor->Edit();
    EXPECT_EQ(caption, holder->GetParams()->GetNamePath() + " Parameters");
    EXPECT_EQ(Names(*holder->GetParams()), (std::vector<std::string>{"p1"}));
    EXPECT_EQ(designer.ModifiedCount, 1);
    SetShowModalHandler([](TCustomForm* f) {
        static_cast<TCorvexParamsDlg*>(f)->btnNew->MouseClick();
        return mrCancel;
    });
    editor->Edit();
    EXPECT_EQ(Names(*holder->GetParams()), (std::vector<std::string>{"p1"}));
    EXPECT_EQ(designer.ModifiedCount, 1);
    SetShowModalHandler(previous);
    EXPECT_EQ(Application->GetComponentCount(), owned);
}

TEST(Registration, ThePackageRegistersItsComponentsAndEditors) {
    TnxRegisterPackage();
    const auto pages = GetPalettePages();
    EXPECT_NE(std::find(pages.begin(), pages.end(), "Tarnix"), pages.end());
    EXPECT_EQ(GetPaletteClasses("Tarnix"),
              (std::vector<TClass>{TAsaSession::StaticClass(), TAsaSQL::StaticClass(), TAsaDataset::StaticClass()}));
    EXPECT_EQ(GetClass("TAsaSQL"), TAsaSQL::StaticClass());

    const TClass session = TAsaSession::StaticClass();
    auto editorOf = [](TClass cls, const char* prop) {
        return ClassNameOf(GetPropertyEditorClass(*GetPropInfo(cls, prop), cls).Class);
    };
    EXPECT_EQ(editorOf(session, "LibraryFile"), "TCorvexLibFileProperty");
    EXPECT_EQ(editorOf(session, "LibraryPath"), "TCorvexPathProperty");
    EXPECT_EQ(editorOf(session, "LoginDatabase"), "TCorvexDBFileProperty");
    EXPECT_EQ(editorOf(session, "LoginUser"), "TStringProperty");
    EXPECT_EQ(editorOf(TParamHolder::StaticClass(), "Params"), "TCorvexParamsProperty");
    EXPECT_EQ(editorOf(TAsaDataset::StaticClass(), "Params"), "TCorvexParamsProperty");

    auto asaSession = New<TAsaSession>();
    auto sql = New<TAsaSQL>();
    auto about = GetComponentEditor(asaSession.get(), nullptr);
    EXPECT_EQ(about->ClassName(), "TCorvexAsaAboutComponentEditor");
    EXPECT_EQ(about->GetVerbCount(), 1);
    EXPECT_EQ(about->GetVerb(0), "Abo&ut Tarnix 1.86b");
    EXPECT_EQ(GetComponentEditor(sql.get(), nullptr)->ClassName(), "TDefaultEditor");

    UnregisterGroup("TnxSa5");
    EXPECT_TRUE(GetPaletteClasses("Tarnix").empty());
    EXPECT_EQ(editorOf(session, "LibraryFile"), "TStringProperty");
}
