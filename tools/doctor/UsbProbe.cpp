// The doctor's look at a Linux machine: its FTDI devices through libusb and sysfs, who holds a
// device node (/proc), the udev rules, and the vendor library. It opens what it can as the
// updater does and reads the EEPROM and the latency timer, but writes nothing to any device
// (the latency timer is set back to what it was) and changes nothing on the machine.
#include "tools/doctor/UsbProbe.h"

#include <fcntl.h>
#include <ftdi.h>
#include <grp.h>
#include <libusb.h>
#include <linux/usbdevice_fs.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "link/AdapterSettings.h"
#include "link/D2xxDriver.h"
#include "link/SystemDriver.h"

namespace halvenmark::doctor {

namespace fs = std::filesystem;

namespace {

constexpr std::uint16_t kFtdiVendor = 0x0403;
constexpr int kCbus2IoFt232r = 0x0A;
constexpr int kCbus2IoFtX = 0x08;
constexpr std::uint8_t kLatencyTimerMs = 2;
constexpr const char* kRuleFolders[] = {"/etc/udev/rules.d", "/run/udev/rules.d",
                                        "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
constexpr const char* kBrlttyPrograms[] = {"/usr/bin/brltty", "/bin/brltty", "/usr/sbin/brltty"};

std::string firstLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string userName(uid_t uid) {
    const passwd* entry = ::getpwuid(uid);
    return entry != nullptr ? entry->pw_name : std::to_string(uid);
}

std::string groupName(gid_t gid) {
    const group* entry = ::getgrgid(gid);
    return entry != nullptr ? entry->gr_name : std::to_string(gid);
}

bool inGroup(gid_t gid) {
    if (::getegid() == gid) {
        return true;
    }
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
    const int count = ::getgroups(static_cast<int>(groups.size()), groups.data());
    return std::find(groups.begin(), groups.begin() + std::max(count, 0), gid) != groups.end();
}

// An entry for this user in the node's access list, as the login seat's rule (uaccess) adds.
bool seatAccess(const std::string& path) {
    std::array<std::uint8_t, 1024> acl{};
    const ssize_t size =
        ::getxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size());
    constexpr std::size_t kHeader = 4, kEntry = 8;
    constexpr std::uint16_t kUserTag = 0x02;
    for (std::size_t at = kHeader; size > 0 && at + kEntry <= static_cast<std::size_t>(size);
         at += kEntry) {
        const std::uint16_t tag = static_cast<std::uint16_t>(acl[at] | acl[at + 1] << 8);
        const std::uint32_t id = acl[at + 4] | acl[at + 5] << 8 | acl[at + 6] << 16 |
                                 static_cast<std::uint32_t>(acl[at + 7]) << 24;
        if (tag == kUserTag && id == ::geteuid()) {
            return true;
        }
    }
    return false;
}

NodeFacts nodeFacts(const std::string& path) {
    NodeFacts facts;
    facts.path = path;
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        facts.owner = userName(status.st_uid);
        facts.group = groupName(status.st_gid);
        facts.mode = status.st_mode;
        facts.userInGroup = inGroup(status.st_gid);
        facts.seatAccess = seatAccess(path);
    }
    return facts;
}

// A process's program: the file name of its command, else the kernel's short name for it.
std::string programName(const fs::path& process) {
    std::ifstream in(process / "cmdline");
    std::string command;
    std::getline(in, command, '\0');
    return command.empty() ? firstLine(process / "comm") : fs::path(command).filename().string();
}

// Every program but this one with the node open, found by the node's inode in /proc/*/fd.
std::vector<ProgramHolding> holdersOf(const std::string& path) {
    std::vector<ProgramHolding> holders;
    struct stat node {};
    if (::stat(path.c_str(), &node) != 0) {
        return holders;
    }
    std::error_code error;
    for (const fs::directory_entry& process : fs::directory_iterator("/proc", error)) {
        const std::string name = process.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(name) == ::getpid()) {
            continue;
        }
        std::error_code ignored;
        for (const fs::directory_entry& fd :
             fs::directory_iterator(process.path() / "fd", ignored)) {
            struct stat target {};
            if (::stat(fd.path().c_str(), &target) == 0 && target.st_dev == node.st_dev &&
                target.st_ino == node.st_ino) {
                holders.push_back({programName(process.path()), std::stoi(name)});
                break;
            }
        }
    }
    return holders;
}

