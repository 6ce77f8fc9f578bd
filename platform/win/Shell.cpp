// ShellExecuteA: a replaceable handler; the default starts an opener only when one is configured.
#include "platform/win/Shell.h"

#include "platform/win/LastError.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace win {

namespace {

struct HandlerSlot {
    std::mutex FLock;
    ShellExecuteHandler FHandler; // empty: the default
};

HandlerSlot& Slot() {
    static HandlerSlot* slot = new HandlerSlot; // never destroyed: usable while the process exits
    return *slot;
}

INT_PTR SpawnOpener(const std::string& opener, const std::string& operation, const std::string& file,
                    const std::string& directory) {
    if (!operation.empty() && operation != "open") return SE_ERR_NOASSOC;
    if (file.empty()) return SE_ERR_FNF;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    std::vector<char*> argv{const_cast<char*>(opener.c_str()), const_cast<char*>(file.c_str()), nullptr};
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, opener.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        SetLastErrorFromErrno(rc, opener);
        return rc == EACCES ? SE_ERR_ACCESSDENIED : rc == ENOMEM ? SE_ERR_OOM : SE_ERR_FNF;
    }
    // The opener is not waited for, as ShellExecute returns once the launch is under way; a
    // detached thread collects its exit status so that it does not linger as a zombie.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return kShellExecuteSuccess;
}

INT_PTR DefaultShell(const std::string& operation, const std::string& file, const std::string& directory) {
    const char* opener = std::getenv("TNX_SHELL_OPENER");
    if (opener == nullptr || *opener == '\0') {
        std::fprintf(stderr, "ShellExecute: no opener configured (TNX_SHELL_OPENER); not opening %s\n",
                     file.c_str());
        std::fflush(stderr);
        SetLastError(ERROR_NOT_SUPPORTED);
        return SE_ERR_NOASSOC;
    }
    return SpawnOpener(opener, operation, file, directory);
}

} // namespace

ShellExecuteHandler SetShellExecuteHandler(ShellExecuteHandler handler) {
    std::lock_guard<std::mutex> lock(Slot().FLock);
    ShellExecuteHandler previous = std::move(Slot().FHandler);
    Slot().FHandler = std::move(handler);
    return previous;
}

ShellExecuteHandler MakeOpenerShellHandler(const std::string& opener) {
    return [opener](HWND, const std::string& operation, const std::string& file, const std::string&,
                    const std::string& directory,
                    INT) { return SpawnOpener(opener, operation, file, directory); };
}

HINSTANCE ShellExecuteA(HWND owner, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT showCommand) {
    std::string op = operation ? operation : "";
    std::string f = file ? file : "";
    std::string params = parameters ? parameters : "";
    std::string dir = directory ? directory : "";
    ShellExecuteHandler handler;
    {
        std::lock_guard<std::mutex> lock(Slot().FLock);
        handler = Slot().FHandler;
    }
    INT_PTR result = handler ? handler(owner, op, f, params, dir, showCommand) : DefaultShell(op, f, dir);
    return reinterpret_cast<HINSTANCE>(result);
}

} // namespace win
