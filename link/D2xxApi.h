#pragma once

#include <cstdint>

// Our own declarations of the D2XX calls the updater makes, as the vendor documents them:
// every call returns a 32-bit status; the handle is pointer-sized; 32-bit Windows uses the
// stdcall convention.

#if defined(_WIN32) && !defined(_WIN64)
#define HALVENMARK_D2XX_CALL __stdcall
#else
#define HALVENMARK_D2XX_CALL
#endif

namespace halvenmark::d2xx {

using Status = std::uint32_t;
using Handle = void*;

using OpenExFn = Status(HALVENMARK_D2XX_CALL*)(void* arg, std::uint32_t flags, Handle* handle);
using CloseFn = Status(HALVENMARK_D2XX_CALL*)(Handle handle);
using ReadFn = Status(HALVENMARK_D2XX_CALL*)(Handle handle, void* buffer, std::uint32_t bytesToRead,
                                             std::uint32_t* bytesReturned);
using WriteFn = Status(HALVENMARK_D2XX_CALL*)(Handle handle, void* buffer,
                                              std::uint32_t bytesToWrite,
                                              std::uint32_t* bytesWritten);
using PurgeFn = Status(HALVENMARK_D2XX_CALL*)(Handle handle, std::uint32_t mask);
using SetBaudRateFn = Status(HALVENMARK_D2XX_CALL*)(Handle handle, std::uint32_t baudRate);
using SetBitModeFn = Status(HALVENMARK_D2XX_CALL*)(Handle handle, std::uint8_t mask,
                                                   std::uint8_t mode);
using SetFlowControlFn = Status(HALVENMARK_D2XX_CALL*)(Handle handle, std::uint16_t flowControl,
                                                       std::uint8_t xon, std::uint8_t xoff);
using SetLatencyTimerFn = Status(HALVENMARK_D2XX_CALL*)(Handle handle, std::uint8_t milliseconds);
using SetUSBParametersFn = Status(HALVENMARK_D2XX_CALL*)(Handle handle,
                                                         std::uint32_t inTransferSize,
                                                         std::uint32_t outTransferSize);
using SetDataCharacteristicsFn = Status(HALVENMARK_D2XX_CALL*)(Handle handle,
                                                               std::uint8_t wordLength,
                                                               std::uint8_t stopBits,
                                                               std::uint8_t parity);
using SetCharsFn = Status(HALVENMARK_D2XX_CALL*)(Handle handle, std::uint8_t eventChar,
                                                 std::uint8_t eventCharEnabled,
                                                 std::uint8_t errorChar,
                                                 std::uint8_t errorCharEnabled);
using SetTimeoutsFn = Status(HALVENMARK_D2XX_CALL*)(Handle handle, std::uint32_t readTimeoutMs,
                                                    std::uint32_t writeTimeoutMs);

// The device listing: a node per device the library sees, as the vendor lays it out.
struct DeviceListNode {
    std::uint32_t flags;  // bit 0: another program has it open
    std::uint32_t type;
    std::uint32_t id;  // vendor id in the high 16 bits, product id in the low
    std::uint32_t locationId;
    char serialNumber[16];
    char description[64];
    Handle handle;
};
constexpr std::uint32_t kDeviceOpened = 1;

using CreateDeviceInfoListFn = Status(HALVENMARK_D2XX_CALL*)(std::uint32_t* count);
using GetDeviceInfoListFn = Status(HALVENMARK_D2XX_CALL*)(DeviceListNode* nodes,
                                                          std::uint32_t* count);

// The calls, resolved from the loaded library by their exported names.
struct Functions {
    OpenExFn openEx = nullptr;
    CloseFn close = nullptr;
    ReadFn read = nullptr;
    WriteFn write = nullptr;
    PurgeFn purge = nullptr;
    SetBaudRateFn setBaudRate = nullptr;
    SetBitModeFn setBitMode = nullptr;
    SetFlowControlFn setFlowControl = nullptr;
    SetLatencyTimerFn setLatencyTimer = nullptr;
    SetUSBParametersFn setUSBParameters = nullptr;
    SetDataCharacteristicsFn setDataCharacteristics = nullptr;
    SetCharsFn setChars = nullptr;
    SetTimeoutsFn setTimeouts = nullptr;
};

}  // namespace halvenmark::d2xx
