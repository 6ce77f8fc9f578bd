// SHA-256, used to store user passwords as salted hashes rather than as text.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tnxdb {

using Sha256Digest = std::array<uint8_t, 32>;

Sha256Digest Sha256(std::string_view data);

} // namespace tnxdb
