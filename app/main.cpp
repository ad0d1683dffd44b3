// halvenmark-updater: finds the device on the adapter, tells what it is and what it will get,
// writes the new firmware and proves every byte by reading it back.
#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/FirmwareChoice.h"
#include "app/FirmwareCommands.h"
#include "app/FrmStart.h"
#include "app/SessionLog.h"
#include "app/UpdaterCommandLine.h"
#include "app/UpdaterOperations.h"
#include "app/window/MainWindow.h"
#include "app/window/SingleInstance.h"
#include "catalogue/StoreWithPack.h"
#include "link/SystemDriver.h"
#include "link/TracingDriver.h"
#include "protocol/Messages.h"
#include "resources/EmbeddedResources.h"

namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

}  // namespace

int main(int argc, char** argv) {
    using namespace halvenmark;
    // What needs no window is done before Qt is started, so it works without a display.
    const UpdaterCommand command = parseUpdaterCommandLine({argv + 1, argv + argc});
    const resources::EmbeddedStore embedded;
    const Environment environment = processEnvironment();
    switch (command.kind) {
        case UpdaterCommand::Kind::Help:
            std::cout << kUpdaterUsage;
            return 0;
        case UpdaterCommand::Kind::Version:
            std::cout << "halvenmark-updater " << HALVENMARK_VERSION_MAJOR << '.'
                      << HALVENMARK_VERSION_MINOR << '\n';
            return 0;
        case UpdaterCommand::Kind::UsageError:
            std::cerr << "halvenmark-updater: " << command.error << '\n' << kUpdaterUsage;
            return kExitUpdaterUsage;
        case UpdaterCommand::Kind::CheckFirmware:
            return checkFirmware(*command.pack, embedded, std::cout);
        case UpdaterCommand::Kind::InstallFirmware:
            return installFirmware(*command.pack, userPackPlace(environment, kWindows), embedded,
                                   std::cout);
        case UpdaterCommand::Kind::Run:
            break;
    }
    // The pack is checked whole before any adapter is opened; a refused one ends the program.
    const FirmwareChoice firmware = chooseFirmware(
        command.pack,
        installedPackPlaces(environment, kWindows, std::filesystem::path(argv[0]).parent_path()));

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("halvenmark-updater"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(HALVENMARK_VERSION_MAJOR).arg(HALVENMARK_VERSION_MINOR));
    if (firmware.refused()) {
        std::cerr << "halvenmark-updater: firmware pack " << firmware.location->string()
                  << " refused: " << firmware.refusal << '\n';
        MainWindow::makeMessageBox(packRefusalMessage(firmware), text::kPackRefusedTitle,
                                   MessageStyle::OkOnly, nullptr)
            ->exec();
        return kExitPackRefused;
    }
    if (firmware.pack) {
        std::cerr << "halvenmark-updater: firmware pack " << firmware.pack->name << ' '
                  << firmware.pack->version << " from " << firmware.location->string() << '\n';
    }

    SingleInstance instance(SingleInstance::defaultLockPath());
    StartupFacts facts;
    facts.anotherCopyRunning = instance.anotherCopyRunning();
    facts.executableName =
        QFileInfo(QApplication::applicationFilePath()).completeBaseName().toStdString();

    // The session's record, for the user to send when something fails; it never stands in the way.
    SessionLog log(sessionLogFolder(environment, kWindows));
    log.note(std::string("halvenmark-updater ") + std::to_string(HALVENMARK_VERSION_MAJOR) + '.' +
             std::to_string(HALVENMARK_VERSION_MINOR) + ", firmware: " +
             (firmware.pack ? "the pack " + firmware.pack->name + ' ' + firmware.pack->version +
                                  " from " + firmware.location->string()
                            : std::string("the built-in images")));
    const auto systemDriver = makeSystemDriver();
    TracingDriver driver(*systemDriver, &log);
    std::optional<catalogue::StoreWithPack> packed;
    const StoreWithOrigins& images =
        firmware.pack
            ? static_cast<const StoreWithOrigins&>(packed.emplace(embedded, *firmware.pack))
            : embedded;
    // A placeholder image must never reach a device: the program's store does not hand them out,
    // so a device that would get one is refused as one without an image.
    bool told = false;
    const resources::PlaceholderRefusingStore store(images, [&told](int) {
        if (!std::exchange(told, true)) {
            std::cerr << "halvenmark-updater: " << resources::kPlaceholderNote << '\n';
        }
    });
    LinkState state;
    HMUModule link(state, driver);
    MainWindow window(store);
    LoggingView view(window, log);
    const Session session{state, link, view, store};
    UpdaterOperations updater(session);
    LoggingOperations operations(updater, state, log);
    FrmStart logic(state, link, view, operations);
    window.setLogic(&logic);

    const FrmStart::LoadResult loaded = logic.Load(facts);
    noteAdapter(log, state, driver);
    if (loaded == FrmStart::LoadResult::EndProgram) {
        log.note("the program ends at start-up");
        return 0;
    }
    window.show();
    const int result = QApplication::exec();
    logic.Unload();
    log.note("the window is closed: the session ends");
    return result;
}
