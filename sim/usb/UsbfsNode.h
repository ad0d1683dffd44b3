#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "sim/usb/UsbDevice.h"

namespace halvenmark::sim::usb {

// How the node behaves at the USB level, beside what the device answers.
struct NodeBehaviour {
    bool accessible = true;          // false: read-only for everyone, as without the access rule
    bool claimedElsewhere = false;   // another program holds the interface
    bool kernelDriverBound = false;  // the kernel's serial driver holds the interface at first
    bool claimFails = false;         // a claim fails as for a device gone meanwhile (ENODEV)
    std::optional<std::int64_t> vanishAfterFrames;  // unplugged when the next frame is sent
};

constexpr const char* kKernelSerialDriver = "ftdi_sio";

// The usbfs device node of one emulated USB device, served through umockdev's preload: the
// ioctls libusb sends (URBs submitted, completed, reaped and discarded as the kernel does them,
// interface claims, the kernel driver's binding) and a FIFO at the node's path that wakes
// libusb's poll exactly while a completed URB waits to be reaped (a plain file would always
// poll ready and make libusb spin).
class UsbfsNode : public InCompletion {
  public:
    // `path` is the node's place in the testbed; `onVanish` runs once the device has left the
    // bus (on the thread that unplugged it), to take it off the testbed too.
    UsbfsNode(std::string path, UsbDevice& device, NodeBehaviour behaviour,
              std::function<void()> onVanish);
    ~UsbfsNode() override;
    UsbfsNode(const UsbfsNode&) = delete;
    UsbfsNode& operator=(const UsbfsNode&) = delete;

    // False when the node's FIFO could not be made; `error()` says why.
    bool ready() const { return wakeFd_ >= 0; }
    const std::string& error() const { return error_; }
    // The umockdev ioctl handler (a UMockdevIoctlBase) to attach at the node's /dev path.
    void* handler() const { return handler_; }

    // The device leaves the bus: what is in flight and everything later fails with ENODEV.
    void vanish();
    bool kernelDriverBound() const;
    int kernelDriverDetaches() const;
    int kernelDriverAttaches() const;

    void completeIn(UrbId id, std::vector<std::uint8_t> bytes) override;

    // The handler's entry points (umockdev's worker thread).
    void handleIoctl(void* client);
    void clientClosed(void* client);

  private:
    struct Urb;

    int submit(void* client, void* argument);
    int reap(void* client, void* argument, bool& completed);
    int discard(void* client, unsigned long urbAddress);
    int getDriver(void* argument);
    int driverIoctl(void* argument);
    int claim(void* client, unsigned int interfaceNumber);
    void finishLocked(std::unique_ptr<Urb> urb);
    void updateWakeLocked();

    const std::string path_;
    UsbDevice& device_;
    const NodeBehaviour behaviour_;
    std::function<void()> onVanish_;
    std::string error_;
    int wakeFd_ = -1;
    void* handler_ = nullptr;

    mutable std::mutex mutex_;
    bool wakeDrained_ = false;
    bool gone_ = false;
    bool driverBound_;
    int detaches_ = 0;
    int attaches_ = 0;
    void* claimedBy_ = nullptr;
    std::int64_t framesOut_ = 0;
    UrbId nextId_ = 1;
    std::map<UrbId, std::unique_ptr<Urb>> pendingIn_;
    std::deque<std::unique_ptr<Urb>> done_;
};

}  // namespace halvenmark::sim::usb
