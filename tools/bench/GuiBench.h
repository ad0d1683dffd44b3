#pragma once

#include <string>
#include <vector>

namespace halvenmark::bench {

// "halvenmark-bench gui": the program's real window over the simulated hardware. Without
// actions it is interactive; with actions it runs them headless, and --screenshots DIR writes
// a PNG of the window at each screen change.
int guiMain(int argc, char** argv, const std::vector<std::string>& args);

}  // namespace halvenmark::bench
