#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace halvenmark {

// Resource kinds the program carries: raw byte blocks filed under the custom type "JPG"
// (firmware and auxiliary images; none of them is a picture) and bitmap pictures.
enum class ResourceType { Jpg, Bitmap };

// Read access to the built-in resources by type and numeric id.
class ResourceStore {
  public:
    virtual ~ResourceStore() = default;
    virtual std::optional<std::span<const std::uint8_t>> find(ResourceType type, int id) const = 0;
};

}  // namespace halvenmark
