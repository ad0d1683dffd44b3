#pragma once

#include <cstddef>

#include "catalogue/ResourceStore.h"

namespace halvenmark::resources {

using halvenmark::ResourceOrigin;

// One resource of a store, as the build knows it at compile time (kStoreTable, generated).
struct StoreTableEntry {
    ResourceType type;
    int id;
    std::size_t size;
    ResourceOrigin origin;
};

}  // namespace halvenmark::resources
