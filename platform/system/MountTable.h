#pragma once
// The real drives of a Linux system: file systems from the mount table, typed and labelled
// from sysfs and the by-label links of udev. The system paths are parameters so tests can
// hand in a prepared tree. Any thread may call.

#include "platform/system/Drives.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace platform {

struct MountEntry {
    uint32_t major = 0;
    uint32_t minor = 0;
    QString rootInFs;  // "/" unless a folder of the file system is bound here
    QString mountPoint;
    QString fsType;
    QString source;
};

struct SystemPaths {
    QString mountInfo = QStringLiteral("/proc/self/mountinfo");
    QString sysDevBlock = QStringLiteral("/sys/dev/block");
    QString byLabel = QStringLiteral("/dev/disk/by-label");
};

// Malformed lines are skipped; octal escapes (\040) in paths are decoded.
std::vector<MountEntry> ParseMountInfo(const QByteArray& text);

// Kernel and memory file systems that are no drives (proc, tmpfs, cgroup...).
bool IsPseudoFileSystem(const QString& fsType);

// Drives of the mount table: whole file systems on block devices or network shares, each
// device once, at its first mount point.
std::vector<DriveInfo> ListMountedDrives(const SystemPaths& paths = {});

}  // namespace platform
