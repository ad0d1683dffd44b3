#include "resources/EmbeddedResources.h"

namespace halvenmark::resources {

namespace {

const EmbeddedResource* lookup(ResourceType type, int id) {
    for (const EmbeddedResource& resource : embeddedResources()) {
        if (resource.type == type && resource.id == id && resource.data != nullptr) {
            return &resource;
        }
    }
    return nullptr;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> EmbeddedStore::find(ResourceType type, int id) const {
    const EmbeddedResource* resource = lookup(type, id);
    if (resource == nullptr) {
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(resource->data, resource->size);
}

std::optional<ResourceOrigin> EmbeddedStore::origin(ResourceType type, int id) const {
    const EmbeddedResource* resource = lookup(type, id);
    return resource == nullptr ? std::nullopt : std::optional(resource->origin);
}

std::optional<std::span<const std::uint8_t>> PlaceholderRefusingStore::find(ResourceType type,
                                                                            int id) const {
    if (type == ResourceType::Jpg && store_.origin(type, id) == ResourceOrigin::Placeholder) {
        if (onRefusal_) {
            onRefusal_(id);
        }
        return std::nullopt;
    }
    return store_.find(type, id);
}

}  // namespace halvenmark::resources
