#include "sim/RouteCoverage.h"

#include "flash/Routes.h"

namespace halvenmark::sim {

namespace {

std::pair<int, int> wordArea(const FirstFormArea& area) {
    return {2 * area.start, 2 * area.end + 7};
}

std::pair<int, int> blockPass(const routes::BlockPass& pass) {
    return {pass.start, pass.lastWriteBlock + routes::kWriteBlockBytes - 1};
}

}  // namespace

std::vector<std::pair<int, int>> routeByteRanges(std::int16_t imageId,
                                                 std::uint8_t installedVersion) {
    const routes::Route& route = routes::routeFor(imageId);
    std::vector<std::pair<int, int>> ranges;
    for (const routes::Step& step : route.steps) {
        switch (step.kind) {
            case routes::StepKind::ProgramUpperSection:
                ranges.push_back(wordArea(kUpperSection));
                break;
            case routes::StepKind::ProgramLowerSection:
                ranges.push_back(wordArea(kLowerSection));
                break;
            case routes::StepKind::WriteArea:
                ranges.push_back(wordArea(*step.area));
                break;
            case routes::StepKind::UpdateAndVerify:
                ranges.push_back(blockPass(route.update->pass));
                break;
            case routes::StepKind::UpdateExpander:
                ranges.push_back(blockPass(routes::kExpanderMain.pass));
                if (imageId != routes::kExpanderWithoutLowArea &&
                    installedVersion <= routes::kExpanderLowAreaUpToVersion) {
                    ranges.push_back(blockPass(routes::kExpanderLowArea));
                }
                break;
            default:
                break;
        }
    }
    return ranges;
}

std::vector<int> preservedBytes(std::int16_t imageId) {
    std::vector<int> bytes;
    if (routes::routeFor(imageId).steps.size() > 3 &&
        routes::routeFor(imageId).steps[3].kind == routes::StepKind::PreserveDeviceBytes) {
        for (const routes::PreservedFrame& frame : routes::kPreserved105) {
            for (int i = 0; i < frame.count; ++i) {
                bytes.push_back(frame.imageIndex + i);
            }
        }
    }
    return bytes;
}

bool routeWroteImage(const DeviceLoader& device, std::span<const std::uint8_t> image,
                     std::int16_t imageId, std::uint8_t installedVersion) {
    std::vector<bool> kept(image.size(), false);
    for (int offset : preservedBytes(imageId)) {
        kept[static_cast<std::size_t>(offset)] = true;
    }
    for (const auto& [first, last] : routeByteRanges(imageId, installedVersion)) {
        for (int offset = first; offset <= last; ++offset) {
            const auto at = static_cast<std::size_t>(offset);
            const std::uint8_t expected = kept[at] ? device.initialMemory()[at] : image[at];
            if (at >= device.memory().size() || device.memory()[at] != expected) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace halvenmark::sim
