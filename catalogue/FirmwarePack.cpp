#include "catalogue/FirmwarePack.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <system_error>

#include "catalogue/BitmapFormat.h"
#include "catalogue/PackReader.h"
#include "catalogue/Sha256.h"
#include "catalogue/StoreLayout.h"
#include "catalogue/StoreManifest.h"

namespace halvenmark::catalogue {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kManifestLimit = 64 * 1024;
constexpr std::string_view kPackWord = "pack";
constexpr const char* kFolders[] = {"jpg/", "pictures/"};

// The pack's files by name: the manifest, and a slot of the store for each resource file.
struct NamedSlot {
    const StoreSlot* slot = nullptr;
    std::string why;
};

NamedSlot slotNamed(std::string_view path) {
    for (const ResourceType type : {ResourceType::Jpg, ResourceType::Bitmap}) {
        const std::string folder = type == ResourceType::Jpg ? "jpg/" : "pictures/";
        const std::string suffix = type == ResourceType::Jpg ? ".bin" : ".bmp";
        if (path.rfind(folder, 0) != 0 || path.size() <= folder.size() + suffix.size() ||
            path.substr(path.size() - suffix.size()) != suffix) {
            continue;
        }
        const std::string_view stem =
            path.substr(folder.size(), path.size() - folder.size() - suffix.size());
        const auto id = parseDecimal(stem, kLargestResourceId);
        if (!id) {
            return {nullptr, std::string("'").append(stem) +
                                 "' is not a resource id (a decimal number "
                                 "without leading zeros)"};
        }
        const StoreSlot* slot = storeSlot(type, static_cast<int>(*id));
        if (slot == nullptr) {
            return {nullptr, std::string("the store has no ") + typeName(type) + " resource " +
                                 std::to_string(*id)};
        }
        return {slot, ""};
    }
    return {nullptr, "not a file of a firmware pack (manifest.txt, jpg/ID.bin, pictures/ID.bmp)"};
}

std::optional<std::size_t> entryLimit(std::string_view path, std::string& why) {
    if (path == kPackManifestName) {
        return kManifestLimit;
    }
    if (!path.empty() && path.back() == '/') {
        if (std::find(std::begin(kFolders), std::end(kFolders), path) != std::end(kFolders))
            return 0;
        why = "not a folder of a firmware pack (jpg/, pictures/)";
        return std::nullopt;
    }
    const NamedSlot named = slotNamed(path);
    if (named.slot == nullptr) {
        why = named.why;
        return std::nullopt;
    }
    return named.slot->bytes;
}

// What the manifest says: the pack's name and version, and its lines.
struct PackManifest {
    std::string name;
    std::string version;
    std::vector<ManifestLine> lines;
};

std::string where(int lineNumber) {
    return std::string(kPackManifestName) + ":" + std::to_string(lineNumber);
}

bool readTitle(std::string_view line, PackManifest& manifest) {
    std::istringstream words{std::string(line)};
    std::string word;
    std::vector<std::string> all;
    while (words >> word)
        all.push_back(word);
    if (all.size() < 3 || all.front() != kPackWord) {
        return false;
    }
    manifest.version = all.back();
    for (std::size_t i = 1; i + 1 < all.size(); ++i)
        manifest.name.append(i > 1 ? " " : "").append(all[i]);
    return true;
}

std::optional<PackManifest> readManifest(const std::vector<std::uint8_t>& bytes,
                                         std::string& refusal) {
    PackManifest manifest;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        if (number == 1) {
            if (!readTitle(raw, manifest)) {
                refusal = where(1) + ": the first line names the pack: pack NAME VERSION";
                return std::nullopt;
            }
            continue;
        }
        if (isCommentLine(raw)) {
            continue;
        }
        std::string reason;
        const auto line = parseManifestLine(raw, reason);
        if (!line) {
            refusal = where(number) + ": cannot read '" + raw + "': " + reason;
            return std::nullopt;
        }
        const std::string file = resourcePath(line->type, line->id);
        const StoreSlot* slot = storeSlot(line->type, line->id);
        if (slot == nullptr) {
            refusal = where(number) + ": the store has no " + typeName(line->type) + " resource " +
                      std::to_string(line->id);
        } else if (line->origin != ResourceOrigin::Product) {
            refusal = where(number) + ": " + file + " is marked " + originName(line->origin) +
                      ": a pack carries the product's images only";
        } else if (line->bytes != slot->bytes) {
            refusal = where(number) + ": " + file + " is listed at " + std::to_string(line->bytes) +
                      " bytes; the store's size for it is " + std::to_string(slot->bytes);
        } else if (std::any_of(manifest.lines.begin(), manifest.lines.end(),
                               [&](const ManifestLine& other) {
                                   return other.type == line->type && other.id == line->id;
                               })) {
            refusal = where(number) + ": " + file + " is listed twice";
        }
        if (!refusal.empty()) {
            return std::nullopt;
        }
        manifest.lines.push_back(*line);
    }
    if (number == 0) {
        refusal = std::string(kPackManifestName) +
                  ": empty: its first line names the pack: pack NAME VERSION";
        return std::nullopt;
    }
    if (manifest.lines.empty()) {
        refusal = std::string(kPackManifestName) + ": lists no file";
        return std::nullopt;
    }
    return manifest;
}

