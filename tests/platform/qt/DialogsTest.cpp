// The product's dialogs as real windows: a person's clicks, typing and keys (through Qt's test
// input functions) do what the dialogs promise, and each dialog is rendered to a PNG whose widgets
// are checked against the form's model (the pictures under docs/screenshots come from here).
#include "QtTestSupport.h"

#include "asa/design/TnxAsaEd.h"
#include "base/design/TnxAbout.h"
#include "base/design/TnxProps.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace vcl;
using namespace tnx;
using namespace tnxqtest;

namespace {

// Renders the dialog's window to <screenshots>/<name>.png and returns the picture.
QPixmap Screenshot(const TCustomForm* form, const char* name) {
    QWidget* window = tnxqt::WidgetOf(form);
    EXPECT_NE(window, nullptr);
    if (window == nullptr) return {};
    const QPixmap picture = window->grab();
    const QString folder = QString::fromUtf8(TNX_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(picture.save(folder + "/" + name + ".png"));
    return picture;
}

// Every control of the form has its widget, where the model puts it and saying what the model
// says. Labels that size themselves may be larger than the model's size, never elsewhere.
void ExpectWidgetsMatchTheModel(const TWinControl* parent) {
    for (int i = 0; i < parent->GetControlCount(); ++i) {
        const TControl* control = parent->GetControl(i);
        SCOPED_TRACE(control->GetName());
        QWidget* widget = tnxqt::WidgetOf(control);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->isVisibleTo(widget->window()), control->GetVisible());
        EXPECT_EQ(widget->isEnabled(), control->GetEnabled());
        const auto* label = dynamic_cast<const TLabel*>(control);
        if (label != nullptr && label->GetAutoSize() && !label->GetWordWrap()) {
            EXPECT_EQ(widget->pos(), QPoint(control->GetLeft(), control->GetTop()));
            EXPECT_GE(widget->width(), control->GetWidth());
            // Its text fits: nothing of the caption is cut off.
            EXPECT_GE(widget->width(), widget->sizeHint().width());
        } else {
            EXPECT_EQ(widget->geometry(), QRect(control->GetLeft(), control->GetTop(), control->GetWidth(),
                                                control->GetHeight()));
        }
        if (label != nullptr || dynamic_cast<const TButton*>(control) != nullptr ||
            dynamic_cast<const TGroupBox*>(control) != nullptr) {
            EXPECT_EQ(ShownText(widget).toStdString(), TControl::StripAccelChars(control->GetCaption()));
        }
        if (dynamic_cast<const TEdit*>(control) != nullptr) {
            EXPECT_EQ(ShownText(widget).toStdString(), control->GetText());
        }
        if (const auto* container = dynamic_cast<const TWinControl*>(control)) ExpectWidgetsMatchTheModel(container);
    }
}

std::vector<std::string> Names(const TAsaParams& params) {
    std::vector<std::string> names;
    for (int i = 0; i < params.GetCount(); ++i)
        names.push_back(params.GetParamAt(i)->GetName());
    return names;
}

QStringList Lines(QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->data(Qt::UserRole).toString();
    return lines;
}

} // namespace

