// Server callbacks: callback instances and their pools, the adapters' argument records, the
// handlers and events against the client library (wait and cancel, messages, dropped
// connections, start and finish), registration and unregistration, design mode, exceptions
// raised by event handlers, and locating servers.
#include "AsaTestSupport.h"

#include "platform/vcl/Forms.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace tnx;
using namespace asatest;

namespace {

// What a test handler saw through an entry.
struct Seen {
    std::vector<TAsaSession*> Sessions;
    std::vector<sqlca*> Sqlcas;
    TMessageCallbackArgs Message{};
    int SetResult = -1; // the locate handler stores this into the record when not -1
    bool Raise = false;
};
Seen* gSeen = nullptr;

void RecordSimple(TAsaSession* session, void* args) {
    gSeen->Sessions.push_back(session);
    gSeen->Sqlcas.push_back(static_cast<TSimpleCallbackArgs*>(args)->Sqlca);
    if (gSeen->Raise) throw vcl::Exception("handler failed");
}

void RecordMessage(TAsaSession* session, void* args) {
    gSeen->Sessions.push_back(session);
    gSeen->Message = *static_cast<TMessageCallbackArgs*>(args);
}

void RecordLocate(TAsaSession* session, void* args) {
    gSeen->Sessions.push_back(session);
    auto* record = static_cast<TLocateCallbackArgs*>(args);
    EXPECT_EQ(record->Result, 1) << "preset to go on";
    if (gSeen->Raise) throw vcl::Exception("handler failed");
    if (gSeen->SetResult != -1) record->Result = gSeen->SetResult;
}

class AsaCallbackPool : public ::testing::Test {
protected:
    void SetUp() override { gSeen = &FSeen; }
    void TearDown() override {
        FreeCallbackPages(FPool);
        gSeen = nullptr;
        vcl::Application->SetOnException(nullptr);
    }
    TAsaSession* Fake(uintptr_t n) { return reinterpret_cast<TAsaSession*>(n * 16); }

    TCallbackInstancePool FPool;
    Seen FSeen;
};

} // namespace

TEST_F(AsaCallbackPool, PagesOf314EntriesHandedOutLastInFirstOut) {
    EXPECT_EQ(CallbackPageCount(FPool), 0);
    std::vector<TCallbackInstance*> entries;
    std::set<void*> codes;
    for (int i = 0; i < 314; ++i) {
        entries.push_back(MakeCallbackInstance(FPool, SimpleCallbackAdapter(), &RecordSimple, Fake(i + 1)));
        codes.insert(entries.back()->Code);
    }
    EXPECT_EQ(CallbackPageCount(FPool), 1);
    TCallbackPage* first = FPool.Pages;
    EXPECT_EQ(entries.front(), &first->Entries[313]) << "the entry at the highest offset comes first";
    EXPECT_EQ(entries.back(), &first->Entries[0]);
    EXPECT_EQ(codes.size(), 314u) << "every entry has a function address of its own";
    EXPECT_EQ(FPool.FreeList, nullptr);

    // The 315th opens a second page at the head of the page list.
    TCallbackInstance* extra = MakeCallbackInstance(FPool, SimpleCallbackAdapter(), &RecordSimple, Fake(999));
    EXPECT_EQ(CallbackPageCount(FPool), 2);
    EXPECT_NE(FPool.Pages, first);
    EXPECT_EQ(FPool.Pages->Link, first);
    EXPECT_EQ(extra->Page, FPool.Pages);

    // Given back and asked for again: the same entry, now reaching its new handler and session.
    FreeCallbackInstance(FPool, entries[100]);
    FreeCallbackInstance(FPool, nullptr); // ignored
    TCallbackInstance* again =
        MakeCallbackInstance(FPool, SimpleCallbackAdapter(), &RecordSimple, Fake(4242));
    EXPECT_EQ(again, entries[100]);
    sqlca ca{};
    again->As<dblib_simple_callback_fn>()(&ca);
    ASSERT_EQ(FSeen.Sessions.size(), 1u);
    EXPECT_EQ(FSeen.Sessions[0], Fake(4242));
    EXPECT_EQ(FSeen.Sqlcas[0], &ca);

    // Each entry reaches its own session.
    entries[7]->As<dblib_simple_callback_fn>()(&ca);
    extra->As<dblib_simple_callback_fn>()(nullptr);
    EXPECT_EQ(FSeen.Sessions[1], entries[7]->Session);
    EXPECT_EQ(FSeen.Sessions[2], Fake(999));
    EXPECT_EQ(FSeen.Sqlcas[2], nullptr);

    FreeCallbackPages(FPool);
    EXPECT_EQ(FPool.Pages, nullptr);
    EXPECT_EQ(FPool.FreeList, nullptr);
}

