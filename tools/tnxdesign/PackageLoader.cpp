// The designer's package loader (see PackageLoader.h).
#include "tools/tnxdesign/PackageLoader.h"

#include "tools/tnxdesign/LibraryDependencies.h"

#include "platform/vcl/SysUtils.h"
#include "platform/win/LastError.h"
#include "platform/win/Library.h"
#include "platform/win/VersionInfo.h"

#include <dlfcn.h>
#include <link.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

namespace tnxdesign {

namespace {

// The absolute path of a file with links resolved, or the name itself when it does not resolve.
std::string CanonicalPath(const std::string& fileName) {
    char resolved[PATH_MAX];
    if (realpath(fileName.c_str(), resolved) == nullptr) return fileName;
    return resolved;
}

// The files of every object the process has loaded (the program, its libraries, dlopen'ed ones).
std::set<std::string> LoadedObjectPaths() {
    std::set<std::string> paths;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0')
                static_cast<std::set<std::string>*>(data)->insert(CanonicalPath(info->dlpi_name));
            return 0;
        },
        &paths);
    return paths;
}

// Descriptions of files, each read once per Load.
class DescriptionCache {
public:
    const std::string& Of(const std::string& path) {
        auto it = FCache.find(path);
        if (it == FCache.end()) it = FCache.emplace(path, ReadPackageDescription(path)).first;
        return it->second;
    }

private:
    std::map<std::string, std::string> FCache;
};

// The object of the process, other than path, whose package is description; "" when none.
std::string OtherGeneration(const std::set<std::string>& objects, const std::string& path,
                            const std::string& description, DescriptionCache& descriptions) {
    for (const std::string& object : objects) {
        if (object == path) continue;
        if (vcl::SameText(descriptions.Of(object), description)) return object;
    }
    return {};
}

} // namespace

std::string ReadPackageDescription(const std::string& fileName) {
    win::DWORD handle = 0;
    const win::DWORD size = win::GetFileVersionInfoSizeA(fileName.c_str(), &handle);
    if (size == 0) return {};
    std::vector<std::uint8_t> block(size);
    if (!win::GetFileVersionInfoA(fileName.c_str(), handle, size, block.data())) return {};
    void* value = nullptr;
    win::UINT length = 0;
    if (!win::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length) || length < 4)
        return {};
    const auto* translation = static_cast<const std::uint16_t*>(value);
    char key[64];
    std::snprintf(key, sizeof key, "\\StringFileInfo\\%04X%04X\\FileDescription", translation[0], translation[1]);
    if (!win::VerQueryValueA(block.data(), key, &value, &length) || length == 0) return {};
    return static_cast<const char*>(value);
}

const TLoadedPackage* PackageLoader::FindByDescription(const std::string& description) const {
    for (const TLoadedPackage& package : FPackages)
        if (vcl::SameText(package.Description, description)) return &package;
    return nullptr;
}

const TLoadedPackage& PackageLoader::Load(const std::string& fileName) {
    const std::optional<std::string> found = win::ResolveVersionFile(fileName);
    if (!found) throw EPackageError("Cannot load package %s: the file was not found", {fileName});
    const std::string path = CanonicalPath(*found);

    for (const TLoadedPackage& package : FPackages)
        if (package.Path == path)
            throw EPackageError("Cannot load package %s: it is already loaded (from %s)", {fileName, package.Path});

    const std::string description = ReadPackageDescription(path);
    if (description.empty())
        throw EPackageError("Cannot load package %s: the file has no package description in its version information",
                            {path});

    DescriptionCache descriptions;
    const std::set<std::string> before = LoadedObjectPaths();
    const std::string other = OtherGeneration(before, path, description, descriptions);
    if (!other.empty())
        throw EPackageError("Cannot load package %s: \"%s\" is already loaded from %s, and only one generation of a "
                            "package can be loaded",
                            {path, description, other});

    // What the package needs is checked before it is loaded: a library, once loaded, cannot always
    // be unloaded again (its static data may pin it in the process).
    for (const std::string& needed : FindNeededLibraryFiles(path)) {
        const std::string neededPath = CanonicalPath(needed);
        const std::string& neededDescription = descriptions.Of(neededPath);
        if (neededDescription.empty()) continue;
        const std::string clash = OtherGeneration(before, neededPath, neededDescription, descriptions);
        if (!clash.empty())
            throw EPackageError("Cannot load package %s: it needs %s, another generation of \"%s\", which is already "
                                "loaded from %s",
                                {path, neededPath, neededDescription, clash});
    }

    win::HMODULE module = win::LoadLibraryA(path.c_str());
    if (module == nullptr)
        throw EPackageError("Cannot load package %s: %s", {path, win::SystemErrorMessage(win::GetLastError())});

    // A dependency found elsewhere than the check above looked (the system's search) may still be
    // another generation of a package already here: its entry point is then not run.
    for (const std::string& object : LoadedObjectPaths()) {
        if (before.count(object) != 0 || object == path) continue;
        const std::string& needed = descriptions.Of(object);
        if (needed.empty()) continue;
        const std::string clash = OtherGeneration(before, object, needed, descriptions);
        if (clash.empty()) continue;
        win::FreeLibrary(module);
        throw EPackageError("Cannot load package %s: it needs %s, another generation of \"%s\", which is already "
                            "loaded from %s",
                            {path, object, needed, clash});
    }

    TLoadedPackage package;
    package.FileName = fileName;
    package.Path = path;
    package.Description = description;

    // The entry point must be the package's own, not one of a library it depends on.
    auto* entry = reinterpret_cast<void (*)()>(win::GetProcAddress(module, PackageEntryPointName));
    if (entry != nullptr) {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(entry), &info) == 0 || info.dli_fname == nullptr ||
            CanonicalPath(info.dli_fname) != path)
            entry = nullptr;
    }
    FPackages.push_back(package);
    if (entry != nullptr) {
        try {
            entry();
        } catch (const std::exception& e) {
            throw EPackageError("Package %s failed to register its components: %s", {path, std::string(e.what())});
        }
        FPackages.back().Registered = true;
    }
    return FPackages.back();
}

} // namespace tnxdesign
