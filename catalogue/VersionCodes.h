#pragma once

#include <cstdint>
#include <string>

namespace halvenmark {

// Undoes the scrambling of the bytes that follow "RM" in identification replies and of the
// firmware images' version byte: XOR 0xA6, rotate right by one bit, XOR 0x5B.
std::uint8_t UnscrambleByte(std::uint8_t value);

// The inverse of UnscrambleByte: how the device and the images store such a byte.
std::uint8_t ScrambleByte(std::uint8_t value);

// A version code as the user reads it: 0x10..0x99 as major "." minor (0x23 is 2.3, 0x1A is
// 1.10); everything else as "?.?".
std::string versionText(int code);

}  // namespace halvenmark
