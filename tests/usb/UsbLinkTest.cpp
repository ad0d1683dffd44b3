// The adapter link over libftdi1 and libusb to emulated FT232R adapters.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include <ostream>

#include <memory>
#include <mutex>

#include "link/AdapterSettings.h"
#include "link/HMUModule.h"
#include "link/SystemDriver.h"
#include "link/TracingDriver.h"
#include "sim/AdapterNames.h"
#include "sim/ScriptedPeer.h"
#include "sim/usb/EmulatedUsb.h"

namespace halvenmark::sim::usb {
namespace {

using Pin2 = FtdiChip::Pin2;

std::vector<std::string> descriptions(std::initializer_list<const char*> names) {
    std::vector<std::string> list;
    for (const char* name : names) {
        list.push_back(adapterDescription(name));
    }
    return list;
}

std::vector<UsbFault> usbFaults(std::initializer_list<const char*> texts) {
    std::vector<UsbFault> list;
    for (const char* text : texts) {
        std::string error;
        list.push_back(*parseUsbFault(text, error));
    }
    return list;
}

class ReadCounter : public TransferObserver {
  public:
    int reads = 0;
    void onWrite(std::span<const std::uint8_t>) override {}
    void onRead(std::span<const std::uint8_t>) override { ++reads; }
    void onPurge() override {}
};

// HMUModule over the libftdi1 backend, and the emulated adapters with a scripted device.
struct UsbLink {
    UsbLink(std::vector<std::string> adapters, std::vector<UsbFault> faults = {})
        : usb(adapters, faults, {&peer, nullptr, &line}) {}

    EmulatedUsb::Adapter& adapter(const char* name) { return *usb.find(adapterDescription(name)); }

