#pragma once

#include <QElapsedTimer>
#include <QIcon>
#include <QWidget>
#include <array>
#include <functional>

#include "app/FrmStart.h"
#include "catalogue/ResourceStore.h"
#include "protocol/View.h"

class QLabel;
class QMessageBox;
class QProgressBar;
class QPushButton;

namespace halvenmark {

// The main window, frmStart: a picture, two text lines and one row that holds buttons or the
// progress bar. It only renders; what happens lives in FrmStart and the routines, which reach
// it through View.
//
// For keyboard and screen-reader users: the status line and the device name are read by their
// text, and each change of it is announced; the picture is named after what it shows; the
// focus settles on the bottom row once it has changed (on the status line while a flash runs),
// never on a button about to be hidden; and "Flash Device" takes no key press in the moment it
// appears, nor one that came while "Find Device" ran.
class MainWindow : public QWidget, public View {
  public:
    explicit MainWindow(const ResourceStore& store, QWidget* parent = nullptr);

    // The logic whose handlers the buttons and the close call.
    void setLogic(FrmStart* logic) { logic_ = logic; }
    // Replaces what a press of button INDEX runs (the logic's click handler by default); the
    // window bench runs its own press, which starts the faults scoped to the button.
    void setPressHandler(std::function<void(int index)> handler) {
        pressHandler_ = std::move(handler);
    }

    // A message box as the updater shows it: the text, the title (the application's name when
    // empty), one OK button, the program's icon, wide enough for its whole title, and for style
    // 4112 the critical icon, kept above other windows.
    static QMessageBox* makeMessageBox(std::string_view text, std::string_view title,
                                       MessageStyle style, QWidget* parent);
    // The program's icon, drawn from the packaged SVG built into the program.
    static QIcon programIcon();

    void showMessage(std::string_view text, std::string_view title, MessageStyle style) override;
    void setCaption(std::string_view caption) override;
    void setStatusText(std::string_view text) override;
    void setDeviceName(std::string_view name) override;
    void setPicture(int pictureId) override;
    void setButtonVisible(int index, bool visible) override;
    void setButtonEnabled(int index, bool enabled) override;
    void setProgressVisible(bool visible) override;
    void setProgressMax(int max) override;
    void setProgressValue(int value) override;
    void yieldToEventLoop() override;
    void closeWindow() override;

    // The controls, named as the window's design names them.
    std::array<QPushButton*, kButtonCount> Button{};
    QLabel* Picture1 = nullptr;
    QLabel* DeviceName = nullptr;
    QLabel* StatusText = nullptr;
    QProgressBar* ProgressBar = nullptr;

    // How long "Flash Device" takes no key press after it appears.
    static constexpr int kFlashKeyGuardMs = 500;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void press(int index);
    bool keyPressTaken(QPushButton* button, const QKeyEvent& event) const;
    void discardInputQueuedMeanwhile();
    void scheduleFocus();
    void settleFocus();
    void namePicture();

    const ResourceStore& store_;
    FrmStart* logic_ = nullptr;
    std::function<void(int)> pressHandler_;
    bool closingByProgram_ = false;
    bool focusScheduled_ = false;
    bool discardingInput_ = false;
    int pictureId_ = 0;
    QElapsedTimer flashShown_;
};

// Twips to logical pixels: 15 twips per pixel at 96 dots per inch.
constexpr int twips(int value) {
    return (value + 7) / 15;
}

// Shrinks a label's font until its whole text fits its width.
void fitTextToLabel(QLabel* label);

}  // namespace halvenmark
