#pragma once

#include <cstdint>
#include <span>

namespace halvenmark {

// Sees every transfer at the driver boundary, in order (the bench's trace).
class TransferObserver {
  public:
    virtual ~TransferObserver() = default;
    virtual void onWrite(std::span<const std::uint8_t> bytes) = 0;
    virtual void onRead(std::span<const std::uint8_t> bytes) = 0;  // empty: the read timed out
    virtual void onPurge() = 0;
};

}  // namespace halvenmark
