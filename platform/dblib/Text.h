// Small text helpers of the client library: ASCII case folding and comparison (names of engines,
// databases, users, variables and options compare without regard to letter case), trimming, and
// the file-name parts used to derive default engine and database names.
#pragma once

#include <string>
#include <string_view>

namespace tnxdb {

inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string ToLower(std::string_view s);
std::string ToUpper(std::string_view s);
bool IEquals(std::string_view a, std::string_view b);
std::string_view Trim(std::string_view s);
bool IsBlank(char c);

// Reads a path as this system's own: backslashes become '/', so names written on Windows still
// split into folder and file.
std::string NormalizePath(std::string_view path);
// The file-name part of a path (after the last '/', '\' or ':').
std::string FileNamePart(std::string_view path);
// The file name without its extension: the text before the last dot of the file-name part.
std::string FilePrefix(std::string_view path);
// An absolute, canonical form of an existing file's path ("" when the file does not exist).
std::string CanonicalExistingFile(std::string_view path);

} // namespace tnxdb
