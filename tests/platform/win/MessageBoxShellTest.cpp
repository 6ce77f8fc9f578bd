// MessageBoxA and ShellExecuteA: handlers see the calls as made, the headless defaults answer with
// the default button and start nothing unless an opener is configured.
#include "WinTestSupport.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Shell.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace win;

namespace {

struct BoxCall {
    HWND Owner;
    std::string Text, Caption;
    UINT Type;
};

// Installs a recording message-box handler for the test's lifetime.
class RecordingBox {
public:
    explicit RecordingBox(int answer) {
        SetMessageBoxHandler(
            [this, answer](HWND owner, const std::string& text, const std::string& caption, UINT type) {
                Calls.push_back({owner, text, caption, type});
                return answer;
            });
    }
    ~RecordingBox() { SetMessageBoxHandler(nullptr); }
    std::vector<BoxCall> Calls;
};

} // namespace

TEST(MessageBox, HandlerReceivesTheCallAndItsAnswerIsReturned) {
    RecordingBox box(IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Could not load.", "Tarnix", MB_OK | MB_ICONERROR), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_YESNO), IDNO);
    ASSERT_EQ(box.Calls.size(), 2u);
    EXPECT_EQ(box.Calls[0].Owner, nullptr);
    EXPECT_EQ(box.Calls[0].Text, "Could not load.");
    EXPECT_EQ(box.Calls[0].Caption, "Tarnix");
    EXPECT_EQ(box.Calls[0].Type, 0x10u);
    EXPECT_EQ(box.Calls[1].Text, "");
    EXPECT_EQ(box.Calls[1].Caption, "Error");
}

TEST(MessageBox, HeadlessDefaultAnswersWithTheDefaultButtonAndWritesToStandardError) {
    SetMessageBoxHandler(nullptr);
    testing::internal::CaptureStderr();
    int answer = MessageBoxA(nullptr, "Disk full", "Tarnix", MB_OK | MB_ICONERROR);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(err, "Tarnix: Error: Disk full\n");

    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Save?", "Editor", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Editor: Save?\n");

    EXPECT_EQ(MessageBoxDefaultResult(MB_YESNO), IDYES);
    EXPECT_EQ(MessageBoxDefaultResult(MB_ABORTRETRYIGNORE | MB_DEFBUTTON3), IDIGNORE);
    EXPECT_EQ(MessageBoxDefaultResult(MB_CANCELTRYCONTINUE | MB_DEFBUTTON2), IDTRYAGAIN);
    EXPECT_EQ(MessageBoxDefaultResult(MB_OKCANCEL | MB_DEFBUTTON4), IDOK); // past the last button
    EXPECT_EQ(MessageBoxA(nullptr, "x", "y", 0x0F), 0);                    // no such button set
}

TEST(Shell, HandlerReceivesTheCallAsMade) {
    std::vector<std::string> seen;
    SetShellExecuteHandler([&](HWND, const std::string& op, const std::string& file,
                               const std::string& params, const std::string& dir, INT show) {
        seen = {op, file, params, dir, std::to_string(show)};
        return INT_PTR(SE_ERR_ACCESSDENIED);
    });
    HINSTANCE result = ShellExecuteA(nullptr, "open", "mailto:help@example.org", nullptr, "", SW_SHOWNORMAL);
    SetShellExecuteHandler(nullptr);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(result), SE_ERR_ACCESSDENIED);
    EXPECT_EQ(seen, (std::vector<std::string>{"open", "mailto:help@example.org", "", "", "1"}));
}

TEST(Shell, DefaultStartsNothingWithoutAConfiguredOpener) {
    wintest::EnvGuard opener("TNX_SHELL_OPENER", std::nullopt);
    SetShellExecuteHandler(nullptr);
    testing::internal::CaptureStderr();
    HINSTANCE result = ShellExecuteA(nullptr, "open", "https://example.org", nullptr, nullptr, SW_SHOWNORMAL);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(reinterpret_cast<INT_PTR>(result), SE_ERR_NOASSOC);
    EXPECT_LE(reinterpret_cast<INT_PTR>(result), 32);
    EXPECT_NE(err.find("https://example.org"), std::string::npos);
}

TEST(Shell, OpenerHandlerStartsTheOpenerWithTheFile) {
    // The opener is a script of the test's own that records its argument and folder.
    tnxtest::TempDir dir;
    std::string script = dir.File("opener.sh"), record = dir.File("record.txt");
    {
        std::ofstream s(script);
        s << "#!/bin/sh\necho \"$1|$(pwd)\" > \"" << record << ".tmp\"\nmv \"" << record << ".tmp\" \""
          << record << "\"\n";
    }
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);

    SetShellExecuteHandler(MakeOpenerShellHandler(script));
    HINSTANCE result =
        ShellExecuteA(nullptr, nullptr, "mailto:a@b.c", nullptr, dir.Path().c_str(), SW_SHOWNORMAL);
    HINSTANCE verb = ShellExecuteA(nullptr, "print", "x.txt", nullptr, nullptr, SW_SHOWNORMAL);
    HINSTANCE empty = ShellExecuteA(nullptr, "open", "", nullptr, nullptr, SW_SHOWNORMAL);
    SetShellExecuteHandler(MakeOpenerShellHandler(dir.File("no-such-opener")));
    HINSTANCE missing = ShellExecuteA(nullptr, "open", "x.txt", nullptr, nullptr, SW_SHOWNORMAL);
    SetShellExecuteHandler(nullptr);

    EXPECT_GT(reinterpret_cast<INT_PTR>(result), 32);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(verb), SE_ERR_NOASSOC);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(empty), SE_ERR_FNF);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(missing), SE_ERR_FNF);

    // The opener runs on its own; wait for its record (written whole by a rename).
    for (int i = 0; i < 600 && !std::filesystem::exists(record); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(record);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "mailto:a@b.c|" + dir.Path());
}
