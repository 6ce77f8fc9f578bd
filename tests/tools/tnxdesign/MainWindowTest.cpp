// tnxdesign's window under Qt's offscreen platform, driven as a user drives it: a form file
// opened, components dropped from the palette, properties edited in the inspector through each
// registered editor (ellipsis buttons opening their dialogs, lists for enumerations and
// references), verbs from the context menu, the question before closing a modified design, the
// field editor, saving and reading back; and, over a real database file, the live grid, rendered
// to a picture for the README.
#include "DesignerTestSupport.h"
#include "QtTestSupport.h"

#include "examples/datamodule/SalesData.h"
#include "support/ModalDialogs.h"
#include "support/TempDir.h"
#include "tools/tnxdesign/ComponentTree.h"
#include "tools/tnxdesign/FieldEditorDialog.h"
#include "tools/tnxdesign/HostRegistrations.h"
#include "tools/tnxdesign/MainWindow.h"
#include "tools/tnxdesign/PropertyPanel.h"
#include "tools/tnxdesign/PalettePanel.h"

#include "platform/qt/DataSetModel.h"
#include "platform/vcl/controls/Dialogs.h"
#include "platform/vcl/db/DataSet.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using namespace vcl;
using namespace tnxdesigntest;
using tnxdesign::DesignDocument;
using tnxdesign::MainWindow;
using tnxdesign::TFormFileFormat;

const char* const OrdersForm = "object Orders: TDataModule\n"
                               "  object AsaSession1: TAsaSession\n"
                               "    LoginUser = 'DBA'\n"
                               "  end\n"
                               "  object AsaDataset1: TAsaDataset\n"
                               "    Session = AsaSession1\n"
                               "  end\n"
                               "end\n";

class DesignerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Window.LoadPackage(QString::fromStdString(tnxtest::BuildLibDir() + "/libTnxSa5.so")))
            << Window.LastError().toStdString();
        Window.show();
        tnxqtest::Settle();
    }

    QString Shown(const QString& property) {
        tnxqtest::Settle();
        QWidget* widget = Window.Inspector()->ValueWidget(property);
        if (auto* line = qobject_cast<QLineEdit*>(widget)) return line->text();
        if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->currentText();
        return "(no row " + property + ")";
    }
    void ClickEllipsis(const QString& property) {
        tnxqtest::Settle();
        QWidget* button = Window.Inspector()->EllipsisButton(property);
        ASSERT_NE(button, nullptr) << property.toStdString() << " has an ellipsis";
        tnxqtest::Click(button);
    }
    // Picks a value from a row's drop-down list, as the user's choice does.
    void Choose(const QString& property, const QString& value) {
        tnxqtest::Settle();
        auto* combo = qobject_cast<QComboBox*>(Window.Inspector()->ValueWidget(property));
        ASSERT_NE(combo, nullptr) << property.toStdString() << " has a list";
        const int index = combo->findText(value);
        ASSERT_GE(index, 0) << value.toStdString() << " is in the list of " << property.toStdString();
        combo->setCurrentIndex(index);
        emit combo->textActivated(value);
    }
    // Types into a row's text field and presses Enter.
    void Type(const QString& property, const QString& text) {
        tnxqtest::Settle();
        QWidget* widget = Window.Inspector()->ValueWidget(property);
        auto* line = qobject_cast<QLineEdit*>(widget);
        // Events and other lists that take new values are editable drop-downs.
        if (auto* combo = qobject_cast<QComboBox*>(widget); combo != nullptr && combo->isEditable())
            line = combo->lineEdit();
        ASSERT_NE(line, nullptr) << property.toStdString() << " has a text field";
        line->setFocus();
        line->selectAll();
        QTest::keyClicks(line, text);
        QTest::keyClick(line, Qt::Key_Return);
    }
    QStringList TreeLines() {
        tnxqtest::Settle();
        QStringList lines;
        for (QTreeWidgetItemIterator it(Window.Tree()); *it != nullptr; ++it) lines << (*it)->text(0);
        return lines;
    }

    tnxtest::TempDir Dir;
    MainWindow Window;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(DesignerWindowTest, OpenDropEditThroughEachEditorSaveAndReload) {
    const std::string form = Dir.File("orders.dfm");
    std::ofstream(form) << OrdersForm;
    ASSERT_TRUE(Window.OpenFile(QString::fromStdString(form))) << Window.LastError().toStdString();
    EXPECT_EQ(TreeLines(), (QStringList{"Orders: TDataModule", "AsaSession1: TAsaSession", "AsaDataset1: TAsaDataset"}));

    // The palette shows the package's page; a double click drops a component, named and selected.
    QListWidget* tarnix = Window.Palette()->Page("Tarnix");
    ASSERT_NE(tarnix, nullptr);
    ASSERT_EQ(tarnix->count(), 3);
    EXPECT_EQ(tarnix->item(0)->text(), "TAsaSession");
    tnxqtest::DoubleClickLine(tarnix, 0);
    EXPECT_TRUE(TreeLines().contains("AsaSession2: TAsaSession"));
    EXPECT_EQ(Window.Tree()->Selected()->GetName(), "AsaSession2");
    EXPECT_TRUE(Window.windowTitle().endsWith(" *")) << Window.windowTitle().toStdString();

    // Text, enumeration and boolean rows.
    Type("LoginEngineName", "orders");
    EXPECT_EQ(Shown("LoginEngineName"), "orders");
    Choose("ServerType", "stClient");
    EXPECT_EQ(Shown("ServerType"), "stClient");
    Choose("OEMConvert", "True");
    EXPECT_EQ(Shown("OEMConvert"), "True");
    // Text the property refuses is reported and the row shows the value kept.
    Type("Tag", "seven");
    EXPECT_EQ(Shown("Tag"), "0");
    EXPECT_FALSE(Window.LastError().isEmpty());

    // The file editors' dialogs (the open dialog handed to the test) and the folder dialog.
    auto previous = SetOpenDialogHandler([](TOpenDialog* dialog) {
        dialog->SetFileName(std::string(dialog->GetFilter()).find("*.db") != std::string::npos ? "/data/orders.db"
                                                                                                  : "/opt/client/libdblib7.so");
        return true;
    });
    ClickEllipsis("LibraryFile");
    EXPECT_EQ(Shown("LibraryFile"), "libdblib7.so");
    ClickEllipsis("LoginDatabase");
    EXPECT_EQ(Shown("LoginDatabase"), "/data/orders.db");
    SetOpenDialogHandler(previous);
    {
        auto user = FolderDialogUser(Dir.Path());
        ClickEllipsis("LibraryPath");
    }
    EXPECT_EQ(Shown("LibraryPath"), QString::fromStdString(Dir.Path()));

    // The dataset: a reference chosen from the module's sessions, SQL through the string list
    // editor, a parameter through the parameters editor, an event handler by name.
    Window.Select(Window.Document().Root()->FindComponent("AsaDataset1"));
    auto* sessions = qobject_cast<QComboBox*>(Window.Inspector()->ValueWidget("Session"));
    ASSERT_NE(sessions, nullptr);
    EXPECT_EQ(sessions->count(), 2);
    Choose("Session", "AsaSession2");
    tnxdesign::SetStringsEditor([](const AnsiString& title, AnsiString& text) {
        EXPECT_EQ(title, "AsaDataset1.SQL");
        text = "SELECT * FROM orders WHERE id = :id";
        return true;
    });
    ClickEllipsis("SQL");
    tnxdesign::SetStringsEditor(nullptr);
    EXPECT_EQ(Shown("SQL"), "SELECT * FROM orders WHERE id = :id");
    TModalResult result = mrNone;
    {
        auto user = ParamsDialogUser("id", "ntInteger", "42", result);
        ClickEllipsis("Params");
    }
    EXPECT_EQ(result, mrOk);
    Window.Inspector()->setCurrentIndex(1);
    Type("AfterOpen", "AsaDataset1AfterOpen");
    EXPECT_EQ(Shown("AfterOpen"), "AsaDataset1AfterOpen");

    // Saved in both forms and read back, the design is the same.
    const std::string designed = Window.Document().ToText();
    EXPECT_NE(designed.find("LibraryFile = 'libdblib7.so'"), std::string::npos) << designed;
    EXPECT_NE(designed.find("Session = AsaSession2"), std::string::npos) << designed;
    for (TFormFileFormat format : {TFormFileFormat::Binary, TFormFileFormat::Text}) {
        const std::string file = Dir.File(format == TFormFileFormat::Text ? "saved.dfm" : "saved.bin.dfm");
        ASSERT_TRUE(Window.SaveFile(QString::fromStdString(file), format)) << Window.LastError().toStdString();
        EXPECT_FALSE(Window.windowTitle().endsWith(" *"));
        DesignDocument reread;
        reread.Open(file);
        EXPECT_EQ(reread.ToText(), designed);
    }
    ASSERT_TRUE(Window.OpenFile(QString::fromStdString(Dir.File("saved.bin.dfm"))));
    EXPECT_EQ(Window.Document().ToText(), designed);
}

TEST_F(DesignerWindowTest, ContextMenuVerbsAndDelete) {
    TComponent* session = Window.DropComponent(PackageClass("TAsaSession"));
    TComponent* dataset = Window.DropComponent(PackageClass("TAsaDataset"));
    ASSERT_TRUE(session && dataset);

    std::unique_ptr<QMenu> menu(Window.Tree()->ContextMenuFor(session));
    QStringList texts;
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) texts << action->text();
    EXPECT_EQ(texts, (QStringList{"Abo&ut Tarnix 1.86b", "&Delete"}));
    std::string heading;
    {
        tnxtest::ModalUser user([&](TCustomForm* form) {
            if (auto* label = Control<TLabel>(form, "Label1")) heading = label->GetCaption();
        });
        menu->actions().first()->trigger();
    }
    EXPECT_EQ(heading, "Tarnix 1.86b for Sybase SQL Anywhere");

    std::unique_ptr<QMenu> datasetMenu(Window.Tree()->ContextMenuFor(dataset));
    QStringList datasetTexts;
    for (QAction* action : datasetMenu->actions()) datasetTexts << action->text();
    EXPECT_TRUE(datasetTexts.contains("&Fields Editor..."));
    datasetMenu->actions().last()->trigger(); // Delete
    EXPECT_EQ(TreeLines(), (QStringList{"DataModule1: TDataModule", "AsaSession1: TAsaSession"}));
}

