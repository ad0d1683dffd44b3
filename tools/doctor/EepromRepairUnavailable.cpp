// Where the doctor looks through the vendor's D2XX library, it writes no EEPROM: FTDI's own
// FT_PROG programs the adapter there.
#include "tools/doctor/EepromRepair.h"

namespace halvenmark::doctor {

int runEepromCommand(const EepromCommand&, const Environment&, std::istream&, std::ostream& out) {
    out << "this doctor writes no EEPROM on this system: FTDI's FT_PROG puts CBUS pin 2 (C2) into "
           "I/O mode (IOMODE); nothing written\n";
    return 1;
}

}  // namespace halvenmark::doctor