TEST_F(AsaCallbackPool, AdaptersPackTheLibrarysArgumentsIntoTheRecords) {
    TCallbackInstance* message =
        MakeCallbackInstance(FPool, MessageCallbackAdapter(), &RecordMessage, Fake(1));
    sqlca ca{};
    char text[] = "hello there";
    message->As<dblib_message_callback_fn>()(&ca, 2, -1234567, 5, text);
    EXPECT_EQ(FSeen.Message.Sqlca, &ca);
    EXPECT_EQ(FSeen.Message.MessageType, 2);
    EXPECT_EQ(FSeen.Message.MessageCode, -1234567);
    EXPECT_EQ(FSeen.Message.Length, 5);
    EXPECT_EQ(FSeen.Message.Text, text);

    TCallbackInstancePool locatePool;
    TCallbackInstance* locate =
        MakeCallbackInstance(locatePool, LocateCallbackAdapter(), &RecordLocate, Fake(2));
    a_server_address address{1, 2638, nullptr, nullptr};
    auto call = locate->As<dblib_locate_callback_fn>();
    EXPECT_EQ(call(&ca, &address, nullptr), 1);
    FSeen.SetResult = 0;
    EXPECT_EQ(call(&ca, &address, nullptr), 0) << "the adapter returns the record's result";
    FreeCallbackPages(locatePool);
}

TEST_F(AsaCallbackPool, AnExceptionGoesToTheApplicationNotIntoTheLibrary) {
    std::vector<std::string> handled;
    vcl::Application->SetOnException(
        [&](vcl::TObject*, const vcl::Exception& e) { handled.push_back(e.Message()); });
    FSeen.Raise = true;
    TCallbackInstance* simple = MakeCallbackInstance(FPool, SimpleCallbackAdapter(), &RecordSimple, Fake(1));
    EXPECT_NO_THROW(simple->As<dblib_simple_callback_fn>()(nullptr));
    EXPECT_EQ(handled, (std::vector<std::string>{"handler failed"}));

    // A locate handler that raises ends the search.
    TCallbackInstancePool locatePool;
    TCallbackInstance* locate =
        MakeCallbackInstance(locatePool, LocateCallbackAdapter(), &RecordLocate, Fake(2));
    a_server_address address{1, 2638, nullptr, nullptr};
    EXPECT_EQ(locate->As<dblib_locate_callback_fn>()(nullptr, &address, nullptr), 0);
    EXPECT_EQ(handled.size(), 2u);
    FreeCallbackPages(locatePool);
}

// --- Handlers -----------------------------------------------------------------------------------

// Cases the library never produces: an unknown type, an empty text, a NUL inside the length.
TEST(AsaHandlers, MessagesOfUnknownTypeEmptyOrWithANulArriveAsTheirText) {
    auto s = vcl::New<TAsaSession>();
    std::vector<std::pair<TServerMessageType, std::string>> got;
    s->SetOnServerMessage([&](vcl::TObject*, TServerMessageType type, int32_t code, const AnsiString& msg) {
        EXPECT_EQ(code, 77);
        got.emplace_back(type, msg);
    });
    for (auto [type, text, length] : {std::tuple<uint16_t, const char*, uint16_t>{9, "odd", 3},
                                      {0, "ignored", 0},
                                      {3, "cut\0here", 8},
                                      {0, nullptr, 5}}) {
        TMessageCallbackArgs args{nullptr, type, 77, length, text};
        TAsaSession::ServerMessageCall(s.get(), &args);
    }
    using P = std::pair<TServerMessageType, std::string>;
    EXPECT_EQ(got, (std::vector<P>{{smtUnknown, "odd"}, {smtInfo, ""}, {smtStatus, "cut"}, {smtInfo, ""}}));
}

