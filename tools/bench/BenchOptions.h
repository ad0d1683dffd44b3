#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/View.h"
#include "sim/SimulatedRig.h"
#include "sim/usb/UsbFaults.h"

namespace halvenmark::bench {

// A press of a main-window button, by the bench's name for it.
struct Action {
    std::string name;  // find, flash, abort, ok
    ButtonIndex button;
};

struct BenchOptions {
    sim::RigOptions rig;
    std::vector<Action> actions;
    bool trace = false;
    bool memory = false;
    bool timing = false;
    bool usb = false;                 // through libftdi1 and libusb to emulated adapters
    bool refusePlaceholders = false;  // as the product executable: no placeholder reaches a device
    std::optional<std::string> firmware;  // a firmware pack laid over the built-in store
    std::vector<sim::usb::UsbFault> usbFaults;
    std::string screenshots;  // gui only
};

// Parses the options and actions of a plain run (everything after the program name, without
// the word "gui"). nullopt with the reason in `error` on a usage error.
std::optional<BenchOptions> parseOptions(const std::vector<std::string>& args, std::string& error);

// The options that reproduce a run as a plain bench command line.
std::string describe(const BenchOptions& options);

}  // namespace halvenmark::bench
