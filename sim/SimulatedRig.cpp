#include "sim/SimulatedRig.h"

namespace halvenmark::sim {

SimulatedRig::SimulatedRig(const RigOptions& options, View& view, const ResourceStore& store)
    : faults_(options.device.seed, options.faults),
      device_(options.device, &faults_),
      link_(state_, adapter_),
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

FrmStart::LoadResult SimulatedRig::start(const StartupFacts& facts) {
    return window_.Load(facts);
}

void SimulatedRig::press(ButtonIndex button) {
    switch (button) {
        case kFindDeviceButton:
            faults_.beginPress(FaultScope::Find);
            break;
        case kFlashDeviceButton:
            faults_.beginPress(FaultScope::Flash);
            break;
        default:
            faults_.beginPress(FaultScope::Always);
            break;
    }
    window_.ButtonClick(static_cast<std::int16_t>(button));
    faults_.endPress();
}

}  // namespace halvenmark::sim
