// Loading the client library: one load shared by every session, the folder search and the current
// directory, the two failure messages, generation detection and the legacy call descriptor,
// entry points the library lacks, a refused initialisation, and the statement-number pool.
#include "AsaTestSupport.h"

#include "platform/win/Library.h"
#include "platform/win/Process.h"
#include "platform/win/SearchPath.h"

#include <filesystem>
#include <string>

using namespace tnx;
using namespace asatest;

namespace {

bool AllEntryPointsNull() {
    for (const char* name : AsaEntryPointNames())
        if (AsaEntryPointAddress(name) != nullptr) return false;
    return true;
}

// Copies a library build to a folder under another file name.
std::string CopyLibrary(const std::string& file, const std::string& folder, const std::string& name) {
    const std::string target = folder + "/" + name;
    std::filesystem::copy_file(LibPath(file), target, std::filesystem::copy_options::overwrite_existing);
    return target;
}

} // namespace

TEST(AsaLibrary, TwoSessionsShareOneLoadAndTheLastOneUnloadsIt) {
    ASSERT_EQ(AsaLibrary.LibraryHandle, nullptr);
    auto first = NewSession("libdblib7.so");
    auto second = NewSession("libdblib7.so");
    EXPECT_EQ(second->GetLibraryVersion(), "7.0.4.3300");
    const win::HMODULE handle = AsaLibrary.LibraryHandle;
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(AsaLibrary.LibraryReferenceCount, 1);
    EXPECT_EQ(first->GetLibraryVersion(), "7.0.4.3300");
    EXPECT_EQ(AsaLibrary.LibraryHandle, handle) << "loaded once";
    // The descriptor names the session that initialised its SQLCA last.
    ASSERT_NE(AsaLibrary.LegacyCallDescriptor.sqlca_field, nullptr);
    EXPECT_EQ(*static_cast<sqlca**>(AsaLibrary.LegacyCallDescriptor.sqlca_field), first->GetSqlca());
    EXPECT_EQ(AsaLibrary.LibraryReferenceCount, 2);
    EXPECT_TRUE(first->GetLibraryLoaded());
    EXPECT_TRUE(second->GetLibraryLoaded());
    EXPECT_EQ(first->GetSqlca()->sqlcabc, 136);
    EXPECT_STREQ(reinterpret_cast<const char*>(first->GetSqlca()->sqlcaid), "SQLCA");

    first.reset();
    EXPECT_EQ(AsaLibrary.LibraryHandle, handle) << "the second session still holds it";
    EXPECT_EQ(AsaLibrary.LibraryReferenceCount, 1);
    EXPECT_NE(AsaEntryPointAddress("db_init"), nullptr);
    EXPECT_EQ(AsaLibrary.LegacyCallDescriptor.sqlca_field, nullptr)
        << "the descriptor forgets a session that finalised its SQLCA";

    second.reset();
    EXPECT_EQ(AsaLibrary.LibraryHandle, nullptr);
    EXPECT_EQ(AsaLibrary.LibraryReferenceCount, 0);
    EXPECT_TRUE(AllEntryPointsNull());
    EXPECT_EQ(AsaEntryPointNames().size(), 43u);
    EXPECT_STREQ(AsaEntryPointNames().front(), "dbpp_commit");
    EXPECT_STREQ(AsaEntryPointNames().back(), "db_locate_servers");
}

TEST(AsaLibrary, LibraryPathGetsATrailingDelimiterAndTheCurrentDirectoryComesBack) {
    const std::string before = CurrentDirectory();
    auto session = NewSession("libdblib6.so");
    session->SetLibraryPath("  " + LibDir() + "  ");
    session->GetLibraryVersion();
    EXPECT_EQ(session->GetLibraryDirectory(), LibDir() + "/");
    EXPECT_EQ(CurrentDirectory(), before);
}

