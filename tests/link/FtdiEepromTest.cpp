// The EEPROM repair changes CBUS pin 2's function and the checksum, and not one other bit.
#include "link/FtdiEeprom.h"

#include <gtest/gtest.h>

#include <random>

namespace halvenmark::ftdi {
namespace {

std::vector<std::uint8_t> sealedRandomImage(EepromChip chip, unsigned seed) {
    std::mt19937 generator(seed);
    std::vector<std::uint8_t> image(eepromBytes(chip));
    for (auto& byte : image)
        byte = static_cast<std::uint8_t>(generator());
    sealChecksum(image, chip);
    return image;
}

TEST(FtdiEepromTest, TheRepairChangesThePinsFunctionAndTheChecksumOnly) {
    const struct {
        EepromChip chip;
        std::size_t pinByte;
        std::uint8_t keptBits;  // of the pin's byte, another pin's
    } cases[] = {{EepromChip::Ft232r, 0x15, 0xF0}, {EepromChip::FtX, 0x1C, 0x00}};
    for (const auto& c : cases) {
        for (unsigned seed = 1; seed <= 20; ++seed) {
            const auto image = sealedRandomImage(c.chip, seed);
            ASSERT_TRUE(checksumHolds(image, c.chip));
            const auto repaired = withCbus2Io(image, c.chip);
            EXPECT_TRUE(checksumHolds(repaired, c.chip));
            EXPECT_EQ(cbus2Function(repaired, c.chip), cbus2IoMode(c.chip));
            for (std::size_t i = 0; i < image.size() - 2; ++i) {
                if (i != c.pinByte) {
                    EXPECT_EQ(repaired[i], image[i]) << "byte " << i;
                }
            }
            EXPECT_EQ(repaired[c.pinByte] & c.keptBits, image[c.pinByte] & c.keptBits);
        }
    }
}

TEST(FtdiEepromTest, AChangedWordFailsTheChecksumButTheFtXUserAreaDoesNot) {
    auto ft232r = sealedRandomImage(EepromChip::Ft232r, 7);
    ft232r[0x40] ^= 0x01;
    EXPECT_FALSE(checksumHolds(ft232r, EepromChip::Ft232r));
    auto ftx = sealedRandomImage(EepromChip::FtX, 7);
    ftx[0x30] ^= 0x01;  // word 0x18: the user area
    EXPECT_TRUE(checksumHolds(ftx, EepromChip::FtX));
    ftx[0x10] ^= 0x01;
    EXPECT_FALSE(checksumHolds(ftx, EepromChip::FtX));
    EXPECT_FALSE(checksumHolds(std::vector<std::uint8_t>(64), EepromChip::Ft232r));  // size
}

}  // namespace
}  // namespace halvenmark::ftdi
