#pragma once

#include <memory>
#include <string>
#include <vector>

#include "resources/EmbeddedResources.h"
#include "sim/SimulatedRig.h"
#include "support/RecordingView.h"

namespace halvenmark::testing {

// The whole updater over the simulated adapter and device, recording what the window shows.
struct Rig {
    explicit Rig(sim::RigOptions options, const ResourceStore* store = nullptr)
        : rig(options, view, store != nullptr ? *store : embedded) {
        rig.adapter().setCallLogEnabled(false);
    }

    // Start-up then "Find Device"; true when the device screen came up.
    bool find() {
        if (rig.start() != FrmStart::LoadResult::ShowWindow)
            return false;
        rig.press(kFindDeviceButton);
        return view.visible[kFlashDeviceButton];
    }
    void flash() { rig.press(kFlashDeviceButton); }

    resources::EmbeddedStore embedded;
    RecordingView view;
    sim::SimulatedRig rig;
};

inline sim::RigOptions device(std::uint8_t code) {
    sim::RigOptions options;
    options.device.identityCode = code;
    return options;
}

inline sim::RigOptions withFault(sim::RigOptions options, const std::string& fault) {
    std::string error;
    options.faults.push_back(*sim::parseFault(fault, error));
    return options;
}

}  // namespace halvenmark::testing
