// The prompt loop over readline's callback interface; see ReadlineLoop.h. Readline's callbacks
// carry no context, so the loop's state lives in one file-level record while the loop runs (there
// is only ever one prompt).
#include "tools/tnxsql/ReadlineLoop.h"

#include "tools/tnxsql/Interrupt.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <readline/readline.h>
#include <unistd.h>

namespace tnxsql {

namespace {

struct LoopState {
    Shell* Sh = nullptr;
    bool Done = false;
    bool Installed = false;
    std::string Prompt; // readline keeps a pointer to the prompt text while it is installed
};
LoopState gLoop;

void OnLine(char* raw);

// The key readline receives when Ctrl-C interrupted its read: bound to a function that does
// nothing, the loop then clears the line.
constexpr int CtrlCKey = 3;

int IgnoreKey(int, int) {
    return 0;
}

// Reads one key for readline. Readline's own reader retries a read that a signal interrupted and
// then blocks: Ctrl-C throws away the terminal's pending input, so a read that poll() announced may
// find nothing left and would wait for the next key. This reader waits on the wake-up pipe too and
// hands readline a Ctrl-C key instead.
int ReadKey(FILE*) {
    while (true) {
        if (interrupt::Pending()) return CtrlCKey;
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {interrupt::WakeFd(), POLLIN, 0}};
        int n = poll(fds, fds[1].fd >= 0 ? 2 : 1, -1);
        if (n < 0) {
            if (errno == EINTR) continue;
            return EOF;
        }
        if (interrupt::Pending()) return CtrlCKey;
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        unsigned char c;
        ssize_t r = read(STDIN_FILENO, &c, 1);
        if (r == 1) return c;
        if (r < 0 && errno == EINTR) continue;
        return EOF;
    }
}

void InstallPrompt() {
    gLoop.Prompt = gLoop.Sh->Prompt();
    rl_callback_handler_install(gLoop.Prompt.c_str(), OnLine);
    gLoop.Installed = true;
}

void RemovePrompt() {
    if (gLoop.Installed) rl_callback_handler_remove();
    gLoop.Installed = false;
}

void OnLine(char* raw) {
    if (!raw) { // end of input
        RemovePrompt();
        std::fputc('\n', stdout);
        gLoop.Done = true;
        return;
    }
    std::string line(raw);
    std::free(raw);
    // The statement's output must not mix with readline's redisplay: take the prompt down while it runs.
    RemovePrompt();
    Shell::Flow flow = gLoop.Sh->FeedLine(line);
    // A Ctrl-C that cancelled the statement is spent; it must not also clear the next prompt.
    interrupt::Clear();
    interrupt::DrainWake();
    if (flow == Shell::Flow::Stop) {
        gLoop.Done = true;
        return;
    }
    InstallPrompt();
}

void OnCtrlC() {
    interrupt::Clear();
    interrupt::DrainWake();
    gLoop.Sh->ResetInput();
    rl_free_line_state();
    rl_callback_sigcleanup();
    rl_replace_line("", 0);
    RemovePrompt();
    std::fputs("^C\n", stdout);
    std::fflush(stdout);
    InstallPrompt();
}

} // namespace

void RunInteractive(Shell& shell, History& history) {
    gLoop = LoopState{};
    gLoop.Sh = &shell;
    rl_catch_signals = 0; // the program's own SIGINT handler stays in charge
    rl_readline_name = "tnxsql";
    rl_getc_func_t* savedGetc = rl_getc_function;
    rl_getc_function = ReadKey;
    rl_bind_key(CtrlCKey, IgnoreKey);
    history.Load();
    shell.SetHistorySink([&history](std::string_view entry) { history.Add(entry); });

    InstallPrompt();
    while (!gLoop.Done) {
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {interrupt::WakeFd(), POLLIN, 0}};
        int n = poll(fds, fds[1].fd >= 0 ? 2 : 1, -1);
        if (n < 0 && errno != EINTR) break;
        if (interrupt::Pending()) {
            OnCtrlC();
            continue;
        }
        if (n > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) rl_callback_read_char();
    }
    RemovePrompt();
    rl_getc_function = savedGetc;
    shell.SetHistorySink({});
    if (!history.Save()) shell.Diagnostic("cannot write the history file " + history.Path());
    gLoop = LoopState{};
}

} // namespace tnxsql
