#include "tools/doctor/Diagnosis.h"

#include <cstdio>

#include "link/AdapterSettings.h"
#include "tools/doctor/Fixes.h"

namespace halvenmark::doctor {

namespace {

constexpr const char* kOrdinals[] = {"first", "second", "third"};

std::string where(const FtdiDevice& device) {
    return "bus " + std::to_string(device.bus) + " port " + device.port;
}

std::string subject(const FtdiDevice& device) {
    if (device.adapter) {
        return "the " + adapterName(*device.adapter) + " on " + where(device);
    }
    return "the FTDI device on " + where(device);
}

std::string modeText(unsigned mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", mode & 07777);
    return text;
}

// The kernel's serial driver keeps the updater out only where it has no libftdi1 backend, which
// takes the device over by itself: the vendor's library cannot open a device the driver holds.
bool serialDriverBlocks(const FtdiDevice& device, const SystemFacts& system) {
    return device.kernelDriver && !system.libftdiBackend;
}

bool updaterOpens(const FtdiDevice& device, const SystemFacts& system) {
    return device.access == Access::Opens && !serialDriverBlocks(device, system);
}

Problem noPermission(const FtdiDevice& device, const SystemFacts& system) {
    Problem problem{
        subject(device), "no permission to open its device node " + device.node.path, {}, {}};
    const NodeFacts& node = device.node;
    problem.details.push_back("the node belongs to " + node.owner + ", group " + node.group +
                              ", mode " + modeText(node.mode));
    problem.details.push_back(std::string("you (") + system.user + ") are " +
                              std::string(node.userInGroup ? "" : "not ") + "in the group " +
                              node.group +
                              (node.seatAccess ? " and have the login seat's access to it"
                                               : " and have no login seat's access to it"));
    if (system.accessRules.empty()) {
        problem.details.push_back(
            "no udev rule for vendor 0403 is installed (the updater's package installs "
            "/usr/lib/udev/rules.d/70-halvenmark-adapters.rules)");
        if (!system.ownRuleCopy.empty()) {
            problem.details.push_back("this build's own copy of the rule is " + system.ownRuleCopy +
                                      " (sudo cp it to /etc/udev/rules.d/)");
        }
        problem.fixes.push_back(fix::kInstallRule);
    } else {
        std::string rules;
        for (const std::string& rule : system.accessRules) {
            rules += rules.empty() ? rule : ", " + rule;
        }
        problem.details.push_back("the access rule is installed (" + rules +
                                  "): udev applies it when the adapter is plugged in again");
    }
    problem.fixes.push_back(std::string(fix::kReloadRules) +
                            "   (then unplug and replug the adapter)");
    if (!node.userInGroup) {
        problem.fixes.push_back(std::string(fix::kJoinPlugdev) + "   (then log in again)");
    }
    return problem;
}

Problem busy(const FtdiDevice& device) {
    Problem problem{subject(device), "another program has claimed it", {}, {}};
    for (const ProgramHolding& holder : device.holders) {
        problem.details.push_back("open in " + holder.name + " (pid " + std::to_string(holder.pid) +
                                  ")");
        problem.fixes.push_back("close " + holder.name + ", or: kill " +
                                std::to_string(holder.pid));
    }
    if (device.holders.empty()) {
        problem.details.push_back(
            "no program of yours has its node open: another user's, or "
            "one this user may not look into, holds it");
        problem.fixes.push_back(std::string("close the other program, or: ") + fix::kEndHolder);
    }
    return problem;
}

}  // namespace

std::string adapterName(std::size_t index) {
    const std::string_view description = adapter::kModels[index].description;
    return std::string(description.substr(description.find(' ') + 1));  // without "Halvenmark "
}

Diagnosis diagnose(const Findings& findings) {
    Diagnosis diagnosis;
    const SystemFacts& system = findings.system;

    // The updater tries the three descriptions in order and opens the first device of one it can.
    for (std::size_t model = 0; model < adapter::kModels.size() && !diagnosis.opened; ++model) {
        for (std::size_t i = 0; i < findings.devices.size(); ++i) {
            if (findings.devices[i].adapter == model && updaterOpens(findings.devices[i], system)) {
                diagnosis.opened = i;
                break;
            }
        }
    }

    bool anyAdapter = false;
    for (const FtdiDevice& device : findings.devices) {
        if (!device.adapter) {
            continue;
        }
        anyAdapter = true;
        switch (device.access) {
            case Access::NoPermission:
                diagnosis.problems.push_back(noPermission(device, system));
                break;
            case Access::Busy:
                diagnosis.problems.push_back(busy(device));
                break;
            case Access::Failed:
                diagnosis.problems.push_back({subject(device),
                                              "it does not open: " + device.accessDetail,
                                              {},
                                              {fix::kListFtdiDevices}});
                break;
            case Access::Opens:
                break;
        }
        if (serialDriverBlocks(device, system)) {
            diagnosis.problems.push_back(
                {subject(device),
                 "the kernel's serial driver " + *device.kernelDriver +
                     " holds it, and only the vendor's D2XX library is there to open it",
                 {"the vendor's library cannot open an adapter the serial driver holds"},
                 {fix::kUnloadSerialDriver}});
        }
        if (device.cbus2Function && !device.cbus2Io) {
            char value[8];
            std::snprintf(value, sizeof value, "0x%02X", *device.cbus2Function);
            diagnosis.problems.push_back(
                {subject(device),
                 "CBUS pin 2 is not in I/O mode in its EEPROM: the pin control that wakes the "
                 "device does nothing",
                 {std::string("its EEPROM gives CBUS pin 2 the function ") + value +
                  " (I/O mode is 0x0A on an FT232R, 0x08 on an FT-X chip)"},
                 {std::string(fix::kCbus2IoMode) + " --adapter " + device.serial +
                  "   (changes that pin alone, after a backup; then unplug and replug it)"}});
        }
    }

    if (system.brlttyRunning) {
        diagnosis.problems.push_back(
            {"this machine",
             "a braille display daemon (brltty) is running: it takes FTDI serial devices for "
             "braille displays",
             {"brltty's udev rules claim FTDI chips as they are plugged in"},
             {fix::kStopBrltty,
              std::string(fix::kRemoveBrltty) + "   (if no braille display is used)"}});
    }
    if (!anyAdapter && system.usbListed) {
        diagnosis.problems.push_back(
            {"this machine",
             "no adapter of the updater is plugged in",
             {"none of the FTDI devices on USB names itself Halvenmark Device Programmer, "
              "Telemetry Station or Serial Link"},
             {std::string(fix::kListFtdiDevices) +
              "   (plug the adapter in; it should be listed as 0403:6001 or 0403:6015)"}});
    }
    if (!system.usbListed && !system.usbProblem.empty()) {
        diagnosis.problems.push_back(
            {"this machine", system.usbProblem, {}, {fix::kListFtdiDevices}});
    }
    if (diagnosis.opened) {
        const FtdiDevice& device = findings.devices[*diagnosis.opened];
        diagnosis.wakes = !device.cbus2Function || device.cbus2Io;
    }
    const FirmwareFacts& firmware = findings.firmware;
    if (firmware.location && !firmware.refusal.empty()) {
        diagnosis.problems.push_back(
            {"the firmware pack " + *firmware.location,
             "the updater refuses it, and stops before its window opens",
             {firmware.refusal},
             {std::string(fix::kCheckPack) + "   (lists what the pack holds and what is wrong)",
              std::string(fix::kInstallPack) +
                  "   (a complete pack, from its maker, replaces the user's)"}});
    }
    return diagnosis;
}

void printFirmware(const FirmwareFacts& firmware, std::ostream& out) {
    const std::string devices = std::to_string(firmware.flashable) + " of the " +
                                std::to_string(firmware.catalogueSize) +
                                " devices of its catalogue";
    if (!firmware.location) {
        out << "Firmware: no pack installed; the updater looks for one in\n";
        for (const std::string& place : firmware.places) {
            out << "  " << place << '\n';
        }
        out << "  its built-in images flash " << devices
            << "\n  a pack is installed with: " << fix::kInstallPack << '\n';
    } else if (firmware.refusal.empty()) {
        out << "Firmware: the pack \"" << firmware.name << "\" " << firmware.version << " from "
            << *firmware.location << ": the updater flashes " << devices << '\n';
    }
}

void printReport(const Findings& findings, const Diagnosis& diagnosis, std::ostream& out) {
    const SystemFacts& system = findings.system;
    out << "halvenmark-doctor: the USB adapters of the Halvenmark Firmware Updater\n\n";
    if (system.usbListed) {
        out << "FTDI devices on USB (vendor 0403): " << findings.devices.size() << '\n';
    }
    for (const FtdiDevice& device : findings.devices) {
        char ids[16];
        std::snprintf(ids, sizeof ids, "%04x:%04x", device.vendorId, device.productId);
        out << "  " << where(device) << ": " << ids << " \"" << device.manufacturer << "\" \""
            << device.product << "\" serial \"" << device.serial << "\"\n";
        if (!device.adapter) {
            out << "    not an adapter of the updater: it leaves this device alone\n";
            continue;
        }
        out << "    adapter: " << adapterName(*device.adapter) << " (the updater's "
            << kOrdinals[*device.adapter] << " choice)\n";
        switch (device.access) {
            case Access::Opens:
                out << "    opens: yes\n";
                break;
            case Access::NoPermission:
                out << "    opens: no, no permission\n";
                break;
            case Access::Busy:
                out << "    opens: no, another program has claimed it\n";
                break;
            case Access::Failed:
                out << "    opens: no, " << device.accessDetail << '\n';
                break;
        }
        if (device.kernelDriver) {
            out << "    the kernel's serial driver " << *device.kernelDriver << " holds it"
                << (system.libftdiBackend
                        ? ": libftdi1 takes it over on open and gives it back on close\n"
                        : "\n");
        }
        if (device.cbus2Function) {
            out << "    CBUS pin 2: "
                << (device.cbus2Io ? "I/O mode, as the updater needs it\n" : "not I/O mode\n");
        } else if (!device.eepromProblem.empty()) {
            out << "    CBUS pin 2: not read (" << device.eepromProblem << ")\n";
        }
        if (device.latencyMs) {
            out << "    latency timer: set to 2 ms, reads " << *device.latencyMs << " ms\n";
        }
        if (!device.latencyProblem.empty()) {
            out << "    latency timer: " << device.latencyProblem << '\n';
        }
    }
    if (findings.d2xxDevices) {
        out << "Devices the vendor's D2XX library lists: " << findings.d2xxDevices->size() << '\n';
        for (const D2xxListedDevice& device : *findings.d2xxDevices) {
            out << "  \"" << device.description << "\" serial \"" << device.serial << "\""
                << (device.openElsewhere ? ", open in another program" : "") << '\n';
        }
    }

    out << "\nBackend: ";
    if (system.d2xxPresent) {
        out << "the vendor's D2XX library (" << system.d2xxLibrary << ") first"
            << (system.libftdiBackend ? ", then libftdi1\n" : "\n");
    } else {
        out << (system.libftdiBackend ? "libftdi1" : "none") << " (the vendor's D2XX library "
            << system.d2xxLibrary << " is not installed)\n";
    }
    if (!system.accessRules.empty()) {
        out << "Access rules for vendor 0403:";
        for (const std::string& rule : system.accessRules) {
            out << ' ' << rule;
        }
        out << '\n';
    }
    if (system.brlttyInstalled && !system.brlttyRunning) {
        out << "brltty (a braille display daemon that takes FTDI devices) is installed, not "
               "running\n";
    }

    printFirmware(findings.firmware, out);
    if (findings.sessions.last) {
        out << "Session log: the updater's last session is recorded in " << *findings.sessions.last
            << " (send it with a report of what failed)\n";
    } else if (!findings.sessions.folder.empty()) {
        out << "Session log: none yet (the updater records each session in "
            << findings.sessions.folder << ")\n";
    }

    if (!diagnosis.problems.empty()) {
        out << "\nProblems, and what fixes them:\n";
        int number = 0;
        for (const Problem& problem : diagnosis.problems) {
            out << "  " << ++number << ". " << problem.subject << ": " << problem.cause << '\n';
            for (const std::string& detail : problem.details) {
                out << "     " << detail << '\n';
            }
            for (const std::string& command : problem.fixes) {
                out << "     fix: " << command << '\n';
            }
        }
    }

    out << "\nverdict: ";
    if (diagnosis.opened) {
        const FtdiDevice& device = findings.devices[*diagnosis.opened];
        out << "the updater would open the " << adapter::kModels[*device.adapter].description
            << " on " << where(device) << " (serial " << device.serial << ")";
        out << (diagnosis.wakes ? "\n"
                                : ", but can wake no device through it: its CBUS pin 2 is not in "
                                  "I/O mode\n");
    } else {
        out << "the updater would open no adapter\n";
    }
}

}  // namespace halvenmark::doctor