    std::mutex line;
    ScriptedPeer peer;
    EmulatedUsb usb;
    std::unique_ptr<FtDriver> libftdi = makeLibftdiDriver();
    ReadCounter counter;
    TracingDriver traced{*libftdi, &counter};
    LinkState state;
    HMUModule link{state, traced};
};

struct OpenCase {
    const char* name;
    std::vector<std::string> attached;
    std::vector<UsbFault> faults;
    std::uint8_t kind;  // kNoAdapter: none opens
};

// Failures name the case, not its bytes.
void PrintTo(const OpenCase& c, std::ostream* out) {
    *out << c.name;
}

class AdapterChoiceTest : public ::testing::TestWithParam<OpenCase> {};

TEST_P(AdapterChoiceTest, OpensTheFirstAdapterOfThePreferenceThatCanBeOpened) {
    const OpenCase& c = GetParam();
    UsbLink rig(c.attached, c.faults);
    ASSERT_TRUE(rig.usb.ready()) << rig.usb.error();
    rig.link.OpenAdapter();
    EXPECT_EQ(rig.state.AdapterKind, c.kind);
    EXPECT_EQ(rig.state.LinkStatus == ft::kOk, c.kind != kNoAdapter);
    rig.link.CloseAdapter();
}

INSTANTIATE_TEST_SUITE_P(
    Usb, AdapterChoiceTest,
    ::testing::Values(OpenCase{"Programmer", descriptions({"programmer"}), {}, kDeviceProgrammer},
                      OpenCase{"Telemetry", descriptions({"telemetry"}), {}, kTelemetryStation},
                      OpenCase{"SerialLink", descriptions({"serial-link"}), {}, kSerialLink},
                      OpenCase{"PreferenceOverBusOrder",
                               descriptions({"serial-link", "telemetry", "programmer"}),
                               {},
                               kDeviceProgrammer},
                      OpenCase{"TelemetryBeforeSerialLink",
                               descriptions({"serial-link", "telemetry"}),
                               {},
                               kTelemetryStation},
                      OpenCase{"NoAdapter", {}, {}, kNoAdapter},
                      OpenCase{"OtherFtdiDeviceIsSkipped", descriptions({"programmer"}),
                               usbFaults({"product=FT232R USB UART"}), kNoAdapter},
                      OpenCase{"OtherFtdiDeviceBesideAnAdapter",
                               descriptions({"programmer", "telemetry"}),
                               usbFaults({"product=FT232R USB UART:programmer"}),
                               kTelemetryStation},
                      OpenCase{"NoPermissionIsSkippedLikeAnAbsentAdapter",
                               descriptions({"programmer", "telemetry"}),
                               usbFaults({"no-permission:programmer"}), kTelemetryStation},
                      OpenCase{"NoPermissionAnywhere", descriptions({"programmer"}),
                               usbFaults({"no-permission"}), kNoAdapter},
                      OpenCase{"BusyIsSkipped", descriptions({"programmer", "serial-link"}),
                               usbFaults({"busy:programmer"}), kSerialLink},
                      OpenCase{"KernelDriverIsTakenOver", descriptions({"programmer"}),
                               usbFaults({"kernel-driver"}), kDeviceProgrammer}),
    [](const ::testing::TestParamInfo<OpenCase>& info) { return std::string(info.param.name); });

TEST(UsbLinkTest, TheProgrammerIsConfiguredAsTheChipSeesIt) {
    UsbLink rig(descriptions({"programmer"}));
    rig.link.OpenAdapter();
    ASSERT_EQ(rig.state.LinkStatus, ft::kOk);
    FtdiChip& chip = *rig.adapter("programmer").chip;
    // The rate the line runs at, although the bit mode was on when it was set.
    EXPECT_NEAR(chip.baudRate(), adapter::kProgrammerBaud, 1);
    EXPECT_EQ(chip.flowControl(), 0x0100);  // RTS/CTS
    EXPECT_EQ(chip.lineProperties(), kLine8N1);
    EXPECT_EQ(chip.latencyMs(), adapter::kLatencyTimerMs);
    rig.link.CloseAdapter();
    EXPECT_EQ(chip.pin2History(),
              (std::vector<Pin2>{Pin2::Released, Pin2::High, Pin2::Low, Pin2::High}));
}

TEST(UsbLinkTest, TheSerialLinkRunsFasterWithoutFlowControlOrTheFirstPinHighStep) {
    UsbLink rig(descriptions({"serial-link"}));
    rig.link.OpenAdapter();
    ASSERT_EQ(rig.state.LinkStatus, ft::kOk);
    FtdiChip& chip = *rig.adapter("serial-link").chip;
    EXPECT_NEAR(chip.baudRate(), adapter::kSerialLinkBaud, 1);
    EXPECT_EQ(chip.flowControl(), 0);
    rig.link.CloseAdapter();
    EXPECT_EQ(chip.pin2History(), (std::vector<Pin2>{Pin2::Released, Pin2::Low, Pin2::High}));
}

TEST(UsbLinkTest, TheKernelDriverIsDetachedOnOpenAndGivenBackOnClose) {
    UsbLink rig(descriptions({"programmer"}), usbFaults({"kernel-driver"}));
    UsbfsNode& node = *rig.adapter("programmer").node;
    ASSERT_TRUE(node.kernelDriverBound());
    rig.link.OpenAdapter();
    ASSERT_EQ(rig.state.LinkStatus, ft::kOk);
    EXPECT_FALSE(node.kernelDriverBound());
    EXPECT_EQ(node.kernelDriverDetaches(), 1);
    rig.link.CloseAdapter();
    EXPECT_TRUE(node.kernelDriverBound());
    EXPECT_EQ(node.kernelDriverAttaches(), 1);
}

class UsbExchangeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        rig.link.OpenAdapter();
        ASSERT_EQ(rig.state.LinkStatus, ft::kOk);
    }
    void TearDown() override { rig.link.CloseAdapter(); }

