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

}  // namespace platform
