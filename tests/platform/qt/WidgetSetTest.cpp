// The widget set with forms built in code: what shows, both ways of a change, keys, focus, modal
// loops and the widgets' life.
#include "QtTestSupport.h"

#include "platform/qt/QtConvert.h"
#include "platform/win/MessageBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

using namespace vcl;
using namespace tnxqtest;

namespace {

// A dialog built in code: a label with an accelerator for the edit, an edit, a list, a combo box,
// a group box holding a button, a lowered panel, and OK / Cancel.
struct SampleForm {
    TOwned<TForm> Form = New<TForm>();
    TLabel* Label = Make<TLabel>(Form.get());
    TEdit* Edit = Make<TEdit>(Form.get());
    TListBox* List = Make<TListBox>(Form.get());
    TComboBox* Combo = Make<TComboBox>(Form.get());
    TGroupBox* Box = Make<TGroupBox>(Form.get());
    TButton* Apply = Make<TButton>(Form.get());
    TPanel* Panel = Make<TPanel>(Form.get());
    TButton* OK = Make<TButton>(Form.get());
    TButton* Cancel = Make<TButton>(Form.get());
    std::string Log;

    SampleForm() {
        Form->SetName("SampleForm");
        Form->SetCaption("Sample");
        Form->SetBorderStyle(bsDialog);
        Form->SetPosition(poScreenCenter);
        Form->SetClientWidth(320);
        Form->SetClientHeight(220);
        Place(Label, Form.get(), 8, 12, 40, 13, "&Name:");
        Label->SetFocusControl(Edit);
        Place(Edit, Form.get(), 60, 8, 150, 21, "");
        Place(List, Form.get(), 8, 40, 100, 80, "");
        Place(Combo, Form.get(), 120, 40, 120, 21, "");
        Combo->SetStyle(csDropDownList);
        for (const char* line : {"red", "green", "blue"}) {
            List->GetItems()->Add(line);
            Combo->GetItems()->Add(line);
        }
        Place(Box, Form.get(), 120, 70, 190, 60, "Group");
        Place(Apply, Box, 10, 24, 75, 25, "&Apply");
        Place(Panel, Form.get(), 250, 8, 60, 40, "");
        Panel->SetBevelOuter(bvLowered);
        Place(OK, Form.get(), 150, 185, 75, 25, "OK");
        OK->SetDefault(true);
        OK->SetModalResult(mrOk);
        Place(Cancel, Form.get(), 235, 185, 75, 25, "Cancel");
        Cancel->SetCancel(true);
        Cancel->SetModalResult(mrCancel);
        Edit->SetOnChange([this](TObject*) { Log += "change(" + Edit->GetText() + ")"; });
        Edit->SetOnEnter([this](TObject*) { Log += "enter-edit "; });
        Edit->SetOnExit([this](TObject*) { Log += "exit-edit "; });
        List->SetOnClick([this](TObject*) { Log += "list(" + std::to_string(List->GetItemIndex()) + ")"; });
        Combo->SetOnChange([this](TObject*) { Log += "combo(" + Combo->GetText() + ")"; });
        Apply->SetOnClick([this](TObject*) { Log += "apply "; });
        Label->SetOnClick([this](TObject*) { Log += "label "; });
    }

    static void Place(TControl* control, TWinControl* parent, int left, int top, int width, int height,
                      const char* caption) {
        control->SetParent(parent);
        control->SetBounds(left, top, width, height);
        control->SetCaption(caption);
    }
    QWidget* Window() const { return tnxqt::WidgetOf(Form.get()); }
};

QRect ModelRect(const TControl* c) {
    return QRect(c->GetLeft(), c->GetTop(), c->GetWidth(), c->GetHeight());
}

} // namespace

