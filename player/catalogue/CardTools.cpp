#include "player/catalogue/CardTools.h"

#include "platform/system/Drives.h"
#include "platform/system/InternetState.h"
#include "platform/system/Process.h"
#include "platform/window/Shell.h"
#include "platform/window/WaitCursor.h"
#include "player/catalogue/CatalogueLog.h"
#include "player/common/NormalizePath.h"

#include <QDir>
#include <QFileInfo>

namespace player {

bool FindCard(QString* cardRoot) {
    const platform::WaitCursor wait;
    for (const platform::DriveInfo& drive : platform::ListDrives()) {
        if (drive.type != platform::DriveType::Removable ||
            drive.label != QLatin1String(kCardLabel)) {
            continue;
        }
        QDir root(drive.root);
        if (!QFileInfo(root.filePath(QLatin1String(kSettingFolder))).isDir() &&
            !root.mkdir(QLatin1String(kSettingFolder))) {
            qCWarning(lcCatalogue) << "cannot create the settings folder on" << drive.root;
        }
        if (cardRoot != nullptr) {
            *cardRoot = drive.root;
        }
        return true;
    }
    return false;
}

std::optional<QString> RemovableDriveOf(const QString& path) {
    const QString file = NormalizePath(QFileInfo(path).absoluteFilePath());
    std::optional<QString> found;
    qsizetype foundLength = -1;
    for (const platform::DriveInfo& drive : platform::ListDrives()) {
        if (drive.type != platform::DriveType::Removable) {
            continue;
        }
        const QString root = NormalizePath(QFileInfo(drive.root).absoluteFilePath());
        const bool below = root == QLatin1String("/") || file.startsWith(root + '/');
        if (below && root.size() > foundLength) {
            found = drive.root;
            foundLength = root.size();
        }
    }
    return found;
}

bool StartSettingsTool(platform::Process& launchRecord, const QString& programFolder) {
    const QString program = programFolder + '/' + QLatin1String(kSettingsToolName);
    if (!launchRecord.Start(program, {}, programFolder)) {
        qCWarning(lcCatalogue) << "cannot start" << program;
        return false;
    }
    return true;
}

SiteOpening OpenSite(const QString& site) {
    if (!platform::IsConnectedToInternet()) {
        return SiteOpening::Offline;
    }
    if (!platform::ShellOpenUrl(site)) {
        qCWarning(lcCatalogue) << "no handler opened the site" << site;
        return SiteOpening::NoBrowser;
    }
    return SiteOpening::Opened;
}

}  // namespace player
