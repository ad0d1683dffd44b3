#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace halvenmark::sim::usb {

// A USB device as sysfs and udev show it.
struct SysfsDevice {
    std::string name;  // the sysfs name, "1-2": bus 1, port 2
    int bus = 1;
    int number = 0;  // the device number on its bus
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string manufacturer;
    std::string product;
    std::string serial;
    std::vector<std::uint8_t> descriptors;
};

// A umockdev testbed: a sysfs, a udev database and a /dev of its own, which every process under
// umockdev's preload with this testbed's UMOCKDEV_DIR sees instead of the machine's. Creating it
// sets UMOCKDEV_DIR for this process, so children started afterwards inherit it.
class UsbTestbed {
  public:
    UsbTestbed();
    ~UsbTestbed();
    UsbTestbed(const UsbTestbed&) = delete;
    UsbTestbed& operator=(const UsbTestbed&) = delete;

    // Adds the device (announced with an "add" uevent) and returns its sysfs path.
    std::string add(const SysfsDevice& device);
    // The /dev path of a device's usbfs node, and where that node lies in the testbed.
    static std::string devicePath(const SysfsDevice& device);
    std::string nodeInTestbed(const SysfsDevice& device) const;

    // Serves the node's ioctls with `handler` (a UMockdevIoctlBase).
    bool attach(const std::string& devicePath, void* handler, std::string& error);
    // Takes the device off: a "remove" uevent, then its sysfs and /dev entries.
    void remove(const std::string& sysPath);

  private:
    void* testbed_;
    std::string root_;
};

}  // namespace halvenmark::sim::usb
