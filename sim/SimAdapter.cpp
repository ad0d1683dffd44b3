#include "sim/SimAdapter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace halvenmark::sim {

namespace {

constexpr const char* kSerialLinkDescription = "Halvenmark Serial Link";
constexpr std::int64_t kBitsPerByte = 10;  // start bit, 8 data bits, stop bit

std::string hex(unsigned value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", width, value);
    return text;
}

}  // namespace

const char* functionName(FtFunction function) {
    switch (function) {
        case FtFunction::OpenEx:
            return "FT_OpenEx";
        case FtFunction::Close:
            return "FT_Close";
        case FtFunction::Read:
            return "FT_Read";
        case FtFunction::Write:
            return "FT_Write";
        case FtFunction::Purge:
            return "FT_Purge";
        case FtFunction::SetBaudRate:
            return "FT_SetBaudRate";
        case FtFunction::SetBitMode:
            return "FT_SetBitMode";
        case FtFunction::SetFlowControl:
            return "FT_SetFlowControl";
        case FtFunction::SetLatencyTimer:
            return "FT_SetLatencyTimer";
        case FtFunction::SetUSBParameters:
            return "FT_SetUSBParameters";
        case FtFunction::SetDataCharacteristics:
            return "FT_SetDataCharacteristics";
        case FtFunction::SetChars:
            return "FT_SetChars";
        case FtFunction::SetTimeouts:
            return "FT_SetTimeouts";
    }
    return "FT_?";
}

void SimAdapter::injectStatus(FtFunction function, FtStatus status, int times) {
    for (int i = 0; i < times; ++i) {
        injected_[function].push_back(status);
    }
}

template <typename Describe>
FtStatus SimAdapter::begin(FtFunction function, FtHandle handle, Describe describeArguments) {
    if (now_ > timeLimit_) {
        throw SimulatedHang{};
    }
    if (logCalls_) {
        calls_.push_back(std::string(functionName(function)) + "(" + describeArguments() + ")");
    }
    auto found = injected_.find(function);
    if (found != injected_.end() && !found->second.empty()) {
        const FtStatus status = found->second.front();
        found->second.pop_front();
        return status;
    }
    if (function != FtFunction::OpenEx && (!open_ || handle != static_cast<FtHandle>(this))) {
        return ft::kInvalidHandle;
    }
    return ft::kOk;
}

