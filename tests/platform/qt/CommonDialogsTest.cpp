// The desktop's dialogs through Qt: TOpenDialog as a file dialog, MessageBoxA as a message box,
// ShellExecuteA through the URL opener.
#include "QtTestSupport.h"

#include "platform/qt/CommonDialogs.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Shell.h"
#include "support/TempDir.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <vector>

using namespace vcl;
using namespace tnxqtest;

namespace {

// Runs user on the modal Qt dialog of type T once it is up.
template <class T>
void WhenShown(std::function<void(T*)> user) {
    QTimer::singleShot(0, [user] {
        T* dialog = nullptr;
        for (int tries = 0; tries < 200 && dialog == nullptr; ++tries) {
            dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            if (dialog == nullptr) QTest::qWait(5);
        }
        ASSERT_NE(dialog, nullptr);
        user(dialog);
    });
}

void Touch(const std::string& path) {
    std::ofstream(path) << "x";
}

} // namespace

TEST(OpenDialog, FiltersBecomeQtNameFilters) {
    EXPECT_EQ(tnxqt::ToNameFilters("Databases (*.db)|*.db|All Files (*.*)|*.*"),
              (QStringList{"Databases (*.db)", "All Files (*)"}));
    EXPECT_EQ(tnxqt::ToNameFilters("Sources|*.c;*.h|Dangling"), (QStringList{"Sources (*.c *.h)"}));
    EXPECT_TRUE(tnxqt::ToNameFilters("").isEmpty());
}

TEST(OpenDialog, AFileDialogWithTheFilterOptionsAndChoice) {
    tnxtest::TempDir temp;
    Touch(temp.File("sales.db"));
    Touch(temp.File("notes.txt"));
    auto dialog = New<TOpenDialog>();
    dialog->SetFilter("Databases (*.db)|*.db|All Files (*.*)|*.*");
    dialog->SetFileName(temp.File("old.db"));
    dialog->SetOptions({ofNoChangeDir, ofPathMustExist, ofFileMustExist, ofShareAware});
    const std::string before = QDir::currentPath().toStdString();
    WhenShown<QFileDialog>([&](QFileDialog* box) {
        EXPECT_EQ(box->nameFilters(), (QStringList{"Databases (*.db)", "All Files (*)"}));
        EXPECT_EQ(box->selectedNameFilter(), "Databases (*.db)");
        EXPECT_EQ(box->directory().absolutePath().toStdString(), temp.Path());
        EXPECT_EQ(box->fileMode(), QFileDialog::ExistingFile);
        box->resize(680, 380);
        // The folder is read in the background: the picture waits for the files to show.
        auto* files = box->findChild<QAbstractItemView*>("treeView");
        ASSERT_NE(files, nullptr);
        EXPECT_TRUE(QTest::qWaitFor([files] { return files->model()->rowCount(files->rootIndex()) > 0; }, 5000));
        QDir().mkpath(TNX_SCREENSHOT_DIR);
        box->grab().save(QString(TNX_SCREENSHOT_DIR) + "/open-dialog.png");
        // The user gives the name and presses Enter.
        auto* name = box->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText("sales.db");
        QTest::keyClick(name, Qt::Key_Return);
    });
    ASSERT_TRUE(dialog->Execute());
    EXPECT_EQ(dialog->GetFileName(), temp.File("sales.db"));
    ASSERT_EQ(dialog->GetFiles()->GetCount(), 1);
    EXPECT_EQ(dialog->GetFiles()->Get(0), temp.File("sales.db"));
    EXPECT_EQ(QDir::currentPath().toStdString(), before); // ofNoChangeDir

    // Cancelled: nothing chosen, the file name stays.
    WhenShown<QFileDialog>([](QFileDialog* box) { box->reject(); });
    EXPECT_FALSE(dialog->Execute());
    EXPECT_EQ(dialog->GetFileName(), temp.File("sales.db"));
}

