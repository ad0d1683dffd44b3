#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

namespace halvenmark::sim {

// What answers one frame on the far side of the simulated adapter's serial line.
struct PeerReply {
    std::vector<std::uint8_t> bytes;              // empty: no answer at all
    std::chrono::microseconds processingTime{0};  // the device's time before it answers
};

class SerialPeer {
  public:
    virtual ~SerialPeer() = default;

    // Called with the bytes of one write to the adapter.
    virtual PeerReply onFrame(std::span<const std::uint8_t> frame) = 0;
};

}  // namespace halvenmark::sim
