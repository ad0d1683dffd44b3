#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "catalogue/ResourceStore.h"

// A firmware pack: the product's images (and pictures) supplied beside the program, as a folder
// or a .zip of one holding manifest.txt and the files laid out as in the store (jpg/ID.bin,
// pictures/ID.bmp). The manifest's first line names the pack ("pack NAME VERSION"); every other
// line is a store manifest line of origin product. A pack is checked as a whole when it is
// opened, and refused whole when one check fails.
namespace halvenmark::catalogue {

struct PackFile {
    ResourceType type;
    int id;
    std::vector<std::uint8_t> bytes;  // as read and hashed: the very bytes decoded and written
    std::string sha256;
};

struct FirmwarePack {
    std::filesystem::path location;
    std::string name;
    std::string version;
    std::vector<PackFile> files;  // in the manifest's order

    const PackFile* find(ResourceType type, int id) const;
};

struct PackOpening {
    std::optional<FirmwarePack> pack;
    std::string refusal;  // one line naming the file and what is wrong, when refused
};

// Reads and checks the pack at `location`; no file of it is written anywhere.
PackOpening openFirmwarePack(const std::filesystem::path& location);

// A pack's manifest: its first line, then one line per file.
std::string packManifest(const std::string& name, const std::string& version,
                         const std::string& lines);

constexpr const char* kPackManifestName = "manifest.txt";

}  // namespace halvenmark::catalogue
