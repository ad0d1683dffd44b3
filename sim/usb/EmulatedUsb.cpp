#include "sim/usb/EmulatedUsb.h"

#include <algorithm>
#include <cstdio>

#include "link/AdapterSettings.h"

namespace halvenmark::sim::usb {

namespace {

constexpr const char* kManufacturer = "Halvenmark";
constexpr int kFirstDeviceNumber = 2;  // 1 is the bus's root hub

bool has(const std::vector<UsbFault>& faults, UsbFaultKind kind, std::string_view description) {
    return std::any_of(faults.begin(), faults.end(), [&](const UsbFault& fault) {
        return fault.kind == kind && actsOn(fault, description);
    });
}

const UsbFault* first(const std::vector<UsbFault>& faults, UsbFaultKind kind,
                      std::string_view description) {
    for (const UsbFault& fault : faults) {
        if (fault.kind == kind && actsOn(fault, description))
            return &fault;
    }
    return nullptr;
}

std::string serialNumber(int position) {
    char text[16];
    std::snprintf(text, sizeof text, "HM%06d", position);
    return text;
}

}  // namespace

EmulatedUsb::EmulatedUsb(const std::vector<std::string>& descriptions,
                         const std::vector<UsbFault>& faults, DeviceSide side) {
    adapters_.reserve(descriptions.size());
    for (std::size_t i = 0; i < descriptions.size(); ++i) {
        const std::string& description = descriptions[i];
        const bool serialLink = description == adapter::kModels[2].description;
        const UsbFault* product = first(faults, UsbFaultKind::Product, description);

        Adapter& added = adapters_.emplace_back();
        added.description = description;
        added.sysfs.name = "1-" + std::to_string(i + 1);
        added.sysfs.number = kFirstDeviceNumber + static_cast<int>(i);
        added.sysfs.vendorId = kFtdiVendorId;
        added.sysfs.productId = kFt232rProductId;
        added.sysfs.manufacturer = kManufacturer;
        added.sysfs.product = product != nullptr ? product->text : description;
        added.sysfs.serial = serialNumber(static_cast<int>(i + 1));
        ChipFaults chipFaults;
        if (const UsbFault* refuses = first(faults, UsbFaultKind::EepromRefuses, description)) {
            chipFaults.eepromRefusesFrom = static_cast<int>(refuses->count);
        }
        chipFaults.badEepromChecksum = has(faults, UsbFaultKind::BadEepromChecksum, description);
        chipFaults.latencyUnread = has(faults, UsbFaultKind::LatencyUnread, description);
        if (has(faults, UsbFaultKind::OtherChip, description)) {
            chipFaults.release = kFt2232hRelease;
        }
        added.sysfs.descriptors = ft232rDescriptors(chipFaults.release);
        added.sysPath = testbed_.add(added.sysfs);

        SerialSide line;
        line.device = side.device;
        line.faults = side.faults;
        line.lock = side.lock;
        line.deviceBaud = serialLink ? adapter::kSerialLinkBaud : adapter::kProgrammerBaud;
        line.echoes = serialLink;
        added.chip = std::make_unique<FtdiChip>(
            ChipIdentity{kManufacturer, added.sysfs.product, added.sysfs.serial},
            has(faults, UsbFaultKind::CbusNotIo, description) ? kCbusTxden : kCbusIoMode, line,
            chipFaults);

        NodeBehaviour behaviour;
        behaviour.accessible = !has(faults, UsbFaultKind::NoPermission, description);
        behaviour.claimedElsewhere = has(faults, UsbFaultKind::Busy, description);
        behaviour.kernelDriverBound = has(faults, UsbFaultKind::KernelDriver, description);
        behaviour.claimFails = has(faults, UsbFaultKind::ClaimFails, description);
        if (const UsbFault* unplug = first(faults, UsbFaultKind::UnplugAfter, description)) {
            behaviour.vanishAfterFrames = unplug->count;
        }
        added.node = std::make_unique<UsbfsNode>(testbed_.nodeInTestbed(added.sysfs), *added.chip,
                                                 behaviour, [this, i] { takeOffTheBus(i); });
        if (!added.node->ready()) {
            error_ = added.node->error();
            return;
        }
        if (!testbed_.attach(UsbTestbed::devicePath(added.sysfs), added.node->handler(), error_)) {
            return;
        }
    }
}

EmulatedUsb::~EmulatedUsb() {
    {
        std::lock_guard lock(removalsMutex_);
        for (std::thread& removal : removals_) {
            removal.join();
        }
    }
    // The chips stop answering before the nodes they answer go; the nodes go before the chips
    // they cancel transfers at.
    for (Adapter& adapter : adapters_) {
        adapter.chip->stop();
    }
    for (Adapter& adapter : adapters_) {
        adapter.node.reset();
    }
}

void EmulatedUsb::replug() {
    for (Adapter& adapter : adapters_) {
        adapter.chip->powerCycle();
    }
}

EmulatedUsb::Adapter* EmulatedUsb::find(std::string_view description) {
    for (Adapter& adapter : adapters_) {
        if (adapter.description == description)
            return &adapter;
    }
    return nullptr;
}

void EmulatedUsb::takeOffTheBus(std::size_t index) {
    // Not on the thread that unplugged it: that one is inside a URB's submission, and the uevent
    // goes to the program's hotplug monitor, which must not wait for it.
    std::lock_guard lock(removalsMutex_);
    removals_.emplace_back([this, index] { testbed_.remove(adapters_[index].sysPath); });
}

}  // namespace halvenmark::sim::usb
