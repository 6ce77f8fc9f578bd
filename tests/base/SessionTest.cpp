// The base session through a small driver session: library reference counting, the destruction
// and loading sequences, transactions, errors, the library version, OEM text, and form files.
#include "TestDrivers.h"

#include "platform/vcl/Classes.h"
#include "platform/win/MessageBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace tnx;
using namespace tnxtest;
using vcl::AnsiString;

namespace {

class Session : public ::testing::Test {
protected:
    void SetUp() override {
        TTestSession::Reset();
        RegisterTestDrivers();
    }
    void TearDown() override {
        win::SetMessageBoxHandler(nullptr);
        TTestSession::Reset();
    }
};

// A driver's own exception class, to see that RaiseLastError raises the class it is given.
class EDriverError : public ECorvexException {
public:
    using ECorvexException::ECorvexException;
};

std::string Text(vcl::TComponent* root) {
    return vcl::WriteComponentText(root);
}

std::string Binary(vcl::TComponent* root) {
    auto s = vcl::New<vcl::TMemoryStream>();
    s->WriteComponent(root);
    return std::string(static_cast<const char*>(s->Memory()), static_cast<std::size_t>(s->GetSize()));
}

TEST_F(Session, StartsDisconnectedWithEverythingEmpty) {
    auto s = vcl::New<TTestSession>();
    EXPECT_FALSE(s->GetConnected());
    EXPECT_FALSE(s->GetInTransaction());
    EXPECT_FALSE(s->GetLibraryLoaded());
    EXPECT_FALSE(s->GetAutoCommit());
    EXPECT_FALSE(s->GetOEMConvert());
    EXPECT_FALSE(s->GetWantExceptions());
    EXPECT_EQ(s->GetLastError(), "");
    EXPECT_EQ(s->GetLastErrorCode(), 0);
    EXPECT_EQ(s->GetQueryCount(), 0);
    // The base versions of the optional steps do nothing.
    EXPECT_FALSE(s->Execute("select 1"));
    EXPECT_FALSE(s->Ping("eng=x"));
    EXPECT_TRUE(StepLog().empty());
}

TEST_F(Session, TwoSessionsShareOneLoadAndTheLastDestructionUnloads) {
    auto first = vcl::New<TTestSession>();
    auto second = vcl::New<TTestSession>();
    first->SetConnected(true);
    second->SetConnected(true);
    EXPECT_EQ(TTestSession::Loads, 1);
    EXPECT_EQ(TTestSession::ReferenceCount, 2);
    EXPECT_TRUE(first->GetLibraryLoaded());
    EXPECT_TRUE(second->GetLibraryLoaded());
    // A session that already holds the library does not count twice.
    first->InternalLibraryHandleNeeded();
    EXPECT_EQ(TTestSession::ReferenceCount, 2);

    first.reset();
    EXPECT_EQ(TTestSession::Unloads, 0);
    EXPECT_EQ(TTestSession::ReferenceCount, 1);

    StepLog().clear();
    second.reset();
    EXPECT_EQ(TTestSession::Unloads, 1);
    EXPECT_EQ(TTestSession::ReferenceCount, 0);
    // Disconnect through the driver, then release the reference, then unload.
    const std::vector<std::string> expected = {"disconnect", "SetLibraryLoaded false",
                                               "SetLibraryReferenceCount 0", "InternalUnLoadLibrary",
                                               "InternalUnloadLoadProcs"};
    EXPECT_EQ(StepLog(), expected);
}

TEST_F(Session, LoadingRunsTheDriverStepsInOrderOnce) {
    auto s = vcl::New<TTestSession>();
    s->InternalLibraryHandleNeeded();
    const std::vector<std::string> expected = {"InternalLoadLibrary", "InternalLoadProcs",
                                               "SetLibraryReferenceCount 1", "SetLibraryLoaded true"};
    EXPECT_EQ(StepLog(), expected);
    // Disconnecting does not unload.
    s->SetConnected(true);
    s->SetConnected(false);
    EXPECT_EQ(TTestSession::Unloads, 0);
    EXPECT_TRUE(s->GetLibraryLoaded());
}

TEST_F(Session, FailedLoadLeavesCountAndFlagUnchanged) {
    auto s = vcl::New<TTestSession>();
    TTestSession::FailLoadLibrary = "no such library";
    EXPECT_THROW(s->SetConnected(true), ECorvexException);
    EXPECT_EQ(TTestSession::ReferenceCount, 0);
    EXPECT_FALSE(s->GetLibraryLoaded());
    EXPECT_FALSE(s->GetConnected());
    EXPECT_EQ(s->GetLastError(), "no such library");

    // Binding fails after the file was loaded: the library is released again, so a later attempt
    // loads it once and the loads and unloads stay balanced.
    TTestSession::FailLoadLibrary.clear();
    TTestSession::FailLoadProcs = "entry point missing";
    EXPECT_THROW(s->InternalLibraryHandleNeeded(), ECorvexException);
    EXPECT_EQ(TTestSession::Loads, 1);
    EXPECT_EQ(TTestSession::Unloads, 1);
    EXPECT_EQ(TTestSession::ReferenceCount, 0);
    EXPECT_FALSE(s->GetLibraryLoaded());

    TTestSession::FailLoadProcs.clear();
    s->SetConnected(true);
    EXPECT_TRUE(s->GetConnected());
    EXPECT_EQ(TTestSession::ReferenceCount, 1);
    s.reset();
    EXPECT_EQ(TTestSession::Loads, TTestSession::Unloads);
}

TEST_F(Session, DestructionReleasesTheLibraryEvenWhenDisconnectFails) {
    auto s = vcl::New<TTestSession>();
    s->SetConnected(true);
    TTestSession::FailDisconnect = "connection lost";
    s.reset(); // must not raise
    EXPECT_EQ(TTestSession::ReferenceCount, 0);
    EXPECT_EQ(TTestSession::Unloads, 1);
}

TEST_F(Session, DestroyingASessionThatNeverLoadedUnloadsNothing) {
    auto s = vcl::New<TTestSession>();
    s.reset();
    EXPECT_FALSE(Logged("InternalUnLoadLibrary"));
    EXPECT_FALSE(Logged("SetLibraryLoaded false"));
}

TEST_F(Session, RaiseLastErrorRecordsThenRaisesTheGivenClass) {
    auto s = vcl::New<TTestSession>();
    try {
        s->RaiseLastError<EDriverError>("Error -100: no engine", -100);
        FAIL() << "no exception";
    } catch (const EDriverError& e) {
        EXPECT_EQ(e.Message(), "Error -100: no engine");
        EXPECT_EQ(e.ErrorCode(), -100);
    }
    EXPECT_EQ(s->GetLastError(), "Error -100: no engine");
    EXPECT_EQ(s->GetLastErrorCode(), -100);
    // The same through a class value.
    EXPECT_THROW(s->RaiseLastError(CorvexExceptionClass<ECorvexException>(), "plain", 0), ECorvexException);
    EXPECT_EQ(s->GetLastError(), "plain");
    EXPECT_EQ(s->GetLastErrorCode(), 0);
}

TEST_F(Session, StartTransactionTwiceRaisesUntilTheTransactionEnds) {
    auto s = vcl::New<TTestSession>();
    s->SetConnected(true);
    StepLog().clear();
    s->StartTransaction();
    EXPECT_TRUE(s->GetInTransaction());
    EXPECT_EQ(StepLog(), std::vector<std::string>{"InternalCommit"}); // ends pending work first
    try {
        s->StartTransaction();
        FAIL() << "no exception";
    } catch (const ECorvexException& e) {
        EXPECT_EQ(e.Message(), "A user transaction is already in progress");
        EXPECT_EQ(e.ErrorCode(), 0);
    }
    EXPECT_EQ(s->GetLastError(), "A user transaction is already in progress");
    EXPECT_EQ(StepLog().size(), 1u); // nothing else was called
    EXPECT_TRUE(s->GetInTransaction());

    EXPECT_TRUE(s->Commit());
    EXPECT_FALSE(s->GetInTransaction());
    s->StartTransaction();
    EXPECT_TRUE(s->Rollback());
    EXPECT_FALSE(s->GetInTransaction());
    EXPECT_TRUE(Logged("InternalRollback"));

    // A change of the connected state ends the transaction too.
    s->StartTransaction();
    s->SetConnected(false);
    EXPECT_FALSE(s->GetInTransaction());
    s->SetConnected(true);
    EXPECT_NO_THROW(s->StartTransaction());
}

TEST_F(Session, CommitThatRaisesLeavesTheTransactionOpen) {
    auto s = vcl::New<TTestSession>();
    s->StartTransaction();
    TTestSession::FailCommit = "commit failed";
    EXPECT_THROW(s->Commit(), ECorvexException);
    EXPECT_TRUE(s->GetInTransaction());
    // A failure reported without raising still ends the transaction, with the driver's result.
    TTestSession::FailCommit.clear();
    TTestSession::CheckCode = -3;
    EXPECT_FALSE(s->Commit());
    EXPECT_FALSE(s->GetInTransaction());
    EXPECT_EQ(s->GetLastErrorCode(), -3);
}

TEST_F(Session, LibraryVersionOfTheLoadedFile) {
    TTestSession::FoundDirectory = std::string(TNX_BASE_VERLIBS) + "/";
    auto s = vcl::New<TTestSession>();
    s->SetLibraryFile("libtnxbase_ver_none.so");
    EXPECT_EQ(s->GetLibraryVersion(), "0.0.0.0");
    EXPECT_EQ(TTestSession::Loads, 1); // loaded on demand
    EXPECT_EQ(s->GetLibraryDirectory(), TTestSession::FoundDirectory);
    s->SetLibraryFile("libtnxbase_ver_table.so");
    EXPECT_EQ(s->GetLibraryVersion(), "6.0.3.2345");
    s->SetLibraryFile("libtnxbase_ver_fixed.so");
    EXPECT_EQ(s->GetLibraryVersion(), "7.0.4.3300");
    EXPECT_EQ(TTestSession::Loads, 1);
}

TEST_F(Session, TranslateCharConvertsOnlyWithOemConvert) {
    auto s = vcl::New<TTestSession>();
    const char source[] = "caf\xE9";
    char dest[] = "xxxx";
    s->TranslateChar(source, dest, 4, true);
    EXPECT_STREQ(dest, "xxxx"); // untouched, although it differs from the source

    s->SetOEMConvert(true);
    s->TranslateChar(source, dest, 4, true);
    EXPECT_STREQ(dest, "caf\x82");          // e-acute is 0x82 in the OEM code page
    s->TranslateChar(dest, dest, 4, false); // in place, back to ANSI
    EXPECT_STREQ(dest, "caf\xE9");
}

TEST_F(Session, CaseInsensitiveComparisonHonoursOemAndTheLength) {
    auto s = vcl::New<TTestSession>();
    EXPECT_TRUE(s->TranslateLICompChar("abcX", "ABCy", 3));
    EXPECT_FALSE(s->TranslateLICompChar("abcX", "ABCy", 4));
    EXPECT_FALSE(s->TranslateLICompChar("ab", "abc", 3));
    // OEM e-acute (0x82) and E-acute (0x90) are one letter only once converted to ANSI.
    EXPECT_FALSE(s->TranslateLICompChar("\x82t\x82", "\x90T\x90", 3));
    s->SetOEMConvert(true);
    EXPECT_TRUE(s->TranslateLICompChar("\x82t\x82", "\x90T\x90", 3));
    EXPECT_TRUE(s->TranslateLICompChar("\x82t\x82", "\x90T\x90", 0xFFFFFFFFu)); // a huge length is harmless

    // Buffers without a NUL are read no further than the length, in both modes.
    const char unterminated[3] = {'a', 'b', 'c'};
    EXPECT_TRUE(s->TranslateLICompChar(unterminated, "ABC", 3));
    s->SetOEMConvert(false);
    EXPECT_TRUE(s->TranslateLICompChar(unterminated, "ABC", 3));
}

// --- Form files ---------------------------------------------------------------------------------

const char* const ConnectedForm = "object Root: TTestRoot\r\n"
                                  "  object Session1: TTestSession\r\n"
                                  "    Connected = True\r\n"
                                  "    LoginDatabase = 'sales.db'\r\n"
                                  "  end\r\n"
                                  "  object Session2: TTestSession\r\n"
                                  "    LoginUser = 'dba'\r\n"
                                  "  end\r\n"
                                  "end\r\n";

TEST_F(Session, StoredConnectedConnectsOnlyAfterTheWholeFormIsRead) {
    auto root = vcl::New<TTestRoot>();
    vcl::ReadComponentData(ConnectedForm, root.get());
    auto* session = static_cast<TTestSession*>(root->FindComponent("Session1"));
    ASSERT_NE(session, nullptr);
    EXPECT_TRUE(session->GetConnected());
    EXPECT_TRUE(session->GetStreamedConnected());
    // Connected is read before LoginDatabase: connecting while reading would have seen it empty.
    EXPECT_EQ(session->DatabaseAtConnect, "sales.db");
    EXPECT_EQ(std::count(StepLog().begin(), StepLog().end(), "connect sales.db"), 1);
    EXPECT_FALSE(static_cast<TTestSession*>(root->FindComponent("Session2"))->GetConnected());
}

TEST_F(Session, FailingConnectAtDesignTimeShowsAMessageAndLoadingGoesOn) {
    struct Shown {
        std::string Text, Caption;
        unsigned Flags;
        bool Owner;
    };
    std::vector<Shown> shown;
    win::SetMessageBoxHandler(
        [&](win::HWND owner, const std::string& text, const std::string& caption, win::UINT type) {
            shown.push_back({text, caption, type, owner != nullptr});
            return win::IDOK;
        });
    TTestSession::FailConnect = "Error -100: Database server not found";
    auto root = vcl::New<TTestRoot>();
    root->SetDesigning(true);
    EXPECT_NO_THROW(vcl::ReadComponentData(ConnectedForm, root.get()));

    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Text, "Error -100: Database server not found");
    EXPECT_EQ(shown[0].Caption, "Tarnix");
    EXPECT_EQ(shown[0].Flags, 0x10u);
    EXPECT_FALSE(shown[0].Owner);
    auto* session = static_cast<TTestSession*>(root->FindComponent("Session1"));
    ASSERT_NE(session, nullptr);
    EXPECT_FALSE(session->GetConnected());
    // The component after the failing one was read and loaded.
    auto* other = static_cast<TTestSession*>(root->FindComponent("Session2"));
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->GetLoginUser(), "dba");
}