TEST(ParamsDialogWindow, TypingRenamesTheEntryAndEscapeRestoresTheCollection) {
    auto params = New<TAsaParams>();
    TAsaParam::Create(*params, "id")->SetAsInteger(5);
    TAsaParam::Create(*params, "name")->SetAsString("first");
    TAsaParam::Create(*params, "when")->SetAsDateTime(TDateTime(45000.5));
    auto original = New<TAsaParams>();
    CopyParamList(*params, *original);
    auto dlg = New<TCorvexParamsDlg>();
    dlg->SetAsaParams(params.get());

    const TModalResult result = RunModal(dlg.get(), [&] {
        QWidget* window = tnxqt::WidgetOf(dlg.get());
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->windowTitle(), "Parameters");
        EXPECT_EQ(window->size(), QSize(400, 232));
        ExpectWidgetsMatchTheModel(dlg.get());
        QListWidget* list = Widget<QListWidget>(dlg->lbParamNames);
        QLineEdit* name = Widget<QLineEdit>(dlg->edParamName);
        QComboBox* types = Widget<QComboBox>(dlg->cbDataType);
        ASSERT_TRUE(list && name && types);
        EXPECT_EQ(Lines(list), (QStringList{"id", "name", "when"}));
        EXPECT_EQ(types->count(), 12); // ntUnknown .. ntBlob
        EXPECT_FALSE(Widget<QPushButton>(dlg->btnDelete)->isEnabled() && params->GetCount() == 0);
        Screenshot(dlg.get(), "params-dialog");

        // Clicking the second line shows that parameter.
        ClickLine(list, 1);
        EXPECT_EQ(name->text(), "name");
        EXPECT_EQ(types->currentIndex(), params->GetParamAt(1)->GetDataType());
        // Typing into the name edit renames the list entry, keystroke by keystroke.
        Click(name);
        name->selectAll();
        Type(window, "cust");
        EXPECT_EQ(Lines(list), (QStringList{"id", "cust", "when"}));
        EXPECT_EQ(list->currentRow(), 1);
        EXPECT_EQ(Names(*params), (std::vector<std::string>{"id", "cust", "when"}));
        // The value is taken when the edit is left (Tab).
        Click(Widget<QLineEdit>(dlg->edParamValue));
        Widget<QLineEdit>(dlg->edParamValue)->selectAll();
        Type(window, "second");
        Key(window, Qt::Key_Tab);
        EXPECT_EQ(params->GetParamAt(1)->GetAsString(), "second");
        // New adds p4 and selects it; Delete takes the selected one away.
        Click(Widget<QPushButton>(dlg->btnNew));
        EXPECT_EQ(Lines(list), (QStringList{"id", "cust", "when", "p4"}));
        EXPECT_EQ(list->currentRow(), 3);
        EXPECT_EQ(name->text(), "p4");
        ClickLine(list, 0);
        Click(Widget<QPushButton>(dlg->btnDelete));
        EXPECT_EQ(Lines(list), (QStringList{"cust", "when", "p4"}));
        // Escape undoes everything.
        Key(window, Qt::Key_Escape);
    });
    EXPECT_EQ(result, mrCancel);
    ASSERT_EQ(params->GetCount(), original->GetCount());
    for (int i = 0; i < original->GetCount(); ++i)
        EXPECT_TRUE(params->GetParamAt(i)->IsEqual(*original->GetParamAt(i)));
}

TEST(ParamsDialogWindow, AnEmptyListDisablesTheEditorsUntilNewAndOKKeepsTheEdits) {
    auto params = New<TAsaParams>();
    auto dlg = New<TCorvexParamsDlg>();
    dlg->SetAsaParams(params.get());
    const TModalResult result = RunModal(dlg.get(), [&] {
        QWidget* window = tnxqt::WidgetOf(dlg.get());
        for (const TControl* c : {static_cast<TControl*>(dlg->btnDelete), static_cast<TControl*>(dlg->edParamName),
                                  static_cast<TControl*>(dlg->cbDataType), static_cast<TControl*>(dlg->edParamValue)})
            EXPECT_FALSE(tnxqt::WidgetOf(c)->isEnabled()) << c->GetName();
        Click(Widget<QPushButton>(dlg->btnNew));
        EXPECT_TRUE(Widget<QLineEdit>(dlg->edParamName)->isEnabled());
        EXPECT_TRUE(Widget<QPushButton>(dlg->btnDelete)->isEnabled());
        EXPECT_EQ(Widget<QLineEdit>(dlg->edParamName)->text(), "p1");
        // Alt+D (the "Data type" label) focuses the drop-down; the arrow key picks a type.
        Key(window, Qt::Key_D, Qt::AltModifier);
        EXPECT_EQ(dlg->GetActiveControl(), dlg->cbDataType);
        EXPECT_EQ(QApplication::focusWidget(), Widget<QComboBox>(dlg->cbDataType));
        Key(window, Qt::Key_Down);
        EXPECT_EQ(params->GetParamAt(0)->GetDataType(), 1);
        Key(window, Qt::Key_Return); // the default button
    });
    EXPECT_EQ(result, mrOk);
    ASSERT_EQ(params->GetCount(), 1);
    EXPECT_EQ(params->GetParamAt(0)->GetName(), "p1");
}

