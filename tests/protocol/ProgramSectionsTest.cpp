#include "protocol/ProgramSections.h"

#include <gtest/gtest.h>

#include "protocol/Messages.h"
#include "support/Fixtures.h"

namespace halvenmark {
namespace {

using testing::bytesOf;
using testing::ScriptedLink;
using testing::ShownMessage;

const std::vector<std::uint8_t> kAccepted{'W', 'M', 1};

// A read reply that matches ImageData for the frame at `address`, first form.
std::vector<std::uint8_t> goodRead(const LinkState& state, int address) {
    return testing::readReply(
        address, std::span(state.ImageData).subspan(static_cast<std::size_t>(2 * address), 8));
}

class ProgramUpperSectionTest : public ::testing::Test {
  protected:
    ProgramUpperSectionTest() {
        rig.state.ImageData.assign(8192, 0x5A);
        for (int i = 0; i < 256; ++i)
            rig.peer.queue(kAccepted);
    }
    void queueGoodVerify() {
        for (int address = 0x0C00; address <= 0x0FFC; address += 4)
            rig.peer.queue(goodRead(rig.state, address));
    }
    ScriptedLink rig;
};

struct ControlFailure {
    const char* name;
    std::vector<std::vector<std::uint8_t>> replies;  // to EX, then wake
    std::size_t framesAfterVerify;
};

class UpperSectionControlTest : public ProgramUpperSectionTest,
                                public ::testing::WithParamInterface<ControlFailure> {};

TEST_P(UpperSectionControlTest, ExOrWakeFailureIsACommunicationError) {
    queueGoodVerify();
    for (const auto& reply : GetParam().replies)
        rig.peer.queue(reply);
    ProgramUpperSection(rig.session);
    EXPECT_EQ(rig.state.OperationFailed, -1);
    ASSERT_EQ(rig.view.messages.size(), 1u);
    EXPECT_EQ(rig.view.messages[0],
              (ShownMessage{std::string(text::kCommunicationError),
                            std::string(text::kWriteFailureTitle), MessageStyle::OkOnly}));
    EXPECT_EQ(rig.frames().size(), 512u + GetParam().framesAfterVerify);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, UpperSectionControlTest,
    ::testing::Values(ControlFailure{"ExAnsweredOtherwise", {bytesOf("XE")}, 1},
                      ControlFailure{"ExLowerCase", {bytesOf("ex")}, 1},
                      ControlFailure{"WakeAnsweredOtherwise", {bytesOf("EX"), bytesOf("VNX")}, 2},
                      ControlFailure{"WakeSilent", {bytesOf("EX")}, 2}),
    [](const auto& info) { return info.param.name; });

TEST_F(ProgramUpperSectionTest, SucceedsAfterExAndWake) {
    queueGoodVerify();
    rig.peer.queue("EX");
    rig.peer.queue("VNR");
    rig.state.OperationFailed = 0;
    ProgramUpperSection(rig.session);
    EXPECT_EQ(rig.state.OperationFailed, 0);
    EXPECT_TRUE(rig.view.messages.empty());
    EXPECT_EQ(rig.frames().back(), bytesOf("VNR"));
}

TEST_F(ProgramUpperSectionTest, VerifyMismatchThatSurvivesTheBudgetSendsNoExFrame) {
    for (int i = 0; i < 50; ++i)
        rig.peer.queue(bytesOf("RM\x01\x02\x03\x04\x05\x06\x07\x08\x00\x00"));
    ProgramUpperSection(rig.session);
    EXPECT_EQ(rig.state.OperationFailed, -1);
    ASSERT_EQ(rig.view.messages.size(), 1u);
    EXPECT_EQ(rig.view.messages[0].text, text::kWriteErrorCorrupted);
    EXPECT_EQ(rig.view.messages[0].title, text::kWriteFailureTitle);
    EXPECT_EQ(rig.frames().size(), 256u + 50u);
    EXPECT_EQ(rig.frames().back()[0], 'R');
}

TEST(ProgramLowerSectionTest, PurgesThenWritesAndVerifiesTheLowerSection) {
    ScriptedLink rig;
    rig.state.ImageData.assign(8192, 0x33);
    for (int i = 0; i < 768; ++i)
        rig.peer.queue(kAccepted);
    for (int address = 0; address <= 0x0BFC; address += 4)
        rig.peer.queue(goodRead(rig.state, address));
    ProgramLowerSection(rig.session);
    EXPECT_EQ(rig.state.OperationFailed, 0);
    EXPECT_EQ(rig.adapter.calls().front(), "FT_Purge(3)");
    EXPECT_EQ(rig.frames().size(), 1536u);
    EXPECT_EQ(rig.state.ProgressValue, 1536);
}

}  // namespace
}  // namespace halvenmark
