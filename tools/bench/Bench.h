#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/bench/BenchOptions.h"

namespace halvenmark::bench {

constexpr int kExitNoMessage = 0;
constexpr int kExitMessageShown = 1;
constexpr int kExitUsage = 2;

// Runs start-up and the actions of `options` against the simulated hardware and prints what
// the window shows. Returns the bench's exit code.
int runBench(const BenchOptions& options, std::ostream& out);

// The whole command line: a plain run, or "campaign". ("gui" belongs to the window bench.)
int benchMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace halvenmark::bench
