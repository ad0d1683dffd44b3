#pragma once

#include "app/FrmStart.h"
#include "link/LinkState.h"
#include "link/TransferObserver.h"
#include "sim/DeviceLoader.h"
#include "sim/FaultPlan.h"

namespace halvenmark::sim {

// The updater's own code (start-up, click handler, routines, link) over an adapter that is no
// real one, with the simulated device behind it: what the bench runs, over the simulated adapter
// or over the emulated USB stack.
class ProgramRig {
  public:
    virtual ~ProgramRig() = default;

    virtual FrmStart::LoadResult start() = 0;
    // Presses a button as the window does; faults scoped to it act during its first press.
    virtual void press(ButtonIndex button) = 0;
    // Shows every transfer at the driver boundary to `observer` (nullptr: to nobody).
    virtual void setTrace(TransferObserver* observer) = 0;

    virtual FrmStart& window() = 0;
    virtual LinkState& state() = 0;
    virtual DeviceLoader& device() = 0;
};

// Which faults a press of this button starts: those scoped to "Find Device" or "Flash Device".
FaultScope faultScopeOf(ButtonIndex button);

}  // namespace halvenmark::sim
