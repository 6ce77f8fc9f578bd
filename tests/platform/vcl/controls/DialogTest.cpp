// Dialogs built from form resources: the layout read back, the file round trip, malformed form
// data, and a user's keys and clicks driving the dialog headless through the modal handler.
#include "TestDialog.h"

#include "platform/vcl/Classes.h"
#include "support/ModalDialogs.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace vcl;
using controltest::TestDialogResource;
using controltest::TTestDialog;
using tnxtest::RunModal;

namespace {

std::vector<std::string> TabNames(TWinControl* container) {
    std::vector<std::string> names;
    for (TWinControl* c : container->GetTabOrderList())
        names.push_back(c->GetName());
    return names;
}

} // namespace

TEST(DialogResource, LayoutParentsTabOrderAndLookReadBack) {
    TestDialogResource resource;
    auto dlg = New<TTestDialog>();
    EXPECT_EQ(dlg->GetName(), "TestDialog");
    EXPECT_EQ(dlg->GetCaption(), "Test dialog");
    EXPECT_EQ(dlg->GetBorderStyle(), bsDialog);
    EXPECT_EQ(dlg->GetPosition(), poScreenCenter);
    EXPECT_EQ(dlg->GetClientWidth(), 300);
    EXPECT_EQ(dlg->GetClientHeight(), 200);
    EXPECT_EQ(dlg->GetWidth(), 306);  // a 3-pixel dialog frame on each side
    EXPECT_EQ(dlg->GetHeight(), 225); // and a 19-pixel caption

    // Everything belongs to the form; parents follow the nesting of the file.
    for (TControl* c : std::vector<TControl*>{dlg->lblName, dlg->edName, dlg->lbItems, dlg->edOff})
        EXPECT_EQ(c->GetParent(), dlg->gbBox) << c->GetName();
    for (TControl* c : std::vector<TControl*>{dlg->gbBox, dlg->btnOK, dlg->btnCancel, dlg->btnHelp, dlg->lblLink}) {
        EXPECT_EQ(c->GetParent(), dlg.get()) << c->GetName();
        EXPECT_EQ(c->Owner(), dlg.get()) << c->GetName();
    }
    EXPECT_EQ(dlg->edName->Owner(), dlg.get());
    EXPECT_EQ(dlg->edName->GetLeft(), 64);
    EXPECT_EQ(dlg->edName->GetTop(), 20);
    EXPECT_EQ(dlg->edName->GetWidth(), 121);
    EXPECT_EQ(dlg->edName->GetHeight(), 21);
    EXPECT_EQ(dlg->lblName->GetFocusControl(), dlg->edName);

    // The list was read before the name edit but stored tab order 0: the file's order wins.
    EXPECT_EQ(TabNames(dlg.get()), (std::vector<std::string>{"gbBox", "lbItems", "edName", "edOff", "btnOK",
                                                             "btnCancel", "btnHelp"}));
    EXPECT_EQ(dlg->lbItems->GetTabOrder(), 0);
    EXPECT_EQ(dlg->edName->GetTabOrder(), 1);
    EXPECT_EQ(dlg->btnHelp->GetTabOrder(), 3);

    // Controls take the form's font until they have their own; named colours and cursors read.
    EXPECT_EQ(dlg->edName->GetFont()->GetName(), "Tahoma");
    EXPECT_TRUE(dlg->edName->GetParentFont());
    EXPECT_FALSE(dlg->lblLink->GetParentFont());
    EXPECT_EQ(dlg->lblLink->GetFont()->GetColor(), clNavy);
    EXPECT_TRUE(dlg->lblLink->GetFont()->GetStyle().Contains(fsUnderline));
    EXPECT_EQ(dlg->lblLink->GetCursor(), crHandPoint);
    EXPECT_EQ(dlg->lbItems->GetItems()->GetCount(), 2);
    EXPECT_EQ(dlg->btnOK->GetModalResult(), mrOk);
    EXPECT_FALSE(dlg->edOff->GetEnabled());
}

