// The accessibility tests: on the display and AT-SPI bus that scripts/with-screen-reader.sh
// provides, where Qt tells a screen reader what the window shows.
#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QTest>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("halvenmark-updater"));
    // Qt joins the accessibility bus a moment after start; should it not, the first test
    // (AScreenReaderIsListening) says so.
    static_cast<void>(QTest::qWaitFor([] { return QAccessible::isActive(); }, 5000));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
