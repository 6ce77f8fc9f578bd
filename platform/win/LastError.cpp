// Thread-local last error with the system's text kept beside the code.
#include "platform/win/LastError.h"

#include <cerrno>
#include <cstring>

namespace win {

namespace {

// The calling thread's last error. Invariant: FText is empty unless the code was set together with
// a text by SetLastErrorWithText/SetLastErrorFromErrno, and it always belongs to FCode.
struct ThreadError {
    DWORD FCode = ERROR_SUCCESS;
    std::string FText;
};

ThreadError& Current() {
    thread_local ThreadError error;
    return error;
}

// Windows wording of the codes the stand-ins set.
const char* WindowsText(DWORD code) {
    switch (code) {
    case ERROR_SUCCESS:
        return "The operation completed successfully.";
    case ERROR_INVALID_FUNCTION:
        return "Incorrect function.";
    case ERROR_FILE_NOT_FOUND:
        return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND:
        return "The system cannot find the path specified.";
    case ERROR_ACCESS_DENIED:
        return "Access is denied.";
    case ERROR_INVALID_HANDLE:
        return "The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY:
        return "Not enough memory resources are available to process this command.";
    case ERROR_BAD_FORMAT:
        return "An attempt was made to load a program with an incorrect format.";
    case ERROR_INVALID_DATA:
        return "The data is invalid.";
    case ERROR_OUTOFMEMORY:
        return "Not enough memory resources are available to complete this operation.";
    case ERROR_GEN_FAILURE:
        return "A device attached to the system is not functioning.";
    case ERROR_NOT_SUPPORTED:
        return "The request is not supported.";
    case ERROR_INVALID_PARAMETER:
        return "The parameter is incorrect.";
    case ERROR_INSUFFICIENT_BUFFER:
        return "The data area passed to a system call is too small.";
    case ERROR_INVALID_NAME:
        return "The filename, directory name, or volume label syntax is incorrect.";
    case ERROR_MOD_NOT_FOUND:
        return "The specified module could not be found.";
    case ERROR_PROC_NOT_FOUND:
        return "The specified procedure could not be found.";
    case ERROR_BAD_EXE_FORMAT:
        return "The file is not a valid application.";
    case ERROR_FILENAME_EXCED_RANGE:
        return "The filename or extension is too long.";
    case ERROR_DIRECTORY:
        return "The directory name is invalid.";
    case ERROR_INVALID_ADDRESS:
        return "Attempt to access invalid address.";
    case ERROR_CANCELLED:
        return "The operation was canceled by the user.";
    case ERROR_RESOURCE_DATA_NOT_FOUND:
        return "The specified image file did not contain a resource section.";
    case ERROR_RESOURCE_TYPE_NOT_FOUND:
        return "The specified resource type cannot be found in the image file.";
    default:
        return nullptr;
    }
}

} // namespace

DWORD GetLastError() {
    return Current().FCode;
}

void SetLastError(DWORD code) {
    ThreadError& e = Current();
    e.FCode = code;
    e.FText.clear();
}

void SetLastErrorWithText(DWORD code, const std::string& text) {
    ThreadError& e = Current();
    e.FCode = code;
    e.FText = text;
}

DWORD ErrorCodeFromErrno(int error) {
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_DIRECTORY;
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case ERANGE:
        return ERROR_INSUFFICIENT_BUFFER;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case ENOEXEC:
        return ERROR_BAD_EXE_FORMAT;
    case ENOSYS:
    case ENOTSUP:
        return ERROR_NOT_SUPPORTED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

void SetLastErrorFromErrno(int error, const std::string& context) {
    std::string text = std::strerror(error);
    if (!context.empty()) text = context + ": " + text;
    SetLastErrorWithText(ErrorCodeFromErrno(error), text);
}

std::string SystemErrorMessage(DWORD code) {
    const ThreadError& e = Current();
    if (code == e.FCode && !e.FText.empty()) return e.FText;
    if (const char* text = WindowsText(code)) return text;
    return "Unknown error " + std::to_string(code);
}

DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     void* arguments) {
    (void)source;
    (void)languageId;
    (void)arguments;
    const DWORD supported = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || (flags & ~supported) != 0 || buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string text = SystemErrorMessage(messageId) + "\r\n";
    if (text.size() + 1 > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

} // namespace win
