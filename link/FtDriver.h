#pragma once

#include <cstdint>
#include <string_view>

namespace halvenmark {

// The adapter driver as the updater uses it: one method per FT_* call of the vendor's D2XX
// library, with the same arguments and status codes. Every backend (the vendor library loaded
// at run time, libftdi1, the simulated adapter) implements it.

using FtHandle = void*;  // pointer-sized, as the vendor library hands it out
using FtStatus = std::uint32_t;

namespace ft {
// Status codes.
constexpr FtStatus kOk = 0;
constexpr FtStatus kInvalidHandle = 1;
constexpr FtStatus kDeviceNotFound = 2;
constexpr FtStatus kDeviceNotOpened = 3;
constexpr FtStatus kIoError = 4;
constexpr FtStatus kInsufficientResources = 5;
constexpr FtStatus kInvalidParameter = 6;
constexpr FtStatus kInvalidBaudRate = 7;
constexpr FtStatus kOtherError = 18;

// Argument values.
constexpr std::uint32_t kOpenByDescription = 2;
constexpr std::uint32_t kPurgeRx = 1;
constexpr std::uint32_t kPurgeTx = 2;
constexpr std::uint32_t kPurgeBoth = kPurgeRx | kPurgeTx;
constexpr std::uint16_t kFlowNone = 0x0000;
constexpr std::uint16_t kFlowRtsCts = 0x0100;
constexpr std::uint8_t kBits8 = 8;
constexpr std::uint8_t kStopBits1 = 0;
constexpr std::uint8_t kParityNone = 0;
constexpr std::uint8_t kBitModeCbusBitBang = 0x20;
}  // namespace ft

class FtDriver {
  public:
    // Which backend serves the open handle, as a user reads it ("libftdi1"), for the session log.
    virtual std::string_view backendOf(FtHandle handle) const {
        static_cast<void>(handle);
        return "";
    }
    virtual ~FtDriver() = default;

    virtual FtStatus OpenEx(const char* description, std::uint32_t flags, FtHandle* handle) = 0;
    virtual FtStatus Close(FtHandle handle) = 0;
    virtual FtStatus Read(FtHandle handle, void* buffer, std::uint32_t bytesToRead,
                          std::uint32_t* bytesReturned) = 0;
    virtual FtStatus Write(FtHandle handle, const void* buffer, std::uint32_t bytesToWrite,
                           std::uint32_t* bytesWritten) = 0;
    virtual FtStatus Purge(FtHandle handle, std::uint32_t mask) = 0;
    virtual FtStatus SetBaudRate(FtHandle handle, std::uint32_t baudRate) = 0;
    virtual FtStatus SetBitMode(FtHandle handle, std::uint8_t mask, std::uint8_t mode) = 0;
    virtual FtStatus SetFlowControl(FtHandle handle, std::uint16_t flowControl, std::uint8_t xon,
                                    std::uint8_t xoff) = 0;
    virtual FtStatus SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) = 0;
    virtual FtStatus SetUSBParameters(FtHandle handle, std::uint32_t inTransferSize,
                                      std::uint32_t outTransferSize) = 0;
    virtual FtStatus SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                            std::uint8_t stopBits, std::uint8_t parity) = 0;
    virtual FtStatus SetChars(FtHandle handle, std::uint8_t eventChar,
                              std::uint8_t eventCharEnabled, std::uint8_t errorChar,
                              std::uint8_t errorCharEnabled) = 0;
    virtual FtStatus SetTimeouts(FtHandle handle, std::uint32_t readTimeoutMs,
                                 std::uint32_t writeTimeoutMs) = 0;
};

}  // namespace halvenmark
