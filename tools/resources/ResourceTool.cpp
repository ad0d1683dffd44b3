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
//   halvenmark-resources pack DIR OUT.zip [--name NAME] [--version VERSION]
//       makes a firmware pack of the product's images of the store under DIR
//   halvenmark-resources list
//       lists the store built into this program: type, id, size, origin, decoded version, hash
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/FirmwareFacts.h"
#include "catalogue/BitmapFormat.h"
#include "catalogue/FirmwarePack.h"
#include "catalogue/ImageCodec.h"
#include "catalogue/Sha256.h"
#include "catalogue/StoreLayout.h"
#include "catalogue/StoreManifest.h"
#include "catalogue/VersionCodes.h"
#include "resources/EmbeddedResources.h"
#include "tools/resources/Placeholders.h"
#ifdef HALVENMARK_LIBARCHIVE
#include "tools/resources/PackWriter.h"
#endif

namespace fs = std::filesystem;
using namespace halvenmark;
using catalogue::ManifestLine;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr const char* kManifestName = "manifest.txt";
constexpr const char* kDefaultPackName = "Halvenmark firmware";
constexpr std::uint64_t kLargestSeed = 0xFFFFFFFF;

constexpr const char* kUsage =
    "usage: halvenmark-resources placeholders DIR\n"
    "       halvenmark-resources put DIR jpg|bitmap ID FILE [--raw [--size BYTES] [--seed N]]\n"
    "       halvenmark-resources encode RAW STORED [--seed N] [--size BYTES]\n"
    "       halvenmark-resources pack DIR OUT.zip [--name NAME] [--version VERSION]\n"
    "       halvenmark-resources list\n"
    "Ids, sizes and seeds are decimal. See halvenmark-resources(1).\n";

int usage() {
    std::cerr << kUsage;
    return kExitUsage;
}

int failure(const std::string& line) {
    std::cerr << "halvenmark-resources: " << line << '\n';
    return kExitFailure;
}

std::optional<std::vector<std::uint8_t>> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        failure("cannot read " + path.string());
        return std::nullopt;
    }
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
}

bool writeFile(const fs::path& path, const std::string_view bytes) {
    std::error_code error;
    if (path.has_parent_path()) {
        fs::create_directories(path.parent_path(), error);
    }
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        failure("cannot write " + path.string() + (error ? ": " + error.message() : ""));
    }
    return static_cast<bool>(out);
}

bool writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    return writeFile(path,
                     std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

int placeholders(const fs::path& dir) {
    std::vector<ManifestLine> manifest;
    for (const tools::PlaceholderFile& file : tools::makePlaceholders()) {
        if (!writeFile(dir / file.relativePath, file.bytes)) {
            return kExitFailure;
        }
        manifest.push_back(catalogue::manifestLineFor(file.type, file.id, file.bytes,
                                                      ResourceOrigin::Placeholder));
    }
    return writeFile(dir / kManifestName, catalogue::formatManifest(manifest)) ? 0 : kExitFailure;
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
        const bool seed = args[i] == "--seed";
        const auto value =
            i + 1 < args.size()
                ? catalogue::parseDecimal(args[i + 1],
                                          seed ? kLargestSeed : catalogue::storeTotalBytes())
                : std::nullopt;
        if ((!seed && args[i] != "--size") || !value) {
            std::cerr << "halvenmark-resources: " << args[i]
                      << (i + 1 < args.size() ? " " + args[i + 1] : "")
                      << ": not an option, or not a decimal number in range\n";
            return std::nullopt;
        }
        if (seed) {
            options.seed = static_cast<std::uint32_t>(*value);
        } else {
            options.size = static_cast<std::size_t>(*value);
        }
        ++i;
    }
    return options;
}

int encode(const std::vector<std::string>& args) {
    const auto options =
        args.size() >= 2 ? encodeOptions({args.begin() + 2, args.end()}, false) : std::nullopt;
    if (!options) {
        return usage();
    }
    const auto raw = readFile(args[0]);
    if (!raw) {
        return kExitFailure;
    }
    const std::size_t needed = codec::storedSize(raw->size());
    if (options->size && *options->size < needed) {
        return failure(args[0] + ": " + std::to_string(raw->size()) + " bytes need " +
                       std::to_string(needed) + " stored bytes, more than --size " +
                       std::to_string(*options->size));
    }
    return writeFile(args[1], codec::encode(*raw, options->seed, options->size.value_or(needed)))
               ? 0
               : kExitFailure;
}

