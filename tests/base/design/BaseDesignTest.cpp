// The base package's design-time units: the folder chooser and the about box built from their
// form resources, the file and folder property editors, the about verbs, and the lookup of
// sessions by database name.
#include "base/design/TnxAbout.h"
#include "base/design/TnxApp.h"
#include "base/design/TnxProps.h"
#include "platform/vcl/Classes.h"
#include "platform/win/Shell.h"
#include "support/CountingDesigner.h"
#include "support/ModalDialogs.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

using namespace vcl;
using namespace tnx;
using tnxtest::ModalUser;
using TCountingDesigner = tnxtest::CountingDesigner;

namespace {

// A session with the file and folder properties published, as a driver's session has them.
class TDesignSession : public TCorvexSession {
    VCL_CLASS(TDesignSession, TCorvexSession)
public:
    using TCorvexSession::TCorvexSession;

protected:
    ~TDesignSession() override = default;
    void InternalLoadLibrary() override {}
    void InternalUnLoadLibrary() override {}
    void InternalLoadProcs() override {}
    void InternalUnloadLoadProcs() override {}
    bool Check(void*, int32_t, int32_t, bool) override { return true; }
    bool InternalCommit() override { return true; }
    bool InternalRollback() override { return true; }
    bool Stop() override { return true; }
};

template <class E>
TOwned<E> EditorFor(TPersistent* instance, const char* property, IDesigner* designer) {
    auto editor = New<E>(designer, 1);
    editor->SetPropEntry(0, instance, GetPropInfo(instance, property));
    return editor;
}

struct Bounds {
    int Left, Top, Width, Height;
    bool operator==(const Bounds&) const = default;
};
Bounds BoundsOf(TControl* c) {
    return {c->GetLeft(), c->GetTop(), c->GetWidth(), c->GetHeight()};
}
std::ostream& operator<<(std::ostream& os, const Bounds& b) {
    return os << b.Left << "," << b.Top << "," << b.Width << "," << b.Height;
}

} // namespace

VCL_CLASS_INFO(TDesignSession, [](TPublisher<TDesignSession>& p) {
    p.Property("LibraryFile", &TDesignSession::GetLibraryFile, &TDesignSession::SetLibraryFile);
    p.Property("LibraryPath", &TDesignSession::GetLibraryPath, &TDesignSession::SetLibraryPath);
    p.Property("LoginDatabase", &TDesignSession::GetLoginDatabase, &TDesignSession::SetLoginDatabase);
})

TEST(PathDialogResource, TheFolderChooserIsBuiltFromItsResource) {
    auto dlg = New<TCorvexPathDialog>();
    EXPECT_EQ(dlg->GetName(), "CorvexPathDialog");
    EXPECT_EQ(dlg->GetCaption(), "Choose Folder");
    EXPECT_EQ(dlg->GetBorderStyle(), bsDialog);
    EXPECT_EQ(dlg->GetPosition(), poScreenCenter);
    EXPECT_EQ(dlg->GetFont()->GetName(), "MS Sans Serif");
    EXPECT_EQ(dlg->GetClientWidth(), 297);
    EXPECT_EQ(dlg->GetClientHeight(), 289);
    struct Expected {
        TControl* Control;
        Bounds Place;
        const char* Caption;
        int TabOrder; // -1: a label
    };
    const std::vector<Expected> layout{
        {dlg->lblLocation, {8, 8, 44, 13}, "Location:", -1},
        {dlg->lblPath, {8, 28, 25, 13}, "&Path:", -1},
        {dlg->edPath, {8, 44, 281, 21}, "", 0},
        {dlg->lblDirectories, {8, 72, 53, 13}, "&Directories:", -1},
        {dlg->dlDirList, {8, 88, 281, 121}, "", 1},
        {dlg->lblDrives, {8, 216, 33, 13}, "Dri&ves:", -1},
        {dlg->dcDrive, {8, 232, 281, 19}, "/", 2},
        {dlg->btnOK, {128, 256, 75, 25}, "OK", 3},
        {dlg->btnCancel, {214, 256, 75, 25}, "Cancel", 4},
    };
    for (const Expected& e : layout) {
        SCOPED_TRACE(e.Control->GetName());
        EXPECT_EQ(e.Control->GetParent(), dlg.get());
        EXPECT_EQ(BoundsOf(e.Control), e.Place);
        EXPECT_EQ(e.Control->GetCaption(), e.Caption);
        if (auto* w = dynamic_cast<TWinControl*>(e.Control)) {
            EXPECT_EQ(w->GetTabOrder(), e.TabOrder);
        }
        EXPECT_EQ(e.Control->GetFont()->GetName(), "MS Sans Serif");
    }
    EXPECT_EQ(dlg->lblPath->GetFocusControl(), dlg->edPath);
    EXPECT_EQ(dlg->lblDirectories->GetFocusControl(), dlg->dlDirList);
    EXPECT_EQ(dlg->lblDrives->GetFocusControl(), dlg->dcDrive);
    EXPECT_TRUE(dlg->btnOK->GetDefault());
    EXPECT_EQ(dlg->btnOK->GetModalResult(), mrOk);
    EXPECT_TRUE(dlg->btnCancel->GetCancel());
    EXPECT_EQ(dlg->btnCancel->GetModalResult(), mrCancel);
}

