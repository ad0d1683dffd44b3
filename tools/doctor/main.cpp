// halvenmark-doctor: says why the updater finds no adapter, and how to fix it. See its manual
// page (halvenmark-doctor(1)).
#include <iostream>
#include <string>

#include <filesystem>

#include "tools/doctor/Diagnosis.h"
#include "tools/doctor/FirmwareProbe.h"
#include "tools/doctor/UsbProbe.h"

namespace {

constexpr int kExitOpens = 0;
constexpr int kExitNoAdapter = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: halvenmark-doctor\n"
    "Finds the FTDI devices on USB, tells which of them the Halvenmark Firmware Updater would\n"
    "open and why it opens none, and what fixes it, and which firmware pack the updater would\n"
    "use. It writes nothing to any device and changes nothing on the machine. Exit code: 0 when\n"
    "the updater would open an adapter, 1 when it would open none, 2 for a usage error.\n";

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return kExitOpens;
        }
        std::cerr << "halvenmark-doctor: unknown option '" << arg << "'\n" << kUsage;
        return kExitUsage;
    }
    using namespace halvenmark::doctor;
    Findings findings = probeSystem();
#ifdef _WIN32
    constexpr bool windows = true;
#else
    constexpr bool windows = false;
#endif
    findings.firmware = probeFirmware(halvenmark::processEnvironment(), windows,
                                      std::filesystem::path(argv[0]).parent_path());
    const Diagnosis diagnosis = diagnose(findings);
    printReport(findings, diagnosis, std::cout);
    return diagnosis.opened ? kExitOpens : kExitNoAdapter;
}
