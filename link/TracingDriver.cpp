#include "link/TracingDriver.h"

namespace halvenmark {

FtStatus TracingDriver::OpenEx(const char* description, std::uint32_t flags, FtHandle* handle) {
    return driver_.OpenEx(description, flags, handle);
}

FtStatus TracingDriver::Close(FtHandle handle) {
    return driver_.Close(handle);
}

FtStatus TracingDriver::Read(FtHandle handle, void* buffer, std::uint32_t bytesToRead,
                             std::uint32_t* bytesReturned) {
    const FtStatus status = driver_.Read(handle, buffer, bytesToRead, bytesReturned);
    if (observer_ != nullptr) {
        observer_->onRead({static_cast<const std::uint8_t*>(buffer), *bytesReturned});
    }
    return status;
}

FtStatus TracingDriver::Write(FtHandle handle, const void* buffer, std::uint32_t bytesToWrite,
                              std::uint32_t* bytesWritten) {
    const FtStatus status = driver_.Write(handle, buffer, bytesToWrite, bytesWritten);
    if (observer_ != nullptr && status == ft::kOk) {
        observer_->onWrite({static_cast<const std::uint8_t*>(buffer), bytesToWrite});
    }
    return status;
}

FtStatus TracingDriver::Purge(FtHandle handle, std::uint32_t mask) {
    if (observer_ != nullptr) {
        observer_->onPurge();
    }
    return driver_.Purge(handle, mask);
}

FtStatus TracingDriver::SetBaudRate(FtHandle handle, std::uint32_t baudRate) {
    return driver_.SetBaudRate(handle, baudRate);
}

FtStatus TracingDriver::SetBitMode(FtHandle handle, std::uint8_t mask, std::uint8_t mode) {
    return driver_.SetBitMode(handle, mask, mode);
}

FtStatus TracingDriver::SetFlowControl(FtHandle handle, std::uint16_t flowControl, std::uint8_t xon,
                                       std::uint8_t xoff) {
    return driver_.SetFlowControl(handle, flowControl, xon, xoff);
}

FtStatus TracingDriver::SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) {
    return driver_.SetLatencyTimer(handle, milliseconds);
}

FtStatus TracingDriver::SetUSBParameters(FtHandle handle, std::uint32_t inTransferSize,
                                         std::uint32_t outTransferSize) {
    return driver_.SetUSBParameters(handle, inTransferSize, outTransferSize);
}

FtStatus TracingDriver::SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                               std::uint8_t stopBits, std::uint8_t parity) {
    return driver_.SetDataCharacteristics(handle, wordLength, stopBits, parity);
}

FtStatus TracingDriver::SetChars(FtHandle handle, std::uint8_t eventChar,
                                 std::uint8_t eventCharEnabled, std::uint8_t errorChar,
                                 std::uint8_t errorCharEnabled) {
    return driver_.SetChars(handle, eventChar, eventCharEnabled, errorChar, errorCharEnabled);
}

FtStatus TracingDriver::SetTimeouts(FtHandle handle, std::uint32_t readTimeoutMs,
                                    std::uint32_t writeTimeoutMs) {
    return driver_.SetTimeouts(handle, readTimeoutMs, writeTimeoutMs);
}

}  // namespace halvenmark
