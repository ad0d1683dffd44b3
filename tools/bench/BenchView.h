#pragma once

#include <array>
#include <optional>
#include <ostream>
#include <string>

#include "link/TransferObserver.h"
#include "protocol/View.h"

namespace halvenmark::bench {

// The bottom row of the main window, as the user tells the screens apart.
enum class Screen { Start, Device, Flashing, Done };
const char* screenName(Screen screen);

// Prints what the main window shows, one line per event, and dismisses every message box at
// once. Also prints the driver-level transfers when tracing.
class BenchView : public View, public TransferObserver {
  public:
    explicit BenchView(std::ostream& out) : out_(out) {}

    void showMessage(std::string_view text, std::string_view title, MessageStyle style) override;
    void setCaption(std::string_view) override {}
    void setStatusText(std::string_view text) override;
    void setDeviceName(std::string_view name) override;
    void setPicture(int pictureId) override;
    void setButtonVisible(int index, bool visible) override;
    void setButtonEnabled(int, bool) override {}
    void setProgressVisible(bool visible) override;
    void setProgressMax(int max) override;
    void setProgressValue(int value) override;
    void yieldToEventLoop() override {}
    void closeWindow() override { closed_ = true; }

    void onWrite(std::span<const std::uint8_t> bytes) override;
    void onRead(std::span<const std::uint8_t> bytes) override;
    void onPurge() override;

    // Around each action: the progress line is printed at its end when the bar was used.
    void beginAction() { barUsed_ = false; }
    void endAction();

    bool buttonVisible(int index) const { return visible_[static_cast<std::size_t>(index)]; }
    std::optional<Screen> screen() const;
    const std::string& statusText() const { return status_; }
    int messageCount() const { return messages_; }
    bool closed() const { return closed_; }
    int progressValue() const { return progressValue_; }
    int progressMax() const { return progressMax_; }

  private:
    void screenMayHaveChanged();

    std::ostream& out_;
    std::array<bool, kButtonCount> visible_{};
    bool progressVisible_ = false;
    std::optional<Screen> shownScreen_;
    std::string status_;
    std::string device_;
    std::optional<int> picture_;
    int progressValue_ = 0;
    int progressMax_ = 100;
    bool barUsed_ = false;
    int messages_ = 0;
    bool closed_ = false;
};

}  // namespace halvenmark::bench
