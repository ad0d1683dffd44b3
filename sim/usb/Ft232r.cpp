#include "sim/usb/Ft232r.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "link/FtdiEeprom.h"

namespace halvenmark::sim::usb {

namespace {

constexpr std::uint8_t lowByte(std::uint16_t value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}
constexpr std::uint8_t highByte(std::uint16_t value) {
    return static_cast<std::uint8_t>(value >> 8);
}

constexpr std::uint8_t kStringDescriptorType = 3;
constexpr std::uint16_t kUsEnglish = 0x0409;
constexpr std::uint8_t kBusPoweredRemoteWakeup = 0xA0;
constexpr std::uint8_t kMaxPower90mA = 45;  // in units of 2 mA
constexpr std::uint8_t kVendorSpecific = 0xFF;

// EEPROM layout of the FT232R (byte offsets).
constexpr std::size_t kStringOffsetManufacturer = 0x0E;  // then its length, product, serial
constexpr std::size_t kCbus0And1 = 0x14;
constexpr std::size_t kCbus2And3 = 0x15;
constexpr std::size_t kCbus4 = 0x16;
constexpr std::size_t kFirstString = 0x18;
constexpr std::size_t kChecksum = kEepromBytes - 2;
constexpr std::size_t kLongestDescriptorText = 126;  // 2 + 2 x 126 bytes: what a length byte tells
constexpr std::uint8_t kStringPointerFlag = 0x80;
// Factory functions of the other pins: CBUS0 TXLED, CBUS1 RXLED, CBUS3 PWREN, CBUS4 SLEEP.
constexpr std::uint8_t kCbusTxLed = 0x03, kCbusRxLed = 0x02, kCbusPwren = 0x01, kCbusSleep = 0x05;
constexpr std::uint8_t kUseSerialNumber = 0x08;

// The base clock and the eighths each fraction code of the divisor stands for.
constexpr double kBaseClockHz = 3'000'000;
constexpr std::array<int, 8> kEighthsOfCode{0, 4, 2, 1, 3, 5, 6, 7};

}  // namespace

std::vector<std::uint8_t> ft232rDescriptors(std::uint16_t release) {
    return {// device
            18, 1, 0x00, 0x02, 0, 0, 0, 8, lowByte(kFtdiVendorId), highByte(kFtdiVendorId),
            lowByte(kFt232rProductId), highByte(kFt232rProductId), lowByte(release),
            highByte(release), kManufacturerIndex, kProductIndex, kSerialIndex, 1,
            // configuration 1, one interface
            9, 2, 32, 0, 1, 1, 0, kBusPoweredRemoteWakeup, kMaxPower90mA,
            // interface 0 with two endpoints
            9, 4, 0, 0, 2, kVendorSpecific, kVendorSpecific, kVendorSpecific, kProductIndex,
            // bulk endpoints of 64 bytes
            7, 5, kBulkInEndpoint, 2, kPacketBytes, 0, 0,  //
            7, 5, kBulkOutEndpoint, 2, kPacketBytes, 0, 0};
}

std::vector<std::uint8_t> languageDescriptor() {
    return {4, kStringDescriptorType, lowByte(kUsEnglish), highByte(kUsEnglish)};
}

std::vector<std::uint8_t> stringDescriptor(std::string_view text) {
    // The length is one byte: a longer text has no descriptor.
    if (text.size() > kLongestDescriptorText) {
        throw std::invalid_argument("a string descriptor holds at most 126 characters");
    }
    std::vector<std::uint8_t> descriptor{0, kStringDescriptorType};
    for (char c : text) {
        descriptor.push_back(static_cast<std::uint8_t>(c));
        descriptor.push_back(0);
    }
    descriptor[0] = static_cast<std::uint8_t>(descriptor.size());
    return descriptor;
}

std::vector<std::uint8_t> ft232rEeprom(const ChipIdentity& identity, std::uint8_t cbus2Function) {
    std::vector<std::uint8_t> eeprom(kEepromBytes, 0);
    const std::uint8_t header[] = {0x00,
                                   0x40,
                                   lowByte(kFtdiVendorId),
                                   highByte(kFtdiVendorId),
                                   lowByte(kFt232rProductId),
                                   highByte(kFt232rProductId),
                                   lowByte(kFt232rRelease),
                                   highByte(kFt232rRelease),
                                   kBusPoweredRemoteWakeup,
                                   kMaxPower90mA,
                                   kUseSerialNumber,
                                   0x00,
                                   0x00,
                                   0x02};
    std::copy(std::begin(header), std::end(header), eeprom.begin());

    if (!fitsEeprom(identity)) {
        throw std::invalid_argument("the chip's strings do not fit its EEPROM");
    }
    std::size_t next = kFirstString;
    std::size_t pointer = kStringOffsetManufacturer;
    for (const std::string* text : {&identity.manufacturer, &identity.product, &identity.serial}) {
        const std::vector<std::uint8_t> descriptor = stringDescriptor(*text);
        eeprom[pointer] = static_cast<std::uint8_t>(next | kStringPointerFlag);
        eeprom[pointer + 1] = static_cast<std::uint8_t>(descriptor.size());
        std::copy(descriptor.begin(), descriptor.end(), eeprom.begin() + static_cast<long>(next));
        next += descriptor.size();
        pointer += 2;
    }
    eeprom[kCbus0And1] = static_cast<std::uint8_t>(kCbusTxLed | kCbusRxLed << 4);
    eeprom[kCbus2And3] = static_cast<std::uint8_t>((cbus2Function & 0x0F) | kCbusPwren << 4);
    eeprom[kCbus4] = kCbusSleep;

    ftdi::sealChecksum(eeprom, ftdi::EepromChip::Ft232r);
    return eeprom;
}

bool fitsEeprom(const ChipIdentity& identity) {
    std::size_t bytes = 0;
    for (const std::string* text : {&identity.manufacturer, &identity.product, &identity.serial}) {
        if (text->size() > kLongestDescriptorText)
            return false;
        bytes += 2 + 2 * text->size();
    }
    return kFirstString + bytes <= kChecksum;
}

double baudRateOfDivisor(std::uint16_t value, std::uint16_t index) {
    const int whole = value & 0x3FFF;
    const int code = (value >> 14) | (index & 1) << 2;
    if (whole == 0 && code == 0) {
        return kBaseClockHz;  // divisors 0 and 1 are special: 3 and 2 MBaud
    }
    if (whole == 1 && code == 0) {
        return kBaseClockHz * 2 / 3;
    }
    return kBaseClockHz / (whole + kEighthsOfCode[static_cast<std::size_t>(code)] / 8.0);
}

}  // namespace halvenmark::sim::usb
