// Every failure of a flash is told once, with its own text, and leaves the start screen.
#include <gtest/gtest.h>

#include <functional>

#include "flash/FlashRoutines.h"
#include "protocol/Frames.h"
#include "protocol/Messages.h"
#include "support/Fixtures.h"
#include "support/RigFixture.h"

namespace halvenmark {
namespace {

using testing::Rig;
using testing::withFault;

// Passes frames to the device, but lets a test answer one chosen frame itself.
class InterceptingPeer : public sim::SerialPeer {
  public:
    InterceptingPeer(
        sim::SerialPeer& device,
        std::function<std::optional<sim::PeerReply>(std::span<const std::uint8_t>)> hook)
        : device_(device), hook_(std::move(hook)) {}
    sim::PeerReply onFrame(std::span<const std::uint8_t> frame) override {
        if (auto reply = hook_(frame))
            return *reply;
        return device_.onFrame(frame);
    }

  private:
    sim::SerialPeer& device_;
    std::function<std::optional<sim::PeerReply>(std::span<const std::uint8_t>)> hook_;
};

bool isFrame(std::span<const std::uint8_t> frame, std::initializer_list<std::uint8_t> bytes) {
    return std::equal(frame.begin(), frame.end(), bytes.begin(), bytes.end());
}

struct FailureCase {
    const char* name;
    sim::RigOptions options;
    std::string_view text;
    std::string_view title;
    std::function<std::optional<sim::PeerReply>(std::span<const std::uint8_t>)> hook = nullptr;
};

class FlashFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FlashFailureTest, IsToldOnceAndReturnsToTheStartScreen) {
    Rig rig(GetParam().options);
    ASSERT_TRUE(rig.find());
    std::optional<InterceptingPeer> peer;
    if (GetParam().hook) {
        peer.emplace(rig.rig.device(), GetParam().hook);
        rig.rig.adapter().setPeer(&*peer);
    }
    rig.flash();
    ASSERT_EQ(rig.view.messages.size(), 1u);
    EXPECT_EQ(rig.view.messages[0].text, GetParam().text);
    EXPECT_EQ(rig.view.messages[0].title, GetParam().title);
    EXPECT_NE(rig.rig.state().OperationFailed, 0);
    EXPECT_TRUE(rig.view.onlyButton(kFindDeviceButton));
    EXPECT_EQ(rig.view.status, text::kDefaultStatus);
    EXPECT_EQ(rig.view.deviceName, "");
}

sim::RigOptions oldExpander() {
    sim::RigOptions options = testing::device(0x20);
    options.device.version = 0x15;
    return options;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FlashFailureTest,
    ::testing::Values(
        FailureCase{"ProbeWriteRefused", withFault(testing::device(0x01), "refuse-writes=1@flash"),
                    text::kCheckConnection, text::kCommunicationFailureTitle},
        FailureCase{"ProbeReadBackWrong", withFault(testing::device(0x01), "corrupt-reads=1@flash"),
                    text::kCannotBeFlashed, text::kWriteFailureTitle},
        FailureCase{"ProbeChecksumWrong",
                    withFault(testing::device(0x80), "bad-checksum-reads=1@flash"),
                    text::kCannotBeFlashed, text::kWriteFailureTitle},
        FailureCase{"AuxImageNotWritten", withFault(testing::device(0x01), "silent-after=3@flash"),
                    text::kWriteErrorCannotFlash, text::kWriteFailureTitle},
        FailureCase{"AuxImageExRefused", withFault(testing::device(0x05), "ex-reply=XX@flash"),
                    text::kCommunicationError, text::kWriteFailureTitle},
        FailureCase{"Kestrel105ExRefused", testing::device(0x09), text::kCommunicationError,
                    text::kWriteFailureTitle,
                    [count = std::make_shared<int>(0)](std::span<const std::uint8_t> frame)
                        -> std::optional<sim::PeerReply> {
                        if (isFrame(frame, {'E', 'X'}) && ++*count == 2)
                            return sim::PeerReply{{'X', 'X'}};
                        return std::nullopt;
                    }},
        FailureCase{"Kestrel105PreservedReadCorrupted", testing::device(0x0B),
                    text::kCommunicationError, text::kWriteFailureTitle,
                    [](std::span<const std::uint8_t> frame) -> std::optional<sim::PeerReply> {
                        if (!isFrame(frame, {'R', 'M', 0x18, 0x00}))
                            return std::nullopt;
                        return sim::PeerReply{{'R', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 0x00, 0}};
                    }},
        FailureCase{"Kestrel105AreaRefused",
                    withFault(testing::device(0x0A), "silent-after=250@flash"),
                    text::kWriteErrorCorrupted, text::kWriteFailureTitle},
        FailureCase{"ExpanderAddressedExRefused", withFault(oldExpander(), "ex-reply=XX@flash"),
                    text::kCommunicationError, text::kUpdateFailureTitle},
        FailureCase{"BlockWriteRefused", withFault(testing::device(0x0C), "refuse-writes=50@flash"),
                    text::kWriteErrorCorrupted, text::kWriteFailureTitle},
        FailureCase{"BlockVerifyMismatch",
                    withFault(testing::device(0x0C), "corrupt-reads=50@flash"),
                    text::kVerifyErrorCorrupted, text::kReadFailureTitle},
        FailureCase{"BlockVerifyLinkFailure",
                    withFault(testing::device(0x11), "bad-header-reads=50@flash"),
                    text::kCommunicationError, text::kUpdateFailureTitle},
        FailureCase{"BlockWriteLinkFailure",
                    withFault(testing::device(0x30), "silent-after=10@flash"),
                    text::kCommunicationError, text::kUpdateFailureTitle},
        FailureCase{"StoredByteWrong", withFault(testing::device(0x0C), "store-flip=1@flash"),
                    text::kVerifyErrorCorrupted, text::kReadFailureTitle}),
    [](const auto& info) { return info.param.name; });

TEST(FlashFailureDetailTest, ExpanderWhoseExIsRefusedNeverWritesTheLowArea) {
    Rig rig(withFault(oldExpander(), "ex-reply=XX@flash"));
    ASSERT_TRUE(rig.find());
    rig.flash();
    EXPECT_EQ(rig.rig.state().OperationFailed, -1);
    EXPECT_FALSE(rig.rig.device().wasWritten(0x0100));
    EXPECT_TRUE(rig.rig.device().wasWritten(0x0800));
}

TEST(FlashFailureDetailTest, Kestrel105MiddleAreaIsNotWrittenAfterARefusedEx) {
    Rig rig(testing::device(0x09));
    ASSERT_TRUE(rig.find());
    int exFrames = 0;
    InterceptingPeer peer(
        rig.rig.device(),
        [&](std::span<const std::uint8_t> frame) -> std::optional<sim::PeerReply> {
            if (isFrame(frame, {'E', 'X'}) && ++exFrames == 2)
                return sim::PeerReply{{'e', 'x'}};
            return std::nullopt;
        });
    rig.rig.adapter().setPeer(&peer);
    rig.flash();
    EXPECT_TRUE(rig.rig.device().wasWritten(0x0020));
    EXPECT_FALSE(rig.rig.device().wasWritten(0x1000));  // word 0x0800
}

TEST(FlashFailureDetailTest, FailedImageLoadStopsWithoutAMessage) {
    testing::ScriptedLink rig;
    rig.state.FirmwareResId = 106;
    rig.state.ImageSize = 4096;
    testing::FakeStore empty;
    Session session{rig.state, rig.link, rig.view, empty};
    FlashDevice(session);
    EXPECT_EQ(rig.state.OperationFailed, -1);
    EXPECT_TRUE(rig.view.messages.empty());
    EXPECT_TRUE(rig.frames().empty());
    EXPECT_EQ(rig.view.status, text::kFlashingDevice);
}

TEST(TransferAuxImageTest, VerifyMismatchIsAWriteErrorNotACommunicationError) {
    testing::ScriptedLink rig;
    for (int i = 0; i < 82; ++i)
        rig.peer.queue(std::vector<std::uint8_t>{'W', 'M', 1});
    for (int i = 0; i < 50; ++i)
        rig.peer.queue(testing::bytesOf("RMxxxxxxxxcx"));
    TransferAuxImage(rig.session, routes::kAuxA);
    EXPECT_EQ(rig.state.OperationFailed, -1);
    ASSERT_EQ(rig.view.messages.size(), 1u);
    EXPECT_EQ(rig.view.messages[0].text, text::kWriteErrorCannotFlash);
    EXPECT_EQ(rig.state.ImageData.size(), 656u);  // keeps the auxiliary image
}

TEST(CheckFlashableTest, SendsTwoFramesAndPassesWithAnyHeader) {
    testing::ScriptedLink rig;
    rig.peer.queue(std::vector<std::uint8_t>{'W', 'M', 1});
    std::vector<std::uint8_t> reply{'x', 'y'};
    reply.insert(reply.end(), ProbePatternB.begin(), ProbePatternB.end());
    reply.push_back(0x07);
    reply.push_back(0xAA);
    rig.peer.queue(reply);
    CheckFlashable(rig.session, ProbePatternB);
    EXPECT_EQ(rig.state.OperationFailed, 0);
    ASSERT_EQ(rig.frames().size(), 2u);
    EXPECT_EQ(rig.frames()[0].size(), 13u);
    EXPECT_EQ(rig.frames()[1], (std::vector<std::uint8_t>{'R', 'M', 0xFC, 0x0F}));
}

TEST(CheckFlashableTest, PatternAFailsVariantBAtByteFour) {
    testing::ScriptedLink rig;
    rig.peer.queue(std::vector<std::uint8_t>{'W', 'M', 1});
    std::vector<std::uint8_t> reply{'R', 'M'};
    reply.insert(reply.end(), ProbePatternA.begin(), ProbePatternA.end());
    reply.push_back(0x4B);
    reply.push_back(0);
    rig.peer.queue(reply);
    CheckFlashable(rig.session, ProbePatternB);
    EXPECT_EQ(rig.state.OperationFailed, -1);
    EXPECT_EQ(rig.view.messages.at(0).text, text::kCannotBeFlashed);
}

}  // namespace
}  // namespace halvenmark
