#pragma once
// Logical drives: the mounted file systems plus the virtual drives named in the environment,
// each addressed by its root (the mount point ending in "/"). Any thread may call; every call
// reads the current mount table, so results follow mounts and removals at once.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

enum class DriveType { Unknown, NoRootDir, Removable, Fixed, Remote, CdRom, RamDisk };

// The drive notice delivered to a registered window: message, then code and root.
inline constexpr uint32_t kWmUser = 0x0400;
inline constexpr uint32_t kDriveNoticeMessage = kWmUser + 200;
inline constexpr uint32_t kDriveAddedCode = 0x100;
inline constexpr uint32_t kDriveRemovedCode = 0x80;

// "PATH" or "PATH=LABEL" entries separated by ";"; each is a removable drive while PATH exists.
inline constexpr char kVirtualDrivesVariable[] = "ROADPLAYER_VIRTUAL_DRIVES";
// Without "=LABEL", the first line of this file in PATH is the label.
inline constexpr char kVirtualLabelFile[] = ".volume_label";

struct DriveInfo {
    QString root;  // ends in "/"
    DriveType type = DriveType::Unknown;
    QString label;  // empty when the file system has none
    // The root folder's device and inode (virtual drives): a folder removed and made anew is
    // another drive even under the same path.
    uint64_t device = 0;
    uint64_t inode = 0;
};

// Mounted drives in mount-table order, then the virtual drives in the order they are named.
std::vector<DriveInfo> ListDrives();
QStringList GetLogicalDrives();
// NoRootDir when root is not the root of a listed drive.
DriveType GetDriveType(const QString& root);
// nullopt when root is not the root of a listed drive.
std::optional<QString> GetVolumeLabel(const QString& root);

// The virtual drives of a variable's value whose folders exist now, one per folder however it
// is spelt (exposed for tests). skipped (may be null) gets each entry left out, with the reason.
std::vector<DriveInfo> ParseVirtualDrives(const QString& value, QStringList* skipped = nullptr);

const char* DriveTypeName(DriveType type);

}  // namespace platform
