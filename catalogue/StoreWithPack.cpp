#include "catalogue/StoreWithPack.h"

namespace halvenmark::catalogue {

std::optional<std::span<const std::uint8_t>> StoreWithPack::find(ResourceType type, int id) const {
    if (const PackFile* file = pack_.find(type, id)) {
        return std::span<const std::uint8_t>(file->bytes);
    }
    return built_.find(type, id);
}

std::optional<ResourceOrigin> StoreWithPack::origin(ResourceType type, int id) const {
    if (pack_.find(type, id) != nullptr) {
        return ResourceOrigin::Product;
    }
    return built_.origin(type, id);
}

}  // namespace halvenmark::catalogue