TEST_F(DesignerWindowTest, AModifiedDesignIsAskedAboutBeforeClosing) {
    QStringList asked;
    QMessageBox::StandardButton answer = QMessageBox::Cancel;
    Window.SetSaveQuestion([&](const QString& name) {
        asked << name;
        return answer;
    });
    EXPECT_TRUE(Window.close()) << "an unmodified design closes without a question";
    EXPECT_TRUE(asked.isEmpty());
    Window.show();

    Window.DropComponent(PackageClass("TAsaSession"));
    EXPECT_FALSE(Window.close());
    EXPECT_TRUE(Window.isVisible());
    EXPECT_FALSE(Window.NewModule());
    EXPECT_EQ(Window.Document().Root()->GetComponentCount(), 1);
    EXPECT_EQ(asked, (QStringList{"DataModule1", "DataModule1"}));

    // Save writes the design to its file first.
    const std::string file = Dir.File("asked.dfm");
    ASSERT_TRUE(Window.SaveFile(QString::fromStdString(file), TFormFileFormat::Text));
    Window.DropComponent(PackageClass("TAsaSQL"));
    answer = QMessageBox::Save;
    EXPECT_TRUE(Window.close());
    EXPECT_NE(ReadFile(file).find("AsaSQL1: TAsaSQL"), std::string::npos);

    Window.show();
    Window.DropComponent(PackageClass("TAsaSQL"));
    answer = QMessageBox::Discard;
    EXPECT_TRUE(Window.close());
    EXPECT_EQ(ReadFile(file).find("AsaSQL2"), std::string::npos);
}

// The designer over the example's database: the session connects and the datasets open as the
// form file says, the grid shows the selected dataset's rows, the field editor adds fields.
TEST_F(DesignerWindowTest, LiveRowsInTheGridAndTheFieldEditor) {
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(Dir.Path());
    salesexample::CreateSalesDatabase();
    ASSERT_TRUE(Window.OpenFile(TNX_EXAMPLE_FORM)) << Window.LastError().toStdString();
    Window.resize(1100, 720);

    Window.Select(Window.Document().Root()->FindComponent("qryCustomers"));
    tnxqtest::Settle();
    tnxqt::TnxDataSetModel* model = Window.GridModel();
    ASSERT_EQ(model->rowCount(), 3) << Window.LastError().toStdString() << " "
                                    << static_cast<TDataSet*>(Window.Document().Root()->FindComponent("qryCustomers"))->GetActive();
    EXPECT_EQ(model->data(model->index(0, 1)).toString(), "Ada Lindqvist");
    Window.Select(Window.Document().Root()->FindComponent("qryOrders"));
    tnxqtest::Settle();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->data(model->index(1, 2)).toString(), "Notebook");
    EXPECT_EQ(model->data(model->index(1, 6)).toString(), "Uppsala");

    // The picture of the designed module with its live grid.
    QDir().mkpath(TNX_SCREENSHOT_DIR);
    EXPECT_TRUE(Window.grab().save(QString(TNX_SCREENSHOT_DIR) + "/tnxdesign.png"));

    // Setting Active to False in the inspector empties the grid; True fills it again.
    Choose("Active", "False");
    tnxqtest::Settle();
    EXPECT_EQ(model->rowCount(), 0);
    Choose("Active", "True");
    tnxqtest::Settle();
    EXPECT_EQ(model->rowCount(), 2);

    // The field editor: a new calculated field, then one it refuses.
    tnxdesign::FieldEditorDialog* fields = Window.OpenFieldsEditor(Window.Document().Root()->FindComponent("qryOrders"));
    ASSERT_NE(fields, nullptr);
    EXPECT_EQ(fields->FieldNames(),
              (QStringList{"id", "customer_id", "item", "quantity", "price", "Total", "City"}));
    fields->NewName->setText("Discount");
    fields->NewType->setCurrentText("ftCurrency");
    fields->AddNewField();
    EXPECT_EQ(fields->FieldNames().last(), "Discount");
    EXPECT_TRUE(TreeLines().contains("qryOrdersDiscount: TCurrencyField"));
    fields->NewName->setText("Nowhere");
    fields->NewKind->setCurrentIndex(1); // lookup, without its keys
    fields->AddNewField();
    EXPECT_FALSE(fields->FieldNames().contains("Nowhere"));
    fields->close();
    tnxqtest::Settle();
    EXPECT_EQ(model->rowCount(), 2) << "the dataset is open again after its fields changed";

    Window.SetSaveQuestion([](const QString&) { return QMessageBox::Discard; });
    Window.NewModule();
    std::filesystem::current_path(previous);
}

} // namespace
