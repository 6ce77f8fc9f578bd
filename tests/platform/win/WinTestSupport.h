// Helpers of the Windows stand-in tests: restoring the current directory and environment
// variables a test changes, copying files, and where the test libraries are.
#pragma once

#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>

namespace wintest {

// Restores the current directory on scope exit.
class CwdGuard {
public:
    CwdGuard() : FSaved(std::filesystem::current_path()) {}
    ~CwdGuard() { std::filesystem::current_path(FSaved); }
    CwdGuard(const CwdGuard&) = delete;
    CwdGuard& operator=(const CwdGuard&) = delete;

private:
    std::filesystem::path FSaved;
};

// Sets (or unsets, with nullopt) an environment variable and restores it on scope exit.
class EnvGuard {
public:
    EnvGuard(const char* name, std::optional<std::string> value) : FName(name) {
        if (const char* old = std::getenv(name)) FSaved = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~EnvGuard() {
        if (FSaved)
            ::setenv(FName.c_str(), FSaved->c_str(), 1);
        else
            ::unsetenv(FName.c_str());
    }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

private:
    std::string FName;
    std::optional<std::string> FSaved;
};

inline void CopyFile(const std::string& from, const std::string& to) {
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

inline void Touch(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    FILE* f = std::fopen(path.c_str(), "w");
    if (f) std::fclose(f);
}

// The folder of the libraries with and without version information.
inline std::string VersionLibDir() {
    return TNX_WIN_VERLIBS;
}
inline std::string VersionLib(const std::string& stem) {
    return VersionLibDir() + "/lib" + stem + ".so";
}
// A probe library in the build's library folder.
inline std::string ProbeLib(const std::string& stem) {
    return tnxtest::BuildLibDir() + "/lib" + stem + ".so";
}

} // namespace wintest
