#pragma once

#include <array>
#include <string>
#include <vector>

#include "protocol/View.h"

namespace halvenmark::testing {

struct ShownMessage {
    std::string text;
    std::string title;
    MessageStyle style;
    bool operator==(const ShownMessage&) const = default;
};

// Records what the routines do to the window.
class RecordingView : public View {
  public:
    std::vector<ShownMessage> messages;
    std::vector<std::string> statusTexts;
    std::string caption;
    std::string status;
    std::string deviceName;
    int picture = 0;
    std::array<bool, kButtonCount> visible{};
    std::array<bool, kButtonCount> enabled{};
    bool progressVisible = false;
    int progressMax = 0;
    int progressValue = 0;
    std::vector<int> progressValues;
    int yields = 0;
    int closes = 0;
    std::vector<std::string> events;  // window changes in order, for sequence checks

    void showMessage(std::string_view text, std::string_view title, MessageStyle style) override {
        messages.push_back({std::string(text), std::string(title), style});
        events.push_back("message " + std::string(title));
    }
    void setCaption(std::string_view text) override { caption = std::string(text); }
    void setStatusText(std::string_view text) override {
        status = std::string(text);
        statusTexts.push_back(status);
    }
    void setDeviceName(std::string_view name) override { deviceName = std::string(name); }
    void setPicture(int id) override { picture = id; }
    void setButtonVisible(int index, bool on) override {
        visible[static_cast<std::size_t>(index)] = on;
        events.push_back((on ? "show " : "hide ") + std::to_string(index));
    }
    void setButtonEnabled(int index, bool on) override {
        enabled[static_cast<std::size_t>(index)] = on;
    }
    void setProgressVisible(bool on) override { progressVisible = on; }
    void setProgressMax(int max) override { progressMax = max; }
    void setProgressValue(int value) override {
        progressValue = value;
        progressValues.push_back(value);
    }
    void yieldToEventLoop() override { ++yields; }
    void closeWindow() override {
        ++closes;
        events.push_back("close");
    }

    // Only this button of the four is visible, and the bar is hidden.
    bool onlyButton(int index) const {
        for (int i = 0; i < kButtonCount; ++i) {
            if (visible[static_cast<std::size_t>(i)] != (i == index))
                return false;
        }
        return !progressVisible;
    }
};

}  // namespace halvenmark::testing
