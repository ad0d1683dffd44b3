#include "catalogue/DeviceCatalogue.h"

#include <gtest/gtest.h>

#include <set>

#include "catalogue/VersionCodes.h"
#include "protocol/Messages.h"

namespace halvenmark {
namespace {

struct LookupCase {
    std::uint8_t codeAsRead;
    const char* name;  // nullptr: no row
    std::string_view category;
    bool skipsRf;
};

class CatalogueLookupTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(CatalogueLookupTest, ClearsBit6ForTheRowButNotForTheCategory) {
    const LookupCase& c = GetParam();
    const DeviceTypeEntry* row = catalogue::lookup(c.codeAsRead);
    if (c.name == nullptr) {
        EXPECT_EQ(row, nullptr);
    } else {
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->name, c.name);
    }
    EXPECT_EQ(catalogue::categoryWord(c.codeAsRead), c.category);
    EXPECT_EQ(catalogue::skipsRfFirmwareCheck(c.codeAsRead), c.skipsRf);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, CatalogueLookupTest,
    ::testing::Values(
        LookupCase{0x43, "6 channel Kestrel-A v4 receiver", text::kReceiverCategory, false},
        LookupCase{0x60, "Tandem A Expander", text::kReceiverCategory, false},
        LookupCase{0x20, "Tandem A Expander", text::kExpanderCategory, true},
        LookupCase{0x50, "Satellite receiver", text::kReceiverCategory, false},
        LookupCase{0x10, "Satellite receiver", text::kSatelliteCategory, false},
        LookupCase{0xC9, "Graupner XD6 transmitter", text::kTransmitterCategory, false},
        LookupCase{0x8A, nullptr, text::kTransmitterCategory, false},
        LookupCase{0x0F, nullptr, text::kReceiverCategory, false},
        LookupCase{0x30, "Tandem A V2 Expander", text::kExpanderCategory, false}));

TEST(CatalogueTest, TandemAV2HasItsOwnImageAndNoMemoryEndRead) {
    const DeviceTypeEntry* row = catalogue::lookup(0x30);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->pictureId, 300);
    EXPECT_EQ(row->imageId, 400);
    EXPECT_FALSE(row->versionAtMemoryEnd);
}

TEST(CatalogueTest, MemoryEndFlagIsSetForExactlyTheListedKeys) {
    std::set<std::uint8_t> flagged;
    std::set<std::uint8_t> keys;
    for (const DeviceTypeEntry& row : catalogue::entries()) {
        EXPECT_TRUE(keys.insert(row.key).second) << "duplicate key " << int{row.key};
        EXPECT_EQ(row.key & 0x40, 0);
        EXPECT_TRUE(row.imageSize == 4096 || row.imageSize == 8192);
        if (row.versionAtMemoryEnd)
            flagged.insert(row.key);
    }
    EXPECT_EQ(flagged,
              (std::set<std::uint8_t>{0x03, 0x04, 0x0C, 0x0D, 0x0E, 0x11, 0x20, 0x21, 0x22}));
    EXPECT_EQ(keys.size(), 32u);
}

TEST(VersionCodesTest, VersionTexts) {
    const std::pair<int, const char*> cases[] = {{0x10, "1.0"}, {0x23, "2.3"}, {0x1A, "1.10"},
                                                 {0x99, "9.9"}, {0x9A, "?.?"}, {0x9F, "?.?"},
                                                 {0x0F, "?.?"}, {0x00, "?.?"}};
    for (const auto& [code, shown] : cases) {
        EXPECT_EQ(versionText(code), shown) << code;
    }
}

TEST(VersionCodesTest, UnscrambleByteAgainstValuesWorkedOutByHand) {
    // 0x00: XOR A6 = A6 = 1010 0110, rotated right = 0101 0011 = 53, XOR 5B = 08.
    EXPECT_EQ(UnscrambleByte(0x00), 0x08);
    // 0xFF: XOR A6 = 59 = 0101 1001, rotated right = 1010 1100 = AC, XOR 5B = F7.
    EXPECT_EQ(UnscrambleByte(0xFF), 0xF7);
    // 0xA7: XOR A6 = 01, rotated right = 80, XOR 5B = DB.
    EXPECT_EQ(UnscrambleByte(0xA7), 0xDB);
    EXPECT_EQ(UnscrambleByte(0xA6), 0x5B);
}

TEST(VersionCodesTest, ScrambleIsTheInverse) {
    for (int value = 0; value < 256; ++value) {
        ASSERT_EQ(UnscrambleByte(ScrambleByte(static_cast<std::uint8_t>(value))), value);
    }
}

}  // namespace
}  // namespace halvenmark
