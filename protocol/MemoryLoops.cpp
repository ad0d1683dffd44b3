#include "protocol/MemoryLoops.h"

#include <cassert>

#include "protocol/Frames.h"

namespace halvenmark {

using frames::kFirstFormAddressStep;
using frames::kFirstFormDataBytes;

bool MemoryLoops::spendAttempt() {
    --s_.state.RetryCount;
    return s_.state.RetryCount == 0;
}

std::span<const std::uint8_t> MemoryLoops::imageBytes(int index, int count) const {
    const auto& image = s_.state.ImageData;
    // The routes' ranges lie inside their images; anything else is a fault of the tables.
    assert(index >= 0 &&
           static_cast<std::size_t>(index) + static_cast<std::size_t>(count) <= image.size());
    return std::span<const std::uint8_t>(image).subspan(static_cast<std::size_t>(index),
                                                        static_cast<std::size_t>(count));
}

void MemoryLoops::advanceFirstFormProgress() {
    ++s_.state.ProgressValue;
    s_.view.setProgressValue(s_.state.ProgressValue);
}

void MemoryLoops::WriteMemoryRange() {
    LinkState& st = s_.state;
    const std::int32_t limit = st.EndAddress;
    st.RetryCount = kRetryBudget;
    for (st.CurrentAddress = st.StartAddress; st.CurrentAddress <= limit;
         st.CurrentAddress += kFirstFormAddressStep) {
        s_.view.yieldToEventLoop();
        frames::putWriteMemory(st, st.CurrentAddress,
                               imageBytes(st.ImageIndex, kFirstFormDataBytes));
        st.ImageIndex = static_cast<std::int16_t>(st.ImageIndex + kFirstFormDataBytes);
        // A refused or lost frame is sent again byte for byte; the frame is not rebuilt.
        while (
            !(frames::exchange(st, s_.link, frames::kWriteAckBytes) && frames::writeAccepted(st))) {
            s_.view.yieldToEventLoop();
            if (spendAttempt()) {
                st.OperationFailed = -1;
                return;
            }
        }
        advanceFirstFormProgress();
    }
}

void MemoryLoops::VerifyMemoryRange() {
    LinkState& st = s_.state;
    const std::int32_t limit = st.EndAddress;
    st.RetryCount = kRetryBudget;
    for (st.CurrentAddress = st.StartAddress; st.CurrentAddress <= limit;
         st.CurrentAddress += kFirstFormAddressStep) {
        const auto expected = imageBytes(st.ImageIndex, kFirstFormDataBytes);
        for (;;) {
            s_.view.yieldToEventLoop();
            frames::putReadMemory(st, st.CurrentAddress);
            const bool accepted =
                frames::exchange(st, s_.link, frames::readReplyBytes(kFirstFormDataBytes)) &&
                frames::hasReadHeader(st) && frames::readDataMatches(st, expected) &&
                frames::readChecksumMatches(st, kFirstFormDataBytes);
            if (accepted) {
                break;
            }
            if (spendAttempt()) {
                st.OperationFailed = -1;
                return;
            }
        }
        st.ImageIndex = static_cast<std::int16_t>(st.ImageIndex + kFirstFormDataBytes);
        advanceFirstFormProgress();
    }
}

namespace {

bool blockLoopGoesOn(std::int32_t address, std::int32_t limit, std::int32_t step) {
    return step > 0 ? address <= limit : address >= limit;
}

}  // namespace

void MemoryLoops::WriteMemoryBlocks() {
    LinkState& st = s_.state;
    const std::int32_t limit = st.EndAddress;
    const std::int32_t step = st.WriteBlockSize;
    st.RetryCount = kRetryBudget;
    for (st.CurrentAddress = st.StartAddress; blockLoopGoesOn(st.CurrentAddress, limit, step);
         st.CurrentAddress += step) {
        s_.view.setProgressValue(st.CurrentAddress - st.StartAddress);
        s_.view.yieldToEventLoop();
        frames::putWriteMemory(st, st.CurrentAddress, imageBytes(st.CurrentAddress, step));
        for (;;) {
            const bool linkGood = frames::exchange(st, s_.link, frames::kWriteAckBytes);
            if (linkGood && frames::writeAccepted(st)) {
                break;
            }
            s_.view.yieldToEventLoop();
            if (spendAttempt()) {
                st.OperationFailed = linkGood ? -1 : -2;
                return;
            }
        }
    }
    st.OperationFailed = 0;
}

void MemoryLoops::VerifyMemoryBlocks() {
    LinkState& st = s_.state;
    const std::int32_t limit = st.EndAddress;
    const std::int32_t step = st.ReadBlockSize;
    st.RetryCount = kRetryBudget;
    for (st.CurrentAddress = st.StartAddress; blockLoopGoesOn(st.CurrentAddress, limit, step);
         st.CurrentAddress += step) {
        // The read-back continues the bar where the write phase of the same span ended.
        s_.view.setProgressValue((2 * st.ImageSize - st.StartAddress) +
                                 (st.CurrentAddress - st.StartAddress));
        const auto expected = imageBytes(st.CurrentAddress, step);
        for (;;) {
            s_.view.yieldToEventLoop();
            frames::putReadMemory(st, st.CurrentAddress);
            if (!frames::exchange(st, s_.link, frames::readReplyBytes(step)) ||
                !frames::hasReadHeader(st)) {
                if (spendAttempt()) {
                    st.OperationFailed = -2;
                    return;
                }
                continue;
            }
            if (frames::readDataMatches(st, expected) && frames::readChecksumMatches(st, step)) {
                break;
            }
            s_.view.yieldToEventLoop();
            if (spendAttempt()) {
                st.OperationFailed = -1;
                return;
            }
        }
    }
    st.OperationFailed = 0;
}

}  // namespace halvenmark
