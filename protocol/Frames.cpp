#include "protocol/Frames.h"

namespace halvenmark::frames {

namespace {

// Two command letters and an address, low byte first: the first four bytes of "WM", "RM" and
// the addressed "EX" frame.
void putCommandAndAddress(FrameBuffer& tx, std::string_view command, int address) {
    const AddressBytes bytes = addressBytes(address);
    tx.at(1) = static_cast<std::uint8_t>(command[0]);
    tx.at(2) = static_cast<std::uint8_t>(command[1]);
    tx.at(3) = bytes.low;
    tx.at(4) = bytes.high;
}

}  // namespace

void putWriteMemory(LinkState& state, int address, std::span<const std::uint8_t> data) {
    FrameBuffer& tx = state.TxBuffer;
    putCommandAndAddress(tx, "WM", address);
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
    putCommandAndAddress(state.TxBuffer, "RM", address);
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
    putCommandAndAddress(state.TxBuffer, kShortEx.command, address);
    state.BytesToWrite = kAddressedExBytes;
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
