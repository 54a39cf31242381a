#include "Drives.h"

#include "platform/system/MountTable.h"

#include <QFile>
#include <QFileInfo>

namespace platform {
namespace {

QString ReadVirtualLabel(const QString& folder) {
    QFile file(folder + '/' + QLatin1String(kVirtualLabelFile));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QString line = QString::fromUtf8(file.readLine(1024));
    while (line.endsWith('\n') || line.endsWith('\r')) {
        line.chop(1);
    }
    return line;
}

const DriveInfo* FindDrive(const std::vector<DriveInfo>& drives, const QString& root) {
    for (const DriveInfo& drive : drives) {
        if (drive.root == root) {
            return &drive;
        }
    }
    return nullptr;
}

}  // namespace

std::vector<DriveInfo> ParseVirtualDrives(const QString& value) {
    std::vector<DriveInfo> drives;
    for (const QString& entry : value.split(';', Qt::SkipEmptyParts)) {
        // Split at the last "=" so a folder name may itself hold one.
        const qsizetype equals = entry.lastIndexOf('=');
        const QString path = equals < 0 ? entry : entry.left(equals);
        if (path.isEmpty() || !QFileInfo(path).isDir()) {
            continue;
        }
        DriveInfo drive;
        drive.root = path.endsWith('/') ? path : path + '/';
        drive.type = DriveType::Removable;
        drive.label = equals < 0 ? ReadVirtualLabel(path) : entry.mid(equals + 1);
        if (!FindDrive(drives, drive.root)) {
            drives.push_back(drive);
        }
    }
    return drives;
}

std::vector<DriveInfo> ListDrives() {
    std::vector<DriveInfo> drives = ListMountedDrives();
    for (const DriveInfo& drive :
         ParseVirtualDrives(qEnvironmentVariable(kVirtualDrivesVariable))) {
        if (!FindDrive(drives, drive.root)) {
            drives.push_back(drive);
        }
    }
    return drives;
}

QStringList GetLogicalDrives() {
    QStringList roots;
    for (const DriveInfo& drive : ListDrives()) {
        roots.append(drive.root);
    }
    return roots;
}

DriveType GetDriveType(const QString& root) {
    const std::vector<DriveInfo> drives = ListDrives();
    const DriveInfo* drive = FindDrive(drives, root);
    return drive ? drive->type : DriveType::NoRootDir;
}

std::optional<QString> GetVolumeLabel(const QString& root) {
    const std::vector<DriveInfo> drives = ListDrives();
    const DriveInfo* drive = FindDrive(drives, root);
    if (!drive) {
        return std::nullopt;
    }
    return drive->label;
}

const char* DriveTypeName(DriveType type) {
    switch (type) {
        case DriveType::NoRootDir:
            return "no-root";
        case DriveType::Removable:
            return "removable";
        case DriveType::Fixed:
            return "fixed";
        case DriveType::Remote:
            return "remote";
        case DriveType::CdRom:
            return "cdrom";
        case DriveType::RamDisk:
            return "ramdisk";
        case DriveType::Unknown:
            break;
    }
    return "unknown";
}

}  // namespace platform
