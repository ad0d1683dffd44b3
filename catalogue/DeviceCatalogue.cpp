#include "catalogue/DeviceCatalogue.h"

#include <array>

#include "catalogue/DeviceTable.h"
#include "protocol/Messages.h"

namespace halvenmark::catalogue {

namespace {

constexpr std::uint8_t kBit6 = 0x40;

constexpr bool isExpanderCode(std::uint8_t code) {
    return code == 0x20 || code == 0x21 || code == 0x22 || code == 0x30;
}

}  // namespace

std::span<const DeviceTypeEntry> entries() {
    return kDeviceTable;
}

const DeviceTypeEntry* lookup(std::uint8_t codeAsRead) {
    const auto key = static_cast<std::uint8_t>(codeAsRead & ~kBit6);
    for (const DeviceTypeEntry& entry : kDeviceTable) {
        if (entry.key == key) {
            return &entry;
        }
    }
    return nullptr;
}

std::string_view categoryWord(std::uint8_t codeAsRead) {
    if (codeAsRead == 0x10) {
        return text::kSatelliteCategory;
    }
    if (isExpanderCode(codeAsRead)) {
        return text::kExpanderCategory;
    }
    return codeAsRead < 0x80 ? text::kReceiverCategory : text::kTransmitterCategory;
}

bool skipsRfFirmwareCheck(std::uint8_t codeAsRead) {
    return codeAsRead == 0x20 || codeAsRead == 0x21 || codeAsRead == 0x22;
}

}  // namespace halvenmark::catalogue
