#include "DriveWatcher.h"

#include <algorithm>

namespace platform {
namespace {

bool SameDrive(const DriveInfo& a, const DriveInfo& b) {
    return a.root == b.root && a.label == b.label && a.device == b.device && a.inode == b.inode;
}

bool Contains(const std::vector<DriveInfo>& drives, const DriveInfo& drive) {
    return std::any_of(drives.begin(), drives.end(),
                       [&drive](const DriveInfo& other) { return SameDrive(drive, other); });
}

}  // namespace

DriveWatcher::DriveWatcher(QObject* parent) : QObject(parent) {
    connect(&m_timer, &QTimer::timeout, this, &DriveWatcher::Poll);
    m_known = ListDrives();
}

void DriveWatcher::SetHandler(Handler handler) {
    m_handler = std::move(handler);
}

void DriveWatcher::Start(int intervalMs) {
    m_known = ListDrives();
    m_timer.start(intervalMs);
}

void DriveWatcher::Stop() {
    m_timer.stop();
}

void DriveWatcher::Poll() {
    const std::vector<DriveInfo> current = ListDrives();
    const std::vector<DriveInfo> previous = m_known;
    m_known = current;
    if (!m_handler) {
        return;
    }
    // Copy the handler: it may replace itself or stop the watcher.
    const Handler handler = m_handler;
    for (const DriveInfo& drive : previous) {
        if (!Contains(current, drive)) {
            handler(kDriveRemovedCode, drive.root);
        }
    }
    for (const DriveInfo& drive : current) {
        if (!Contains(previous, drive)) {
            handler(kDriveAddedCode, drive.root);
        }
    }
}

}  // namespace platform
