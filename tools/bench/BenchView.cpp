#include "tools/bench/BenchView.h"

#include <cstdio>

namespace halvenmark::bench {

namespace {

// The title a box without one of its own carries: the program's name.
constexpr std::string_view kApplicationTitle = "halvenmark-updater";

void hexLine(std::ostream& out, const char* label, std::span<const std::uint8_t> bytes) {
    out << label;
    if (bytes.empty()) {
        out << " (none)";
    }
    for (std::uint8_t value : bytes) {
        char text[4];
        std::snprintf(text, sizeof text, " %02X", value);
        out << text;
    }
    out << '\n';
}

}  // namespace

const char* screenName(Screen screen) {
    switch (screen) {
        case Screen::Start:
            return "start";
        case Screen::Device:
            return "device";
        case Screen::Flashing:
            return "flashing";
        case Screen::Done:
            return "done";
    }
    return "?";
}

std::optional<Screen> BenchView::screen() const {
    const bool find = visible_[kFindDeviceButton];
    const bool flash = visible_[kFlashDeviceButton];
    const bool abort = visible_[kAbortFlashButton];
    const bool ok = visible_[kOkButton];
    const int buttons = find + flash + abort + ok;
    if (progressVisible_ && buttons == 0)
        return Screen::Flashing;
    if (progressVisible_)
        return std::nullopt;
    if (find && buttons == 1)
        return Screen::Start;
    if (flash && abort && buttons == 2)
        return Screen::Device;
    if (ok && buttons == 1)
        return Screen::Done;
    return std::nullopt;  // between two screens
}

void BenchView::screenMayHaveChanged() {
    const auto now = screen();
    if (now && now != shownScreen_) {
        shownScreen_ = now;
        out_ << "screen: " << screenName(*now) << '\n';
    }
}

void BenchView::showMessage(std::string_view text, std::string_view title, MessageStyle) {
    ++messages_;
    out_ << "message: " << (title.empty() ? kApplicationTitle : title) << " | " << text << '\n';
}

void BenchView::setStatusText(std::string_view text) {
    if (text != status_) {
        status_ = std::string(text);
        out_ << "status: " << status_ << '\n';
    }
}

void BenchView::setDeviceName(std::string_view name) {
    if (name != device_) {
        device_ = std::string(name);
        out_ << "device: " << device_ << '\n';
    }
}

void BenchView::setPicture(int pictureId) {
    if (picture_ != pictureId) {
        picture_ = pictureId;
        out_ << "picture: " << pictureId << '\n';
    }
}

void BenchView::setButtonVisible(int index, bool visible) {
    visible_[static_cast<std::size_t>(index)] = visible;
    screenMayHaveChanged();
}

void BenchView::setProgressVisible(bool visible) {
    progressVisible_ = visible;
    barUsed_ = barUsed_ || visible;
    screenMayHaveChanged();
}

void BenchView::setProgressMax(int max) {
    progressMax_ = max;
    barUsed_ = true;
}

void BenchView::setProgressValue(int value) {
    progressValue_ = value;
    barUsed_ = true;
}

void BenchView::endAction() {
    if (barUsed_) {
        out_ << "progress: " << progressValue_ << '/' << progressMax_ << '\n';
    }
}

void BenchView::onWrite(std::span<const std::uint8_t> bytes) {
    hexLine(out_, "tx:", bytes);
}

void BenchView::onRead(std::span<const std::uint8_t> bytes) {
    hexLine(out_, "rx:", bytes);
}

void BenchView::onPurge() {
    out_ << "purge\n";
}

}  // namespace halvenmark::bench
