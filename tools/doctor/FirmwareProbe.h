#pragma once

#include <filesystem>

#include "app/FirmwareChoice.h"
#include "tools/doctor/Findings.h"

namespace halvenmark::doctor {

// Which firmware the updater would flash with: the installed pack it would find (checked as the
// updater checks it), or the built-in images alone.
FirmwareFacts probeFirmware(const Environment& environment, bool windows,
                            const std::filesystem::path& programFolder);

}  // namespace halvenmark::doctor