// The driver the kernel reports for interface 0: nullopt for none. "usbfs" means a program has
// claimed it.
std::optional<std::string> boundDriver(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    usbdevfs_getdriver query{};
    query.interface = 0;
    const bool bound = ::ioctl(fd, USBDEVFS_GETDRIVER, &query) == 0;
    ::close(fd);
    return bound ? std::optional<std::string>(query.driver) : std::nullopt;
}

ftdi_chip_type chipType(std::uint16_t release) {
    switch (release) {
        case 0x0400:
            return TYPE_BM;
        case 0x0500:
            return TYPE_2232C;
        case 0x0700:
            return TYPE_2232H;
        case 0x0800:
            return TYPE_4232H;
        case 0x0900:
            return TYPE_232H;
        case 0x1000:
            return TYPE_230X;
        default:
            return TYPE_R;
    }
}

// Reads the EEPROM's CBUS pin 2 function and tries the latency timer, over the open handle.
void readChip(libusb_device_handle* handle, std::uint16_t release, bool tryLatency,
              FtdiDevice& device) {
    ftdi_context* context = ftdi_new();
    if (context == nullptr) {
        device.eepromProblem = "out of memory";
        return;
    }
    ftdi_set_usbdev(context, handle);
    context->type = chipType(release);
    int function = 0;
    if (ftdi_read_eeprom(context) != 0) {
        device.eepromProblem =
            std::string("its EEPROM did not read: ") + ftdi_get_error_string(context);
    } else if (ftdi_eeprom_decode(context, 0) != 0 ||
               ftdi_get_eeprom_value(context, CBUS_FUNCTION_2, &function) != 0) {
        device.eepromProblem =
            std::string("its EEPROM did not decode: ") + ftdi_get_error_string(context);
    } else {
        device.cbus2Function = function;
        device.cbus2Io = function == (context->type == TYPE_230X ? kCbus2IoFtX : kCbus2IoFt232r);
    }
    // The timer is set to the updater's value and read back, and then set back to what it was on
    // every path that changed it: the doctor leaves the adapter as it found it, or says so.
    unsigned char before = 0, now = 0;
    if (tryLatency && ftdi_get_latency_timer(context, &before) == 0 &&
        ftdi_set_latency_timer(context, kLatencyTimerMs) == 0) {
        if (ftdi_get_latency_timer(context, &now) == 0) {
            device.latencyMs = now;
        } else {
            device.latencyProblem = "it did not read back after being set to 2 ms";
        }
        if (ftdi_set_latency_timer(context, before) != 0) {
            device.latencyProblem += std::string(device.latencyProblem.empty() ? "" : "; ") +
                                     "it could not be set back to " + std::to_string(before) +
                                     " ms: unplug and replug the adapter, which resets it";
        } else if (!device.latencyMs) {
            device.latencyProblem += "; it was set back to " + std::to_string(before) + " ms";
        }
    }
    context->usb_dev = nullptr;  // the handle stays ours
    ftdi_free(context);
}

void probeAccess(libusb_device* usb, const libusb_device_descriptor& descriptor,
                 FtdiDevice& device) {
    device.node = nodeFacts(device.node.path);
    const int fd = ::open(device.node.path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        device.access = error == EACCES || error == EPERM ? Access::NoPermission : Access::Failed;
        device.accessDetail = std::strerror(error);
        return;
    }
    ::close(fd);
    const std::optional<std::string> driver = boundDriver(device.node.path);
    libusb_device_handle* handle = nullptr;
    if (const int result = libusb_open(usb, &handle); result != 0) {
        device.access = result == LIBUSB_ERROR_ACCESS ? Access::NoPermission : Access::Failed;
        device.accessDetail = libusb_strerror(static_cast<libusb_error>(result));
        return;
    }
    if (driver && *driver != "usbfs") {
        // Not taken from the driver: the doctor changes nothing. The EEPROM reads all the same.
        device.kernelDriver = driver;
        device.access = Access::Opens;
        readChip(handle, descriptor.bcdDevice, false, device);
    } else if (const int claim = driver ? LIBUSB_ERROR_BUSY : libusb_claim_interface(handle, 0);
               claim == LIBUSB_ERROR_BUSY) {
        device.access = Access::Busy;
        device.holders = holdersOf(device.node.path);
    } else if (claim != 0) {
        // Claimed by nobody, so nothing to release.
        device.access = Access::Failed;
        device.accessDetail = std::string("its interface cannot be claimed: ") +
                              libusb_strerror(static_cast<libusb_error>(claim));
    } else {
        device.access = Access::Opens;
        readChip(handle, descriptor.bcdDevice, true, device);
        libusb_release_interface(handle, 0);
    }
    libusb_close(handle);
}

