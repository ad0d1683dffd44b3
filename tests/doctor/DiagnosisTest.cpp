// The doctor's reasoning on findings the emulated adapters cannot make, and its agreement with
// the README.
#include "tools/doctor/Diagnosis.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "tools/doctor/Fixes.h"

namespace halvenmark::doctor {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

Findings oneProgrammer() {
    Findings findings;
    findings.system.usbListed = true;
    findings.system.libftdiBackend = true;
    findings.system.user = "user";
    FtdiDevice device;
    device.bus = 3;
    device.port = "2";
    device.product = "Halvenmark Device Programmer";
    device.serial = "A1";
    device.adapter = 0;
    device.access = Access::Opens;
    findings.devices.push_back(device);
    return findings;
}

std::string report(const Findings& findings) {
    std::ostringstream out;
    printReport(findings, diagnose(findings), out);
    return out.str();
}

TEST(DiagnosisTest, TheSerialDriverBlocksWhereOnlyTheVendorLibraryCouldOpen) {
    Findings findings = oneProgrammer();
    findings.devices[0].kernelDriver = "ftdi_sio";
    EXPECT_TRUE(diagnose(findings).opened.has_value());  // libftdi1 takes it over
    findings.system.libftdiBackend = false;
    findings.system.d2xxPresent = true;
    const Diagnosis diagnosis = diagnose(findings);
    EXPECT_FALSE(diagnosis.opened.has_value());
    ASSERT_EQ(diagnosis.problems.size(), 1u);
    EXPECT_THAT(diagnosis.problems[0].cause, HasSubstr("only the vendor's D2XX library"));
    EXPECT_THAT(diagnosis.problems[0].fixes, ::testing::ElementsAre(fix::kUnloadSerialDriver));
}

TEST(DiagnosisTest, ARunningBrailleDaemonIsAProblemOfTheMachine) {
    Findings findings = oneProgrammer();
    findings.system.brlttyInstalled = findings.system.brlttyRunning = true;
    const std::string text = report(findings);
    EXPECT_THAT(text, HasSubstr("this machine: a braille display daemon (brltty) is running"));
    EXPECT_THAT(text, HasSubstr(std::string("fix: ") + fix::kStopBrltty));
}

TEST(DiagnosisTest, TheFirstAdapterInTheUpdatersOrderThatOpensIsTheVerdict) {
    Findings findings = oneProgrammer();
    findings.devices[0].access = Access::NoPermission;
    FtdiDevice link = findings.devices[0];
    link.port = "5";
    link.adapter = 2;
    link.serial = "B2";
    link.access = Access::Opens;
    findings.devices.push_back(link);
    EXPECT_THAT(report(findings),
                HasSubstr("\nverdict: the updater would open the Halvenmark Serial Link on bus 3 "
                          "port 5 (serial B2)\n"));
    findings.system.accessRules = {"/etc/udev/rules.d/70-halvenmark-adapters.rules"};
    EXPECT_THAT(report(findings), HasSubstr("the access rule is installed"));
}

// The firmware the updater would use: none installed, a pack in use, or a pack it refuses.
TEST(DiagnosisTest, TellsWhichFirmwarePackTheUpdaterWouldUse) {
    Findings findings = oneProgrammer();
    findings.firmware.places = {"/home/a/.local/share/halvenmark-updater/firmware",
                                "/usr/share/halvenmark-updater/firmware"};
    findings.firmware.catalogueSize = 32;
    EXPECT_THAT(
        report(findings),
        HasSubstr("Firmware: no pack installed; the updater looks for one in\n"
                  "  /home/a/.local/share/halvenmark-updater/firmware\n"
                  "  /usr/share/halvenmark-updater/firmware\n"
                  "  its built-in images flash 0 of the 32 devices of its catalogue\n"
                  "  a pack is installed with: halvenmark-updater --install-firmware PACK\n"));

    findings.firmware.location = "/usr/share/halvenmark-updater/firmware";
    findings.firmware.name = "Receivers";
    findings.firmware.version = "2026.12";
    findings.firmware.flashable = 30;
    EXPECT_THAT(report(findings),
                HasSubstr("Firmware: the pack \"Receivers\" 2026.12 from "
                          "/usr/share/halvenmark-updater/firmware: the updater flashes 30 of the "
                          "32 devices of its catalogue\n"));
    EXPECT_TRUE(diagnose(findings).problems.empty());

    findings.firmware.refusal = "jpg/105.bin: listed in the manifest, but missing";
    const Diagnosis diagnosis = diagnose(findings);
    ASSERT_EQ(diagnosis.problems.size(), 1u);
    EXPECT_EQ(diagnosis.problems[0].subject,
              "the firmware pack /usr/share/halvenmark-updater/firmware");
    EXPECT_THAT(diagnosis.problems[0].details, ::testing::ElementsAre(findings.firmware.refusal));
    EXPECT_THAT(diagnosis.problems[0].fixes[0], ::testing::StartsWith(fix::kCheckPack));
    EXPECT_TRUE(diagnosis.opened.has_value());  // the adapter still opens
}

TEST(DiagnosisTest, AListThatCouldNotBeReadIsNoMachineWithoutAdapters) {
    Findings findings;
    findings.system.usbListed = false;
    findings.system.usbProblem = "the list of USB devices could not be read: Access denied";
    const std::string text = report(findings);
    EXPECT_THAT(text, HasSubstr("this machine: the list of USB devices could not be read: "
                                "Access denied"));
    EXPECT_THAT(text, Not(HasSubstr("no adapter of the updater is plugged in")));
    EXPECT_FALSE(diagnose(findings).works());
}

TEST(DiagnosisTest, SaysWhereTheLastSessionIsRecorded) {
    Findings findings = oneProgrammer();
    findings.sessions.folder = "/home/a/.local/state/halvenmark-updater/sessions";
    EXPECT_THAT(report(findings), HasSubstr("Session log: none yet (the updater records each "
                                            "session in /home/a/.local/state/halvenmark-updater/"
                                            "sessions)\n"));
    findings.sessions.last = findings.sessions.folder + "/session-1.log";
    EXPECT_THAT(report(findings),
                HasSubstr("Session log: the updater's last session is recorded in "
                          "/home/a/.local/state/halvenmark-updater/sessions/session-1.log (send "
                          "it with a report of what failed)\n"));
}

TEST(DiagnosisTest, TheReadmeGivesEveryFixTheDoctorGives) {
    std::ifstream in(HALVENMARK_README);
    const std::string readme((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    ASSERT_FALSE(readme.empty());
    for (const char* command : fix::kAll) {
        EXPECT_NE(readme.find(command), std::string::npos) << "the README lacks: " << command;
    }
}

}  // namespace
}  // namespace halvenmark::doctor