TEST(AsaHandlers, LocateStopsWhenUnassignedOrAborted) {
    auto s = vcl::New<TAsaSession>();
    char name[] = "srv", where[] = "127.0.0.1";
    a_server_address address{1, 2639, name, where};
    TLocateCallbackArgs args{nullptr, &address, nullptr, 1};
    TAsaSession::LocateServerCall(s.get(), &args);
    EXPECT_EQ(args.Result, 0) << "no handler: stop";

    std::vector<std::string> seen;
    bool abort = false;
    s->SetOnLocateServers(
        [&](vcl::TObject*, const AnsiString& n, const AnsiString& a, int32_t port, bool& stop) {
            EXPECT_FALSE(stop);
            seen.push_back(n + "@" + a + ":" + std::to_string(port));
            stop = abort;
        });
    args.Result = 1;
    TAsaSession::LocateServerCall(s.get(), &args);
    EXPECT_EQ(args.Result, 1);
    abort = true;
    TAsaSession::LocateServerCall(s.get(), &args);
    EXPECT_EQ(args.Result, 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"srv@127.0.0.1:2639", "srv@127.0.0.1:2639"}));
}

// --- Against the library ------------------------------------------------------------------------

class AsaCallbacks : public AsaTest {};

TEST_P(AsaCallbacks, StartAndFinishPairAroundEveryRequest) {
    std::vector<std::string> events;
    S().SetOnServerStart([&](vcl::TObject* sender) {
        EXPECT_EQ(sender, &S());
        events.push_back("start");
    });
    S().SetOnServerFinish([&](vcl::TObject*) { events.push_back("finish"); });
    S().GetLibraryVersion();
    auto probe = Instrument();
    probe.Record(true);
    S().SetConnected(true);
    EXPECT_EQ(Calls(probe, "db_register_a_callback"),
              (std::vector<std::string>{"db_register_a_callback(0, ptr)", "db_register_a_callback(2, ptr)"}));
    EXPECT_NE(S().GetCallbackInstance(0), nullptr);
    EXPECT_NE(S().GetCallbackInstance(1), nullptr);
    EXPECT_EQ(S().GetCallbackInstance(2), nullptr);

    events.clear();
    EXPECT_EQ(Exec(S(), "create table t(a int)"), 0);
    EXPECT_EQ(Exec(S(), "select * from missing"), -141);
    EXPECT_EQ(events, (std::vector<std::string>{"start", "finish", "start", "finish"}));
}

TEST_P(AsaCallbacks, ConnectRegistersInOrderAndDisconnectReturnsTheEntries) {
    auto noop = [](vcl::TObject*) {};
    S().SetOnServerStart(noop);
    S().SetOnServerFinish(noop);
    S().SetOnServerWait([](vcl::TObject*, bool&) {});
    S().SetOnServerMessage([](vcl::TObject*, TServerMessageType, int32_t, const AnsiString&) {});
    S().SetOnConnectionDropped(noop);
    S().GetLibraryVersion();
    auto probe = Instrument();
    probe.Record(true);
    S().SetConnected(true);
    EXPECT_EQ(Calls(probe, "db_register_a_callback"),
              (std::vector<std::string>{"db_register_a_callback(0, ptr)", "db_register_a_callback(2, ptr)",
                                        "db_register_a_callback(1, ptr)", "db_register_a_callback(7, ptr)",
                                        "db_register_a_callback(8, ptr)"}));
    std::vector<const TCallbackInstance*> entries;
    for (int i = 0; i < 5; ++i) {
        entries.push_back(S().GetCallbackInstance(i));
        ASSERT_NE(entries.back(), nullptr);
        EXPECT_EQ(entries.back()->Session, &S());
    }
    EXPECT_EQ(entries[0]->Handler, &TAsaSession::StartCall);
    EXPECT_EQ(entries[1]->Handler, &TAsaSession::FinishCall);
    EXPECT_EQ(entries[2]->Handler, &TAsaSession::WaitCall);
    EXPECT_EQ(entries[3]->Handler, &TAsaSession::ServerMessageCall);
    EXPECT_EQ(entries[4]->Handler, &TAsaSession::ConnDroppedCall);

    S().SetConnected(false);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(S().GetCallbackInstance(i), nullptr);
    // Returned to their pools: the next registrations take the same entries, the last returned
    // (start) first.
    EXPECT_EQ(SimpleCallbackPool.FreeList, entries[0]);
    EXPECT_EQ(MessageCallbackPool.FreeList, entries[3]);
    EXPECT_EQ(DroppedCallbackPool.FreeList, entries[4]);
    S().SetConnected(true);
    EXPECT_EQ(S().GetCallbackInstance(0), entries[0]);
    EXPECT_EQ(S().GetCallbackInstance(3), entries[3]);
}

