// halvenmark-updater: finds the device on the adapter, tells what it is and what it will get,
// writes the new firmware and proves every byte by reading it back.
#include <QApplication>
#include <QFileInfo>
#include <iostream>
#include <utility>

#include "app/FrmStart.h"
#include "app/UpdaterOperations.h"
#include "app/window/MainWindow.h"
#include "app/window/SingleInstance.h"
#include "link/SystemDriver.h"
#include "resources/EmbeddedResources.h"

int main(int argc, char** argv) {
    using namespace halvenmark;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("halvenmark-updater"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(HALVENMARK_VERSION_MAJOR).arg(HALVENMARK_VERSION_MINOR));

    SingleInstance instance(SingleInstance::defaultLockPath());
    StartupFacts facts;
    facts.anotherCopyRunning = instance.anotherCopyRunning();
    facts.executableName =
        QFileInfo(QApplication::applicationFilePath()).completeBaseName().toStdString();

    const auto driver = makeSystemDriver();
    const resources::EmbeddedStore embedded;
    // A placeholder image must never reach a device: the program's store does not hand them out,
    // so a device that would get one is refused as one without an image.
    bool told = false;
    const resources::PlaceholderRefusingStore store(embedded, [&told](int) {
        if (!std::exchange(told, true)) {
            std::cerr << "halvenmark-updater: " << resources::kPlaceholderNote << '\n';
        }
    });
    LinkState state;
    HMUModule link(state, *driver);
    MainWindow window(store);
    const Session session{state, link, window, store};
    UpdaterOperations operations(session);
    FrmStart logic(state, link, window, operations);
    window.setLogic(&logic);

    if (logic.Load(facts) == FrmStart::LoadResult::EndProgram) {
        return 0;
    }
    window.show();
    const int result = QApplication::exec();
    logic.Unload();
    return result;
}
