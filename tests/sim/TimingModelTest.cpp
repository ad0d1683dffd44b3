// The simulated adapter's clock: bytes on the wire at the configured baud rate, the latency
// timer before a reply reaches the host, the device's programming time per accepted write.
#include <gtest/gtest.h>

#include "support/RigFixture.h"

namespace halvenmark {
namespace {

using std::chrono::duration;
using std::chrono::nanoseconds;

struct Flash {
    double wireSeconds;
    double modeledSeconds;
    std::int64_t exchanges;
};

Flash timeFlash(sim::RigOptions options) {
    testing::Rig rig(options);
    EXPECT_TRUE(rig.find());
    const auto wire = rig.rig.adapter().wireTime();
    const auto now = rig.rig.adapter().now();
    const auto frames = rig.rig.adapter().framesSent();
    rig.flash();
    EXPECT_EQ(rig.view.status, "Flash Complete!");
    return {duration<double>(rig.rig.adapter().wireTime() - wire).count(),
            duration<double>(rig.rig.adapter().now() - now).count(),
            rig.rig.adapter().framesSent() - frames};
}

TEST(TimingModelTest, EightKibUpdateOnTheDeviceProgrammer) {
    const Flash flash = timeFlash(testing::device(0x0C));
    // 80 write frames of 69 bytes with 3-byte acknowledgements, 320 reads of 4 bytes with
    // 20-byte replies: 13440 bytes of 10 bits at 111111 baud.
    EXPECT_EQ(flash.exchanges, 400);
    EXPECT_NEAR(flash.wireSeconds, 13440 * 10 / 111111.0, 1e-6);
    // Every reply waits out the 2 ms latency timer once.
    EXPECT_NEAR(flash.modeledSeconds, flash.wireSeconds + 400 * 0.002, 1e-6);
}

TEST(TimingModelTest, ASplitReplyCostsTheReadThatTimesOutOnItsFirstPart) {
    // Each reply comes in two parts a pause of 375 ms apart: the first read ends at its 250 ms
    // time-out with the first part, the second brings the rest as it comes, some 125 ms later.
    // The emulated chip charges the same: both adapters model one line.
    const Flash flash = timeFlash(testing::withFault(testing::device(0x0C), "split-replies"));
    EXPECT_EQ(flash.exchanges, 400);
    EXPECT_NEAR(flash.modeledSeconds, 400 * 0.375, 400 * 0.01);
}

TEST(TimingModelTest, ProgrammingTimeCountsOncePerAcceptedWrite) {
    sim::RigOptions options = testing::device(0x0C);
    const Flash plain = timeFlash(options);
    options.device.programmingTime = std::chrono::microseconds(1000);
    const Flash slow = timeFlash(options);
    EXPECT_NEAR(slow.modeledSeconds - plain.modeledSeconds, 80 * 0.001, 1e-6);
}

TEST(TimingModelTest, SerialLinkRunsAt125000BaudAndItsEchoNeedsNoExtraLineTime) {
    sim::RigOptions options = testing::device(0x0C);
    options.adapters = {sim::kSerialLinkDescription};
    const Flash flash = timeFlash(options);
    EXPECT_NEAR(flash.wireSeconds, 13440 * 10 / 125000.0, 1e-6);
    // The echo waits out its latency period while the device answers: one period per exchange.
    EXPECT_NEAR(flash.modeledSeconds, flash.wireSeconds + 400 * 0.002, 1e-6);
}

}  // namespace
}  // namespace halvenmark
