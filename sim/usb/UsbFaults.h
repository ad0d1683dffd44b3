#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// USB-level situations of the emulated adapters: KIND[:ADAPTER], acting on every emulated adapter
// unless ADAPTER names one.
namespace halvenmark::sim::usb {

enum class UsbFaultKind {
    NoPermission,   // its node cannot be opened by the user (as without the udev rule)
    KernelDriver,   // the kernel's serial driver is bound to it
    Busy,           // another program has claimed its interface
    UnplugAfter,    // =N  it vanishes from the bus after N more frames
    CbusNotIo,      // its EEPROM does not configure CBUS pin 2 for I/O
    Product,        // =TEXT  its product string is TEXT instead of the adapter's description
    EepromRefuses,  // =WORD  its EEPROM refuses a write at word WORD or beyond (a chip that fails)
    BadEepromChecksum,  // its EEPROM's checksum does not hold
    OtherChip,          // it is built on another FTDI chip (an FT2232H) than an FT232R
    ClaimFails,         // claiming its interface fails with "no device" (gone meanwhile)
    LatencyUnread,      // its latency timer cannot be read back once it was set
};

struct UsbFault {
    UsbFaultKind kind;
    std::string adapter;  // the description of the adapter it acts on; empty: every adapter
    std::int64_t count = 0;
    std::string text;
};

// Parses KIND[=VALUE][:ADAPTER] (ADAPTER: programmer, telemetry or serial-link); nullopt with
// the reason in `error` when it is not one.
std::optional<UsbFault> parseUsbFault(std::string_view text, std::string& error);

// The text that parses back to the fault.
std::string describeUsbFault(const UsbFault& fault);

// The longest product string the emulated chip's EEPROM holds beside its manufacturer and serial.
constexpr std::size_t kLongestProduct = 30;

// Whether a fault acts on the adapter of this description.
bool actsOn(const UsbFault& fault, std::string_view description);

}  // namespace halvenmark::sim::usb
