#include "tools/bench/GuiBench.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <cstdio>
#include <functional>
#include <iostream>
#include <optional>

#include "app/window/MainWindow.h"
#include "resources/EmbeddedResources.h"
#include "tools/bench/Bench.h"
#include "tools/bench/BenchView.h"

namespace halvenmark::bench {

namespace {

// Shows everything in the real window and prints it as the bench does. In a headless run the
// message boxes are printed and dismissed at once instead of waiting for a click.
class WindowAndLines : public View {
  public:
    WindowAndLines(MainWindow& window, BenchView& lines, bool headless)
        : window_(window), lines_(lines), headless_(headless) {}

    void showMessage(std::string_view text, std::string_view title, MessageStyle style) override {
        lines_.showMessage(text, title, style);
        if (!headless_)
            window_.showMessage(text, title, style);
    }
    void setCaption(std::string_view caption) override { window_.setCaption(caption); }
    void setStatusText(std::string_view text) override { both(&View::setStatusText, text); }
    void setDeviceName(std::string_view name) override { both(&View::setDeviceName, name); }
    void setPicture(int id) override { both(&View::setPicture, id); }
    void setButtonVisible(int index, bool visible) override {
        window_.setButtonVisible(index, visible);
        lines_.setButtonVisible(index, visible);
    }
    void setButtonEnabled(int index, bool enabled) override {
        window_.setButtonEnabled(index, enabled);
    }
    void setProgressVisible(bool visible) override { both(&View::setProgressVisible, visible); }
    void setProgressMax(int max) override { both(&View::setProgressMax, max); }
    void setProgressValue(int value) override {
        both(&View::setProgressValue, value);
        if (onProgress_) {
            onProgress_(value);
        }
    }
    // Told every value the bar takes (the screenshots catch the flash half-way).
    void setProgressObserver(std::function<void(int)> observer) {
        onProgress_ = std::move(observer);
    }
    void yieldToEventLoop() override { window_.yieldToEventLoop(); }
    void closeWindow() override {
        lines_.closeWindow();
        window_.closeWindow();
    }

  private:
    template <typename Arg>
    void both(void (View::*call)(Arg), Arg value) {
        (window_.*call)(value);
        (lines_.*call)(value);
    }

    MainWindow& window_;
    BenchView& lines_;
    bool headless_;
    std::function<void(int)> onProgress_;
};

// Pictures of the window, each taken once its screen has settled: after start-up and after each
// press, and one half-way through a flash.
class Screenshots {
  public:
    Screenshots(MainWindow& window, const BenchView& lines, std::string folder)
        : window_(window), lines_(lines), folder_(std::move(folder)) {
        QDir().mkpath(QString::fromStdString(folder_));
    }
    void take(const std::string& step) {
        const auto screen = lines_.screen();
        char name[96];
        std::snprintf(name, sizeof name, "%02d-%s-%s.png", ++count_, step.c_str(),
                      screen ? screenName(*screen) : "between");
        window_.grab().save(QString::fromStdString(folder_ + "/" + name));
    }
    void onProgress(const std::string& step, int value) {
        if (!halfWay_ && lines_.screen() == Screen::Flashing && 2 * value >= lines_.progressMax()) {
            halfWay_ = true;
            take(step);
        }
    }
    void beginPress() { halfWay_ = false; }

  private:
    MainWindow& window_;
    const BenchView& lines_;
    std::string folder_;
    int count_ = 0;
    bool halfWay_ = false;
};

}  // namespace

int guiMain(int argc, char** argv, const std::vector<std::string>& args) {
    std::string error;
    const auto options = parseOptions(args, error);
    if (!options) {
        std::cerr << "halvenmark-bench: " << error << '\n';
        return kExitUsage;
    }
    bool explicitActions = false;
    for (const std::string& arg : args) {
        explicitActions =
            explicitActions || arg == "find" || arg == "flash" || arg == "abort" || arg == "ok";
    }
    const bool headless = explicitActions || !options->screenshots.empty();
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("halvenmark-updater"));

    const BenchStore store(*options, std::cerr);
    if (store.refused()) {
        return kExitUsage;
    }
    MainWindow window(store.store());
    BenchView lines(std::cout);
    WindowAndLines view(window, lines, headless);
    sim::SimulatedRig rig(options->rig, view, store.store());
    window.setLogic(&rig.window());

    std::optional<Screenshots> screenshots;
    std::string step = "startup";
    if (!options->screenshots.empty()) {
        screenshots.emplace(window, lines, options->screenshots);
        view.setProgressObserver([&](int value) { screenshots->onProgress(step, value); });
    }
    // A press of a window button, by the user or by an action, goes where the bench's presses
    // go: the faults scoped to that button start with it.
    window.setPressHandler([&](int index) {
        lines.beginAction();
        if (screenshots) {
            screenshots->beginPress();
        }
        rig.press(static_cast<ButtonIndex>(index));
        lines.endAction();
    });
    if (rig.start() == FrmStart::LoadResult::EndProgram) {
        return kExitMessageShown;
    }
    window.show();
    if (!headless) {
        return QApplication::exec();
    }
    QCoreApplication::processEvents();
    if (screenshots) {
        screenshots->take(step);
    }
    for (const Action& action : options->actions) {
        if (lines.closed())
            break;
        if (!lines.buttonVisible(action.button)) {
            std::cout << "skipped: " << action.name << '\n';
            continue;
        }
        step = action.name;
        window.Button[static_cast<std::size_t>(action.button)]->click();
        if (screenshots && !lines.closed()) {
            screenshots->take(step);
        }
    }
    return lines.messageCount() > 0 ? kExitMessageShown : kExitNoMessage;
}

}  // namespace halvenmark::bench
