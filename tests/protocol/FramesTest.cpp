#include "protocol/Frames.h"

#include <gtest/gtest.h>

#include "flash/ProbePatterns.h"

namespace halvenmark {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<std::uint8_t> sent(const LinkState& state) {
    const auto bytes = state.TxBuffer.first(state.BytesToWrite);
    return {bytes.begin(), bytes.end()};
}

TEST(FramesTest, WorkedExampleWriteFrame) {
    LinkState state;
    const std::uint8_t zeros[8] = {};
    frames::putWriteMemory(state, 0x0123, zeros);
    EXPECT_EQ(sent(state), (Bytes{0x57, 0x4D, 0x23, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0x2A}));
}

TEST(FramesTest, ChecksumStartsWithEightWhateverTheBlockSize) {
    EXPECT_EQ(frames::checksumSeed(0x0C00), 0x04);
    LinkState state;
    const std::vector<std::uint8_t> block(64, 0);
    frames::putWriteMemory(state, 0x0C00, block);
    EXPECT_EQ(state.BytesToWrite, 69);
    EXPECT_EQ(state.TxBuffer.at(69), 0x04);
}

TEST(FramesTest, AddressesGoLowByteFirst) {
    EXPECT_EQ(frames::addressBytes(0x3A00).low, 0x00);
    EXPECT_EQ(frames::addressBytes(0x3A00).high, 0x3A);
    LinkState state;
    frames::putReadMemory(state, 0x1FF0);
    EXPECT_EQ(sent(state), (Bytes{'R', 'M', 0xF0, 0x1F}));
}

TEST(FramesTest, AddressedExFrames) {
    LinkState state;
    frames::putAddressedEx(state, 0x3A00);
    EXPECT_EQ(sent(state), (Bytes{0x45, 0x58, 0x00, 0x3A}));
    frames::putAddressedEx(state, 0x0150);
    EXPECT_EQ(sent(state), (Bytes{0x45, 0x58, 0x50, 0x01}));
}

TEST(FramesTest, ProbeWriteFramesByteForByte) {
    LinkState state;
    frames::putWriteMemory(state, kProbeAddress, ProbePatternA);
    EXPECT_EQ(sent(state), (Bytes{0x57, 0x4D, 0xFC, 0x0F, 0x1C, 0xBB, 0xF0, 0xC7, 0xF1, 0xC1, 0xA5,
                                  0xB5, 0x4B}));
    frames::putWriteMemory(state, kProbeAddress, ProbePatternB);
    EXPECT_EQ(sent(state), (Bytes{0x57, 0x4D, 0xFC, 0x0F, 0x1C, 0xBB, 0xF0, 0xCF, 0xF1, 0xC1, 0xE5,
                                  0xB1, 0x07}));
}

}  // namespace
}  // namespace halvenmark
