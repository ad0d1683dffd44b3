#include "tools/bench/Bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace halvenmark::bench {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

struct BenchRun {
    int exitCode;
    std::string out;
    std::string err;
};

BenchRun bench(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int code = benchMain(args, out, err);
    return {code, out.str(), err.str()};
}

TEST(BenchTest, DefaultRunFindsAndFlashesTheDefaultDevice) {
    const BenchRun run = bench({});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "status: Put device in programming mode and click button below\n"
              "picture: 100\n"
              "screen: start\n"
              "status: Checking Device...\n"
              "device: 6 channel Kestrel-A II receiver\n"
              "status: Receiver: v2.3  -  Upgrading to: v2.6\n"
              "screen: device\n"
              "screen: flashing\n"
              "status: Flashing device...\n"
              "screen: done\n"
              "status: Flash Complete!\n"
              "progress: 10224/10240\n");
}

TEST(BenchTest, NoAdapterEndsAtStartUp) {
    const BenchRun run = bench({"--adapter", "none", "find"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(
        run.out,
        "status: Put device in programming mode and click button below\n"
        "message: Hardware Not Present | Serial Link, HMU, or Telemetry Station not found!\n");
}

TEST(BenchTest, ActionsWhoseButtonIsHiddenAreSkipped) {
    const BenchRun run = bench({"--device", "0x0F", "find", "flash", "ok", "find", "abort"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(
        run.out,
        HasSubstr("message: Device not supported! | Device not currently supported for upgrading!\n"
                  "status: Put device in programming mode and click button below\n"
                  "skipped: flash\nskipped: ok\n"));
    EXPECT_THAT(run.out, HasSubstr("skipped: abort\n"));
}

TEST(BenchTest, TraceShowsEveryTransfer) {
    const BenchRun run = bench({"--trace", "--device", "0x01", "find"});
    EXPECT_THAT(
        run.out,
        HasSubstr(
            "purge\nstatus: Checking Device...\ntx: 56 4E 52\nrx: 56 4E 52\ntx: 52 4D 10 00\n"));
    EXPECT_THAT(run.out, HasSubstr("rx: (none)\n"));  // the pauses at start-up
}

TEST(BenchTest, MemoryListsTheWrittenRunsAndAHash) {
    const BenchRun run = bench({"--memory", "--device", "0x30"});
    EXPECT_THAT(run.out,
                HasSubstr("progress: 28656/28672\nwritten: 0x0800-0x3FFF\nmemory-sha256: "));
    EXPECT_EQ(run.out.substr(run.out.rfind(' ') + 1).size(), 65u);  // 64 hex digits and a newline
}

TEST(BenchTest, TimingLineHasTheFourFigures) {
    const BenchRun run = bench({"--timing", "--device", "0x01"});
    // std::regex: GoogleTest's own expressions lack brackets on some platforms.
    EXPECT_TRUE(std::regex_search(
        run.out, std::regex("timing: exchanges=[0-9]+ wire=[0-9]+\\.[0-9]{3}s "
                            "modeled=[0-9]+\\.[0-9]{3}s host=[0-9]+\\.[0-9]{4}s\n")))
        << run.out;
}

TEST(BenchTest, FaultScopedToFindActsOnlyDuringTheFirstFind) {
    const BenchRun run = bench({"--fault", "wake-reply=XYZ@find", "find", "find", "abort"});
    EXPECT_THAT(run.out, HasSubstr("message: Check Device | No device detected!\n"));
    EXPECT_THAT(run.out, HasSubstr("screen: device\n"));
}

TEST(BenchTest, RefusingPlaceholdersLikeTheProductEveryRouteEndsBeforeTheDeviceShows) {
    for (const char* code : {"0x01", "0x09", "0x0C", "0x11", "0x30", "0x20"}) {
        const BenchRun run = bench({"--refuse-placeholders", "--memory", "--device", code});
        EXPECT_EQ(run.exitCode, 1) << code;
        EXPECT_THAT(run.out, HasSubstr("status: Checking Device...\n"
                                       "message: Device not supported! | Device not currently "
                                       "supported for upgrading!\n"))
            << code;
        EXPECT_THAT(run.out, Not(HasSubstr("device: "))) << code;
        EXPECT_THAT(run.out, Not(HasSubstr("written: "))) << code;
        EXPECT_THAT(run.err, HasSubstr("this build carries placeholder firmware images")) << code;
    }
}

TEST(BenchTest, UsageErrorsExitWithTwoAndAReason) {
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"--device"},
                                               {"--device", "0x100"},
                                               {"--adapter", "usb"},
                                               {"--fault", "drop=2"},
                                               {"--fault", "ex-reply=EXX"},
                                               {"--fault", "refuse-writes=3@later"},
                                               {"jump"},
                                               {"campaign", "--runs", "x"}}) {
        const BenchRun run = bench(args);
        EXPECT_EQ(run.exitCode, 2) << args[0];
        EXPECT_FALSE(run.err.empty()) << args[0];
    }
}

TEST(BenchTest, ACampaignFindsNoDefect) {
    const BenchRun run = bench({"campaign", "--runs", "150", "--seed", "3"});
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_TRUE(
        std::regex_search(run.out, std::regex("campaign: 150 runs, [0-9]+ complete, [0-9]+ failed, "
                                              "0 false successes, 0 silent failures, 0 hangs\n$")))
        << run.out;
}

}  // namespace
}  // namespace halvenmark::bench
