// Process-wide state under the Windows names: the current directory and Sleep.
//
// The current directory is the process's (chdir), shared by every thread, as on Windows.
#pragma once

#include "platform/win/WinTypes.h"

namespace win {

// Copies the current directory (POSIX form, no trailing delimiter except for "/") into buffer and
// returns its length without the NUL. When bufferLength is too small, nothing is copied and the
// result is the size needed including the NUL. 0 on failure, with the last error set.
DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer);

// Makes the folder current. A path written with backslashes ("..\data\") is tried as given and
// then with them read as delimiters. FALSE with the last error (ERROR_FILE_NOT_FOUND,
// ERROR_DIRECTORY, ERROR_ACCESS_DENIED, ...) and the system's text naming the folder.
BOOL SetCurrentDirectoryA(LPCSTR pathName);

// Suspends the calling thread for at least the given number of milliseconds (resuming after
// signals); Sleep(0) yields the processor. INFINITE is not treated specially.
void Sleep(DWORD milliseconds);

} // namespace win
