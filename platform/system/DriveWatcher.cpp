#include "DriveWatcher.h"

#include "platform/system/Drives.h"

namespace platform {

DriveWatcher::DriveWatcher(QObject* parent) : QObject(parent) {
    connect(&m_timer, &QTimer::timeout, this, &DriveWatcher::Poll);
    m_known = GetLogicalDrives();
}

void DriveWatcher::SetHandler(Handler handler) {
    m_handler = std::move(handler);
}

void DriveWatcher::Start(int intervalMs) {
    m_known = GetLogicalDrives();
    m_timer.start(intervalMs);
}

void DriveWatcher::Stop() {
    m_timer.stop();
}

void DriveWatcher::Poll() {
    const QStringList current = GetLogicalDrives();
    const QStringList previous = m_known;
    m_known = current;
    if (!m_handler) {
        return;
    }
    // Copy the handler: it may replace itself or stop the watcher.
    const Handler handler = m_handler;
    for (const QString& root : previous) {
        if (!current.contains(root)) {
            handler(kDriveRemovedCode, root);
        }
    }
    for (const QString& root : current) {
        if (!previous.contains(root)) {
            handler(kDriveAddedCode, root);
        }
    }
}

}  // namespace platform
