#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "app/FirmwareChoice.h"

namespace halvenmark::doctor {

// The doctor's one repair, and its undoing: --fix-cbus puts CBUS pin 2 of an adapter's EEPROM
// into I/O mode and changes nothing else; --restore-eeprom BACKUP writes a backup it made back.
// Both take a backup of the whole EEPROM first, ask before they write (unless `yes`), write only
// the words that differ, and read every word back.
struct EepromCommand {
    enum class Kind { FixCbus, Restore };
    Kind kind = Kind::FixCbus;
    bool yes = false;                    // --yes: no question asked
    std::optional<std::string> adapter;  // --adapter: a kind (programmer, ...) or a serial
    std::string backup;                  // the file --restore-eeprom writes back
};

// Runs the command; the answer to the question comes from `in`. Exit code: 0 done (or nothing
// needed doing), 1 not done, 2 the adapter must be named with --adapter.
int runEepromCommand(const EepromCommand& command, const Environment& environment, std::istream& in,
                     std::ostream& out);

}  // namespace halvenmark::doctor
