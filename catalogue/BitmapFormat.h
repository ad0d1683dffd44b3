#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace halvenmark::catalogue {

// Why these bytes are not a device picture as the window shows it (a 160 x 120 Windows bitmap
// of 24 bits per pixel, uncompressed, its pixels right behind the 54 bytes of headers), or
// nullopt when they are one.
std::optional<std::string> pictureProblem(std::span<const std::uint8_t> bytes);

}  // namespace halvenmark::catalogue
