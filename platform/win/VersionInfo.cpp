// GetFileVersionInfo*A and VerQueryValueA over the ELF/PE version-block reader.
#include "platform/win/VersionInfo.h"

#include "platform/win/CodePage.h"
#include "platform/win/LastError.h"
#include "platform/win/PathUtil.h"
#include "platform/win/SearchPath.h"
#include "platform/win/VersionResource.h"

#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <vector>

namespace win {

namespace {

// Marks the narrow-text area that follows the raw block in a block of GetFileVersionInfoA.
constexpr char kNarrowMarker[4] = {'T', 'n', 'x', 'A'};
constexpr size_t kMarkerSize = 8; // marker + DWORD raw length

size_t Align4(size_t n) {
    return (n + 3) & ~size_t(3);
}

size_t FilledSize(size_t rawLength) {
    return 2 * Align4(rawLength) + kMarkerSize;
}

// Reads and checks the version block of the named file; sets the last error on failure.
bool LoadBlock(LPCSTR fileName, std::vector<std::uint8_t>& raw) {
    if (fileName == nullptr || *fileName == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::optional<std::string> path = ResolveVersionFile(fileName);
    if (!path) return false;
    FileByteSource file(*path);
    if (!file.IsOpen()) {
        SetLastErrorFromErrno(file.Error(), *path);
        return false;
    }
    switch (ReadVersionResource(file, raw)) {
    case VersionResourceStatus::Found:
        return true;
    case VersionResourceStatus::NotFound:
        SetLastErrorWithText(ERROR_RESOURCE_TYPE_NOT_FOUND, *path + ": the file has no version information");
        return false;
    case VersionResourceStatus::NotAnImage:
        SetLastErrorWithText(ERROR_BAD_FORMAT, *path + ": not an executable or library file");
        return false;
    case VersionResourceStatus::Malformed:
        break;
    }
    SetLastErrorWithText(ERROR_INVALID_DATA, *path + ": the version information is damaged");
    return false;
}

// Writes the Windows-1252 form of every text value of the tree into the narrow area.
void FillNarrow(const std::uint8_t* raw, const VersionNode& node, std::uint8_t* narrow, size_t narrowSize) {
    if (node.Text && node.ValueBytes != 0) {
        std::string text = Utf16ToAnsi(VersionNodeText(raw, node));
        // The UTF-16 value occupies ValueBytes >= 2 * characters; the narrow copy needs
        // characters + 1, so it fits in the same place of the narrow area.
        if (text.size() + 1 <= node.ValueBytes && node.ValueOffset + text.size() + 1 <= narrowSize)
            std::memcpy(narrow + node.ValueOffset, text.c_str(), text.size() + 1);
    }
    for (const VersionNode& child : node.Children)
        FillNarrow(raw, child, narrow, narrowSize);
}

std::string LoadedLibraryPath(const std::string& name) {
    void* handle = dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr) {
        dlerror();
        return {};
    }
    std::string path;
    struct link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr)
        path = map->l_name;
    dlclose(handle);
    return path.empty() ? path : AbsolutePath(path);
}

} // namespace

std::optional<std::string> ResolveVersionFile(const std::string& fileName) {
    std::vector<std::string> names{fileName};
    std::string mapped = MapDllName(fileName);
    if (!mapped.empty()) names.push_back(mapped);
    for (const std::string& name : names)
        for (const std::string& form : PathForms(name))
            if (IsExistingFile(form)) return AbsolutePath(form);
    if (!HasPathDelimiter(fileName)) {
        for (const std::string& name : names)
            if (auto found = SearchFile(nullptr, name)) return found;
        for (const std::string& name : names) {
            std::string loaded = LoadedLibraryPath(name);
            if (!loaded.empty()) return loaded;
        }
    }
    SetLastErrorWithText(ERROR_FILE_NOT_FOUND, "The system cannot find the file specified: " + fileName);
    return std::nullopt;
}

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle) {
    if (handle != nullptr) *handle = 0;
    std::vector<std::uint8_t> raw;
    if (!LoadBlock(fileName, raw)) return 0;
    return static_cast<DWORD>(FilledSize(raw.size()));
}

std::vector<std::uint8_t> MakeVersionInfoBuffer(const std::vector<std::uint8_t>& raw) {
    VersionNode root;
    if (!ParseVersionBlock(raw.data(), raw.size(), root) || root.Length != raw.size()) return {};
    const size_t aligned = Align4(raw.size());
    std::vector<std::uint8_t> out(FilledSize(raw.size()), 0);
    std::memcpy(out.data(), raw.data(), raw.size());
    std::memcpy(out.data() + aligned, kNarrowMarker, sizeof kNarrowMarker);
    for (int i = 0; i < 4; ++i)
        out[aligned + 4 + i] = static_cast<std::uint8_t>(raw.size() >> (8 * i));
    FillNarrow(raw.data(), root, out.data() + aligned + kMarkerSize, aligned);
    return out;
}

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD length, LPVOID data) {
    (void)handle;
    if (data == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::uint8_t> raw;
    if (!LoadBlock(fileName, raw)) return FALSE;
    if (length < FilledSize(raw.size())) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::vector<std::uint8_t> filled = MakeVersionInfoBuffer(raw);
    std::memcpy(data, filled.data(), filled.size());
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length) {
    if (block == nullptr || subBlock == nullptr || buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* bytes = static_cast<const std::uint8_t*>(block);
    // The block carries its own length in the root node; a block from GetFileVersionInfoA is at
    // least that long.
    const size_t rawLength = static_cast<size_t>(bytes[0] | bytes[1] << 8);
    VersionNode root;
    if (!ParseVersionBlock(bytes, rawLength, root)) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    const VersionNode* node = FindVersionNode(root, subBlock);
    if (node == nullptr) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    auto give = [&](const void* p, size_t n) {
        *buffer = const_cast<void*>(p);
        if (length != nullptr) *length = static_cast<UINT>(n);
        return TRUE;
    };
    if (node == &root) {
        if (root.ValueBytes != sizeof(VS_FIXEDFILEINFO)) {
            SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
            return FALSE;
        }
        const std::uint8_t* sig = bytes + root.ValueOffset;
        DWORD signature = DWORD(sig[0]) | DWORD(sig[1]) << 8 | DWORD(sig[2]) << 16 | DWORD(sig[3]) << 24;
        if (signature != kFixedFileInfoSignature) {
            SetLastError(ERROR_INVALID_DATA);
            return FALSE;
        }
        return give(bytes + root.ValueOffset, sizeof(VS_FIXEDFILEINFO));
    }
    if (!node->Text) return give(bytes + node->ValueOffset, node->ValueBytes);

    static const char kEmpty[1] = {'\0'};
    if (node->ValueBytes == 0) return give(kEmpty, 0);
    const size_t aligned = Align4(rawLength);
    if (std::memcmp(bytes + aligned, kNarrowMarker, sizeof kNarrowMarker) != 0) {
        // A raw block without the narrow area (not filled by GetFileVersionInfoA).
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    const char* text = reinterpret_cast<const char*>(bytes + aligned + kMarkerSize + node->ValueOffset);
    const void* nul = std::memchr(text, '\0', node->ValueBytes);
    if (nul == nullptr) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    size_t count = static_cast<size_t>(static_cast<const char*>(nul) - text);
    return give(text, count == 0 ? 0 : count + 1);
}

} // namespace win
