#include "TempDir.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace tnxtest {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tnxtest-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    FPath = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
}

std::string UniqueName(const std::string& prefix) {
    static std::atomic<int> counter{0};
    return prefix + "_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
}

std::string BuildLibDir() {
    const char* dir = std::getenv("TNX_BUILD_LIB_DIR");
    return dir ? dir : "";
}

} // namespace tnxtest