TEST(AsaLibrary, WithoutLibraryPathTheSearchFindsTheFolder) {
    // The platform's search looks in the current directory among other places.
    tnxtest::TempDir dir;
    CopyLibrary("libdblib6.so", dir.Path(), "libsearched.so");
    const std::string before = CurrentDirectory();
    ASSERT_TRUE(win::SetCurrentDirectoryA(dir.Path().c_str()));
    {
        auto session = NewSession("libsearched.so");
        session->SetLibraryPath("");
        EXPECT_EQ(session->GetLibraryVersion(), "6.0.3.2345");
        EXPECT_EQ(session->GetLibraryDirectory(), std::filesystem::canonical(dir.Path()).string() + "/");
    }
    win::SetCurrentDirectoryA(before.c_str());
}

TEST(AsaLibrary, WithoutLibraryPathOrSearchResultTheLoaderDecides) {
    if (win::SearchFile(nullptr, "libdblib7.so"))
        GTEST_SKIP() << "the build's library folder is on the search path";
    auto session = NewSession("libdblib7.so");
    session->SetLibraryPath("");
    const std::string before = CurrentDirectory();
    EXPECT_EQ(session->GetLibraryVersion(), "7.0.4.3300") << "found by the loader's own search (run path)";
    EXPECT_EQ(session->GetLibraryDirectory(), "");
    EXPECT_EQ(CurrentDirectory(), before);
}

TEST(AsaLibrary, AMissingLibraryOrFolderGivesItsMessageWithTheSystemsText) {
    tnxtest::TempDir dir;
    const std::string before = CurrentDirectory();
    {
        auto session = NewSession("tnx_no_such_library.dll");
        session->SetLibraryPath(dir.Path());
        try {
            session->GetLibraryVersion();
            FAIL() << "loaded a library that does not exist";
        } catch (const EAsaException& e) {
            const std::string prefix =
                "Could not load the Database Interface library. (tnx_no_such_library.dll,";
            const std::string text = e.what();
            EXPECT_EQ(text.substr(0, prefix.size()), prefix) << text;
            EXPECT_GT(text.size(), prefix.size() + 1) << "the system's reason follows";
            EXPECT_EQ(text.back(), ')');
            EXPECT_EQ(e.ErrorCode(), 0);
            EXPECT_EQ(session->GetLastError(), text);
        }
        EXPECT_FALSE(session->GetLibraryLoaded());
        EXPECT_EQ(AsaLibrary.LibraryReferenceCount, 0);
        EXPECT_EQ(AsaLibrary.LibraryHandle, nullptr);
        EXPECT_EQ(CurrentDirectory(), before);
    }
    {
        auto session = NewSession("libdblib7.so");
        session->SetLibraryPath(dir.Path() + "/missing\\");
        try {
            session->GetLibraryVersion();
            FAIL() << "made a missing folder current";
        } catch (const EAsaException& e) {
            const std::string prefix = "Could not find database library path. (" + dir.Path() + "/missing\\,";
            const std::string text = e.what();
            EXPECT_EQ(text.substr(0, prefix.size()), prefix) << text;
            EXPECT_GT(text.size(), prefix.size() + 1);
            EXPECT_EQ(e.ErrorCode(), 0);
        }
        EXPECT_EQ(AsaLibrary.LibraryHandle, nullptr);
        EXPECT_EQ(CurrentDirectory(), before);
    }
}

struct GenerationCase {
    const char* File;
    TAsaLibraryGeneration Generation;
    uint16_t Version;
    bool Optional; // ping, version check and locate present
};

class AsaGeneration : public ::testing::TestWithParam<GenerationCase> {};

