// The doctor's CBUS repair against the emulated FT232R, from the broken adapter to a found
// device: the backup, the question, the restore, and the refusals that write nothing.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <ostream>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sim/usb/Ft232r.h"
#include "support/RunCommand.h"

namespace {

namespace fs = std::filesystem;

using Result = halvenmark::testing::CommandResult;
using halvenmark::testing::runCommand;

// A session on the emulated adapters of OPTIONS, where SCRIPT (a shell script) runs: D is the
// doctor, with its backups in $STATE; U STEPS runs the updater (over a store of product images),
// its window pressed through STEPS; replug unplugs every adapter and plugs it in again.
struct Session {
    Session() {
        char name[] = "/tmp/halvenmark-repair-XXXXXX";
        folder = ::mkdtemp(name);
    }
    ~Session() { fs::remove_all(folder); }

    Result operator()(const std::string& options, const std::string& script) const {
        const std::string prelude =
            "D() { " HALVENMARK_DOCTOR
            " \"$@\"; }; "
            "U() { HALVENMARK_DRIVE=\"$*\" LD_PRELOAD=\"$LD_PRELOAD:" HALVENMARK_DRIVE_WINDOW
            "\" " HALVENMARK_UPDATER_PRODUCT_STORE
            " 2>/dev/null; }; "
            "replug() { kill -USR1 $PPID; sleep 0.5; }; ";
        std::ofstream(folder + "/script") << prelude << script << '\n';
        return runCommand("env STATE=" + folder + "/state XDG_STATE_HOME=" + folder +
                          "/state XDG_RUNTIME_DIR=" + folder + " XDG_DATA_HOME=" + folder +
                          " XDG_DATA_DIRS=" + folder + " QT_QPA_PLATFORM=offscreen timeout 120 " +
                          HALVENMARK_BENCH " usb-run " + options + " -- sh " + folder +
                          "/script 2>&1");
    }

    std::vector<fs::path> backups() const {
        std::vector<fs::path> found;
        std::error_code error;
        for (const auto& entry :
             fs::directory_iterator(folder + "/state/halvenmark-updater", error)) {
            if (entry.path().extension() == ".bin")
                found.push_back(entry.path());
        }
        return found;
    }

