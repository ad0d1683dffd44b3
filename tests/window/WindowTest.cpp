#include "app/window/MainWindow.h"

#include <gtest/gtest.h>
#include <QAccessible>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

#include "app/window/SingleInstance.h"
#include "protocol/Messages.h"
#include "resources/EmbeddedResources.h"
#include "sim/SimAdapter.h"
#include "support/WindowFixture.h"

namespace halvenmark {
namespace {

using testing::MessageBoxCatcher;
using testing::WindowTest;

TEST_F(WindowTest, ControlsStandAtTheirGeometry) {
    EXPECT_EQ(window.size(), QSize(314, 268));
    EXPECT_EQ(window.Picture1->geometry(), QRect(75, 24, 164, 124));
    EXPECT_EQ(window.DeviceName->geometry(), QRect(25, 160, 265, 17));
    EXPECT_EQ(window.StatusText->geometry(), QRect(24, 184, 265, 17));
    EXPECT_EQ(window.Button[0]->geometry(), QRect(97, 216, 121, 33));
    EXPECT_EQ(window.Button[1]->geometry(), QRect(41, 216, 97, 33));
    EXPECT_EQ(window.Button[2]->geometry(), QRect(177, 216, 97, 33));
    EXPECT_EQ(window.Button[3]->geometry(), QRect(121, 216, 72, 33));
    EXPECT_EQ(window.ProgressBar->geometry(), QRect(73, 218, 169, 29));
}

TEST_F(WindowTest, StartUpShowsTheStartScreen) {
    ASSERT_TRUE(start());
    EXPECT_TRUE(onlyVisible(kFindDeviceButton));
    EXPECT_EQ(window.StatusText->text().toStdString(), text::kDefaultStatus);
    EXPECT_TRUE(window.DeviceName->text().isEmpty());
    EXPECT_FALSE(window.Picture1->pixmap().isNull());
    EXPECT_EQ(window.Picture1->pixmap().size(), QSize(160, 120));
    EXPECT_TRUE(
        window.windowTitle().startsWith(QStringLiteral("Halvenmark\u00AE Firmware Updater v")));
    EXPECT_TRUE(window.Button[kFindDeviceButton]->hasFocus());
}

TEST_F(WindowTest, NoAdapterShowsHardwareNotPresentAndNeverTheWindow) {
    MessageBoxCatcher catcher;
    EXPECT_EQ(logic.Load({}), FrmStart::LoadResult::EndProgram);
    EXPECT_FALSE(window.isVisible());
    ASSERT_EQ(catcher.seen.size(), 1u);
    EXPECT_EQ(catcher.seen[0].text.toStdString(), text::kAdapterNotFound);
    EXPECT_EQ(catcher.seen[0].title.toStdString(), text::kHardwareNotPresent);
    EXPECT_EQ(catcher.seen[0].icon, QMessageBox::NoIcon);
}

TEST_F(WindowTest, SecondCopyIsToldWithTheCriticalIconOnTop) {
    QTemporaryDir dir;
    const QString lockPath = dir.filePath(QStringLiteral("updater.lock"));
    SingleInstance first(lockPath);
    SingleInstance second(lockPath);
    EXPECT_FALSE(first.anotherCopyRunning());
    EXPECT_TRUE(second.anotherCopyRunning());

    MessageBoxCatcher catcher;
    adapter.attach("Halvenmark Device Programmer");
    StartupFacts facts;
    facts.anotherCopyRunning = second.anotherCopyRunning();
    facts.executableName = "halvenmark-updater";
    EXPECT_EQ(logic.Load(facts), FrmStart::LoadResult::EndProgram);
    ASSERT_EQ(catcher.seen.size(), 1u);
    EXPECT_EQ(catcher.seen[0].text, QStringLiteral("halvenmark-updater already running! "));
    EXPECT_EQ(catcher.seen[0].title, QStringLiteral("halvenmark-updater"));
    EXPECT_EQ(catcher.seen[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(catcher.seen[0].onTop);
    EXPECT_TRUE(adapter.calls().empty());
}

TEST_F(WindowTest, EveryTransitionOfTheScreens) {
    ASSERT_TRUE(start());
    identifies();
    succeedsFlashing();
    click(kFindDeviceButton);
    EXPECT_TRUE(window.Button[kFlashDeviceButton]->isVisible());
    EXPECT_TRUE(window.Button[kAbortFlashButton]->isVisible());
    EXPECT_FALSE(window.Button[kFindDeviceButton]->isVisible());

    click(kAbortFlashButton);  // device -> start
    EXPECT_TRUE(onlyVisible(kFindDeviceButton));
    EXPECT_TRUE(window.DeviceName->text().isEmpty());

    click(kFindDeviceButton);
    click(kFlashDeviceButton);  // device -> flashing -> done
    EXPECT_TRUE(onlyVisible(kOkButton));
    EXPECT_EQ(window.StatusText->text().toStdString(), text::kFlashComplete);
    EXPECT_EQ(window.DeviceName->text(), QStringLiteral("Satellite receiver"));

    click(kOkButton);  // done -> start
    EXPECT_TRUE(onlyVisible(kFindDeviceButton));

    operations.flash = [this] { state.OperationFailed = -1; };
    click(kFindDeviceButton);
    click(kFlashDeviceButton);  // failed flash -> start
    EXPECT_TRUE(onlyVisible(kFindDeviceButton));
    EXPECT_EQ(window.StatusText->text().toStdString(), text::kDefaultStatus);
}

TEST_F(WindowTest, EnterAndSpaceWorkTheFocusedButton) {
    ASSERT_TRUE(start());
    identifies();
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_TRUE(window.Button[kFlashDeviceButton]->isVisible());
    EXPECT_TRUE(window.Button[kFlashDeviceButton]->hasFocus());
    window.Button[kAbortFlashButton]->setFocus();
    QTest::keyClick(window.Button[kAbortFlashButton], Qt::Key_Space);
    EXPECT_TRUE(onlyVisible(kFindDeviceButton));
}

QString readName(QObject* object) {
    return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name);
}

TEST_F(WindowTest, ThePictureIsNamedAfterWhatItShows) {
    ASSERT_TRUE(start());
    EXPECT_EQ(readName(window.Picture1), QStringLiteral("Generic device picture"));
    window.setPicture(105);
    window.setDeviceName("Satellite receiver");
    EXPECT_EQ(readName(window.Picture1), QStringLiteral("Picture of the Satellite receiver"));
    window.setPicture(100);  // a device shown with the generic picture
    window.setDeviceName("6 channel Kestrel-A receiver");
    EXPECT_EQ(readName(window.Picture1), QStringLiteral("Generic device picture"));
}

TEST_F(WindowTest, ADoublePressOnFindDeviceDoesNotStartAFlash) {
    ASSERT_TRUE(start());
    identifies();
    QTest::keyClick(&window, Qt::Key_Return);  // Find Device; the focus lands on Flash Device
    ASSERT_TRUE(window.Button[kFlashDeviceButton]->hasFocus());
    QTest::keyClick(&window, Qt::Key_Return);  // the second press of a double press
    QTest::keyClick(window.Button[kFlashDeviceButton], Qt::Key_Space);
    EXPECT_EQ(operations.flashes, 0);
    // A held key repeats: the repeats press nothing, however late.
    QTest::qWait(MainWindow::kFlashKeyGuardMs + 50);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(&window, &repeat);
    EXPECT_EQ(operations.flashes, 0);
    // Once the device screen has been up a moment, the press is the user's.
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_EQ(operations.flashes, 1);
}

TEST_F(WindowTest, APressThatCameWhileFindDeviceRanIsDropped) {
    ASSERT_TRUE(start());
    operations.check = [this] {
        window.setButtonVisible(kFindDeviceButton, false);
        window.setButtonVisible(kFlashDeviceButton, true);
        window.setButtonVisible(kAbortFlashButton, true);
        // A click the user made on the busy window, where Flash Device now stands.
        QPushButton* flash = window.Button[kFlashDeviceButton];
        const QPoint centre = flash->rect().center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QCoreApplication::postEvent(
                flash, new QMouseEvent(type, centre, flash->mapToGlobal(centre), Qt::LeftButton,
                                       Qt::LeftButton, Qt::NoModifier));
        }
    };
    click(kFindDeviceButton);
    QApplication::processEvents();
    EXPECT_EQ(operations.flashes, 0);
    EXPECT_TRUE(window.Button[kFlashDeviceButton]->isVisible());
}

TEST_F(WindowTest, MessageBoxesAreWideEnoughForTheirTitleAndCarryTheProgramsIcon) {
    for (std::string_view title :
         {text::kCheckDeviceTitle, text::kReadErrorTitle, text::kUsbErrorTitle,
          text::kHardwareNotPresent, text::kRfFirmwareTitle, text::kCommunicationFailureTitle}) {
        QMessageBox* box =
            MainWindow::makeMessageBox(text::kNoDevice, title, MessageStyle::OkOnly, nullptr);
        QFont bold = box->font();
        bold.setBold(true);
        const QString caption =
            QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
        // The title, and room for the window manager's icon and buttons beside it.
        EXPECT_GE(box->sizeHint().width(), QFontMetrics(bold).horizontalAdvance(caption) + 120)
            << title;
        EXPECT_FALSE(box->windowIcon().isNull());
        delete box;
    }
}

TEST_F(WindowTest, TheFixedWindowOffersNeitherMaximiseNorFullScreenAndCarriesTheIcon) {
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowFullscreenButtonHint));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_FALSE(window.windowIcon().pixmap(32).isNull());
}

