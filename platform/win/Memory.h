// VirtualAlloc/VirtualFree: whole pages from the system, with Windows protection values, for code
// that needs memory it can make executable (callback entry stubs) or page-granular buffers.
//
// MEM_RESERVE and MEM_COMMIT both map the pages at once (zero-filled); a region is released whole
// with MEM_RELEASE and size 0, as on Windows. Committing part of a reserved region, MEM_DECOMMIT
// and fixed addresses are not supported.
#pragma once

#include "platform/win/WinTypes.h"

namespace win {

inline constexpr DWORD MEM_COMMIT = 0x00001000;
inline constexpr DWORD MEM_RESERVE = 0x00002000;
inline constexpr DWORD MEM_DECOMMIT = 0x00004000;
inline constexpr DWORD MEM_RELEASE = 0x00008000;

inline constexpr DWORD PAGE_NOACCESS = 0x01;
inline constexpr DWORD PAGE_READONLY = 0x02;
inline constexpr DWORD PAGE_READWRITE = 0x04;
inline constexpr DWORD PAGE_EXECUTE = 0x10;
inline constexpr DWORD PAGE_EXECUTE_READ = 0x20;
inline constexpr DWORD PAGE_EXECUTE_READWRITE = 0x40;

// A new region of at least size bytes (rounded up to whole pages); null with the last error set
// for a zero size, a given address, an unknown protection or allocation type, or no memory.
LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect);

// Releases a region VirtualAlloc returned (MEM_RELEASE, size 0). FALSE with ERROR_INVALID_ADDRESS
// for anything else, ERROR_INVALID_PARAMETER for another free type or a non-zero size.
BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD freeType);

} // namespace win
