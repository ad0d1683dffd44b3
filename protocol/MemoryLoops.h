#pragma once

#include "protocol/LinkSession.h"

namespace halvenmark {

// The four loops that write an address range of ImageData into the device and read it back.
// They take their parameters from LinkState and answer through OperationFailed; each call has
// a budget of 50 failed attempts, spent anywhere in the range and never refilled.
//
// First form (WriteMemoryRange, VerifyMemoryRange): 8 bytes per frame, word addresses stepping
// by 4, ImageIndex running through ImageData. Failure is -1; success leaves OperationFailed as
// it was.
// Second form (WriteMemoryBlocks, VerifyMemoryBlocks): WriteBlockSize / ReadBlockSize bytes per
// frame, byte addresses, the address is the image index. -1 refused or mismatched, -2 link
// failure, 0 complete.
class MemoryLoops {
  public:
    static constexpr std::int32_t kRetryBudget = 50;

    explicit MemoryLoops(const LinkSession& session) : s_(session) {}

    void WriteMemoryRange();
    void VerifyMemoryRange();
    void WriteMemoryBlocks();
    void VerifyMemoryBlocks();

  private:
    // Takes one failed attempt off the budget; true when the budget is spent.
    bool spendAttempt();
    std::span<const std::uint8_t> imageBytes(int index, int count) const;
    void advanceFirstFormProgress();

    const LinkSession& s_;
};

}  // namespace halvenmark