TEST(PathDialogWindow, DoubleClickingAFolderChoosesItAndEnterConfirms) {
    tnxtest::TempDir temp;
    for (const char* sub : {"beta", "alpha"})
        std::filesystem::create_directory(std::filesystem::path(temp.Path()) / sub);
    const std::string root = std::filesystem::canonical(temp.Path()).string();
    auto dlg = New<TCorvexPathDialog>();
    dlg->SetPath(root);
    const TModalResult result = RunModal(dlg.get(), [&] {
        QWidget* window = tnxqt::WidgetOf(dlg.get());
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->windowTitle(), "Choose Folder");
        ExpectWidgetsMatchTheModel(dlg.get());
        QLineEdit* path = Widget<QLineEdit>(dlg->edPath);
        QListWidget* folders = Widget<QListWidget>(dlg->dlDirList);
        ASSERT_TRUE(path && folders);
        EXPECT_EQ(path->text().toStdString(), root);
        const QStringList lines = Lines(folders);
        ASSERT_GE(lines.size(), 3);
        EXPECT_EQ(lines.mid(lines.size() - 2), (QStringList{"alpha", "beta"}));
        EXPECT_EQ(Widget<QComboBox>(dlg->dcDrive)->currentText(), "/");
        Screenshot(dlg.get(), "path-dialog");
        // A double click opens the folder; the edit and the chosen path follow.
        DoubleClickLine(folders, static_cast<int>(lines.size()) - 2);
        EXPECT_EQ(path->text().toStdString(), root + "/alpha");
        EXPECT_EQ(dlg->dlDirList->GetDirectory(), root + "/alpha");
        // Typing a path in the edit sets the chosen path directly.
        Click(path);
        path->end(false);
        Type(window, "/x");
        EXPECT_EQ(dlg->GetPath(), root + "/alpha/x");
        Key(window, Qt::Key_Return);
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(dlg->GetPath(), root + "/alpha/x");
}

TEST(AboutBoxWindow, TheHeadingLinksAndPictureShowAndTheLinksOpenThroughTheDesktop) {
    std::vector<QUrl> opened;
    const tnxqt::TUrlOpener previous = tnxqt::SetUrlOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    auto box = New<TCorvexAboutBox>();
    box->SetDatabaseName("Sybase SQL Anywhere");
    const TModalResult result = RunModal(box.get(), [&] {
        QWidget* window = tnxqt::WidgetOf(box.get());
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->windowTitle(), "About Tarnix");
        ExpectWidgetsMatchTheModel(box.get());
        EXPECT_EQ(ShownText(Widget<QLabel>(box->Label1)), "Tarnix 1.86b for Sybase SQL Anywhere");
        EXPECT_TRUE(Widget<QLabel>(box->Label1)->font().bold());
        EXPECT_TRUE(Widget<QLabel>(box->Label1)->wordWrap());
        for (TLabel* link : {box->lblEmail, box->lblWeb}) {
            QLabel* label = Widget<QLabel>(link);
            EXPECT_TRUE(label->font().underline());
            EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 0x80));
            EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
        }
        QLabel* picture = Widget<QLabel>(box->Image1);
        ASSERT_NE(picture, nullptr);
        EXPECT_FALSE(picture->pixmap().isNull());
        EXPECT_TRUE(picture->hasScaledContents());
        EXPECT_EQ(Widget<QFrame>(box->Panel1)->frameShadow(), QFrame::Sunken);
        Screenshot(box.get(), "about-box");
        Click(Widget<QLabel>(box->lblEmail));
        Click(Widget<QLabel>(box->lblWeb));
        Key(window, Qt::Key_Escape); // the Close button is also the cancel button
    });
    tnxqt::SetUrlOpener(previous);
    EXPECT_EQ(result, mrOk);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QUrl("mailto:support@tarnix.example"));
    EXPECT_EQ(opened[1], QUrl("https://www.tarnix.example/"));
}
