// VirtualAlloc/VirtualFree over mmap/munmap, remembering each region's size for its release.
#include "platform/win/Memory.h"

#include "platform/win/LastError.h"

#include <cerrno>
#include <cstdint>
#include <map>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace win {

namespace {

// Regions handed out and their mapped sizes. Invariant: exactly the live regions are present.
struct Regions {
    std::mutex FLock;
    std::map<void*, size_t> FSizes;
};

Regions& Live() {
    static Regions* regions = new Regions; // never destroyed: usable while the process exits
    return *regions;
}

bool Protection(DWORD protect, int& prot) {
    switch (protect) {
    case PAGE_NOACCESS:
        prot = PROT_NONE;
        return true;
    case PAGE_READONLY:
        prot = PROT_READ;
        return true;
    case PAGE_READWRITE:
        prot = PROT_READ | PROT_WRITE;
        return true;
    case PAGE_EXECUTE:
        prot = PROT_EXEC;
        return true;
    case PAGE_EXECUTE_READ:
        prot = PROT_READ | PROT_EXEC;
        return true;
    case PAGE_EXECUTE_READWRITE:
        prot = PROT_READ | PROT_WRITE | PROT_EXEC;
        return true;
    default:
        return false;
    }
}

} // namespace

LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect) {
    int prot = 0;
    if (address != nullptr || size == 0 || (allocationType & ~(MEM_COMMIT | MEM_RESERVE)) != 0 ||
        (allocationType & (MEM_COMMIT | MEM_RESERVE)) == 0 || !Protection(protect, prot)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    if (size > SIZE_MAX - page) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    size_t mapped = (size + page - 1) / page * page;
    void* region = mmap(nullptr, mapped, prot, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region == MAP_FAILED) {
        SetLastErrorFromErrno(errno, "VirtualAlloc");
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(Live().FLock);
    Live().FSizes[region] = mapped;
    return region;
}

BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD freeType) {
    if (freeType != MEM_RELEASE || size != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    size_t mapped = 0;
    {
        std::lock_guard<std::mutex> lock(Live().FLock);
        auto it = Live().FSizes.find(address);
        if (it == Live().FSizes.end()) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        mapped = it->second;
        Live().FSizes.erase(it);
    }
    if (munmap(address, mapped) != 0) {
        SetLastErrorFromErrno(errno, "VirtualFree");
        return FALSE;
    }
    return TRUE;
}

} // namespace win
