#include "catalogue/ImageStore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "catalogue/ImageCodec.h"
#include "resources/EmbeddedResources.h"
#include "support/Fixtures.h"

namespace halvenmark {
namespace {

using testing::FakeStore;

TEST(ImageStoreTest, DecodesASmallFixtureWorkedOutByHand) {
    // Byte 0: sum 01+02+03 = 06, key C3: 10 ^ C3 ^ 06 = D5; the running value becomes C9.
    // Byte 1: sum FF+01+00 = 00 (mod 256), key C9: 20 ^ C9 ^ 00 = E9.
    FakeStore store;
    store.resources[{ResourceType::Jpg, 100}] = {0x10, 0x01, 0x02, 0x03, 0x20, 0xFF, 0x01, 0x00};
    LinkState state;
    state.FirmwareResId = 100;
    state.ImageSize = 1;
    LoadFirmwareImage(state, store);
    EXPECT_EQ(state.OperationFailed, 0);
    EXPECT_EQ(state.ImageData, (std::vector<std::uint8_t>{0xD5, 0xE9}));
}

TEST(ImageStoreTest, TheRunningValueIsNeverReduced) {
    // Sums of FF push the running value past 255; only its low byte is used.
    const std::vector<std::uint8_t> raw{0x00, 0xFF, 0xFF, 0x01, 0x00, 0xFF, 0xFF, 0x01,
                                        0x00, 0xFF, 0xFF, 0x01, 0x00, 0xFF, 0xFF, 0x01};
    const auto image = codec::decode(raw, 4);
    // Keys: C3, C3+FF=1C2 -> C2, C1, C0; sums FF each: 00 ^ key ^ FF.
    EXPECT_EQ(image,
              (std::vector<std::uint8_t>{0xC3 ^ 0xFF, 0xC2 ^ 0xFF, 0xC1 ^ 0xFF, 0xC0 ^ 0xFF}));
}

TEST(ImageStoreTest, MissingOrShortResourceFailsAndLeavesTheImageAlone) {
    FakeStore store;
    store.resources[{ResourceType::Jpg, 102}] = std::vector<std::uint8_t>(32767, 0x11);
    for (std::int16_t id : {301, 102}) {
        LinkState state;
        state.ImageData = {1, 2, 3};
        state.FirmwareResId = id;
        state.ImageSize = 4096;
        LoadFirmwareImage(state, store);
        EXPECT_EQ(state.OperationFailed, -1) << id;
        EXPECT_EQ(state.ImageData, (std::vector<std::uint8_t>{1, 2, 3})) << id;
    }
}

TEST(ImageStoreTest, ImageSizeDecidesHowMuchIsDecoded) {
    const resources::EmbeddedStore store;
    const std::pair<std::int16_t, std::int32_t> cases[] = {
        {102, 4096}, {108, 4096}, {300, 8192}, {107, 8192}};
    for (const auto& [id, size] : cases) {
        LinkState state;
        state.FirmwareResId = id;
        state.ImageSize = size;
        LoadFirmwareImage(state, store);
        EXPECT_EQ(state.OperationFailed, 0) << id;
        EXPECT_EQ(state.ImageData.size(), static_cast<std::size_t>(2 * size)) << id;
        const auto again = state.ImageData;
        LoadFirmwareImage(state, store);
        EXPECT_EQ(state.ImageData, again) << "the running value starts afresh, id " << id;
    }
}

TEST(ImageStoreTest, Image108NeverReadsItsSecondHalfForA4096WordDevice) {
    const resources::EmbeddedStore embedded;
    const auto stored = *embedded.find(ResourceType::Jpg, 108);
    FakeStore store;
    auto& copy = store.resources[{ResourceType::Jpg, 108}];
    copy.assign(stored.begin(), stored.end());
    std::fill(copy.begin() + 32768, copy.end(), 0xEE);
    LinkState a, b;
    a.FirmwareResId = b.FirmwareResId = 108;
    a.ImageSize = b.ImageSize = 4096;
    LoadFirmwareImage(a, embedded);
    LoadFirmwareImage(b, store);
    EXPECT_EQ(a.ImageData, b.ImageData);
}

TEST(ImageStoreTest, TheStoreHoldsExactlyTheListedResources) {
    std::map<int, std::size_t> jpg;
    std::set<int> pictures;
    for (const auto& resource : resources::embeddedResources()) {
        if (resource.type == ResourceType::Jpg) {
            jpg[resource.id] = resource.size;
        } else {
            pictures.insert(resource.id);
            // 160 x 120, 24 bits per pixel, uncompressed.
            const auto* bmp = resource.data;
            ASSERT_EQ(bmp[0], 'B');
            ASSERT_EQ(bmp[1], 'M');
            EXPECT_EQ(bmp[18] | bmp[19] << 8, 160);
            EXPECT_EQ(bmp[22] | bmp[23] << 8, 120);
            EXPECT_EQ(bmp[28], 24);
            EXPECT_EQ(bmp[30], 0);
        }
    }
    std::map<int, std::size_t> expected{{1, 656},     {2, 960},     {107, 65536},
                                        {108, 65536}, {300, 65536}, {400, 65536}};
    for (int id : {100, 101, 102, 103, 104, 105, 106, 200, 201, 202, 203, 204, 205, 206, 207, 208,
                   209, 212}) {
        expected[id] = 32768;
    }
    EXPECT_EQ(jpg, expected);
    std::set<int> expectedPictures{100, 101, 102, 103, 104, 105, 300};
    for (int id = 201; id <= 212; ++id)
        expectedPictures.insert(id);
    EXPECT_EQ(pictures, expectedPictures);
}

TEST(ImageCodecTest, EncodeThenDecodeGivesBackEveryStoredImage) {
    for (const auto& resource : resources::embeddedResources()) {
        if (resource.type != ResourceType::Jpg || resource.size < 32768)
            continue;
        const std::span<const std::uint8_t> stored(resource.data, resource.size);
        const auto image = codec::decode(stored, resource.size / codec::kStoredBytesPerByte);
        const auto encoded =
            codec::encode(image, static_cast<std::uint32_t>(resource.id) * 7919u, resource.size);
        EXPECT_EQ(encoded.size(), resource.size);
        EXPECT_EQ(codec::decode(encoded, image.size()), image) << resource.id;
    }
}

TEST(ImageStoreTest, TheProductsStoreHandsOutNoPlaceholderImageButShowsEveryPicture) {
    const resources::EmbeddedStore embedded;
    std::vector<int> refused;
    const resources::PlaceholderRefusingStore store(embedded,
                                                    [&refused](int id) { refused.push_back(id); });
    for (const resources::EmbeddedResource& resource : resources::embeddedResources()) {
        ASSERT_EQ(resource.origin, resources::ResourceOrigin::Placeholder) << resource.id;
        const bool handedOut = store.find(resource.type, resource.id).has_value();
        EXPECT_EQ(handedOut, resource.type == ResourceType::Bitmap) << resource.id;
    }
    EXPECT_THAT(refused, ::testing::Contains(1));
    EXPECT_THAT(refused, ::testing::Contains(105));
    EXPECT_FALSE(store.find(ResourceType::Jpg, 301).has_value());  // none at all: not a refusal
    EXPECT_THAT(refused, ::testing::Not(::testing::Contains(301)));
}

}  // namespace
}  // namespace halvenmark
