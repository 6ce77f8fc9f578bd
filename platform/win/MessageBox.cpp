// MessageBoxA: a replaceable handler, headless by default.
#include "platform/win/MessageBox.h"

#include "platform/win/LastError.h"

#include <cstdio>
#include <mutex>
#include <vector>

namespace win {

namespace {

struct HandlerSlot {
    std::mutex FLock;
    MessageBoxHandler FHandler; // empty: headless
};

HandlerSlot& Slot() {
    static HandlerSlot* slot = new HandlerSlot; // never destroyed: usable while the process exits
    return *slot;
}

// The results of the buttons of each button set, left to right; empty for an unknown set.
std::vector<int> Buttons(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OK:
        return {IDOK};
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE:
        return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default:
        return {};
    }
}

const char* IconWord(UINT type) {
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
        return "Error";
    case MB_ICONQUESTION:
        return "Question";
    case MB_ICONEXCLAMATION:
        return "Warning";
    case MB_ICONASTERISK:
        return "Information";
    default:
        return nullptr;
    }
}

} // namespace

int MessageBoxDefaultResult(UINT type) {
    std::vector<int> buttons = Buttons(type);
    if (buttons.empty()) return 0;
    size_t index = (type & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons[0];
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard<std::mutex> lock(Slot().FLock);
    MessageBoxHandler previous = std::move(Slot().FHandler);
    Slot().FHandler = std::move(handler);
    return previous;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (Buttons(type).empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string body = text ? text : "";
    std::string title = caption ? caption : "Error";
    MessageBoxHandler handler;
    {
        std::lock_guard<std::mutex> lock(Slot().FLock);
        handler = Slot().FHandler;
    }
    if (handler) return handler(owner, body, title, type);

    if (const char* kind = IconWord(type))
        std::fprintf(stderr, "%s: %s: %s\n", title.c_str(), kind, body.c_str());
    else
        std::fprintf(stderr, "%s: %s\n", title.c_str(), body.c_str());
    std::fflush(stderr);
    return MessageBoxDefaultResult(type);
}

} // namespace win
