#include "catalogue/Identification.h"

#include <gtest/gtest.h>

#include "catalogue/ImageCodec.h"
#include "catalogue/VersionCodes.h"
#include "protocol/Messages.h"
#include "support/Fixtures.h"
#include "support/RigFixture.h"

namespace halvenmark {
namespace {

using testing::device;
using testing::Rig;
using testing::withFault;

struct ExitCase {
    const char* name;
    sim::RigOptions options;
    std::string_view text;
    std::string_view title;
    std::int16_t operationFailed;  // as the click handler sees it
};

sim::RigOptions configured(std::uint8_t code, void (*change)(sim::RigOptions&)) {
    sim::RigOptions options = device(code);
    change(options);
    return options;
}

class IdentificationExitTest : public ::testing::TestWithParam<ExitCase> {};

TEST_P(IdentificationExitTest, ShowsItsMessageAndLeavesTheWindowAccordingly) {
    Rig rig(GetParam().options);
    EXPECT_FALSE(rig.find());
    ASSERT_EQ(rig.view.messages.size(), 1u);
    EXPECT_EQ(rig.view.messages[0].text, GetParam().text);
    EXPECT_EQ(rig.view.messages[0].title, GetParam().title);
    EXPECT_EQ(rig.view.messages[0].style, MessageStyle::OkOnly);
    EXPECT_EQ(rig.rig.state().OperationFailed, GetParam().operationFailed);
    if (GetParam().operationFailed != 0) {
        // Back at the start screen: start picture, no name, the default status text.
        EXPECT_TRUE(rig.view.onlyButton(kFindDeviceButton));
        EXPECT_EQ(rig.view.picture, 100);
        EXPECT_EQ(rig.view.deviceName, "");
        EXPECT_EQ(rig.view.status, text::kDefaultStatus);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Exits, IdentificationExitTest,
    ::testing::Values(
        ExitCase{"WakeAnsweredWrongly", withFault(device(0x01), "wake-reply=VNr"), text::kNoDevice,
                 text::kCheckDeviceTitle, -1},
        ExitCase{"NoDeviceAnswers", configured(0x01, [](auto& o) { o.deviceAttached = false; }),
                 text::kNoDevice, text::kCheckDeviceTitle, -1},
        ExitCase{"IdentityHeaderWrong", withFault(device(0x01), "bad-header-reads=1"),
                 text::kReadingError, text::kReadErrorTitle, -1},
        ExitCase{"MemoryEndReadSilent", withFault(device(0x03), "silent-after=2"),
                 text::kReadingError, text::kReadErrorTitle, -1},
        ExitCase{"InfoFrameSilent", withFault(device(0x01), "silent-after=2"), text::kReadingError,
                 text::kReadErrorTitle, -1},
        ExitCase{"RfFirmwareTooOld", configured(0x01, [](auto& o) { o.device.rfSecond = 0x19; }),
                 text::kRfFirmwareNeeded, text::kRfFirmwareTitle, -1},
        ExitCase{"RfPairMixedUp",
                 configured(0x01,
                            [](auto& o) {
                                o.device.rfFirst = 0x1F;
                                o.device.rfSecond = 0x09;
                            }),
                 text::kRfFirmwareNeeded, text::kRfFirmwareTitle, -1},
        ExitCase{"NoCatalogueRow", device(0x0F), text::kNotSupported, text::kNotSupportedTitle, -1},
        ExitCase{"NoRowForTransmitterCode", device(0x8A), text::kNotSupported,
                 text::kNotSupportedTitle, -1},
        ExitCase{"ImageNotCarried", device(0x21), text::kNotSupported, text::kNotSupportedTitle,
                 -1},
        ExitCase{"NoFlashableCpu", configured(0x0F, [](auto& o) { o.device.cpu = 13; }),
                 text::kNoFlashableCpu, text::kCpuErrorTitle, 0}),
    [](const auto& info) { return info.param.name; });

TEST(IdentificationTest, CpuThirteenLeavesCheckingDeviceAndFindDeviceUsable) {
    sim::RigOptions options = device(0x01);
    options.device.cpu = 13;
    Rig rig(options);
    rig.find();
    EXPECT_EQ(rig.view.status, text::kCheckingDevice);
    EXPECT_TRUE(rig.view.onlyButton(kFindDeviceButton));
}

TEST(IdentificationTest, DeviceWithoutImageIsRefusedBeforeItsNameOrPictureShows) {
    Rig rig(device(0x22));
    rig.find();
    for (const std::string& status : rig.view.statusTexts) {
        EXPECT_EQ(status.find("Upgrading"), std::string::npos);
    }
    EXPECT_EQ(rig.view.picture, 100);
    EXPECT_TRUE(rig.view.deviceName.empty());
}

struct AuxCase {
    std::uint8_t code;
    int image;
    int picture;
    int aux;  // the auxiliary image its route writes, 0 for none
};

// A store with the device's image and picture, and its route's auxiliary image only if asked.
testing::FakeStore storeFor(const AuxCase& c, bool withAux) {
    testing::FakeStore store;
    resources::EmbeddedStore embedded;
    store.resources[{ResourceType::Jpg, c.image}] =
        std::vector<std::uint8_t>(embedded.find(ResourceType::Jpg, c.image)->begin(),
                                  embedded.find(ResourceType::Jpg, c.image)->end());
    store.resources[{ResourceType::Bitmap, c.picture}] = {0};
    if (withAux && c.aux != 0) {
        store.resources[{ResourceType::Jpg, c.aux}] = std::vector<std::uint8_t>(1);
    }
    return store;
}

TEST(IdentificationTest, ADeviceWhoseRouteLacksItsAuxiliaryImageIsRefused) {
    for (const AuxCase& c :
         {AuxCase{0x01, 100, 102, 1}, AuxCase{0x09, 105, 100, 2}, AuxCase{0x0C, 106, 100, 0}}) {
        for (bool withAux : {true, false}) {
            const testing::FakeStore store = storeFor(c, withAux);
            Rig rig(device(c.code), &store);
            const bool shown = rig.find();
            EXPECT_EQ(shown, withAux || c.aux == 0) << int{c.code};
            if (!shown) {
                EXPECT_EQ(rig.view.messages.back().text, text::kNotSupported);
                EXPECT_TRUE(rig.view.deviceName.empty());
            }
        }
    }
}

TEST(IdentificationTest, TandemAExpanderSkipsTheInfoFrame) {
    sim::RigOptions options = device(0x20);
    options.device.rfFirst = 0;  // would be refused if it were asked
    Rig rig(options);
    rig.rig.adapter().setCallLogEnabled(true);
    EXPECT_TRUE(rig.find());
    for (const auto& frame : rig.rig.adapter().writes()) {
        EXPECT_NE(frame, testing::bytesOf("IF"));
    }
    EXPECT_EQ(rig.view.status.rfind("Expander: v", 0), 0u);
}

TEST(IdentificationTest, UsbFailureClosesTheWindowBeforeItsMessage) {
    Rig rig(withFault(device(0x01), "purge-fails"));
    rig.find();
    ASSERT_EQ(rig.view.messages.size(), 1u);
    EXPECT_EQ(rig.view.messages[0].text, text::kUsbFailure);
    EXPECT_EQ(rig.view.messages[0].title, text::kUsbErrorTitle);
    EXPECT_EQ(rig.view.events[rig.view.events.size() - 2], "close");
    EXPECT_EQ(rig.rig.state().OperationFailed, 0);
}

struct StatusCase {
    const char* name;
    std::uint8_t code;
    std::uint8_t version;
    std::uint8_t memoryEndVersion;
    std::uint8_t memoryEndCheck;
    std::string status;
    std::string name_;
};

class StatusLineTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusLineTest, ShowsInstalledAndUpgradeVersions) {
    sim::RigOptions options = device(GetParam().code);
    options.device.version = GetParam().version;
    options.device.memoryEndVersion = GetParam().memoryEndVersion;
    options.device.memoryEndCheck = GetParam().memoryEndCheck;
    Rig rig(options);
    ASSERT_TRUE(rig.find());
    EXPECT_EQ(rig.view.status, GetParam().status);
    EXPECT_EQ(rig.view.deviceName, GetParam().name_);
    EXPECT_TRUE(rig.view.visible[kFlashDeviceButton] && rig.view.visible[kAbortFlashButton]);
    EXPECT_TRUE(rig.view.enabled[kFlashDeviceButton] && rig.view.enabled[kAbortFlashButton]);
    EXPECT_FALSE(rig.view.visible[kFindDeviceButton]);
}

// The placeholder images carry version 2.(id mod 10): image 106 is 2.6, 104 is 2.4, 108 is 2.8.
INSTANTIATE_TEST_SUITE_P(
    Lines, StatusLineTest,
    ::testing::Values(
        StatusCase{"Receiver", 0x0C, 0x23, 0x00, 0x0E, "Receiver: v2.3  -  Upgrading to: v2.6",
                   "6 channel Kestrel-A II receiver"},
        StatusCase{"Satellite", 0x10, 0x21, 0x00, 0x0E,
                   "Satellite Receiver: v2.1  -  Upgrading to: v2.4", "Satellite receiver"},
        StatusCase{"MemoryEndVersionWins", 0x03, 0x23, 0x25, 0x0E,
                   "Receiver: v2.5  -  Upgrading to: v2.8", "6 channel Kestrel-A v4 receiver"},
        StatusCase{"MemoryEndZeroAndCheckKeepsIdentityVersion", 0x03, 0x23, 0x00, 0x0E,
                   "Receiver: v2.3  -  Upgrading to: v2.8", "6 channel Kestrel-A v4 receiver"},
        StatusCase{"MemoryEndZeroWithoutCheckIsUnknown", 0x03, 0x23, 0x00, 0xFF,
                   "Receiver: v?.?  -  Upgrading to: v2.8", "6 channel Kestrel-A v4 receiver"},
        StatusCase{"TransmitterWithBit6", 0xC9, 0x1A, 0x00, 0x0E,
                   "Transmitter: v1.10  -  Upgrading to: v2.9", "Graupner XD6 transmitter"}),
    [](const auto& info) { return info.param.name; });

TEST(IdentificationTest, CpuCodeDecidesWhereTheImageVersionIsRead) {
    // An image whose version at index 34 (0x31) differs from the one at its end (0x42).
    std::vector<std::uint8_t> image(8192, 0);
    image[34] = ScrambleByte(0x31);
    image[8190] = ScrambleByte(0x42);
    testing::FakeStore store;
    store.resources[{ResourceType::Jpg, 102}] = codec::encode(image, 1, 32768);
    store.resources[{ResourceType::Bitmap, 101}] = {0};
    store.resources[{ResourceType::Jpg, 1}] = std::vector<std::uint8_t>(656);  // its route's
    for (const auto& [cpu, expected] : {std::pair{14, "v3.1"}, std::pair{15, "v4.2"}}) {
        sim::RigOptions options = device(0x00);
        options.device.cpu = static_cast<std::uint8_t>(cpu);
        Rig rig(options, &store);
        ASSERT_TRUE(rig.find());
        EXPECT_EQ(rig.view.status.substr(rig.view.status.size() - 4), expected) << cpu;
    }
}

}  // namespace
}  // namespace halvenmark
