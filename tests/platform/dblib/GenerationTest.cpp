// The builds of the library: version checks, the exports each generation has, and the legacy
// call descriptor that generations before 7 check.
#include "DbLibFixture.h"

#include "platform/win/VersionInfo.h"

#include <sys/mman.h>
#include <vector>

using namespace dbtest;

namespace {

// A database and a connected client on the given build.
struct GenSetup {
    explicit GenSetup(const std::string& file) : lib(file), client(lib) {
        std::string db = CreateDatabase(lib, dir.File("g.db"));
        EXPECT_EQ(client.Connect(ConnectString(tnxtest::UniqueName("gen"), db)), 0) << client.Message();
    }
    tnxtest::TempDir dir;
    DbLib lib;
    Client client;
};

} // namespace

TEST(GenerationTest, VersionChecksAndExportsOfEachBuild) {
    DbLib seven("libdblib7.so"), six("libdblib6.so"), five("libdblib5.so"), four("libdblib4.so");
    ASSERT_TRUE(seven.db_version_check && six.db_version_check && five.db_version_check);
    EXPECT_NE(seven.db_version_check(7), 0);
    EXPECT_NE(seven.db_version_check(6), 0);
    EXPECT_EQ(seven.db_version_check(8), 0);
    EXPECT_NE(six.db_version_check(6), 0);
    EXPECT_EQ(six.db_version_check(7), 0);
    EXPECT_EQ(five.db_version_check(6), 0);
    EXPECT_EQ(five.db_version_check(7), 0);
    EXPECT_EQ(four.db_version_check, nullptr);
    EXPECT_EQ(four.Symbol("db_string_ping_server"), nullptr);
    EXPECT_EQ(four.Symbol("db_locate_servers"), nullptr);
    // Nothing but the entry points is visible.
    EXPECT_EQ(seven.Symbol("_ZN5tnxdb6Server8InstanceEv"), nullptr);
}

TEST(GenerationTest, OlderBuildsExpectDescriptorVersionFour) {
    for (const char* file : {"libdblib5.so", "libdblib4.so"}) {
        SCOPED_TRACE(file);
        GenSetup s(file);
        EXPECT_EQ(s.client.QueryText("select 1 + 1"), "2") << s.client.Message();
        s.lib.DescriptorVersion = 6;
        EXPECT_EQ(s.client.Exec("select 1"), DBLIB_E_DESCRIPTOR);
    }
}

TEST(GenerationTest, GenerationSixChecksItsDescriptor) {
    GenSetup s("libdblib6.so");
    Client& c = s.client;
    EXPECT_EQ(c.Exec("select 1"), 0);

    // The descriptor's SQLCA field may point anywhere: one descriptor serves every client.
    sqlca* other = nullptr;
    s.lib.DescriptorRecord.sqlca_field = &other;
    EXPECT_EQ(c.Exec("select 1"), 0);

    s.lib.Descriptor = nullptr;
    EXPECT_EQ(c.Exec("select 1"), DBLIB_E_DESCRIPTOR);
    EXPECT_NE(c.Message().find("descriptor"), std::string::npos) << c.Message();

    s.lib.Descriptor = &s.lib.DescriptorRecord;
    s.lib.DescriptorVersion = 7;
    EXPECT_EQ(c.Exec("select 1"), DBLIB_E_DESCRIPTOR);
    EXPECT_NE(c.Message().find("7.7"), std::string::npos) << c.Message();
    s.lib.DescriptorVersion = 6;
    uint16_t seven = 7;
    s.lib.DescriptorRecord.version2 = &seven;
    EXPECT_EQ(c.Exec("select 1"), DBLIB_E_DESCRIPTOR);
    s.lib.DescriptorRecord.version2 = nullptr;
    EXPECT_EQ(c.Exec("select 1"), DBLIB_E_DESCRIPTOR);

    // Pointers into memory that cannot be read are refused, not followed into a crash.
    void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(page, MAP_FAILED);
    s.lib.DescriptorRecord.version2 = static_cast<const uint16_t*>(page);
    EXPECT_EQ(c.Exec("select 1"), DBLIB_E_DESCRIPTOR);
    s.lib.Descriptor = page;
    EXPECT_EQ(c.Exec("select 1"), DBLIB_E_DESCRIPTOR);
    munmap(page, 4096);

    // A failed check does nothing else: the connection is intact.
    s.lib.Descriptor = &s.lib.DescriptorRecord;
    s.lib.DescriptorRecord.version2 = &s.lib.DescriptorVersion;
    EXPECT_EQ(c.Exec("select 1"), 0);
}

TEST(GenerationTest, EachBuildCarriesItsProductVersion) {
    struct Case {
        const char* File;
        const char* Version;
    };
    for (const Case& k : {Case{"libdblib7.so", "7.0.4.3300"}, Case{"libdblib6.so", "6.0.3.2345"},
                          Case{"libdblib5.so", "5.5.0.1800"}, Case{"libdblib4.so", "4.0.0.1200"}}) {
        SCOPED_TRACE(k.File);
        std::string path = tnxtest::BuildLibDir() + "/" + k.File;
        win::DWORD size = win::GetFileVersionInfoSizeA(path.c_str(), nullptr);
        ASSERT_GT(size, 0u);
        std::vector<char> block(size);
        ASSERT_TRUE(win::GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
        void* value = nullptr;
        win::UINT len = 0;
        ASSERT_TRUE(win::VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\ProductVersion", &value, &len));
        EXPECT_STREQ(static_cast<const char*>(value), k.Version);
    }
}
