// The Windows base types, constants and error codes that the stand-ins in namespace win speak.
//
// Sizes follow the Windows data model where values cross into stored or exchanged data (DWORD and
// UINT are 32 bits, WORD 16, BYTE 8); handles are native pointers, so a handle obtained from these
// stand-ins is a real address and never falls below 32, the value under which Windows code treats
// a module handle as a failure.
#pragma once

#include <cstdint>

namespace win {

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using LONG = std::int32_t;
using CHAR = char;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPDWORD = DWORD*;
using PUINT = UINT*;
using SIZE_T = std::size_t;
using INT_PTR = std::intptr_t;

static_assert(sizeof(DWORD) == 4 && sizeof(WORD) == 2 && sizeof(UINT) == 4, "Windows integer sizes");

// Opaque handle types: distinct pointer types, as in the Windows headers.
struct HINSTANCE__;
struct HWND__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
using HWND = HWND__*;

// An entry point as GetProcAddress returns it. void(*)() converts to any other function pointer
// type with reinterpret_cast without a cast-function-type warning.
using FARPROC = void (*)();

// Some C headers define TRUE and FALSE as macros; their values are the same, so keep theirs.
#ifndef FALSE
inline constexpr BOOL FALSE = 0;
#endif
#ifndef TRUE
inline constexpr BOOL TRUE = 1;
#endif

// Longest path the product reserves room for (characters, the terminating NUL included).
inline constexpr DWORD MAX_PATH = 260;

// System error codes (GetLastError), with their Windows values.
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_INVALID_FUNCTION = 1;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_BAD_FORMAT = 11;
inline constexpr DWORD ERROR_INVALID_DATA = 13;
inline constexpr DWORD ERROR_OUTOFMEMORY = 14;
inline constexpr DWORD ERROR_GEN_FAILURE = 31;
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_INVALID_NAME = 123;
inline constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
inline constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
inline constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;
inline constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr DWORD ERROR_DIRECTORY = 267;
inline constexpr DWORD ERROR_INVALID_ADDRESS = 487;
inline constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
inline constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
inline constexpr DWORD ERROR_CANCELLED = 1223;

} // namespace win
