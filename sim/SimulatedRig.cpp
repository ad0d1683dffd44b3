#include "sim/SimulatedRig.h"

namespace halvenmark::sim {

FaultScope faultScopeOf(ButtonIndex button) {
    switch (button) {
        case kFindDeviceButton:
            return FaultScope::Find;
        case kFlashDeviceButton:
            return FaultScope::Flash;
        default:
            return FaultScope::Always;
    }
}

SimulatedRig::SimulatedRig(const RigOptions& options, View& view, const ResourceStore& store)
    : faults_(options.device.seed, options.faults),
      device_(options.device, &faults_),
      link_(state_, tracing_),
      session_{state_, link_, view, store},
      operations_(session_),
      window_(state_, link_, view, operations_) {
    for (const std::string& adapter : options.adapters) {
        adapter_.attach(adapter);
    }
    adapter_.setLineFaults(&faults_);
    if (options.deviceAttached) {
        adapter_.setPeer(&device_);
    }
}

FrmStart::LoadResult SimulatedRig::start() {
    return window_.Load({});
}

void SimulatedRig::press(ButtonIndex button) {
    faults_.beginPress(faultScopeOf(button));
    window_.ButtonClick(static_cast<std::int16_t>(button));
    faults_.endPress();
}

}  // namespace halvenmark::sim
