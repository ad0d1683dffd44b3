#include "app/SessionLog.h"

#include <algorithm>
#include <ctime>
#include <system_error>
#include <vector>

#include "catalogue/VersionCodes.h"
#include "flash/Routes.h"

namespace halvenmark {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPrefix = "session-";
constexpr const char* kSuffix = ".log";
constexpr const char* kFull = "the log is full: what follows is not written\n";

std::vector<fs::path> sessionLogs(const fs::path& folder) {
    std::vector<fs::path> logs;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kPrefix, 0) == 0 && name.size() > 4 &&
            name.compare(name.size() - 4, 4, kSuffix) == 0)
            logs.push_back(entry.path());
    }
    std::sort(logs.begin(), logs.end());  // the names hold the time: oldest first
    return logs;
}

std::string hex(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value) & 0xFF);
    return text;
}

}  // namespace

SessionLog::SessionLog(const fs::path& folder) {
    if (folder.empty()) {
        return;
    }
    std::error_code error;
    fs::create_directories(folder, error);
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    // The clock's fraction keeps two sessions of one second apart.
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count() %
                        1'000'000;
    char name[64];
    std::snprintf(name, sizeof name, "%s%s-%06lld%s", kPrefix, stamp,
                  static_cast<long long>(micros), kSuffix);
    path_ = folder / name;
    file_ = std::fopen(path_.string().c_str(), "wb");
    if (file_ == nullptr) {
        path_.clear();
        return;
    }
    std::vector<fs::path> logs = sessionLogs(folder);
    for (std::size_t i = 0; i + kSessionsKept < logs.size(); ++i) {
        fs::remove(logs[i], error);
    }
    char started[64];
    std::strftime(started, sizeof started, "%Y-%m-%d %H:%M:%S %z", std::localtime(&now));
    note(std::string("session of ") + started);
}

SessionLog::~SessionLog() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

void SessionLog::note(std::string_view text) {
    if (file_ == nullptr) {
        return;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    char time[24];
    std::snprintf(time, sizeof time, "%9.3f ", seconds);
    std::string line = time;
    line.append(text).push_back('\n');
    if (written_ + line.size() > kSessionLogBytes) {
        std::fputs(kFull, file_);
        std::fclose(file_);
        file_ = nullptr;
        return;
    }
    written_ += line.size();
    // Out at once: what a crash or an unplug leaves is what happened up to it.
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

void SessionLog::frame(const char* direction, std::span<const std::uint8_t> bytes) {
    if (file_ == nullptr) {
        return;
    }
    // On every frame of a flash: the digits by hand, not a formatted print per byte.
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = direction;
    if (bytes.empty()) {
        text += " (none)";
    }
    text.reserve(text.size() + 3 * bytes.size());
    for (const std::uint8_t byte : bytes) {
        text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    note(text);
}

void SessionLog::onWrite(std::span<const std::uint8_t> bytes) {
    frame("tx:", bytes);
}

void SessionLog::onRead(std::span<const std::uint8_t> bytes) {
    frame("rx:", bytes);
}

void SessionLog::onPurge() {
    note("purge");
}

fs::path sessionLogFolder(const Environment& environment, bool windows) {
    if (windows) {
        const auto local = environment("LOCALAPPDATA");
        return local && !local->empty() ? fs::path(*local) / "Halvenmark" / "sessions" : fs::path();
    }
    const auto state = environment("XDG_STATE_HOME");
    if (state && !state->empty() && state->front() == '/') {
        return fs::path(*state) / "halvenmark-updater" / "sessions";
    }
    const auto home = environment("HOME");
    return home && !home->empty() && home->front() == '/'
               ? fs::path(*home) / ".local" / "state" / "halvenmark-updater" / "sessions"
               : fs::path();
}

std::optional<fs::path> lastSessionLog(const fs::path& folder) {
    const std::vector<fs::path> logs = sessionLogs(folder);
    return logs.empty() ? std::nullopt : std::optional(logs.back());
}

void LoggingView::showMessage(std::string_view text, std::string_view title, MessageStyle style) {
    log_.note("message: " + std::string(title) + " | " + std::string(text));
    view_.showMessage(text, title, style);
}

void LoggingView::setStatusText(std::string_view text) {
    log_.note("status: " + std::string(text));
    view_.setStatusText(text);
}

void LoggingView::setDeviceName(std::string_view name) {
    log_.note("device: " + std::string(name));
    view_.setDeviceName(name);
}

void LoggingOperations::CheckDevice() {
    log_.note("step: Find Device");
    operations_.CheckDevice();
    if (state_.OperationFailed != 0) {
        log_.note("outcome: Find Device ended without a device to flash");
        return;
    }
    log_.note("identified: code " + hex(state_.DeviceTypeCode) + ", " + state_.DeviceTypeName +
              ", installed " + versionText(state_.IdReplyByte5) + ", image " +
              std::to_string(state_.FirmwareResId) + " of version " + state_.ImageVersionText);
}

void LoggingOperations::FlashDevice() {
    log_.note("step: Flash Device, image " + std::to_string(state_.FirmwareResId) + " by the " +
              std::string(routes::routeFor(state_.FirmwareResId).name) + " route");
    operations_.FlashDevice();
    log_.note(state_.OperationFailed == 0 ? std::string("outcome: Flash Complete")
                                          : "outcome: the flash failed (OperationFailed " +
                                                std::to_string(state_.OperationFailed) +
                                                "): the device may hold a part of the new image");
}

void noteAdapter(SessionLog& log, const LinkState& state, const FtDriver& driver) {
    if (state.AdapterHandle == nullptr) {
        log.note("adapter: none found");
        return;
    }
    // The description as the driver was given it, up to its terminating zero.
    log.note("adapter: " + std::string(state.AdapterDescription.c_str()) + " (kind " +
             std::to_string(state.AdapterKind) + "), through " +
             std::string(driver.backendOf(state.AdapterHandle)));
}

}  // namespace halvenmark
