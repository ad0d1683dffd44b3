// The bench in a build without the USB emulation (no umockdev, or not Linux).

#include "tools/bench/Bench.h"
#include "tools/bench/UsbBench.h"

namespace halvenmark::bench {

namespace {

int unavailable(std::ostream& err) {
    err << "halvenmark-bench: this build has no USB emulation (it needs Linux, libftdi1-dev and "
           "libumockdev-dev when it is built)\n";
    return kExitUsage;
}

}  // namespace

bool needsUsbEmulation(const std::vector<std::string>&) {
    return false;
}

int runUsbBench(const BenchOptions&, std::ostream&, std::ostream& err) {
    return unavailable(err);
}

int usbRunMain(const std::vector<std::string>&, std::ostream&, std::ostream& err) {
    return unavailable(err);
}

int runUsbCampaign(const CampaignOptions&, std::ostream&, std::ostream& err) {
    return unavailable(err);
}

}  // namespace halvenmark::bench
