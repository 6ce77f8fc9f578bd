// The designer's document without windows: components dropped onto a data module and named as the
// framework names them, properties edited through the editors the loaded package registered
// (their dialogs driven as a user through the control model), saved as text and binary form
// files, read back and compared; damaged files refused without losing the design.
#include "DesignerTestSupport.h"

#include "support/ModalDialogs.h"
#include "support/TempDir.h"
#include "tools/tnxdesign/DesignDocument.h"
#include "tools/tnxdesign/HostRegistrations.h"

#include "platform/vcl/DataModule.h"
#include "platform/vcl/controls/Dialogs.h"
#include "platform/vcl/design/DesignRegistry.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace vcl;
using namespace tnxdesigntest;
using tnxdesign::DesignDocument;
using tnxdesign::TFormFileFormat;

class DesignDocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoadPackages();
        FChanges = Doc.Subscribe([this] { ++Changes; });
    }
    void TearDown() override { Doc.Unsubscribe(FChanges); }

    std::string Value(TComponent* c, const std::string& property) {
        auto editor = EditorFor(Doc, c, property);
        return editor ? std::string(editor->GetValue()) : std::string();
    }

    tnxtest::TempDir Dir;
    DesignDocument Doc;
    int Changes = 0;

private:
    int FChanges = 0;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(DesignDocumentTest, DroppedComponentsAreNamedLikeTheFramework) {
    TClass session = PackageClass("TAsaSession");
    TClass dataset = PackageClass("TAsaDataset");
    EXPECT_EQ(Doc.Drop(session)->GetName(), "AsaSession1");
    TComponent* second = Doc.Drop(session);
    EXPECT_EQ(second->GetName(), "AsaSession2");
    EXPECT_EQ(Doc.Drop(dataset)->GetName(), "AsaDataset1");
    EXPECT_TRUE(Doc.IsModified());
    EXPECT_EQ(Changes, 3);

    // A freed name is given again; a taken name is refused on rename.
    Doc.Delete(Doc.Root()->FindComponent("AsaSession1"));
    EXPECT_EQ(Doc.Drop(session)->GetName(), "AsaSession1");
    EXPECT_THROW(Doc.Rename(second, "AsaDataset1"), EComponentError);
    EXPECT_THROW(Doc.Rename(second, "not a name"), EComponentError);
    EXPECT_EQ(second->GetName(), "AsaSession2");
    // Dropped components are in the designer.
    EXPECT_TRUE(second->GetComponentState().Contains(csDesigning));
}

TEST_F(DesignDocumentTest, FileAndFolderEditorsOfTheSession) {
    TComponent* session = Doc.Drop(PackageClass("TAsaSession"));
    for (const char* property : {"LibraryFile", "LoginDatabase", "LibraryPath"})
        EXPECT_TRUE(EditorFor(Doc, session, property)->GetAttributes().Contains(paDialog)) << property;

    // The file dialogs: the library keeps only its name, the database its full path; a cancelled
    // dialog changes nothing.
    std::string choice;
    auto previous = SetOpenDialogHandler([&](TOpenDialog* dialog) {
        if (choice.empty()) return false;
        dialog->SetFileName(choice);
        return true;
    });
    choice = "/opt/client/libdblib7.so";
    EditorFor(Doc, session, "LibraryFile")->Edit();
    EXPECT_EQ(Value(session, "LibraryFile"), "libdblib7.so");
    choice = Dir.File("sales.db");
    EditorFor(Doc, session, "LoginDatabase")->Edit();
    EXPECT_EQ(Value(session, "LoginDatabase"), Dir.File("sales.db"));
    choice.clear();
    const int before = Changes;
    EditorFor(Doc, session, "LoginDatabase")->Edit();
    EXPECT_EQ(Value(session, "LoginDatabase"), Dir.File("sales.db"));
    EXPECT_EQ(Changes, before);
    SetOpenDialogHandler(previous);

    // The folder dialog: the user types the folder and confirms.
    {
        auto user = FolderDialogUser(Dir.Path());
        EditorFor(Doc, session, "LibraryPath")->Edit();
    }
    EXPECT_EQ(Value(session, "LibraryPath"), Dir.Path());
    EXPECT_TRUE(Doc.IsModified());
}

TEST_F(DesignDocumentTest, ListsForEnumerationsBooleansAndReferences) {
    TComponent* session = Doc.Drop(PackageClass("TAsaSession"));
    TComponent* dataset = Doc.Drop(PackageClass("TAsaDataset"));
    Doc.Drop(PackageClass("TAsaSession"));

    auto values = [&](TComponent* c, const std::string& property) {
        std::vector<std::string> list;
        EditorFor(Doc, c, property)->GetValues([&](const AnsiString& v) { list.push_back(v); });
        return list;
    };
    EXPECT_EQ(values(session, "ServerType"), (std::vector<std::string>{"stClient", "stServer", "stWorkgroup"}));
    SetByInspector(Doc, session, "ServerType", "stClient");
    EXPECT_EQ(Value(session, "ServerType"), "stClient");
    EXPECT_THROW(SetByInspector(Doc, session, "ServerType", "stNowhere"), Exception);
    EXPECT_EQ(values(session, "OEMConvert"), (std::vector<std::string>{"False", "True"}));

    // A reference lists the module's components of the property's class.
    EXPECT_EQ(values(dataset, "Session"), (std::vector<std::string>{"AsaSession1", "AsaSession2"}));
    SetByInspector(Doc, dataset, "Session", "AsaSession2");
    EXPECT_EQ(Value(dataset, "Session"), "AsaSession2");
    // Freeing the referenced component clears the reference.
    Doc.Delete(Doc.Root()->FindComponent("AsaSession2"));
    EXPECT_EQ(Value(dataset, "Session"), "");
}

