// LoadLibraryA, GetProcAddress, FreeLibrary and GetModuleFileNameA: where libraries are found and
// what a failure reports.
#include "platform/win/Library.h"
#include "WinTestSupport.h"
#include "platform/win/LastError.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

using namespace win;

namespace {

// Calls the probe's entry point: 1 for the copy in the build folder, 2 for the alternative build.
int ProbeId(HMODULE module) {
    FARPROC proc = GetProcAddress(module, "tnxwin_probe_id");
    if (proc == nullptr) return -1;
    return reinterpret_cast<int (*)()>(proc)();
}

std::string ModulePath(HMODULE module) {
    char buffer[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(module, buffer, sizeof buffer);
    return std::string(buffer, n);
}

class LibraryTest : public ::testing::Test {
protected:
    tnxtest::TempDir FDir;
    wintest::CwdGuard FCwd;
};

} // namespace

TEST_F(LibraryTest, BareNameIsFoundInTheCurrentDirectoryBeforeTheSystemSearch) {
    // The system search finds the build folder's copy (id 1) ...
    HMODULE system = LoadLibraryA("libtnxwinprobe.so");
    ASSERT_NE(system, nullptr) << SystemErrorMessage(GetLastError());
    EXPECT_EQ(ProbeId(system), 1);
    EXPECT_GE(reinterpret_cast<std::uintptr_t>(system), 32u);
    EXPECT_TRUE(FreeLibrary(system));

    // ... until a file of the same name sits in the current directory.
    wintest::CopyFile(wintest::ProbeLib("tnxwinprobe_alt"), FDir.File("libtnxwinprobe.so"));
    std::filesystem::current_path(FDir.Path());
    HMODULE local = LoadLibraryA("libtnxwinprobe.so");
    ASSERT_NE(local, nullptr) << SystemErrorMessage(GetLastError());
    EXPECT_EQ(ProbeId(local), 2);
    EXPECT_EQ(ModulePath(local), FDir.File("libtnxwinprobe.so"));
    EXPECT_TRUE(FreeLibrary(local));
}

TEST_F(LibraryTest, DllNameFallsBackToLibSo) {
    // Through the system search ...
    HMODULE module = LoadLibraryA("tnxwinprobe.dll");
    ASSERT_NE(module, nullptr) << SystemErrorMessage(GetLastError());
    EXPECT_EQ(ProbeId(module), 1);
    EXPECT_TRUE(FreeLibrary(module));

    // ... in the current directory, with the extension in any case ...
    wintest::CopyFile(wintest::ProbeLib("tnxwinprobe_alt"), FDir.File("libtnxwinprobe.so"));
    std::filesystem::current_path(FDir.Path());
    module = LoadLibraryA("TNXWINPROBE.DLL");
    // The stem keeps its case, so "libTNXWINPROBE.so" does not exist: not found.
    EXPECT_EQ(module, nullptr);
    module = LoadLibraryA("tnxwinprobe.DLL");
    ASSERT_NE(module, nullptr) << SystemErrorMessage(GetLastError());
    EXPECT_EQ(ProbeId(module), 2);
    EXPECT_TRUE(FreeLibrary(module));

    // ... and inside a path written with backslashes.
    std::string windowsPath = FDir.Path() + "\\tnxwinprobe.dll";
    module = LoadLibraryA(windowsPath.c_str());
    ASSERT_NE(module, nullptr) << SystemErrorMessage(GetLastError());
    EXPECT_EQ(ProbeId(module), 2);
    EXPECT_TRUE(FreeLibrary(module));

    // A file really named "*.dll" is taken as it is, before the mapping.
    wintest::CopyFile(wintest::ProbeLib("tnxwinprobe"), FDir.File("tnxwinprobe.dll"));
    module = LoadLibraryA("tnxwinprobe.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(ProbeId(module), 1);
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(LibraryTest, MissingLibrarySetsTheLastErrorWithTheLoadersText) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LoadLibraryA("tnxwin_no_such_library.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    std::string message = SystemErrorMessage(GetLastError());
    EXPECT_NE(message.find("libtnxwin_no_such_library.so"), std::string::npos) << message;

    EXPECT_EQ(LoadLibraryA((FDir.Path() + "/absent.so").c_str()), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);

    EXPECT_EQ(LoadLibraryA(""), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
}

TEST_F(LibraryTest, AFileThatIsNotALibraryStopsTheSearch) {
    // A damaged copy in the current directory is an error, not a reason to take the system's copy.
    wintest::Touch(FDir.File("libtnxwinprobe.so"));
    std::filesystem::current_path(FDir.Path());
    EXPECT_EQ(LoadLibraryA("libtnxwinprobe.so"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
    EXPECT_FALSE(SystemErrorMessage(GetLastError()).empty());
}

TEST_F(LibraryTest, EntryPointsAndHandles) {
    HMODULE module = LoadLibraryA("libtnxwinprobe.so");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetProcAddress(module, "tnxwin_no_such_entry"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_NE(SystemErrorMessage(GetLastError()).find("tnxwin_no_such_entry"), std::string::npos);
    EXPECT_EQ(GetProcAddress(module, nullptr), nullptr);

    // Loads are counted: the handle stays usable until the last FreeLibrary.
    HMODULE again = LoadLibraryA("libtnxwinprobe.so");
    EXPECT_EQ(again, module);
    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_EQ(ProbeId(module), 1);
    EXPECT_EQ(ModulePath(module), wintest::ProbeLib("tnxwinprobe"));
    EXPECT_TRUE(FreeLibrary(module));

    // A handle no longer (or never) handed out is refused, not passed to the loader.
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    int notALibrary = 0;
    HMODULE bogus = reinterpret_cast<HMODULE>(&notALibrary);
    EXPECT_FALSE(FreeLibrary(bogus));
    EXPECT_EQ(GetProcAddress(bogus, "tnxwin_probe_id"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FreeLibrary(nullptr));
}

TEST_F(LibraryTest, ModuleFileNameOfTheProgramAndTruncation) {
    std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(ModulePath(nullptr), exe);

    char small[8];
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), sizeof small);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(small), exe.substr(0, sizeof small - 1));
}
