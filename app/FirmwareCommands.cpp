#include "app/FirmwareCommands.h"

#include <cstdio>
#include <fstream>
#include <system_error>

#include "app/FirmwareFacts.h"
#include "catalogue/DeviceCatalogue.h"
#include "catalogue/StoreLayout.h"
#include "catalogue/StoreManifest.h"
#include "catalogue/StoreWithPack.h"
#include "catalogue/VersionCodes.h"

#ifdef __linux__
#include <fcntl.h>
#include <stdio.h>
#endif

namespace halvenmark {

namespace fs = std::filesystem;

namespace {

std::string flashesLine(const catalogue::FirmwarePack& pack, const StoreWithOrigins& built) {
    const catalogue::StoreWithPack store(built, pack);
    return "the updater flashes " + std::to_string(flashableDevices(store)) + " of the " +
           std::to_string(catalogue::entries().size()) + " devices of its catalogue with it";
}

bool writeBytes(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

// The pack as a folder at `folder`, from the bytes that were checked.
bool writePack(const catalogue::FirmwarePack& pack, const fs::path& folder,
               std::error_code& error) {
    std::vector<catalogue::ManifestLine> lines;
    for (const catalogue::PackFile& file : pack.files) {
        const fs::path path = folder / catalogue::resourcePath(file.type, file.id);
        fs::create_directories(path.parent_path(), error);
        if (error || !writeBytes(path, file.bytes)) {
            return false;
        }
        lines.push_back(
            catalogue::manifestLineFor(file.type, file.id, file.bytes, ResourceOrigin::Product));
    }
    const std::string text =
        catalogue::packManifest(pack.name, pack.version, catalogue::formatManifestLines(lines));
    return writeBytes(folder / catalogue::kPackManifestName,
                      std::vector<std::uint8_t>(text.begin(), text.end()));
}

// Puts `fresh` where `place` is, in one step where the system has one: at no moment is there a
// half pack at `place`. The pack that was there ends at `fresh`.
bool swapInto(const fs::path& fresh, const fs::path& place, std::error_code& error) {
    if (!fs::exists(fs::symlink_status(place, error))) {
        fs::rename(fresh, place, error);
        return !error;
    }
#ifdef __linux__
    if (::renameat2(AT_FDCWD, fresh.c_str(), AT_FDCWD, place.c_str(), RENAME_EXCHANGE) == 0) {
        return true;
    }
#endif
    const fs::path old = place.string() + ".old";
    fs::remove_all(old, error);
    fs::rename(place, old, error);
    if (error) {
        return false;
    }
    fs::rename(fresh, place, error);
    if (error) {
        std::error_code ignored;
        fs::rename(old, place, ignored);
        return false;
    }
    fs::rename(old, fresh, error);
    return true;
}

}  // namespace

void describePack(const catalogue::FirmwarePack& pack, const fs::path& location,
                  const StoreWithOrigins& built, std::ostream& out) {
    out << "pack: " << pack.name << " " << pack.version << " (" << location.string() << ")\n";
    for (const catalogue::PackFile& file : pack.files) {
        char line[160];
        std::snprintf(line, sizeof line, "%-6s %5d %6zu  sha256 %s", catalogue::typeName(file.type),
                      file.id, file.bytes.size(), file.sha256.c_str());
        out << line;
        if (file.type == ResourceType::Jpg) {
            if (const auto version = imageVersion(file.id, file.bytes))
                out << "  version " << versionText(*version);
        }
        out << '\n';
    }
    out << "devices: " << flashesLine(pack, built) << '\n';
}

int checkFirmware(const fs::path& location, const StoreWithOrigins& built, std::ostream& out) {
    const catalogue::PackOpening opening = catalogue::openFirmwarePack(location);
    if (!opening.pack) {
        out << "refused: " << opening.refusal << '\n'
            << "verdict: the updater would refuse " << location.string() << '\n';
        return kExitPackRefused;
    }
    describePack(*opening.pack, location, built, out);
    out << "verdict: the updater would use " << location.string() << '\n';
    return kExitPackUsable;
}

int installFirmware(const fs::path& location, const fs::path& place, const StoreWithOrigins& built,
                    std::ostream& out) {
    const catalogue::PackOpening opening = catalogue::openFirmwarePack(location);
    if (!opening.pack) {
        out << "refused: " << opening.refusal << '\n'
            << "verdict: not installed; the pack in place, if any, is as it was\n";
        return kExitPackRefused;
    }
    if (place.empty()) {
        out << "verdict: not installed: no place for the user's pack (set HOME or "
               "XDG_DATA_HOME)\n";
        return kExitPackRefused;
    }
    // Written beside its place under another name, checked from there, then swapped in.
    const fs::path fresh = place.string() + ".new";
    std::error_code error;
    fs::remove_all(fresh, error);
    fs::create_directories(fresh, error);
    bool done = !error && writePack(*opening.pack, fresh, error);
    std::string why = error ? error.message() : "a file could not be written";
    if (done) {
        const catalogue::PackOpening written = catalogue::openFirmwarePack(fresh);
        done = written.pack.has_value();
        why = written.refusal;
    }
    if (done) {
        done = swapInto(fresh, place, error);
        why = error.message();
    }
    std::error_code ignored;
    fs::remove_all(fresh, ignored);
    if (!done) {
        out << "verdict: not installed into " << place.string() << ": " << why
            << "; the pack in place, if any, is as it was\n";
        return kExitPackRefused;
    }
    describePack(*opening.pack, place, built, out);
    out << "verdict: installed into " << place.string() << '\n';
    return kExitPackUsable;
}

}  // namespace halvenmark