// Why these bytes cannot fill the store's slot for this resource, or "".
std::string unfitFor(ResourceType type, int id, const std::vector<std::uint8_t>& bytes) {
    const catalogue::StoreSlot* slot = catalogue::storeSlot(type, id);
    if (slot == nullptr) {
        return std::string("the store has no ") + catalogue::typeName(type) + " resource " +
               std::to_string(id);
    }
    if (bytes.size() != slot->bytes) {
        return std::to_string(bytes.size()) + " bytes, but " + catalogue::resourcePath(type, id) +
               " holds exactly " + std::to_string(slot->bytes);
    }
    if (type == ResourceType::Bitmap) {
        if (const auto problem = catalogue::pictureProblem(bytes))
            return *problem;
    }
    return "";
}

std::optional<std::vector<ManifestLine>> readManifest(const fs::path& dir) {
    const auto text = readFile(dir / kManifestName);
    if (!text) {
        return std::nullopt;
    }
    std::string error;
    auto manifest = catalogue::parseManifest({text->begin(), text->end()}, error);
    if (!manifest) {
        failure((dir / kManifestName).string() + ":" + error);
    }
    return manifest;
}

int put(const std::vector<std::string>& args) {
    const auto id = args.size() >= 4
                        ? catalogue::parseDecimal(args[2], catalogue::kLargestResourceId)
                        : std::nullopt;
    if (args.size() >= 4 && !id) {
        std::cerr << "halvenmark-resources: '" << args[2] << "' is not a resource id (decimal)\n";
    }
    const auto options = id ? encodeOptions({args.begin() + 4, args.end()}, true) : std::nullopt;
    if (!options || (args[1] != "jpg" && args[1] != "bitmap") ||
        (options->raw && args[1] != "jpg") || (!options->raw && options->size)) {
        return usage();
    }
    const fs::path dir = args[0];
    const ResourceType type = args[1] == "jpg" ? ResourceType::Jpg : ResourceType::Bitmap;
    const int resourceId = static_cast<int>(*id);
    const catalogue::StoreSlot* slot = catalogue::storeSlot(type, resourceId);
    if (slot == nullptr) {
        return failure(std::string("the store has no ") + catalogue::typeName(type) + " resource " +
                       args[2]);
    }
    const auto manifest = readManifest(dir);
    const auto file = manifest ? readFile(args[3]) : std::nullopt;
    if (!file) {
        return kExitFailure;
    }
    if (options->raw && codec::storedSize(file->size()) > options->size.value_or(slot->bytes)) {
        return failure(args[3] + ": a raw image of " + std::to_string(file->size()) +
                       " bytes does not fit the " +
                       std::to_string(options->size.value_or(slot->bytes)) + " stored bytes");
    }
    const std::vector<std::uint8_t> bytes =
        options->raw ? codec::encode(*file, options->seed, options->size.value_or(slot->bytes))
                     : *file;
    if (const std::string unfit = unfitFor(type, resourceId, bytes); !unfit.empty()) {
        return failure(args[3] + ": " + unfit);
    }
    std::vector<ManifestLine> lines = *manifest;
    catalogue::recordInManifest(
        lines, catalogue::manifestLineFor(type, resourceId, bytes, ResourceOrigin::Product));
    const std::string path = catalogue::resourcePath(type, resourceId);
    if (!writeFile(dir / path, bytes) ||
        !writeFile(dir / kManifestName, catalogue::formatManifest(lines))) {
        return kExitFailure;
    }
    std::cout << path << ": " << bytes.size() << " bytes, recorded as the product's\n";
    return 0;
}

#ifdef HALVENMARK_LIBARCHIVE

