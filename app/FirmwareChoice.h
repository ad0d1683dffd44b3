#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/FirmwarePack.h"

namespace halvenmark {

// Reads an environment variable; nullopt when it is not set.
using Environment = std::function<std::optional<std::string>(const std::string& name)>;
Environment processEnvironment();

// Where the updater looks for an installed firmware pack, in order: the user's, then the
// system's (Linux: $XDG_DATA_HOME/halvenmark-updater/firmware, then each of $XDG_DATA_DIRS;
// Windows: %LOCALAPPDATA%\Halvenmark\firmware, then firmware\ beside the executable).
std::vector<std::filesystem::path> installedPackPlaces(const Environment& environment, bool windows,
                                                       const std::filesystem::path& programFolder);

// The user's place, where --install-firmware puts a pack; empty when no place can be told
// (neither $XDG_DATA_HOME nor $HOME set, or no %LOCALAPPDATA%).
std::filesystem::path userPackPlace(const Environment& environment, bool windows);

// The firmware a run uses: a pack given on the command line, else the first installed pack
// found, else the built-in store alone. A pack that is found but refused is never passed over
// for another.
struct FirmwareChoice {
    std::optional<std::filesystem::path> location;  // the pack's, when there is one
    std::optional<catalogue::FirmwarePack> pack;    // when it was checked and taken
    std::string refusal;                            // when it was refused

    bool refused() const { return location.has_value() && !pack.has_value(); }
};

FirmwareChoice chooseFirmware(const std::optional<std::filesystem::path>& given,
                              const std::vector<std::filesystem::path>& places);

// What the window's message box says of a refused pack: that nothing was touched, the pack,
// its one refusal line, and what to do.
std::string packRefusalMessage(const FirmwareChoice& choice);

}  // namespace halvenmark
