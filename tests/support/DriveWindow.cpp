// Preloaded into the installed or built program (LD_PRELOAD) to use its window as a person at
// the screen would, with no display: it prints every modal message box as
// "message: TITLE | TEXT" and presses its OK button, prints the status line as "status: TEXT"
// each time it changes, and, when HALVENMARK_DRIVE lists steps ("find flash close"), presses
// those buttons in turn once the window shows and each press has ended, or closes the window. The
// program has no hook for this; Qt runs the startup function below when the application object is
// made.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <memory>

namespace {

struct Driver {
    QStringList steps;
    QString status;
    bool pressing = false;  // a press runs; the flash yields to the event loop meanwhile
};

QWidget* mainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("frmStart"))
            return widget;
    }
    return nullptr;
}

void printStatus(Driver& driver, QWidget* window) {
    auto* status = window->findChild<QLabel*>(QStringLiteral("StatusText"));
    if (status != nullptr && status->text() != driver.status) {
        driver.status = status->text();
        std::printf("status: %s\n", qPrintable(driver.status));
        std::fflush(stdout);
    }
}

// Takes the next step: a press of its button when it shows, else, the screen having settled
// since the last press, "skipped: STEP" as the bench prints it.
void step(Driver& driver, QWidget* window) {
    static const QStringList kButtons{QStringLiteral("find"), QStringLiteral("flash"),
                                      QStringLiteral("abort"), QStringLiteral("ok")};
    if (driver.steps.isEmpty() || !window->isVisible()) {
        return;
    }
    const QString next = driver.steps.front();
    if (next == QLatin1String("close")) {
        driver.steps.pop_front();
        window->close();
        return;
    }
    auto* button =
        window->findChild<QPushButton*>(QStringLiteral("Button%1").arg(kButtons.indexOf(next)));
    driver.steps.pop_front();
    if (button == nullptr || !button->isVisible() || !button->isEnabled()) {
        std::printf("skipped: %s\n", qPrintable(next));
        std::fflush(stdout);
        return;
    }
    driver.pressing = true;
    // Pressed from the event loop, not from inside the timer: Qt holds a timer back while its
    // own handler runs, and the press may show message boxes this timer must dismiss.
    QMetaObject::invokeMethod(
        button,
        [&driver, button, window] {
            button->click();
            driver.pressing = false;
            printStatus(driver, window);
        },
        Qt::QueuedConnection);
}

void drive() {
    auto driver = std::make_shared<Driver>();  // lives as long as the timer's handler
    driver->steps =
        qEnvironmentVariable("HALVENMARK_DRIVE").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [driver] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            std::printf("message: %s | %s\n", qPrintable(box->windowTitle()),
                        qPrintable(box->text()));
            std::fflush(stdout);
            box->button(QMessageBox::Ok)->click();
            return;
        }
        QWidget* window = mainWindow();
        if (window == nullptr) {
            return;
        }
        printStatus(*driver, window);
        if (!driver->pressing) {
            step(*driver, window);
        }
    });
    timer->start(10);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(drive)
