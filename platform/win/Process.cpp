// Current directory and Sleep over getcwd/chdir and nanosleep.
#include "platform/win/Process.h"

#include "platform/win/LastError.h"
#include "platform/win/PathUtil.h"

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <string>
#include <time.h>
#include <unistd.h>

namespace win {

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
    std::string cwd;
    std::string chunk(256, '\0');
    while (::getcwd(chunk.data(), chunk.size()) == nullptr) {
        if (errno != ERANGE) {
            SetLastErrorFromErrno(errno, "current directory");
            return 0;
        }
        chunk.resize(chunk.size() * 2);
    }
    cwd = chunk.c_str();
    if (buffer == nullptr || cwd.size() + 1 > bufferLength) return static_cast<DWORD>(cwd.size() + 1);
    std::memcpy(buffer, cwd.c_str(), cwd.size() + 1);
    return static_cast<DWORD>(cwd.size());
}

BOOL SetCurrentDirectoryA(LPCSTR pathName) {
    if (pathName == nullptr || *pathName == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int error = 0;
    for (const std::string& form : PathForms(pathName)) {
        if (::chdir(form.c_str()) == 0) return TRUE;
        if (error == 0 || errno != ENOENT) error = errno; // keep the most telling cause
    }
    SetLastErrorFromErrno(error, pathName);
    return FALSE;
}

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    struct timespec rest;
    rest.tv_sec = milliseconds / 1000;
    rest.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}

} // namespace win
