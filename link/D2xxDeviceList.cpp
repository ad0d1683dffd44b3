#include "link/D2xxDeviceList.h"

#include <cstring>

#include "link/D2xxApi.h"
#include "link/DynamicLibrary.h"

namespace halvenmark {

namespace {

std::string field(const char* text, std::size_t size) {
    return std::string(text, strnlen(text, size));
}

}  // namespace

std::optional<std::vector<D2xxListedDevice>> listD2xxDevices(const std::string& libraryName) {
    const DynamicLibrary library(libraryName);
    if (!library.isLoaded()) {
        return std::nullopt;
    }
    const auto create =
        reinterpret_cast<d2xx::CreateDeviceInfoListFn>(library.symbol("FT_CreateDeviceInfoList"));
    const auto get =
        reinterpret_cast<d2xx::GetDeviceInfoListFn>(library.symbol("FT_GetDeviceInfoList"));
    if (create == nullptr || get == nullptr) {
        return std::nullopt;
    }
    std::uint32_t count = 0;
    std::vector<D2xxListedDevice> devices;
    if (create(&count) != 0 || count == 0) {
        return devices;
    }
    std::vector<d2xx::DeviceListNode> nodes(count);
    if (get(nodes.data(), &count) != 0) {
        return devices;
    }
    for (std::uint32_t i = 0; i < count && i < nodes.size(); ++i) {
        const d2xx::DeviceListNode& node = nodes[i];
        devices.push_back({field(node.description, sizeof node.description),
                           field(node.serialNumber, sizeof node.serialNumber),
                           static_cast<std::uint16_t>(node.id >> 16),
                           static_cast<std::uint16_t>(node.id & 0xFFFF),
                           (node.flags & d2xx::kDeviceOpened) != 0});
    }
    return devices;
}

}  // namespace halvenmark
