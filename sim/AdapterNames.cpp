#include "sim/AdapterNames.h"

#include "link/AdapterSettings.h"

namespace halvenmark::sim {

std::string adapterDescription(std::string_view name) {
    for (const adapter::AdapterModel& model : adapter::kModels) {
        if (model.shortName == name)
            return std::string(model.description);
    }
    return {};
}

std::string adapterName(std::string_view description) {
    for (const adapter::AdapterModel& model : adapter::kModels) {
        if (model.description == description)
            return std::string(model.shortName);
    }
    return {};
}

}  // namespace halvenmark::sim
