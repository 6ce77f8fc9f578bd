// Fuzz target: reading a write-ahead log image for backup. Whatever the bytes, the valid length
// is 0 or the header plus whole frames, never more than the image, and that prefix is itself
// valid in full.
#include "platform/dblib/Backup.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The page size the image names, and a fixed one, so mismatches are exercised too.
    uint32_t named =
        size >= 12 ? (uint32_t{data[8]} << 24 | uint32_t{data[9]} << 16 | uint32_t{data[10]} << 8 | data[11])
                   : 512;
    for (uint32_t pageSize : {named, 512u}) {
        if (pageSize > 65536) continue;
        size_t valid = tnxdb::ValidLogLength(data, size, pageSize);
        if (valid > size) std::abort();
        if (valid != 0 && (valid < 32 || (valid - 32) % (24 + pageSize) != 0)) std::abort();
        if (valid != 0 && tnxdb::ValidLogLength(data, valid, pageSize) != valid) std::abort();
    }
    return 0;
}
