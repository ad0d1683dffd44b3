#pragma once

#include <array>
#include <cstdint>

namespace halvenmark {

using ProbePattern = std::array<std::uint8_t, 8>;

// Written to word address 0x0FFC before a first-form device is flashed, and expected back
// there after the auxiliary image. They differ in bytes 4, 7 and 8.
constexpr ProbePattern ProbePatternA{0x1C, 0xBB, 0xF0, 0xC7, 0xF1, 0xC1, 0xA5, 0xB5};
constexpr ProbePattern ProbePatternB{0x1C, 0xBB, 0xF0, 0xCF, 0xF1, 0xC1, 0xE5, 0xB1};

constexpr int kProbeAddress = 0x0FFC;

}  // namespace halvenmark
