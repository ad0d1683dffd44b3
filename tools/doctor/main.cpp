// halvenmark-doctor: says why the updater finds no adapter, and how to fix it; repairs the one
// thing of an adapter that the updater's users cannot set otherwise, CBUS pin 2's function. See
// its manual page (halvenmark-doctor(1)).
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/SessionLog.h"
#include "tools/doctor/Diagnosis.h"
#include "tools/doctor/EepromRepair.h"
#include "tools/doctor/FirmwareProbe.h"
#include "tools/doctor/UsbProbe.h"

namespace {

constexpr int kExitOpens = 0;
constexpr int kExitNoAdapter = 1;
constexpr int kExitUsage = 2;

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

constexpr const char* kUsage =
    "usage: halvenmark-doctor\n"
    "       halvenmark-doctor --fix-cbus [--adapter KIND|SERIAL] [--yes]\n"
    "       halvenmark-doctor --restore-eeprom BACKUP [--adapter KIND|SERIAL] [--yes]\n"
    "Finds the FTDI devices on USB, tells which of them the Halvenmark Firmware Updater would\n"
    "open and why it opens none, and what fixes it, and which firmware pack the updater would\n"
    "use. It writes nothing to any device and changes nothing on the machine. Exit code: 0 when\n"
    "the updater would open an adapter that can wake a device, 1 when not, 2 a usage error.\n"
    "--fix-cbus puts CBUS pin 2 of an adapter's EEPROM into I/O mode and changes nothing else;\n"
    "--restore-eeprom writes a backup it made back. Both back the whole EEPROM up first, ask\n"
    "before writing (unless --yes) and read every word back; KIND is programmer, telemetry or\n"
    "serial-link. Exit code: 0 done, 1 not done, 2 a usage error or an adapter to name.\n";

int usageError(const std::string& why) {
    std::cerr << "halvenmark-doctor: " << why << '\n' << kUsage;
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace halvenmark::doctor;
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::optional<EepromCommand> repair;
    EepromCommand options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return kExitOpens;
        } else if (arg == "--fix-cbus" && !repair) {
            repair.emplace().kind = EepromCommand::Kind::FixCbus;
        } else if (arg == "--restore-eeprom" && !repair && hasValue) {
            repair.emplace().kind = EepromCommand::Kind::Restore;
            repair->backup = args[++i];
        } else if (arg == "--yes") {
            options.yes = true;
        } else if (arg == "--adapter" && hasValue) {
            options.adapter = args[++i];
        } else {
            return usageError("unknown or misplaced option '" + arg + "'");
        }
    }
    if (!repair && (options.yes || options.adapter)) {
        return usageError("--yes and --adapter go with --fix-cbus or --restore-eeprom");
    }
    if (repair) {
        repair->yes = options.yes;
        repair->adapter = options.adapter;
        return runEepromCommand(*repair, halvenmark::processEnvironment(), std::cin, std::cout);
    }
    Findings findings = probeSystem();
    findings.firmware = probeFirmware(halvenmark::processEnvironment(), kWindows,
                                      std::filesystem::path(argv[0]).parent_path());
    const std::filesystem::path sessions =
        halvenmark::sessionLogFolder(halvenmark::processEnvironment(), kWindows);
    findings.sessions.folder = sessions.string();
    if (const auto last = halvenmark::lastSessionLog(sessions)) {
        findings.sessions.last = last->string();
    }
    const Diagnosis diagnosis = diagnose(findings);
    printReport(findings, diagnosis, std::cout);
    return diagnosis.works() ? kExitOpens : kExitNoAdapter;
}
