// halvenmark-resources: the maintainers' tool for the resources the updater carries.
//
//   halvenmark-resources placeholders DIR
//       writes the placeholder set (firmware and auxiliary images, device pictures) and its
//       manifest under DIR
//   halvenmark-resources put DIR jpg|bitmap ID FILE [--raw [--size BYTES] [--seed N]]
//       puts the product's FILE into the store under DIR and records it in the manifest as
//       "product" with its hash; with --raw, FILE is a raw firmware image, stored encoded
//   halvenmark-resources encode RAW STORED [--seed N] [--size BYTES]
//       turns a raw firmware image into the stored form the updater decodes
//   halvenmark-resources list
//       lists the store built into this program: type, id, size, origin, decoded version, hash
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/DeviceCatalogue.h"
#include "catalogue/ImageCodec.h"
#include "catalogue/VersionCodes.h"
#include "flash/Routes.h"
#include "resources/EmbeddedResources.h"
#include "tools/resources/Manifest.h"
#include "tools/resources/Placeholders.h"

namespace fs = std::filesystem;
using namespace halvenmark;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr const char* kManifestName = "manifest.txt";

constexpr const char* kUsage =
    "usage: halvenmark-resources placeholders DIR\n"
    "       halvenmark-resources put DIR jpg|bitmap ID FILE [--raw [--size BYTES] [--seed N]]\n"
    "       halvenmark-resources encode RAW STORED [--seed N] [--size BYTES]\n"
    "       halvenmark-resources list\n";

int usage() {
    std::cerr << kUsage;
    return kExitUsage;
}

std::optional<std::vector<std::uint8_t>> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "halvenmark-resources: cannot read " << path << "\n";
        return std::nullopt;
    }
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
}

bool writeFile(const fs::path& path, const std::string_view bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::cerr << "halvenmark-resources: cannot write " << path << "\n";
    }
    return static_cast<bool>(out);
}

bool writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    return writeFile(path,
                     std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::optional<std::uint64_t> number(const std::string& text) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0') {
        return std::nullopt;
    }
    return value;
}

int placeholders(const fs::path& dir) {
    std::vector<tools::ManifestLine> manifest;
    for (const tools::PlaceholderFile& file : tools::makePlaceholders()) {
        if (!writeFile(dir / file.relativePath, file.bytes)) {
            return kExitFailure;
        }
        manifest.push_back(tools::manifestLineFor(file.type, file.id, file.bytes,
                                                  resources::ResourceOrigin::Placeholder));
    }
    return writeFile(dir / kManifestName, tools::formatManifest(manifest)) ? 0 : kExitFailure;
}

// Options after the positional arguments: --seed N, --size BYTES and (for put) --raw.
struct EncodeOptions {
    bool raw = false;
    std::uint32_t seed = 1;
    std::optional<std::size_t> size;
};

std::optional<EncodeOptions> encodeOptions(const std::vector<std::string>& args, bool allowRaw) {
    EncodeOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (allowRaw && args[i] == "--raw") {
            options.raw = true;
            continue;
        }
        const auto value = i + 1 < args.size() ? number(args[i + 1]) : std::nullopt;
        if ((args[i] != "--seed" && args[i] != "--size") || !value) {
            return std::nullopt;
        }
        if (args[i] == "--seed") {
            options.seed = static_cast<std::uint32_t>(*value);
        } else {
            options.size = static_cast<std::size_t>(*value);
        }
        ++i;
    }
    return options;
}

std::vector<std::uint8_t> encoded(const std::vector<std::uint8_t>& raw,
                                  const EncodeOptions& options) {
    return codec::encode(raw, options.seed, options.size.value_or(codec::storedSize(raw.size())));
}

int encode(const std::vector<std::string>& args) {
    const auto options =
        args.size() >= 2 ? encodeOptions({args.begin() + 2, args.end()}, false) : std::nullopt;
    if (!options) {
        return usage();
    }
    const auto raw = readFile(args[0]);
    return raw && writeFile(args[1], encoded(*raw, *options)) ? 0 : kExitFailure;
}

int put(const std::vector<std::string>& args) {
    const auto id = args.size() >= 4 ? number(args[2]) : std::nullopt;
    const auto options = id ? encodeOptions({args.begin() + 4, args.end()}, true) : std::nullopt;
    if (!options || (args[1] != "jpg" && args[1] != "bitmap") ||
        (options->raw && args[1] != "jpg") || (!options->raw && options->size)) {
        return usage();
    }
    const fs::path dir = args[0];
    const ResourceType type = args[1] == "jpg" ? ResourceType::Jpg : ResourceType::Bitmap;
    std::string error;
    const auto manifestText = readFile(dir / kManifestName);
    const auto manifest =
        manifestText ? tools::parseManifest({manifestText->begin(), manifestText->end()}, error)
                     : std::nullopt;
    if (!manifest) {
        if (manifestText) {
            std::cerr << "halvenmark-resources: " << (dir / kManifestName).string() << ":" << error
                      << "\n";
        }
        return kExitFailure;
    }
    const auto file = readFile(args[3]);
    if (!file) {
        return kExitFailure;
    }
    const std::vector<std::uint8_t> bytes = options->raw ? encoded(*file, *options) : *file;
    std::vector<tools::ManifestLine> lines = *manifest;
    tools::recordInManifest(lines, tools::manifestLineFor(type, static_cast<int>(*id), bytes,
                                                          resources::ResourceOrigin::Product));
    if (!writeFile(dir / tools::resourcePath(type, static_cast<int>(*id)), bytes) ||
        !writeFile(dir / kManifestName, tools::formatManifest(lines))) {
        return kExitFailure;
    }
    std::cout << tools::resourcePath(type, static_cast<int>(*id)) << ": " << bytes.size()
              << " bytes, recorded as the product's\n";
    return 0;
}

// The version identification would read from a firmware image, or -1 for other resources.
int decodedVersion(int id, std::span<const std::uint8_t> stored) {
    for (const DeviceTypeEntry& row : catalogue::entries()) {
        if (row.imageId != id) {
            continue;
        }
        const auto bytes = static_cast<std::size_t>(2 * row.imageSize);
        const std::vector<std::uint8_t> image = codec::decode(stored, bytes);
        if (image.empty()) {
            return -1;
        }
        const bool atMemoryEnd = routes::routeFor(row.imageId).update != nullptr;
        return UnscrambleByte(image[atMemoryEnd ? bytes - 2 : 34]);
    }
    return -1;
}

int list() {
    std::printf("%-6s %5s %7s  %-11s  %-7s  %s\n", "type", "id", "bytes", "origin", "version",
                "sha256");
    for (const resources::EmbeddedResource& resource : resources::embeddedResources()) {
        if (resource.data == nullptr) {
            continue;
        }
        const bool jpg = resource.type == ResourceType::Jpg;
        const int version = jpg ? decodedVersion(resource.id, {resource.data, resource.size}) : -1;
        std::printf("%-6s %5d %7zu  %-11s  %-7s  %s\n", tools::typeName(resource.type), resource.id,
                    resource.size, tools::originName(resource.origin),
                    version < 0 ? "-" : versionText(version).c_str(), resource.sha256);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return usage();
    }
    const std::string& command = args.front();
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h") {
        std::cout << kUsage;
        return 0;
    }
    if (command == "placeholders" && rest.size() == 1) {
        return placeholders(rest[0]);
    }
    if (command == "put") {
        return put(rest);
    }
    if (command == "encode") {
        return encode(rest);
    }
    if (command == "list" && rest.empty()) {
        return list();
    }
    return usage();
}
