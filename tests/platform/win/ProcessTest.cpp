// Current directory, last error (per thread, with the system's text), FormatMessageA, Sleep and
// VirtualAlloc.
#include "platform/win/Process.h"
#include "WinTestSupport.h"
#include "platform/win/LastError.h"
#include "platform/win/Memory.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <thread>

using namespace win;

namespace {

std::string CurrentDirectory() {
    char buffer[MAX_PATH * 4];
    DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
    return std::string(buffer, n);
}

} // namespace

TEST(CurrentDirectory, RoundTripWithEitherDelimiter) {
    tnxtest::TempDir dir;
    wintest::CwdGuard guard;
    std::filesystem::create_directories(dir.File("sub/inner"));

    ASSERT_TRUE(SetCurrentDirectoryA(dir.Path().c_str()));
    EXPECT_EQ(CurrentDirectory(), dir.Path());
    // Written the Windows way, with a trailing delimiter.
    ASSERT_TRUE(SetCurrentDirectoryA("sub\\inner\\"));
    EXPECT_EQ(CurrentDirectory(), dir.File("sub/inner"));
    ASSERT_TRUE(SetCurrentDirectoryA("..\\.."));
    EXPECT_EQ(CurrentDirectory(), dir.Path());

    // Too small a buffer: nothing copied, the size needed returned.
    char tiny[2] = {'x', '\0'};
    EXPECT_EQ(GetCurrentDirectoryA(sizeof tiny, tiny), dir.Path().size() + 1);
    EXPECT_STREQ(tiny, "x");
}

TEST(CurrentDirectory, FailureKeepsTheDirectoryAndExplainsWhy) {
    tnxtest::TempDir dir;
    wintest::CwdGuard guard;
    ASSERT_TRUE(SetCurrentDirectoryA(dir.Path().c_str()));
    std::string missing = dir.File("missing");
    EXPECT_FALSE(SetCurrentDirectoryA(missing.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    std::string message = SystemErrorMessage(GetLastError());
    EXPECT_NE(message.find(missing), std::string::npos) << message;
    EXPECT_EQ(CurrentDirectory(), dir.Path());

    wintest::Touch(dir.File("plain"));
    EXPECT_FALSE(SetCurrentDirectoryA(dir.File("plain").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
    EXPECT_FALSE(SetCurrentDirectoryA(""));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(LastError, IsPerThreadAndKeepsTheSystemTextWithItsCode) {
    SetLastErrorWithText(ERROR_MOD_NOT_FOUND, "libx.so: cannot open shared object file");
    std::thread other([] {
        EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
        SetLastError(ERROR_ACCESS_DENIED);
    });
    other.join();
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(SystemErrorMessage(ERROR_MOD_NOT_FOUND), "libx.so: cannot open shared object file");
    // Another code gets the Windows wording, not the text kept for the current one.
    EXPECT_EQ(SystemErrorMessage(ERROR_FILE_NOT_FOUND), "The system cannot find the file specified.");
    // SetLastError forgets the text.
    SetLastError(ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(SystemErrorMessage(ERROR_MOD_NOT_FOUND), "The specified module could not be found.");
    EXPECT_EQ(SystemErrorMessage(99999), "Unknown error 99999");
}

TEST(LastError, FormatMessageFromSystem) {
    char buffer[256];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             ERROR_ACCESS_DENIED, 0, buffer, sizeof buffer, nullptr);
    EXPECT_EQ(std::string(buffer, n), "Access is denied.\r\n");
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, buffer, 5, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 5, 0,
                             buffer, sizeof buffer, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Sleep, WaitsAtLeastTheTimeAsked) {
    auto start = std::chrono::steady_clock::now();
    Sleep(20);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
    Sleep(0); // yields, returns
}

TEST(VirtualMemory, AllocatesWritablePagesAndReleasesOnlyWhatItGaveOut) {
    auto* p =
        static_cast<unsigned char*>(VirtualAlloc(nullptr, 100, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(p[i], 0);
    std::memset(p, 0xAB, static_cast<size_t>(sysconf(_SC_PAGESIZE))); // the whole page is ours
    EXPECT_FALSE(VirtualFree(p + 1, 0, MEM_RELEASE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ADDRESS);
    EXPECT_FALSE(VirtualFree(p, 100, MEM_RELEASE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(VirtualFree(p, 0, MEM_RELEASE));
    EXPECT_FALSE(VirtualFree(p, 0, MEM_RELEASE)); // already released

    void* code = VirtualAlloc(nullptr, 64, MEM_COMMIT, PAGE_EXECUTE_READWRITE);
    ASSERT_NE(code, nullptr);
    EXPECT_TRUE(VirtualFree(code, 0, MEM_RELEASE));
    EXPECT_EQ(VirtualAlloc(nullptr, 0, MEM_COMMIT, PAGE_READWRITE), nullptr);
    EXPECT_EQ(VirtualAlloc(nullptr, 64, MEM_COMMIT, 0x1234), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}
