// SHA-256. Earlier versions stored user passwords as salted SHA-256 hashes; the catalog still
// reads that form to upgrade it at the next login (Catalog.h).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tnxdb {

using Sha256Digest = std::array<uint8_t, 32>;

Sha256Digest Sha256(std::string_view data);

} // namespace tnxdb
