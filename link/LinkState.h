#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/FrameBuffer.h"
#include "link/FtDriver.h"

namespace halvenmark {

// Flags are 16-bit signed: 0 false, -1 (all bits set) true.
using Flag = std::int16_t;
constexpr Flag kTrue = -1;
constexpr Flag kFalse = 0;

// Which adapter OpenAdapter opened.
enum AdapterKindValue : std::uint8_t {
    kNoAdapter = 0,
    kDeviceProgrammer = 1,
    kTelemetryStation = 2,
    kSerialLink = 3,
};

// The one record shared by every routine of the updater: adapter, frame buffers and byte
// counts, the outcome flag and the work fields through which the routines hand values to one
// another. It lives for the whole run and starts zero-filled.
struct LinkState {
    // Adapter link.
    FtHandle AdapterHandle = nullptr;
    std::uint8_t AdapterKind = kNoAdapter;
    std::string AdapterDescription;
    std::uint32_t LinkStatus = 0;
    FrameBuffer TxBuffer;
    FrameBuffer RxBuffer;
    std::int32_t BytesToWrite = 0;
    std::int32_t BytesToRead = 0;
    std::uint32_t BytesWritten = 0;
    std::int32_t BytesReturned = 0;
    std::int32_t BytesReceived = 0;
    Flag ReadTimedOut = kFalse;
    Flag ReadFailed = kFalse;
    std::int32_t LatencyTimer = 0;

    // Outcome of the current operation: 0 none, -1 failed, -2 link failure in the block loops.
    std::int16_t OperationFailed = 0;

    // Work fields of the frame routines.
    std::uint8_t FrameChecksum = 0;
    std::int32_t RetryCount = 0;
    std::int32_t CurrentAddress = 0;
    std::int32_t DataValue = 0;
    std::int32_t LoopIndex = 0;
    std::int16_t StartAddress = 0;
    std::int16_t EndAddress = 0;
    std::int16_t ImageIndex = 0;
    std::int32_t ReadBlockSize = 0;
    std::int32_t WriteBlockSize = 0;
    std::int16_t ProgressValue = 0;

    // Firmware image and identification results.
    std::vector<std::uint8_t> ImageData;
    std::vector<std::uint8_t> RawImage;
    std::int32_t ImageSize = 0;
    std::int16_t FirmwareResId = 0;
    std::int16_t PictureResId = 0;
    std::uint8_t DeviceTypeCode = 0;
    std::uint8_t IdReplyByte5 = 0;
    std::uint8_t IdReplyByte7 = 0;
    std::int32_t IdWorkValue = 0;
    std::string DeviceVersionText;
    std::string ImageVersionText;
    std::string DeviceTypeName;
    std::string DefaultStatusText;

    // Work values of the image decoding.
    std::uint8_t DecodeSum = 0;
    std::uint8_t DecodeRun = 0;
    std::int32_t DecodeByte1 = 0;
    std::int32_t DecodeByte2 = 0;
    std::int32_t DecodeByte3 = 0;
};

}  // namespace halvenmark
