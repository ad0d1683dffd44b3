#pragma once

#include <chrono>
#include <cstdint>
#include <utility>
#include <vector>

#include "sim/FaultPlan.h"
#include "sim/SerialPeer.h"

namespace halvenmark::sim {

// What the simulated device reports about itself.
struct DeviceConfig {
    std::uint8_t identityCode = 0x0C;  // as read, bit 6 included
    std::uint8_t version = 0x23;
    std::uint8_t cpu = 15;
    std::uint8_t rfFirst = 0x20;
    std::uint8_t rfSecond = 0x18;
    std::uint8_t memoryEndVersion =
        0x00;  // unscrambled, positions 17 and 18 of the memory-end read
    std::uint8_t memoryEndCheck = 0x0E;
    std::uint32_t seed = 1;                        // initial memory
    std::chrono::microseconds programmingTime{0};  // per accepted write frame
};

// How the loader addresses its memory: 16-bit words with 8-byte read replies, or bytes with
// 16-byte read replies. It follows from the programming route of the device's catalogue row.
enum class MemoryForm { Words, Bytes };

// The device's loader behind the simulated adapter: program memory initialised from a seed,
// the identity block and memory-end version stored scrambled where identification reads
// them, the memory and control frames, and the faults of a FaultPlan.
class DeviceLoader : public SerialPeer {
  public:
    explicit DeviceLoader(const DeviceConfig& config, FaultPlan* faults = nullptr);

    PeerReply onFrame(std::span<const std::uint8_t> frame) override;

    const DeviceConfig& config() const { return config_; }
    const std::vector<std::uint8_t>& memory() const { return memory_; }
    const std::vector<std::uint8_t>& initialMemory() const { return initial_; }
    // Byte offsets covered by accepted write frames, as inclusive runs in ascending order.
    std::vector<std::pair<int, int>> writtenRuns() const;
    bool wasWritten(std::size_t offset) const { return written_[offset]; }

    // The memory form and size a device of this identity code has.
    static MemoryForm formFor(std::uint8_t identityCode);
    static std::size_t memoryBytesFor(std::uint8_t identityCode);
    // Byte offset of a frame address.
    std::size_t offsetOf(int address) const;

  private:
    PeerReply writeMemory(std::span<const std::uint8_t> frame);
    PeerReply readMemory(std::span<const std::uint8_t> frame);
    PeerReply control(std::span<const std::uint8_t> frame);

    DeviceConfig config_;
    FaultPlan* faults_;
    MemoryForm form_;
    std::vector<std::uint8_t> memory_;
    std::vector<std::uint8_t> initial_;
    std::vector<bool> written_;
};

}  // namespace halvenmark::sim
