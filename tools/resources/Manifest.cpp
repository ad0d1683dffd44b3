#include "tools/resources/Manifest.h"

#include <algorithm>
#include <sstream>

#include "sim/Sha256.h"

namespace halvenmark::tools {

namespace {

constexpr const char* kHeader =
    "# The resource store: ID TYPE BYTES SHA256 ORIGIN, one line per file of jpg/ (type JPG) and\n"
    "# pictures/ (BITMAP). ORIGIN is placeholder (made by halvenmark-resources placeholders) or\n"
    "# product (put in by halvenmark-resources put). The build checks every file against it.\n";

constexpr std::size_t kHashDigits = 64;

bool isLowerHex(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace

const char* typeName(ResourceType type) {
    return type == ResourceType::Jpg ? "JPG" : "BITMAP";
}

const char* originName(resources::ResourceOrigin origin) {
    return origin == resources::ResourceOrigin::Product ? "product" : "placeholder";
}

std::string resourcePath(ResourceType type, int id) {
    return type == ResourceType::Jpg ? "jpg/" + std::to_string(id) + ".bin"
                                     : "pictures/" + std::to_string(id) + ".bmp";
}

ManifestLine manifestLineFor(ResourceType type, int id, std::span<const std::uint8_t> bytes,
                             resources::ResourceOrigin origin) {
    return {id, type, bytes.size(), sim::sha256Hex(bytes), origin};
}

std::optional<std::vector<ManifestLine>> parseManifest(const std::string& text,
                                                       std::string& error) {
    std::vector<ManifestLine> lines;
    std::istringstream in(text);
    std::string raw;
    for (int number = 1; std::getline(in, raw); ++number) {
        const auto first = raw.find_first_not_of(" \t\r");
        if (first == std::string::npos || raw[first] == '#') {
            continue;
        }
        std::istringstream fields(raw);
        ManifestLine line;
        std::string type, origin, rest;
        fields >> line.id >> type >> line.bytes >> line.sha256 >> origin;
        const bool sound = !fields.fail() && !(fields >> rest) &&
                           (type == "JPG" || type == "BITMAP") &&
                           (origin == "placeholder" || origin == "product") &&
                           line.sha256.size() == kHashDigits && isLowerHex(line.sha256);
        if (!sound) {
            error = std::to_string(number) + ": cannot read '" + raw +
                    "': a line is ID TYPE BYTES SHA256 ORIGIN";
            return std::nullopt;
        }
        line.type = type == "JPG" ? ResourceType::Jpg : ResourceType::Bitmap;
        line.origin = origin == "product" ? resources::ResourceOrigin::Product
                                          : resources::ResourceOrigin::Placeholder;
        lines.push_back(line);
    }
    return lines;
}

std::string formatManifest(std::vector<ManifestLine> lines) {
    std::sort(lines.begin(), lines.end(), [](const ManifestLine& a, const ManifestLine& b) {
        return a.type != b.type ? a.type == ResourceType::Jpg : a.id < b.id;
    });
    std::string text = kHeader;
    for (const ManifestLine& line : lines) {
        text += std::to_string(line.id) + " " + typeName(line.type) + " " +
                std::to_string(line.bytes) + " " + line.sha256 + " " + originName(line.origin) +
                "\n";
    }
    return text;
}

void recordInManifest(std::vector<ManifestLine>& lines, const ManifestLine& line) {
    const auto same = std::find_if(lines.begin(), lines.end(), [&](const ManifestLine& other) {
        return other.type == line.type && other.id == line.id;
    });
    if (same != lines.end()) {
        *same = line;
    } else {
        lines.push_back(line);
    }
}

}  // namespace halvenmark::tools
