// SearchPathA: finding a file along a search path, as the product does before loading the client
// library, so that it can make the library's folder current.
//
// With no path given the folders are, in order: the running program's folder, the current
// directory, each folder of LD_LIBRARY_PATH, each folder of PATH, and the standard library folders
// (/lib, /usr/lib, the multiarch folders /lib/<triplet> and /usr/lib/<triplet>, /lib64, /usr/lib64,
// /usr/local/lib). The whole order is searched for the name as given (with the extension added
// when the name has none), then, for a "*.dll" name, for "lib*.so". A name with a delimiter is not
// searched for: it is checked as given, relative to the current directory.
#pragma once

#include "platform/win/WinTypes.h"

#include <optional>
#include <string>
#include <vector>

namespace win {

// path: folders separated by ';' (or ':'), or null for the order above. extension: ".ext" added
// when the file name has no extension, or null. On success copies the full path (absolute,
// normalised) into buffer and returns its length without the NUL; filePart (if not null) then
// points at the file name inside buffer. When bufferLength is too small, nothing is copied and the
// result is the size needed including the NUL. 0 when not found (ERROR_FILE_NOT_FOUND) or for a
// null or empty file name (ERROR_INVALID_PARAMETER).
DWORD SearchPathA(LPCSTR path, LPCSTR fileName, LPCSTR extension, DWORD bufferLength, LPSTR buffer,
                  LPSTR* filePart);

// The same search returning the full path, or nothing (last error set as above).
std::optional<std::string> SearchFile(LPCSTR path, const std::string& fileName, LPCSTR extension = nullptr);

// The folders searched when no path is given, in order (duplicates kept, empty entries dropped).
std::vector<std::string> DefaultSearchFolders();

} // namespace win
