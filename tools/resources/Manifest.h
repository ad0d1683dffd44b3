#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "catalogue/ResourceStore.h"
#include "resources/StoreTable.h"

// The store's manifest (resources/manifest.txt) as the resource tool reads and writes it: one line
// per resource, "ID TYPE BYTES SHA256 ORIGIN". The build reads the same lines
// (cmake/ResourceManifest.cmake) and checks the files against them.
namespace halvenmark::tools {

struct ManifestLine {
    int id = 0;
    ResourceType type = ResourceType::Jpg;
    std::size_t bytes = 0;
    std::string sha256;
    resources::ResourceOrigin origin = resources::ResourceOrigin::Placeholder;
};

// The line that records these bytes.
ManifestLine manifestLineFor(ResourceType type, int id, std::span<const std::uint8_t> bytes,
                             resources::ResourceOrigin origin);

// nullopt with "LINE: reason" in `error` for a line that does not parse.
std::optional<std::vector<ManifestLine>> parseManifest(const std::string& text, std::string& error);

// The whole manifest, the "JPG" resources first, each kind by id, with its header.
std::string formatManifest(std::vector<ManifestLine> lines);

// Puts `line` in place of the line of the same resource, or adds it.
void recordInManifest(std::vector<ManifestLine>& lines, const ManifestLine& line);

// The file of a resource under the store's folder: jpg/ID.bin or pictures/ID.bmp.
std::string resourcePath(ResourceType type, int id);

const char* typeName(ResourceType type);
const char* originName(resources::ResourceOrigin origin);

}  // namespace halvenmark::tools
