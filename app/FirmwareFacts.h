#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "catalogue/ResourceStore.h"

namespace halvenmark {

// How many rows of the device catalogue the updater can flash from this store: those whose
// firmware image, and the auxiliary image their route writes, are the product's.
int flashableDevices(const StoreWithOrigins& store);

// The version code identification would read from firmware image `id` stored as `stored`, or
// nullopt for a resource that is no firmware image of the catalogue (or too short for one).
std::optional<int> imageVersion(int id, std::span<const std::uint8_t> stored);

}  // namespace halvenmark
