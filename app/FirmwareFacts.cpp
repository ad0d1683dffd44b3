#include "app/FirmwareFacts.h"

#include <vector>

#include "catalogue/DeviceCatalogue.h"
#include "catalogue/ImageCodec.h"
#include "catalogue/VersionCodes.h"
#include "flash/Routes.h"

namespace halvenmark {

int flashableDevices(const StoreWithOrigins& store) {
    const auto product = [&store](int id) {
        return store.origin(ResourceType::Jpg, id) == ResourceOrigin::Product;
    };
    int count = 0;
    for (const DeviceTypeEntry& row : catalogue::entries()) {
        const int aux = routes::auxImageOf(row.imageId);
        if (product(row.imageId) && (aux == 0 || product(aux)))
            ++count;
    }
    return count;
}

std::optional<int> imageVersion(int id, std::span<const std::uint8_t> stored) {
    for (const DeviceTypeEntry& row : catalogue::entries()) {
        if (row.imageId != id) {
            continue;
        }
        const auto bytes = static_cast<std::size_t>(2 * row.imageSize);
        const std::vector<std::uint8_t> image = codec::decode(stored, bytes);
        if (image.empty()) {
            return std::nullopt;
        }
        // Second-form routes keep the version at the end of memory, first-form ones in the
        // identity block.
        const bool atMemoryEnd = routes::routeFor(row.imageId).update != nullptr;
        return UnscrambleByte(image[atMemoryEnd ? bytes - 2 : 34]);
    }
    return std::nullopt;
}

}  // namespace halvenmark
