// The built tnxsql program: its command line and exit statuses, its refusal of database work while
// no database backend is built in, the password kept out of everything it prints, and an
// interactive session on a pseudo-terminal (prompt, line editing, Ctrl-C at the prompt, history,
// exit). Runs against real databases join these when the library's backend is wired in.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Outcome {
    int Status = -1; // exit status, or 128 + signal
    std::string Out, Err;
};

int StatusOf(int wstatus) {
    if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus)) return 128 + WTERMSIG(wstatus);
    return -1;
}

std::vector<char*> Argv(std::vector<std::string>& args) {
    std::vector<char*> argv;
    static std::string program = TNXSQL_PROGRAM;
    argv.push_back(program.data());
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

// Runs the program with pipes for its three standard streams.
Outcome RunProgram(std::vector<std::string> args, const std::string& input = "",
                   const std::string& home = "/nonexistent") {
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) throw std::runtime_error("pipe");
    std::vector<char*> argv = Argv(args);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            close(fd);
        setenv("HOME", home.c_str(), 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    signal(SIGPIPE, SIG_IGN);
    if (!input.empty()) {
        [[maybe_unused]] ssize_t w = write(in[1], input.data(), input.size());
    }
    close(in[1]);
    Outcome o;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
        for (int k = 0; k < 2; ++k) {
            if (fds[k].fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[4096];
            ssize_t n = read(fds[k].fd, buf, sizeof buf);
            if (n <= 0) {
                close(fds[k].fd);
                fds[k].fd = -1;
                --open;
            } else {
                (k == 0 ? o.Out : o.Err).append(buf, static_cast<size_t>(n));
            }
        }
    }
    int ws = 0;
    waitpid(pid, &ws, 0);
    o.Status = StatusOf(ws);
    return o;
}

// The program on a pseudo-terminal, as a user at a terminal runs it.
class Terminal {
public:
    Terminal(std::vector<std::string> args, const std::string& home) {
        std::vector<char*> argv = Argv(args);
        FPid = forkpty(&FMaster, nullptr, nullptr, nullptr);
        if (FPid == 0) {
            setenv("HOME", home.c_str(), 1);
            setenv("TERM", "dumb", 1);
            setenv("INPUTRC", "/dev/null", 1);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~Terminal() {
        if (FPid > 0 && !FReaped) {
            kill(FPid, SIGKILL);
            waitpid(FPid, nullptr, 0);
        }
        if (FMaster >= 0) close(FMaster);
    }

    // Reads what the terminal shows until `want` appears after what was consumed before; returns
    // everything shown up to and including it. A generous limit only guards against a hang.
    std::string Expect(const std::string& want) {
        while (true) {
            size_t at = FShown.find(want, FConsumed);
            if (at != std::string::npos) {
                std::string got = FShown.substr(FConsumed, at + want.size() - FConsumed);
                FConsumed = at + want.size();
                return got;
            }
            pollfd p{FMaster, POLLIN, 0};
            int n = poll(&p, 1, 10000);
            if (n <= 0) {
                ADD_FAILURE() << "the terminal never showed '" << want << "'; it showed:\n"
                              << FShown.substr(FConsumed);
                return {};
            }
            char buf[1024];
            ssize_t r = read(FMaster, buf, sizeof buf);
            if (r <= 0) {
                ADD_FAILURE() << "the program closed the terminal before showing '" << want
                              << "'; it showed:\n"
                              << FShown.substr(FConsumed);
                return {};
            }
            FShown.append(buf, static_cast<size_t>(r));
        }
    }

    void Type(const std::string& keys) {
        [[maybe_unused]] ssize_t w = write(FMaster, keys.data(), keys.size());
    }

    // Waits for the program to end, reading the rest of what it shows; returns its exit status.
    int Wait() {
        char buf[1024];
        while (true) {
            pollfd p{FMaster, POLLIN, 0};
            if (poll(&p, 1, 60000) <= 0) break;
            ssize_t r = read(FMaster, buf, sizeof buf);
            if (r <= 0) break; // EIO once the program is gone
            FShown.append(buf, static_cast<size_t>(r));
        }
        int ws = 0;
        waitpid(FPid, &ws, 0);
        FReaped = true;
        return StatusOf(ws);
    }

    const std::string& Shown() const { return FShown; }

private:
    int FMaster = -1;
    pid_t FPid = -1;
    bool FReaped = false;
    std::string FShown;
    size_t FConsumed = 0;
};

const std::string NoBackend = "no database backend is built into this program yet";

} // namespace

TEST(Program, HelpAndVersion) {
    Outcome h = RunProgram({"--help"});
    EXPECT_EQ(h.Status, 0);
    EXPECT_EQ(h.Out.rfind("Usage: tnxsql [options] [database-file] [SQL ...]\n", 0), 0u);
    EXPECT_EQ(h.Err, "");
    Outcome v = RunProgram({"-V"});
    EXPECT_EQ(v.Status, 0);
    EXPECT_NE(v.Out.find("backend: " + NoBackend + "\n"), std::string::npos);
}

TEST(Program, BadOptionsExitWithStatusTwo) {
    Outcome o = RunProgram({"--bogus", "x.db"});
    EXPECT_EQ(o.Status, 2);
    EXPECT_EQ(o.Out, "");
    EXPECT_EQ(o.Err, "tnxsql: unknown option '--bogus'\nTry 'tnxsql --help' for more information.\n");
    tnxtest::TempDir dir;
    Outcome f = RunProgram({"-f", dir.File("missing.sql"), "x.db"});
    EXPECT_EQ(f.Status, 2);
    EXPECT_EQ(f.Err, "tnxsql: cannot read " + dir.File("missing.sql") + ": No such file or directory\n");
}

TEST(Program, RefusesDatabaseWorkWithoutABackend) {
    tnxtest::TempDir dir;
    Outcome o = RunProgram({dir.File("sales.db"), "select 1"});
    EXPECT_EQ(o.Status, 3);
    EXPECT_EQ(o.Out, "");
    EXPECT_EQ(o.Err, "tnxsql: cannot open the database: " + NoBackend + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("sales.db")));

    // Unconnected, statements fail with the same message; the run goes on, or stops under --bail.
    Outcome s = RunProgram({}, "select 1;\nselect 2;\n");
    EXPECT_EQ(s.Status, 0);
    EXPECT_EQ(s.Err, "-:1: error: " + NoBackend + "\n-:2: error: " + NoBackend + "\n");
    Outcome b = RunProgram({"--bail"}, "select 1;\nselect 2;\n");
    EXPECT_EQ(b.Status, 1);
    EXPECT_EQ(b.Err, "-:1: error: " + NoBackend + "\n");
}

TEST(Program, CreateNeverOverwritesAFile) {
    tnxtest::TempDir dir;
    const std::string db = dir.File("keep.db");
    std::ofstream(db) << "precious";
    Outcome o = RunProgram({"--create", db});
    EXPECT_EQ(o.Status, 3);
    EXPECT_EQ(o.Err, "tnxsql: --create: " + db + " already exists; it is not overwritten\n");
    std::ifstream in(db);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "precious");
}

