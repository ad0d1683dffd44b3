#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "link/HMUModule.h"
#include "link/LinkState.h"

// The frames spoken with the device's loader, built and checked here and nowhere else.
//
// Memory frames (addresses low byte first):
//   write  "WM" lo hi d1..dn cks    answered by 3 bytes; byte 3 == 1 means accepted
//   read   "RM" lo hi               answered by "RM" d1..dm cks trailer
// The checksum is lo XOR hi XOR 8 XOR every data byte; the 8 is the same whatever the number
// of data bytes. First-form frames carry 8 bytes and count 16-bit words; second-form frames
// carry a block and count bytes.
//
// Control frames (no checksum, never retried):
//   wake "VNR" -> "VNR";  short EX "EX" -> "EX";  addressed EX "EX" lo hi -> "EX";
//   info "IF" -> 6 bytes, of which bytes 3 and 4 carry the loader's RF firmware pair.
namespace halvenmark::frames {

constexpr std::uint8_t kChecksumConstant = 8;
constexpr int kFirstFormDataBytes = 8;
constexpr int kFirstFormAddressStep = 4;  // words per 8-byte frame
constexpr int kWriteHeaderBytes = 4;      // "WM" lo hi
constexpr int kReadFrameBytes = 4;        // "RM" lo hi
constexpr int kWriteAckBytes = 3;
constexpr int kWriteAckPosition = 3;
constexpr std::uint8_t kWriteAccepted = 1;
constexpr int kFirstDataPosition = 3;  // in a read reply

constexpr int writeFrameBytes(int dataBytes) {
    return dataBytes + 5;
}
constexpr int readReplyBytes(int dataBytes) {
    return dataBytes + 4;
}
constexpr int readChecksumPosition(int dataBytes) {
    return dataBytes + 3;
}

struct AddressBytes {
    std::uint8_t low;
    std::uint8_t high;
};

constexpr AddressBytes addressBytes(int address) {
    return {static_cast<std::uint8_t>(address - (address / 256) * 256),
            static_cast<std::uint8_t>(address / 256)};
}

// Where every frame checksum starts: low XOR high XOR 8.
constexpr std::uint8_t checksumSeed(int address) {
    const AddressBytes bytes = addressBytes(address);
    return static_cast<std::uint8_t>(bytes.low ^ bytes.high ^ kChecksumConstant);
}

// Puts a write-memory frame for `data` at `address` into TxBuffer and sets BytesToWrite;
// the checksum is left in FrameChecksum too.
void putWriteMemory(LinkState& state, int address, std::span<const std::uint8_t> data);

// Puts a read-memory frame into TxBuffer, sets BytesToWrite and seeds FrameChecksum.
void putReadMemory(LinkState& state, int address);

bool writeAccepted(const LinkState& state);
bool hasReadHeader(const LinkState& state);

// Compares the reply's data bytes with `expected` in order, XORing each matching byte into
// FrameChecksum; false at the first difference.
bool readDataMatches(LinkState& state, std::span<const std::uint8_t> expected);
// The checksum byte behind `dataBytes` data bytes equals FrameChecksum.
bool readChecksumMatches(const LinkState& state, int dataBytes);
// XORs the reply's `dataBytes` data bytes, whatever they are, into FrameChecksum and compares
// the result with the reply's checksum byte.
bool replyChecksumValid(LinkState& state, int dataBytes);

// A control frame: what is sent, how long the answer is and what it must begin with.
struct ControlFrame {
    std::string_view command;
    int replyBytes;
    std::string_view expectedReply;  // empty: nothing is compared
};

constexpr ControlFrame kWake{"VNR", 3, "VNR"};
constexpr ControlFrame kShortEx{"EX", 2, "EX"};
constexpr ControlFrame kInfo{"IF", 6, ""};
constexpr int kAddressedExBytes = 4;
constexpr int kInfoFirstRfPosition = 3;
constexpr int kInfoSecondRfPosition = 4;

// Puts the addressed EX frame "EX" lo hi into TxBuffer.
void putAddressedEx(LinkState& state, int address);

// Sends TxBuffer and collects `replyBytes`; true when both steps left LinkStatus 0.
bool exchange(LinkState& state, HMUModule& link, int replyBytes);

// Sends a control frame and checks its answer.
bool controlExchange(LinkState& state, HMUModule& link, const ControlFrame& frame);

// Sends the addressed EX frame and checks that the answer begins with "EX".
bool addressedExExchange(LinkState& state, HMUModule& link, int address);

}  // namespace halvenmark::frames
