#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/FrmStart.h"
#include "app/UpdaterOperations.h"
#include "catalogue/ResourceStore.h"
#include "sim/DeviceLoader.h"
#include "sim/FaultPlan.h"
#include "sim/SimAdapter.h"

namespace halvenmark::sim {

constexpr const char* kProgrammerDescription = "Halvenmark Device Programmer";
constexpr const char* kTelemetryDescription = "Halvenmark Telemetry Station";
constexpr const char* kSerialLinkDescription = "Halvenmark Serial Link";

struct RigOptions {
    std::vector<std::string> adapters{kProgrammerDescription};
    DeviceConfig device;
    bool deviceAttached = true;
    std::vector<Fault> faults;
};

// The updater's own code (start-up, click handler, routines, link) over the simulated adapter
// and device: what the bench, the window bench and the end-to-end tests run.
class SimulatedRig {
  public:
    SimulatedRig(const RigOptions& options, View& view, const ResourceStore& store);

    FrmStart::LoadResult start(const StartupFacts& facts = {});
    // Presses a button as the window does; faults scoped to it act during its first press.
    void press(ButtonIndex button);

    FrmStart& window() { return window_; }
    SimAdapter& adapter() { return adapter_; }
    DeviceLoader& device() { return device_; }
    FaultPlan& faults() { return faults_; }
    LinkState& state() { return state_; }

  private:
    LinkState state_;
    FaultPlan faults_;
    SimAdapter adapter_;
    DeviceLoader device_;
    HMUModule link_;
    Session session_;
    UpdaterOperations operations_;
    FrmStart window_;
};

}  // namespace halvenmark::sim
