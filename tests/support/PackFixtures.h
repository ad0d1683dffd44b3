#pragma once

// Firmware packs for tests: a sound one, and the means to break it.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "catalogue/FirmwarePack.h"
#include "catalogue/StoreLayout.h"
#include "catalogue/StoreManifest.h"

namespace halvenmark::testing::packs {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

inline Bytes randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    Bytes bytes(size);
    for (auto& byte : bytes)
        byte = static_cast<std::uint8_t>(generator());
    return bytes;
}

// A device picture as the window shows it: 160 x 120, 24 bits per pixel, uncompressed.
inline Bytes picture(std::int32_t width = catalogue::kPictureWidth) {
    Bytes bytes(catalogue::kPictureBytes, 0x55);
    const auto put32 = [&bytes](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    std::fill_n(bytes.begin(), catalogue::kBitmapHeaderBytes, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, catalogue::kPictureHeight);
    bytes[26] = 1;
    bytes[28] = 24;
    put32(30, 0);
    return bytes;
}

inline void write(const fs::path& file, const Bytes& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

inline void write(const fs::path& file, const std::string& text) {
    write(file, Bytes(text.begin(), text.end()));
}

// The files of a sound pack: the Tandem A V2 Expander's image, auxiliary image 1 and a picture,
// with their manifest, by path.
inline std::map<std::string, Bytes> soundPack() {
    std::map<std::string, Bytes> files{{"jpg/400.bin", randomBytes(65536, 1)},
                                       {"jpg/1.bin", randomBytes(656, 2)},
                                       {"pictures/105.bmp", picture()}};
    std::vector<catalogue::ManifestLine> lines;
    for (const auto& [path, bytes] : files) {
        const bool jpg = path.rfind("jpg/", 0) == 0;
        const int id = std::stoi(path.substr(path.find('/') + 1));
        lines.push_back(catalogue::manifestLineFor(jpg ? ResourceType::Jpg : ResourceType::Bitmap,
                                                   id, bytes, ResourceOrigin::Product));
    }
    const std::string manifest =
        catalogue::packManifest("Test receivers", "2026.12", catalogue::formatManifestLines(lines));
    files["manifest.txt"] = Bytes(manifest.begin(), manifest.end());
    return files;
}

inline void writeFolder(const fs::path& folder, const std::map<std::string, Bytes>& files) {
    for (const auto& [path, bytes] : files)
        write(folder / path, bytes);
}

inline std::string manifestText(const std::map<std::string, Bytes>& files) {
    const Bytes& bytes = files.at("manifest.txt");
    return {bytes.begin(), bytes.end()};
}

inline void setManifest(std::map<std::string, Bytes>& files, const std::string& text) {
    files["manifest.txt"] = Bytes(text.begin(), text.end());
}

inline std::string replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

}  // namespace halvenmark::testing::packs
