#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/ResourceStore.h"

namespace halvenmark::tools {

// One file of the placeholder store.
struct PlaceholderFile {
    ResourceType type;
    int id;
    std::string relativePath;  // under resources/
    std::vector<std::uint8_t> bytes;
};

// The version code a placeholder firmware image carries.
std::uint8_t placeholderVersion(int imageId);

// The whole placeholder set: firmware images and auxiliary images in their stored form, and
// the device pictures. The same every time.
std::vector<PlaceholderFile> makePlaceholders();

}  // namespace halvenmark::tools
