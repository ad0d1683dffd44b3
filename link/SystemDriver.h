#pragma once

#include <memory>

#include "link/FtDriver.h"

namespace halvenmark {

// The driver the program uses for real adapters, chosen here and nowhere else: the vendor's
// D2XX library where it is installed (always on Windows), then libftdi1 where the build has it.
std::unique_ptr<FtDriver> makeSystemDriver();

// The libftdi1 backend alone (nullptr where the build has no libftdi1): the bench runs the program
// through it over the emulated USB adapters.
std::unique_ptr<FtDriver> makeLibftdiDriver();

}  // namespace halvenmark
