// Built against the installed package only: proves that the headers, libraries and package files
// are complete enough for a user's project.
#include "base/TnxProduct.h"

#include <cstdio>
#include <cstring>

int main() {
    std::printf("Tarnix %s\n", tnx::szTarnixVersion);
    return std::strcmp(tnx::szCorvexLibraryName, "Tarnix") == 0 ? 0 : 1;
}
