#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace halvenmark {

// One device type the updater knows.
struct DeviceTypeEntry {
    std::uint8_t key;         // identity code with bit 6 clear
    std::string_view name;    // shown in DeviceName
    std::int16_t pictureId;   // bitmap resource
    std::int16_t imageId;     // "JPG" firmware image; also selects the flashing route
    std::int32_t imageSize;   // program memory in 16-bit words: 4096 or 8192
    bool versionAtMemoryEnd;  // installed version is read again from the last 16 bytes
};

namespace catalogue {

constexpr std::int16_t kGenericPictureId = 100;

// The whole table, in key order.
std::span<const DeviceTypeEntry> entries();

// The row for an identity code as read (bit 6 is cleared for the lookup), or nullptr.
const DeviceTypeEntry* lookup(std::uint8_t codeAsRead);

// First words of the status line, decided on the code as read.
std::string_view categoryWord(std::uint8_t codeAsRead);

// Identification skips the RF firmware query for these codes as read.
bool skipsRfFirmwareCheck(std::uint8_t codeAsRead);

}  // namespace catalogue
}  // namespace halvenmark
