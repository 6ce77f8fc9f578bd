// The controls one by one: selection in lists and combo boxes, typing in edits, fonts following
// parents, the folder and drive choosers over a real folder, and the open dialog's handler.
#include "TestDialog.h"

#include "platform/vcl/Classes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace vcl;

namespace {

std::vector<std::string> Lines(TStrings* items) {
    std::vector<std::string> lines;
    for (int i = 0; i < items->GetCount(); ++i)
        lines.push_back(items->Get(i));
    return lines;
}

// A form shown (not modally) holding the controls of a test, so users can reach them.
struct ShownForm {
    TOwned<TForm> Form = New<TForm>();
    ShownForm() { Form->Show(); }
    template <class T>
    T* Add() {
        T* control = Make<T>(Form.get());
        control->SetParent(Form.get());
        return control;
    }
};

} // namespace

TEST(ListControls, TheSelectionFollowsItsLine) {
    ShownForm shown;
    auto* list = shown.Add<TListBox>();
    TStrings* items = list->GetItems();
    items->SetText("a\nb\nc\n");
    list->SetItemIndex(1); // b
    items->Insert(0, "z");
    EXPECT_EQ(list->GetItemIndex(), 2);
    items->Delete(0);
    EXPECT_EQ(list->GetItemIndex(), 1);
    items->Put(1, "B"); // replacing the selected line keeps it selected
    EXPECT_EQ(list->GetItemIndex(), 1);
    items->Delete(1);
    EXPECT_EQ(list->GetItemIndex(), -1);
    list->SetItemIndex(7); // out of range: nothing
    EXPECT_EQ(list->GetItemIndex(), -1);
    list->SetItemIndex(1);
    items->Clear();
    EXPECT_EQ(list->GetItemIndex(), -1);

    items->SetText("pear\nApple\nfig\n");
    list->SetItemIndex(0);
    list->SetSorted(true); // sorts ignoring case; pear stays selected
    EXPECT_EQ(Lines(items), (std::vector<std::string>{"Apple", "fig", "pear"}));
    EXPECT_EQ(list->GetItemIndex(), 2);
    items->Add("banana");
    EXPECT_EQ(Lines(items), (std::vector<std::string>{"Apple", "banana", "fig", "pear"}));
    EXPECT_EQ(list->GetItemIndex(), 3);
}

TEST(ListControls, UserClicksAndKeysSelectAndFireTheirEvents) {
    ShownForm shown;
    auto* list = shown.Add<TListBox>();
    auto* combo = shown.Add<TComboBox>();
    std::string log;
    list->GetItems()->SetText("a\nb\nc\n");
    list->SetOnClick([&](TObject*) { log += "list(" + std::to_string(list->GetItemIndex()) + ");"; });
    combo->SetStyle(csDropDownList);
    combo->GetItems()->SetText("x\ny\n");
    combo->SetOnClick([&](TObject*) { log += "click;"; });
    combo->SetOnChange([&](TObject*) { log += "change(" + combo->GetText() + ");"; });

    list->SetItemIndex(0); // code: no event
    EXPECT_TRUE(list->ClickItem(2));
    EXPECT_EQ(shown.Form->GetActiveControl(), list);
    shown.Form->PressKey(VK_UP);
    shown.Form->PressKey(VK_HOME);
    shown.Form->PressKey(VK_HOME); // already there: no event
    EXPECT_FALSE(list->ClickItem(3));
    EXPECT_TRUE(combo->ClickItem(1));
    EXPECT_EQ(log, "list(2);list(1);list(0);click;change(y);");

    // A drop-down list shows only its lines.
    combo->SetText("x");
    EXPECT_EQ(combo->GetItemIndex(), 0);
    combo->SetText("nothing");
    EXPECT_EQ(combo->GetItemIndex(), -1);
    EXPECT_EQ(combo->GetText(), "");
    combo->SetEnabled(false);
    EXPECT_FALSE(combo->ClickItem(0));
}

TEST(Edits, TypingIsOneChangeAKeystrokeAndCodeInsideLoadingIsQuiet) {
    ShownForm shown;
    auto* edit = shown.Add<TEdit>();
    std::vector<std::string> changes;
    edit->SetOnChange([&](TObject*) { changes.push_back(edit->GetText()); });
    edit->SetText("old");
    EXPECT_TRUE(edit->TypeText("ab"));
    EXPECT_TRUE(edit->TypeText("c", false));
    EXPECT_EQ(changes, (std::vector<std::string>{"old", "a", "ab", "abc"}));
    EXPECT_EQ(shown.Form->GetActiveControl(), edit);
    edit->SetMaxLength(4);
    edit->TypeText("xyz", false);
    EXPECT_EQ(edit->GetText(), "abcx");
    edit->SetReadOnly(true);
    EXPECT_FALSE(edit->TypeText("q"));
    EXPECT_EQ(edit->GetText(), "abcx");
}

TEST(Fonts, ChildrenFollowTheirParentUntilTheyChangeTheirOwn) {
    auto form = New<TForm>();
    auto* box = Make<TGroupBox>(form.get());
    box->SetParent(form.get());
    auto* label = Make<TLabel>(form.get());
    label->SetParent(box);
    auto* link = Make<TLabel>(form.get());
    link->SetParent(box);
    form->GetFont()->SetName("Verdana");
    EXPECT_EQ(label->GetFont()->GetName(), "Verdana");
    link->GetFont()->SetColor(clNavy); // its own now
    EXPECT_FALSE(link->GetParentFont());
    form->GetFont()->SetSize(10);
    EXPECT_EQ(label->GetFont()->GetSize(), 10);
    EXPECT_EQ(link->GetFont()->GetSize(), TFont::DefaultSize);
    link->SetParentFont(true);
    EXPECT_EQ(link->GetFont()->GetColor(), clWindowText);
    EXPECT_EQ(link->GetFont()->GetSize(), 10);
    // A control placed elsewhere takes its new parent's font.
    auto other = New<TForm>();
    other->GetFont()->SetName("Courier");
    label->SetParent(other.get());
    EXPECT_EQ(label->GetFont()->GetName(), "Courier");
    EXPECT_TRUE(label->GetParentFont());
}

