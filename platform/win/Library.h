// Dynamic libraries under the Windows names: LoadLibraryA, GetProcAddress, FreeLibrary and
// GetModuleFileNameA over the POSIX dynamic loader.
//
// Where a library is looked for, in order, for each of these names: the name as given, then, when
// it ends in ".dll" and was not found, the same name as "lib<stem>.so" ("dblib6.dll" ->
// "libdblib6.so", also inside a path: "dir\x.dll" -> "dir/libx.so").
//   - A bare name (no delimiter): the current directory first, then the system's search (the
//     loader's run paths, LD_LIBRARY_PATH, its cache and the standard folders).
//   - A name with a path: that file (as given, then with backslashes read as delimiters).
// A file that is found but cannot be loaded ends the search with an error; it is not passed over.
//
// Handles are the loader's own handles, so they are valid pointers (never below 32). Each
// successful LoadLibraryA must be balanced by one FreeLibrary, as on Windows; handles not obtained
// from LoadLibraryA are refused by FreeLibrary, GetProcAddress and GetModuleFileNameA.
#pragma once

#include "platform/win/WinTypes.h"

namespace win {

// Loads the library; null on failure with the last error set (ERROR_MOD_NOT_FOUND, or
// ERROR_BAD_EXE_FORMAT for a file that is not a loadable library, ERROR_INVALID_PARAMETER for a
// null or empty name) and the loader's message as its text.
HMODULE LoadLibraryA(LPCSTR fileName);

// Releases one load. FALSE with ERROR_INVALID_HANDLE for a null or unknown handle.
BOOL FreeLibrary(HMODULE module);

// The address of an exported symbol; null with ERROR_PROC_NOT_FOUND when the library lacks it. A
// null module looks the name up in the running program and everything it has loaded globally.
// Ordinals (a "name" below 0x10000) are not supported: ERROR_PROC_NOT_FOUND.
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);

// The full path of a loaded library (null module: the running program). Returns the number of
// characters copied without the NUL; when the buffer is too small the path is cut to size - 1
// characters plus NUL, the result is size and the last error ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

} // namespace win
