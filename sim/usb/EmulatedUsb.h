#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/LineFaults.h"
#include "sim/SerialPeer.h"
#include "sim/usb/FtdiChip.h"
#include "sim/usb/UsbFaults.h"
#include "sim/usb/UsbTestbed.h"
#include "sim/usb/UsbfsNode.h"

namespace halvenmark::sim::usb {

// The device and the line's faults, behind the serial line of every emulated adapter (the
// program opens one of them).
struct DeviceSide {
    SerialPeer* device = nullptr;  // nullptr: no device answers
    LineFaults* faults = nullptr;
    std::mutex* lock = nullptr;  // guards both, shared with whoever else touches them
};

// The adapters of the product family as FT232R chips on a umockdev testbed's USB bus 1, in the
// order they are plugged in, with the USB-level situations of `faults`. Must be made in a process
// running under umockdev's preload; every process started from it afterwards sees the same bus.
class EmulatedUsb {
  public:
    struct Adapter {
        std::string description;
        SysfsDevice sysfs;
        std::string sysPath;
        std::unique_ptr<FtdiChip> chip;
        std::unique_ptr<UsbfsNode> node;
    };

    EmulatedUsb(const std::vector<std::string>& descriptions, const std::vector<UsbFault>& faults,
                DeviceSide side);
    ~EmulatedUsb();
    EmulatedUsb(const EmulatedUsb&) = delete;
    EmulatedUsb& operator=(const EmulatedUsb&) = delete;

    // False when the testbed could not be set up; `error()` says why.
    bool ready() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    std::vector<Adapter>& adapters() { return adapters_; }
    // Every adapter unplugged and plugged in again: each chip starts afresh from its EEPROM.
    void replug();
    // The adapter of a description, or nullptr.
    Adapter* find(std::string_view description);

  private:
    void takeOffTheBus(std::size_t index);

    UsbTestbed testbed_;
    std::vector<Adapter> adapters_;
    std::string error_;
    std::mutex removalsMutex_;
    std::vector<std::thread> removals_;
};

}  // namespace halvenmark::sim::usb
