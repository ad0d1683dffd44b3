#pragma once

#include <optional>
#include <string>
#include <vector>

namespace halvenmark {

// What the updater's command line asks for. Everything but Run works without a display.
struct UpdaterCommand {
    enum class Kind { Run, Help, Version, CheckFirmware, InstallFirmware, UsageError };
    Kind kind = Kind::Run;
    std::optional<std::string> pack;  // --firmware, --check-firmware or --install-firmware
    std::string error;                // for UsageError
};

UpdaterCommand parseUpdaterCommandLine(const std::vector<std::string>& args);

constexpr int kExitUpdaterUsage = 2;

constexpr const char* kUpdaterUsage =
    "usage: halvenmark-updater [--firmware PACK]\n"
    "       halvenmark-updater --check-firmware PACK\n"
    "       halvenmark-updater --install-firmware PACK\n"
    "       halvenmark-updater --help | --version\n"
    "Finds the Halvenmark device on the USB programming adapter, says what it is and which\n"
    "firmware it will get, writes it and reads every byte back.\n"
    "  --firmware PACK          flash with the images of this firmware pack (a folder or a .zip)\n"
    "                           instead of the installed one\n"
    "  --check-firmware PACK    check a pack as the updater would and list its files\n"
    "  --install-firmware PACK  check a pack and install it as this user's\n"
    "A pack is checked whole before any adapter is opened; one that fails a check is refused.\n"
    "See halvenmark-updater(1).\n";

}  // namespace halvenmark