// The files against the manifest: each listed one there with its size and hash (and a picture
// in the form the window shows), none unlisted.
std::string checkFiles(const PackManifest& manifest, std::vector<PackEntry>& entries,
                       std::vector<PackFile>& files) {
    for (const ManifestLine& line : manifest.lines) {
        const std::string path = resourcePath(line.type, line.id);
        const auto entry = std::find_if(entries.begin(), entries.end(),
                                        [&](const PackEntry& e) { return e.path == path; });
        if (entry == entries.end()) {
            return path + ": listed in the manifest, but missing";
        }
        if (entry->bytes.size() != line.bytes) {
            return path + ": " + std::to_string(entry->bytes.size()) + " bytes, expected " +
                   std::to_string(line.bytes);
        }
        const std::string hash = sha256Hex(entry->bytes);
        if (hash != line.sha256) {
            return path + ": SHA-256 " + hash + ", expected " + line.sha256;
        }
        if (line.type == ResourceType::Bitmap) {
            if (const auto problem = pictureProblem(entry->bytes))
                return path + ": " + *problem;
        }
        files.push_back({line.type, line.id, std::move(entry->bytes), hash});
    }
    for (const PackEntry& entry : entries) {
        const bool listed = std::any_of(files.begin(), files.end(), [&](const PackFile& file) {
            return resourcePath(file.type, file.id) == entry.path;
        });
        if (!listed && entry.path != kPackManifestName) {
            return entry.path + ": not listed in the manifest";
        }
    }
    return "";
}

bool looksLikeZip(const fs::path& location) {
    std::string extension = location.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".zip";
}

}  // namespace

const PackFile* FirmwarePack::find(ResourceType type, int id) const {
    for (const PackFile& file : files) {
        if (file.type == type && file.id == id)
            return &file;
    }
    return nullptr;
}

std::string packManifest(const std::string& name, const std::string& version,
                         const std::string& lines) {
    return std::string(kPackWord) + " " + name + " " + version + "\n" + lines;
}

PackOpening openFirmwarePack(const fs::path& location) {
    const PackLimits limits{entryLimit, storeTotalBytes() + kManifestLimit,
                            std::size(kStoreLayout) + std::size(kFolders) + 1};
    std::error_code error;
    const fs::file_status status = fs::status(location, error);
    PackContents contents;
    if (fs::is_directory(status)) {
        contents = readPackFolder(location, limits);
    } else if (fs::is_regular_file(status) && looksLikeZip(location)) {
        contents = readPackZip(location, limits);
    } else {
        return {std::nullopt, location.string() + ": " +
                                  (fs::exists(status) ? "neither a folder nor a .zip file"
                                                      : "no such folder or file")};
    }
    if (!contents.refusal.empty()) {
        return {std::nullopt, contents.refusal};
    }
    const auto manifestEntry =
        std::find_if(contents.entries.begin(), contents.entries.end(),
                     [](const PackEntry& e) { return e.path == kPackManifestName; });
    if (manifestEntry == contents.entries.end()) {
        return {std::nullopt,
                std::string(kPackManifestName) + ": missing: a pack holds its manifest at its top"};
    }
    std::string refusal;
    const auto manifest = readManifest(manifestEntry->bytes, refusal);
    if (!manifest) {
        return {std::nullopt, refusal};
    }
    FirmwarePack pack{location, manifest->name, manifest->version, {}};
    refusal = checkFiles(*manifest, contents.entries, pack.files);
    if (!refusal.empty()) {
        return {std::nullopt, refusal};
    }
    return {std::move(pack), ""};
}

}  // namespace halvenmark::catalogue
