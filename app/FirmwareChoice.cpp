#include "app/FirmwareChoice.h"

#include <cstdlib>
#include <system_error>

#include "protocol/Messages.h"

namespace halvenmark {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDefaultDataDirs = "/usr/local/share:/usr/share";

fs::path linuxPlace(const fs::path& dataFolder) {
    return dataFolder / "halvenmark-updater" / "firmware";
}

// The XDG base directory rules ignore relative folders. (Told by the text, so that the rules
// read the same wherever they are checked.)
bool isAbsolute(const std::string& folder) {
    return !folder.empty() && folder.front() == '/';
}

std::optional<fs::path> folderVariable(const Environment& environment, const std::string& name) {
    const auto value = environment(name);
    if (!value || !isAbsolute(*value)) {
        return std::nullopt;
    }
    return fs::path(*value);
}

}  // namespace

Environment processEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    };
}

fs::path userPackPlace(const Environment& environment, bool windows) {
    if (windows) {
        const auto local = environment("LOCALAPPDATA");
        return local && !local->empty() ? fs::path(*local) / "Halvenmark" / "firmware" : fs::path();
    }
    if (const auto dataHome = folderVariable(environment, "XDG_DATA_HOME")) {
        return linuxPlace(*dataHome);
    }
    const auto home = folderVariable(environment, "HOME");
    return home ? linuxPlace(*home / ".local" / "share") : fs::path();
}

std::vector<fs::path> installedPackPlaces(const Environment& environment, bool windows,
                                          const fs::path& programFolder) {
    std::vector<fs::path> places;
    if (const fs::path user = userPackPlace(environment, windows); !user.empty()) {
        places.push_back(user);
    }
    if (windows) {
        if (!programFolder.empty())
            places.push_back(programFolder / "firmware");
        return places;
    }
    const auto dirs = environment("XDG_DATA_DIRS");
    const std::string list = dirs && !dirs->empty() ? *dirs : kDefaultDataDirs;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        const std::string folder = list.substr(start, end - start);
        if (isAbsolute(folder))
            places.push_back(linuxPlace(folder));
        start = end + 1;
    }
    return places;
}

FirmwareChoice chooseFirmware(const std::optional<fs::path>& given,
                              const std::vector<fs::path>& places) {
    FirmwareChoice choice;
    if (given) {
        choice.location = *given;
    } else {
        for (const fs::path& place : places) {
            std::error_code error;
            // Anything at the place counts, a broken link too: it is refused, not passed over.
            if (fs::symlink_status(place, error).type() != fs::file_type::not_found && !error) {
                choice.location = place;
                break;
            }
        }
    }
    if (choice.location) {
        catalogue::PackOpening opening = catalogue::openFirmwarePack(*choice.location);
        choice.pack = std::move(opening.pack);
        choice.refusal = std::move(opening.refusal);
    }
    return choice;
}

std::string packRefusalMessage(const FirmwareChoice& choice) {
    return std::string(text::kPackRefused) + "\n" +
           (choice.location ? choice.location->string() : std::string()) + "\n" + choice.refusal +
           "\n\n" + std::string(text::kPackRefusedAdvice);
}

}  // namespace halvenmark
