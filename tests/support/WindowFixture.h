#pragma once

// The main window over the simulated adapter, with stand-in operations, for the window tests.
#include <gtest/gtest.h>
#include <QApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/window/MainWindow.h"
#include "resources/EmbeddedResources.h"
#include "sim/SimAdapter.h"
#include "support/StandInOperations.h"

namespace halvenmark::testing {

// Dismisses every modal message box as soon as it shows, keeping what it said.
class MessageBoxCatcher {
  public:
    struct Seen {
        QString text;
        QString title;
        QMessageBox::Icon icon;
        bool onTop;
    };

    MessageBoxCatcher() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen.push_back({box->text(), box->windowTitle(), box->icon(),
                                box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)});
                box->button(QMessageBox::Ok)->click();
            }
        });
        timer_.start(5);
    }
    std::vector<Seen> seen;

  private:
    QTimer timer_;
};

class WindowTest : public ::testing::Test {
  protected:
    WindowTest() { window.setLogic(&logic); }

    bool start() {
        adapter.attach("Halvenmark Device Programmer");
        if (logic.Load({}) != FrmStart::LoadResult::ShowWindow)
            return false;
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
    void identifies() {
        operations.check = [this] {
            window.setPicture(105);
            window.setDeviceName("Satellite receiver");
            window.setStatusText("Satellite Receiver: v9.15  -  Upgrading to: v9.15");
            window.setButtonVisible(kFindDeviceButton, false);
            window.setButtonVisible(kFlashDeviceButton, true);
            window.setButtonVisible(kAbortFlashButton, true);
        };
    }
    void succeedsFlashing() {
        operations.flash = [this] {
            window.setButtonVisible(kFlashDeviceButton, false);
            window.setButtonVisible(kAbortFlashButton, false);
            window.setProgressVisible(true);
            window.setProgressMax(2212);
            window.setProgressValue(2212);
        };
    }
    bool onlyVisible(int index) {
        for (int i = 0; i < kButtonCount; ++i) {
            if (window.Button[static_cast<std::size_t>(i)]->isVisible() != (i == index))
                return false;
        }
        return !window.ProgressBar->isVisible();
    }
    void click(int index) {
        QTest::mouseClick(window.Button[static_cast<std::size_t>(index)], Qt::LeftButton);
    }

    resources::EmbeddedStore store;
    sim::SimAdapter adapter;
    LinkState state;
    HMUModule link{state, adapter};
    MainWindow window{store};
    StandInOperations operations;
    FrmStart logic{state, link, window, operations};
};

}  // namespace halvenmark::testing
