// The shared libraries a library file needs (see LibraryDependencies.h).
#include "tools/tnxdesign/LibraryDependencies.h"

#include <elf.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>

namespace tnxdesign {

namespace {

class FileReader {
public:
    explicit FileReader(const std::string& fileName) : FIn(fileName, std::ios::binary) {
        if (FIn) {
            FIn.seekg(0, std::ios::end);
            FSize = static_cast<std::uint64_t>(FIn.tellg());
        }
    }
    bool Read(std::uint64_t offset, void* out, std::uint64_t count) {
        if (!FIn || offset > FSize || count > FSize - offset) return false;
        FIn.seekg(static_cast<std::streamoff>(offset));
        return static_cast<bool>(FIn.read(static_cast<char*>(out), static_cast<std::streamsize>(count)));
    }
    // A NUL-terminated string inside [tableOffset, tableOffset + tableSize).
    bool ReadString(std::uint64_t tableOffset, std::uint64_t tableSize, std::uint64_t index, std::string& out) {
        if (index >= tableSize) return false;
        out.clear();
        for (std::uint64_t i = index; i < tableSize; ++i) {
            char c;
            if (!Read(tableOffset + i, &c, 1)) return false;
            if (c == '\0') return true;
            out += c;
        }
        return false;
    }

private:
    std::ifstream FIn;
    std::uint64_t FSize = 0;
};

std::string FolderOf(const std::string& fileName) {
    const size_t slash = fileName.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : fileName.substr(0, slash);
}

std::vector<std::string> SplitPaths(const std::string& list, const std::string& origin) {
    std::vector<std::string> paths;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        std::string path = list.substr(start, end - start);
        for (const char* token : {"${ORIGIN}", "$ORIGIN"}) {
            size_t at;
            while ((at = path.find(token)) != std::string::npos) path.replace(at, std::strlen(token), origin);
        }
        if (!path.empty()) paths.push_back(path);
        start = end + 1;
    }
    return paths;
}

bool IsFile(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

TLibraryNeeds ReadLibraryNeeds(const std::string& fileName) {
    TLibraryNeeds needs;
    FileReader file(fileName);
    Elf64_Ehdr header{};
    if (!file.Read(0, &header, sizeof header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_ident[EI_DATA] != ELFDATA2LSB ||
        header.e_shentsize != sizeof(Elf64_Shdr))
        return needs;

    for (unsigned i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr section{};
        if (!file.Read(header.e_shoff + std::uint64_t{i} * sizeof section, &section, sizeof section)) return needs;
        if (section.sh_type != SHT_DYNAMIC) continue;
        Elf64_Shdr strings{};
        if (section.sh_link >= header.e_shnum ||
            !file.Read(header.e_shoff + std::uint64_t{section.sh_link} * sizeof strings, &strings, sizeof strings))
            return needs;
        std::string runPath, rPath;
        const std::uint64_t count = section.sh_size / sizeof(Elf64_Dyn);
        for (std::uint64_t k = 0; k < count; ++k) {
            Elf64_Dyn entry{};
            if (!file.Read(section.sh_offset + k * sizeof entry, &entry, sizeof entry)) return needs;
            if (entry.d_tag == DT_NULL) break;
            std::string text;
            if (entry.d_tag != DT_NEEDED && entry.d_tag != DT_RUNPATH && entry.d_tag != DT_RPATH) continue;
            if (!file.ReadString(strings.sh_offset, strings.sh_size, entry.d_un.d_val, text)) continue;
            if (entry.d_tag == DT_NEEDED) needs.Needed.push_back(text);
            else if (entry.d_tag == DT_RUNPATH) runPath = text;
            else rPath = text;
        }
        needs.RunPaths = SplitPaths(runPath.empty() ? rPath : runPath, FolderOf(fileName));
        break;
    }
    return needs;
}

std::vector<std::string> FindNeededLibraryFiles(const std::string& fileName) {
    std::vector<std::string> found;
    std::set<std::string> seen{fileName};
    std::vector<std::string> pending{fileName};
    const char* env = std::getenv("LD_LIBRARY_PATH");
    const std::vector<std::string> libraryPath = SplitPaths(env != nullptr ? env : "", ".");
    while (!pending.empty()) {
        const std::string current = pending.back();
        pending.pop_back();
        const TLibraryNeeds needs = ReadLibraryNeeds(current);
        std::vector<std::string> folders = needs.RunPaths;
        folders.insert(folders.end(), libraryPath.begin(), libraryPath.end());
        for (const std::string& name : needs.Needed) {
            for (const std::string& folder : folders) {
                const std::string candidate = name.find('/') != std::string::npos ? name : folder + "/" + name;
                if (!IsFile(candidate)) continue;
                if (seen.insert(candidate).second) {
                    found.push_back(candidate);
                    pending.push_back(candidate);
                }
                break;
            }
        }
    }
    return found;
}

} // namespace tnxdesign
