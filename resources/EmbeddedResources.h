#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>

#include "catalogue/ResourceStore.h"
#include "resources/StoreTable.h"

namespace halvenmark::resources {

struct EmbeddedResource {
    ResourceType type;
    int id;
    const unsigned char* data;
    std::size_t size;
    ResourceOrigin origin;  // from the store's manifest
    const char* sha256;     // as the manifest records it (empty for a file it does not list)
};

// Every resource built into the executable, from the files under resources/.
std::span<const EmbeddedResource> embeddedResources();

// The store over the built-in resources: the one the program, the bench and the tests use.
class EmbeddedStore : public StoreWithOrigins {
  public:
    std::optional<std::span<const std::uint8_t>> find(ResourceType type, int id) const override;
    std::optional<ResourceOrigin> origin(ResourceType type, int id) const override;
};

// The store as the product executable uses it: a placeholder firmware or auxiliary image is not
// there for it, so no placeholder ever reaches a device (a device whose images are placeholders
// is refused as one the program has no image for). `onRefusal` hears of every refusal. The
// pictures are shown as they are.
class PlaceholderRefusingStore : public ResourceStore {
  public:
    PlaceholderRefusingStore(const StoreWithOrigins& store, std::function<void(int id)> onRefusal)
        : store_(store), onRefusal_(std::move(onRefusal)) {}

    std::optional<std::span<const std::uint8_t>> find(ResourceType type, int id) const override;

  private:
    const StoreWithOrigins& store_;
    std::function<void(int id)> onRefusal_;
};

// What the program says on standard error when it refuses a placeholder image.
constexpr const char* kPlaceholderNote =
    "this build carries placeholder firmware images, not the product's: it identifies devices "
    "but flashes none";

}  // namespace halvenmark::resources
