#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What an FT232R USB serial chip shows the host: its descriptors, its EEPROM and the meaning of
// the vendor requests that program it. Numbers are FTDI's.
namespace halvenmark::sim::usb {

constexpr std::uint16_t kFtdiVendorId = 0x0403;
constexpr std::uint16_t kFt232rProductId = 0x6001;
constexpr std::uint16_t kFt232rRelease = 0x0600;   // bcdDevice: libftdi takes the chip type from it
constexpr std::uint16_t kFt2232hRelease = 0x0700;  // a chip the adapters are not built on

constexpr std::uint8_t kBulkInEndpoint = 0x81;
constexpr std::uint8_t kBulkOutEndpoint = 0x02;
constexpr int kPacketBytes = 64;  // full speed
constexpr int kStatusBytes = 2;   // at the head of every IN packet
constexpr int kPacketDataBytes = kPacketBytes - kStatusBytes;

// The string descriptor indexes the device descriptor names.
constexpr std::uint8_t kManufacturerIndex = 1;
constexpr std::uint8_t kProductIndex = 2;
constexpr std::uint8_t kSerialIndex = 3;

// Vendor requests (bRequest) and the values they carry.
namespace request {
constexpr std::uint8_t kReset =
    0x00;  // wValue: 0 reset, 1 purge host-to-line, 2 purge line-to-host
constexpr std::uint8_t kModemControl = 0x01;
constexpr std::uint8_t kFlowControl =
    0x02;                                 // wIndex high byte: 0 none, 1 RTS/CTS, 2 DTR/DSR, 4 XON
constexpr std::uint8_t kBaudRate = 0x03;  // wValue, wIndex: the divisor
constexpr std::uint8_t kLineProperties = 0x04;  // wValue: data bits | parity << 8 | stop << 11
constexpr std::uint8_t kModemStatus = 0x05;
constexpr std::uint8_t kEventChar = 0x06;
constexpr std::uint8_t kErrorChar = 0x07;
constexpr std::uint8_t kSetLatencyTimer = 0x09;
constexpr std::uint8_t kGetLatencyTimer = 0x0A;
constexpr std::uint8_t kBitMode = 0x0B;  // wValue: mask | mode << 8
constexpr std::uint8_t kReadPins = 0x0C;
constexpr std::uint8_t kReadEeprom = 0x90;   // wIndex: word address
constexpr std::uint8_t kWriteEeprom = 0x91;  // wValue: the word, wIndex: its address
constexpr std::uint8_t kEraseEeprom = 0x92;
}  // namespace request

constexpr std::uint16_t kResetSio = 0;
constexpr std::uint16_t kPurgeHostToLine = 1;  // 2 purges what came from the line for the host
constexpr std::uint16_t kLine8N1 = 0x0008;
constexpr std::uint8_t kBitModeCbus = 0x20;
constexpr std::uint8_t kDefaultLatencyMs = 16;

// Functions of a CBUS pin in the EEPROM (FT232R).
constexpr std::uint8_t kCbusTxden = 0x00;  // the factory setting of CBUS2
constexpr std::uint8_t kCbusIoMode = 0x0A;

constexpr std::size_t kEepromBytes = 128;

struct ChipIdentity {
    std::string manufacturer;
    std::string product;
    std::string serial;
};

// Device, configuration, interface and the two bulk endpoint descriptors, in bus byte order,
// as sysfs's "descriptors" attribute holds them.
// `release` is the device's bcdDevice, from which libftdi tells the chip.
std::vector<std::uint8_t> ft232rDescriptors(std::uint16_t release = kFt232rRelease);

// String descriptor 0 (the languages: US English) and a string as UTF-16LE (at most 126
// characters, or std::invalid_argument).
std::vector<std::uint8_t> languageDescriptor();
std::vector<std::uint8_t> stringDescriptor(std::string_view text);

// The chip's EEPROM: identity, strings, CBUS pin functions and the checksum the chip and
// libftdi check. Strings that do not fit are refused (std::invalid_argument).
std::vector<std::uint8_t> ft232rEeprom(const ChipIdentity& identity, std::uint8_t cbus2Function);

// Whether the three strings fit the EEPROM beside its other fields.
bool fitsEeprom(const ChipIdentity& identity);

// The rate the chip runs at for a baud divisor request (its 3 MHz clock divided by a whole
// number and one of eight eighths).
double baudRateOfDivisor(std::uint16_t value, std::uint16_t index);

}  // namespace halvenmark::sim::usb
