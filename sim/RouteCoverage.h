#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "sim/DeviceLoader.h"

namespace halvenmark::sim {

// The device bytes a flash of `imageId` writes (inclusive offsets), for a device whose
// installed version code is `installedVersion`.
std::vector<std::pair<int, int>> routeByteRanges(std::int16_t imageId,
                                                 std::uint8_t installedVersion);

// The device bytes a route keeps as they were although it writes their frames.
std::vector<int> preservedBytes(std::int16_t imageId);

// True when the device holds `image` everywhere the route writes, and its own earlier bytes
// where the route keeps them.
bool routeWroteImage(const DeviceLoader& device, std::span<const std::uint8_t> image,
                     std::int16_t imageId, std::uint8_t installedVersion);

}  // namespace halvenmark::sim
