// Path helpers of the Windows stand-ins.
#include "platform/win/PathUtil.h"

#include <cctype>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace win {

bool HasPathDelimiter(const std::string& name) {
    return name.find_first_of("/\\") != std::string::npos;
}

std::string ToPosixDelimiters(const std::string& name) {
    std::string out = name;
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

std::vector<std::string> PathForms(const std::string& name) {
    std::vector<std::string> forms{name};
    std::string posix = ToPosixDelimiters(name);
    if (posix != name) forms.push_back(posix);
    return forms;
}

std::string MapDllName(const std::string& name) {
    const std::string ext = ".dll";
    if (name.size() <= ext.size()) return {};
    std::string tail = name.substr(name.size() - ext.size());
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (tail != ext) return {};
    size_t cut = name.find_last_of("/\\");
    size_t start = cut == std::string::npos ? 0 : cut + 1;
    std::string stem = name.substr(start, name.size() - ext.size() - start);
    if (stem.empty()) return {};
    return name.substr(0, start) + "lib" + stem + ".so";
}

std::string ExecutableDirectory() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return exe.parent_path().string();
}

std::string CurrentDirectoryPath() {
    std::error_code ec;
    std::filesystem::path cwd = std::filesystem::current_path(ec);
    if (ec) return {};
    return cwd.string();
}

bool IsExistingFile(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string AbsolutePath(const std::string& path) {
    std::filesystem::path p(path);
    if (p.is_relative()) p = std::filesystem::path(CurrentDirectoryPath()) / p;
    std::string out = p.lexically_normal().string();
    // lexically_normal keeps a trailing delimiter of a folder path ("a/b/"); a file path has none.
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

} // namespace win