int pack(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        return usage();
    }
    std::string name = kDefaultPackName;
    std::string version =
        std::to_string(HALVENMARK_VERSION_MAJOR) + "." + std::to_string(HALVENMARK_VERSION_MINOR);
    for (std::size_t i = 2; i < args.size(); i += 2) {
        const bool known = args[i] == "--name" || args[i] == "--version";
        if (!known || i + 1 == args.size() || args[i + 1].empty() ||
            (args[i] == "--version" && args[i + 1].find_first_of(" \t") != std::string::npos)) {
            return usage();
        }
        (args[i] == "--name" ? name : version) = args[i + 1];
    }
    const fs::path dir = args[0];
    const fs::path zip = args[1];
    const auto manifest = readManifest(dir);
    if (!manifest) {
        return kExitFailure;
    }
    std::vector<ManifestLine> lines;
    std::vector<tools::ZipEntry> entries{{kManifestName, {}, {}}};
    for (const ManifestLine& line : *manifest) {
        if (line.origin != ResourceOrigin::Product) {
            continue;  // placeholders never travel in a pack
        }
        const std::string path = catalogue::resourcePath(line.type, line.id);
        auto bytes = readFile(dir / path);
        if (!bytes) {
            return kExitFailure;
        }
        if (const std::string unfit = unfitFor(line.type, line.id, *bytes); !unfit.empty()) {
            return failure(path + ": " + unfit);
        }
        if (sha256Hex(*bytes) != line.sha256) {
            return failure(path + ": its SHA-256 is not the manifest's (halvenmark-resources put)");
        }
        lines.push_back(line);
        entries.push_back({path, std::move(*bytes), {}});
    }
    if (lines.empty()) {
        return failure(dir.string() +
                       " holds no product images (a pack carries only the product's: "
                       "halvenmark-resources put)");
    }
    const std::string text =
        catalogue::packManifest(name, version, catalogue::formatManifestLines(lines));
    entries.front().bytes.assign(text.begin(), text.end());
    // Written beside its place and moved there once whole and checked: never a half pack.
    const fs::path partial = zip.string() + ".partial.zip";
    std::string error;
    if (!tools::writeZip(partial, entries, error)) {
        fs::remove(partial);
        return failure("cannot write " + partial.string() + ": " + error);
    }
    const catalogue::PackOpening check = catalogue::openFirmwarePack(partial);
    std::error_code moved;
    if (check.pack) {
        fs::rename(partial, zip, moved);
    }
    if (!check.pack || moved) {
        fs::remove(partial);
        return failure(zip.string() + ": " + (check.pack ? moved.message() : check.refusal));
    }
    std::cout << zip.string() << ": firmware pack \"" << name << "\" " << version << ", "
              << lines.size() << (lines.size() == 1 ? " file\n" : " files\n");
    return 0;
}

#else

int pack(const std::vector<std::string>&) {
    return failure("this build writes no zip archives (it was built without libarchive)");
}

#endif

int list() {
    std::printf("%-6s %5s %7s  %-11s  %-7s  %s\n", "type", "id", "bytes", "origin", "version",
                "sha256");
    for (const resources::EmbeddedResource& resource : resources::embeddedResources()) {
        if (resource.data == nullptr) {
            continue;
        }
        const auto version = resource.type == ResourceType::Jpg
                                 ? imageVersion(resource.id, {resource.data, resource.size})
                                 : std::nullopt;
        std::printf("%-6s %5d %7zu  %-11s  %-7s  %s\n", catalogue::typeName(resource.type),
                    resource.id, resource.size, catalogue::originName(resource.origin),
                    version ? versionText(static_cast<std::uint8_t>(*version)).c_str() : "-",
                    resource.sha256);
    }
    return 0;
}

int dispatch(const std::string& command, const std::vector<std::string>& rest) {
    if (command == "placeholders" && rest.size() == 1) {
        return placeholders(rest[0]);
    }
    if (command == "put") {
        return put(rest);
    }
    if (command == "encode") {
        return encode(rest);
    }
    if (command == "pack") {
        return pack(rest);
    }
    if (command == "list" && rest.empty()) {
        return list();
    }
    return usage();
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return usage();
    }
    const std::string& command = args.front();
    if (command == "--help" || command == "-h") {
        std::cout << kUsage;
        return 0;
    }
    try {
        return dispatch(command, {args.begin() + 1, args.end()});
    } catch (const std::exception& error) {
        // A folder that cannot be made or read, memory that runs out: said, never an abort.
        return failure(error.what());
    }
}
