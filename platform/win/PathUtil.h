// Path handling shared by the stand-ins: backslash delimiters, the "*.dll" to "lib*.so" file-name
// mapping, and the folders the library search uses.
//
// Windows code writes paths with backslashes. A POSIX path may legally contain one, so the
// stand-ins try a path as given first and then with every backslash read as a delimiter; a value
// written on Windows ("data\sales.db") therefore still finds its file.
#pragma once

#include <string>
#include <vector>

namespace win {

// True when the name contains '/' or '\'.
bool HasPathDelimiter(const std::string& name);

// The name with every backslash replaced by '/'.
std::string ToPosixDelimiters(const std::string& name);

// The forms to try for a path: as given, then with backslashes as delimiters when that differs.
std::vector<std::string> PathForms(const std::string& name);

// "dblib6.dll" -> "libdblib6.so", "dir/x.DLL" -> "dir/libx.so" (the extension is matched without
// regard to case; the folder part, read with either delimiter, is kept). Empty when the name does
// not end in ".dll" or has nothing before it.
std::string MapDllName(const std::string& name);

// The folder of the running program (from /proc/self/exe); empty when it cannot be read.
std::string ExecutableDirectory();

// The current directory; empty when it cannot be read.
std::string CurrentDirectoryPath();

// True for an existing file that is not a folder (symbolic links followed).
bool IsExistingFile(const std::string& path);

// The path made absolute against the current directory and lexically normalised ("a/./b/../c" ->
// "a/c"); symbolic links are not resolved.
std::string AbsolutePath(const std::string& path);

// "dir" + "/" + "name", without doubling a delimiter.
std::string JoinPath(const std::string& dir, const std::string& name);

} // namespace win
