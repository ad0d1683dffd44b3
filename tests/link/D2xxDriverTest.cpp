#include "link/D2xxDriver.h"

#include <gtest/gtest.h>

#include "link/D2xxDeviceList.h"
#include "link/DynamicLibrary.h"
#include "link/HMUModule.h"

namespace halvenmark {
namespace {

TEST(D2xxDriverTest, MissingLibraryMakesTheBackendUnavailable) {
    EXPECT_EQ(D2xxDriver::load("libhalvenmark-no-such-library.so"), nullptr);
}

TEST(D2xxDriverTest, LibraryWithoutEveryCallIsUnavailable) {
    EXPECT_EQ(D2xxDriver::load(HALVENMARK_D2XX_INCOMPLETE), nullptr);
}

TEST(D2xxDriverTest, OpensAndExchangesThroughTheLoadedLibrary) {
    // The stand-in exports the vendor's calls over the simulated adapter; extra exports let
    // the test attach an adapter and queue the device's reply.
    DynamicLibrary controls(HALVENMARK_D2XX_STANDIN);
    ASSERT_TRUE(controls.isLoaded());
    auto attach = reinterpret_cast<void (*)(const char*)>(controls.symbol("StandIn_Attach"));
    auto queueReply =
        reinterpret_cast<void (*)(const char*)>(controls.symbol("StandIn_QueueReply"));
    auto callCount = reinterpret_cast<std::uint32_t (*)()>(controls.symbol("StandIn_CallCount"));
    ASSERT_TRUE(attach && queueReply && callCount);
    attach("Halvenmark Telemetry Station");

    auto driver = D2xxDriver::load(HALVENMARK_D2XX_STANDIN);
    ASSERT_NE(driver, nullptr);
    LinkState state;
    HMUModule link(state, *driver);
    link.OpenAdapter();
    EXPECT_EQ(state.LinkStatus, 0u);
    EXPECT_EQ(state.AdapterKind, kTelemetryStation);

    queueReply("VNR");
    state.TxBuffer.assign("VNR");
    state.BytesToWrite = 3;
    link.SendFrame();
    state.BytesToRead = 3;
    link.ReceiveFrame();
    EXPECT_EQ(state.LinkStatus, 0u);
    EXPECT_TRUE(state.RxBuffer.startsWith("VNR"));
    // Two opens, twelve configuration calls with both pauses, one write, one read.
    EXPECT_EQ(callCount(), 2u + 12u + 2u);
    link.CloseAdapter();
}

TEST(D2xxDriverTest, TheDeviceListingNamesEveryAdapterItSees) {
    DynamicLibrary controls(HALVENMARK_D2XX_STANDIN);
    auto attach = reinterpret_cast<void (*)(const char*)>(controls.symbol("StandIn_Attach"));
    ASSERT_TRUE(attach);
    attach("Halvenmark Serial Link");
    const auto devices = listD2xxDevices(HALVENMARK_D2XX_STANDIN);
    ASSERT_TRUE(devices.has_value());
    ASSERT_FALSE(devices->empty());
    const D2xxListedDevice& last = devices->back();
    EXPECT_EQ(last.description, "Halvenmark Serial Link");
    EXPECT_EQ(last.vendorId, 0x0403);
    EXPECT_EQ(last.productId, 0x6001);
    EXPECT_FALSE(last.openElsewhere);
    EXPECT_FALSE(listD2xxDevices(HALVENMARK_D2XX_INCOMPLETE).has_value());
    EXPECT_FALSE(listD2xxDevices("libhalvenmark-no-such-library.so").has_value());
}

}  // namespace
}  // namespace halvenmark
