#pragma once

#include <cstddef>
#include <span>

#include "catalogue/ResourceStore.h"

namespace halvenmark::resources {

struct EmbeddedResource {
    ResourceType type;
    int id;
    const unsigned char* data;
    std::size_t size;
};

// Every resource built into the executable, from the files under resources/.
std::span<const EmbeddedResource> embeddedResources();

// The store over the built-in resources: the one the program, the bench and the tests use.
class EmbeddedStore : public ResourceStore {
  public:
    std::optional<std::span<const std::uint8_t>> find(ResourceType type, int id) const override;
};

}  // namespace halvenmark::resources
