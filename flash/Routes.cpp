#include "flash/Routes.h"

namespace halvenmark::routes {

namespace {

constexpr Step kDefaultSteps[] = {
    {StepKind::CheckFlashable},      {StepKind::TransferAuxImage},    {StepKind::LoadFirmwareImage},
    {StepKind::ProgramUpperSection}, {StepKind::ProgramLowerSection},
};

// The frames at 0x0000 to 0x000C are never written for this image.
constexpr Step k105Steps[] = {
    {StepKind::CheckFlashable},
    {StepKind::TransferAuxImage},
    {StepKind::LoadFirmwareImage},
    {StepKind::PreserveDeviceBytes},
    {StepKind::WriteArea, &kArea105Upper},
    {StepKind::WriteArea, &kArea105Main},
    {StepKind::ShortEx},
    {StepKind::WriteArea, &kArea105Middle},
};

constexpr Step kUpdateSteps[] = {{StepKind::LoadFirmwareImage}, {StepKind::UpdateAndVerify}};
constexpr Step kExpanderSteps[] = {{StepKind::LoadFirmwareImage}, {StepKind::UpdateExpander}};

// 8832 / 4 + 4: the frames of the auxiliary image and both sections, each written and read.
constexpr Route kDefault{"default", 2212, &kAuxA, nullptr, kDefaultSteps};
constexpr Route k105{"kestrel", 2280, &kAuxB, nullptr, k105Steps};
constexpr Route k8K{"update-8k", 0, nullptr, &kUpdate8K, kUpdateSteps};
constexpr Route k16K{"update-16k", 0, nullptr, &kUpdate16K, kUpdateSteps};
constexpr Route kExpander{"expander", 0, nullptr, &kExpanderMain, kExpanderSteps};

struct RouteByImage {
    std::int16_t imageId;
    const Route* route;
};

constexpr RouteByImage kRoutes[] = {
    {105, &k105},      {106, &k8K},       {108, &k8K},       {107, &k16K},
    {300, &kExpander}, {301, &kExpander}, {302, &kExpander}, {400, &kExpander},
};

}  // namespace

const Route& routeFor(std::int16_t imageId) {
    for (const RouteByImage& entry : kRoutes) {
        if (entry.imageId == imageId) {
            return *entry.route;
        }
    }
    return kDefault;
}

int auxImageOf(std::int16_t imageId) {
    const Route& route = routeFor(imageId);
    return route.aux != nullptr ? route.aux->auxResId : 0;
}

}  // namespace halvenmark::routes
