#include "link/FrameBuffer.h"

#include <gtest/gtest.h>

#include "link/LinkState.h"

namespace halvenmark {
namespace {

TEST(FrameBufferTest, StartsAsZeroBytesInAFreshLinkState) {
    LinkState state;
    for (int position = 1; position <= FrameBuffer::kSize; ++position) {
        ASSERT_EQ(state.TxBuffer.at(position), 0);
        ASSERT_EQ(state.RxBuffer.at(position), 0);
    }
    EXPECT_EQ(state.AdapterHandle, nullptr);
    EXPECT_EQ(state.OperationFailed, 0);
}

TEST(FrameBufferTest, AssigningAShorterStringPadsWithSpacesFromPositionOne) {
    FrameBuffer buffer;
    buffer.fill(0x00);
    buffer.assign("RM");
    EXPECT_EQ(buffer.at(1), 'R');
    EXPECT_EQ(buffer.at(2), 'M');
    for (int position = 3; position <= FrameBuffer::kSize; ++position) {
        ASSERT_EQ(buffer.at(position), 0x20) << position;
    }
}

TEST(FrameBufferTest, SettingOnePositionLeavesTheOthers) {
    FrameBuffer buffer;
    buffer.assign("VNR");
    buffer.at(2) = 0xFF;
    EXPECT_EQ(buffer.at(1), 'V');
    EXPECT_EQ(buffer.at(2), 0xFF);
    EXPECT_EQ(buffer.at(3), 'R');
    EXPECT_EQ(buffer.at(4), 0x20);
}

TEST(FrameBufferTest, StartsWithComparesExactlyAndCaseSensitively) {
    FrameBuffer buffer;
    buffer.assign("EXtra");
    EXPECT_TRUE(buffer.startsWith("EX"));
    EXPECT_FALSE(buffer.startsWith("ex"));
    EXPECT_FALSE(buffer.startsWith("EXT"));
}

}  // namespace
}  // namespace halvenmark