TEST(AboutBoxResource, TheAboutBoxIsBuiltFromItsResource) {
    auto box = New<TCorvexAboutBox>();
    EXPECT_EQ(box->GetCaption(), "About Tarnix");
    EXPECT_EQ(box->GetBorderStyle(), bsDialog);
    EXPECT_EQ(box->GetPosition(), poScreenCenter);
    EXPECT_EQ(box->GetFont()->GetName(), "MS Sans Serif");
    EXPECT_TRUE(box->Label1->GetFont()->GetStyle().Contains(fsBold));
    EXPECT_TRUE(box->Label1->GetWordWrap());
    EXPECT_TRUE(box->lblNotice->GetWordWrap());
    EXPECT_FALSE(box->lblNotice->GetCaption().empty());
    EXPECT_EQ(box->lblComponents->GetCaption(), "Database access components");
    EXPECT_EQ(box->lblEmailTitle->GetCaption(), "Email support:");
    EXPECT_EQ(box->lblWebTitle->GetCaption(), "Web site:");
    for (TLabel* link : {box->lblEmail, box->lblWeb}) {
        SCOPED_TRACE(link->GetName());
        EXPECT_EQ(link->GetFont()->GetColor(), clNavy);
        EXPECT_EQ(link->GetFont()->GetStyle(), TFontStyles{fsUnderline});
        EXPECT_EQ(link->GetCursor(), crHandPoint);
    }
    EXPECT_EQ(box->lblEmail->GetCaption(), "support@tarnix.example");
    EXPECT_EQ(box->lblWeb->GetCaption(), "https://www.tarnix.example/");
    EXPECT_EQ(box->btnClose->GetCaption(), "Close");
    EXPECT_TRUE(box->btnClose->GetDefault());
    EXPECT_TRUE(box->btnClose->GetCancel());
    EXPECT_EQ(box->Panel1->GetBevelOuter(), bvLowered);
    EXPECT_EQ(box->Image1->GetParent(), box->Panel1);
    EXPECT_TRUE(box->Image1->GetStretch());
    EXPECT_EQ(BoundsOf(box->Image1), (Bounds{1, 1, 72, 72}));
    EXPECT_EQ(box->Image1->GetPicture()->GetWidth(), 32);
    EXPECT_EQ(box->Image1->GetPicture()->GetHeight(), 32);
}

TEST(PathDialog, SetPathFallsBackToTheRootForAMissingDriveOrFolder) {
    tnxtest::TempDir dir;
    auto dlg = New<TCorvexPathDialog>();
    dlg->SetPath(dir.Path());
    EXPECT_EQ(dlg->GetPath(), dir.Path());
    EXPECT_EQ(dlg->edPath->GetText(), dir.Path());
    EXPECT_EQ(dlg->dlDirList->GetDirectory(), dir.Path());
    dlg->SetPath("   "); // blank: nothing happens
    EXPECT_EQ(dlg->GetPath(), dir.Path());
    for (const char* stale : {"C:\\data\\libs", "Q:\\", "/no/such/folder/anywhere", "relative-name"}) {
        dlg->SetPath(dir.Path());
        dlg->SetPath(stale);
        EXPECT_EQ(dlg->GetPath(), "/") << stale;
        EXPECT_EQ(dlg->dlDirList->GetDirectory(), "/") << stale;
    }
    std::string written = dir.Path();
    std::replace(written.begin(), written.end(), '/', '\\');
    dlg->SetPath(written); // a folder written with '\' still exists
    EXPECT_EQ(dlg->GetPath(), dir.Path());
}

