// The password: read from a terminal with echo off (checked on a pseudo-terminal: what the terminal
// shows never contains it), read from a file, and scrubbed from messages.
#include "support/TempDir.h"

#include "tools/tnxsql/Interrupt.h"
#include "tools/tnxsql/Secret.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <future>
#include <pty.h>
#include <csignal>
#include <termios.h>
#include <unistd.h>

using namespace tnxsql;

namespace {

// Reads from the pty's master side until `want` has been seen (or the slave side closed).
std::string ReadUntil(int master, const std::string& want) {
    std::string seen;
    char buf[256];
    while (seen.find(want) == std::string::npos) {
        ssize_t n = read(master, buf, sizeof buf);
        if (n <= 0) break;
        seen.append(buf, static_cast<size_t>(n));
    }
    return seen;
}

} // namespace

TEST(Password, ReadFromATerminalWithoutEcho) {
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    termios before{};
    tcgetattr(slave, &before);
    ASSERT_TRUE(before.c_lflag & ECHO);

    auto reader = std::async(std::launch::async, [slave] {
        return std::string(ReadPasswordFromTerminal(slave, "Password: ").View());
    });
    // The prompt appears only once echo is off, so typing after it is never echoed.
    std::string shown = ReadUntil(master, "Password: ");
    ASSERT_NE(shown.find("Password: "), std::string::npos);
    const std::string typed = "Sekr3t! with blanks\n";
    ASSERT_EQ(write(master, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    EXPECT_EQ(reader.get(), "Sekr3t! with blanks");

    // Everything the terminal displayed: the prompt and a newline, never the password.
    termios after{};
    tcgetattr(slave, &after);
    EXPECT_TRUE(after.c_lflag & ECHO) << "echo was not restored";
    write(slave, "END", 3);
    shown += ReadUntil(master, "END");
    EXPECT_EQ(shown.find("Sekr3t"), std::string::npos) << shown;
    close(slave);
    close(master);
}

TEST(Password, CtrlCEndsTheEntryAndRestoresEcho) {
    interrupt::Install();
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    auto reader = std::async(std::launch::async, [slave] {
        try {
            ReadPasswordFromTerminal(slave, "Password: ");
            return std::string("no error");
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
    });
    ReadUntil(master, "Password: ");
    const std::string typed = "half";
    ASSERT_EQ(write(master, typed.data(), typed.size()), 4);
    kill(getpid(), SIGINT); // what the terminal sends for Ctrl-C
    EXPECT_EQ(reader.get(), "password entry interrupted");
    termios after{};
    tcgetattr(slave, &after);
    EXPECT_TRUE(after.c_lflag & ECHO) << "echo was not restored";
    interrupt::Clear();
    interrupt::DrainWake();
    close(slave);
    close(master);
}

TEST(Password, NoTerminalIsAClearError) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    try {
        ReadPasswordFromTerminal(fds[0], "Password: ");
        FAIL() << "read a password from a pipe";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "cannot ask for the password: no terminal");
    }
    close(fds[0]);
    close(fds[1]);
}

TEST(Password, ReadFromTheFirstLineOfAFile) {
    tnxtest::TempDir dir;
    std::ofstream(dir.File("pw")) << "line one\r\nline two\n";
    EXPECT_EQ(ReadPasswordFile(dir.File("pw")).View(), "line one");
    try {
        ReadPasswordFile(dir.File("none"));
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "cannot read the password file " + dir.File("none") + ": No such file or directory");
    }
}

TEST(Password, ScrubberMasksThePasswordAndConnectionStringItems) {
    Scrubber s(Secret("pa;ss"));
    EXPECT_EQ(s.Scrub("uid=dba;pwd=abc;eng=x"), "uid=dba;pwd=***;eng=x");
    EXPECT_EQ(s.Scrub("UID=dba;Password = abc\nnext"), "UID=dba;Password =***\nnext");
    EXPECT_EQ(s.Scrub("pwd="), "pwd=");
    EXPECT_EQ(s.Scrub("mypwd=keep"), "mypwd=keep"); // only whole keys
    EXPECT_EQ(s.Scrub("said pa;ss twice: pa;ss"), "said *** twice: ***");
    EXPECT_EQ(s.Scrub("nothing here"), "nothing here");
    EXPECT_TRUE(s.Reveals("x pa;ss"));
    EXPECT_TRUE(s.Reveals("pwd=z"));
    EXPECT_FALSE(s.Reveals("pwd=;uid=x"));
    EXPECT_FALSE(Scrubber().Reveals("anything"));
    // A password that looks like the mask cannot make scrubbing loop.
    EXPECT_EQ(Scrubber(Secret("*")).Scrub("a*b"), "a***b");
}

TEST(Password, ScrubberLearnsEveryPasswordOfAConnectionString) {
    Scrubber s(Secret("fromfile"));
    s.LearnConnectionString("eng=x;uid=u;PWD='it''s;here';dbn=d");
    s.LearnConnectionString("Password = Plain9 ;uid=v");
    s.LearnConnectionString("uid=nobody"); // nothing to learn
    EXPECT_EQ(s.Scrub("near 'it's;here', Plain9 and fromfile"), "near '***', *** and ***");
    EXPECT_TRUE(s.Reveals("select 'Plain9'"));
    EXPECT_TRUE(s.Reveals("it's;here"));
    EXPECT_FALSE(s.Reveals("uid=nobody"));
    // A password that holds another is masked whole.
    s.AddPassword(Secret("abc"));
    s.AddPassword(Secret("abcdef"));
    EXPECT_EQ(s.Scrub("abcdef abc"), "*** ***");
    // A quoted item value is masked to its closing quote, whatever it holds.
    EXPECT_EQ(Scrubber().Scrub("uid=a;pwd=\"x;y\";eng=e"), "uid=a;pwd=***;eng=e");
    EXPECT_EQ(Scrubber().Scrub("pwd='a''b;c' rest"), "pwd=***");
}

TEST(Password, PasswordsAreWipedFromTheArgumentList) {
    std::string a0 = "tnxsql", a1 = "-c", a2 = "eng=x;uid=u;pwd=Sekr3t!;dbn=d", a3 = "--connect=pwd='a;b'",
                a4 = "select 1";
    std::vector<char*> argv = {a0.data(), a1.data(), a2.data(), a3.data(), a4.data()};
    HidePasswordArguments(static_cast<int>(argv.size()), argv.data());
    EXPECT_STREQ(argv[2], "eng=x;uid=u;pwd=*******;dbn=d") << "same length: the memory the process list shows";
    EXPECT_STREQ(argv[3], "--connect=pwd=*****");
    EXPECT_STREQ(argv[4], "select 1");
    EXPECT_STREQ(argv[0], "tnxsql");
}
