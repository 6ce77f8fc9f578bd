// Text helpers (see Text.h).
#include "platform/dblib/Text.h"

#include <filesystem>
#include <sys/stat.h>

namespace tnxdb {

std::string ToLower(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = AsciiLower(c);
    return r;
}

std::string ToUpper(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = AsciiUpper(c);
    return r;
}

bool IEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string NormalizePath(std::string_view path) {
    std::string r(path);
    for (char& c : r)
        if (c == '\\') c = '/';
    return r;
}

std::string FileNamePart(std::string_view path) {
    size_t pos = path.find_last_of("/\\:");
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string FilePrefix(std::string_view path) {
    std::string name = FileNamePart(path);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string CanonicalExistingFile(std::string_view path) {
    std::string p = NormalizePath(Trim(path));
    if (p.empty()) return {};
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    std::error_code ec;
    auto canon = std::filesystem::canonical(p, ec);
    return ec ? std::string() : canon.string();
}

} // namespace tnxdb
