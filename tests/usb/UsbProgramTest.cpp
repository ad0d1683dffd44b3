// The product executable over the emulated adapters (halvenmark-bench usb-run), its window used
// from inside by the drive helper as a person would use it, and the bench's own refusals.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "support/RunCommand.h"

namespace {

using Result = halvenmark::testing::CommandResult;

Result run(const std::string& command) {
    return halvenmark::testing::runCommand(command);
}

// A temporary folder, removed with everything in it.
struct TempFolder {
    TempFolder() {
        char name[] = "/tmp/halvenmark-usb-XXXXXX";
        path = ::mkdtemp(name);
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    std::string path;
};

// The updater under usb-run with OPTIONS, pressing STEPS, in a runtime folder of its own (the
// single-instance lock lives there) and with data and state folders of its own (an installed
// firmware pack lives in `data`, the session logs in `state`; by default none); by default the
// build over a store of product images.
Result updater(const std::string& options, const std::string& steps,
               const std::string& program = HALVENMARK_UPDATER_PRODUCT_STORE,
               const std::string& errors = "2>/dev/null", const std::string& data = "",
               const std::string& state = "") {
    const TempFolder runtime;
    // The helper is preloaded into the bench and the updater only: timeout, which the sanitizer
    // build's helper cannot be loaded into, comes first.
    return run("timeout 120 env XDG_RUNTIME_DIR=" + runtime.path +
               " XDG_DATA_HOME=" + (data.empty() ? runtime.path : data) + " XDG_STATE_HOME=" +
               (state.empty() ? runtime.path : state) + " XDG_DATA_DIRS=" + runtime.path +
               " QT_QPA_PLATFORM=offscreen " + "HALVENMARK_DRIVE='" + steps +
               "' LD_PRELOAD=" HALVENMARK_DRIVE_WINDOW " " HALVENMARK_BENCH " usb-run " + options +
               " -- " + program + " " + errors);
}

std::string lineOf(const std::string& text, const std::string& start) {
    const auto at = text.find("\n" + start);
    return at == std::string::npos ? "" : text.substr(at + 1, text.find('\n', at + 1) - at - 1);
}

TEST(UsbProgramTest, WithAStoreOfProductImagesTheUpdaterFlashesAndTheDeviceHoldsTheImage) {
    const Result usb = updater("--memory --device 0x30", "find flash close");
    EXPECT_EQ(usb.exitCode, 0) << usb.out;
    EXPECT_NE(usb.out.find("status: Flash Complete!\n"), std::string::npos) << usb.out;
    EXPECT_EQ(usb.out.find("message: "), std::string::npos) << usb.out;
    // The same memory as a flash over the simulated adapter leaves.
    const Result simulated = run(HALVENMARK_BENCH " --memory --device 0x30");
    EXPECT_EQ(lineOf(usb.out, "memory-sha256: "), lineOf(simulated.out, "memory-sha256: "));
    EXPECT_NE(lineOf(usb.out, "memory-sha256: "), "");
    EXPECT_NE(usb.out.find("\nexit: 0\n"), std::string::npos);
}

TEST(UsbProgramTest, WithPlaceholderImagesTheUpdaterRefusesTheDeviceAndWritesNothing) {
    const Result usb =
        updater("--memory --device 0x30", "find flash close", HALVENMARK_UPDATER, "2>&1");
    EXPECT_EQ(usb.exitCode, 0) << usb.out;
    EXPECT_NE(usb.out.find("message: Device not supported! | Device not currently supported for "
                           "upgrading!\n"),
              std::string::npos)
        << usb.out;
    EXPECT_NE(usb.out.find("halvenmark-updater: this build carries placeholder firmware images"),
              std::string::npos)
        << usb.out;
    EXPECT_EQ(usb.out.find("Flash Complete!"), std::string::npos) << usb.out;
    EXPECT_EQ(usb.out.find("written: "), std::string::npos) << usb.out;
    EXPECT_NE(usb.out.find("\nexit: 0\n"), std::string::npos);
}

// A firmware pack of the product's images for the Tandem A V2 Expander (image 400): random bytes
// of the store's size, put into a copy of the store with the resource tool and packed by it.
struct ExpanderPack {
    ExpanderPack() {
        const std::string store = folder.path + "/store";
        std::mt19937 generator(400);
        std::string image(65536, '\0');
        for (char& byte : image)
            byte = static_cast<char>(generator());
        std::ofstream(folder.path + "/400.bin", std::ios::binary) << image;
        const Result made = run(HALVENMARK_RESOURCES " placeholders " + store +
                                " && " HALVENMARK_RESOURCES " put " + store + " jpg 400 " +
                                folder.path + "/400.bin && " HALVENMARK_RESOURCES " pack " + store +
                                " " + zip + " --name Expanders --version 7 2>&1");
        EXPECT_EQ(made.exitCode, 0) << made.out;
    }
    TempFolder folder;
    std::string zip = folder.path + "/expanders.zip";
};

TEST(UsbProgramTest,
     WithAFirmwarePackTheProductExecutableFlashesWhatItsStoreOnlyHoldsAsPlaceholder) {
    const ExpanderPack pack;
    const Result usb = updater("--memory --device 0x30", "find flash close",
                               HALVENMARK_UPDATER " --firmware " + pack.zip, "2>&1");
    EXPECT_EQ(usb.exitCode, 0) << usb.out;
    EXPECT_NE(usb.out.find("halvenmark-updater: firmware pack Expanders 7 from " + pack.zip),
              std::string::npos)
        << usb.out;
    EXPECT_NE(usb.out.find("status: Flash Complete!\n"), std::string::npos) << usb.out;
    EXPECT_EQ(usb.out.find("message: "), std::string::npos) << usb.out;
    // The device holds what a flash with the same pack over the simulated adapter leaves, which
    // the bench's own tests hold to the pack's decoded image.
    const Result simulated = run(HALVENMARK_BENCH " --memory --device 0x30 --firmware " + pack.zip);
    EXPECT_EQ(lineOf(usb.out, "memory-sha256: "), lineOf(simulated.out, "memory-sha256: "));
    EXPECT_NE(lineOf(usb.out, "memory-sha256: "), "");

    // Installed as the user's pack, it is found without the option.
    const TempFolder data;
    const Result installed = run(std::string("env XDG_DATA_HOME=") + data.path +
                                 " " HALVENMARK_UPDATER " --install-firmware " + pack.zip);
    EXPECT_EQ(installed.exitCode, 0) << installed.out;
    const Result found = updater("--memory --device 0x30", "find flash close", HALVENMARK_UPDATER,
                                 "2>&1", data.path);
    EXPECT_NE(found.out.find("firmware pack Expanders 7 from " + data.path +
                             "/halvenmark-updater/firmware"),
              std::string::npos)
        << found.out;
    EXPECT_EQ(lineOf(found.out, "memory-sha256: "), lineOf(simulated.out, "memory-sha256: "));
}

TEST(UsbProgramTest, ABrokenPackStopsTheUpdaterBeforeAnyAdapterIsOpened) {
    const ExpanderPack pack;
    // Installed as a folder, then one byte of its image changed; no adapter is attached, so an
    // adapter opened before the pack's check would say "Hardware Not Present".
    const TempFolder data;
    const std::string broken = data.path + "/halvenmark-updater/firmware";
    const Result installed =
        run(std::string("env XDG_DATA_HOME=") + data.path +
            " " HALVENMARK_UPDATER " --install-firmware " + pack.zip +
            " && printf x | dd of=" + broken + "/jpg/400.bin bs=1 seek=9 conv=notrunc 2>/dev/null");
    ASSERT_EQ(installed.exitCode, 0) << installed.out;
    const Result usb =
        updater("--adapter none", "find", HALVENMARK_UPDATER " --firmware " + broken, "2>&1");
    EXPECT_EQ(usb.exitCode, 1) << usb.out;
    EXPECT_NE(usb.out.find("halvenmark-updater: firmware pack " + broken +
                           " refused: jpg/400.bin: SHA-256 "),
              std::string::npos)
        << usb.out;
    EXPECT_NE(usb.out.find("message: Firmware Pack Refused | This firmware pack cannot be used, "
                           "and no device has been touched:"),
              std::string::npos)
        << usb.out;
    EXPECT_EQ(usb.out.find("Hardware Not Present"), std::string::npos) << usb.out;
    EXPECT_NE(usb.out.find("\nexit: 1\n"), std::string::npos) << usb.out;
}

std::string textOf(const std::string& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(UsbProgramTest, AnAdapterUnpluggedMidFlashGivesOneMessageAndTheWindowClosesCleanly) {
    const TempFolder state;
    const Result usb = updater("--usb-fault unplug-after=200", "find flash close",
                               HALVENMARK_UPDATER_PRODUCT_STORE, "2>/dev/null", "", state.path);
    EXPECT_EQ(usb.exitCode, 0) << usb.out;
    EXPECT_EQ(usb.out.find("Flash Complete!"), std::string::npos) << usb.out;
    EXPECT_NE(usb.out.find("message: Update Failure! | Device communication error - Corruption "
                           "possible!\n"),
              std::string::npos)
        << usb.out;
    EXPECT_EQ(usb.out.find("message: "), usb.out.rfind("message: ")) << usb.out;

    // The session's log tells what happened, up to the failing step and its outcome.
    const std::string folder = state.path + "/halvenmark-updater/sessions";
    ASSERT_TRUE(std::filesystem::is_directory(folder));
    const auto entry = std::filesystem::directory_iterator(folder);
    ASSERT_NE(entry, std::filesystem::directory_iterator());
    const std::string log = textOf(entry->path().string());
    for (const char* line :
         {"adapter: Halvenmark Device Programmer (kind 1), through libftdi1\n",
          "identified: code 0x0C, 6 channel Kestrel-A II receiver, installed 2.3, image 106",
          "step: Flash Device, image 106 by the update-8k route\n", " tx: 57 4D ",
          "message: Update Failure! | Device communication error - Corruption possible!\n",
          "outcome: the flash failed (OperationFailed -2)", "the window is closed"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log.substr(0, 2000);
    }
    EXPECT_LT(log.find("step: Flash Device"), log.find("message: Update Failure!"));
}

TEST(UsbProgramTest, AStateFolderThatCannotBeWrittenChangesNothingOfTheFlash) {
    const TempFolder folder;
    std::ofstream(folder.path + "/a-file") << "not a folder";
    const Result usb =
        updater("--memory --device 0x30", "find flash close", HALVENMARK_UPDATER_PRODUCT_STORE,
                "2>&1", "", folder.path + "/a-file");
    EXPECT_NE(usb.out.find("status: Flash Complete!\n"), std::string::npos) << usb.out;
    EXPECT_EQ(usb.out.find("message: "), std::string::npos) << usb.out;
    const Result simulated = run(HALVENMARK_BENCH " --memory --device 0x30");
    EXPECT_EQ(lineOf(usb.out, "memory-sha256: "), lineOf(simulated.out, "memory-sha256: "));
}

TEST(UsbProgramTest, WithoutAnAdapterTheUpdaterSaysHardwareNotPresent) {
    const Result usb = updater("--usb-fault no-permission", "");
    EXPECT_EQ(usb.exitCode, 0) << usb.out;
    EXPECT_EQ(usb.out,
              "message: Hardware Not Present | Serial Link, HMU, or Telemetry Station not found!\n"
              "exit: 0\n");
}

TEST(UsbProgramTest, WithoutUmockdevTheBenchSaysSoAndEndsWithTheUsageCode) {
    const Result bench =
        run("env -u LD_PRELOAD "
            "HALVENMARK_UMOCKDEV_PRELOAD=/nonexistent/libumockdev-preload.so.0 " HALVENMARK_BENCH
            " --usb find 2>&1");
    EXPECT_EQ(bench.exitCode, 2);
    EXPECT_NE(bench.out.find("umockdev's preload library /nonexistent/libumockdev-preload.so.0"),
              std::string::npos)
        << bench.out;
    const Result usbRun = run(
        "env -u LD_PRELOAD "
        "HALVENMARK_UMOCKDEV_PRELOAD=/nonexistent/x.so " HALVENMARK_BENCH " usb-run -- true 2>&1");
    EXPECT_EQ(usbRun.exitCode, 2);
}

}  // namespace
