#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "link/FtDriver.h"
#include "link/LibftdiApi.h"

namespace halvenmark {

// The FT_* calls mapped onto libftdi1. libftdi has no blocking read with a time-out, so
// Read is emulated: it collects bytes until it has them all or the read time-out has run out.
class LibftdiDriver : public FtDriver {
  public:
    explicit LibftdiDriver(LibftdiApi& api) : api_(api) {}
    ~LibftdiDriver() override;

    std::string_view backendOf(FtHandle) const override { return "libftdi1"; }
    FtStatus OpenEx(const char* description, std::uint32_t flags, FtHandle* handle) override;
    FtStatus Close(FtHandle handle) override;
    FtStatus Read(FtHandle handle, void* buffer, std::uint32_t bytesToRead,
                  std::uint32_t* bytesReturned) override;
    FtStatus Write(FtHandle handle, const void* buffer, std::uint32_t bytesToWrite,
                   std::uint32_t* bytesWritten) override;
    FtStatus Purge(FtHandle handle, std::uint32_t mask) override;
    FtStatus SetBaudRate(FtHandle handle, std::uint32_t baudRate) override;
    FtStatus SetBitMode(FtHandle handle, std::uint8_t mask, std::uint8_t mode) override;
    FtStatus SetFlowControl(FtHandle handle, std::uint16_t flowControl, std::uint8_t xon,
                            std::uint8_t xoff) override;
    FtStatus SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) override;
    FtStatus SetUSBParameters(FtHandle handle, std::uint32_t inTransferSize,
                              std::uint32_t outTransferSize) override;
    FtStatus SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) override;
    FtStatus SetChars(FtHandle handle, std::uint8_t eventChar, std::uint8_t eventCharEnabled,
                      std::uint8_t errorChar, std::uint8_t errorCharEnabled) override;
    FtStatus SetTimeouts(FtHandle handle, std::uint32_t readTimeoutMs,
                         std::uint32_t writeTimeoutMs) override;

  private:
    struct Connection {
        LibftdiApi::Context context = nullptr;
        std::uint32_t readTimeoutMs = 0;
        std::uint8_t latencyMs = 16;
    };

    Connection* find(FtHandle handle);
    static FtStatus status(int result);

    LibftdiApi& api_;
    std::map<FtHandle, std::unique_ptr<Connection>> connections_;
};

}  // namespace halvenmark
