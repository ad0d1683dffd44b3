#pragma once

#include <string>
#include <vector>

#include "app/FrmStart.h"
#include "app/UpdaterOperations.h"
#include "catalogue/ResourceStore.h"
#include "link/TracingDriver.h"
#include "sim/DeviceLoader.h"
#include "sim/FaultPlan.h"
#include "sim/ProgramRig.h"
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

// The updater's own code over the simulated adapter and device: what the bench, the window bench
// and the end-to-end tests run.
class SimulatedRig : public ProgramRig {
  public:
    SimulatedRig(const RigOptions& options, View& view, const ResourceStore& store);

    FrmStart::LoadResult start() override;
    void press(ButtonIndex button) override;
    void setTrace(TransferObserver* observer) override { tracing_.setObserver(observer); }

    FrmStart& window() override { return window_; }
    LinkState& state() override { return state_; }
    DeviceLoader& device() override { return device_; }
    SimAdapter& adapter() { return adapter_; }
    FaultPlan& faults() { return faults_; }

  private:
    LinkState state_;
    FaultPlan faults_;
    SimAdapter adapter_;
    TracingDriver tracing_{adapter_};
    DeviceLoader device_;
    HMUModule link_;
    Session session_;
    UpdaterOperations operations_;
    FrmStart window_;
};

}  // namespace halvenmark::sim
