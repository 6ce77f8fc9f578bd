// The shared libraries a library file needs (its DT_NEEDED entries), found the way the dynamic
// loader finds them, read from the file without loading it. The package loader uses this to see,
// before loading a package, which other packages would come in with it.
//
// Only 64-bit little-endian ELF files are read (the machines this builds for); for any other
// file, or one that does not parse, the list is empty. Every offset and size read from the file is
// checked against the file before use.
#pragma once

#include <string>
#include <vector>

namespace tnxdesign {

// The names in the file's DT_NEEDED entries, in order, and its run paths (DT_RUNPATH, or else
// DT_RPATH, split at ':' with $ORIGIN replaced by the file's folder).
struct TLibraryNeeds {
    std::vector<std::string> Needed;
    std::vector<std::string> RunPaths;
};
TLibraryNeeds ReadLibraryNeeds(const std::string& fileName);

// The files of the libraries the file needs, directly or through others, that exist: each name
// is looked for in the needing file's run paths, then LD_LIBRARY_PATH; names not found there (the
// system's own libraries) are left out.
std::vector<std::string> FindNeededLibraryFiles(const std::string& fileName);

} // namespace tnxdesign
