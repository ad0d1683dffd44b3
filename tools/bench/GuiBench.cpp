#include "tools/bench/GuiBench.h"

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <iostream>

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
    void setProgressValue(int value) override { both(&View::setProgressValue, value); }
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

    const BenchStore store(options->refusePlaceholders, std::cerr);
    MainWindow window(store.store());
    BenchView lines(std::cout);
    WindowAndLines view(window, lines, headless);
    sim::SimulatedRig rig(options->rig, view, store.store());
    window.setLogic(&rig.window());

    int shot = 0;
    std::string step = "startup";
    if (!options->screenshots.empty()) {
        QDir().mkpath(QString::fromStdString(options->screenshots));
        lines.setScreenObserver([&](Screen screen) {
            char name[96];
            std::snprintf(name, sizeof name, "%02d-%s-%s.png", ++shot, step.c_str(),
                          screenName(screen));
            window.grab().save(QString::fromStdString(options->screenshots + "/" + name));
        });
    }
    if (rig.start() == FrmStart::LoadResult::EndProgram) {
        return kExitMessageShown;
    }
    window.show();
    if (!headless) {
        return QApplication::exec();
    }
    for (const Action& action : options->actions) {
        if (lines.closed())
            break;
        if (!lines.buttonVisible(action.button)) {
            std::cout << "skipped: " << action.name << '\n';
            continue;
        }
        step = action.name;
        lines.beginAction();
        rig.press(action.button);
        lines.endAction();
    }
    return lines.messageCount() > 0 ? kExitMessageShown : kExitNoMessage;
}

}  // namespace halvenmark::bench