SimAdapter::SimAdapter()
    : line_(
          [this](std::size_t count) {
              const std::int64_t bits = static_cast<std::int64_t>(count) * kBitsPerByte;
              return Nanoseconds(bits * 1'000'000'000 / std::max<std::uint32_t>(baudRate_, 1));
          },
          false) {}

FtStatus SimAdapter::OpenEx(const char* description, std::uint32_t flags, FtHandle* handle) {
    const std::string wanted = description != nullptr ? description : "";
    const FtStatus status =
        begin(FtFunction::OpenEx, nullptr, [&] { return wanted + ", " + std::to_string(flags); });
    if (status != ft::kOk) {
        return status;
    }
    if (open_ || flags != ft::kOpenByDescription || attached_.count(wanted) == 0) {
        return ft::kDeviceNotFound;
    }
    open_ = true;
    openDescription_ = wanted;
    line_.setEchoes(wanted == kSerialLinkDescription);  // the one-wire line of the Serial Link
    *handle = static_cast<FtHandle>(this);
    return ft::kOk;
}

FtStatus SimAdapter::Close(FtHandle handle) {
    const FtStatus status = begin(FtFunction::Close, handle, [&] { return std::string(); });
    if (status != ft::kOk) {
        return status;
    }
    open_ = false;
    rx_.clear();
    return ft::kOk;
}

FtStatus SimAdapter::Write(FtHandle handle, const void* buffer, std::uint32_t bytesToWrite,
                           std::uint32_t* bytesWritten) {
    const FtStatus status =
        begin(FtFunction::Write, handle, [&] { return std::to_string(bytesToWrite); });
    if (status != ft::kOk) {
        return status;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    std::vector<std::uint8_t> frame(bytes, bytes + bytesToWrite);
    *bytesWritten = bytesToWrite;
    ++framesSent_;
    for (const SerialLine::Burst& burst : line_.send(frame, now_, true)) {
        // Bytes reach the host when the adapter's latency timer runs out after the last of them.
        const Nanoseconds readyAt = burst.lastIn + std::chrono::milliseconds(latencyMs_);
        for (const std::uint8_t value : burst.bytes) {
            rx_.push_back({value, readyAt});
        }
    }
    if (logCalls_) {
        writes_.push_back(std::move(frame));
    }
    return ft::kOk;
}

FtStatus SimAdapter::Read(FtHandle handle, void* buffer, std::uint32_t bytesToRead,
                          std::uint32_t* bytesReturned) {
    *bytesReturned = 0;
    const FtStatus status =
        begin(FtFunction::Read, handle, [&] { return std::to_string(bytesToRead); });
    if (status != ft::kOk && status != ft::kIoError) {
        return status;
    }
    const Nanoseconds deadline = now_ + std::chrono::milliseconds(readTimeoutMs_);
    std::size_t count = 0;
    while (count < bytesToRead && count < rx_.size() && rx_[count].readyAt <= deadline) {
        ++count;
    }
    // The driver returns as soon as it has every byte asked for; otherwise it waits out the read
    // time-out and returns what has come by then.
    now_ = count == bytesToRead && count > 0 ? std::max(now_, rx_[count - 1].readyAt) : deadline;

    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = rx_.front().value;
        rx_.pop_front();
    }
    *bytesReturned = static_cast<std::uint32_t>(count);
    return status;
}

FtStatus SimAdapter::Purge(FtHandle handle, std::uint32_t mask) {
    const FtStatus status = begin(FtFunction::Purge, handle, [&] { return std::to_string(mask); });
    if (status != ft::kOk) {
        return status;
    }
    if (lineFaults_ != nullptr && lineFaults_->purgeFails()) {
        return ft::kIoError;
    }
    if ((mask & ft::kPurgeRx) != 0) {
        rx_.clear();
    }
    return ft::kOk;
}

FtStatus SimAdapter::SetBaudRate(FtHandle handle, std::uint32_t baudRate) {
    const FtStatus status =
        begin(FtFunction::SetBaudRate, handle, [&] { return std::to_string(baudRate); });
    if (status == ft::kOk) {
        baudRate_ = baudRate;
    }
    return status;
}

FtStatus SimAdapter::SetBitMode(FtHandle handle, std::uint8_t mask, std::uint8_t mode) {
    const FtStatus status =
        begin(FtFunction::SetBitMode, handle, [&] { return hex(mask, 2) + ", " + hex(mode, 2); });
    if (status == ft::kOk) {
        bitMask_ = mask;
    }
    return status;
}

FtStatus SimAdapter::SetFlowControl(FtHandle handle, std::uint16_t flowControl, std::uint8_t xon,
                                    std::uint8_t xoff) {
    return begin(FtFunction::SetFlowControl, handle, [&] {
        return hex(flowControl, 4) + ", " + std::to_string(xon) + ", " + std::to_string(xoff);
    });
}

FtStatus SimAdapter::SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) {
    const FtStatus status =
        begin(FtFunction::SetLatencyTimer, handle, [&] { return std::to_string(milliseconds); });
    if (status == ft::kOk) {
        latencyMs_ = milliseconds;
    }
    return status;
}

FtStatus SimAdapter::SetUSBParameters(FtHandle handle, std::uint32_t inTransferSize,
                                      std::uint32_t outTransferSize) {
    return begin(FtFunction::SetUSBParameters, handle, [&] {
        return std::to_string(inTransferSize) + ", " + std::to_string(outTransferSize);
    });
}

FtStatus SimAdapter::SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                            std::uint8_t stopBits, std::uint8_t parity) {
    return begin(FtFunction::SetDataCharacteristics, handle, [&] {
        return std::to_string(wordLength) + ", " + std::to_string(stopBits) + ", " +
               std::to_string(parity);
    });
}

FtStatus SimAdapter::SetChars(FtHandle handle, std::uint8_t eventChar,
                              std::uint8_t eventCharEnabled, std::uint8_t errorChar,
                              std::uint8_t errorCharEnabled) {
    return begin(FtFunction::SetChars, handle, [&] {
        return std::to_string(eventChar) + ", " + std::to_string(eventCharEnabled) + ", " +
               std::to_string(errorChar) + ", " + std::to_string(errorCharEnabled);
    });
}

FtStatus SimAdapter::SetTimeouts(FtHandle handle, std::uint32_t readTimeoutMs,
                                 std::uint32_t writeTimeoutMs) {
    const FtStatus status = begin(FtFunction::SetTimeouts, handle, [&] {
        return std::to_string(readTimeoutMs) + ", " + std::to_string(writeTimeoutMs);
    });
    if (status == ft::kOk) {
        readTimeoutMs_ = readTimeoutMs;
    }
    return status;
}

}  // namespace halvenmark::sim
