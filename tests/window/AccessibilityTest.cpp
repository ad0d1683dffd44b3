// What a screen reader learns of the window through Qt's accessibility interface: run under
// Xvfb with an AT-SPI bus (scripts/with-screen-reader.sh), where Qt's accessibility is live.
#include <gtest/gtest.h>
#include <QAccessible>
#include <QLabel>

#include <algorithm>

#include "protocol/Messages.h"
#include "support/WindowFixture.h"

namespace halvenmark {
namespace {

using testing::WindowTest;

// What Qt's accessibility interface tells a screen reader: the events it sends, in order.
class AccessibilityEvents {
  public:
    struct Seen {
        QObject* object;
        QAccessible::Event type;
    };
    AccessibilityEvents() {
        instance_ = this;
        QAccessible::setActive(true);
        QAccessible::installUpdateHandler([](QAccessibleEvent* event) {
            instance_->seen.push_back({event->object(), event->type()});
        });
    }
    ~AccessibilityEvents() { QAccessible::installUpdateHandler(nullptr); }
    int count(QObject* object, QAccessible::Event type) const {
        return static_cast<int>(std::count_if(seen.begin(), seen.end(), [&](const Seen& s) {
            return s.object == object && s.type == type;
        }));
    }
    std::vector<Seen> seen;

  private:
    static AccessibilityEvents* instance_;
};
AccessibilityEvents* AccessibilityEvents::instance_ = nullptr;

QString readName(QObject* object) {
    return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name);
}

TEST_F(WindowTest, AScreenReaderIsListening) {
    // The tests below see what Qt tells a screen reader only when one listens (AT-SPI).
    ASSERT_TRUE(QAccessible::isActive());
}

TEST_F(WindowTest, TheStatusLineAndDeviceNameAreReadByTheirTextAndEveryChangeIsAnnounced) {
    AccessibilityEvents events;
    window.setStatusText(text::kCheckingDevice);
    window.setDeviceName("Satellite receiver");
    window.setStatusText("Satellite Receiver: v9.15  -  Upgrading to: v9.15");
    EXPECT_EQ(readName(window.StatusText),
              QStringLiteral("Satellite Receiver: v9.15  -  Upgrading to: v9.15"));
    EXPECT_EQ(readName(window.DeviceName), QStringLiteral("Satellite receiver"));
    EXPECT_EQ(events.count(window.StatusText, QAccessible::NameChanged), 2);
    EXPECT_EQ(events.count(window.DeviceName, QAccessible::NameChanged), 1);
    EXPECT_EQ(
        QAccessible::queryAccessibleInterface(window.StatusText)->text(QAccessible::Description),
        QStringLiteral("Status"));
}

TEST_F(WindowTest, TheFocusNeverVisitsAButtonAboutToGoAndRestsOnTheStatusWhileFlashing) {
    ASSERT_TRUE(start());
    identifies();
    QWidget* focusDuringFlash = nullptr;
    QString readDuringFlash;
    operations.flash = [&] {
        window.setButtonVisible(kFlashDeviceButton, false);
        window.setButtonVisible(kAbortFlashButton, false);
        window.setProgressVisible(true);
        window.setStatusText(text::kFlashingDevice);
        window.yieldToEventLoop();
        focusDuringFlash = QApplication::focusWidget();
        readDuringFlash = readName(focusDuringFlash);
    };
    QTest::keyClick(&window, Qt::Key_Return);  // Find Device
    ASSERT_TRUE(window.Button[kFlashDeviceButton]->hasFocus());
    QTest::qWait(MainWindow::kFlashKeyGuardMs + 50);
    AccessibilityEvents events;
    QTest::keyClick(window.Button[kFlashDeviceButton], Qt::Key_Space);
    EXPECT_EQ(operations.flashes, 1);
    EXPECT_EQ(events.count(window.Button[kAbortFlashButton], QAccessible::Focus), 0);
    EXPECT_EQ(focusDuringFlash, window.StatusText);
    EXPECT_EQ(readDuringFlash, QStringLiteral("Flashing device..."));
}

}  // namespace
}  // namespace halvenmark
