#pragma once

#include "tools/doctor/Findings.h"

namespace halvenmark::doctor {

// Looks at this machine: its FTDI devices and what keeps the updater from them. It writes
// nothing to any device and changes nothing on the machine.
Findings probeSystem();

}  // namespace halvenmark::doctor
