#include "Drives.h"

#include "platform/system/MountTable.h"
#include "platform/system/RegularFile.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <utility>

#include <sys/stat.h>

namespace platform {
namespace {

constexpr int64_t kLabelReadLimitBytes = 1024;

QString ReadVirtualLabel(const QString& folder) {
    QByteArray bytes;
    if (ReadRegularFile(folder + '/' + QLatin1String(kVirtualLabelFile), kLabelReadLimitBytes,
                        &bytes, nullptr, Oversize::ReadPrefix) != FileReadStatus::Ok) {
        return {};
    }
    const qsizetype end = bytes.indexOf('\n');
    QString line = QString::fromUtf8(end < 0 ? bytes : bytes.left(end));
    while (line.endsWith('\r')) {
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

std::vector<DriveInfo> ParseVirtualDrives(const QString& value, QStringList* skipped) {
    std::vector<DriveInfo> drives;
    std::vector<std::pair<uint64_t, uint64_t>> seen;
    for (const QString& entry : value.split(';', Qt::SkipEmptyParts)) {
        // Split at the last "=" so a folder name may itself hold one.
        const qsizetype equals = entry.lastIndexOf('=');
        const QString path = equals < 0 ? entry : entry.left(equals);
        struct stat info {};
        if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0 ||
            !S_ISDIR(info.st_mode)) {
            if (skipped != nullptr) {
                skipped->append(QStringLiteral("%1: not a folder").arg(entry));
            }
            continue;
        }
        // One folder spelt two ways ("a", "a//", "a/../a") is one drive.
        const std::pair<uint64_t, uint64_t> identity{info.st_dev, info.st_ino};
        if (std::find(seen.begin(), seen.end(), identity) != seen.end()) {
            continue;
        }
        seen.push_back(identity);
        DriveInfo drive;
        const QString clean = QDir::cleanPath(path);
        drive.root = clean.endsWith('/') ? clean : clean + '/';
        drive.type = DriveType::Removable;
        drive.label = equals < 0 ? ReadVirtualLabel(path) : entry.mid(equals + 1);
        drive.device = identity.first;
        drive.inode = identity.second;
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
