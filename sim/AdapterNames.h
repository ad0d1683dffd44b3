#pragma once

#include <string>
#include <string_view>

namespace halvenmark::sim {

// The bench's short names of the three adapters (programmer, telemetry, serial-link) and their
// USB descriptions; an unknown name or description gives an empty text.
std::string adapterDescription(std::string_view name);
std::string adapterName(std::string_view description);

}  // namespace halvenmark::sim
