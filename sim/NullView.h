#pragma once

#include <array>

#include "protocol/View.h"

namespace halvenmark::sim {

// A window that shows nothing: for runs where only the outcome matters (fuzzing, benchmarks).
// It keeps which buttons are visible, so a driver can press the next one.
class NullView : public View {
  public:
    void showMessage(std::string_view, std::string_view, MessageStyle) override {}
    void setCaption(std::string_view) override {}
    void setStatusText(std::string_view) override {}
    void setDeviceName(std::string_view) override {}
    void setPicture(int) override {}
    void setButtonVisible(int index, bool on) override {
        visible[static_cast<std::size_t>(index)] = on;
    }
    void setButtonEnabled(int, bool) override {}
    void setProgressVisible(bool) override {}
    void setProgressMax(int) override {}
    void setProgressValue(int) override {}
    void yieldToEventLoop() override {}
    void closeWindow() override {}

    std::array<bool, kButtonCount> visible{};
};

}  // namespace halvenmark::sim
