#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/FirmwareChoice.h"
#include "app/FrmStart.h"
#include "link/FtDriver.h"
#include "link/LinkState.h"
#include "link/TransferObserver.h"
#include "protocol/View.h"

namespace halvenmark {

// A record of one session of the updater, for a user to send when a flash fails: the program and
// its firmware, the adapter and backend, the device and its versions, the steps taken, what the
// window said, every frame sent and received, and the outcome. One file per session, the newest
// kSessionsKept kept, each at most kSessionLogBytes; every line is written out as it comes, so a
// crash or an unplug leaves what happened. Nothing it fails to write changes the session: a folder
// that cannot be written gets no log.
class SessionLog : public TransferObserver {
  public:
    static constexpr int kSessionsKept = 20;
    static constexpr std::size_t kSessionLogBytes = 4 * 1024 * 1024;

    // A new log in `folder` (made when missing); an empty folder writes none.
    explicit SessionLog(const std::filesystem::path& folder);
    ~SessionLog() override;
    SessionLog(const SessionLog&) = delete;
    SessionLog& operator=(const SessionLog&) = delete;

    void note(std::string_view text);
    void onWrite(std::span<const std::uint8_t> bytes) override;
    void onRead(std::span<const std::uint8_t> bytes) override;
    void onPurge() override;

    // The file written, or empty when there is none.
    const std::filesystem::path& path() const { return path_; }

  private:
    void frame(const char* direction, std::span<const std::uint8_t> bytes);

    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
    std::size_t written_ = 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Where the session logs are: $XDG_STATE_HOME/halvenmark-updater/sessions (by default under
// ~/.local/state), or %LOCALAPPDATA%\Halvenmark\sessions on Windows; empty when neither can be
// told.
std::filesystem::path sessionLogFolder(const Environment& environment, bool windows);

// The newest log in the folder, if any.
std::optional<std::filesystem::path> lastSessionLog(const std::filesystem::path& folder);

// The window as the routines see it, each change of what it says also noted in the log.
class LoggingView : public View {
  public:
    LoggingView(View& view, SessionLog& log) : view_(view), log_(log) {}

    void showMessage(std::string_view text, std::string_view title, MessageStyle style) override;
    void setCaption(std::string_view caption) override { view_.setCaption(caption); }
    void setStatusText(std::string_view text) override;
    void setDeviceName(std::string_view name) override;
    void setPicture(int pictureId) override { view_.setPicture(pictureId); }
    void setButtonVisible(int index, bool visible) override {
        view_.setButtonVisible(index, visible);
    }
    void setButtonEnabled(int index, bool enabled) override {
        view_.setButtonEnabled(index, enabled);
    }
    void setProgressVisible(bool visible) override { view_.setProgressVisible(visible); }
    void setProgressMax(int max) override { view_.setProgressMax(max); }
    void setProgressValue(int value) override { view_.setProgressValue(value); }
    void yieldToEventLoop() override { view_.yieldToEventLoop(); }
    void closeWindow() override { view_.closeWindow(); }

  private:
    View& view_;
    SessionLog& log_;
};

// The two operations, each noted as a step with what the device and the link state say after it.
class LoggingOperations : public DeviceOperations {
  public:
    LoggingOperations(DeviceOperations& operations, const LinkState& state, SessionLog& log)
        : operations_(operations), state_(state), log_(log) {}
    void CheckDevice() override;
    void FlashDevice() override;

  private:
    DeviceOperations& operations_;
    const LinkState& state_;
    SessionLog& log_;
};

// The adapter the program opened at start-up, and the backend that serves it.
void noteAdapter(SessionLog& log, const LinkState& state, const FtDriver& driver);

}  // namespace halvenmark
