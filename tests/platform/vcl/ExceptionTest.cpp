// Exceptions and the message table: messages looked up at raise time, overrides keyed by module
// and identifier, bulk replacement, and the hierarchy callers catch by.
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/ResourceStrings.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/VclConsts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <utility>
#include <vector>

using namespace vcl;

namespace {

// Two modules that use the same identifier for different texts, as two packages do.
constexpr TResStringRec SBaseFirst{"TestBase", 65520, "SBaseFirst", "Could not find database library path."};
constexpr TResStringRec SDriverFirst{"TestDriver", 65520, "SDriverFirst", "Driver message %s"};

// Every test leaves the table as it found it.
class MessageTable : public ::testing::Test {
protected:
    void TearDown() override { ClearResourceStringOverrides(); }
};

TEST(Exception, MessageAndWhat) {
    Exception e("plain");
    EXPECT_EQ(e.Message(), "plain");
    EXPECT_STREQ(e.what(), "plain");
    e.SetMessage("changed");
    EXPECT_STREQ(e.what(), "changed");
    EXPECT_STREQ(e.ClassName(), "Exception");

    EConvertError f("'%s' is bad (%d)", {"x", 3});
    EXPECT_EQ(f.Message(), "'x' is bad (3)");
    EXPECT_STREQ(f.ClassName(), "EConvertError");
}

TEST(Exception, HierarchyMatchesTheFramework) {
    auto catches = [](auto thrower, auto tag) {
        using Base = decltype(tag);
        try {
            thrower();
        } catch (const Base&) {
            return true;
        } catch (...) {
        }
        return false;
    };
    EXPECT_TRUE(catches([] { throw EReadError(SReadError); }, EFilerError("")));
    EXPECT_TRUE(catches([] { throw EWriteError(SWriteError); }, EStreamError("")));
    EXPECT_TRUE(catches([] { throw EFOpenError(SFOpenError, {"x"}); }, EStreamError("")));
    EXPECT_TRUE(catches([] { throw EVariantTypeCastError("t"); }, EVariantError("")));
    EXPECT_TRUE(catches([] { throw EDatabaseError("d"); }, Exception("")));
    EXPECT_TRUE(catches([] { throw EAbort("a"); }, std::exception()));
    EXPECT_FALSE(catches([] { throw EConvertError("c"); }, EVariantError("")));

    try {
        Abort();
    } catch (const EAbort& e) {
        EXPECT_EQ(e.Message(), "Operation aborted");
    }
    const Exception& polymorphic = EInvalidCast(SInvalidCast);
    EXPECT_STREQ(polymorphic.ClassName(), "EInvalidCast");
}

TEST_F(MessageTable, DefaultTextsAndFormatting) {
    EXPECT_EQ(LoadResString(SReadError), "Stream read error");
    EXPECT_EQ(EFOpenError(SFOpenError, {"/tmp/x.db"}).Message(), "Cannot open file /tmp/x.db");
    EXPECT_EQ(EFCreateError(SFCreateError, {"y"}).Message(), "Cannot create file y");
    EXPECT_EQ(EAbstractError(SAbstractError).Message(), "Abstract Error");
    EXPECT_EQ(EComponentError(SCannotAssign, {"TFoo", "TBar"}).Message(), "Cannot assign a TFoo to a TBar");
    EXPECT_EQ(EVariantTypeCastError(SVarTypeCastError, {"String", "Integer"}).Message(),
              "Could not convert variant of type (String) into type (Integer)");
    try {
        StrToInt("abc");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'abc' is not a valid integer value");
    }
}

TEST_F(MessageTable, OverridesAreKeyedByModuleAndIdentifier) {
    SetResourceStringOverride("TestDriver", 65520, "Treibermeldung %s");
    EXPECT_EQ(LoadResString(SBaseFirst), "Could not find database library path.");
    EXPECT_EQ(Exception(SDriverFirst, {"x"}).Message(), "Treibermeldung x");

    SetResourceStringOverride("TestBase", 65520, "Bibliothekspfad nicht gefunden.");
    EXPECT_EQ(LoadResString(SBaseFirst), "Bibliothekspfad nicht gefunden.");
    EXPECT_EQ(LoadResString(SDriverFirst), "Treibermeldung %s");

    EXPECT_TRUE(RemoveResourceStringOverride("TestBase", 65520));
    EXPECT_FALSE(RemoveResourceStringOverride("TestBase", 65520));
    EXPECT_EQ(LoadResString(SBaseFirst), "Could not find database library path.");
    EXPECT_EQ(LoadResString(SDriverFirst), "Treibermeldung %s");
}

TEST_F(MessageTable, TextsAreLookedUpWhenRaised) {
    auto raise = [] { throw EReadError(SReadError); };
    try {
        raise();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Stream read error");
    }
    SetResourceStringOverride(VclModule, SReadError.Identifier, "Lesefehler im Datenstrom");
    try {
        raise();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Lesefehler im Datenstrom");
    }
    // The framework's own routines raise through the table too.
    SetResourceStringOverride(VclModule, SInvalidInteger.Identifier, "'%s' ist keine ganze Zahl");
    try {
        StrToInt("x1");
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'x1' ist keine ganze Zahl");
    }
}

TEST_F(MessageTable, BulkReplaceSwitchesTheWholeTranslation) {
    const std::vector<TResStringOverride> first = {{"TestBase", 65520, "first A"},
                                                   {"TestDriver", 65520, "first B %s"}};
    SetResourceStringOverrides(first);
    EXPECT_EQ(LoadResString(SBaseFirst), "first A");

    const std::vector<TResStringOverride> second = {{"TestDriver", 65520, "second B %s"}};
    ReplaceResourceStringOverrides(second);
    EXPECT_EQ(LoadResString(SBaseFirst), "Could not find database library path."); // not in the new set
    EXPECT_EQ(LoadResString(SDriverFirst), "second B %s");

    ClearResourceStringOverrides();
    EXPECT_EQ(LoadResString(SDriverFirst), "Driver message %s");
}

TEST_F(MessageTable, ABrokenTranslationFallsBackToTheDefaultText) {
    SetResourceStringOverride("TestDriver", 65520, "needs a number %d");
    EXPECT_EQ(Exception(SDriverFirst, {"text"}).Message(), "Driver message text");
    // A broken default text is a programming error and still raises.
    constexpr TResStringRec broken{"TestDriver", 1, "broken", "%d"};
    EXPECT_THROW(Exception(broken, {"text"}), EConvertError);
}

TEST_F(MessageTable, ConcurrentLookupsSeeOldOrNewTextOnly) {
    std::vector<std::thread> readers;
    std::atomic<bool> bad{false};
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                const AnsiString s = LoadResString(SBaseFirst);
                if (s != "Could not find database library path." && s != "one" && s != "two") bad = true;
            }
        });
    }
    for (int i = 0; i < 500; ++i) {
        SetResourceStringOverride("TestBase", 65520, i % 2 ? "one" : "two");
        if (i % 7 == 0) ClearResourceStringOverrides();
    }
    for (auto& r : readers)
        r.join();
    EXPECT_FALSE(bad);
}

TEST(VclMessages, IdentifiersAreUniqueWithinTheModule) {
    std::set<std::int32_t> ids;
    std::set<std::string> names;
    for (const TResStringRec* r : VclResourceStrings()) {
        EXPECT_STREQ(r->Module, "vcl");
        EXPECT_TRUE(ids.insert(r->Identifier).second) << r->Name;
        EXPECT_TRUE(names.insert(r->Name).second) << r->Name;
        EXPECT_NE(r->DefaultText[0], '\0') << r->Name;
    }
    EXPECT_GE(ids.size(), 40u);
}

} // namespace
