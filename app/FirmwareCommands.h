#pragma once

#include <filesystem>
#include <ostream>

#include "catalogue/FirmwarePack.h"
#include "catalogue/ResourceStore.h"

namespace halvenmark {

constexpr int kExitPackUsable = 0;
constexpr int kExitPackRefused = 1;

// The lines that say what a pack at `location` lets the updater do: one per file (type, id,
// size, SHA-256, the version identification reads from a firmware image) and how many devices
// it flashes.
void describePack(const catalogue::FirmwarePack& pack, const std::filesystem::path& location,
                  const StoreWithOrigins& built, std::ostream& out);

// --check-firmware PACK: checks the pack as the updater would and prints a line per file and a
// last line with the verdict. Exit 0 when the updater would use it, 1 when not.
int checkFirmware(const std::filesystem::path& location, const StoreWithOrigins& built,
                  std::ostream& out);

// --install-firmware PACK: checks it and puts it in as the user's pack at `place`, replacing the
// one there only once the new one is complete and checked again from where it was written.
int installFirmware(const std::filesystem::path& location, const std::filesystem::path& place,
                    const StoreWithOrigins& built, std::ostream& out);

}  // namespace halvenmark