TEST_P(AsaCallbacks, NoCallbackFiresAfterDisconnect) {
    int events = 0;
    S().SetOnServerStart([&](vcl::TObject*) { ++events; });
    S().SetOnServerFinish([&](vcl::TObject*) { ++events; });
    S().SetConnected(true);
    const int before = events;
    EXPECT_EQ(Exec(S(), "select 1"), 0);
    EXPECT_EQ(events, before + 2);
    S().SetConnected(false);
    const int after = events;

    // Connect the same SQLCA behind the session's back: nothing is registered with it any more.
    std::string params = S().GetConnectDatabaseParams();
    AsaLibrary.Procs.db_string_connect(S().GetSqlca(), params.data());
    ASSERT_EQ(S().GetSqlca()->sqlcode, 0);
    EXPECT_EQ(Exec(S(), "select 1"), 0);
    EXPECT_EQ(events, after);
    AsaLibrary.Procs.db_string_disconnect(S().GetSqlca(), nullptr);
}

TEST_P(AsaCallbacks, DesignModeRegistersNothing) {
    int events = 0;
    S().SetDesigning(true);
    S().SetOnServerStart([&](vcl::TObject*) { ++events; });
    S().SetOnServerMessage([&](vcl::TObject*, TServerMessageType, int32_t, const AnsiString&) { ++events; });
    S().GetLibraryVersion();
    auto probe = Instrument();
    probe.Record(true);
    S().SetConnected(true);
    EXPECT_TRUE(S().GetConnected());
    EXPECT_EQ(Exec(S(), "MESSAGE 'x' TO CLIENT"), 0);
    EXPECT_EQ(events, 0);
    S().SetConnected(false);
    EXPECT_TRUE(Calls(probe, "db_register_a_callback").empty()) << "neither on connect nor on disconnect";
}

TEST_P(AsaCallbacks, WaitFiresRepeatedlyAndAbortRequestCancels) {
    int waits = 0;
    S().SetOnServerWait([&](vcl::TObject* sender, bool& abort) {
        EXPECT_EQ(sender, &S());
        EXPECT_FALSE(abort);
        abort = ++waits == 3;
    });
    S().SetConnected(true);
    EXPECT_EQ(Exec(S(), kEndlessQuery), -299);
    EXPECT_EQ(waits, 3) << "called until the handler asked to abort";
    EXPECT_FALSE(S().Check(false));
    EXPECT_EQ(S().GetLastErrorCode(), -299);
    EXPECT_EQ(QueryInt(S(), "select 3"), 3);
}

TEST_P(AsaCallbacks, ServerMessagesOfEachTypeArriveMappedAndCut) {
    struct Got {
        TServerMessageType Type;
        std::string Msg;
    };
    std::vector<Got> got;
    S().SetOnServerMessage([&](vcl::TObject*, TServerMessageType type, int32_t code, const AnsiString& msg) {
        EXPECT_EQ(code, 0);
        got.push_back({type, msg});
    });
    S().SetConnected(true);
    ASSERT_EQ(Exec(S(), "MESSAGE 'plain' TYPE INFO TO CLIENT"), 0);
    ASSERT_EQ(Exec(S(), "MESSAGE 'careful' TYPE WARNING TO CLIENT"), 0);
    ASSERT_EQ(Exec(S(), "MESSAGE 'do it' TYPE ACTION TO CLIENT"), 0);
    ASSERT_EQ(Exec(S(), "MESSAGE 'half way' TYPE STATUS TO CLIENT"), 0);
    std::string text(40000, 'x');
    for (size_t i = 0; i < text.size(); i += 7)
        text[i] = static_cast<char>('a' + i % 26);
    ASSERT_EQ(Exec(S(), "MESSAGE '" + text + "' TO CLIENT"), 0);
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0].Type, smtInfo);
    EXPECT_EQ(got[0].Msg, "plain");
    EXPECT_EQ(got[1].Type, smtWarning);
    EXPECT_EQ(got[1].Msg, "careful");
    EXPECT_EQ(got[2].Type, smtAction);
    EXPECT_EQ(got[3].Type, smtStatus);
    EXPECT_EQ(got[3].Msg, "half way");
    EXPECT_EQ(got[4].Msg, text.substr(0, 32766)) << "a long text arrives as its first 32,766 characters";
}

