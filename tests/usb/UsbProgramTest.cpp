// The product executable over the emulated adapters (halvenmark-bench usb-run), its window used
// from inside by the drive helper as a person would use it, and the bench's own refusals.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

struct Result {
    int exitCode;
    std::string out;
};

// Runs a shell command line; its standard output (and error, when asked) is collected.
Result run(const std::string& command) {
    Result result{-1, {}};
    std::fprintf(stderr, "CMD[%s] PL[%s]\n", command.c_str(), getenv("LD_PRELOAD"));
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    std::array<char, 4096> chunk{};
    while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr)
        result.out += chunk.data();
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The updater under usb-run with OPTIONS, pressing STEPS, in a runtime folder of its own (the
// single-instance lock lives there); by default the build over a store of product images.
Result updater(const std::string& options, const std::string& steps,
               const std::string& program = HALVENMARK_UPDATER_PRODUCT_STORE,
               const std::string& errors = "2>/dev/null") {
    char folder[] = "/tmp/halvenmark-usb-XXXXXX";
    const std::string runtime = ::mkdtemp(folder);
    // The helper is preloaded into the bench and the updater only: timeout, which the sanitizer
    // build's helper cannot be loaded into, comes first.
    return run("timeout 120 env XDG_RUNTIME_DIR=" + runtime + " QT_QPA_PLATFORM=offscreen " +
               "HALVENMARK_DRIVE='" + steps +
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

TEST(UsbProgramTest, AnAdapterUnpluggedMidFlashGivesOneMessageAndTheWindowClosesCleanly) {
    const Result usb = updater("--usb-fault unplug-after=200", "find flash close");
    EXPECT_EQ(usb.exitCode, 0) << usb.out;
    EXPECT_EQ(usb.out.find("Flash Complete!"), std::string::npos) << usb.out;
    EXPECT_NE(usb.out.find("message: Update Failure! | Device communication error - Corruption "
                           "possible!\n"),
              std::string::npos)
        << usb.out;
    EXPECT_EQ(usb.out.find("message: "), usb.out.rfind("message: ")) << usb.out;
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
