#include "platform/system/ShellFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

QString GetDesktopFolder() {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!desktop.isEmpty() && QFileInfo(desktop).isDir()) {
        return QDir::cleanPath(desktop);
    }
    return QDir::cleanPath(QDir::homePath());
}

QString GetUserCacheFolder() {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty()) {
        return {};
    }
    const QString folder = QDir::cleanPath(cache + QStringLiteral("/RoadPlayer"));
    return QDir().mkpath(folder) ? folder : QString();
}

}  // namespace platform
