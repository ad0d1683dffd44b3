// halvenmark-bench: runs the updater against the simulated adapter and device and prints what
// the window shows. See the README for its options.
#include <iostream>
#include <string>
#include <vector>

#include "tools/bench/Bench.h"
#ifdef HALVENMARK_BENCH_GUI
#include "tools/bench/GuiBench.h"
#endif

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
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
