#include "resources/EmbeddedResources.h"

namespace halvenmark::resources {

std::optional<std::span<const std::uint8_t>> EmbeddedStore::find(ResourceType type, int id) const {
    for (const EmbeddedResource& resource : embeddedResources()) {
        if (resource.type == type && resource.id == id) {
            return std::span<const std::uint8_t>(resource.data, resource.size);
        }
    }
    return std::nullopt;
}

}  // namespace halvenmark::resources
