// Find then flash against the simulated device, for every catalogue row that has an image.
#include <gtest/gtest.h>

#include "catalogue/DeviceCatalogue.h"
#include "catalogue/ImageStore.h"
#include "flash/Routes.h"
#include "protocol/Messages.h"
#include "sim/RouteCoverage.h"
#include "support/RigFixture.h"

namespace halvenmark {
namespace {

using testing::Rig;

struct FlashCase {
    std::uint8_t code;
    const char* adapter;
    bool split;
};

std::string caseName(const ::testing::TestParamInfo<FlashCase>& info) {
    char name[64];
    std::snprintf(name, sizeof name, "Code%02X_%s%s", info.param.code,
                  std::string(info.param.adapter).substr(11, 6).c_str(),
                  info.param.split ? "_Split" : "");
    return name;
}

std::vector<FlashCase> everyRowOnEveryAdapter() {
    const resources::EmbeddedStore store;
    std::vector<FlashCase> cases;
    for (const DeviceTypeEntry& row : catalogue::entries()) {
        if (!store.find(ResourceType::Jpg, row.imageId))
            continue;  // 0x21, 0x22: refused at find
        cases.push_back({row.key, sim::kProgrammerDescription, false});
        cases.push_back({row.key, sim::kTelemetryDescription, false});
        cases.push_back({row.key, sim::kSerialLinkDescription, false});
        cases.push_back({row.key, sim::kSerialLinkDescription, true});
    }
    return cases;
}

// Where the bar ends: the maximum for the first-form routes, the start of the last read-back
// block for the others.
std::pair<int, int> expectedProgress(std::int16_t imageId) {
    switch (imageId) {
        case 105:
            return {2280, 2280};
        case 106:
        case 108:
            return {10224, 10240};
        case 107:
            return {26608, 26624};
        case 300:
        case 400:
            return {28656, 28672};
        default:
            return {2212, 2212};
    }
}

class FlashEndToEndTest : public ::testing::TestWithParam<FlashCase> {};

TEST_P(FlashEndToEndTest, EndsDoneWithTheImageWhereTheRouteWritesAndNothingElseTouched) {
    sim::RigOptions options = testing::device(GetParam().code);
    options.adapters = {GetParam().adapter};
    if (GetParam().split) {
        options = testing::withFault(options, "split-replies");
    }
    Rig rig(options);
    ASSERT_TRUE(rig.find());
    rig.flash();
    EXPECT_TRUE(rig.view.onlyButton(kOkButton));
    EXPECT_EQ(rig.view.status, text::kFlashComplete);
    EXPECT_TRUE(rig.view.messages.empty());

    const LinkState& st = rig.rig.state();
    LinkState expected;
    expected.FirmwareResId = st.FirmwareResId;
    expected.ImageSize = st.ImageSize;
    LoadFirmwareImage(expected, rig.embedded);
    const auto& device = rig.rig.device();
    EXPECT_TRUE(
        sim::routeWroteImage(device, expected.ImageData, st.FirmwareResId, st.IdReplyByte5));

    std::vector<bool> inRoute(device.memory().size(), false);
    for (const auto& [first, last] : sim::routeByteRanges(st.FirmwareResId, st.IdReplyByte5)) {
        for (int i = first; i <= last; ++i)
            inRoute[static_cast<std::size_t>(i)] = true;
    }
    for (std::size_t i = 0; i < inRoute.size(); ++i) {
        if (!inRoute[i]) {
            ASSERT_EQ(device.memory()[i], device.initialMemory()[i])
                << "byte " << i << " outside the route";
            ASSERT_FALSE(device.wasWritten(i)) << "byte " << i;
        }
    }
    const auto [value, max] = expectedProgress(st.FirmwareResId);
    EXPECT_EQ(rig.view.progressValue, value);
    EXPECT_EQ(rig.view.progressMax, max);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, FlashEndToEndTest,
                         ::testing::ValuesIn(everyRowOnEveryAdapter()), caseName);

TEST(FlashRouteRangesTest, RoutesWriteWhereTheyShould) {
    using Ranges = std::vector<std::pair<int, int>>;
    EXPECT_EQ(sim::routeByteRanges(106, 0x23), (Ranges{{0x0C00, 0x1FFF}}));
    EXPECT_EQ(sim::routeByteRanges(107, 0x23), (Ranges{{0x0C00, 0x3FFF}}));
    EXPECT_EQ(sim::routeByteRanges(300, 0x18), (Ranges{{0x0800, 0x3FFF}}));
    EXPECT_EQ(sim::routeByteRanges(300, 0x17), (Ranges{{0x0800, 0x3FFF}, {0x0100, 0x07FF}}));
    EXPECT_EQ(sim::routeByteRanges(300, 0x80), (Ranges{{0x0800, 0x3FFF}}));
    EXPECT_EQ(sim::routeByteRanges(400, 0x10), (Ranges{{0x0800, 0x3FFF}}));
    EXPECT_EQ(sim::routeByteRanges(105, 0x23),
              (Ranges{{0x1800, 0x1FFF}, {0x0020, 0x0FFF}, {0x1000, 0x17FF}}));
    EXPECT_EQ(sim::routeByteRanges(204, 0x23), (Ranges{{0x1800, 0x1FFF}, {0x0000, 0x17FF}}));
}

TEST(FlashEndToEndTest105, KeepsTheDevicesOwnBytes) {
    Rig rig(testing::device(0x0A));
    ASSERT_TRUE(rig.find());
    rig.flash();
    ASSERT_EQ(rig.view.status, text::kFlashComplete);
    const auto& device = rig.rig.device();
    EXPECT_EQ(device.memory()[0x20], device.initialMemory()[0x20]);
    for (int i = 0x30; i <= 0x3F; ++i) {
        EXPECT_EQ(device.memory()[static_cast<std::size_t>(i)],
                  device.initialMemory()[static_cast<std::size_t>(i)]);
    }
    for (int i = 0; i < 0x20; ++i) {
        EXPECT_FALSE(device.wasWritten(static_cast<std::size_t>(i)));
    }
}

TEST(FlashEndToEndTestExpander, OldVersionGetsTheLowAreaBetweenTwoAddressedExFrames) {
    sim::RigOptions options = testing::device(0x20);
    options.device.version = 0x17;
    Rig rig(options);
    rig.rig.adapter().setCallLogEnabled(true);
    ASSERT_TRUE(rig.find());
    rig.flash();
    ASSERT_EQ(rig.view.status, text::kFlashComplete);
    EXPECT_TRUE(rig.rig.device().wasWritten(0x0100));
    EXPECT_TRUE(rig.rig.device().wasWritten(0x07FF));
    EXPECT_FALSE(rig.rig.device().wasWritten(0x00FF));
    EXPECT_EQ(rig.view.progressValue, 17904);  // the low-area pass is not counted in the maximum
    const auto& writes = rig.rig.adapter().writes();
    EXPECT_EQ(writes.back(), (std::vector<std::uint8_t>{'E', 'X', 0x50, 0x01}));
    const auto before =
        std::find(writes.begin(), writes.end(), std::vector<std::uint8_t>{'E', 'X', 0x00, 0x3A});
    ASSERT_NE(before, writes.end());
    EXPECT_EQ((*(before + 1))[2], 0x00);  // first low-area block at 0x0100
    EXPECT_EQ((*(before + 1))[3], 0x01);
}

TEST(FlashEndToEndTestExpander, Image400NeverGetsTheLowArea) {
    sim::RigOptions options = testing::device(0x30);
    options.device.version = 0x10;
    Rig rig(options);
    ASSERT_TRUE(rig.find());
    rig.flash();
    ASSERT_EQ(rig.view.status, text::kFlashComplete);
    EXPECT_FALSE(rig.rig.device().wasWritten(0x0100));
}

}  // namespace
}  // namespace halvenmark
