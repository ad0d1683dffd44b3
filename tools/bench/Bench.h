#pragma once

#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "catalogue/FirmwarePack.h"
#include "catalogue/StoreWithPack.h"
#include "resources/EmbeddedResources.h"
#include "sim/ProgramRig.h"
#include "tools/bench/BenchOptions.h"
#include "tools/bench/BenchView.h"

namespace halvenmark::bench {

constexpr int kExitNoMessage = 0;
constexpr int kExitMessageShown = 1;
constexpr int kExitUsage = 2;

// The store a bench run uses: the built-in one as it is (the simulated hardware is no device),
// with the firmware pack of --firmware laid over it, and with --refuse-placeholders as the
// product's, which hands out no placeholder image and says so on `err`. A refused pack is said on
// `err`, and the run must not go on.
class BenchStore {
  public:
    BenchStore(const BenchOptions& options, std::ostream& err);
    const ResourceStore& store() const;
    bool refused() const { return refused_; }

  private:
    resources::EmbeddedStore embedded_;
    std::optional<catalogue::FirmwarePack> pack_;
    std::optional<catalogue::StoreWithPack> packed_;
    bool refused_ = false;
    bool told_ = false;
    std::optional<resources::PlaceholderRefusingStore> refusing_;
};

// Runs start-up, then the actions whose buttons are visible, printing "skipped:" for the others.
// Returns the real time the actions took.
std::chrono::nanoseconds runActions(sim::ProgramRig& rig, BenchView& view,
                                    const std::vector<Action>& actions, std::ostream& out);

// The "written:" and "memory-sha256:" lines of the device's memory.
void printMemory(const sim::DeviceLoader& device, std::ostream& out);

// What the link timing model makes of a run, and the run's exit code.
struct ModelFigures {
    std::int64_t exchanges;
    std::chrono::nanoseconds wire;
    std::chrono::nanoseconds modeled;
    std::chrono::nanoseconds host;
    int exitCode;
};

// A run of `options` over the simulated adapter, printing what the window shows (and the memory
// lines when asked), but not the timing line.
ModelFigures runSimulated(const BenchOptions& options, std::ostream& out, std::ostream& err);
void printTiming(const ModelFigures& figures, std::ostream& out);

// Runs start-up and the actions of `options` against the simulated hardware and prints what
// the window shows. Returns the bench's exit code.
int runBench(const BenchOptions& options, std::ostream& out, std::ostream& err);

// The whole command line: a plain run, or "campaign". ("gui" belongs to the window bench.)
int benchMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace halvenmark::bench
