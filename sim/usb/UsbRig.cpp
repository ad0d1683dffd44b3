#include "sim/usb/UsbRig.h"

#include "link/SystemDriver.h"

namespace halvenmark::sim::usb {

UsbRig::UsbRig(const RigOptions& options, const std::vector<UsbFault>& usbFaults, View& view,
               const ResourceStore& store)
    : faults_(options.device.seed, options.faults),
      device_(options.device, &faults_),
      usb_(options.adapters, usbFaults,
           {options.deviceAttached ? &device_ : nullptr, &faults_, &line_}),
      error_(usb_.error()),
      libftdi_(makeLibftdiDriver()) {  // the emulation is built only with libftdi1
    tracing_ = std::make_unique<TracingDriver>(*libftdi_);
    link_ = std::make_unique<HMUModule>(state_, *tracing_);
    session_ = std::make_unique<Session>(Session{{state_, *link_, view}, store});
    operations_ = std::make_unique<UpdaterOperations>(*session_);
    window_ = std::make_unique<FrmStart>(state_, *link_, view, *operations_);
}

UsbRig::~UsbRig() {
    // The program closes the adapter before the emulation goes.
    window_->Unload();
}

FrmStart::LoadResult UsbRig::start() {
    return window_->Load({});
}

void UsbRig::press(ButtonIndex button) {
    {
        std::lock_guard lock(line_);
        faults_.beginPress(faultScopeOf(button));
    }
    window_->ButtonClick(static_cast<std::int16_t>(button));
    std::lock_guard lock(line_);
    faults_.endPress();
}

std::int64_t UsbRig::framesSent() {
    std::int64_t frames = 0;
    for (EmulatedUsb::Adapter& adapter : usb_.adapters()) {
        frames += adapter.chip->framesSent();
    }
    return frames;
}

std::int64_t UsbRig::inTransfers() {
    std::int64_t transfers = 0;
    for (EmulatedUsb::Adapter& adapter : usb_.adapters()) {
        transfers += adapter.chip->inTransfers();
    }
    return transfers;
}

}  // namespace halvenmark::sim::usb