TEST(WidgetSet, AShownFormIsAWindowWithEveryControlWhereTheModelPutsIt) {
    SampleForm f;
    EXPECT_EQ(tnxqt::WidgetOf(f.Form.get()), nullptr); // nothing before the form shows
    f.Form->Show();
    QWidget* window = f.Window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowTitle(), "Sample");
    EXPECT_EQ(window->size(), QSize(320, 220)); // the client size
    // Centred on the real screen: the model was given its size.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(Screen->GetWidth(), screen.width());
    EXPECT_EQ(f.Form->GetLeft(), (screen.width() - f.Form->GetWidth()) / 2);
    EXPECT_EQ(window->pos(), QPoint(f.Form->GetLeft(), f.Form->GetTop()));

    EXPECT_EQ(Widget<QLineEdit>(f.Edit)->geometry(), ModelRect(f.Edit));
    EXPECT_EQ(Widget<QListWidget>(f.List)->geometry(), ModelRect(f.List));
    EXPECT_EQ(Widget<QComboBox>(f.Combo)->geometry(), ModelRect(f.Combo));
    EXPECT_EQ(Widget<QGroupBox>(f.Box)->geometry(), ModelRect(f.Box));
    EXPECT_EQ(Widget<QFrame>(f.Panel)->frameShadow(), QFrame::Sunken);
    // Children of a box are placed inside it, from its corner.
    QPushButton* apply = Widget<QPushButton>(f.Apply);
    ASSERT_NE(apply, nullptr);
    EXPECT_EQ(apply->parentWidget(), Widget<QGroupBox>(f.Box));
    EXPECT_EQ(apply->geometry(), ModelRect(f.Apply));
    // A label that sizes itself starts where the model says and is at least as large.
    QLabel* label = Widget<QLabel>(f.Label);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->pos(), QPoint(8, 12));
    EXPECT_GE(label->width(), 40);
    // Captions, the accelerator underlined.
    EXPECT_EQ(ShownText(label), "Name:");
    EXPECT_TRUE(label->text().contains("<u>N</u>"));
    EXPECT_EQ(apply->text(), "&Apply");
    EXPECT_EQ(Widget<QGroupBox>(f.Box)->title(), "Group");
    EXPECT_TRUE(Widget<QPushButton>(f.OK)->isDefault());
    // Lines of the list and the combo.
    EXPECT_EQ(Widget<QListWidget>(f.List)->count(), 3);
    EXPECT_EQ(Widget<QComboBox>(f.Combo)->itemText(2), "blue");
    EXPECT_FALSE(Widget<QComboBox>(f.Combo)->isEditable());
    f.Form->Hide();
    EXPECT_FALSE(window->isVisible());
}

TEST(WidgetSet, ModelChangesShowAtOnce) {
    SampleForm f;
    f.Form->Show();
    ASSERT_NE(f.Window(), nullptr);
    f.OK->SetEnabled(false);
    EXPECT_FALSE(Widget<QPushButton>(f.OK)->isEnabled());
    f.List->GetItems()->Add("yellow");
    f.List->SetItemIndex(3);
    QListWidget* list = Widget<QListWidget>(f.List);
    EXPECT_EQ(list->count(), 4);
    EXPECT_EQ(list->currentRow(), 3);
    EXPECT_TRUE(list->item(3)->isSelected());
    f.List->GetItems()->Delete(3); // the selected line goes: nothing stays selected
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(list->selectedItems().size(), 0);
    f.Combo->SetItemIndex(1);
    EXPECT_EQ(Widget<QComboBox>(f.Combo)->currentText(), "green");
    f.Label->SetCaption("&Title:");
    EXPECT_EQ(ShownText(Widget<QLabel>(f.Label)), "Title:");
    f.Edit->SetBounds(70, 9, 100, 22);
    EXPECT_EQ(Widget<QLineEdit>(f.Edit)->geometry(), QRect(70, 9, 100, 22));
    f.Edit->SetText("typed in code");
    EXPECT_EQ(Widget<QLineEdit>(f.Edit)->text(), "typed in code");
    f.Panel->SetVisible(false);
    EXPECT_FALSE(Widget<QFrame>(f.Panel)->isVisible());
    // Fonts: style and colour; a name the machine lacks falls back to the system's sans.
    f.Label->GetFont()->SetStyle({fsBold, fsUnderline});
    f.Label->GetFont()->SetColor(clNavy);
    f.Label->SetCursor(crHandPoint);
    EXPECT_TRUE(Widget<QLabel>(f.Label)->font().bold());
    EXPECT_TRUE(Widget<QLabel>(f.Label)->font().underline());
    EXPECT_EQ(Widget<QLabel>(f.Label)->palette().color(QPalette::WindowText), QColor(0, 0, 0x80));
    EXPECT_EQ(Widget<QLabel>(f.Label)->cursor().shape(), Qt::PointingHandCursor);
    f.Form->SetCaption("Renamed");
    EXPECT_EQ(f.Window()->windowTitle(), "Renamed");
    f.Form->SetClientWidth(400);
    EXPECT_EQ(f.Window()->width(), 400);
    // A control placed while the form shows gets its widget; moved, it follows; freed, it goes.
    TButton* late = Make<TButton>(f.Form.get());
    SampleForm::Place(late, f.Form.get(), 8, 140, 60, 25, "Late");
    ASSERT_NE(Widget<QPushButton>(late), nullptr);
    EXPECT_EQ(Widget<QPushButton>(late)->text(), "Late");
    late->SetParent(f.Box);
    EXPECT_EQ(Widget<QPushButton>(late)->parentWidget(), Widget<QGroupBox>(f.Box));
    late->Free();
    Settle();
    EXPECT_EQ(Widget<QPushButton>(late), nullptr);
    f.Form->Hide();
}

