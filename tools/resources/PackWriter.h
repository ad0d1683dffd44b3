#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace halvenmark::tools {

// One entry of a zip archive: a file with its bytes, or a symbolic link to `linkTarget`.
struct ZipEntry {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::string linkTarget;
};

// Writes the entries, in their order, as a zip archive; false with the reason in `error`.
bool writeZip(const std::filesystem::path& zip, const std::vector<ZipEntry>& entries,
              std::string& error);

}  // namespace halvenmark::tools
