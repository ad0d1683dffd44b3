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

// The emulated adapters on the real USB stack, in parts:
//   UsbTestbed     the testbed: a sysfs, udev database and /dev of umockdev's, which processes
//                  under its preload see instead of the machine's
//   UsbfsNode      a device's usbfs node: the ioctls libusb sends, URBs submitted, completed,
//                  reaped and discarded as the kernel does them
//   FtdiChip       the live chip: its vendor requests and registers, its EEPROM, its IN packets
//                  paced by the latency timer; Ft232r holds the data sheet's tables it answers by
//   SerialLine     the line behind the chip's pins, the model the simulated adapter shares
//   EmulatedUsb    the adapters plugged into the testbed; UsbRig the program's code over them;
//   EmulationProcess  running a process again under umockdev's preload
//
// Threads, and the order their locks are taken in (never the other way round):
//   - umockdev's worker thread serves every ioctl of every process on the testbed. It holds the
//     handler guard (shared) while it does, then a node's mutex. The node lets its mutex go
//     before a control request or a transfer reaches its chip, which takes the line's lock
//     (DeviceSide::lock, for the device and the faults) and then its own mutex; a cancel reaches
//     the chip with the node's mutex held.
//   - each chip's clock thread completes IN transfers on the chip's timeline under the chip's
//     mutex, and hands a finished one to its node only after letting that mutex go.
//   - an unplug takes the device off the bus on a thread of its own, away from the URB that
//     caused it; the emulation's destructor joins those threads, then stops the chips, then
//     lets the nodes go (the guard, alone, keeps the worker off a node being let go).
//   - the bench's own thread presses the window's buttons; it takes the line's lock alone.
//   So: handler guard -> node mutex -> line lock -> chip mutex; a chip never takes a node's
//   mutex while it holds its own.

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
