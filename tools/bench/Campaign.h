#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace halvenmark::bench {

struct CampaignOptions {
    std::int64_t runs = 0;
    std::uint32_t seed = 1;
};

std::optional<CampaignOptions> parseCampaign(const std::vector<std::string>& args,
                                             std::ostream& err);

// Randomised find-and-flash sessions over the catalogue, the three adapters and every fault
// kind. Prints a line per defect with the bench arguments that reproduce it, then the
// "campaign:" line. Returns 0 when no run was a defect.
int runCampaign(const CampaignOptions& options, std::ostream& out);

}  // namespace halvenmark::bench
