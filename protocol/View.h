#pragma once

#include <string_view>

namespace halvenmark {

// The four command buttons of the main window, one control array.
enum ButtonIndex : int {
    kFindDeviceButton = 0,
    kFlashDeviceButton = 1,
    kAbortFlashButton = 2,
    kOkButton = 3,
};
constexpr int kButtonCount = 4;

// Message box styles: 0 is an OK button only, no icon; 4112 adds the critical-stop icon and
// keeps the box above every other window.
enum class MessageStyle : int {
    OkOnly = 0,
    OkCriticalSystemModal = 4112,
};

// What the updater's routines do to the main window. The Qt window implements it; the bench
// prints it; tests record it. Routines never touch a widget themselves.
class View {
  public:
    virtual ~View() = default;

    // A modal box; returns once the user has dismissed it. An empty title means the
    // application's default title.
    virtual void showMessage(std::string_view text, std::string_view title, MessageStyle style) = 0;
    virtual void setCaption(std::string_view caption) = 0;
    virtual void setStatusText(std::string_view text) = 0;
    virtual void setDeviceName(std::string_view name) = 0;
    virtual void setPicture(int pictureId) = 0;
    virtual void setButtonVisible(int index, bool visible) = 0;
    virtual void setButtonEnabled(int index, bool enabled) = 0;
    virtual void setProgressVisible(bool visible) = 0;
    virtual void setProgressMax(int max) = 0;
    virtual void setProgressValue(int value) = 0;
    // Lets the window handle its pending events between two frames.
    virtual void yieldToEventLoop() = 0;
    // Closes the main window, which runs its Unload handler and ends the program.
    virtual void closeWindow() = 0;
};

}  // namespace halvenmark
