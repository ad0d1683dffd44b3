#include "app/window/SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

namespace halvenmark {

SingleInstance::SingleInstance(const QString& lockPath) : lock_(lockPath) {
    lock_.setStaleLockTime(0);
    owned_ = lock_.tryLock(0);
}

QString SingleInstance::defaultLockPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) {
        dir = QDir::tempPath();
    }
    return dir + QStringLiteral("/halvenmark-updater.lock");
}

}  // namespace halvenmark