TEST(PathProperty, OnlyAConfirmedDialogChangesTheValueAndTheDialogIsAlwaysFreed) {
    tnxtest::TempDir dir;
    std::filesystem::create_directories(dir.File("lib"));
    auto session = New<TDesignSession>();
    session->SetLibraryPath(dir.Path());
    TCountingDesigner designer(session.get());
    auto editor = EditorFor<TCorvexPathProperty>(session.get(), "LibraryPath", &designer);
    EXPECT_EQ(editor->GetAttributes(), (TPropertyAttributes{paDialog, paRevertable}));
    const int owned = Application->GetComponentCount();

    std::string shown;
    {
        // The user opens the "lib" subfolder with a double click and presses Enter.
        ModalUser user([&](TCustomForm* f) {
            auto* dlg = static_cast<TCorvexPathDialog*>(f);
            shown = dlg->edPath->GetText();
            auto* list = dlg->dlDirList;
            const std::vector<std::string> lines = [&] {
                std::vector<std::string> l;
                for (int i = 0; i < list->GetItems()->GetCount(); ++i)
                    l.push_back(list->GetItems()->Get(i));
                return l;
            }();
            const auto lib = std::find(lines.begin(), lines.end(), "lib");
            ASSERT_NE(lib, lines.end());
            list->DoubleClickItem(static_cast<int>(lib - lines.begin()));
            f->PressKey(VK_RETURN);
        });
        editor->Edit();
    }
    EXPECT_EQ(shown, dir.Path());
    EXPECT_EQ(session->GetLibraryPath(), dir.File("lib"));
    EXPECT_EQ(designer.ModifiedCount, 1);
    EXPECT_EQ(Application->GetComponentCount(), owned);
    {
        // Typed in and cancelled with Escape: nothing changes.
        ModalUser user([](TCustomForm* f) {
            static_cast<TCorvexPathDialog*>(f)->edPath->TypeText("/elsewhere");
            f->PressKey(VK_ESCAPE);
        });
        editor->Edit();
    }
    EXPECT_EQ(session->GetLibraryPath(), dir.File("lib"));
    {
        ModalUser user([](TCustomForm*) { throw EAbort("gone"); });
        EXPECT_THROW(editor->Edit(), EAbort);
    }
    EXPECT_EQ(Application->GetComponentCount(), owned);
    EXPECT_EQ(designer.ModifiedCount, 1);
}

TEST(FileProperties, TheLibraryStoresTheNameTheDatabaseTheFullPath) {
    auto session = New<TDesignSession>();
    session->SetLibraryFile("dblib6.dll");
    session->SetLoginDatabase("old.db");
    TCountingDesigner designer(session.get());
    struct Seen {
        AnsiString FileName, Filter;
        TOpenOptions Options;
    } seen;
    AnsiString choice;
    auto previous = SetOpenDialogHandler([&](TOpenDialog* d) {
        seen = {d->GetFileName(), d->GetFilter(), d->GetOptions()};
        if (choice.empty()) return false;
        d->SetFileName(choice);
        return true;
    });
    const int owned = Application->GetComponentCount();
    auto lib = EditorFor<TCorvexLibFileProperty>(session.get(), "LibraryFile", &designer);
    auto db = EditorFor<TCorvexDBFileProperty>(session.get(), "LoginDatabase", &designer);
    EXPECT_EQ(lib->GetAttributes(), (TPropertyAttributes{paDialog, paRevertable}));
    EXPECT_EQ(db->GetAttributes(), (TPropertyAttributes{paDialog, paRevertable}));

    lib->Edit(); // cancelled
    EXPECT_EQ(session->GetLibraryFile(), "dblib6.dll");
    EXPECT_EQ(seen.FileName, "dblib6.dll");
    EXPECT_EQ(seen.Filter, CorvexLibraryFilter);
    EXPECT_EQ(seen.Options, (TOpenOptions{ofNoChangeDir, ofPathMustExist, ofFileMustExist, ofShareAware}));
    choice = "C:\\x\\dblib6.dll";
    lib->Edit();
    EXPECT_EQ(session->GetLibraryFile(), "dblib6.dll");
    choice = "/opt/client/lib/libdblib7.so";
    lib->Edit();
    EXPECT_EQ(session->GetLibraryFile(), "libdblib7.so");

    choice = "C:\\data\\a.db";
    db->Edit();
    EXPECT_EQ(seen.FileName, "old.db");
    EXPECT_EQ(seen.Filter, "Databases (*.db)|*.db|All Files (*.*)|*.*");
    EXPECT_EQ(session->GetLoginDatabase(), "C:\\data\\a.db");
    choice.clear();
    db->Edit();
    EXPECT_EQ(session->GetLoginDatabase(), "C:\\data\\a.db");
    EXPECT_EQ(designer.ModifiedCount, 3);
    EXPECT_EQ(Application->GetComponentCount(), owned); // the dialogs are freed
    SetOpenDialogHandler(previous);
}

