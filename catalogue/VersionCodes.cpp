#include "catalogue/VersionCodes.h"

#include "protocol/Messages.h"

namespace halvenmark {

namespace {

constexpr std::uint8_t kFirstKey = 0xA6;
constexpr std::uint8_t kSecondKey = 0x5B;
constexpr int kLowestShownCode = 0x10;
constexpr int kHighestShownCode = 0x99;

}  // namespace

std::uint8_t UnscrambleByte(std::uint8_t value) {
    const auto y = static_cast<std::uint8_t>(value ^ kFirstKey);
    const auto rotated = static_cast<std::uint8_t>((y >> 1) | ((y & 1) << 7));
    return static_cast<std::uint8_t>(rotated ^ kSecondKey);
}

std::uint8_t ScrambleByte(std::uint8_t value) {
    const auto rotated = static_cast<std::uint8_t>(value ^ kSecondKey);
    const auto y = static_cast<std::uint8_t>((rotated << 1) | (rotated >> 7));
    return static_cast<std::uint8_t>(y ^ kFirstKey);
}

std::string versionText(int code) {
    if (code < kLowestShownCode || code > kHighestShownCode) {
        return std::string(text::kUnknownVersion);
    }
    return std::to_string(code >> 4) + "." + std::to_string(code & 0x0F);
}

}  // namespace halvenmark