TEST(DialogResource, WritingAndReadingBackGivesTheSameForm) {
    TestDialogResource resource;
    auto dlg = New<TTestDialog>();
    const AnsiString text = WriteComponentText(dlg.get());
    // Named values are written by name; the form writes its client size, not its frame.
    EXPECT_NE(text.find("Cursor = crHandPoint"), AnsiString::npos);
    EXPECT_NE(text.find("Font.Color = clNavy"), AnsiString::npos);
    EXPECT_NE(text.find("ModalResult = mrOk"), AnsiString::npos);
    EXPECT_NE(text.find("ClientWidth = 300"), AnsiString::npos);
    EXPECT_EQ(text.find("  Width = 306"), AnsiString::npos);
    // A font that follows its parent is not written.
    const auto edName = text.find("object edName");
    EXPECT_EQ(text.substr(edName, text.find("end", edName) - edName).find("Font."), AnsiString::npos);

    RegisterComponentResource("TTestDialog", text);
    dlg.reset(); // while it exists, a second dialog of the same name would be renamed
    auto again = New<TTestDialog>();
    EXPECT_EQ(WriteComponentText(again.get()), text);
}

TEST(DialogResource, MalformedFormDataIsRefusedWithAClearError) {
    const std::string text = controltest::TestDialogText;
    auto expectRefused = [](const std::string& data, const std::string& fragment) {
        RegisterComponentResource("TTestDialog", data);
        try {
            New<TTestDialog>();
            ADD_FAILURE() << "accepted: " << data;
        } catch (const EFilerError& e) {
            EXPECT_NE(e.Message().find(fragment), std::string::npos) << e.Message();
        }
        UnRegisterComponentResource("TTestDialog");
    };
    auto replaced = [&](const std::string& what, const std::string& by) {
        std::string changed = text;
        return changed.replace(changed.find(what), what.size(), by);
    };
    // A control inside a button, which holds no controls.
    expectRefused(replaced("  end\n  object lblLink", "    object lblIn: TLabel\n    end\n  end\n  object lblLink"),
                  "lblIn cannot be placed in btnHelp");
    // A name the dialog relies on missing, or of another class.
    expectRefused(replaced("object btnCancel", "object btnAbort"), "has no TButton named btnCancel");
    expectRefused(replaced("gbBox: TGroupBox", "gbBox: TPanel"), "has no TGroupBox named gbBox");
    // Values that do not fit their property.
    expectRefused(replaced("crHandPoint", "crNoSuchCursor"), "Invalid property value");
    expectRefused(replaced("bsDialog", "bsRound"), "Invalid property value");
    // Truncated data.
    expectRefused(text.substr(0, text.size() / 2), "line");
}

TEST(DialogResource, ControlsNeedAFormOrContainerAsParent) {
    auto module = New<TDataModule>();
    auto* label = Make<TLabel>(module.get());
    EXPECT_THROW(label->SetParentComponent(module.get()), EInvalidOperation);
    auto form = New<TForm>();
    auto* box = Make<TGroupBox>(form.get());
    box->SetParent(form.get());
    EXPECT_THROW(box->SetParent(box), EInvalidOperation);
    auto* panel = Make<TPanel>(form.get());
    panel->SetParent(box);
    EXPECT_THROW(box->SetParent(panel), EInvalidOperation); // inside itself
    auto other = New<TForm>();
    EXPECT_THROW(other->SetParent(box), EInvalidOperation); // forms are top-level
    // Freeing a parent leaves its controls to their owner, without a parent.
    auto* edit = Make<TEdit>(form.get());
    edit->SetParent(panel);
    panel->Free();
    EXPECT_EQ(edit->GetParent(), nullptr);
    EXPECT_EQ(box->GetControlCount(), 0);
}

