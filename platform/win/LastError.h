// The calling thread's last error (GetLastError/SetLastError) and the system's message text for it.
//
// Each thread keeps its own code, as on Windows. A stand-in that fails sets the code together with
// the text the underlying system gave for the failure (the dynamic loader's message, strerror); that
// text is what SystemErrorMessage returns for the thread's current code, so a message built from
// the last error names the real cause ("libdblib6.so: cannot open shared object file: ..."). Codes
// without such a text get the Windows wording for the code.
#pragma once

#include "platform/win/WinTypes.h"

#include <string>

namespace win {

DWORD GetLastError();
// Sets the calling thread's code and forgets any system text kept with the previous one.
void SetLastError(DWORD code);

// Sets the code together with the system's own text for this failure.
void SetLastErrorWithText(DWORD code, const std::string& text);
// Sets the code that corresponds to a POSIX errno value, with strerror's text (optionally
// prefixed with what failed, e.g. the path).
void SetLastErrorFromErrno(int error, const std::string& context = std::string());
// The Windows code that corresponds to a POSIX errno value.
DWORD ErrorCodeFromErrno(int error);

// The system's message for a code, without a trailing line break: the text kept with the calling
// thread's last error when the code is that error, else the Windows wording for the code, else
// "Unknown error <code>". Never empty for a non-zero code.
std::string SystemErrorMessage(DWORD code);

// FormatMessageA, for system messages only (FORMAT_MESSAGE_FROM_SYSTEM, optionally with
// FORMAT_MESSAGE_IGNORE_INSERTS): copies SystemErrorMessage(messageId) followed by "\r\n", as the
// Windows texts end, into the buffer and returns the number of characters copied without the NUL;
// 0 with ERROR_INSUFFICIENT_BUFFER when the text does not fit, ERROR_INVALID_PARAMETER for other
// flags (FORMAT_MESSAGE_ALLOCATE_BUFFER and message sources are not supported).
inline constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
inline constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
inline constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     void* arguments);

} // namespace win
