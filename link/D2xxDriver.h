#pragma once

#include <memory>
#include <string>

#include "link/D2xxApi.h"
#include "link/DynamicLibrary.h"
#include "link/FtDriver.h"

namespace halvenmark {

// The vendor's D2XX library, loaded at run time through our own declarations of the calls
// the updater makes. A missing library or a missing symbol makes the backend unavailable.
class D2xxDriver : public FtDriver {
  public:
    // The platform's library name: ftd2xx.dll, libftd2xx.so or libftd2xx.dylib.
    static const char* defaultLibraryName();
    // Loads the library; nullptr when it or one of its calls is missing.
    static std::unique_ptr<D2xxDriver> load(const std::string& libraryName = defaultLibraryName());

    std::string_view backendOf(FtHandle) const override { return "FTDI's D2XX library"; }
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
    D2xxDriver(DynamicLibrary library, const d2xx::Functions& functions)
        : library_(std::move(library)), fn_(functions) {}

    DynamicLibrary library_;
    d2xx::Functions fn_;
};

}  // namespace halvenmark
