#include "link/RoutingDriver.h"

namespace halvenmark {

void RoutingDriver::add(std::unique_ptr<FtDriver> backend) {
    if (backend != nullptr) {
        backends_.push_back(std::move(backend));
    }
}

std::string_view RoutingDriver::backendOf(FtHandle handle) const {
    const FtDriver* driver = owner(handle);
    return driver != nullptr ? driver->backendOf(handle) : "";
}

FtDriver* RoutingDriver::owner(FtHandle handle) const {
    auto found = owners_.find(handle);
    return found == owners_.end() ? nullptr : found->second;
}

FtStatus RoutingDriver::OpenEx(const char* description, std::uint32_t flags, FtHandle* handle) {
    FtStatus status = ft::kDeviceNotFound;
    for (const auto& backend : backends_) {
        FtHandle opened = nullptr;
        status = backend->OpenEx(description, flags, &opened);
        if (status == ft::kOk) {
            owners_[opened] = backend.get();
            *handle = opened;
            return ft::kOk;
        }
    }
    return status;
}

FtStatus RoutingDriver::Close(FtHandle handle) {
    FtDriver* driver = owner(handle);
    if (driver == nullptr) {
        return ft::kInvalidHandle;
    }
    owners_.erase(handle);
    return driver->Close(handle);
}

#define HALVENMARK_FORWARD(call)      \
    FtDriver* driver = owner(handle); \
    return driver == nullptr ? ft::kInvalidHandle : driver->call

FtStatus RoutingDriver::Read(FtHandle handle, void* buffer, std::uint32_t bytesToRead,
                             std::uint32_t* bytesReturned) {
    HALVENMARK_FORWARD(Read(handle, buffer, bytesToRead, bytesReturned));
}

FtStatus RoutingDriver::Write(FtHandle handle, const void* buffer, std::uint32_t bytesToWrite,
                              std::uint32_t* bytesWritten) {
    HALVENMARK_FORWARD(Write(handle, buffer, bytesToWrite, bytesWritten));
}

FtStatus RoutingDriver::Purge(FtHandle handle, std::uint32_t mask) {
    HALVENMARK_FORWARD(Purge(handle, mask));
}

FtStatus RoutingDriver::SetBaudRate(FtHandle handle, std::uint32_t baudRate) {
    HALVENMARK_FORWARD(SetBaudRate(handle, baudRate));
}

FtStatus RoutingDriver::SetBitMode(FtHandle handle, std::uint8_t mask, std::uint8_t mode) {
    HALVENMARK_FORWARD(SetBitMode(handle, mask, mode));
}

FtStatus RoutingDriver::SetFlowControl(FtHandle handle, std::uint16_t flowControl, std::uint8_t xon,
                                       std::uint8_t xoff) {
    HALVENMARK_FORWARD(SetFlowControl(handle, flowControl, xon, xoff));
}

FtStatus RoutingDriver::SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) {
    HALVENMARK_FORWARD(SetLatencyTimer(handle, milliseconds));
}

FtStatus RoutingDriver::SetUSBParameters(FtHandle handle, std::uint32_t inTransferSize,
                                         std::uint32_t outTransferSize) {
    HALVENMARK_FORWARD(SetUSBParameters(handle, inTransferSize, outTransferSize));
}

FtStatus RoutingDriver::SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                               std::uint8_t stopBits, std::uint8_t parity) {
    HALVENMARK_FORWARD(SetDataCharacteristics(handle, wordLength, stopBits, parity));
}

FtStatus RoutingDriver::SetChars(FtHandle handle, std::uint8_t eventChar,
                                 std::uint8_t eventCharEnabled, std::uint8_t errorChar,
                                 std::uint8_t errorCharEnabled) {
    HALVENMARK_FORWARD(SetChars(handle, eventChar, eventCharEnabled, errorChar, errorCharEnabled));
}

FtStatus RoutingDriver::SetTimeouts(FtHandle handle, std::uint32_t readTimeoutMs,
                                    std::uint32_t writeTimeoutMs) {
    HALVENMARK_FORWARD(SetTimeouts(handle, readTimeoutMs, writeTimeoutMs));
}

#undef HALVENMARK_FORWARD

}  // namespace halvenmark