TEST(Program, APasswordFromAFileIsNeverPrinted) {
    tnxtest::TempDir dir;
    std::ofstream(dir.File("pw")) << "Sekr3t!\n";
    Outcome o = RunProgram({"--password-file", dir.File("pw"), "-c", "eng=x;uid=dba;pwd=Sekr3t!", "select 1"},
                           "", dir.Path());
    EXPECT_EQ(o.Status, 3);
    EXPECT_EQ((o.Out + o.Err).find("Sekr3t"), std::string::npos) << o.Out << o.Err;
}

TEST(Program, InteractiveSessionOnATerminal) {
    tnxtest::TempDir home;
    Terminal t({}, home.Path());
    t.Expect("tnxsql> ");
    t.Type("select 1;\r");
    EXPECT_NE(t.Expect("tnxsql> ").find("error: " + NoBackend), std::string::npos);
    t.Type("\\timing on\r");
    EXPECT_NE(t.Expect("tnxsql> ").find("timing is on"), std::string::npos);
    // Ctrl-C at the prompt drops the statement half typed, not the program.
    t.Type("select 'abc\r");
    t.Expect("'> ");
    t.Type("def\x03"); // Ctrl-C arrives with keys readline has not read yet, which the terminal drops
    t.Expect("^C");
    t.Expect("tnxsql> ");
    // Line editing: a typing mistake corrected with backspace before the line is entered.
    t.Type("\\timinx\x7fg off\r");
    EXPECT_NE(t.Expect("tnxsql> ").find("timing is off"), std::string::npos);
    t.Type("\\q\r");
    EXPECT_EQ(t.Wait(), 0);

    std::ifstream in(home.File(".tnxsql_history"));
    std::string history((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(history, "select 1;\n\\timing on\n\\timing off\n\\q\n");
    EXPECT_EQ(std::filesystem::status(home.File(".tnxsql_history")).permissions() &
                  std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(Program, APasswordTypedAtThePromptIsNeitherEchoedNorKept) {
    tnxtest::TempDir home;
    Terminal t({"-P", home.File("x.db")}, home.Path());
    t.Expect("Password: ");
    t.Type("Sekr3t!\r");
    EXPECT_EQ(t.Wait(), 3);
    EXPECT_NE(t.Shown().find(NoBackend), std::string::npos);
    EXPECT_EQ(t.Shown().find("Sekr3t"), std::string::npos) << t.Shown();
    EXPECT_FALSE(std::filesystem::exists(home.File(".tnxsql_history")));
}