TEST(WidgetSet, FontNamesTheMachineLacksFallBackToTheSystemSans) {
    const QString sans = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    EXPECT_EQ(tnxqt::ResolveFontFamily("No Such Typeface 123"), sans);
    const QString present = QFontDatabase::families().value(0);
    ASSERT_FALSE(present.isEmpty());
    EXPECT_EQ(tnxqt::ResolveFontFamily(present), present);
    auto font = New<TFont>();
    font->SetSize(-13); // pixels
    EXPECT_EQ(tnxqt::ToQFont(*font).pixelSize(), 13);
}

TEST(WidgetSet, TheUsersTypingClicksAndSelectionsReachTheModel) {
    SampleForm f;
    RunModal(f.Form.get(), [&] {
        QWidget* window = f.Window();
        // Typing into the edit: the focus moves there (its events run), one change a keystroke.
        Click(Widget<QLineEdit>(f.Edit));
        EXPECT_EQ(f.Form->GetActiveControl(), f.Edit);
        Type(window, "ab");
        EXPECT_EQ(f.Edit->GetText(), "ab");
        EXPECT_EQ(f.Log, "enter-edit change(a)change(ab)");
        f.Log.clear();
        // A line of the list: focus, selection, OnClick.
        ClickLine(Widget<QListWidget>(f.List), 2);
        EXPECT_EQ(f.Form->GetActiveControl(), f.List);
        EXPECT_EQ(f.List->GetItemIndex(), 2);
        EXPECT_EQ(f.Log, "exit-edit list(2)");
        f.Log.clear();
        // The arrow keys move the model's selection (once: Qt's own list handling does not add to it).
        Key(window, Qt::Key_Up);
        EXPECT_EQ(f.List->GetItemIndex(), 1);
        EXPECT_EQ(Widget<QListWidget>(f.List)->currentRow(), 1);
        EXPECT_EQ(f.Log, "list(1)");
        f.Log.clear();
        // The combo box's choice.
        QComboBox* combo = Widget<QComboBox>(f.Combo);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down); // through the model
        EXPECT_EQ(f.Combo->GetItemIndex(), 0);
        EXPECT_EQ(combo->currentIndex(), 0);
        // A pick from the drop-down list.
        combo->showPopup();
        QAbstractItemView* popup = combo->view();
        QTest::mouseClick(popup->viewport(), Qt::LeftButton, Qt::NoModifier,
                          popup->visualRect(popup->model()->index(2, 0)).center());
        EXPECT_EQ(f.Combo->GetItemIndex(), 2);
        EXPECT_EQ(f.Log, "combo(red)combo(blue)");
        f.Log.clear();
        // Buttons and labels.
        Click(Widget<QPushButton>(f.Apply));
        Click(Widget<QLabel>(f.Label));
        EXPECT_EQ(f.Log, "apply label ");
        EXPECT_EQ(f.Form->GetActiveControl(), f.Apply);
        Click(Widget<QPushButton>(f.OK));
    });
    EXPECT_EQ(f.Form->GetModalResult(), mrOk);
}

