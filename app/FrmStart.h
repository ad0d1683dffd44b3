#pragma once

#include <cstdint>
#include <string>

#include "link/HMUModule.h"
#include "link/LinkState.h"
#include "protocol/View.h"

namespace halvenmark {

// The two operations behind the buttons.
class DeviceOperations {
  public:
    virtual ~DeviceOperations() = default;
    virtual void CheckDevice() = 0;
    virtual void FlashDevice() = 0;
};

// What start-up learns from the platform.
struct StartupFacts {
    bool anotherCopyRunning = false;
    std::string executableName;  // without extension
    int versionMajor = HALVENMARK_VERSION_MAJOR;
    int versionMinor = HALVENMARK_VERSION_MINOR;
};

// The main window's logic: start-up, the one click handler of the four buttons, the screens
// and the unload. The window itself only renders what this does through View.
class FrmStart {
  public:
    enum class LoadResult { ShowWindow, EndProgram };

    FrmStart(LinkState& state, HMUModule& link, View& view, DeviceOperations& operations)
        : state_(state), link_(link), view_(view), operations_(operations) {}

    LoadResult Load(const StartupFacts& facts);
    void ButtonClick(std::int16_t index);
    void Unload();

    // True while a button's operation runs: closing the window must wait for it, or a flash
    // would go on over a closed adapter.
    bool isBusy() const { return busy_; }
    bool isUnloaded() const { return unloaded_; }

  private:
    void showStartScreen();

    LinkState& state_;
    HMUModule& link_;
    View& view_;
    DeviceOperations& operations_;
    bool busy_ = false;
    bool unloaded_ = false;
};

std::string captionFor(int versionMajor, int versionMinor);

}  // namespace halvenmark
