// Fuzz target of the version-information readers: the input is taken as a whole file (ELF, PE or
// anything else) and, separately, as a raw version block; whatever parses is queried throughout.
#include "platform/win/VersionBlock.h"
#include "platform/win/VersionInfo.h"
#include "platform/win/VersionResource.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

const char* const kPaths[] = {"\\",
                              "\\VarFileInfo\\Translation",
                              "\\StringFileInfo\\040904E4\\ProductVersion",
                              "\\StringFileInfo\\040904e4\\FileVersion",
                              "/StringFileInfo",
                              "\\a\\b\\c\\d\\e"};

void Exercise(const std::vector<std::uint8_t>& raw) {
    win::VersionNode root;
    if (!win::ParseVersionBlock(raw.data(), raw.size(), root)) return;
    // The parsed block must be queryable the way the product queries it.
    std::vector<std::uint8_t> filled = win::MakeVersionInfoBuffer(raw);
    volatile std::uint8_t sink = 0;
    for (const char* path : kPaths) {
        if (const win::VersionNode* node = win::FindVersionNode(root, path))
            sink = sink + static_cast<std::uint8_t>(win::VersionNodeText(raw.data(), *node).size());
        if (filled.empty()) continue;
        win::LPVOID value = nullptr;
        win::UINT length = 0;
        if (win::VerQueryValueA(filled.data(), path, &value, &length))
            for (win::UINT i = 0; i < length; ++i)
                sink = sink + static_cast<const std::uint8_t*>(value)[i];
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    win::MemoryByteSource source(data, size);
    std::vector<std::uint8_t> block;
    if (win::ReadVersionResource(source, block) == win::VersionResourceStatus::Found) Exercise(block);
    if (size <= win::kMaxVersionBlockSize) {
        std::vector<std::uint8_t> raw(data, data + size);
        win::VersionNode root;
        if (win::ParseVersionBlock(raw.data(), raw.size(), root)) {
            raw.resize(root.Length);
            Exercise(raw);
        }
    }
    return 0;
}