TEST(WidgetSet, DialogKeysActOnceTheModelsWay) {
    SampleForm f;
    // Enter presses the default button, unless another button has the focus.
    EXPECT_EQ(RunModal(f.Form.get(), [&] { Key(f.Window(), Qt::Key_Return); }), mrOk);
    // Escape presses the cancel button.
    EXPECT_EQ(RunModal(f.Form.get(), [&] { Key(f.Window(), Qt::Key_Escape); }), mrCancel);
    // Tab walks the model's tab order; Alt with an accelerator acts once; Enter on a focused
    // button presses that one.
    EXPECT_EQ(RunModal(f.Form.get(),
                       [&] {
                           QWidget* window = f.Window();
                           f.Log.clear();
                                                      EXPECT_EQ(f.Form->GetActiveControl(), f.Edit); // the first in tab order
                           EXPECT_EQ(QApplication::focusWidget(), Widget<QLineEdit>(f.Edit));
                           Key(window, Qt::Key_Tab);
                           EXPECT_EQ(f.Form->GetActiveControl(), f.List);
                           EXPECT_EQ(QApplication::focusWidget(), Widget<QListWidget>(f.List));
                           Key(window, Qt::Key_Tab, Qt::ShiftModifier);
                           EXPECT_EQ(f.Form->GetActiveControl(), f.Edit);
                           Key(window, Qt::Key_A, Qt::AltModifier);
                           EXPECT_EQ(f.Log, "exit-edit enter-edit apply ");
                           Key(window, Qt::Key_Tab);
                           Key(window, Qt::Key_N, Qt::AltModifier); // the label focuses the edit
                           EXPECT_EQ(f.Form->GetActiveControl(), f.Edit);
                           f.Cancel->SetFocus();
                           EXPECT_EQ(QApplication::focusWidget(), Widget<QPushButton>(f.Cancel));
                           Key(window, Qt::Key_Return);
                       }),
              mrCancel);
    // The close box and Alt+F4 end the dialog with mrCancel.
    EXPECT_EQ(RunModal(f.Form.get(), [&] { f.Window()->close(); }), mrCancel);
    EXPECT_EQ(RunModal(f.Form.get(), [&] { Key(f.Window(), Qt::Key_F4, Qt::AltModifier); }), mrCancel);
    EXPECT_FALSE(f.Window()->isVisible());
}

TEST(WidgetSet, AHandlerThatRaisesLeavesTheModelInChargeAndTheLoopRunning) {
    SampleForm f;
    int errors = 0;
    const TExceptionEvent previous = Application->GetOnException();
    Application->SetOnException([&](TObject*, const Exception&) { ++errors; });
    f.Apply->SetOnClick([](TObject*) { throw EConvertError("not a number"); });
    // A handler refusing the focus keeps it where it was, in the model and in Qt.
    f.Edit->SetOnExit([](TObject*) { throw EConvertError("finish the edit first"); });
    const TModalResult result = RunModal(f.Form.get(), [&] {
        Click(Widget<QLineEdit>(f.Edit));
        ClickLine(Widget<QListWidget>(f.List), 0);
        Settle();
        EXPECT_EQ(f.Form->GetActiveControl(), f.Edit);
        EXPECT_EQ(QApplication::focusWidget(), Widget<QLineEdit>(f.Edit));
        // The click did not happen in the model, so the list shows no selection either.
        EXPECT_EQ(f.List->GetItemIndex(), -1);
        EXPECT_TRUE(Widget<QListWidget>(f.List)->selectedItems().isEmpty());
        f.Edit->SetOnExit(nullptr);
        Click(Widget<QPushButton>(f.Apply));
        EXPECT_TRUE(f.Form->IsModalShowing());
        Key(f.Window(), Qt::Key_Escape);
    });
    Application->SetOnException(previous);
    EXPECT_EQ(result, mrCancel);
    EXPECT_EQ(errors, 2);
}

TEST(WidgetSet, FreeingAFormFromItsOwnButtonIsSafe) {
    auto* form = Make<TForm>(Application);
    form->SetClientWidth(100);
    form->SetClientHeight(50);
    auto* button = Make<TButton>(form);
    SampleForm::Place(button, form, 10, 10, 80, 25, "Close");
    bool freed = false;
    button->SetOnClick([&](TObject*) {
        freed = true;
        form->Free(); // last: it frees this handler too (the button goes with the form)
    });
    form->Show();
    QPointer<QWidget> window = tnxqt::WidgetOf(form);
    ASSERT_FALSE(window.isNull());
    Click(tnxqt::WidgetOf(button));
    EXPECT_TRUE(freed);
    Settle();
    EXPECT_TRUE(window.isNull()); // deleted once the click was over
}

TEST(WidgetSet, UninstallingBringsTheHeadlessHandlersBack) {
    tnxqt::UninstallWidgetSet();
    EXPECT_FALSE(tnxqt::IsWidgetSetInstalled());
    SampleForm f;
    EXPECT_EQ(f.Form->ShowModal(), mrCancel); // headless: returns at once
    EXPECT_EQ(tnxqt::WidgetOf(f.Form.get()), nullptr);
    EXPECT_EQ(win::MessageBoxA(nullptr, "headless", "test", win::MB_YESNO | win::MB_DEFBUTTON2), win::IDNO);
    // Installing again while a form shows gives it its window.
    f.Form->Show();
    tnxqt::InstallWidgetSet();
    ASSERT_NE(f.Window(), nullptr);
    EXPECT_TRUE(f.Window()->isVisible());
    f.Form->Hide();
}
