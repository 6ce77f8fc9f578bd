// SearchPathA: the order of the default search, the "*.dll" mapping and the buffer protocol.
#include "platform/win/SearchPath.h"
#include "WinTestSupport.h"
#include "platform/win/LastError.h"

#include <gtest/gtest.h>
#include <string>

using namespace win;

namespace {

class SearchPathTest : public ::testing::Test {
protected:
    // Finds name with the default search; empty when not found.
    static std::string Search(const char* name, const char* extension = nullptr) {
        char buffer[MAX_PATH];
        LPSTR filePart = nullptr;
        DWORD n = SearchPathA(nullptr, name, extension, MAX_PATH, buffer, &filePart);
        if (n == 0 || n >= MAX_PATH) return {};
        EXPECT_EQ(std::string(filePart), std::string(buffer).substr(std::string(buffer).rfind('/') + 1));
        return std::string(buffer, n);
    }

    tnxtest::TempDir FDir;
    wintest::CwdGuard FCwd;
};

} // namespace

TEST_F(SearchPathTest, ExecutableFolderComesBeforeTheCurrentDirectory) {
    std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string exeName = exe.substr(exe.rfind('/') + 1);
    wintest::Touch(FDir.File(exeName));
    std::filesystem::current_path(FDir.Path());
    EXPECT_EQ(Search(exeName.c_str()), exe);
}

TEST_F(SearchPathTest, CurrentDirectoryThenLdLibraryPathThenPath) {
    std::string a = FDir.File("a"), b = FDir.File("b"), c = FDir.File("c"), cwd = FDir.File("cwd");
    wintest::Touch(b + "/tnxwin_target.so");
    wintest::Touch(c + "/tnxwin_target.so");
    wintest::Touch(c + "/tnxwin_onpath.so");
    std::filesystem::create_directories(a);
    std::filesystem::create_directories(cwd);
    std::filesystem::current_path(cwd);

    wintest::EnvGuard ld("LD_LIBRARY_PATH", a + ":" + b);
    wintest::EnvGuard path("PATH", c);
    EXPECT_EQ(Search("tnxwin_target.so"), b + "/tnxwin_target.so");
    EXPECT_EQ(Search("tnxwin_onpath.so"), c + "/tnxwin_onpath.so");

    wintest::Touch(cwd + "/tnxwin_target.so");
    EXPECT_EQ(Search("tnxwin_target.so"), cwd + "/tnxwin_target.so");
}

TEST_F(SearchPathTest, DllNameIsLookedUpAsLibSoAfterTheNameAsGiven) {
    wintest::Touch(FDir.File("libdblibx.so"));
    std::filesystem::current_path(FDir.Path());
    EXPECT_EQ(Search("dblibx.dll"), FDir.File("libdblibx.so"));

    // A "*.dll" file anywhere in the order wins over a "lib*.so" earlier in it.
    std::string later = FDir.File("later");
    wintest::Touch(later + "/dblibx.dll");
    wintest::EnvGuard ld("LD_LIBRARY_PATH", later);
    EXPECT_EQ(Search("dblibx.dll"), later + "/dblibx.dll");
}

TEST_F(SearchPathTest, SystemLibraryFoldersAreSearched) {
    // The C library lives in one of the standard folders on every supported system.
    wintest::EnvGuard ld("LD_LIBRARY_PATH", std::nullopt);
    wintest::EnvGuard path("PATH", std::nullopt);
    std::string found = Search("libc.so.6");
    ASSERT_FALSE(found.empty());
    EXPECT_TRUE(found.rfind("/lib/", 0) == 0 || found.rfind("/usr/lib/", 0) == 0 ||
                found.rfind("/lib64/", 0) == 0 || found.rfind("/usr/lib64/", 0) == 0)
        << found;
}

TEST_F(SearchPathTest, BufferTooSmallReturnsTheSizeNeeded) {
    wintest::Touch(FDir.File("tnxwin_sized.so"));
    std::string full = FDir.File("tnxwin_sized.so");
    std::filesystem::current_path(FDir.Path());

    char tiny[4] = {'x', 'x', 'x', '\0'};
    EXPECT_EQ(SearchPathA(nullptr, "tnxwin_sized.so", nullptr, sizeof tiny, tiny, nullptr), full.size() + 1);
    EXPECT_STREQ(tiny, "xxx"); // untouched
    EXPECT_EQ(SearchPathA(nullptr, "tnxwin_sized.so", nullptr, 0, nullptr, nullptr), full.size() + 1);

    std::string exact(full.size() + 1, '\0');
    EXPECT_EQ(SearchPathA(nullptr, "tnxwin_sized.so", nullptr, static_cast<DWORD>(exact.size()), exact.data(),
                          nullptr),
              full.size());
    EXPECT_EQ(exact.c_str(), full);
}

TEST_F(SearchPathTest, ExplicitPathExtensionAndNotFound) {
    std::string one = FDir.File("one"), two = FDir.File("two");
    wintest::Touch(two + "/data.db");
    std::filesystem::create_directories(one);
    char buffer[MAX_PATH];
    std::string list = one + ";" + two;
    DWORD n = SearchPathA(list.c_str(), "data", ".db", MAX_PATH, buffer, nullptr);
    EXPECT_EQ(std::string(buffer, n), two + "/data.db");
    // The extension is only added to a name without one.
    EXPECT_EQ(SearchPathA(list.c_str(), "data.x", ".db", MAX_PATH, buffer, nullptr), 0u);

    // A name with a folder part (either delimiter) is checked where it says, not searched for.
    std::filesystem::current_path(FDir.Path());
    n = SearchPathA(nullptr, "two\\data.db", nullptr, MAX_PATH, buffer, nullptr);
    EXPECT_EQ(std::string(buffer, n), two + "/data.db");

    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(SearchPathA(nullptr, "tnxwin_nowhere.dll", nullptr, MAX_PATH, buffer, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(SystemErrorMessage(GetLastError()).find("libtnxwin_nowhere.so"), std::string::npos);
    EXPECT_EQ(SearchPathA(nullptr, "", nullptr, MAX_PATH, buffer, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(SearchPathTest, FoldersAreNotFound) {
    std::filesystem::create_directories(FDir.File("adir"));
    std::filesystem::current_path(FDir.Path());
    EXPECT_EQ(Search("adir"), "");
}
