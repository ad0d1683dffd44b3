#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace halvenmark {

// SHA-256 of a byte block, as lower-case hex: the bench's fingerprint of device memory and
// the store's and firmware packs' check of every resource.
std::string sha256Hex(std::span<const std::uint8_t> data);

}  // namespace halvenmark