TEST(DialogKeys, TabWalksTheTabOrderSkippingWhatCannotTakeTheFocus) {
    TestDialogResource resource;
    auto dlg = New<TTestDialog>();
    std::vector<std::string> visited;
    RunModal(dlg.get(), [&](TCustomForm* f) {
        visited.push_back(f->GetActiveControl()->GetName()); // the first control takes the focus
        for (int i = 0; i < 5; ++i) {
            f->PressKey(VK_TAB);
            visited.push_back(f->GetActiveControl()->GetName());
        }
        f->PressKey(VK_TAB, {ssShift});
        visited.push_back(f->GetActiveControl()->GetName());
        dlg->btnHelp->SetEnabled(false);
        f->PressKey(VK_TAB);
        f->PressKey(VK_TAB);
        visited.push_back(f->GetActiveControl()->GetName());
    });
    // The group box (no tab stop) and the disabled edit are skipped; the walk wraps around.
    EXPECT_EQ(visited, (std::vector<std::string>{"lbItems", "edName", "btnOK", "btnCancel", "btnHelp", "lbItems",
                                                 "btnHelp", "edName"}));
}

TEST(DialogKeys, EnterEscapeAndTheCloseBoxEndTheDialog) {
    TestDialogResource resource;
    auto dlg = New<TTestDialog>();
    // Enter in an edit presses the default button.
    EXPECT_EQ(RunModal(dlg.get(), [&](TCustomForm* f) {
                  dlg->edName->SetFocus();
                  EXPECT_TRUE(f->PressKey(VK_RETURN));
              }),
              mrOk);
    // Enter on a focused button presses that button, not the default one.
    EXPECT_EQ(RunModal(dlg.get(), [&](TCustomForm* f) {
                  dlg->btnCancel->SetFocus();
                  f->PressKey(VK_RETURN);
              }),
              mrCancel);
    dlg->Log.clear();
    EXPECT_EQ(RunModal(dlg.get(),
                       [&](TCustomForm* f) {
                           dlg->btnHelp->SetFocus();
                           f->PressKey(VK_RETURN); // Help has no modal result: the dialog stays
                           EXPECT_EQ(f->GetModalResult(), mrNone);
                           f->PressKey(VK_ESCAPE);
                       }),
              mrCancel);
    EXPECT_EQ(dlg->Log, "help;close(2);");
    // The close box ends it with mrCancel; so does a dialog nobody answers.
    EXPECT_EQ(RunModal(dlg.get(), [](TCustomForm* f) { f->Close(); }), mrCancel);
    EXPECT_EQ(RunModal(dlg.get(), [](TCustomForm* f) { f->PressKey(VK_F4, {ssAlt}); }), mrCancel);
    EXPECT_EQ(RunModal(dlg.get(), [](TCustomForm*) {}), mrCancel);
    // A disabled default button ignores Enter; a disabled cancel button ignores Escape.
    dlg->btnOK->SetEnabled(false);
    dlg->btnCancel->SetEnabled(false);
    RunModal(dlg.get(), [&](TCustomForm* f) {
        dlg->edName->SetFocus();
        EXPECT_FALSE(f->PressKey(VK_RETURN));
        EXPECT_FALSE(f->PressKey(VK_ESCAPE));
        EXPECT_EQ(f->GetModalResult(), mrNone);
    });
    EXPECT_FALSE(dlg->GetVisible());
    EXPECT_FALSE(dlg->PressKey(VK_RETURN)); // a hidden form takes no keys
}

TEST(DialogKeys, AcceleratorsFocusOrPress) {
    TestDialogResource resource;
    auto dlg = New<TTestDialog>();
    RunModal(dlg.get(), [&](TCustomForm* f) {
        f->PressKey('N', {ssAlt}); // "&Name:" focuses its edit
        EXPECT_EQ(f->GetActiveControl(), dlg->edName);
        f->PressKey('H', {ssAlt}); // "&Help" presses the button
        f->PressKey('G', {ssAlt}); // "&Group" focuses the group's first control
        EXPECT_EQ(f->GetActiveControl(), dlg->lbItems);
        EXPECT_FALSE(f->PressKey('Q', {ssAlt}));
        EXPECT_FALSE(f->PressKey('N')); // without Alt the letter is no accelerator
        EXPECT_FALSE(f->PressKey('h', {ssAlt})); // 0x68 is a key of its own (keypad 8), not H
    });
    EXPECT_EQ(dlg->Log.find("help;"), dlg->Log.find("help"));
    EXPECT_NE(dlg->Log.find("help;"), std::string::npos);
    EXPECT_EQ(TControl::AccelCharOf("Abo&ut Tarnix"), 'U');
    EXPECT_EQ(TControl::AccelCharOf("R&&D"), 0);
    EXPECT_EQ(TControl::StripAccelChars("R&&D &Dept&"), "R&D Dept");
}