    // Sends "RM" and collects `reply` as the device sends it: true when one read brought it all.
    bool exchangeInOneRead(const std::vector<std::uint8_t>& reply) {
        rig.peer.queue(reply);
        rig.state.TxBuffer.assign(std::string_view("RM\x10\x00", 4));
        rig.state.BytesToWrite = 4;
        rig.link.SendFrame();
        rig.counter.reads = 0;
        rig.state.BytesToRead = static_cast<std::int32_t>(reply.size());
        rig.link.ReceiveFrame();
        return rig.state.LinkStatus == ft::kOk && rig.counter.reads == 1 &&
               std::equal(reply.begin(), reply.end(), rig.state.RxBuffer.data());
    }

    static std::vector<std::uint8_t> pattern(std::size_t size) {
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
        return bytes;
    }

    UsbLink rig{descriptions({"programmer"})};
};

TEST_F(UsbExchangeTest, AReplyLongerThanOnePacketComesInOneRead) {
    // With the chip's default 16 ms timer the 150 bytes fill two whole packets before the timer
    // sends the rest.
    FtdiChip& chip = *rig.adapter("programmer").chip;
    ASSERT_EQ(rig.traced.SetLatencyTimer(rig.state.AdapterHandle, kDefaultLatencyMs), ft::kOk);
    const std::int64_t before = chip.dataPackets();
    EXPECT_TRUE(exchangeInOneRead(pattern(150)));
    EXPECT_EQ(chip.dataPackets() - before, 3);
}

TEST_F(UsbExchangeTest, AReplyThatStraddlesTwoLatencyPeriodsComesInOneRead) {
    // 62 bytes, one packet's worth, take 5.6 ms on the line: the 2 ms timer sends them in more
    // than one packet (nearly three periods, so that a host slow to ask again, as under the
    // sanitizers, still meets the timer mid-reply).
    FtdiChip& chip = *rig.adapter("programmer").chip;
    const std::int64_t before = chip.dataPackets();
    EXPECT_TRUE(exchangeInOneRead(pattern(62)));
    EXPECT_GE(chip.dataPackets() - before, 2);
}

TEST_F(UsbExchangeTest, ALineProgrammedAtAnotherRateHearsNothing) {
    // Four times the rate, as libftdi programs it when the bit mode is on and nothing corrects it.
    ASSERT_EQ(rig.traced.SetBaudRate(rig.state.AdapterHandle, 4 * adapter::kProgrammerBaud),
              ft::kOk);
    rig.peer.queue("VNR");
    rig.state.TxBuffer.assign("VNR");
    rig.state.BytesToWrite = 3;
    rig.link.SendFrame();
    rig.state.BytesToRead = 3;
    rig.link.ReceiveFrame();
    EXPECT_EQ(rig.state.LinkStatus, adapter::kIncompleteRead);
    EXPECT_TRUE(rig.peer.frames().empty());
}

std::chrono::nanoseconds threadCpuTime() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

TEST_F(UsbExchangeTest, TheReadLoopWaitsOnTheChipInsteadOfSpinning) {
    // A silent device: the 250 ms time-out passes in transfers paced by the 2 ms latency timer.
    // Counting them cannot see libusb spin between them; the thread's processor time can: a loop
    // that spun would use the whole time-out, one that sleeps in poll a small part of it.
    FtdiChip& chip = *rig.adapter("programmer").chip;
    const std::int64_t before = chip.inTransfers();
    const auto cpuBefore = threadCpuTime();
    const auto wallBefore = std::chrono::steady_clock::now();
    rig.state.BytesToRead = 3;
    rig.link.ReceiveFrame();
    const auto cpu = threadCpuTime() - cpuBefore;
    const auto wall = std::chrono::steady_clock::now() - wallBefore;
    EXPECT_EQ(rig.state.LinkStatus, adapter::kIncompleteRead);
    EXPECT_LE(chip.inTransfers() - before, 130);
    EXPECT_LT(cpu, wall / 2) << std::chrono::duration<double>(cpu).count() << " s of "
                             << std::chrono::duration<double>(wall).count() << " s";
}

}  // namespace
}  // namespace halvenmark::sim::usb
