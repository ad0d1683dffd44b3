#pragma once

#include "link/FtDriver.h"
#include "link/TransferObserver.h"

namespace halvenmark {

// A driver that passes every call on to another and shows the transfers to an observer: each
// write that went out, each read with what it returned, each purge. Over the simulated adapter
// and over libftdi alike, so that a trace reads the same on both.
class TracingDriver : public FtDriver {
  public:
    explicit TracingDriver(FtDriver& driver, TransferObserver* observer = nullptr)
        : driver_(driver), observer_(observer) {}

    void setObserver(TransferObserver* observer) { observer_ = observer; }
    std::string_view backendOf(FtHandle handle) const override { return driver_.backendOf(handle); }

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
    FtDriver& driver_;
    TransferObserver* observer_;
};

}  // namespace halvenmark