TEST_P(AsaGeneration, IsDetectedAndTheDescriptorCarriesItsVersion) {
    const GenerationCase& c = GetParam();
    auto session = NewSession(c.File);
    session->GetLibraryVersion();
    EXPECT_EQ(AsaLibrary.Generation, c.Generation);
    const dblib_call_descriptor& d = AsaLibrary.LegacyCallDescriptor;
    ASSERT_NE(d.version, nullptr);
    EXPECT_EQ(*d.version, c.Version);
    EXPECT_EQ(*d.version2, c.Version);
    ASSERT_NE(d.sqlca_field, nullptr);
    EXPECT_EQ(*static_cast<sqlca**>(d.sqlca_field), session->GetSqlca());
    for (const char* name : {"db_string_ping_server", "db_version_check", "db_locate_servers"})
        EXPECT_EQ(AsaEntryPointAddress(name) != nullptr, c.Optional) << name;
    // Bound to the library's own function where it has one, to the raising stand-in elsewhere.
    for (const char* name : AsaEntryPointNames()) {
        void* own = reinterpret_cast<void*>(win::GetProcAddress(AsaLibrary.LibraryHandle, name));
        if (own != nullptr) {
            EXPECT_EQ(AsaEntryPointAddress(name), own) << name;
        } else if (AsaEntryPointAddress(name) != nullptr) {
            EXPECT_TRUE(AsaEntryPointMissing(name)) << name;
        }
    }

    // A dbpp_* call reaches the library in the form of its generation: a descriptor mismatch
    // would answer -88, a missing connection answers -101.
    session->Dbpp(AsaLibrary.Procs.dbpp_commit, 0u);
    EXPECT_EQ(session->GetSqlca()->sqlcode, -101);
}

INSTANTIATE_TEST_SUITE_P(Builds, AsaGeneration,
                         ::testing::Values(GenerationCase{"libdblib7.so", lgVersion7, 7, true},
                                           GenerationCase{"libdblib6.so", lgVersion6, 6, true},
                                           GenerationCase{"libdblib5.so", lgOlder, 4, true},
                                           GenerationCase{"libdblib4.so", lgNoCheck, 4, false}),
                         [](const auto& info) { return std::string(info.param.File).substr(3, 6); });

TEST(AsaLibrary, GenerationSevenNeedsBothTheVersionCheckAndTheFileName) {
    tnxtest::TempDir dir;
    {
        // Named like generation 7, but the library answers no to 7.
        CopyLibrary("libdblib6.so", dir.Path(), "libdblib7renamed.so");
        auto session = NewSession("libdblib7renamed.so");
        session->SetLibraryPath(dir.Path());
        session->GetLibraryVersion();
        EXPECT_EQ(AsaLibrary.Generation, lgVersion6);
    }
    {
        // Answers yes to 7, but the name lacks it: tested for 6 next.
        CopyLibrary("libdblib7.so", dir.Path(), "libclient.so");
        auto session = NewSession("libclient.so");
        session->SetLibraryPath(dir.Path());
        session->GetLibraryVersion();
        EXPECT_EQ(AsaLibrary.Generation, lgVersion6);
    }
    {
        auto session = NewSession("LIBDBLIB7.so"); // letter case of the name does not matter
        CopyLibrary("libdblib7.so", dir.Path(), "LIBDBLIB7.so");
        session->SetLibraryPath(dir.Path());
        session->GetLibraryVersion();
        EXPECT_EQ(AsaLibrary.Generation, lgVersion7);
    }
}

TEST(AsaLibrary, DefaultFileNameMapsToTheGenerationSixBuild) {
    auto session = vcl::New<TAsaSession>();
    EXPECT_EQ(session->GetLibraryFile(), "dblib6.dll");
    session->SetLibraryPath(LibDir());
    EXPECT_EQ(session->GetLibraryVersion(), "6.0.3.2345");
    EXPECT_EQ(AsaLibrary.Generation, lgVersion6);
}