std::vector<std::string> accessRules() {
    std::vector<std::string> rules;
    std::vector<fs::path> seen;
    for (const char* folder : kRuleFolders) {
        std::error_code error;
        for (const fs::directory_entry& file : fs::directory_iterator(folder, error)) {
            std::error_code ignored;
            const fs::path real = fs::canonical(file.path(), ignored);
            if (std::find(seen.begin(), seen.end(), real) != seen.end()) {
                continue;  // /lib is /usr/lib on a merged system
            }
            seen.push_back(real);
            std::ifstream in(file.path());
            const std::string text((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
            if (text.find("idVendor}==\"0403\"") != std::string::npos) {
                rules.push_back(file.path().string());
            }
        }
    }
    std::sort(rules.begin(), rules.end());
    return rules;
}

bool brlttyRunning() {
    std::error_code error;
    for (const fs::directory_entry& process : fs::directory_iterator("/proc", error)) {
        if (firstLine(process.path() / "comm") == "brltty")
            return true;
    }
    return false;
}

// A doctor run from its build tree (not an installed one) may point at its source tree's copy of
// the udev rule.
std::string ownRuleCopy() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    const fs::path rule = HALVENMARK_SOURCE_UDEV_RULE;
    if (error || program.string().rfind("/usr/", 0) == 0 || !fs::exists(rule, error)) {
        return "";
    }
    return rule.string();
}

std::string sysfsAttribute(const std::string& device, const char* name) {
    return firstLine(fs::path("/sys/bus/usb/devices") / device / name);
}

}  // namespace

Findings probeSystem() {
    Findings findings;
    SystemFacts& system = findings.system;
    system.user = userName(::geteuid());
    system.ownRuleCopy = ownRuleCopy();
    system.accessRules = accessRules();
    system.d2xxLibrary = D2xxDriver::defaultLibraryName();
    system.d2xxPresent = D2xxDriver::load() != nullptr;
    system.libftdiBackend = makeLibftdiDriver() != nullptr;
    system.brlttyInstalled =
        std::any_of(std::begin(kBrlttyPrograms), std::end(kBrlttyPrograms),
                    [](const char* path) { return ::access(path, X_OK) == 0; });
    system.brlttyRunning = brlttyRunning();
    if (system.d2xxPresent) {
        findings.d2xxDevices = listD2xxDevices(system.d2xxLibrary);
    }

    libusb_context* context = nullptr;
    if (libusb_init(&context) != 0) {
        system.usbProblem = "the list of USB devices could not be read: libusb does not start";
        return findings;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    system.usbListed = count >= 0;
    if (count < 0) {
        system.usbProblem = std::string("the list of USB devices could not be read: ") +
                            libusb_strerror(static_cast<libusb_error>(count));
    }
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(list[i], &descriptor) != 0 ||
            descriptor.idVendor != kFtdiVendor) {
            continue;
        }
        FtdiDevice device;
        device.bus = libusb_get_bus_number(list[i]);
        std::array<std::uint8_t, 8> ports{};
        const int depth =
            libusb_get_port_numbers(list[i], ports.data(), static_cast<int>(ports.size()));
        for (int p = 0; p < depth; ++p) {
            if (p > 0) {
                device.port += '.';
            }
            device.port += std::to_string(ports[static_cast<std::size_t>(p)]);
        }
        device.vendorId = descriptor.idVendor;
        device.productId = descriptor.idProduct;
        // sysfs holds the strings for every user; reading them off the device needs it open.
        const std::string sysName = std::to_string(device.bus) + "-" + device.port;
        device.manufacturer = sysfsAttribute(sysName, "manufacturer");
        device.product = sysfsAttribute(sysName, "product");
        device.serial = sysfsAttribute(sysName, "serial");
        for (std::size_t model = 0; model < adapter::kModels.size(); ++model) {
            if (device.product == adapter::kModels[model].description) {
                device.adapter = model;
            }
        }
        char node[32];
        std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", device.bus,
                      libusb_get_device_address(list[i]));
        device.node.path = node;
        if (device.adapter) {
            probeAccess(list[i], descriptor, device);
        }
        findings.devices.push_back(std::move(device));
    }
    if (list != nullptr) {
        libusb_free_device_list(list, 1);
    }
    std::sort(findings.devices.begin(), findings.devices.end(),
              [](const FtdiDevice& a, const FtdiDevice& b) {
                  return std::pair(a.bus, a.port) < std::pair(b.bus, b.port);
              });
    libusb_exit(context);
    return findings;
}

}  // namespace halvenmark::doctor
