#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reads a firmware pack's files into memory, from a folder or from a .zip of one, refusing what
// no pack holds before reading it: names outside the pack ("..", absolute paths, symbolic links
// that lead out of it), files larger than the most their name may hold, archives that unpack to
// more than a whole store. Nothing is unpacked to disk.
namespace halvenmark::catalogue {

struct PackEntry {
    std::string path;  // inside the pack, with '/' between folders: "jpg/105.bin"
    std::vector<std::uint8_t> bytes;
};

struct PackContents {
    std::vector<PackEntry> entries;
    std::string refusal;  // "PATH: what is wrong"; empty when every file was read
};

// The most bytes a file of the pack may hold, by its path (a folder's ends in '/'); nullopt,
// with the reason in `why`, for a name no pack has.
using EntryLimit =
    std::function<std::optional<std::size_t>(std::string_view path, std::string& why)>;

struct PackLimits {
    EntryLimit entryLimit;
    std::size_t totalBytes;  // all files together
    std::size_t entries;     // files and folders together
};

PackContents readPackFolder(const std::filesystem::path& folder, const PackLimits& limits);
PackContents readPackZip(const std::filesystem::path& zip, const PackLimits& limits);

}  // namespace halvenmark::catalogue