TEST(AsaLibrary, AMissingEntryPointFailsOnlyWhenCalled) {
    auto session = NewSession("libtnxasa_partial.so");
    session->SetLibraryPath(TNX_ASA_PARTIAL_DIR);
    ASSERT_NO_THROW(session->GetLibraryVersion()) << "loading and initialising need only db_init";
    EXPECT_TRUE(session->GetLibraryLoaded());
    EXPECT_EQ(AsaLibrary.Generation, lgNoCheck);
    EXPECT_FALSE(AsaEntryPointMissing("db_init"));
    EXPECT_TRUE(AsaEntryPointMissing("db_backup"));
    EXPECT_TRUE(AsaEntryPointMissing("dbpp_commit"));
    EXPECT_EQ(AsaEntryPointAddress("db_version_check"), nullptr) << "optional entry points stay null";
    EXPECT_EQ(AsaEntryPointAddress("db_locate_servers"), nullptr);

    const std::string message = "Function not supported by this version of the Database Interface library.";
    try {
        AnsiString value;
        session->GetConnectionInfo(ciEngineName, value);
        FAIL() << "called an entry point the library lacks";
    } catch (const ECorvexException& e) {
        EXPECT_EQ(e.what(), message);
        EXPECT_EQ(e.ErrorCode(), 0);
    }
    EXPECT_THROW(session->Commit(), ECorvexException) << "dbpp_* stand-ins raise in both forms";
    // Without the optional entry point, locating servers is simply not possible.
    session->SetOnLocateServers([](vcl::TObject*, const AnsiString&, const AnsiString&, int32_t, bool&) {});
    EXPECT_FALSE(session->LocateServers());
}

TEST(AsaLibrary, RefusedInitialisationRaisesAndKeepsTheReference) {
    {
        auto session = NewSession("libtnxasa_noinit.so");
        session->SetLibraryPath(TNX_ASA_PARTIAL_DIR);
        try {
            session->GetLibraryVersion();
            FAIL() << "db_init answered 0";
        } catch (const EAsaException& e) {
            EXPECT_STREQ(e.what(), "Unable to initialize database interface");
            EXPECT_EQ(e.ErrorCode(), 0);
        }
        EXPECT_TRUE(session->GetLibraryLoaded());
        EXPECT_EQ(AsaLibrary.LibraryReferenceCount, 1);
    }
    EXPECT_EQ(AsaLibrary.LibraryReferenceCount, 0) << "destroying the session still releases it";
    EXPECT_EQ(AsaLibrary.LibraryHandle, nullptr);
}

// --- Statement-number pool ----------------------------------------------------------------------

class AsaPool : public ::testing::Test {
protected:
    void SetUp() override { FSaved = AsaLibrary.Generation; }
    void TearDown() override { AsaLibrary.Generation = FSaved; }
    TAsaLibraryGeneration FSaved{};
};

TEST_F(AsaPool, FreedNumbersAreHandedOutAgainInTheOrderTheyWereAdded) {
    AsaLibrary.Generation = lgVersion6;
    TAsaStatementPool pool(32767);
    EXPECT_EQ(pool.Next(), 0);
    pool.Use(5);
    pool.Use(9);
    EXPECT_EQ(pool.Next(), 0) << "both in use";
    pool.Drop(9);
    pool.Drop(5);
    EXPECT_EQ(pool.Next(), 5) << "the earliest added free number first";
    pool.Use(5);
    EXPECT_EQ(pool.Next(), 9);
    pool.Use(9);
    EXPECT_EQ(pool.Next(), 0);
    EXPECT_EQ(pool.Count(), 2) << "a number is recorded once";
    pool.Drop(42); // unknown: ignored
    EXPECT_EQ(pool.Count(), 2);
    EXPECT_EQ(pool.Find(42), nullptr);
    ASSERT_NE(pool.Find(9), nullptr);
    EXPECT_TRUE(pool.Find(9)->InUse);
    pool.Clear();
    EXPECT_EQ(pool.Count(), 0);
    EXPECT_EQ(pool.Next(), 0);
}

TEST_F(AsaPool, OlderGenerationsRecordNothing) {
    for (TAsaLibraryGeneration g : {lgOlder, lgNoCheck}) {
        AsaLibrary.Generation = g;
        TAsaStatementPool pool(16);
        pool.Use(5);
        EXPECT_EQ(pool.Count(), 0);
        pool.Drop(5);
        EXPECT_EQ(pool.Next(), 0);
    }
}
