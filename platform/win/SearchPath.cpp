// SearchPathA over the folders a POSIX program finds its files and libraries in.
#include "platform/win/SearchPath.h"

#include "platform/win/LastError.h"
#include "platform/win/PathUtil.h"

#include <cstdlib>
#include <cstring>

namespace win {

namespace {

void SplitInto(const std::string& list, const char* separators, std::vector<std::string>& out) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find_first_of(separators, start);
        if (end == std::string::npos) end = list.size();
        if (end > start) out.push_back(list.substr(start, end - start));
        start = end + 1;
    }
}

void AddEnvironmentList(const char* variable, std::vector<std::string>& out) {
    if (const char* value = std::getenv(variable)) SplitInto(value, ":", out);
}

// The Debian multiarch triplet of the platform we were built for.
const char* MultiarchTriplet() {
#if defined(__x86_64__)
    return "x86_64-linux-gnu";
#elif defined(__aarch64__)
    return "aarch64-linux-gnu";
#elif defined(__i386__)
    return "i386-linux-gnu";
#elif defined(__arm__)
    return "arm-linux-gnueabihf";
#elif defined(__powerpc64__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return "powerpc64le-linux-gnu";
#elif defined(__s390x__)
    return "s390x-linux-gnu";
#elif defined(__riscv) && __riscv_xlen == 64
    return "riscv64-linux-gnu";
#else
    return nullptr;
#endif
}

bool HasExtension(const std::string& name) {
    size_t slash = name.find_last_of("/\\");
    size_t dot = name.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

std::optional<std::string> FindIn(const std::vector<std::string>& folders, const std::string& name) {
    if (HasPathDelimiter(name)) {
        for (const std::string& form : PathForms(name))
            if (IsExistingFile(form)) return AbsolutePath(form);
        return std::nullopt;
    }
    for (const std::string& folder : folders) {
        for (const std::string& dir : PathForms(folder)) {
            std::string candidate = JoinPath(dir, name);
            if (IsExistingFile(candidate)) return AbsolutePath(candidate);
        }
    }
    return std::nullopt;
}

} // namespace

std::vector<std::string> DefaultSearchFolders() {
    std::vector<std::string> folders;
    std::string exe = ExecutableDirectory();
    if (!exe.empty()) folders.push_back(exe);
    std::string cwd = CurrentDirectoryPath();
    if (!cwd.empty()) folders.push_back(cwd);
    AddEnvironmentList("LD_LIBRARY_PATH", folders);
    AddEnvironmentList("PATH", folders);
    folders.push_back("/lib");
    folders.push_back("/usr/lib");
    if (const char* triplet = MultiarchTriplet()) {
        folders.push_back(std::string("/lib/") + triplet);
        folders.push_back(std::string("/usr/lib/") + triplet);
    }
    folders.push_back("/lib64");
    folders.push_back("/usr/lib64");
    folders.push_back("/usr/local/lib");
    return folders;
}

std::optional<std::string> SearchFile(LPCSTR path, const std::string& fileName, LPCSTR extension) {
    if (fileName.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    std::vector<std::string> folders;
    if (path != nullptr)
        SplitInto(path, ";:", folders);
    else
        folders = DefaultSearchFolders();

    std::string name = fileName;
    if (extension != nullptr && *extension != '\0' && !HasExtension(name)) name += extension;
    std::vector<std::string> names{name};
    std::string mapped = MapDllName(name);
    if (!mapped.empty()) names.push_back(mapped);

    for (const std::string& n : names)
        if (auto found = FindIn(folders, n)) return found;
    SetLastErrorWithText(ERROR_FILE_NOT_FOUND,
                         "The system cannot find the file specified: " + name +
                             (mapped.empty() ? std::string() : " (nor " + mapped + ")"));
    return std::nullopt;
}

DWORD SearchPathA(LPCSTR path, LPCSTR fileName, LPCSTR extension, DWORD bufferLength, LPSTR buffer,
                  LPSTR* filePart) {
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::optional<std::string> found = SearchFile(path, fileName, extension);
    if (!found) return 0;
    const std::string& full = *found;
    if (buffer == nullptr || full.size() + 1 > bufferLength) return static_cast<DWORD>(full.size() + 1);
    std::memcpy(buffer, full.c_str(), full.size() + 1);
    if (filePart != nullptr) *filePart = buffer + full.find_last_of('/') + 1;
    return static_cast<DWORD>(full.size());
}

} // namespace win
