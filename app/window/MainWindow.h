#pragma once

#include <QWidget>
#include <array>

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
class MainWindow : public QWidget, public View {
  public:
    explicit MainWindow(const ResourceStore& store, QWidget* parent = nullptr);

    // The logic whose handlers the buttons and the close call.
    void setLogic(FrmStart* logic) { logic_ = logic; }

    // A message box as the updater shows it: the text, the title (the application's name when
    // empty), one OK button, and for style 4112 the critical icon, kept above other windows.
    static QMessageBox* makeMessageBox(std::string_view text, std::string_view title,
                                       MessageStyle style, QWidget* parent);

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

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void focusVisibleButton();

    const ResourceStore& store_;
    FrmStart* logic_ = nullptr;
    bool closingByProgram_ = false;
};

// Twips to logical pixels: 15 twips per pixel at 96 dots per inch.
constexpr int twips(int value) {
    return (value + 7) / 15;
}

// Shrinks a label's font until its whole text fits its width.
void fitTextToLabel(QLabel* label);

}  // namespace halvenmark
