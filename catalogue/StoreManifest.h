#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/ResourceStore.h"

// The store's manifest (resources/manifest.txt, and a firmware pack's manifest.txt): one line per
// resource, "ID TYPE BYTES SHA256 ORIGIN". The build reads the same lines
// (cmake/ResourceManifest.cmake) and checks the files against them.
namespace halvenmark::catalogue {

struct ManifestLine {
    int id = 0;
    ResourceType type = ResourceType::Jpg;
    std::size_t bytes = 0;
    std::string sha256;
    ResourceOrigin origin = ResourceOrigin::Placeholder;
};

// The line that records these bytes.
ManifestLine manifestLineFor(ResourceType type, int id, std::span<const std::uint8_t> bytes,
                             ResourceOrigin origin);

// Whether a line carries nothing to read: empty, blank or a '#' comment.
bool isCommentLine(std::string_view line);

// One line; nullopt with the reason in `error` when it does not parse.
std::optional<ManifestLine> parseManifestLine(std::string_view line, std::string& error);

// nullopt with "LINE: reason" in `error` for a line that does not parse.
std::optional<std::vector<ManifestLine>> parseManifest(const std::string& text, std::string& error);

// The manifest's lines, the "JPG" resources first, each kind by id.
std::string formatManifestLines(std::vector<ManifestLine> lines);

// The whole store manifest, with its header.
std::string formatManifest(std::vector<ManifestLine> lines);

// Puts `line` in place of the line of the same resource, or adds it.
void recordInManifest(std::vector<ManifestLine>& lines, const ManifestLine& line);

const char* originName(ResourceOrigin origin);

// A resource id or a size as a manifest or a file name writes it: decimal digits, no sign, no
// leading zero, at most `max`. nullopt for anything else.
std::optional<std::uint64_t> parseDecimal(std::string_view text, std::uint64_t max);

// The largest id a resource can have (they fit the routines' 16-bit signed id field).
constexpr std::uint64_t kLargestResourceId = 32767;

}  // namespace halvenmark::catalogue