    std::string folder;
};

bool says(const Result& result, const std::string& text) {
    return result.out.find(text) != std::string::npos;
}

std::vector<std::uint8_t> bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(UsbRepairTest, TheRepairTakesTheAdapterFromNoDeviceToAFoundDevice) {
    const Session session;
    const Result result =
        session("--usb-fault cbus-not-io",
                "U find close; D > /dev/null; echo \"before: $?\"; "
                "D --fix-cbus --yes; echo \"fix: $?\"; replug; "
                "D | grep 'CBUS pin 2'; D > /dev/null; echo \"after: $?\"; U find close");
    EXPECT_EQ(result.exitCode, 0) << result.out;
    const auto before = result.out.find("message: Check Device | No device detected!");
    const auto found = result.out.find("  -  Upgrading to: v");
    EXPECT_NE(before, std::string::npos) << result.out;
    EXPECT_NE(found, std::string::npos) << result.out;
    EXPECT_LT(before, found) << result.out;
    EXPECT_TRUE(says(result, "before: 1\n")) << result.out;
    EXPECT_TRUE(says(result,
                     "the repair changes that pin's function and the checksum, nothing "
                     "else (words 0x0A 0x3F)"))
        << result.out;
    EXPECT_TRUE(says(result, "written and read back, every word as intended")) << result.out;
    EXPECT_TRUE(says(result, "fix: 0\n")) << result.out;
    EXPECT_TRUE(says(result, "CBUS pin 2: I/O mode, as the updater needs it")) << result.out;
    EXPECT_TRUE(says(result, "after: 0\n")) << result.out;

    // The backup is the whole EEPROM as it was.
    const auto backups = session.backups();
    ASSERT_EQ(backups.size(), 1u) << result.out;
    EXPECT_EQ(backups[0].filename().string().rfind("eeprom-HM000001-", 0), 0u);
    namespace usb = halvenmark::sim::usb;
    EXPECT_EQ(bytesOf(backups[0]),
              usb::ft232rEeprom({"Halvenmark", "Halvenmark Device Programmer", "HM000001"},
                                usb::kCbusTxden));
}

TEST(UsbRepairTest, NothingIsWrittenUnlessTheQuestionIsAnsweredYes) {
    const Session session;
    const Result result =
        session("--usb-fault cbus-not-io",
                "echo n | D --fix-cbus; echo \"no: $?\"; "
                "D --fix-cbus < /dev/null; echo \"none: $?\"; "
                "D | grep 'CBUS pin 2:'; "
                "echo y | D --fix-cbus; echo \"yes: $?\"; D | grep 'CBUS pin 2:'");
    EXPECT_TRUE(says(result,
                     "Write the EEPROM of the Halvenmark Device Programmer (serial "
                     "HM000001)? [y/N] n\nnothing written; the backup stays at "))
        << result.out;
    EXPECT_TRUE(says(result, "no: 1\n")) << result.out;
    EXPECT_TRUE(says(result, "none: 1\n")) << result.out;
    EXPECT_TRUE(says(result, "none: 1\n    CBUS pin 2: not I/O mode\n")) << result.out;
    EXPECT_TRUE(says(result, "yes: 0\n    CBUS pin 2: I/O mode")) << result.out;
}

TEST(UsbRepairTest, ABackupIsWrittenBackAsItWas) {
    const Session session;
    const Result result = session("--usb-fault cbus-not-io",
                                  "D --fix-cbus --yes > /dev/null; D | grep 'CBUS pin 2:'; "
                                  "D --restore-eeprom \"$STATE\"/halvenmark-updater/*.bin --yes; "
                                  "echo \"restore: $?\"; D | grep 'CBUS pin 2:'");
    EXPECT_TRUE(says(result, "    CBUS pin 2: I/O mode")) << result.out;
    EXPECT_TRUE(says(result, "the EEPROM holds the backup again")) << result.out;
    EXPECT_TRUE(says(result, "restore: 0\n    CBUS pin 2: not I/O mode\n")) << result.out;
}

// Each case writes nothing, or, when the chip fails half-way, says so, keeps the backup and
// says how to restore it.
struct Refusal {
    const char* name;
    std::string options;
    std::string doctorOptions;
    int exitCode;
    std::string said;
    std::size_t backups;
};

// Failures name the case, not its bytes.
void PrintTo(const Refusal& c, std::ostream* out) {
    *out << c.name;
}

class UsbRepairRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(UsbRepairRefusalTest, SaysWhyAndLeavesWhatItMust) {
    const Refusal& r = GetParam();
    const Session session;
    const Result result =
        session(r.options, "D --fix-cbus --yes " + r.doctorOptions + "; echo \"fix: $?\"");
    EXPECT_TRUE(says(result, "fix: " + std::to_string(r.exitCode) + "\n")) << result.out;
    EXPECT_TRUE(says(result, r.said)) << result.out;
    EXPECT_EQ(session.backups().size(), r.backups) << result.out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsbRepairRefusalTest,
    ::testing::Values(
        Refusal{"AnotherChip", "--usb-fault other-chip", "", 1,
                "is built on another FTDI chip than an FT232R or FT-X: the doctor repairs only "
                "those; nothing written",
                0},
        Refusal{"ABadChecksum", "--usb-fault cbus-not-io --usb-fault bad-eeprom-checksum", "", 1,
                "fails its checksum", 0},
        Refusal{"AWriteThatFailsHalfWay", "--usb-fault cbus-not-io --usb-fault eeprom-refuses=62",
                "", 1,
                "the write failed: the EEPROM refused word 0x3E\nthe EEPROM of the Halvenmark "
                "Device Programmer (serial HM000001) may now hold part of the change.",
                1},
        Refusal{"AnAdapterThatNeedsNoRepair", "", "", 0, "is in I/O mode already", 0},
        Refusal{"SeveralAdaptersUnnamed", "--adapter programmer,telemetry", "", 2,
                "name one with --adapter KIND or --adapter SERIAL:\n  --adapter HM000001", 0},
        Refusal{"NoAdapterOfTheUpdater", "--usb-fault product=FT232R-USB-UART", "", 1,
                "no adapter of the updater is plugged in: nothing written", 0},
        Refusal{"AnAdapterThisUserMayNotOpen", "--usb-fault no-permission", "", 1,
                "no adapter of the updater could be opened (1 FTDI device(s) did not open", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UsbRepairTest, AHalfWrittenEepromIsRestoredFromItsBackup) {
    const Session session;
    const Result result = session(
        "--usb-fault cbus-not-io --usb-fault eeprom-refuses=62:telemetry "
        "--adapter telemetry",
        "D --fix-cbus --yes > /dev/null; echo \"fix: $?\"; "
        "D --restore-eeprom \"$STATE\"/halvenmark-updater/*.bin --yes; "
        "echo \"restore: $?\"");
    // The refused word is the checksum's pair, so the restore writes the pair of CBUS pin 2 back
    // alone, which the chip takes.
    EXPECT_TRUE(says(result, "fix: 1\n")) << result.out;
    EXPECT_TRUE(says(result, "the EEPROM holds the backup again")) << result.out;
    EXPECT_TRUE(says(result, "restore: 0\n")) << result.out;
}

}  // namespace
