#pragma once

#include <map>
#include <memory>
#include <vector>

#include "link/FtDriver.h"

namespace halvenmark {

// Several backends behind one driver: an open is tried on each backend in turn, and every
// later call goes to the backend that opened the handle.
class RoutingDriver : public FtDriver {
  public:
    void add(std::unique_ptr<FtDriver> backend);
    std::string_view backendOf(FtHandle handle) const override;

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
    FtDriver* owner(FtHandle handle) const;

    std::vector<std::unique_ptr<FtDriver>> backends_;
    std::map<FtHandle, FtDriver*> owners_;
};

}  // namespace halvenmark
