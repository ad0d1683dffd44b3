#include "link/FtdiEeprom.h"

namespace halvenmark::ftdi {

namespace {

constexpr std::size_t kFt232rBytes = 128;
constexpr std::size_t kFtXBytes = 256;
// Where CBUS pin 2's function lies: the FT232R keeps two pins to a byte (CBUS2 in the low nibble
// of byte 0x15), an FT-X chip one pin to a byte (CBUS2 at 0x1C).
constexpr std::size_t kFt232rCbus2Byte = 0x15;
constexpr std::size_t kFtXCbus2Byte = 0x1C;
constexpr std::uint8_t kFt232rIoMode = 0x0A;
constexpr std::uint8_t kFtXIoMode = 0x08;
constexpr std::uint16_t kChecksumStart = 0xAAAA;
constexpr std::size_t kFtXUserAreaFirstWord = 0x12;
constexpr std::size_t kFtXUserAreaEndWord = 0x40;

std::uint16_t word(std::span<const std::uint8_t> image, std::size_t address) {
    return static_cast<std::uint16_t>(image[2 * address] | image[2 * address + 1] << 8);
}

}  // namespace

std::size_t eepromBytes(EepromChip chip) {
    return chip == EepromChip::Ft232r ? kFt232rBytes : kFtXBytes;
}

std::uint8_t cbus2IoMode(EepromChip chip) {
    return chip == EepromChip::Ft232r ? kFt232rIoMode : kFtXIoMode;
}

std::uint16_t eepromChecksum(std::span<const std::uint8_t> image, EepromChip chip) {
    std::uint16_t checksum = kChecksumStart;
    const std::size_t last = image.size() / 2 - 1;
    for (std::size_t address = 0; address < last; ++address) {
        if (chip == EepromChip::FtX && address == kFtXUserAreaFirstWord) {
            address = kFtXUserAreaEndWord;
        }
        checksum ^= word(image, address);
        checksum = static_cast<std::uint16_t>(checksum << 1 | checksum >> 15);
    }
    return checksum;
}

bool checksumHolds(std::span<const std::uint8_t> image, EepromChip chip) {
    return image.size() == eepromBytes(chip) &&
           word(image, image.size() / 2 - 1) == eepromChecksum(image, chip);
}

void sealChecksum(std::vector<std::uint8_t>& image, EepromChip chip) {
    const std::uint16_t checksum = eepromChecksum(image, chip);
    image[image.size() - 2] = static_cast<std::uint8_t>(checksum & 0xFF);
    image[image.size() - 1] = static_cast<std::uint8_t>(checksum >> 8);
}

std::optional<std::uint8_t> cbus2Function(std::span<const std::uint8_t> image, EepromChip chip) {
    if (image.size() != eepromBytes(chip)) {
        return std::nullopt;
    }
    return chip == EepromChip::Ft232r ? static_cast<std::uint8_t>(image[kFt232rCbus2Byte] & 0x0F)
                                      : image[kFtXCbus2Byte];
}

std::vector<std::uint8_t> withCbus2Io(std::span<const std::uint8_t> image, EepromChip chip) {
    std::vector<std::uint8_t> repaired(image.begin(), image.end());
    if (chip == EepromChip::Ft232r) {
        repaired[kFt232rCbus2Byte] =
            static_cast<std::uint8_t>((repaired[kFt232rCbus2Byte] & 0xF0) | kFt232rIoMode);
    } else {
        repaired[kFtXCbus2Byte] = kFtXIoMode;
    }
    sealChecksum(repaired, chip);
    return repaired;
}

std::vector<int> differingWords(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    std::vector<int> words;
    for (std::size_t address = 0; 2 * address + 1 < a.size() && 2 * address + 1 < b.size();
         ++address) {
        if (word(a, address) != word(b, address))
            words.push_back(static_cast<int>(address));
    }
    return words;
}

}  // namespace halvenmark::ftdi
