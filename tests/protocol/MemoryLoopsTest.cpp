#include "protocol/MemoryLoops.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>

#include "protocol/Frames.h"
#include "support/Fixtures.h"

namespace halvenmark {
namespace {

using testing::bytesOf;
using testing::readReply;
using testing::ScriptedLink;

const std::vector<std::uint8_t> kAccepted{'W', 'M', 1};
const std::vector<std::uint8_t> kRefused{'W', 'M', 0};

class MemoryLoopsTest : public ::testing::Test {
  protected:
    MemoryLoopsTest() {
        rig.state.ImageData.resize(16384);
        std::iota(rig.state.ImageData.begin(), rig.state.ImageData.end(), std::uint8_t{0});
    }
    void firstForm(int start, int end, int imageIndex) {
        rig.state.StartAddress = static_cast<std::int16_t>(start);
        rig.state.EndAddress = static_cast<std::int16_t>(end);
        rig.state.ImageIndex = static_cast<std::int16_t>(imageIndex);
    }
    std::span<const std::uint8_t> image(int index, int count) {
        return std::span<const std::uint8_t>(rig.state.ImageData)
            .subspan(static_cast<std::size_t>(index), static_cast<std::size_t>(count));
    }

    ScriptedLink rig;
    MemoryLoops loops{rig.session};
};

TEST_F(MemoryLoopsTest, StartAboveEndSendsNothing) {
    rig.state.OperationFailed = 7;
    firstForm(8, 4, 0);
    loops.WriteMemoryRange();
    loops.VerifyMemoryRange();
    EXPECT_EQ(rig.state.OperationFailed, 7);  // the first form leaves it as it was
    rig.state.WriteBlockSize = 64;
    rig.state.ReadBlockSize = 16;
    loops.WriteMemoryBlocks();
    EXPECT_EQ(rig.state.OperationFailed, 0);  // the second form reports completion
    rig.state.OperationFailed = 7;
    loops.VerifyMemoryBlocks();
    EXPECT_EQ(rig.state.OperationFailed, 0);
    EXPECT_TRUE(rig.frames().empty());
}

TEST_F(MemoryLoopsTest, StartEqualToEndIsOneFrame) {
    firstForm(0x40, 0x40, 0x80);
    rig.peer.queue(kAccepted);
    loops.WriteMemoryRange();
    ASSERT_EQ(rig.frames().size(), 1u);
    EXPECT_EQ(rig.state.ImageIndex, 0x88);
    EXPECT_EQ(rig.state.ProgressValue, 1);
}

TEST_F(MemoryLoopsTest, UpperSectionIs256FramesFromIndex6144) {
    firstForm(0x0C00, 0x0FFC, 6144);
    for (int i = 0; i < 256; ++i)
        rig.peer.queue(kAccepted);
    loops.WriteMemoryRange();
    ASSERT_EQ(rig.frames().size(), 256u);
    EXPECT_EQ(rig.state.ImageIndex, 8192);
    EXPECT_EQ(rig.frames().front()[4], rig.state.ImageData[6144]);
    EXPECT_EQ(rig.frames().back()[11], rig.state.ImageData[8191]);
    EXPECT_EQ(rig.frames().back()[2], 0xFC);
    EXPECT_EQ(rig.frames().back()[3], 0x0F);
    EXPECT_EQ(rig.view.progressValue, 256);
}

TEST_F(MemoryLoopsTest, FiftyRefusalsFailWithIdenticalResends) {
    firstForm(0x10, 0x10, 0);
    for (int i = 0; i < 50; ++i)
        rig.peer.queue(kRefused);
    loops.WriteMemoryRange();
    EXPECT_EQ(rig.state.OperationFailed, -1);
    ASSERT_EQ(rig.frames().size(), 50u);
    for (const auto& frame : rig.frames()) {
        EXPECT_EQ(frame, rig.frames().front());
    }
    EXPECT_EQ(rig.state.ImageIndex, 8);  // moved once, for the one frame built
}

TEST_F(MemoryLoopsTest, FortyNineFailuresSpreadOverFramesPass) {
    firstForm(0, 36, 0);  // ten frames
    for (int frame = 0; frame < 10; ++frame) {
        for (int refusal = 0; refusal < (frame < 9 ? 5 : 4); ++refusal)
            rig.peer.queue(kRefused);
        rig.peer.queue(kAccepted);
    }
    loops.WriteMemoryRange();
    EXPECT_EQ(rig.state.OperationFailed, 0);
    EXPECT_EQ(rig.state.RetryCount, 1);
}

TEST_F(MemoryLoopsTest, TheFiftiethFailureFailsTheCallAfterEarlierFramesSucceeded) {
    firstForm(0, 4, 0);
    for (int i = 0; i < 49; ++i)
        rig.peer.queue(kRefused);
    rig.peer.queue(kAccepted);
    rig.peer.queue(kRefused);
    loops.WriteMemoryRange();
    EXPECT_EQ(rig.state.OperationFailed, -1);
    EXPECT_EQ(rig.frames().size(), 51u);
}

TEST_F(MemoryLoopsTest, BadChecksumIsRetriedAgainstTheSameBytes) {
    firstForm(0x20, 0x20, 0x40);
    auto reply = readReply(0x20, image(0x40, 8));
    auto wrong = reply;
    wrong[10] ^= 0xFF;
    rig.peer.queue(wrong);
    rig.peer.queue(reply);
    loops.VerifyMemoryRange();
    EXPECT_EQ(rig.state.OperationFailed, 0);
    EXPECT_EQ(rig.frames().size(), 2u);
    EXPECT_EQ(rig.state.ImageIndex, 0x48);
    EXPECT_EQ(rig.state.RetryCount, 49);
}

TEST_F(MemoryLoopsTest, TwoVerifyFailuresLeave48) {
    firstForm(0x20, 0x24, 0x40);
    auto good = readReply(0x20, image(0x40, 8));
    auto mismatched = good;
    mismatched[5] ^= 1;
    rig.peer.queue(mismatched);
    rig.peer.queue(bytesOf("XM12345678cx"));
    rig.peer.queue(good);
    rig.peer.queue(readReply(0x24, image(0x48, 8)));
    loops.VerifyMemoryRange();
    EXPECT_EQ(rig.state.RetryCount, 48);
    EXPECT_EQ(rig.state.OperationFailed, 0);
    EXPECT_EQ(rig.view.progressValue, 1 + 1);
}

TEST_F(MemoryLoopsTest, FirstFormCountsABadHeaderLikeAnyFailure) {
    firstForm(0x20, 0x20, 0x40);
    for (int i = 0; i < 50; ++i)
        rig.peer.queue(bytesOf("XM12345678cx"));
    loops.VerifyMemoryRange();
    EXPECT_EQ(rig.state.OperationFailed, -1);
}

struct BlockCase {
    const char* name;
    bool verify;
    std::vector<std::uint8_t> reply;  // repeated for every attempt; empty: silence
    std::int16_t outcome;
};

class BlockFailureTest : public MemoryLoopsTest, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(BlockFailureTest, SecondFormTellsRefusalFromLinkFailure) {
    rig.state.StartAddress = 0x0C00;
    rig.state.EndAddress = 0x0C00;
    rig.state.WriteBlockSize = 64;
    rig.state.ReadBlockSize = 16;
    rig.state.ImageSize = 4096;
    for (int i = 0; i < 50; ++i) {
        if (GetParam().reply.empty()) {
            rig.peer.queueSilence();
        } else {
            rig.peer.queue(GetParam().reply);
        }
    }
    GetParam().verify ? loops.VerifyMemoryBlocks() : loops.WriteMemoryBlocks();
    EXPECT_EQ(rig.state.OperationFailed, GetParam().outcome);
    EXPECT_EQ(rig.frames().size(), 50u);
}

std::vector<std::uint8_t> mismatchingBlockReply() {
    std::vector<std::uint8_t> data(16, 0xEE);
    return readReply(0x0C00, data);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, BlockFailureTest,
    ::testing::Values(BlockCase{"WriteRefused", false, {'W', 'M', 0}, -1},
                      BlockCase{"WriteSilent", false, {}, -2},
                      BlockCase{"ReadMismatch", true, mismatchingBlockReply(), -1},
                      BlockCase{"ReadBadHeader", true, bytesOf("QX0123456789abcdef01"), -2},
                      BlockCase{"ReadSilent", true, {}, -2}),
    [](const auto& info) { return info.param.name; });

TEST_F(MemoryLoopsTest, SecondFormProgressValues) {
    rig.state.StartAddress = 0x0C00;
    rig.state.EndAddress = 0x0C40;
    rig.state.WriteBlockSize = 64;
    rig.peer.queue(kAccepted);
    rig.peer.queue(kAccepted);
    loops.WriteMemoryBlocks();
    EXPECT_THAT(rig.view.progressValues, ::testing::ElementsAre(0, 64));
    EXPECT_EQ(rig.frames()[1].size(), 69u);
    EXPECT_EQ(rig.frames()[1][4], rig.state.ImageData[0x0C40]);

    rig.view.progressValues.clear();
    rig.state.ReadBlockSize = 16;
    rig.state.ImageSize = 4096;
    rig.state.EndAddress = 0x0C10;
    rig.peer.queue(readReply(0x0C00, image(0x0C00, 16)));
    rig.peer.queue(readReply(0x0C10, image(0x0C10, 16)));
    loops.VerifyMemoryBlocks();
    EXPECT_EQ(rig.state.OperationFailed, 0);
    EXPECT_THAT(rig.view.progressValues, ::testing::ElementsAre(5120, 5136));
}

TEST_F(MemoryLoopsTest, YieldsWhereTheLoopsLetTheWindowBreathe) {
    // Write: before each frame and after each failed attempt.
    firstForm(0, 4, 0);
    rig.peer.queue(kRefused);
    rig.peer.queue(kAccepted);
    rig.peer.queue(kAccepted);
    loops.WriteMemoryRange();
    EXPECT_EQ(rig.view.yields, 2 + 1);

    // Block read-back: before each attempt and after a verify failure, not after a link failure.
    rig.view.yields = 0;
    rig.state.StartAddress = 0x0C00;
    rig.state.EndAddress = 0x0C00;
    rig.state.ReadBlockSize = 16;
    rig.state.ImageSize = 4096;
    rig.peer.queue(bytesOf("QX"));                         // link failure: 1 yield
    rig.peer.queue(mismatchingBlockReply());               // verify failure: 2 yields
    rig.peer.queue(readReply(0x0C00, image(0x0C00, 16)));  // 1 yield
    loops.VerifyMemoryBlocks();
    EXPECT_EQ(rig.state.OperationFailed, 0);
    EXPECT_EQ(rig.view.yields, 4);
}

}  // namespace
}  // namespace halvenmark
