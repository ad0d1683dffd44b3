#include "link/HMUModule.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/ScriptedPeer.h"
#include "sim/SimAdapter.h"

namespace halvenmark {
namespace {

using sim::FtFunction;
using ::testing::ElementsAreArray;

const std::string kProgrammerName = "Halvenmark Device Programmer";
const std::string kTelemetryName = "Halvenmark Telemetry Station";
const std::string kSerialLinkName = "Halvenmark Serial Link";

class LinkTest : public ::testing::Test {
  protected:
    void attach(const std::vector<std::string>& adapters) {
        for (const auto& adapter : adapters) {
            driver.attach(adapter);
        }
        driver.setPeer(&peer);
    }
    void openQuietly() {
        link.OpenAdapter();
        driver.clearCalls();
    }

    sim::SimAdapter driver;
    sim::ScriptedPeer peer;
    LinkState state;
    HMUModule link{state, driver};
};

std::vector<std::string> configurationCalls(std::vector<std::string> start) {
    const std::vector<std::string> shared = {
        "FT_SetLatencyTimer(2)",
        "FT_SetUSBParameters(1024, 0)",
        "FT_SetDataCharacteristics(8, 0, 0)",
        "FT_SetChars(0, 0, 0, 0)",
        "FT_SetTimeouts(100, 0)",
        "FT_Read(10)",
        "FT_SetBitMode(0x40, 0x20)",
        "FT_SetTimeouts(250, 0)",
        "FT_Read(20)",
    };
    start.insert(start.end(), shared.begin(), shared.end());
    return start;
}

struct OpenCase {
    const char* name;
    std::vector<std::string> attached;
    std::uint8_t kind;
    std::vector<std::string> calls;
};

class OpenAdapterTest : public LinkTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenAdapterTest, OpensTheFirstAttachedAdapterAndConfiguresItForItsKind) {
    attach(GetParam().attached);
    link.OpenAdapter();
    EXPECT_EQ(state.LinkStatus, 0u);
    EXPECT_EQ(state.AdapterKind, GetParam().kind);
    EXPECT_NE(state.AdapterHandle, nullptr);
    EXPECT_EQ(state.LatencyTimer, 2);
    EXPECT_THAT(driver.calls(), ElementsAreArray(GetParam().calls));
}

INSTANTIATE_TEST_SUITE_P(
    AdapterKinds, OpenAdapterTest,
    ::testing::Values(
        OpenCase{"AllThree",
                 {kSerialLinkName, kTelemetryName, kProgrammerName},
                 kDeviceProgrammer,
                 configurationCalls({"FT_OpenEx(" + kProgrammerName + ", 2)",
                                     "FT_SetBitMode(0x44, 0x20)", "FT_SetBaudRate(111111)",
                                     "FT_SetFlowControl(0x0100, 0, 0)"})},
        OpenCase{
            "TelemetryAndSerialLink",
            {kSerialLinkName, kTelemetryName},
            kTelemetryStation,
            configurationCalls({"FT_OpenEx(" + kProgrammerName + ", 2)",
                                "FT_OpenEx(" + kTelemetryName + ", 2)", "FT_SetBitMode(0x44, 0x20)",
                                "FT_SetBaudRate(111111)", "FT_SetFlowControl(0x0100, 0, 0)"})},
        OpenCase{
            "SerialLinkAloneGetsNoInitialPinHigh",
            {kSerialLinkName},
            kSerialLink,
            configurationCalls({"FT_OpenEx(" + kProgrammerName + ", 2)",
                                "FT_OpenEx(" + kTelemetryName + ", 2)",
                                "FT_OpenEx(" + kSerialLinkName + ", 2)", "FT_SetBaudRate(125000)",
                                "FT_SetFlowControl(0x0000, 0, 0)"})}),
    [](const auto& info) { return info.param.name; });

TEST_F(LinkTest, OpenPassesTheDescriptionWithOneTrailingNul) {
    attach({kProgrammerName});
    link.OpenAdapter();
    EXPECT_EQ(state.AdapterDescription, kProgrammerName + std::string(1, '\0'));
}

TEST_F(LinkTest, NoAdapterMeansThreeOpenAttemptsAndNoConfiguration) {
    link.OpenAdapter();
    EXPECT_EQ(state.AdapterKind, kNoAdapter);
    EXPECT_NE(state.LinkStatus, 0u);
    EXPECT_EQ(state.AdapterHandle, nullptr);
    EXPECT_THAT(driver.calls(), ElementsAreArray({"FT_OpenEx(" + kProgrammerName + ", 2)",
                                                  "FT_OpenEx(" + kTelemetryName + ", 2)",
                                                  "FT_OpenEx(" + kSerialLinkName + ", 2)"}));
}

TEST_F(LinkTest, FailingUsbParametersDoNotStopTheOpen) {
    attach({kProgrammerName});
    driver.injectStatus(FtFunction::SetUSBParameters, ft::kOtherError);
    link.OpenAdapter();
    EXPECT_EQ(state.LinkStatus, 0u);
    EXPECT_NE(state.AdapterHandle, nullptr);
    EXPECT_TRUE(driver.isOpen());
}

struct FailingStep {
    FtFunction function;
    int callsBefore;  // how many earlier calls of the same function succeed
};

class ConfigurationFailureTest : public LinkTest,
                                 public ::testing::WithParamInterface<FailingStep> {};

TEST_P(ConfigurationFailureTest, ClosesTheAdapterAndReportsTheFailingStatus) {
    attach({kProgrammerName});
    driver.injectStatus(GetParam().function, ft::kOk, GetParam().callsBefore);
    driver.injectStatus(GetParam().function, ft::kInvalidParameter);
    link.OpenAdapter();
    EXPECT_EQ(state.AdapterHandle, nullptr);
    EXPECT_EQ(state.AdapterKind, kDeviceProgrammer);
    // Reported as the failing call's status, so start-up never shows a window over a closed
    // adapter.
    EXPECT_EQ(state.LinkStatus, ft::kInvalidParameter);
    ASSERT_GE(driver.calls().size(), 2u);
    const auto& calls = driver.calls();
    EXPECT_EQ(calls[calls.size() - 2], "FT_SetBitMode(0x44, 0x20)");
    EXPECT_EQ(calls.back(), "FT_Close()");
}

INSTANTIATE_TEST_SUITE_P(Steps, ConfigurationFailureTest,
                         ::testing::Values(FailingStep{FtFunction::SetFlowControl, 0},
                                           FailingStep{FtFunction::SetBaudRate, 0},
                                           FailingStep{FtFunction::SetLatencyTimer, 0},
                                           FailingStep{FtFunction::SetChars, 0},
                                           FailingStep{FtFunction::SetTimeouts, 1},
                                           FailingStep{FtFunction::SetBitMode, 1}));

TEST_F(LinkTest, ReceiveFromASilentPeerCostsOneReadTimeOut) {
    attach({kProgrammerName});
    openQuietly();
    const auto before = driver.now();
    state.BytesToRead = 12;
    link.ReceiveFrame();
    EXPECT_EQ(driver.calls(), std::vector<std::string>{"FT_Read(12)"});
    EXPECT_EQ(driver.now() - before, std::chrono::milliseconds(250));
    EXPECT_EQ(state.LinkStatus, 8u);
    EXPECT_EQ(state.ReadTimedOut, kTrue);
    EXPECT_EQ(state.ReadFailed, kFalse);
    EXPECT_EQ(state.BytesReceived, 0);
    for (int position = 1; position <= FrameBuffer::kSize; ++position) {
        ASSERT_EQ(state.RxBuffer.at(position), 0x20);
    }
}

TEST_F(LinkTest, AFullReadWithStatusFourKeepsTheFour) {
    attach({kProgrammerName});
    openQuietly();
    peer.queue("VNR");
    state.TxBuffer.assign("VNR");
    state.BytesToWrite = 3;
    link.SendFrame();
    driver.injectStatus(FtFunction::Read, ft::kIoError);
    state.BytesToRead = 3;
    link.ReceiveFrame();
    EXPECT_EQ(state.LinkStatus, ft::kIoError);
    EXPECT_EQ(state.BytesReceived, 3);
    EXPECT_TRUE(state.RxBuffer.startsWith("VNR"));
}

TEST_F(LinkTest, AFailingReadStopsTheLoopAsReadFailed) {
    attach({kProgrammerName});
    openQuietly();
    driver.injectStatus(FtFunction::Read, ft::kDeviceNotOpened);
    state.BytesToRead = 3;
    link.ReceiveFrame();
    EXPECT_EQ(state.LinkStatus, 8u);
    EXPECT_EQ(state.ReadFailed, kTrue);
    EXPECT_EQ(driver.calls().size(), 1u);
}

TEST_F(LinkTest, ASplitReplyIsAssembledInOrder) {
    attach({kProgrammerName});
    openQuietly();
    // Two parts a pause apart that is longer than the read time-out: the first read times out
    // with the first part, the second brings the rest.
    driver.setReplyParts(2);
    peer.queue("RM12345678cx");
    state.TxBuffer.assign("RM");
    state.BytesToWrite = 4;
    link.SendFrame();
    state.BytesToRead = 12;
    link.ReceiveFrame();
    EXPECT_EQ(state.LinkStatus, 0u);
    EXPECT_EQ(state.BytesReceived, 12);
    EXPECT_TRUE(state.RxBuffer.startsWith("RM12345678cx"));
    EXPECT_EQ(state.RxBuffer.at(13), 0x20);
    EXPECT_THAT(driver.calls(), ElementsAreArray({"FT_Write(4)", "FT_Read(12)", "FT_Read(6)"}));
}

TEST_F(LinkTest, SerialLinkTakesTheEchoOffAfterEverySend) {
    attach({kSerialLinkName});
    openQuietly();
    peer.queue("EX");
    state.TxBuffer.assign("EX");
    state.BytesToWrite = 2;
    link.SendFrame();
    EXPECT_EQ(state.LinkStatus, 0u);
    EXPECT_EQ(state.BytesToRead, 2);
    EXPECT_THAT(driver.calls(), ElementsAreArray({"FT_Write(2)", "FT_Read(2)"}));
    state.BytesToRead = 2;
    link.ReceiveFrame();
    EXPECT_EQ(state.LinkStatus, 0u);
    EXPECT_TRUE(state.RxBuffer.startsWith("EX"));
}

TEST_F(LinkTest, SerialLinkEchoThatFallsShortLeavesEight) {
    attach({kSerialLinkName});
    openQuietly();
    driver.shortenNextEcho(1);
    state.TxBuffer.assign("VNR");
    state.BytesToWrite = 3;
    link.SendFrame();
    EXPECT_EQ(state.LinkStatus, 8u);
}

TEST_F(LinkTest, SerialLinkWriteFailureIsNotHiddenByTheEchoRead) {
    attach({kSerialLinkName});
    openQuietly();
    driver.injectStatus(FtFunction::Write, ft::kIoError);
    state.TxBuffer.assign("VNR");
    state.BytesToWrite = 3;
    link.SendFrame();
    EXPECT_EQ(state.LinkStatus, ft::kIoError);
    EXPECT_EQ(driver.calls(), std::vector<std::string>{"FT_Write(3)"});
}

TEST_F(LinkTest, CloseWithoutAnAdapterMakesNoCall) {
    state.LinkStatus = 77;
    link.CloseAdapter();
    EXPECT_TRUE(driver.calls().empty());
    EXPECT_EQ(state.LinkStatus, 77u);
}

TEST_F(LinkTest, CloseDrivesThePinHighAgainThenCloses) {
    attach({kTelemetryName});
    openQuietly();
    link.CloseAdapter();
    EXPECT_THAT(driver.calls(), ElementsAreArray({"FT_SetBitMode(0x44, 0x20)", "FT_Close()"}));
    EXPECT_EQ(driver.bitMode(), 0x44);
    EXPECT_FALSE(driver.isOpen());
}

TEST_F(LinkTest, PurgeStoresItsStatusAndEmptiesTheAdapter) {
    attach({kProgrammerName});
    openQuietly();
    peer.queue("VNRVNR");
    state.TxBuffer.assign("VNR");
    state.BytesToWrite = 3;
    link.SendFrame();
    link.PurgeAdapter();
    EXPECT_EQ(state.LinkStatus, 0u);
    EXPECT_EQ(driver.pendingBytes(), 0u);
    EXPECT_EQ(driver.calls().back(), "FT_Purge(3)");
}

}  // namespace
}  // namespace halvenmark
