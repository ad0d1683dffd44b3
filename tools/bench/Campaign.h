#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "catalogue/ResourceStore.h"
#include "sim/ProgramRig.h"
#include "tools/bench/BenchOptions.h"
#include "tools/bench/BenchView.h"

namespace halvenmark::bench {

struct CampaignOptions {
    std::int64_t runs = 0;
    std::uint32_t seed = 1;
    bool usb = false;  // over the emulated USB stack
};

std::optional<CampaignOptions> parseCampaign(const std::vector<std::string>& args,
                                             std::ostream& err);

// Randomised find-and-flash sessions over the catalogue, the three adapters and every fault
// kind. Prints a line per defect with the bench arguments that reproduce it, then the
// "campaign:" line. Returns 0 when no run was a defect.
int runCampaign(const CampaignOptions& options, std::ostream& out, std::ostream& err);

// How one session ended.
struct Verdict {
    bool complete = false;
    bool falseSuccess = false;
    bool silentFailure = false;
    bool hang = false;
    bool crash = false;
};

// Runs a find-and-flash session's start-up and actions on `rig` and judges it: a false success
// ends "Flash Complete!" while the memory does not hold the image where the route writes; a
// silent failure shows other than exactly one message box.
Verdict judgeSession(sim::ProgramRig& rig, BenchView& view, const BenchOptions& session,
                     const ResourceStore& store);

// Counts the sessions, prints a line for each defect and the closing "campaign:" line.
class CampaignTally {
  public:
    void add(const Verdict& verdict, const BenchOptions& session, std::ostream& out);
    // Prints the "campaign:" line; returns 0 when no session was a defect.
    int finish(std::ostream& out) const;

  private:
    std::int64_t runs_ = 0, complete_ = 0, failed_ = 0, falseSuccesses_ = 0, silent_ = 0,
                 hangs_ = 0;
};

}  // namespace halvenmark::bench