TEST(FileControls, TheDirectoryListShowsAncestryAndSubfolders) {
    tnxtest::TempDir dir;
    namespace fs = std::filesystem;
    fs::create_directories(dir.File("b/inner"));
    fs::create_directories(dir.File("Apple"));
    fs::create_directories(dir.File(".hidden"));
    std::ofstream(dir.File("file.txt")) << "x";

    auto form = New<TForm>();
    auto* list = Make<TDirectoryListBox>(form.get());
    std::vector<std::string> changes;
    list->SetOnChange([&](TObject*) { changes.push_back(list->GetDirectory()); });
    list->SetDirectory(dir.Path());
    EXPECT_EQ(list->GetDirectory(), dir.Path());
    std::vector<std::string> lines = Lines(list->GetItems());
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front(), "/");
    // The current folder is selected, then its subfolders follow in case-insensitive order.
    const int current = list->GetItemIndex();
    EXPECT_EQ(lines[static_cast<std::size_t>(current)], fs::path(dir.Path()).filename().string());
    EXPECT_EQ(std::vector<std::string>(lines.begin() + current + 1, lines.end()),
              (std::vector<std::string>{"Apple", "b"}));
    EXPECT_EQ(list->GetItemPath(current + 2), dir.File("b"));
    EXPECT_EQ(list->GetItemPath(0), "/");

    // Opening a line goes there; paths with '\', '..' and a trailing delimiter are normalised.
    list->SetItemIndex(current + 2);
    list->OpenCurrent();
    EXPECT_EQ(list->GetDirectory(), dir.File("b"));
    EXPECT_EQ(Lines(list->GetItems()).back(), "inner");
    list->SetDirectory(dir.File("b/inner/../..") + "/");
    EXPECT_EQ(list->GetDirectory(), dir.Path());
    std::string backslashed = dir.File("Apple");
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    list->SetDirectory(backslashed);
    EXPECT_EQ(list->GetDirectory(), dir.File("Apple"));
    list->SetDirectory("\\");
    EXPECT_EQ(list->GetDirectory(), "/");
    EXPECT_EQ(changes, (std::vector<std::string>{dir.Path(), dir.File("b"), dir.Path(), dir.File("Apple"), "/"}));

    // A missing folder or drive raises and changes nothing.
    EXPECT_THROW(list->SetDirectory(dir.File("missing")), EInOutError);
    EXPECT_THROW(list->SetDirectory(dir.File("file.txt")), EInOutError);
    EXPECT_THROW(list->SetDirectory("C:\\data"), EInOutError);
    EXPECT_THROW(list->SetDrive('C'), EInOutError);
    EXPECT_EQ(list->GetDirectory(), "/");
    EXPECT_EQ(changes.size(), 5u);
}

TEST(FileControls, TheDriveComboKnowsOnlyTheRoot) {
    auto form = New<TForm>();
    auto* drives = Make<TDriveComboBox>(form.get());
    auto* list = Make<TDirectoryListBox>(form.get());
    drives->SetDirList(list);
    EXPECT_EQ(Lines(drives->GetItems()), (std::vector<std::string>{"/"}));
    EXPECT_EQ(drives->GetDrive(), '/');
    EXPECT_EQ(drives->GetItemIndex(), 0);
    drives->SetDrive('\\'); // the same drive
    EXPECT_EQ(drives->GetDrive(), '/');
    try {
        drives->SetDrive('q');
        ADD_FAILURE() << "drive q accepted";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), "Drive q: does not exist");
    }
    EXPECT_EQ(ExtractDrive("C:\\x"), 'C');
    EXPECT_EQ(ExtractDrive("/usr"), '/');
    list->Free();
    EXPECT_EQ(drives->GetDirList(), nullptr); // follows the list's life
}

TEST(OpenDialog, TheHandlerChoosesAndTheCurrentFolderFollowsUnlessKept) {
    tnxtest::TempDir dir;
    std::filesystem::create_directories(dir.File("sub"));
    const auto start = std::filesystem::current_path();
    auto dialog = New<TOpenDialog>();
    dialog->SetFilter("Databases (*.db)|*.db|All Files (*.*)|*.*|Dangling");
    EXPECT_EQ(dialog->GetFilterPairs().size(), 2u);
    EXPECT_EQ(dialog->GetFilterPairs()[0].second, "*.db");
    EXPECT_FALSE(dialog->Execute()); // headless, nobody chooses

    AnsiString offered;
    auto previous = SetOpenDialogHandler([&](TOpenDialog* d) {
        offered = d->GetFileName();
        d->SetFileName(dir.File("sub/a.db"));
        return true;
    });
    dialog->SetFileName("first.db");
    dialog->SetOptions({ofNoChangeDir, ofFileMustExist});
    EXPECT_TRUE(dialog->Execute());
    EXPECT_EQ(offered, "first.db");
    EXPECT_EQ(dialog->GetFiles()->Get(0), dir.File("sub/a.db"));
    EXPECT_EQ(std::filesystem::current_path(), start);
    dialog->SetOptions({ofFileMustExist});
    EXPECT_TRUE(dialog->Execute());
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(dir.File("sub")));
    std::filesystem::current_path(start);
    SetOpenDialogHandler([](TOpenDialog*) { return false; });
    EXPECT_FALSE(dialog->Execute());
    SetOpenDialogHandler(previous);
}