TEST_F(Session, FailingConnectAtRunTimeRaisesToTheLoader) {
    bool shown = false;
    win::SetMessageBoxHandler([&](win::HWND, const std::string&, const std::string&, win::UINT) {
        shown = true;
        return win::IDOK;
    });
    TTestSession::FailConnect = "Error -100: Database server not found";
    auto root = vcl::New<TTestRoot>();
    try {
        vcl::ReadComponentData(ConnectedForm, root.get());
        FAIL() << "no exception";
    } catch (const ECorvexException& e) {
        EXPECT_EQ(e.Message(), "Error -100: Database server not found");
        EXPECT_EQ(e.ErrorCode(), -100);
    }
    EXPECT_FALSE(shown);
}

TEST_F(Session, RoundTripsThroughBothRenderingsWithoutDefaultValues) {
    auto root = vcl::New<TTestRoot>();
    root->SetName("Root");
    root->RegisterHandler<vcl::TNotifyEvent>("SessionConnected", [](vcl::TObject*) {});
    auto* s = vcl::Make<TTestSession>(root.get());
    s->SetName("Session1");
    s->SetLoginDatabase("C:\\data\\sales.db");
    s->SetLibraryFile("dblib6.dll");

    const std::string plain = Text(root.get());
    EXPECT_EQ(plain, "object Root: TTestRoot\r\n"
                     "  object Session1: TTestSession\r\n"
                     "    AutoCommit = False\r\n"
                     "    Connected = False\r\n"
                     "    LibraryFile = 'dblib6.dll'\r\n"
                     "    LoginDatabase = 'C:\\data\\sales.db'\r\n"
                     "  end\r\n"
                     "end\r\n");

    s->SetOEMConvert(true);
    s->SetWantExceptions(true);
    s->SetAutoCommit(true);
    s->SetLoginUser("dba");
    s->SetAfterConnect(root->HandlerByName<vcl::TNotifyEvent>("SessionConnected"));
    const std::string text = Text(root.get());
    EXPECT_NE(text.find("OEMConvert = True"), std::string::npos);
    EXPECT_NE(text.find("WantExceptions = True"), std::string::npos);
    EXPECT_NE(text.find("AfterConnect = SessionConnected"), std::string::npos);

    // The binary rendering reads back to the same component, and converts to the same text.
    const std::string binary = Binary(root.get());
    auto in = vcl::New<vcl::TMemoryStream>();
    in->WriteBuffer(binary.data(), static_cast<int64_t>(binary.size()));
    in->SetPosition(0);
    auto out = vcl::New<vcl::TMemoryStream>();
    vcl::ObjectBinaryToText(in.get(), out.get());
    EXPECT_EQ(std::string(static_cast<const char*>(out->Memory()), static_cast<std::size_t>(out->GetSize())),
              text);

    for (const std::string& data : {text, binary}) {
        auto copy = vcl::New<TTestRoot>();
        copy->RegisterHandler<vcl::TNotifyEvent>("SessionConnected", [](vcl::TObject*) {});
        vcl::ReadComponentData(data, copy.get());
        auto* c = static_cast<TTestSession*>(copy->FindComponent("Session1"));
        ASSERT_NE(c, nullptr);
        EXPECT_TRUE(c->GetOEMConvert());
        EXPECT_TRUE(c->GetWantExceptions());
        EXPECT_TRUE(c->GetAutoCommit());
        EXPECT_EQ(c->GetLoginDatabase(), "C:\\data\\sales.db");
        EXPECT_EQ(c->GetLoginUser(), "dba");
        EXPECT_EQ(c->GetLibraryFile(), "dblib6.dll");
        EXPECT_EQ(vcl::HandlerName(c->GetAfterConnect()), "SessionConnected");
        EXPECT_FALSE(c->GetConnected());
    }
}

TEST_F(Session, AConnectedSessionIsStoredConnectedAndReconnectsWhenRead) {
    auto root = vcl::New<TTestRoot>();
    root->SetName("Root");
    auto* s = vcl::Make<TTestSession>(root.get());
    s->SetName("Session1");
    s->SetLoginDatabase("sales.db");
    s->SetConnected(true);
    const std::string text = Text(root.get());
    EXPECT_NE(text.find("Connected = True"), std::string::npos);

    auto copy = vcl::New<TTestRoot>();
    vcl::ReadComponentData(text, copy.get());
    auto* c = static_cast<TTestSession*>(copy->FindComponent("Session1"));
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->GetConnected());
    EXPECT_EQ(TTestSession::ReferenceCount, 2);
    EXPECT_EQ(TTestSession::Loads, 1);
}

} // namespace
