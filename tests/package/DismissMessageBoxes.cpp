// Preloaded into the installed program by the package check (LD_PRELOAD): prints every modal
// message box as "message: TITLE | TEXT" and presses its OK button, so the program can run to
// its end on the offscreen platform without anyone at the screen. The program has no hook for
// this; Qt runs the startup function below when the application object is made.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace {

void dismissBoxes() {
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            std::printf("message: %s | %s\n", qPrintable(box->windowTitle()),
                        qPrintable(box->text()));
            std::fflush(stdout);
            box->button(QMessageBox::Ok)->click();
        }
    });
    timer->start(10);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(dismissBoxes)