TEST_F(WindowTest, LongestTextsAreReadableInFull) {
    for (const char* status : {"Put device in programming mode and click button below",
                               "Satellite Receiver: v9.15  -  Upgrading to: v9.15",
                               "Transmitter: v9.15  -  Upgrading to: v9.15"}) {
        window.setStatusText(status);
        const QFontMetrics metrics(window.StatusText->font());
        EXPECT_LE(metrics.horizontalAdvance(window.StatusText->text()), window.StatusText->width())
            << status;
        EXPECT_GE(window.StatusText->font().pointSizeF(), 6.0);
    }
    window.setDeviceName("3 channel top pin receiver (RGB LED)");
    EXPECT_LE(QFontMetrics(window.DeviceName->font()).horizontalAdvance(window.DeviceName->text()),
              window.DeviceName->width());
    for (QPushButton* button : window.Button) {
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 8, button->width());
    }
}

TEST_F(WindowTest, ClosingIsRefusedWhileAnOperationRuns) {
    ASSERT_TRUE(start());
    bool stillOpen = false;
    operations.check = [this, &stillOpen] {
        window.close();  // the user closes the window while the operation yields
        stillOpen = window.isVisible() && !logic.isUnloaded();
    };
    click(kFindDeviceButton);
    EXPECT_TRUE(stillOpen);
    adapter.clearCalls();
    window.close();
    EXPECT_TRUE(logic.isUnloaded());
    EXPECT_EQ(adapter.calls(),
              (std::vector<std::string>{"FT_SetBitMode(0x44, 0x20)", "FT_Close()"}));
}