TEST(DialogFocus, ExitAndEnterRunInOrderAndAnExitThatRaisesKeepsTheFocus) {
    TestDialogResource resource;
    auto dlg = New<TTestDialog>();
    std::string order;
    dlg->gbBox->SetOnEnter([&](TObject*) { order += "enter(box);"; });
    dlg->gbBox->SetOnExit([&](TObject*) { order += "exit(box);"; });
    dlg->lbItems->SetOnEnter([&](TObject*) { order += "enter(list);"; });
    dlg->btnOK->SetOnEnter([&](TObject*) { order += "enter(ok);"; });
    dlg->edName->SetOnExit([&](TObject*) { order += "exit(name);"; });
    RunModal(dlg.get(), [&](TCustomForm* f) {
        dlg->edName->SetFocus();  // inside the box: no box events
        dlg->btnOK->MouseClick(); // leaves the edit and the box, then clicks OK
        EXPECT_EQ(f->GetModalResult(), mrOk);
        f->SetModalResult(mrNone);
        dlg->edName->SetOnExit([](TObject*) { throw EConvertError("bad name"); });
        dlg->edName->SetFocus();
        EXPECT_THROW(dlg->btnCancel->MouseClick(), EConvertError);
        EXPECT_EQ(f->GetActiveControl(), dlg->edName);
        EXPECT_EQ(f->GetModalResult(), mrNone); // the click never happened
        dlg->edName->SetOnExit(nullptr);
        dlg->edOff->SetEnabled(true);
        dlg->edOff->SetFocus();
        dlg->edOff->SetEnabled(false); // the focus leaves a control that is disabled
        EXPECT_EQ(f->GetActiveControl(), nullptr);
        EXPECT_THROW(dlg->edOff->SetFocus(), EInvalidOperation);
        EXPECT_FALSE(dlg->edOff->MouseClick());
    });
    EXPECT_EQ(order, "enter(box);enter(list);exit(name);exit(box);enter(ok);enter(box);");
    auto other = New<TForm>();
    auto* foreign = Make<TEdit>(other.get());
    foreign->SetParent(other.get());
    EXPECT_THROW(dlg->SetActiveControl(foreign), EInvalidOperation);
}

TEST(DialogShow, ScreenCentredAndTheObserverSeesTheChanges) {
    TestDialogResource resource;
    auto dlg = New<TTestDialog>();
    std::vector<std::pair<std::string, TControlChange>> seen;
    const int id = AddControlObserver([&](TControl* c, TControlChange change) { seen.emplace_back(c->GetName(), change); });
    Screen->SetSize(1000, 700);
    RunModal(dlg.get(), [&](TCustomForm* f) {
        EXPECT_EQ(f->GetLeft(), (1000 - 306) / 2);
        EXPECT_EQ(f->GetTop(), (700 - 225) / 2);
        dlg->edName->SetText("x");
        dlg->lbItems->GetItems()->Add("three");
        dlg->btnOK->Click();
    });
    Screen->SetSize(1024, 768);
    RemoveControlObserver(id);
    auto has = [&](const std::string& name, TControlChange change) {
        for (const auto& s : seen)
            if (s.first == name && s.second == change) return true;
        return false;
    };
    EXPECT_TRUE(has("TestDialog", TControlChange::Visible));
    EXPECT_TRUE(has("TestDialog", TControlChange::Bounds));
    EXPECT_TRUE(has("TestDialog", TControlChange::Focus));
    EXPECT_TRUE(has("TestDialog", TControlChange::ModalResult));
    EXPECT_TRUE(has("edName", TControlChange::Text));
    EXPECT_TRUE(has("lbItems", TControlChange::Items));
    const std::size_t count = seen.size();
    dlg->edName->SetText("y");
    EXPECT_EQ(seen.size(), count); // removed observers hear nothing
}
