// LoadLibraryA and friends over dlopen/dlsym/dlclose, with a registry of the handles handed out so
// that a stale or foreign handle is refused instead of crashing the loader.
#include "platform/win/Library.h"

#include "platform/win/LastError.h"
#include "platform/win/PathUtil.h"

#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <link.h>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace win {

namespace {

// Handles returned by LoadLibraryA and how many loads of each are outstanding. Invariant: a handle
// is present exactly while its count is above zero.
struct HandleRegistry {
    std::mutex FLock;
    std::map<void*, int> FCounts;
};

HandleRegistry& Registry() {
    static HandleRegistry* registry = new HandleRegistry; // never destroyed: used during exit too
    return *registry;
}

void Register(void* handle) {
    std::lock_guard<std::mutex> lock(Registry().FLock);
    ++Registry().FCounts[handle];
}

bool IsRegistered(void* handle) {
    std::lock_guard<std::mutex> lock(Registry().FLock);
    return Registry().FCounts.count(handle) != 0;
}

// Removes one load; false when the handle is unknown.
bool Unregister(void* handle) {
    std::lock_guard<std::mutex> lock(Registry().FLock);
    auto it = Registry().FCounts.find(handle);
    if (it == Registry().FCounts.end()) return false;
    if (--it->second == 0) Registry().FCounts.erase(it);
    return true;
}

std::string LoaderMessage() {
    const char* msg = dlerror();
    return msg ? msg : "unknown loader error";
}

bool IsNotFound(const std::string& message) {
    return message.find("No such file or directory") != std::string::npos;
}

// Outcome of trying one name.
enum class Attempt { Loaded, NotFound, Failed };

// Loads a file we know exists; a failure is final.
Attempt LoadFound(const std::string& path, void*& handle, std::string& error, DWORD& code) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle) return Attempt::Loaded;
    error = LoaderMessage();
    // A missing dependency or symbol is a missing module, as Windows reports it; anything else
    // means the file itself is not a loadable library.
    bool dependency = error.find("undefined symbol") != std::string::npos ||
                      error.find("cannot open shared object file") != std::string::npos;
    code = dependency ? ERROR_MOD_NOT_FOUND : ERROR_BAD_EXE_FORMAT;
    return Attempt::Failed;
}

Attempt TryName(const std::string& name, void*& handle, std::string& error, DWORD& code) {
    if (HasPathDelimiter(name)) {
        for (const std::string& form : PathForms(name)) {
            if (IsExistingFile(form)) return LoadFound(form, handle, error, code);
        }
        error = name + ": cannot open shared object file: No such file or directory";
        return Attempt::NotFound;
    }
    std::string cwd = CurrentDirectoryPath();
    if (!cwd.empty()) {
        std::string local = JoinPath(cwd, name);
        if (IsExistingFile(local)) return LoadFound(local, handle, error, code);
    }
    handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle) return Attempt::Loaded;
    error = LoaderMessage();
    if (IsNotFound(error)) return Attempt::NotFound;
    code = error.find("undefined symbol") != std::string::npos ? ERROR_MOD_NOT_FOUND : ERROR_BAD_EXE_FORMAT;
    return Attempt::Failed;
}

} // namespace

HMODULE LoadLibraryA(LPCSTR fileName) {
    if (fileName == nullptr || *fileName == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::vector<std::string> names{fileName};
    std::string mapped = MapDllName(fileName);
    if (!mapped.empty()) names.push_back(mapped);

    std::string error;
    for (const std::string& name : names) {
        void* handle = nullptr;
        DWORD code = ERROR_MOD_NOT_FOUND;
        switch (TryName(name, handle, error, code)) {
        case Attempt::Loaded:
            Register(handle);
            return reinterpret_cast<HMODULE>(handle);
        case Attempt::Failed:
            SetLastErrorWithText(code, error);
            return nullptr;
        case Attempt::NotFound:
            break;
        }
    }
    // error holds the last name's message, which names the "lib*.so" form for a "*.dll" name.
    SetLastErrorWithText(ERROR_MOD_NOT_FOUND, error);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
    void* handle = reinterpret_cast<void*>(module);
    if (handle == nullptr || !Unregister(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (dlclose(handle) != 0) {
        SetLastErrorWithText(ERROR_INVALID_HANDLE, LoaderMessage());
        return FALSE;
    }
    return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    if (procName == nullptr || reinterpret_cast<std::uintptr_t>(procName) < 0x10000) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void* handle = reinterpret_cast<void*>(module);
    if (handle == nullptr) {
        handle = RTLD_DEFAULT;
    } else if (!IsRegistered(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    dlerror(); // clear a stale message so that a null result can be told from an error
    void* address = dlsym(handle, procName);
    if (address == nullptr) {
        const char* msg = dlerror();
        SetLastErrorWithText(ERROR_PROC_NOT_FOUND, msg ? msg : std::string(procName) + ": symbol is null");
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(address);
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    void* handle = reinterpret_cast<void*>(module);
    std::string path;
    if (handle != nullptr) {
        if (!IsRegistered(handle)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
        struct link_map* map = nullptr;
        if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) {
            SetLastErrorWithText(ERROR_INVALID_HANDLE, LoaderMessage());
            return 0;
        }
        if (map->l_name != nullptr && map->l_name[0] != '\0') path = AbsolutePath(map->l_name);
    }
    if (path.empty()) { // the running program
        std::error_code ec;
        path = std::filesystem::read_symlink("/proc/self/exe", ec).string();
        if (ec) {
            SetLastErrorFromErrno(ec.value(), "/proc/self/exe");
            return 0;
        }
    }
    if (fileName == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() + 1 > size) {
        std::memcpy(fileName, path.data(), size - 1);
        fileName[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

} // namespace win
