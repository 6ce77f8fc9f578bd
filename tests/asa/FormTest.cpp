// A session in form files: what is stored (values that differ from the declared defaults, and the
// properties without one), what reads back, events bound to handlers by name, and Connected
// applied once the whole session is read.
#include "AsaTestSupport.h"

#include "platform/vcl/Classes.h"
#include "platform/vcl/DataModule.h"

using namespace tnx;
using namespace asatest;

namespace {

bool Has(const std::string& text, const std::string& line) {
    return text.find("  " + line + "\r\n") != std::string::npos ||
           text.find("  " + line + "\n") != std::string::npos;
}

bool Mentions(const std::string& text, const std::string& name) {
    return text.find(" " + name + " = ") != std::string::npos;
}

} // namespace

TEST(AsaForm, OnlyValuesThatDifferFromTheirDeclaredDefaultsAreStored) {
    vcl::TClassRegistration registration(TAsaSession::StaticClass());
    auto root = vcl::New<vcl::TDataModule>();
    auto* s = vcl::Make<TAsaSession>(root.get());
    s->SetName("Session1");
    const std::string text = vcl::WriteComponentText(root.get());
    // Properties without a declared default are always written; strings when not empty.
    for (const char* line :
         {"AutoCommit = False", "Connected = False", "LibraryFile = 'dblib6.dll'",
          "ServerParams = 'start=dbeng6.exe'", "ServerType = stServer", "WantRowCounts = True"})
        EXPECT_TRUE(Has(text, line)) << line << "\n" << text;
    for (const char* name : {"CommitOnDisconnect", "TransIsolation", "OEMConvert", "WantExceptions",
                             "ClientParams", "LibraryPath", "LoginDatabase", "LoginEngineName"})
        EXPECT_FALSE(Mentions(text, name)) << name << "\n" << text;

    s->SetCommitOnDisconnect(false);
    s->SetTransIsolation(atReapeatableRead);
    s->SetOEMConvert(true);
    s->SetWantExceptions(true);
    s->SetServerType(stWorkgroup);
    s->SetWantRowCounts(false);
    s->SetClientParams("links=all");
    s->SetLoginEngineName("Srv");
    const std::string changed = vcl::WriteComponentText(root.get());
    for (const char* line :
         {"CommitOnDisconnect = False", "TransIsolation = atReapeatableRead", "OEMConvert = True",
          "WantExceptions = True", "ServerType = stWorkgroup", "WantRowCounts = False",
          "ClientParams = 'links=all'", "LoginEngineName = 'Srv'"})
        EXPECT_TRUE(Has(changed, line)) << line << "\n" << changed;
    EXPECT_FALSE(s->GetLibraryLoaded()) << "setting properties loads nothing";

    auto copy = vcl::New<vcl::TDataModule>();
    vcl::ReadComponentData(changed, copy.get());
    auto* read = dynamic_cast<TAsaSession*>(copy->FindComponent("Session1"));
    ASSERT_NE(read, nullptr);
    EXPECT_FALSE(read->GetCommitOnDisconnect());
    EXPECT_EQ(read->GetTransIsolation(), atReapeatableRead);
    EXPECT_TRUE(read->GetOEMConvert());
    EXPECT_TRUE(read->GetWantExceptions());
    EXPECT_EQ(read->GetServerType(), stWorkgroup);
    EXPECT_FALSE(read->GetWantRowCounts());
    EXPECT_EQ(read->GetClientParams(), "links=all");
    EXPECT_EQ(read->GetLoginEngineName(), "Srv");
    EXPECT_FALSE(read->GetLibraryLoaded()) << "reading a disconnected session loads nothing";
}

TEST(AsaForm, StoredConnectedConnectsAfterTheWholeSessionIsReadAndEventsBindByName) {
    vcl::TClassRegistration registration(TAsaSession::StaticClass());
    tnxtest::TempDir dir;
    const std::string file = CreateDatabaseFile(dir.File("formdb.db"));
    const std::string engine = tnxtest::UniqueName("form");
    // Connected comes first: connecting while it is read would see none of what follows.
    const std::string form = "object Root: TDataModule\n"
                             "  object Session1: TAsaSession\n"
                             "    Connected = True\n"
                             "    LibraryFile = 'libdblib7.so'\n"
                             "    LibraryPath = '" +
                             LibDir() +
                             "'\n"
                             "    LoginDatabase = '" +
                             file +
                             "'\n"
                             "    LoginEngineName = '" +
                             engine +
                             "'\n"
                             "    LoginPassword = 'SQL'\n"
                             "    LoginUser = 'DBA'\n"
                             "    TransIsolation = atReadCommitted\n"
                             "    AfterConnect = SessionConnected\n"
                             "    OnServerMessage = SessionMessage\n"
                             "  end\n"
                             "end\n";
    auto root = vcl::New<vcl::TDataModule>();
    int connected = 0;
    std::vector<std::string> messages;
    root->RegisterHandler<vcl::TNotifyEvent>("SessionConnected", [&](vcl::TObject*) { ++connected; });
    root->RegisterHandler<TServerMessageEvent>(
        "SessionMessage",
        [&](vcl::TObject*, TServerMessageType, int32_t, const AnsiString& msg) { messages.push_back(msg); });
    vcl::ReadComponentData(form, root.get());
    auto* s = dynamic_cast<TAsaSession*>(root->FindComponent("Session1"));
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->GetConnected()) << s->GetLastError();
    EXPECT_EQ(connected, 1);
    AnsiString value;
    EXPECT_TRUE(s->GetConnectionInfo(ciEngineName, value));
    EXPECT_EQ(value, engine);
    EXPECT_TRUE(s->GetOption("isolation_level", value));
    EXPECT_EQ(value, "1") << "the streamed isolation level is sent by the connect";
    EXPECT_EQ(Exec(*s, "MESSAGE 'from the form' TO CLIENT"), 0);
    EXPECT_EQ(messages, (std::vector<std::string>{"from the form"}));

    // Written again, the events keep their handlers' names.
    const std::string text = vcl::WriteComponentText(root.get());
    EXPECT_TRUE(Has(text, "AfterConnect = SessionConnected")) << text;
    EXPECT_TRUE(Has(text, "OnServerMessage = SessionMessage")) << text;
}
