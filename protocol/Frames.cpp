#include "protocol/Frames.h"

namespace halvenmark::frames {

void putWriteMemory(LinkState& state, int address, std::span<const std::uint8_t> data) {
    const AddressBytes bytes = addressBytes(address);
    FrameBuffer& tx = state.TxBuffer;
    tx.at(1) = 'W';
    tx.at(2) = 'M';
    tx.at(3) = bytes.low;
    tx.at(4) = bytes.high;
    state.FrameChecksum = checksumSeed(address);
    int position = kWriteHeaderBytes + 1;
    for (std::uint8_t value : data) {
        tx.at(position++) = value;
        state.FrameChecksum ^= value;
    }
    tx.at(position) = state.FrameChecksum;
    state.BytesToWrite = writeFrameBytes(static_cast<int>(data.size()));
}

void putReadMemory(LinkState& state, int address) {
    const AddressBytes bytes = addressBytes(address);
    FrameBuffer& tx = state.TxBuffer;
    tx.at(1) = 'R';
    tx.at(2) = 'M';
    tx.at(3) = bytes.low;
    tx.at(4) = bytes.high;
    state.BytesToWrite = kReadFrameBytes;
    state.FrameChecksum = checksumSeed(address);
}

bool writeAccepted(const LinkState& state) {
    return state.RxBuffer.at(kWriteAckPosition) == kWriteAccepted;
}

bool hasReadHeader(const LinkState& state) {
    return state.RxBuffer.startsWith("RM");
}

bool readDataMatches(LinkState& state, std::span<const std::uint8_t> expected) {
    int position = kFirstDataPosition;
    for (std::uint8_t value : expected) {
        if (state.RxBuffer.at(position++) != value) {
            return false;
        }
        state.FrameChecksum ^= value;
    }
    return true;
}

bool readChecksumMatches(const LinkState& state, int dataBytes) {
    return state.RxBuffer.at(readChecksumPosition(dataBytes)) == state.FrameChecksum;
}

bool replyChecksumValid(LinkState& state, int dataBytes) {
    for (int i = 0; i < dataBytes; ++i) {
        state.FrameChecksum ^= state.RxBuffer.at(kFirstDataPosition + i);
    }
    return readChecksumMatches(state, dataBytes);
}

void putAddressedEx(LinkState& state, int address) {
    const AddressBytes bytes = addressBytes(address);
    state.TxBuffer.at(1) = 'E';
    state.TxBuffer.at(2) = 'X';
    state.TxBuffer.at(3) = bytes.low;
    state.TxBuffer.at(4) = bytes.high;
    state.BytesToWrite = 4;
}

bool exchange(LinkState& state, HMUModule& link, int replyBytes) {
    link.SendFrame();
    if (state.LinkStatus != ft::kOk) {
        return false;
    }
    state.BytesToRead = replyBytes;
    link.ReceiveFrame();
    return state.LinkStatus == ft::kOk;
}

bool controlExchange(LinkState& state, HMUModule& link, const ControlFrame& frame) {
    state.TxBuffer.assign(frame.command);
    state.BytesToWrite = static_cast<std::int32_t>(frame.command.size());
    return exchange(state, link, frame.replyBytes) &&
           state.RxBuffer.startsWith(frame.expectedReply);
}

bool addressedExExchange(LinkState& state, HMUModule& link, int address) {
    putAddressedEx(state, address);
    return exchange(state, link, kShortEx.replyBytes) &&
           state.RxBuffer.startsWith(kShortEx.expectedReply);
}

}  // namespace halvenmark::frames
