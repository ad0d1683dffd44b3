#include "catalogue/StoreManifest.h"

#include <algorithm>
#include <limits>
#include <sstream>

#include "catalogue/Sha256.h"
#include "catalogue/StoreLayout.h"

namespace halvenmark::catalogue {

namespace {

constexpr const char* kHeader =
    "# The resource store: ID TYPE BYTES SHA256 ORIGIN, one line per file of jpg/ (type JPG) and\n"
    "# pictures/ (BITMAP). ORIGIN is placeholder (made by halvenmark-resources placeholders) or\n"
    "# product (put in by halvenmark-resources put). The build checks every file against it.\n";

constexpr std::size_t kHashDigits = 64;

bool isLowerHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> found;
    std::size_t at = 0;
    while (true) {
        at = line.find_first_not_of(" \t\r", at);
        if (at == std::string_view::npos)
            return found;
        const std::size_t end = std::min(line.find_first_of(" \t\r", at), line.size());
        found.push_back(line.substr(at, end - at));
        at = end;
    }
}

}  // namespace

const char* originName(ResourceOrigin origin) {
    return origin == ResourceOrigin::Product ? "product" : "placeholder";
}

std::optional<std::uint64_t> parseDecimal(std::string_view text, std::uint64_t max) {
    if (text.empty() || text.size() > 19 || (text.size() > 1 && text.front() == '0') ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : text)
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    return value <= max ? std::optional(value) : std::nullopt;
}

ManifestLine manifestLineFor(ResourceType type, int id, std::span<const std::uint8_t> bytes,
                             ResourceOrigin origin) {
    return {id, type, bytes.size(), sha256Hex(bytes), origin};
}

bool isCommentLine(std::string_view line) {
    const auto first = line.find_first_not_of(" \t\r");
    return first == std::string_view::npos || line[first] == '#';
}

std::optional<ManifestLine> parseManifestLine(std::string_view text, std::string& error) {
    const std::vector<std::string_view> fields = words(text);
    if (fields.size() != 5) {
        error = "a line is ID TYPE BYTES SHA256 ORIGIN";
        return std::nullopt;
    }
    const auto id = parseDecimal(fields[0], kLargestResourceId);
    const auto bytes = parseDecimal(fields[2], std::numeric_limits<std::uint32_t>::max());
    if (!id || *id == 0) {
        error = std::string("the id '").append(fields[0]) + "' is not a decimal number from 1 to " +
                std::to_string(kLargestResourceId);
    } else if (fields[1] != "JPG" && fields[1] != "BITMAP") {
        error = std::string("the type '").append(fields[1]) + "' is neither JPG nor BITMAP";
    } else if (!bytes) {
        error = std::string("the size '").append(fields[2]) + "' is not a decimal number of bytes";
    } else if (fields[3].size() != kHashDigits || !isLowerHex(fields[3])) {
        error = "the SHA-256 is not 64 lowercase hexadecimal digits";
    } else if (fields[4] != "placeholder" && fields[4] != "product") {
        error =
            std::string("the origin '").append(fields[4]) + "' is neither placeholder nor product";
    } else {
        return ManifestLine{
            static_cast<int>(*id), fields[1] == "JPG" ? ResourceType::Jpg : ResourceType::Bitmap,
            static_cast<std::size_t>(*bytes), std::string(fields[3]),
            fields[4] == "product" ? ResourceOrigin::Product : ResourceOrigin::Placeholder};
    }
    return std::nullopt;
}

std::optional<std::vector<ManifestLine>> parseManifest(const std::string& text,
                                                       std::string& error) {
    std::vector<ManifestLine> lines;
    std::istringstream in(text);
    std::string raw;
    for (int number = 1; std::getline(in, raw); ++number) {
        if (isCommentLine(raw)) {
            continue;
        }
        std::string reason;
        const auto line = parseManifestLine(raw, reason);
        if (!line) {
            error = std::to_string(number) + ": cannot read '" + raw + "': " + reason;
            return std::nullopt;
        }
        lines.push_back(*line);
    }
    return lines;
}

std::string formatManifestLines(std::vector<ManifestLine> lines) {
    std::sort(lines.begin(), lines.end(), [](const ManifestLine& a, const ManifestLine& b) {
        return a.type != b.type ? a.type == ResourceType::Jpg : a.id < b.id;
    });
    std::string text;
    for (const ManifestLine& line : lines) {
        text += std::to_string(line.id) + " " + typeName(line.type) + " " +
                std::to_string(line.bytes) + " " + line.sha256 + " " + originName(line.origin) +
                "\n";
    }
    return text;
}

std::string formatManifest(std::vector<ManifestLine> lines) {
    return kHeader + formatManifestLines(std::move(lines));
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

}  // namespace halvenmark::catalogue
