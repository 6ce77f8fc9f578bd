// The designer's package loader: loads component packages (shared libraries) by file name and asks
// each to register what it offers, so the palette, property editors and component editors come
// from whichever packages are loaded.
//
// A package is a library whose version information has a FileDescription; that description names
// the package ("Tarnix base classes", "Tarnix for SQL Anywhere"), whatever generation of it a file
// holds (libTnxSa5, libTnxSa4, libTnxSa3). A package may export the C entry point
// TnxRegisterPackage (void, no arguments); when it does, Load calls it once.
//
// Load refuses, with a message naming both files and changing nothing:
//   - a file already loaded through this loader (the same file under any name);
//   - a file whose package is already in the process from another file (a second generation of a
//     package, e.g. libTnxSa4 after libTnxSa5), whether this loader or the program itself brought
//     it in;
//   - a file that would bring in, as a dependency, another generation of a package already in
//     the process (libTnxSa4, which needs libTnxPack4, after libTnxPack5). The dependencies are
//     read from the file before it is loaded (LibraryDependencies.h); one the check could not
//     see is caught after loading, and the package's entry point is then not run.
// Two generations of one package in one process would share class names, form resources and
// registrations, and whichever copy the dynamic loader bound first would serve both.
//
// Packages stay loaded until the process ends: components of their classes may live as long.
#pragma once

#include "platform/vcl/Exceptions.h"

#include <string>
#include <vector>

namespace tnxdesign {

// A package that cannot be loaded, and why.
class EPackageError : public vcl::Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EPackageError"; }
};

// The entry point a package exports.
inline constexpr const char* PackageEntryPointName = "TnxRegisterPackage";

struct TLoadedPackage {
    std::string FileName;    // as the caller named it
    std::string Path;        // the file loaded, absolute with links resolved
    std::string Description; // the package's name, from its version information
    bool Registered = false; // its entry point ran (false: it has none)
};

// The FileDescription of a library's version information, or "" when it has none (the file is
// read, not loaded).
std::string ReadPackageDescription(const std::string& fileName);

class PackageLoader {
public:
    PackageLoader() = default;
    PackageLoader(const PackageLoader&) = delete;
    PackageLoader& operator=(const PackageLoader&) = delete;

    // Loads a package and runs its entry point (see the file comment); raises EPackageError.
    const TLoadedPackage& Load(const std::string& fileName);
    // The packages loaded, in load order.
    const std::vector<TLoadedPackage>& Packages() const { return FPackages; }
    // The loaded package of that description (ignoring case), or null.
    const TLoadedPackage* FindByDescription(const std::string& description) const;

private:
    std::vector<TLoadedPackage> FPackages;
};

} // namespace tnxdesign