TEST(AboutEditors, TheVerbReadsAboutTarnixAndShowsTheBoxForItsDatabase) {
    auto session = New<TDesignSession>();
    TCountingDesigner designer(session.get());
    auto asa = New<TCorvexAsaAboutComponentEditor>(session.get(), &designer);
    EXPECT_EQ(asa->GetVerbCount(), 1);
    EXPECT_EQ(asa->GetVerb(0), "Abo&ut Tarnix 1.86b");
    EXPECT_EQ(TControl::AccelCharOf(asa->GetVerb(0)), 'U');
    EXPECT_EQ(asa->GetVerb(1), "");
    EXPECT_EQ(asa->GetVerb(-1), "");

    std::vector<std::string> headings;
    const int owned = Application->GetComponentCount();
    {
        ModalUser user([&](TCustomForm* f) {
            auto* box = dynamic_cast<TCorvexAboutBox*>(f);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->Owner(), Application);
            headings.push_back(box->Label1->GetCaption());
            f->PressKey(VK_ESCAPE);
        });
        asa->ExecuteVerb(0);
        asa->ExecuteVerb(1); // no such verb: nothing
        New<TCorvexOciAboutComponentEditor>(session.get(), &designer)->Edit();
        // The base editor has no database: its Edit (the verb's default) shows nothing and ends.
        New<TCorvexAboutComponentEditor>(session.get(), &designer)->ExecuteVerb(0);
    }
    EXPECT_EQ(headings, (std::vector<std::string>{"Tarnix 1.86b for Sybase SQL Anywhere", "Tarnix 1.86b for Oracle"}));
    EXPECT_EQ(Application->GetComponentCount(), owned);
}

TEST(AboutBox, TheLinksOpenThroughTheShellAndItsFailuresAreIgnored) {
    std::vector<std::tuple<std::string, std::string, std::string, std::string, int>> calls;
    win::INT_PTR answer = win::kShellExecuteSuccess;
    auto previous = win::SetShellExecuteHandler([&](win::HWND, const std::string& operation, const std::string& file,
                                                    const std::string& parameters, const std::string& directory,
                                                    win::INT show) {
        calls.emplace_back(operation, file, parameters, directory, show);
        return answer;
    });
    auto box = New<TCorvexAboutBox>();
    {
        ModalUser user([&](TCustomForm*) {
            EXPECT_TRUE(box->lblEmail->MouseClick());
            answer = win::SE_ERR_NOASSOC; // the shell cannot open it: nothing is reported
            EXPECT_NO_THROW(box->lblWeb->MouseClick());
            box->btnClose->MouseClick();
        });
        EXPECT_EQ(box->ShowModal(), mrOk);
    }
    win::SetShellExecuteHandler(previous);
    using Call = std::tuple<std::string, std::string, std::string, std::string, int>;
    EXPECT_EQ(calls, (std::vector<Call>{Call{"open", "mailto:support@tarnix.example", "", "", win::SW_SHOWNORMAL},
                                        Call{"open", "https://www.tarnix.example/", "", "", win::SW_SHOWNORMAL}}));
}

TEST(DatabaseNames, SortedIgnoringCaseFirstFoundWinsBlanksLeftOut) {
    auto form = New<TForm>();
    auto* sales = Make<TDesignSession>(form.get());
    sales->SetLoginDatabase("C:\\data\\Sales.db");
    Make<TDesignSession>(form.get())->SetLoginDatabase("   ");
    Make<TDesignSession>(form.get());
    auto* orders = Make<TDesignSession>(form.get());
    orders->SetLoginDatabase("/srv/db/orders.v2.DB");
    Make<TComponent>(form.get());
    auto module = New<TDataModule>();
    auto* salesAgain = Make<TDesignSession>(module.get());
    salesAgain->SetLoginDatabase("/mirror/SALES.db");
    auto* alpha = Make<TDesignSession>(module.get());
    alpha->SetLoginDatabase("alpha");

    auto list = New<TStringList>();
    list->Add("stale line");
    TnxGetDatabaseNames(list.get());
    ASSERT_EQ(list->GetCount(), 3);
    EXPECT_EQ(list->Get(0), "alpha");
    EXPECT_EQ(list->Get(1), "orders.v2");
    EXPECT_EQ(list->Get(2), "Sales");
    EXPECT_EQ(list->GetObject(0), alpha);
    EXPECT_EQ(list->GetObject(1), orders);
    EXPECT_EQ(list->GetObject(2), sales); // the form's, found before the data module's

    EXPECT_EQ(TnxFindDatabase("sales"), sales);
    EXPECT_EQ(TnxFindDatabase("ORDERS.V2"), orders);
    EXPECT_EQ(TnxFindDatabase("unknown"), nullptr);
    EXPECT_EQ(TnxFindDatabase(""), nullptr);
    sales->Free(); // gone from the form: the data module's session now answers
    EXPECT_EQ(TnxFindDatabase("Sales"), salesAgain);
}
