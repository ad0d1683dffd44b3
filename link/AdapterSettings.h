#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "link/LinkState.h"

namespace halvenmark::adapter {

// The three adapters of the product family, tried in this order.
struct AdapterModel {
    std::string_view description;
    std::uint8_t kind;
    std::string_view shortName;  // as the bench's and the doctor's options name it
};

constexpr std::array<AdapterModel, 3> kModels{{
    {"Halvenmark Device Programmer", kDeviceProgrammer, "programmer"},
    {"Halvenmark Telemetry Station", kTelemetryStation, "telemetry"},
    {"Halvenmark Serial Link", kSerialLink, "serial-link"},
}};

constexpr std::uint32_t kProgrammerBaud = 111111;  // Device Programmer, Telemetry Station
constexpr std::uint32_t kSerialLinkBaud = 125000;

// CBUS bit-bang masks: high nibble direction of CBUS3..0, low nibble their levels.
constexpr std::uint8_t kCbus2High = 0x44;
constexpr std::uint8_t kCbus2Low = 0x40;

constexpr std::uint8_t kLatencyTimerMs = 2;
constexpr std::uint32_t kUsbInTransferSize = 1024;
constexpr std::uint32_t kUsbOutTransferSize = 0;

constexpr std::uint32_t kFirstPauseReadTimeoutMs = 100;  // before the pin goes low
constexpr std::uint32_t kReadTimeoutMs = 250;            // from then on, for the whole run
constexpr std::uint32_t kWriteTimeoutMs = 0;

// Byte counts of the two pauses that discard whatever the adapter delivers while settling.
constexpr std::int32_t kFirstPauseBytes = 10;
constexpr std::int32_t kSecondPauseBytes = 20;

// LinkStatus after a read loop that did not collect every byte.
constexpr std::uint32_t kIncompleteRead = 8;

}  // namespace halvenmark::adapter
