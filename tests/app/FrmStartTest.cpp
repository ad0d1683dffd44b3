#include "app/FrmStart.h"

#include <gtest/gtest.h>

#include <functional>

#include "protocol/Messages.h"
#include "support/Fixtures.h"
#include "support/StandInOperations.h"

namespace halvenmark {
namespace {

using testing::RecordingView;

using testing::StandInOperations;

class FrmStartTest : public ::testing::Test {
  protected:
    void attach() { adapter.attach("Halvenmark Serial Link"); }
    FrmStart::LoadResult load(StartupFacts facts = {}) {
        facts.executableName = "halvenmark-updater";
        return window.Load(facts);
    }
    // What a successful identification leaves.
    void identifies() {
        operations.check = [this] {
            view.setPicture(105);
            view.setDeviceName("Satellite receiver");
            view.setStatusText("Satellite Receiver: v2.1  -  Upgrading to: v2.4");
            view.setButtonVisible(kFindDeviceButton, false);
            view.setButtonVisible(kFlashDeviceButton, true);
            view.setButtonVisible(kAbortFlashButton, true);
        };
    }
    void expectStartScreen() {
        EXPECT_TRUE(view.onlyButton(kFindDeviceButton));
        EXPECT_EQ(view.picture, 100);
        EXPECT_EQ(view.deviceName, "");
        EXPECT_EQ(view.status, text::kDefaultStatus);
    }

    sim::SimAdapter adapter;
    LinkState state;
    HMUModule link{state, adapter};
    RecordingView view;
    StandInOperations operations;
    FrmStart window{state, link, view, operations};
};

TEST_F(FrmStartTest, StartsAtTheStartScreenWithTheCaption) {
    attach();
    EXPECT_EQ(load(), FrmStart::LoadResult::ShowWindow);
    expectStartScreen();
    EXPECT_EQ(view.caption, "Halvenmark\u00AE Firmware Updater v" +
                                std::to_string(HALVENMARK_VERSION_MAJOR) + "." +
                                std::to_string(HALVENMARK_VERSION_MINOR));
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(FrmStartTest, CaptionWritesVersionsWithoutLeadingZeros) {
    EXPECT_EQ(captionFor(5, 7), "Halvenmark\u00AE Firmware Updater v5.7");
    EXPECT_EQ(captionFor(1, 10), "Halvenmark\u00AE Firmware Updater v1.10");
}

TEST_F(FrmStartTest, NoAdapterEndsTheProgramWithHardwareNotPresent) {
    EXPECT_EQ(load(), FrmStart::LoadResult::EndProgram);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0], (testing::ShownMessage{std::string(text::kAdapterNotFound),
                                                       std::string(text::kHardwareNotPresent),
                                                       MessageStyle::OkOnly}));
    EXPECT_TRUE(window.isUnloaded());
}

TEST_F(FrmStartTest, ASecondCopyEndsWithoutTouchingTheAdapter) {
    attach();
    StartupFacts facts;
    facts.anotherCopyRunning = true;
    EXPECT_EQ(load(facts), FrmStart::LoadResult::EndProgram);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "halvenmark-updater already running! ");
    EXPECT_EQ(view.messages[0].title, "");
    EXPECT_EQ(view.messages[0].style, MessageStyle::OkCriticalSystemModal);
    EXPECT_TRUE(adapter.calls().empty());
}

TEST_F(FrmStartTest, FindSuccessLeavesTheDeviceScreen) {
    attach();
    load();
    identifies();
    window.ButtonClick(kFindDeviceButton);
    EXPECT_TRUE(view.visible[kFlashDeviceButton] && view.visible[kAbortFlashButton]);
    EXPECT_FALSE(view.visible[kFindDeviceButton]);
    EXPECT_EQ(view.deviceName, "Satellite receiver");
}

TEST_F(FrmStartTest, FindFailureReturnsToTheStartScreen) {
    attach();
    load();
    operations.check = [this] {
        identifies();
        operations.check();
        view.showMessage("No device detected!", "Check Device", MessageStyle::OkOnly);
        state.OperationFailed = -1;
    };
    window.ButtonClick(kFindDeviceButton);
    expectStartScreen();
}

TEST_F(FrmStartTest, FindThatStopsWithoutFailureIsLeftAsItIs) {
    attach();
    load();
    operations.check = [this] { view.setStatusText("Checking Device..."); };
    window.ButtonClick(kFindDeviceButton);
    EXPECT_EQ(view.status, "Checking Device...");
    EXPECT_TRUE(view.onlyButton(kFindDeviceButton));
}

TEST_F(FrmStartTest, SuccessfulFlashShowsTheDoneScreenThenOkReturns) {
    attach();
    load();
    identifies();
    window.ButtonClick(kFindDeviceButton);
    operations.flash = [this] {
        view.setButtonVisible(kFlashDeviceButton, false);
        view.setButtonVisible(kAbortFlashButton, false);
        view.setProgressVisible(true);
    };
    window.ButtonClick(kFlashDeviceButton);
    EXPECT_TRUE(view.onlyButton(kOkButton));
    EXPECT_EQ(view.status, text::kFlashComplete);
    EXPECT_EQ(view.deviceName, "Satellite receiver");
    EXPECT_EQ(view.picture, 105);
    window.ButtonClick(kOkButton);
    expectStartScreen();
}

TEST_F(FrmStartTest, FailedFlashReturnsToTheStartScreen) {
    attach();
    load();
    identifies();
    window.ButtonClick(kFindDeviceButton);
    operations.flash = [this] { state.OperationFailed = -2; };
    window.ButtonClick(kFlashDeviceButton);
    expectStartScreen();
}

TEST_F(FrmStartTest, AbortReturnsToTheStartScreenWithoutAnyExchange) {
    attach();
    load();
    identifies();
    window.ButtonClick(kFindDeviceButton);
    adapter.clearCalls();
    window.ButtonClick(kAbortFlashButton);
    expectStartScreen();
    EXPECT_TRUE(adapter.calls().empty());
    EXPECT_EQ(operations.flashes, 0);
}

TEST_F(FrmStartTest, AnEarlierFailureNeverAffectsTheNextClick) {
    attach();
    load();
    identifies();
    state.OperationFailed = -1;
    window.ButtonClick(kFindDeviceButton);
    EXPECT_TRUE(view.visible[kFlashDeviceButton]);
}

TEST_F(FrmStartTest, IsBusyWhileAnOperationRunsAndIgnoresClicksThen) {
    attach();
    load();
    bool busyInside = false;
    operations.check = [this, &busyInside] {
        busyInside = window.isBusy();
        window.ButtonClick(kFindDeviceButton);  // re-entered from a yield
    };
    window.ButtonClick(kFindDeviceButton);
    EXPECT_TRUE(busyInside);
    EXPECT_EQ(operations.checks, 1);
    EXPECT_FALSE(window.isBusy());
}

TEST_F(FrmStartTest, UnloadClosesTheAdapterOnce) {
    attach();
    load();
    adapter.clearCalls();
    window.Unload();
    window.Unload();
    EXPECT_EQ(adapter.calls(),
              (std::vector<std::string>{"FT_SetBitMode(0x44, 0x20)", "FT_Close()"}));
}

TEST_F(FrmStartTest, UnknownIndexDoesNothing) {
    attach();
    load();
    view.events.clear();
    window.ButtonClick(7);
    EXPECT_TRUE(view.events.empty());
}

}  // namespace
}  // namespace halvenmark