TEST_F(WindowTest, TheProgramMayCloseTheWindowDuringAnOperation) {
    ASSERT_TRUE(start());
    operations.check = [this] { window.closeWindow(); };
    click(kFindDeviceButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(logic.isUnloaded());
}

TEST_F(WindowTest, MessageBoxesOfStyleZeroHaveOneOkButtonAndNoIcon) {
    QMessageBox* box = MainWindow::makeMessageBox("Error reading device!", "Read Error",
                                                  MessageStyle::OkOnly, nullptr);
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Read Error"));
    EXPECT_EQ(box->text(), QStringLiteral("Error reading device!"));
    delete box;
}

TEST_F(WindowTest, RendersTheFourScreensToPictures) {
    ASSERT_TRUE(start());
    const QString dir = QStringLiteral(HALVENMARK_SCREENS_DIR);
    QDir().mkpath(dir);
    identifies();
    succeedsFlashing();
    EXPECT_TRUE(window.grab().save(dir + "/start.png"));
    click(kFindDeviceButton);
    EXPECT_TRUE(window.grab().save(dir + "/device.png"));
    window.setButtonVisible(kFlashDeviceButton, false);
    window.setButtonVisible(kAbortFlashButton, false);
    window.setProgressVisible(true);
    window.setProgressMax(2212);
    window.setProgressValue(1100);
    window.setStatusText(text::kFlashingDevice);
    EXPECT_TRUE(window.grab().save(dir + "/flashing.png"));
    window.setButtonVisible(kFlashDeviceButton, true);
    window.setButtonVisible(kAbortFlashButton, true);
    window.setProgressVisible(false);
    click(kFlashDeviceButton);
    EXPECT_TRUE(window.grab().save(dir + "/done.png"));
}

}  // namespace
}  // namespace halvenmark
