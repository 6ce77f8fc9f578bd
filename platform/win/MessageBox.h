// MessageBoxA with the Windows flag and result values, headless by default.
//
// Without a handler the message is written to standard error as one line
//   "<caption>: <Error|Warning|Question|Information>: <text>"   (the kind only when an icon is set)
// and the default button's result is returned at once (MB_DEFBUTTONn, or the first button), which
// is what an unattended program would want. An application with a user interface, or a test that
// records the calls, installs a handler; the handler's result is returned as it stands.
#pragma once

#include "platform/win/WinTypes.h"

#include <functional>
#include <string>

namespace win {

// Buttons (the low 4 bits).
inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr UINT MB_YESNOCANCEL = 0x00000003;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_RETRYCANCEL = 0x00000005;
inline constexpr UINT MB_CANCELTRYCONTINUE = 0x00000006;
inline constexpr UINT MB_TYPEMASK = 0x0000000F;
// Icons.
inline constexpr UINT MB_ICONHAND = 0x00000010;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_ICONASTERISK = 0x00000040;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr UINT MB_ICONMASK = 0x000000F0;
// Default button.
inline constexpr UINT MB_DEFBUTTON1 = 0x00000000;
inline constexpr UINT MB_DEFBUTTON2 = 0x00000100;
inline constexpr UINT MB_DEFBUTTON3 = 0x00000200;
inline constexpr UINT MB_DEFBUTTON4 = 0x00000300;
inline constexpr UINT MB_DEFMASK = 0x00000F00;
// Modality and options (accepted and passed to the handler; no effect headless).
inline constexpr UINT MB_APPLMODAL = 0x00000000;
inline constexpr UINT MB_SYSTEMMODAL = 0x00001000;
inline constexpr UINT MB_TASKMODAL = 0x00002000;
inline constexpr UINT MB_SETFOREGROUND = 0x00010000;
inline constexpr UINT MB_TOPMOST = 0x00040000;

// Results.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDTRYAGAIN = 10;
inline constexpr int IDCONTINUE = 11;

// Shows the message (through the handler, or headless as above) and returns the button chosen.
// 0 with ERROR_INVALID_PARAMETER for an unknown button set. A null text is empty; a null caption
// is "Error", as on Windows.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// A message box implementation: receives the owner, text, caption and flags as given (text and
// caption never null) and returns one of the ID* values.
using MessageBoxHandler =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;

// Installs a handler (an empty one restores the headless default) and returns the previous one.
// Safe to call from any thread; a call in progress finishes with the handler it started with.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// The result of the default button of a flag set (IDOK for MB_OK, IDNO for MB_YESNO |
// MB_DEFBUTTON2, ...); 0 for an unknown button set. An MB_DEFBUTTONn past the last button
// selects the first.
int MessageBoxDefaultResult(UINT type);

} // namespace win
