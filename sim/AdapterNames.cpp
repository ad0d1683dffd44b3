#include "sim/AdapterNames.h"

#include <array>

#include "link/AdapterSettings.h"

namespace halvenmark::sim {

namespace {

struct AdapterName {
    std::string_view name;
    std::string_view description;
};

constexpr std::array<AdapterName, 3> kNames{{
    {"programmer", adapter::kModels[0].description},
    {"telemetry", adapter::kModels[1].description},
    {"serial-link", adapter::kModels[2].description},
}};

}  // namespace

std::string adapterDescription(std::string_view name) {
    for (const AdapterName& entry : kNames) {
        if (entry.name == name)
            return std::string(entry.description);
    }
    return {};
}

std::string adapterName(std::string_view description) {
    for (const AdapterName& entry : kNames) {
        if (entry.description == description)
            return std::string(entry.name);
    }
    return {};
}

}  // namespace halvenmark::sim