TEST_P(AsaCallbacks, StoppingTheEngineFiresConnectionDropped) {
    int dropped = 0;
    S().SetOnConnectionDropped([&](vcl::TObject* sender) {
        EXPECT_EQ(sender, &S());
        ++dropped;
    });
    S().SetConnected(true);
    StopEngineElsewhere();
    if (HasFatalFailure()) return;
    EXPECT_EQ(dropped, 1);
    EXPECT_TRUE(S().GetConnected()) << "the session learns it on its next call";
    EXPECT_EQ(Exec(S(), "select 1"), -308);
    S().Check(false);
    EXPECT_FALSE(S().GetConnected());
}

TEST_P(AsaCallbacks, AHandlerThatRaisesReachesTheApplicationAndTheRequestCompletes) {
    std::vector<std::string> handled;
    vcl::Application->SetOnException([&](vcl::TObject* sender, const vcl::Exception& e) {
        EXPECT_EQ(sender, &S());
        handled.push_back(e.Message());
    });
    S().SetOnServerStart([](vcl::TObject*) { throw vcl::Exception("start handler failed"); });
    S().SetConnected(true);
    EXPECT_EQ(QueryInt(S(), "select 9"), 9);
    vcl::Application->SetOnException(nullptr);
    ASSERT_FALSE(handled.empty());
    EXPECT_EQ(handled[0], "start handler failed");
}

TEST_P(AsaCallbacks, NoEventFiresWhileTheSessionIsDestroyed) {
    std::vector<std::string> events;
    S().SetOnServerStart([&](vcl::TObject*) { events.push_back("start"); });
    S().SetOnServerFinish([&](vcl::TObject*) { events.push_back("finish"); });
    S().SetBeforeDisconnect([&](vcl::TObject*) { events.push_back("before"); });
    S().SetAfterDisconnect([&](vcl::TObject*) { events.push_back("after"); });
    S().SetConnected(true);
    events.clear();
    auto keeper = Another(); // holds the library (and its call record) past the destruction
    keeper->GetLibraryVersion();
    auto probe = Instrument();
    probe.Record(true);
    FSession.reset(); // commits (a request) and disconnects while being destroyed
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(probe.Lines().front(), "dbpp_commit(0)");
}

TEST_P(AsaCallbacks, LocateServersListsRunningEnginesUntilAHandlerAborts) {
    // Without a handler the library is not asked.
    S().GetLibraryVersion();
    auto probe = Instrument();
    probe.Record(true);
    EXPECT_FALSE(S().LocateServers());
    EXPECT_TRUE(Calls(probe, "db_locate_servers").empty());

    S().SetConnected(true); // this test's engine runs
    std::vector<std::string> names;
    int abortAfter = 0;
    S().SetOnLocateServers(
        [&](vcl::TObject*, const AnsiString& name, const AnsiString& address, int32_t port, bool& abort) {
            names.push_back(name);
            EXPECT_EQ(address, "127.0.0.1");
            EXPECT_GE(port, 2638);
            abort = static_cast<int>(names.size()) == abortAfter;
        });
    EXPECT_TRUE(S().LocateServers()) << S().GetLastError();
    EXPECT_NE(std::find(names.begin(), names.end(), Engine), names.end());
    const std::size_t all = names.size();

    names.clear();
    abortAfter = 1;
    EXPECT_TRUE(S().LocateServers());
    EXPECT_EQ(names.size(), 1u) << "the search stops after the server whose handler aborted";
    EXPECT_LE(names.size(), all);
}

INSTANTIATE_TEST_SUITE_P(Generations, AsaCallbacks, ::testing::ValuesIn(CurrentGenerations()),
                         GenerationName);

TEST(AsaLocateOlder, ALibraryWithoutLocateIsNotAsked) {
    auto s = NewSession("libdblib4.so");
    s->SetOnLocateServers([](vcl::TObject*, const AnsiString&, const AnsiString&, int32_t, bool&) {
        ADD_FAILURE() << "no server can be found without the entry point";
    });
    EXPECT_FALSE(s->LocateServers());
    EXPECT_TRUE(s->GetLibraryLoaded()) << "the library is loaded to find out";
}
