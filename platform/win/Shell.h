// ShellExecuteA with the Windows argument and result conventions: a result above 32 means
// success, anything else is an error code (SE_ERR_*).
//
// Safe by default: with no handler installed, a file is opened only when the environment variable
// TNX_SHELL_OPENER names an opener program (for example "xdg-open"); otherwise nothing is started,
// a line goes to standard error and the result is SE_ERR_NOASSOC. Tests and headless programs
// therefore never launch anything. An application that wants links and documents opened installs
// MakeOpenerShellHandler("xdg-open"), or any handler of its own.
#pragma once

#include "platform/win/WinTypes.h"

#include <functional>
#include <string>

namespace win {

// Show commands (accepted and passed on; the opener decides how its window appears).
inline constexpr INT SW_HIDE = 0;
inline constexpr INT SW_SHOWNORMAL = 1;
inline constexpr INT SW_NORMAL = 1;
inline constexpr INT SW_SHOWMINIMIZED = 2;
inline constexpr INT SW_SHOWMAXIMIZED = 3;
inline constexpr INT SW_SHOW = 5;
inline constexpr INT SW_SHOWDEFAULT = 10;

// Error results.
inline constexpr INT_PTR SE_ERR_FNF = 2;
inline constexpr INT_PTR SE_ERR_PNF = 3;
inline constexpr INT_PTR SE_ERR_ACCESSDENIED = 5;
inline constexpr INT_PTR SE_ERR_OOM = 8;
inline constexpr INT_PTR SE_ERR_SHARE = 26;
inline constexpr INT_PTR SE_ERR_ASSOCINCOMPLETE = 27;
inline constexpr INT_PTR SE_ERR_DDETIMEOUT = 28;
inline constexpr INT_PTR SE_ERR_DDEFAIL = 29;
inline constexpr INT_PTR SE_ERR_DDEBUSY = 30;
inline constexpr INT_PTR SE_ERR_NOASSOC = 31;
inline constexpr INT_PTR SE_ERR_DLLNOTFOUND = 32;
// What a successful call returns (any value above 32 means success).
inline constexpr INT_PTR kShellExecuteSuccess = 42;

// Opens (or runs the operation on) a file, a folder or a URL such as "mailto:..." or "http://...".
// Null strings are empty. Returns the handler's result (as a handle value), or the default's.
HINSTANCE ShellExecuteA(HWND owner, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT showCommand);

using ShellExecuteHandler =
    std::function<INT_PTR(HWND owner, const std::string& operation, const std::string& file,
                          const std::string& parameters, const std::string& directory, INT showCommand)>;

// Installs a handler (an empty one restores the default) and returns the previous one.
ShellExecuteHandler SetShellExecuteHandler(ShellExecuteHandler handler);

// A handler that starts `opener file` (in directory when one is given) without waiting for it, for
// the operations "" and "open" (others give SE_ERR_NOASSOC). An empty file gives SE_ERR_FNF; an
// opener that cannot be started gives SE_ERR_FNF or SE_ERR_ACCESSDENIED. The started process is
// reaped in the background, so no zombie is left.
ShellExecuteHandler MakeOpenerShellHandler(const std::string& opener);

} // namespace win
