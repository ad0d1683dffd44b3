// The connection doctor over the emulated adapters: each situation gets its verdict and names
// its cause.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <ostream>

#include <array>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/RunCommand.h"

namespace {

using Result = halvenmark::testing::CommandResult;
using halvenmark::testing::runCommand;

// The doctor under usb-run with OPTIONS; what follows "--doctor-option" goes to the doctor.
Result doctor(std::string options) {
    std::string doctorArgs;
    if (const auto at = options.find("--doctor-option "); at != std::string::npos) {
        doctorArgs = options.substr(at + 16);
        options = options.substr(0, at);
    }
    return runCommand(HALVENMARK_BENCH " usb-run " + options + " -- " HALVENMARK_DOCTOR " " +
                      doctorArgs + " 2>&1");
}

struct Situation {
    const char* name;
    std::string options;
    int exitCode;
    std::string verdict;
    std::vector<std::string> named;  // what the report must say about the cause
};

// Failures name the case, not its bytes.
void PrintTo(const Situation& c, std::ostream* out) {
    *out << c.name;
}

class DoctorTest : public ::testing::TestWithParam<Situation> {};

TEST_P(DoctorTest, GivesTheVerdictAndNamesTheCause) {
    const Situation& s = GetParam();
    const Result result = doctor(s.options);
    EXPECT_EQ(result.exitCode, s.exitCode) << result.out;
    EXPECT_NE(result.out.find("\nverdict: " + s.verdict + "\nexit: "), std::string::npos)
        << result.out;
    for (const std::string& text : s.named) {
        EXPECT_NE(result.out.find(text), std::string::npos) << text << "\n" << result.out;
    }
    // Every fix runs as printed on an installed system: it names no file of the source tree, and
    // the files it names are the system's own or the package's.
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        const auto fix = line.find("fix: ");
        if (fix == std::string::npos)
            continue;
        std::istringstream words(line.substr(fix + 5));
        for (std::string word; words >> word;) {
            if (word.find('/') == std::string::npos)
                continue;
            EXPECT_TRUE(word.rfind("/etc/udev/rules.d/", 0) == 0 || word.rfind("/dev/", 0) == 0 ||
                        word == "/usr/lib/udev/rules.d/70-halvenmark-adapters.rules")
                << "a fix names " << word << ": " << line;
        }
    }
}

const std::string kOpensProgrammer =
    "the updater would open the Halvenmark Device Programmer on bus 1 port 1 (serial HM000001)";
const std::string kOpensNone = "the updater would open no adapter";

INSTANTIATE_TEST_SUITE_P(
    Usb, DoctorTest,
    ::testing::Values(
        Situation{"AnAdapterThatOpens",
                  "",
                  0,
                  kOpensProgrammer,
                  {"adapter: Device Programmer (the updater's first choice)", "opens: yes",
                   "CBUS pin 2: I/O mode", "latency timer: set to 2 ms, reads 2 ms",
                   "Backend: libftdi1"}},
        Situation{"NoPermission",
                  "--usb-fault no-permission",
                  1,
                  kOpensNone,
                  {"no permission to open its device node /dev/bus/usb/001/002", "mode 0444",
                   "fix: sudo udevadm control --reload-rules && sudo udevadm trigger"}},
        Situation{"Busy",
                  "--usb-fault busy",
                  1,
                  kOpensNone,
                  {"another program has claimed it", "fix: close "}},
        Situation{"KernelDriver",
                  "--usb-fault kernel-driver",
                  0,
                  kOpensProgrammer,
                  {"the kernel's serial driver ftdi_sio holds it: libftdi1 takes it over"}},
        Situation{"CbusNotIo",
                  "--usb-fault cbus-not-io",
                  1,
                  kOpensProgrammer +
                      ", but can wake no device through it: its CBUS pin 2 is not in I/O mode",
                  {"CBUS pin 2 is not in I/O mode in its EEPROM",
                   "fix: halvenmark-doctor --fix-cbus --adapter HM000001"}},
        Situation{"AClaimThatFails",
                  "--usb-fault claim-fails",
                  1,
                  kOpensNone,
                  {"opens: no, its interface cannot be claimed: No such device"}},
        Situation{"ALatencyTimerThatDoesNotReadBack",
                  "--usb-fault latency-unread",
                  0,
                  kOpensProgrammer,
                  {"latency timer: it did not read back after being set to 2 ms; it was set back "
                   "to 16 ms"}},
        Situation{"AnotherFtdiDevice",
                  "--usb-fault product=FT232R-USB-UART",
                  1,
                  kOpensNone,
                  {"\"FT232R-USB-UART\"", "not an adapter of the updater",
                   "no adapter of the updater is plugged in"}},
        Situation{"TwoAdapters",
                  "--adapter serial-link,telemetry",
                  0,
                  "the updater would open the Halvenmark Telemetry Station on bus 1 port 2 (serial "
                  "HM000002)",
                  {"adapter: Serial Link (the updater's third choice)",
                   "adapter: Telemetry Station (the updater's second choice)"}},
        Situation{"NoneAtAll",
                  "--adapter none",
                  1,
                  kOpensNone,
                  {"FTDI devices on USB (vendor 0403): 0", "fix: lsusb | grep 0403"}}),
    [](const ::testing::TestParamInfo<Situation>& info) { return std::string(info.param.name); });

// The program holding a busy adapter is named: here a process of the test's own, which keeps the
// node open while the doctor looks.
TEST(DoctorHolderTest, TheProgramThatHoldsABusyAdapterIsNamedByItsNameAndPid) {
    const std::string command = HALVENMARK_BENCH
        " usb-run --usb-fault busy -- sh -c '"
        "sleep 5 < /dev/bus/usb/001/002 & holder=$!; sleep 0.3; " HALVENMARK_DOCTOR
        "; echo \"holder: $holder\"; kill $holder' 2>&1";
    const Result result = runCommand(command);
    const auto at = result.out.find("holder: ");
    ASSERT_NE(at, std::string::npos) << result.out;
    const std::string pid = result.out.substr(at + 8, result.out.find('\n', at) - at - 8);
    EXPECT_NE(result.out.find("open in sleep (pid " + pid + ")"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("fix: close sleep, or: kill " + pid), std::string::npos)
        << result.out;
}

TEST(DoctorUsageTest, AnUnknownOptionIsAUsageError) {
    const Result result = doctor("--adapter none --doctor-option --fix");
    EXPECT_EQ(result.exitCode, 2) << result.out;
    EXPECT_NE(result.out.find("unknown or misplaced option '--fix'"), std::string::npos)
        << result.out;
}

}  // namespace
