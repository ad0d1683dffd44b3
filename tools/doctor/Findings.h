#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/D2xxDeviceList.h"

// What the connection doctor finds out about the machine and its FTDI devices. The probes fill
// it in; the diagnosis and the report only read it.
namespace halvenmark::doctor {

// How far the doctor got in opening a device as the updater opens it.
enum class Access {
    Opens,         // opened, its interface claimed (or held by the kernel's serial driver)
    NoPermission,  // its node cannot be opened by this user
    Busy,          // another program has claimed its interface
    Failed,        // it would not open for another reason (see `accessDetail`)
};

// The device node, as far as it matters for access.
struct NodeFacts {
    std::string path;
    std::string owner;
    std::string group;
    unsigned mode = 0;
    bool userInGroup = false;
    bool seatAccess = false;  // an access list entry for this user (the login seat's rule)
};

struct ProgramHolding {
    std::string name;
    int pid = 0;
};

struct FtdiDevice {
    int bus = 0;
    std::string port;  // "1" or "1.4" below a hub
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string manufacturer;
    std::string product;
    std::string serial;
    std::optional<std::size_t> adapter;  // which of the three adapters, in the updater's order

    Access access = Access::Failed;
    std::string accessDetail;
    NodeFacts node;
    std::vector<ProgramHolding> holders;      // programs that have its node open
    std::optional<std::string> kernelDriver;  // the kernel driver bound to its interface

    // Read while it was open.
    std::optional<int> cbus2Function;  // from its EEPROM
    bool cbus2Io = false;              // that function is I/O mode (FT232R 0x0A, FT-X 0x08)
    std::string eepromProblem;         // why the EEPROM could not be read
    std::optional<int> latencyMs;      // what the latency timer reads after setting 2 ms
    std::string latencyProblem;        // what went wrong with it, the restore included
};

struct SystemFacts {
    bool usbListed = false;  // the USB listing worked (libusb)
    std::string usbProblem;
    std::vector<std::string> accessRules;  // udev rules files that name vendor 0403
    std::string d2xxLibrary;               // its name
    bool d2xxPresent = false;
    bool libftdiBackend = false;  // the updater was built with its libftdi1 backend
    bool brlttyInstalled = false;
    bool brlttyRunning = false;
    std::string user;
    std::string ownRuleCopy;  // a build run from its source tree: the tree's copy of the rule
};

// The firmware the updater would flash with: a pack installed (or found refused), or the built-in
// images alone.
struct FirmwareFacts {
    std::vector<std::string> places;      // where the updater looks for an installed pack
    std::optional<std::string> location;  // the pack it would use, when one is there
    std::string name;
    std::string version;
    std::string refusal;  // why it would refuse that pack
    int flashable = 0;    // devices of the catalogue it can flash
    int catalogueSize = 0;
};

// Where the updater records its sessions, and its last session's record.
struct SessionFacts {
    std::string folder;
    std::optional<std::string> last;
};

struct Findings {
    SystemFacts system;
    FirmwareFacts firmware;
    SessionFacts sessions;
    std::vector<FtdiDevice> devices;
    std::optional<std::vector<D2xxListedDevice>> d2xxDevices;  // where the library lists them
};

}  // namespace halvenmark::doctor
