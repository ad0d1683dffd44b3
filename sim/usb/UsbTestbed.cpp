#include "sim/usb/UsbTestbed.h"

#include <umockdev.h>

#include <cstdio>

namespace halvenmark::sim::usb {

namespace {

constexpr int kUsbDeviceMajor = 189;  // Linux's usb_device character devices
constexpr int kDevicesPerBus = 128;

UMockdevTestbed* testbedOf(void* testbed) {
    return static_cast<UMockdevTestbed*>(testbed);
}

std::string hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

std::string threeDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%03d", value);
    return text;
}

}  // namespace

UsbTestbed::UsbTestbed() : testbed_(umockdev_testbed_new()) {
    gchar* root = umockdev_testbed_get_root_dir(testbedOf(testbed_));
    root_ = root;
    g_free(root);
}

UsbTestbed::~UsbTestbed() {
    g_object_unref(testbed_);
}

std::string UsbTestbed::devicePath(const SysfsDevice& device) {
    return "/dev/bus/usb/" + threeDigits(device.bus) + "/" + threeDigits(device.number);
}

std::string UsbTestbed::nodeInTestbed(const SysfsDevice& device) const {
    return root_ + devicePath(device);
}

std::string UsbTestbed::add(const SysfsDevice& device) {
    // What libusb reads: text attributes ending in a newline, and the binary descriptors; what
    // libudev needs to list it as a USB device: DEVTYPE and DEVNAME.
    const std::string devPath = devicePath(device);
    const std::string bus = std::to_string(device.bus) + "\n";
    const std::string number = std::to_string(device.number) + "\n";
    const std::string majorMinor =
        std::to_string(kUsbDeviceMajor) + ":" +
        std::to_string((device.bus - 1) * kDevicesPerBus + device.number - 1) + "\n";
    const std::string vendor = hex4(device.vendorId) + "\n";
    const std::string product = hex4(device.productId) + "\n";
    const std::string manufacturerText = device.manufacturer + "\n";
    const std::string productText = device.product + "\n";
    const std::string serialText = device.serial + "\n";
    gchar* sysPath = umockdev_testbed_add_device(
        testbedOf(testbed_), "usb", device.name.c_str(), nullptr,
        // attributes
        "busnum", bus.c_str(), "devnum", number.c_str(), "dev", majorMinor.c_str(), "speed", "12\n",
        "bConfigurationValue", "1\n", "bNumConfigurations", "1\n", "idVendor", vendor.c_str(),
        "idProduct", product.c_str(), "manufacturer", manufacturerText.c_str(), "product",
        productText.c_str(), "serial", serialText.c_str(), nullptr,
        // udev properties
        "DEVTYPE", "usb_device", "DEVNAME", devPath.c_str(), "BUSNUM",
        threeDigits(device.bus).c_str(), "DEVNUM", threeDigits(device.number).c_str(),
        "ID_VENDOR_ID", hex4(device.vendorId).c_str(), "ID_MODEL_ID",
        hex4(device.productId).c_str(), nullptr);
    std::string path = sysPath;
    g_free(sysPath);
    std::vector<std::uint8_t> descriptors = device.descriptors;
    umockdev_testbed_set_attribute_binary(testbedOf(testbed_), path.c_str(), "descriptors",
                                          descriptors.data(),
                                          static_cast<gint>(descriptors.size()));
    const std::string folder = root_ + "/dev/bus/usb/" + threeDigits(device.bus);
    g_mkdir_with_parents(folder.c_str(), 0755);
    return path;
}

bool UsbTestbed::attach(const std::string& devicePath, void* handler, std::string& error) {
    GError* failure = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbedOf(testbed_), devicePath.c_str(),
                                       static_cast<UMockdevIoctlBase*>(handler), &failure)) {
        error = failure != nullptr ? failure->message : "umockdev refused the ioctl handler";
        g_clear_error(&failure);
        return false;
    }
    return true;
}

void UsbTestbed::remove(const std::string& sysPath) {
    // umockdev's removal sends no uevent of its own: libusb's hotplug monitor learns of it here.
    umockdev_testbed_uevent(testbedOf(testbed_), sysPath.c_str(), "remove");
    umockdev_testbed_remove_device(testbedOf(testbed_), sysPath.c_str());
}

}  // namespace halvenmark::sim::usb
