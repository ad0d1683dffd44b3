#include "link/D2xxDriver.h"

namespace halvenmark {

namespace {

// Resolves one exported call; false when the library lacks it.
template <typename Fn>
bool resolve(const DynamicLibrary& library, const char* name, Fn& out) {
    void* address = library.symbol(name);
    out = reinterpret_cast<Fn>(address);
    return address != nullptr;
}

}  // namespace

const char* D2xxDriver::defaultLibraryName() {
#if defined(_WIN32)
    return "ftd2xx.dll";
#elif defined(__APPLE__)
    return "libftd2xx.dylib";
#else
    return "libftd2xx.so";
#endif
}

std::unique_ptr<D2xxDriver> D2xxDriver::load(const std::string& libraryName) {
    DynamicLibrary library(libraryName);
    if (!library.isLoaded()) {
        return nullptr;
    }
    d2xx::Functions fn;
    const bool complete =
        resolve(library, "FT_OpenEx", fn.openEx) && resolve(library, "FT_Close", fn.close) &&
        resolve(library, "FT_Read", fn.read) && resolve(library, "FT_Write", fn.write) &&
        resolve(library, "FT_Purge", fn.purge) &&
        resolve(library, "FT_SetBaudRate", fn.setBaudRate) &&
        resolve(library, "FT_SetBitMode", fn.setBitMode) &&
        resolve(library, "FT_SetFlowControl", fn.setFlowControl) &&
        resolve(library, "FT_SetLatencyTimer", fn.setLatencyTimer) &&
        resolve(library, "FT_SetUSBParameters", fn.setUSBParameters) &&
        resolve(library, "FT_SetDataCharacteristics", fn.setDataCharacteristics) &&
        resolve(library, "FT_SetChars", fn.setChars) &&
        resolve(library, "FT_SetTimeouts", fn.setTimeouts);
    if (!complete) {
        return nullptr;
    }
    return std::unique_ptr<D2xxDriver>(new D2xxDriver(std::move(library), fn));
}

FtStatus D2xxDriver::OpenEx(const char* description, std::uint32_t flags, FtHandle* handle) {
    // The library takes the description through a non-const pointer and does not write it.
    return fn_.openEx(const_cast<char*>(description), flags, handle);
}

FtStatus D2xxDriver::Close(FtHandle handle) {
    return fn_.close(handle);
}

FtStatus D2xxDriver::Read(FtHandle handle, void* buffer, std::uint32_t bytesToRead,
                          std::uint32_t* bytesReturned) {
    return fn_.read(handle, buffer, bytesToRead, bytesReturned);
}

FtStatus D2xxDriver::Write(FtHandle handle, const void* buffer, std::uint32_t bytesToWrite,
                           std::uint32_t* bytesWritten) {
    // Declared non-const by the vendor; the library only reads the buffer.
    return fn_.write(handle, const_cast<void*>(buffer), bytesToWrite, bytesWritten);
}

FtStatus D2xxDriver::Purge(FtHandle handle, std::uint32_t mask) {
    return fn_.purge(handle, mask);
}

FtStatus D2xxDriver::SetBaudRate(FtHandle handle, std::uint32_t baudRate) {
    return fn_.setBaudRate(handle, baudRate);
}

FtStatus D2xxDriver::SetBitMode(FtHandle handle, std::uint8_t mask, std::uint8_t mode) {
    return fn_.setBitMode(handle, mask, mode);
}

FtStatus D2xxDriver::SetFlowControl(FtHandle handle, std::uint16_t flowControl, std::uint8_t xon,
                                    std::uint8_t xoff) {
    return fn_.setFlowControl(handle, flowControl, xon, xoff);
}

FtStatus D2xxDriver::SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) {
    return fn_.setLatencyTimer(handle, milliseconds);
}

FtStatus D2xxDriver::SetUSBParameters(FtHandle handle, std::uint32_t inTransferSize,
                                      std::uint32_t outTransferSize) {
    return fn_.setUSBParameters(handle, inTransferSize, outTransferSize);
}

FtStatus D2xxDriver::SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                            std::uint8_t stopBits, std::uint8_t parity) {
    return fn_.setDataCharacteristics(handle, wordLength, stopBits, parity);
}

FtStatus D2xxDriver::SetChars(FtHandle handle, std::uint8_t eventChar,
                              std::uint8_t eventCharEnabled, std::uint8_t errorChar,
                              std::uint8_t errorCharEnabled) {
    return fn_.setChars(handle, eventChar, eventCharEnabled, errorChar, errorCharEnabled);
}

FtStatus D2xxDriver::SetTimeouts(FtHandle handle, std::uint32_t readTimeoutMs,
                                 std::uint32_t writeTimeoutMs) {
    return fn_.setTimeouts(handle, readTimeoutMs, writeTimeoutMs);
}

}  // namespace halvenmark
