#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace halvenmark::sim::usb {

// The eight bytes that open a control transfer.
struct SetupPacket {
    std::uint8_t requestType;
    std::uint8_t request;
    std::uint16_t value;
    std::uint16_t index;
    std::uint16_t length;

    bool deviceToHost() const { return (requestType & 0x80) != 0; }
    bool isVendor() const { return (requestType & 0x60) == 0x40; }
};

// The answer to a control transfer: the data of an IN request, or a stall (the request refused).
struct ControlAnswer {
    bool stall = false;
    std::vector<std::uint8_t> data;
};

using UrbId = std::uint64_t;

// Where a device hands back the bulk IN transfers it answers later.
class InCompletion {
  public:
    virtual ~InCompletion() = default;
    virtual void completeIn(UrbId id, std::vector<std::uint8_t> bytes) = 0;
};

// A USB device as its usbfs node reaches it: control transfers and bulk transfers, the IN ones
// answered when the device has something to send. Calls may come from any thread.
class UsbDevice {
  public:
    virtual ~UsbDevice() = default;
    virtual ControlAnswer control(const SetupPacket& setup,
                                  std::span<const std::uint8_t> dataOut) = 0;
    virtual void bulkOut(std::span<const std::uint8_t> data) = 0;
    // A bulk IN transfer of up to `length` bytes, answered through `sink` (never from inside
    // this call's caller's lock: the device calls back from its own thread).
    virtual void bulkIn(UrbId id, int length, InCompletion& sink) = 0;
    // The host gave up on an IN transfer, or the device left the bus: it is not answered.
    virtual void cancelIn(UrbId id) = 0;
};

}  // namespace halvenmark::sim::usb
