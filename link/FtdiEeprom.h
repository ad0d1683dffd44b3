#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The EEPROM of the FTDI chips the adapters are built on, as far as the updater's tools read and
// repair it: its size, the checksum in its last word, and the function of CBUS pin 2, which must
// be I/O mode for the pin control that wakes the device. Numbers are FTDI's.
namespace halvenmark::ftdi {

enum class EepromChip { Ft232r, FtX };

// The EEPROM image's size in bytes: the FT232R's internal EEPROM holds 64 words; an FT-X chip's
// MTP memory is read and checked as 128.
std::size_t eepromBytes(EepromChip chip);

// The CBUS pin 2 function that is I/O mode (FT232R 0x0A, FT-X 0x08).
std::uint8_t cbus2IoMode(EepromChip chip);

// The checksum FTDI's chips keep in the last word of the image: the words before it XORed in one
// by one, each time rotated left by a bit, starting from 0xAAAA (FT-X leaves its user area,
// words 0x12 to 0x3F, out).
std::uint16_t eepromChecksum(std::span<const std::uint8_t> image, EepromChip chip);

// Whether the image is of the chip's size and its last word holds its checksum.
bool checksumHolds(std::span<const std::uint8_t> image, EepromChip chip);

// Writes the checksum into the image's last word.
void sealChecksum(std::vector<std::uint8_t>& image, EepromChip chip);

// The function the image gives CBUS pin 2, or nullopt for an image of another size.
std::optional<std::uint8_t> cbus2Function(std::span<const std::uint8_t> image, EepromChip chip);

// The image with CBUS pin 2 in I/O mode and its checksum sealed; every other byte as it was.
std::vector<std::uint8_t> withCbus2Io(std::span<const std::uint8_t> image, EepromChip chip);

// The words (by address) in which two images of the same size differ.
std::vector<int> differingWords(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);

}  // namespace halvenmark::ftdi
