#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/bench/BenchOptions.h"
#include "tools/bench/Campaign.h"

// The bench over the real USB stack: the program's libftdi1 backend, libftdi1 and libusb to
// emulated FTDI adapters on a umockdev testbed. In a build without the emulation each of these
// says so and returns the usage exit code.
namespace halvenmark::bench {

// Whether this command line needs the process to run under umockdev's preload.
bool needsUsbEmulation(const std::vector<std::string>& args);

// "--usb": the run of `options` over the emulated adapters, printing the same lines as over the
// simulated adapter, and with --timing the model's line and the "usb:" line.
int runUsbBench(const BenchOptions& options, std::ostream& out, std::ostream& err);

// "usb-run [OPTIONS] -- COMMAND [ARG...]": the emulated adapters and device of OPTIONS while
// COMMAND runs; then the --memory lines if asked and "exit: CODE". Returns COMMAND's exit code.
int usbRunMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// "campaign --usb": find-and-flash sessions over the emulated adapters, each unplugging its
// adapter after a random number of frames (or never).
int runUsbCampaign(const CampaignOptions& options, std::ostream& out, std::ostream& err);

}  // namespace halvenmark::bench
