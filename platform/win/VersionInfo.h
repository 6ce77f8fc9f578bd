// Version information of executables and libraries under the Windows names:
// GetFileVersionInfoSizeA, GetFileVersionInfoA and VerQueryValueA.
//
// The file is found as LoadLibraryA would find it: the name as given (a path with backslashes is
// also tried with them as delimiters), then for a bare name the library search of SearchPathA and
// finally a library of that name already loaded into the process; each of these for the name and,
// for a "*.dll" name, for "lib*.so". Its version block comes from the ELF section or the PE
// resource (VersionResource.h).
//
// The block GetFileVersionInfoA fills holds the raw VS_VERSIONINFO bytes, then a marker, then the
// text values converted to Windows-1252, so that VerQueryValueA hands out narrow text inside the
// caller's block as the Windows "A" function does. Its size is what GetFileVersionInfoSizeA says;
// a smaller buffer is refused rather than filled with a truncated block.
#pragma once

#include "platform/win/VersionBlock.h"
#include "platform/win/WinTypes.h"

#include <optional>
#include <string>
#include <vector>

namespace win {

// Bytes needed for the file's version information; 0 when it has none (ERROR_RESOURCE_TYPE_NOT_FOUND),
// when the file is not found (ERROR_FILE_NOT_FOUND), is not an executable or library
// (ERROR_BAD_FORMAT) or its version information is damaged (ERROR_INVALID_DATA). handle, when
// not null, is set to 0.
DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle);

// Fills data (length bytes, at least what GetFileVersionInfoSizeA said) with the file's version
// information. FALSE with the errors above, or ERROR_INSUFFICIENT_BUFFER / ERROR_INVALID_PARAMETER.
BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD length, LPVOID data);

// Looks a value up in a block filled by GetFileVersionInfoA:
//   "\"                              -> the VS_FIXEDFILEINFO, length 52 (FALSE when the root has
//                                       no such value or its signature is wrong)
//   "\VarFileInfo\Translation"       -> the array of (language, code page) WORD pairs, length in bytes
//   "\StringFileInfo\040904E4\Name"  -> NUL-terminated Windows-1252 text, length in characters
//                                       with the NUL (0 for an empty value)
// Keys compare without regard to case; '/' separates keys like '\'. Any other node gives its
// binary value (length 0 when it has none). FALSE for a missing key or a block that does not
// parse. The pointer stays valid as long as the block.
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length);

// The block GetFileVersionInfoA writes for a raw VS_VERSIONINFO (which must pass
// ParseVersionBlock): the raw bytes, the marker and the narrow text area. Empty when raw does not
// parse.
std::vector<std::uint8_t> MakeVersionInfoBuffer(const std::vector<std::uint8_t>& raw);

// The path of the file GetFileVersionInfo*A would read for the name, or nothing (last error set).
std::optional<std::string> ResolveVersionFile(const std::string& fileName);

} // namespace win
