// halvenmark-bench: runs the updater against the simulated adapter and device and prints what
// the window shows. See the README for its options.
#include <iostream>
#include <string>
#include <vector>

#include "tools/bench/Bench.h"
#include "tools/bench/UsbBench.h"
#ifdef HALVENMARK_BENCH_GUI
#include "tools/bench/GuiBench.h"
#endif
#ifdef HALVENMARK_BENCH_USB
#include "sim/usb/EmulationProcess.h"
#endif

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
#ifdef HALVENMARK_BENCH_USB
    if (halvenmark::bench::needsUsbEmulation(args)) {
        // The emulated adapters live on a umockdev testbed, which only a process under its
        // preload (and what that process starts) can see: run again under it.
        std::string error;
        if (!halvenmark::sim::usb::runUnderPreload(argv, error)) {
            std::cerr << "halvenmark-bench: " << error << '\n';
            return halvenmark::bench::kExitUsage;
        }
        halvenmark::sim::usb::prepareForProgram();
    }
#endif
    if (!args.empty() && args.front() == "gui") {
#ifdef HALVENMARK_BENCH_GUI
        return halvenmark::bench::guiMain(argc, argv, {args.begin() + 1, args.end()});
#else
        std::cerr << "halvenmark-bench: this build has no window (HALVENMARK_GUI=OFF)\n";
        return halvenmark::bench::kExitUsage;
#endif
    }
    return halvenmark::bench::benchMain(args, std::cout, std::cerr);
}
