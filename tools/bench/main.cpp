// halvenmark-bench: runs the updater against the simulated adapter and device and prints what
// the window shows. See the README for its options.
#include <iostream>
#include <string>
#include <vector>

#include "tools/bench/Bench.h"
#include "tools/bench/GuiBench.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args.front() == "gui") {
        return halvenmark::bench::guiMain(argc, argv, {args.begin() + 1, args.end()});
    }
    return halvenmark::bench::benchMain(args, std::cout, std::cerr);
}
