// Bench runs over the emulated adapters, in this process: the same lines as over the simulated
// adapter, and what only the real stack can show (an adapter unplugged mid-flash).
#include <gtest/gtest.h>

#include <ostream>

#include <sstream>

#include "tools/bench/Bench.h"

namespace halvenmark::bench {
namespace {

struct BenchRun {
    int exitCode;
    std::string out;
};

BenchRun bench(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int code = benchMain(args, out, err);
    return {code, out.str() + err.str()};
}

struct Scenario {
    const char* name;
    std::vector<std::string> args;
};

// Failures name the case, not its bytes.
void PrintTo(const Scenario& c, std::ostream* out) {
    *out << c.name;
}

class UsbTranscriptTest : public ::testing::TestWithParam<Scenario> {};

TEST_P(UsbTranscriptTest, PrintsTheSameLinesAsOverTheSimulatedAdapter) {
    std::vector<std::string> args{"--trace", "--memory"};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    const BenchRun simulated = bench(args);
    args.insert(args.begin(), "--usb");
    const BenchRun usb = bench(args);
    EXPECT_EQ(usb.exitCode, simulated.exitCode);
    EXPECT_EQ(usb.out, simulated.out);
}

// Every route, every exit of identification and the failures of flashing, on the three
// adapter kinds.
INSTANTIATE_TEST_SUITE_P(
    Usb, UsbTranscriptTest,
    ::testing::Values(
        Scenario{"DefaultRoute", {"--device", "0x01"}},
        Scenario{"Image105KeepsDeviceBytes", {"--device", "0x09", "--adapter", "telemetry"}},
        Scenario{"Update8K", {"--device", "0x0C"}},
        Scenario{"Update16KOnTheSerialLink", {"--device", "0x11", "--adapter", "serial-link"}},
        Scenario{"Expander", {"--device", "0x30"}},
        Scenario{"ExpanderLowArea", {"--device", "0x20", "--version", "0x15"}},
        Scenario{"NoAdapter", {"--adapter", "none"}}, Scenario{"NoDevice", {"--no-device", "find"}},
        Scenario{"ReadError", {"--fault", "bad-header-reads=1", "find"}},
        Scenario{"UsbFailure", {"--fault", "purge-fails", "find"}},
        Scenario{"NoFlashableCpu", {"--cpu", "13", "find"}},
        Scenario{"RfFirmware", {"--rf", "0x20,0x00", "find"}},
        Scenario{"NotSupported", {"--device", "0x0F"}},
        Scenario{"ProbeRefused", {"--device", "0x01", "--fault", "refuse-writes=1@flash"}},
        Scenario{"WriteFailure", {"--device", "0x0C", "--fault", "refuse-writes=60@flash"}},
        Scenario{"VerifyFailure", {"--device", "0x0C", "--fault", "corrupt-reads=60@flash"}},
        Scenario{"ExFailure",
                 {"--device", "0x20", "--version", "0x15", "--fault", "ex-reply=XY@flash"}},
        Scenario{"SplitReplies", {"--fault", "split-replies@find", "find"}},
        Scenario{
            "RandomFaults",
            {"--device", "0x0C", "--fault", "flip=0.02", "--fault", "drop=0.002", "--seed", "7"}}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

// The seconds of a `timing:` line's `modeled=` and of a `usb:` line's `wall=`.
double figure(const std::string& out, const std::string& name) {
    const auto at = out.find(" " + name + "=");
    return at == std::string::npos ? -1 : std::stod(out.substr(at + name.size() + 2));
}

// One serial line, one clock: what a fault costs is the same over both adapters. A split reply
// costs every exchange the read that times out on its first part; the simulated adapter's model
// and the emulated stack's wall time agree on it to within the latency timer's slack.
TEST(UsbTimingTest, BothAdaptersChargeASplitReplyTheSameTime) {
    const BenchRun plain = bench({"--usb", "--timing", "find"});
    const BenchRun split = bench({"--usb", "--timing", "--fault", "split-replies", "find"});
    const double modeled = figure(split.out, "modeled") - figure(plain.out, "modeled");
    const double wall = figure(split.out, "wall") - figure(plain.out, "wall");
    EXPECT_GT(modeled, 4 * 0.3) << split.out;  // four exchanges, each some 375 ms longer
    EXPECT_NEAR(wall, modeled, 0.1) << plain.out << split.out;
}

TEST(UsbBenchTest, AnAdapterUnpluggedMidFlashGivesTheFailingStepsOneMessage) {
    const BenchRun run = bench({"--usb", "--usb-fault", "unplug-after=300", "--device", "0x0C"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out.find("Flash Complete!"), std::string::npos);
    std::size_t messages = 0;
    for (std::size_t at = run.out.find("message: "); at != std::string::npos;
         at = run.out.find("message: ", at + 1)) {
        ++messages;
    }
    EXPECT_EQ(messages, 1u) << run.out;
    EXPECT_NE(run.out.find("message: Update Failure! | Device communication error - Corruption "
                           "possible!\n"),
              std::string::npos)
        << run.out;
}

TEST(UsbBenchTest, TimingAddsTheUsbLine) {
    const BenchRun run = bench({"--usb", "--timing", "--device", "0x01", "find"});
    EXPECT_NE(run.out.find("\ntiming: exchanges=3 "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\nusb: exchanges=3 wall="), std::string::npos) << run.out;
}

TEST(UsbBenchTest, UsbFaultsAreUsageErrorsWithoutTheEmulatedAdapters) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--usb-fault", "busy"},
             {"--usb", "--usb-fault", "jam"},
             {"--usb", "--usb-fault", "unplug-after"},
             {"--usb", "--usb-fault", "busy:printer"},
             {"usb-run", "--fault", "drop=0.1@find", "--", "true"},
             {"usb-run", "find", "--", "true"},
             {"usb-run", "--trace", "--", "true"},
             {"usb-run"}}) {
        EXPECT_EQ(bench(args).exitCode, 2) << args.back();
    }
}

}  // namespace
}  // namespace halvenmark::bench
