#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace halvenmark {

// Resource kinds the program carries: raw byte blocks filed under the custom type "JPG"
// (firmware and auxiliary images; none of them is a picture) and bitmap pictures.
enum class ResourceType { Jpg, Bitmap };

// Whether a resource is the product's own, or a placeholder made for this repository.
enum class ResourceOrigin { Placeholder, Product };

// Read access to the built-in resources by type and numeric id.
class ResourceStore {
  public:
    virtual ~ResourceStore() = default;
    virtual std::optional<std::span<const std::uint8_t>> find(ResourceType type, int id) const = 0;
};

// A store that knows where each of its resources comes from.
class StoreWithOrigins : public ResourceStore {
  public:
    // nullopt for a resource the store does not hold.
    virtual std::optional<ResourceOrigin> origin(ResourceType type, int id) const = 0;
};

}  // namespace halvenmark
