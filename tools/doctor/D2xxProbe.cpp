// The doctor where libusb does not serve it (Windows, or a build without libftdi1): what the
// vendor's D2XX library lists, as the updater's D2XX backend will find it.
#include "link/AdapterSettings.h"
#include "link/D2xxDriver.h"
#include "link/SystemDriver.h"
#include "tools/doctor/UsbProbe.h"

namespace halvenmark::doctor {

Findings probeSystem() {
    Findings findings;
    SystemFacts& system = findings.system;
    system.d2xxLibrary = D2xxDriver::defaultLibraryName();
    system.d2xxPresent = D2xxDriver::load() != nullptr;
    system.libftdiBackend = makeLibftdiDriver() != nullptr;
    if (!system.d2xxPresent) {
        system.usbProblem = "the vendor's D2XX library " + system.d2xxLibrary +
                            " is not installed: install FTDI's D2XX driver";
        return findings;
    }
    findings.d2xxDevices = listD2xxDevices(system.d2xxLibrary);
    system.usbListed = findings.d2xxDevices.has_value();
    if (!system.usbListed) {
        system.usbProblem = "the list of devices could not be read: the vendor's D2XX library " +
                            system.d2xxLibrary + " lacks its listing calls or they failed";
    }
    int position = 0;
    for (const D2xxListedDevice& listed :
         findings.d2xxDevices.value_or(std::vector<D2xxListedDevice>{})) {
        FtdiDevice device;
        device.port = std::to_string(++position);
        device.vendorId = listed.vendorId;
        device.productId = listed.productId;
        device.product = listed.description;
        device.serial = listed.serial;
        for (std::size_t model = 0; model < adapter::kModels.size(); ++model) {
            if (device.product == adapter::kModels[model].description)
                device.adapter = model;
        }
        device.access = listed.openElsewhere ? Access::Busy : Access::Opens;
        findings.devices.push_back(device);
    }
    return findings;
}

}  // namespace halvenmark::doctor
