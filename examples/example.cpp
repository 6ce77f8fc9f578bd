// Example program: grows with the library into a tour of its API.
#include "base/TnxProduct.h"

#include <cstdio>

int main() {
    std::printf("%s %s\n", tnx::szCorvexLibraryName, tnx::szTarnixVersion);
    return 0;
}