TEST(OpenDialog, AChoiceThatMustExistButDoesNotKeepsTheDialogOpen) {
    tnxtest::TempDir temp;
    Touch(temp.File("there.db"));
    auto dialog = New<TOpenDialog>();
    dialog->SetInitialDir(temp.Path());
    dialog->SetOptions({ofNoChangeDir, ofFileMustExist});
    bool warned = false;
    WhenShown<QFileDialog>([&](QFileDialog* box) {
        // The non-existing name is typed; the dialog refuses it with a message and stays open.
        WhenShown<QMessageBox>([&](QMessageBox* message) {
            warned = message->text().contains("missing.db");
            message->accept();
            WhenShown<QFileDialog>([&](QFileDialog* again) {
                again->selectFile("there.db");
                static_cast<QDialog*>(again)->accept();
            });
        });
        // Accepting a file that does not exist is what the dialog's own check would refuse; the
        // widget set checks as well, for dialogs in modes that let such a name through.
        box->setFileMode(QFileDialog::AnyFile);
        box->selectFile("missing.db");
        static_cast<QDialog*>(box)->accept();
    });
    ASSERT_TRUE(dialog->Execute());
    EXPECT_TRUE(warned);
    EXPECT_EQ(dialog->GetFileName(), temp.File("there.db"));
}

TEST(MessageBox, ButtonsIconDefaultAndTheAnswer) {
    WhenShown<QMessageBox>([](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), "Tarnix");
        EXPECT_EQ(box->text(), "Delete 3 rows?");
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        EXPECT_EQ(box->buttons().size(), 3);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No)); // MB_DEFBUTTON2
        box->button(QMessageBox::Cancel)->click();
    });
    EXPECT_EQ(win::MessageBoxA(nullptr, "Delete 3 rows?", "Tarnix", win::MB_YESNOCANCEL | win::MB_ICONQUESTION | win::MB_DEFBUTTON2),
              win::IDCANCEL);
    // Enter takes the default button; Escape the cancelling one.
    WhenShown<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
    EXPECT_EQ(win::MessageBoxA(nullptr, "Retry?", "Tarnix", win::MB_RETRYCANCEL), win::IDRETRY);
    WhenShown<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(win::MessageBoxA(nullptr, "Sure?", "Tarnix", win::MB_OKCANCEL | win::MB_ICONWARNING), win::IDCANCEL);
    // Windows-1252 text shows as the characters it stands for.
    WhenShown<QMessageBox>([](QMessageBox* box) {
        EXPECT_EQ(box->text(), QString::fromUtf8("Caf\u00e9 \u20ac"));
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(win::MessageBoxA(nullptr, "Caf\xE9 \x80", "Tarnix", win::MB_OK), win::IDOK);
}

TEST(Shell, URLsAndFilesOpenThroughTheOpenerAndOtherVerbsAreRefused) {
    tnxtest::TempDir temp;
    Touch(temp.File("readme.txt"));
    std::vector<QUrl> opened;
    bool succeed = true;
    const tnxqt::TUrlOpener previous = tnxqt::SetUrlOpener([&](const QUrl& url) {
        opened.push_back(url);
        return succeed;
    });
    auto shell = [](const char* verb, const char* file, const char* dir) {
        return reinterpret_cast<win::INT_PTR>(win::ShellExecuteA(nullptr, verb, file, nullptr, dir, win::SW_SHOWNORMAL));
    };
    EXPECT_GT(shell("open", "mailto:support@tarnix.example", ""), 32);
    EXPECT_GT(shell(nullptr, "https://www.tarnix.example/", nullptr), 32);
    EXPECT_GT(shell("open", "readme.txt", temp.Path().c_str()), 32); // relative to the folder given
    EXPECT_EQ(shell("open", "absent.txt", temp.Path().c_str()), win::SE_ERR_FNF);
    EXPECT_EQ(shell("print", "https://www.tarnix.example/", ""), win::SE_ERR_NOASSOC);
    EXPECT_EQ(shell("open", "", ""), win::SE_ERR_FNF);
    succeed = false;
    EXPECT_EQ(shell("open", "https://down.example/", ""), win::SE_ERR_NOASSOC);
    tnxqt::SetUrlOpener(previous);
    ASSERT_EQ(opened.size(), 4u);
    EXPECT_EQ(opened[0], QUrl("mailto:support@tarnix.example"));
    EXPECT_EQ(opened[1], QUrl("https://www.tarnix.example/"));
    EXPECT_EQ(opened[2], QUrl::fromLocalFile(QString::fromStdString(temp.File("readme.txt"))));
}
