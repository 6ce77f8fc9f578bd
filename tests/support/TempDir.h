// A fresh temporary folder per test, removed with everything in it when the object goes away.
// Tests that touch files or start engines use one each, so CTest can run them in parallel.
#pragma once

#include <string>

namespace tnxtest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing delimiter.
    const std::string& Path() const { return FPath; }
    // The folder joined with a file name.
    std::string File(const std::string& name) const { return FPath + "/" + name; }

private:
    std::string FPath;
};

// A name no other test process uses at the same time (for engines, databases and the like).
std::string UniqueName(const std::string& prefix);

// Folder holding the libraries of this build (the client-library stand-ins among them).
std::string BuildLibDir();

} // namespace tnxtest
