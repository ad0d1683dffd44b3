// halvenmark-resources: the maintainers' tool for the resources the updater carries.
//
//   halvenmark-resources placeholders DIR
//       writes the placeholder set (firmware and auxiliary images, device pictures) under DIR
//   halvenmark-resources encode RAW STORED [--seed N] [--size BYTES]
//       turns a raw firmware image into the stored form the updater decodes
//   halvenmark-resources list
//       lists the store built into this program: type, id, size, decoded version
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "catalogue/DeviceCatalogue.h"
#include "catalogue/ImageCodec.h"
#include "catalogue/VersionCodes.h"
#include "flash/Routes.h"
#include "resources/EmbeddedResources.h"
#include "tools/resources/Placeholders.h"

namespace fs = std::filesystem;
using namespace halvenmark;

namespace {

int usage() {
    std::cerr << "usage: halvenmark-resources placeholders DIR\n"
                 "       halvenmark-resources encode RAW STORED [--seed N] [--size BYTES]\n"
                 "       halvenmark-resources list\n";
    return 2;
}

bool writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

int placeholders(const fs::path& dir) {
    for (const tools::PlaceholderFile& file : tools::makePlaceholders()) {
        if (!writeFile(dir / file.relativePath, file.bytes)) {
            std::cerr << "cannot write " << (dir / file.relativePath) << "\n";
            return 1;
        }
    }
    return 0;
}

int encode(int argc, char** argv) {
    if (argc < 4) {
        return usage();
    }
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
        std::cerr << "cannot read " << argv[2] << "\n";
        return 1;
    }
    const std::vector<std::uint8_t> raw((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
    std::uint32_t seed = 1;
    std::size_t size = codec::storedSize(raw.size());
    for (int i = 4; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--seed") {
            seed = static_cast<std::uint32_t>(std::strtoul(argv[i + 1], nullptr, 0));
        } else if (option == "--size") {
            size = std::strtoul(argv[i + 1], nullptr, 0);
        } else {
            return usage();
        }
    }
    return writeFile(argv[3], codec::encode(raw, seed, size)) ? 0 : 1;
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
    std::printf("%-6s %5s %7s  %s\n", "type", "id", "bytes", "version");
    for (const resources::EmbeddedResource& resource : resources::embeddedResources()) {
        if (resource.data == nullptr) {
            continue;
        }
        const bool jpg = resource.type == ResourceType::Jpg;
        const int version = jpg ? decodedVersion(resource.id, {resource.data, resource.size}) : -1;
        std::printf("%-6s %5d %7zu  %s\n", jpg ? "JPG" : "BITMAP", resource.id, resource.size,
                    version < 0 ? "-" : versionText(version).c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return usage();
    }
    const std::string command = argv[1];
    if (command == "placeholders" && argc == 3) {
        return placeholders(argv[2]);
    }
    if (command == "encode") {
        return encode(argc, argv);
    }
    if (command == "list" && argc == 2) {
        return list();
    }
    return usage();
}
