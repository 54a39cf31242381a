#include "MountTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace platform {
namespace {

// \ooo octal escapes as the kernel writes them for spaces, tabs, newlines and backslashes.
QString DecodeMountField(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = false;
            const int value = digits.toInt(&ok, 8);
            if (ok && value < 256) {
                out.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return QString::fromUtf8(out);
}

// udev writes by-label names with \xHH escapes for blanks, slashes and other unsafe bytes.
QString DecodeUdevName(const QString& name) {
    const QByteArray in = name.toUtf8();
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '\\' && i + 3 < in.size() && in[i + 1] == 'x') {
            bool ok = false;
            const int value = in.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.append(in[i]);
    }
    return QString::fromUtf8(out);
}

bool IsNetworkFileSystem(const QString& fsType) {
    static const QSet<QString> kNetwork = {"nfs",       "nfs4", "cifs",       "smb3",
                                           "smbfs",     "9p",   "fuse.sshfs", "ceph",
                                           "glusterfs", "afs",  "davfs",      "fuse.rclone"};
    return kNetwork.contains(fsType);
}

QString ReadFirstLine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readLine(4096)).trimmed();
}

struct BlockDevice {
    bool known = false;
    QString sysPath;  // canonical sysfs folder of the device (partition or whole disk)
};

BlockDevice FindBlockDevice(const MountEntry& mount, const SystemPaths& paths) {
    uint32_t major = mount.major;
    uint32_t minor = mount.minor;
    if (major == 0) {
        // Some file systems (btrfs) report an anonymous device; the source names the real one.
        struct stat st {};
        if (!mount.source.startsWith('/') ||
            stat(mount.source.toLocal8Bit().constData(), &st) != 0 || !S_ISBLK(st.st_mode)) {
            return {};
        }
        major = ::major(st.st_rdev);
        minor = ::minor(st.st_rdev);
    }
    BlockDevice device;
    device.known = true;
    device.sysPath =
        QFileInfo(QStringLiteral("%1/%2:%3").arg(paths.sysDevBlock).arg(major).arg(minor))
            .canonicalFilePath();
    return device;
}

DriveType ClassifyBlockDevice(const QString& sysPath) {
    if (sysPath.isEmpty()) {
        return DriveType::Fixed;
    }
    QString diskPath = sysPath;
    if (QFileInfo::exists(sysPath + "/partition")) {
        diskPath = QFileInfo(sysPath).path();
    }
    const QString disk = QFileInfo(diskPath).fileName();
    if (disk.startsWith("sr")) {
        return DriveType::CdRom;
    }
    if (disk.startsWith("ram") || disk.startsWith("zram")) {
        return DriveType::RamDisk;
    }
    if (ReadFirstLine(diskPath + "/removable") == "1" || diskPath.contains("/usb") ||
        disk.startsWith("mmcblk")) {
        return DriveType::Removable;
    }
    return DriveType::Fixed;
}

QString LabelOf(const MountEntry& mount, const QString& sysPath, const SystemPaths& paths) {
    const QString deviceName = QFileInfo(sysPath).fileName();
    const QString sourcePath = QFileInfo(mount.source).canonicalFilePath();
    const QDir dir(paths.byLabel);
    for (const QFileInfo& link :
         dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const QString target = link.symLinkTarget();
        const bool sameName = !deviceName.isEmpty() && QFileInfo(target).fileName() == deviceName;
        const bool samePath =
            !sourcePath.isEmpty() && QFileInfo(target).canonicalFilePath() == sourcePath;
        if (sameName || samePath) {
            return DecodeUdevName(link.fileName());
        }
    }
    return {};
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(const QByteArray& text) {
    std::vector<MountEntry> entries;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        // id parent major:minor root mount-point options [optional...] - type source super
        const qsizetype separator = fields.indexOf("-");
        if (fields.size() < 10 || separator < 6 || separator + 2 >= fields.size()) {
            continue;
        }
        const QList<QByteArray> device = fields[2].split(':');
        bool majorOk = false;
        bool minorOk = false;
        MountEntry entry;
        if (device.size() == 2) {
            entry.major = device[0].toUInt(&majorOk);
            entry.minor = device[1].toUInt(&minorOk);
        }
        if (!majorOk || !minorOk) {
            continue;
        }
        entry.rootInFs = DecodeMountField(fields[3]);
        entry.mountPoint = DecodeMountField(fields[4]);
        entry.fsType = DecodeMountField(fields[separator + 1]);
        entry.source = DecodeMountField(fields[separator + 2]);
        entries.push_back(entry);
    }
    return entries;
}

bool IsPseudoFileSystem(const QString& fsType) {
    static const QSet<QString> kPseudo = {
        "proc",    "sysfs",           "devtmpfs",    "devpts",     "tmpfs",     "ramfs",
        "cgroup",  "cgroup2",         "securityfs",  "pstore",     "efivarfs",  "debugfs",
        "tracefs", "configfs",        "fusectl",     "mqueue",     "hugetlbfs", "bpf",
        "autofs",  "binfmt_misc",     "rpc_pipefs",  "nsfs",       "selinuxfs", "squashfs",
        "overlay", "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs", "nfsd",      "rootfs"};
    return kPseudo.contains(fsType);
}

std::vector<DriveInfo> ListMountedDrives(const SystemPaths& paths) {
    QFile file(paths.mountInfo);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    std::vector<DriveInfo> drives;
    QSet<QString> seenDevices;
    QSet<QString> seenRoots;
    for (const MountEntry& mount : ParseMountInfo(file.readAll())) {
        if (IsPseudoFileSystem(mount.fsType) || !QFileInfo(mount.mountPoint).isDir()) {
            continue;
        }
        DriveInfo drive;
        drive.root = mount.mountPoint.endsWith('/') ? mount.mountPoint : mount.mountPoint + '/';
        QString deviceKey;
        if (IsNetworkFileSystem(mount.fsType)) {
            drive.type = DriveType::Remote;
            deviceKey = mount.fsType + ' ' + mount.source;
        } else {
            const BlockDevice device = FindBlockDevice(mount, paths);
            if (!device.known) {
                continue;
            }
            drive.type = ClassifyBlockDevice(device.sysPath);
            drive.label = LabelOf(mount, device.sysPath, paths);
            deviceKey =
                QStringLiteral("%1:%2 %3").arg(mount.major).arg(mount.minor).arg(mount.source);
        }
        // A device bound at several places, or a mount point mounted over, counts once.
        if (seenDevices.contains(deviceKey) || seenRoots.contains(drive.root)) {
            continue;
        }
        seenDevices.insert(deviceKey);
        seenRoots.insert(drive.root);
        drives.push_back(drive);
    }
    return drives;
}

}  // namespace platform
