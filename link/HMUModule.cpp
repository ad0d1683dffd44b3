#include "link/HMUModule.h"

#include <algorithm>

#include "link/AdapterSettings.h"

namespace halvenmark {

using namespace adapter;

void HMUModule::OpenAdapter() {
    const AdapterModel* opened = nullptr;
    for (const AdapterModel& model : kModels) {
        state_.AdapterDescription = std::string(model.description) + '\0';
        state_.LinkStatus = driver_.OpenEx(state_.AdapterDescription.c_str(),
                                           ft::kOpenByDescription, &state_.AdapterHandle);
        if (state_.LinkStatus == ft::kOk) {
            opened = &model;
            break;
        }
    }
    if (opened == nullptr) {
        state_.AdapterKind = kNoAdapter;
        return;
    }
    state_.AdapterKind = opened->kind;

    if (!configure()) {
        // The failing call's status is what start-up must see: CloseAdapter overwrites
        // LinkStatus with its own bit-mode status, which is usually 0 and would pass for
        // an adapter that is open.
        const std::uint32_t failure = state_.LinkStatus;
        CloseAdapter();
        state_.AdapterHandle = nullptr;
        state_.LinkStatus = failure;
        return;
    }
    state_.LinkStatus = ft::kOk;
}

// Runs the configuration sequence of the opened adapter. On a failing step it returns false
// with that step's status in LinkStatus (also for the steps whose status is otherwise not kept).
bool HMUModule::configure() {
    FtHandle h = state_.AdapterHandle;
    auto stored = [this](FtStatus status) {
        state_.LinkStatus = status;
        return status == ft::kOk;
    };
    auto checked = [this](FtStatus status) {
        if (status != ft::kOk) {
            state_.LinkStatus = status;
        }
        return status == ft::kOk;
    };

    if (state_.AdapterKind == kSerialLink) {
        if (!stored(driver_.SetBaudRate(h, kSerialLinkBaud)))
            return false;
        if (!checked(driver_.SetFlowControl(h, ft::kFlowNone, 0, 0)))
            return false;
    } else {
        if (!stored(driver_.SetBitMode(h, kCbus2High, ft::kBitModeCbusBitBang)))
            return false;
        if (!stored(driver_.SetBaudRate(h, kProgrammerBaud)))
            return false;
        if (!checked(driver_.SetFlowControl(h, ft::kFlowRtsCts, 0, 0)))
            return false;
    }

    state_.LatencyTimer = kLatencyTimerMs;
    if (!stored(driver_.SetLatencyTimer(h, static_cast<std::uint8_t>(state_.LatencyTimer)))) {
        return false;
    }
    // Stored but not tested: some adapters refuse the transfer sizes and work all the same.
    state_.LinkStatus = driver_.SetUSBParameters(h, kUsbInTransferSize, kUsbOutTransferSize);
    if (!checked(driver_.SetDataCharacteristics(h, ft::kBits8, ft::kStopBits1, ft::kParityNone))) {
        return false;
    }
    if (!checked(driver_.SetChars(h, 0, 0, 0, 0)))
        return false;
    if (!checked(driver_.SetTimeouts(h, kFirstPauseReadTimeoutMs, kWriteTimeoutMs)))
        return false;

    // First pause: lasts until a read brings nothing, and discards what the adapter delivered.
    state_.BytesToRead = kFirstPauseBytes;
    ReceiveFrame();

    if (!stored(driver_.SetBitMode(h, kCbus2Low, ft::kBitModeCbusBitBang)))
        return false;
    if (!checked(driver_.SetTimeouts(h, kReadTimeoutMs, kWriteTimeoutMs)))
        return false;

    // Second pause, after the pin change.
    state_.BytesToRead = kSecondPauseBytes;
    ReceiveFrame();
    return true;
}

void HMUModule::CloseAdapter() {
    if (state_.AdapterHandle == nullptr) {
        return;
    }
    state_.LinkStatus =
        driver_.SetBitMode(state_.AdapterHandle, kCbus2High, ft::kBitModeCbusBitBang);
    driver_.Close(state_.AdapterHandle);
}

void HMUModule::SendFrame() {
    state_.BytesWritten = 0;
    const auto count = static_cast<std::uint32_t>(
        std::clamp<std::int32_t>(state_.BytesToWrite, 0, FrameBuffer::kSize));
    state_.LinkStatus =
        driver_.Write(state_.AdapterHandle, state_.TxBuffer.data(), count, &state_.BytesWritten);
    // The Serial Link returns every byte written; take that echo off before the caller reads
    // the device's answer. A write that already failed stays failed: stale bytes in the
    // adapter must not make it look echoed.
    if (state_.AdapterKind == kSerialLink && state_.LinkStatus == ft::kOk) {
        state_.BytesToRead = state_.BytesToWrite;
        ReceiveFrame();
    }
}

void HMUModule::ReceiveFrame() {
    state_.ReadTimedOut = kFalse;
    state_.ReadFailed = kFalse;
    state_.BytesReceived = 0;
    state_.RxBuffer.fill(FrameBuffer::kPadByte);

    const std::int32_t wanted = std::clamp<std::int32_t>(state_.BytesToRead, 0, FrameBuffer::kSize);
    do {
        // A reply split over several reads is assembled in order: each read asks only for the
        // bytes still missing and places them behind those already received.
        const std::int32_t missing = wanted - state_.BytesReceived;
        std::uint32_t returned = 0;
        state_.BytesReturned = 0;
        state_.LinkStatus =
            driver_.Read(state_.AdapterHandle, state_.RxBuffer.data() + state_.BytesReceived,
                         static_cast<std::uint32_t>(missing), &returned);
        state_.BytesReturned = static_cast<std::int32_t>(
            std::min<std::uint32_t>(returned, static_cast<std::uint32_t>(missing)));
        if (state_.LinkStatus == ft::kOk || state_.LinkStatus == ft::kIoError) {
            if (state_.BytesReturned > 0) {
                state_.BytesReceived += state_.BytesReturned;
            } else {
                state_.LinkStatus = kIncompleteRead;
                state_.ReadTimedOut = kTrue;
            }
        } else {
            state_.LinkStatus = kIncompleteRead;
            state_.ReadFailed = kTrue;
        }
    } while (state_.BytesReceived != wanted && state_.ReadTimedOut == kFalse &&
             state_.ReadFailed == kFalse);
    if (wanted != state_.BytesToRead && state_.LinkStatus == ft::kOk) {
        state_.LinkStatus = kIncompleteRead;  // more than the buffer holds was asked for
    }
}

void HMUModule::PurgeAdapter() {
    state_.LinkStatus = driver_.Purge(state_.AdapterHandle, ft::kPurgeBoth);
}

}  // namespace halvenmark
