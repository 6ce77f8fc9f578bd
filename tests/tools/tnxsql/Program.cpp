// Running the built program for the tests; see Program.h.
#include "Program.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdexcept>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tnxsqltest {

namespace {

// How long a run may take before it counts as hung (the slowest runs take about a second).
constexpr int HangLimitMs = 120000;

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

// In the child, before it runs the program.
void Apply(const RunSetup& setup) {
    for (const auto& [name, value] : setup.Environment)
        setenv(name.c_str(), value.c_str(), 1);
    if (setup.User >= 0) {
        if (setgroups(0, nullptr) != 0 || setgid(static_cast<gid_t>(setup.User)) != 0 ||
            setuid(static_cast<uid_t>(setup.User)) != 0)
            _exit(126);
    }
}

} // namespace

Outcome RunProgram(std::vector<std::string> args, const std::string& input, const std::string& home,
                   const RunSetup& setup) {
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
        Apply(setup);
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
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(HangLimitMs);
    while (open > 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the program did not end; killed";
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, 1000) < 0 && errno != EINTR) break;
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
    for (auto& f : fds)
        if (f.fd >= 0) close(f.fd);
    int ws = 0;
    waitpid(pid, &ws, 0);
    o.Status = StatusOf(ws);
    return o;
}

Terminal::Terminal(std::vector<std::string> args, const std::string& home, const RunSetup& setup) {
    std::vector<char*> argv = Argv(args);
    winsize size{};
    size.ws_col = setup.Columns;
    size.ws_row = setup.Rows;
    FPid = forkpty(&FMaster, nullptr, nullptr, setup.Columns > 0 ? &size : nullptr);
    if (FPid == 0) {
        setenv("HOME", home.c_str(), 1);
        setenv("TERM", "dumb", 1);
        setenv("INPUTRC", "/dev/null", 1);
        Apply(setup);
        execv(argv[0], argv.data());
        _exit(127);
    }
}

Terminal::~Terminal() {
    if (FPid > 0 && !FReaped) {
        kill(FPid, SIGKILL);
        waitpid(FPid, nullptr, 0);
    }
    if (FMaster >= 0) close(FMaster);
}

std::string Terminal::Expect(const std::string& want) {
    while (true) {
        size_t at = FShown.find(want, FConsumed);
        if (at != std::string::npos) {
            std::string got = FShown.substr(FConsumed, at + want.size() - FConsumed);
            FConsumed = at + want.size();
            return got;
        }
        pollfd p{FMaster, POLLIN, 0};
        int n = poll(&p, 1, HangLimitMs);
        if (n <= 0) {
            ADD_FAILURE() << "the terminal never showed '" << want << "'; it showed:\n"
                          << FShown.substr(FConsumed);
            return {};
        }
        char buf[1024];
        ssize_t r = read(FMaster, buf, sizeof buf);
        if (r <= 0) {
            ADD_FAILURE() << "the program closed the terminal before showing '" << want << "'; it showed:\n"
                          << FShown.substr(FConsumed);
            return {};
        }
        FShown.append(buf, static_cast<size_t>(r));
    }
}

void Terminal::Type(const std::string& keys) {
    [[maybe_unused]] ssize_t w = write(FMaster, keys.data(), keys.size());
}

int Terminal::Wait() {
    char buf[1024];
    while (true) {
        pollfd p{FMaster, POLLIN, 0};
        if (poll(&p, 1, HangLimitMs) <= 0) break;
        ssize_t r = read(FMaster, buf, sizeof buf);
        if (r <= 0) break; // EIO once the program is gone
        FShown.append(buf, static_cast<size_t>(r));
    }
    int ws = 0;
    waitpid(FPid, &ws, 0);
    FReaped = true;
    return StatusOf(ws);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace tnxsqltest