TEST_F(DesignDocumentTest, ParamsEditorAndAboutVerb) {
    TComponent* dataset = Doc.Drop(PackageClass("TAsaDataset"));
    tnxdesign::SetStringsEditor([](const AnsiString&, AnsiString& text) {
        text = "SELECT * FROM orders WHERE customer_id = :cust AND quantity > :least";
        return true;
    });
    EditorFor(Doc, dataset, "SQL")->Edit();
    tnxdesign::SetStringsEditor(nullptr);
    EXPECT_EQ(Value(dataset, "SQL"), "SELECT * FROM orders WHERE customer_id = :cust AND quantity > :least");

    // The markers became parameters; the dialog gives one its type and value.
    EXPECT_EQ(EditParamInDialog(Doc, dataset, "least", "ntInteger", "5"), mrOk);
    const std::string text = Doc.ToText();
    EXPECT_NE(text.find("Params.Data = {"), std::string::npos) << text;

    // The about verb of the session opens the about box for its database.
    TComponent* session = Doc.Drop(PackageClass("TAsaSession"));
    auto editor = GetComponentEditor(session, &Doc);
    ASSERT_EQ(editor->GetVerbCount(), 1);
    EXPECT_EQ(editor->GetVerb(0), "Abo&ut Tarnix 1.86b");
    std::string heading;
    {
        tnxtest::ModalUser user([&](TCustomForm* form) {
            if (auto* label = Control<TLabel>(form, "Label1")) heading = label->GetCaption();
        });
        editor->ExecuteVerb(0);
    }
    EXPECT_EQ(heading, "Tarnix 1.86b for Sybase SQL Anywhere");
}

TEST_F(DesignDocumentTest, SavedFormsReadBackAsDesigned) {
    TComponent* session = Doc.Drop(PackageClass("TAsaSession"));
    TComponent* dataset = Doc.Drop(PackageClass("TAsaDataset"));
    TComponent* source = Doc.Drop(PackageClass("TDataSource"));
    SetByInspector(Doc, session, "LoginEngineName", "sales");
    SetByInspector(Doc, session, "LoginUser", "DBA");
    SetByInspector(Doc, session, "ServerType", "stClient");
    SetByInspector(Doc, dataset, "Session", "AsaSession1");
    SetByInspector(Doc, source, "DataSet", "AsaDataset1");
    SetByInspector(Doc, dataset, "AfterOpen", "AsaDataset1AfterOpen");
    tnxdesign::SetStringsEditor([](const AnsiString&, AnsiString& text) {
        text = "SELECT name\nFROM customer WHERE id = :id\n";
        return true;
    });
    EditorFor(Doc, dataset, "SQL")->Edit();
    tnxdesign::SetStringsEditor(nullptr);
    EXPECT_EQ(EditParamInDialog(Doc, dataset, "id", "ntInteger", "7"), mrOk);
    const std::string designed = Doc.ToText();

    for (TFormFileFormat format : {TFormFileFormat::Text, TFormFileFormat::Binary}) {
        SCOPED_TRACE(format == TFormFileFormat::Text ? "text" : "binary");
        const std::string file = Dir.File(format == TFormFileFormat::Text ? "module.dfm" : "module.bin.dfm");
        Doc.SaveAs(file, format);
        EXPECT_FALSE(Doc.IsModified());
        EXPECT_EQ(ReadFile(file).rfind("TPF0", 0) == 0, format == TFormFileFormat::Binary);

        DesignDocument reread;
        reread.Open(file);
        EXPECT_EQ(reread.GetFormat(), format);
        EXPECT_FALSE(reread.IsModified());
        EXPECT_EQ(reread.ToText(), designed);
        // The references and the handler's name survive, and the read design is designing.
        TComponent* readSet = reread.Root()->FindComponent("AsaDataset1");
        ASSERT_NE(readSet, nullptr);
        EXPECT_TRUE(readSet->GetComponentState().Contains(csDesigning));
        EXPECT_EQ(EditorFor(reread, readSet, "Session")->GetValue(), "AsaSession1");
        EXPECT_EQ(EditorFor(reread, readSet, "AfterOpen")->GetValue(), "AsaDataset1AfterOpen");
        EXPECT_EQ(EditorFor(reread, readSet, "Params")->GetValue(), "(TAsaParams)");
    }
    EXPECT_NE(designed.find("AfterOpen = AsaDataset1AfterOpen"), std::string::npos) << designed;
}

TEST_F(DesignDocumentTest, DamagedFilesAreRefusedAndTheDesignKept) {
    Doc.Drop(PackageClass("TAsaSession"));
    const std::string designed = Doc.ToText();
    const std::string good = Dir.File("good.dfm");
    Doc.SaveAs(good, TFormFileFormat::Binary);
    const std::string data = ReadFile(good);

    const std::string truncated = Dir.File("truncated.dfm");
    std::ofstream(truncated, std::ios::binary) << data.substr(0, data.size() / 2);
    const std::string unknown = Dir.File("unknown.dfm");
    std::ofstream(unknown) << "object DataModule1: TDataModule\n  object X1: TNoSuchClass\n  end\nend\n";
    const std::string garbage = Dir.File("garbage.dfm");
    std::ofstream(garbage) << "this is no form file";

    for (const std::string& file : {truncated, unknown, garbage, Dir.File("missing.dfm")}) {
        SCOPED_TRACE(file);
        EXPECT_THROW(Doc.Open(file), Exception);
        EXPECT_EQ(Doc.ToText(), designed);
        EXPECT_EQ(Doc.GetFileName(), good);
    }
}

} // namespace
