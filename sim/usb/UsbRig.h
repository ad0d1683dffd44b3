#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "app/FrmStart.h"
#include "app/UpdaterOperations.h"
#include "link/TracingDriver.h"
#include "sim/ProgramRig.h"
#include "sim/SimulatedRig.h"
#include "sim/usb/EmulatedUsb.h"

namespace halvenmark::sim::usb {

// The updater's own code through its libftdi1 backend, libftdi1 and libusb to emulated FTDI
// adapters on a umockdev testbed, with the simulated device and its faults behind their serial
// lines. The process must run under umockdev's preload.
class UsbRig : public ProgramRig {
  public:
    UsbRig(const RigOptions& options, const std::vector<UsbFault>& usbFaults, View& view,
           const ResourceStore& store);
    ~UsbRig() override;

    // False when the emulation could not be set up.
    bool ready() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    FrmStart::LoadResult start() override;
    void press(ButtonIndex button) override;
    void setTrace(TransferObserver* observer) override { tracing_->setObserver(observer); }

    FrmStart& window() override { return *window_; }
    LinkState& state() override { return state_; }
    DeviceLoader& device() override { return device_; }
    // The frames that went out over the emulated adapters' serial lines.
    std::int64_t framesSent();
    // The bulk IN transfers the program asked of them.
    std::int64_t inTransfers();

  private:
    std::mutex line_;  // the device and the faults: the chips' threads and the presses share them
    FaultPlan faults_;
    DeviceLoader device_;
    EmulatedUsb usb_;  // outlives the program that talks to it
    std::string error_;

    std::unique_ptr<FtDriver> libftdi_;
    std::unique_ptr<TracingDriver> tracing_;
    LinkState state_;
    std::unique_ptr<HMUModule> link_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<UpdaterOperations> operations_;
    std::unique_ptr<FrmStart> window_;
};

}  // namespace halvenmark::sim::usb
