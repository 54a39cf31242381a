#pragma once
// Watches the logical drives and reports each drive that appears or disappears (the shell's
// drive notices). The mount table gives no file-change signal, so the list is polled.
// GUI thread only: the handler runs on the thread that owns the watcher.

#include "platform/system/Drives.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

class DriveWatcher : public QObject {
    Q_OBJECT
public:
    // code: kDriveAddedCode or kDriveRemovedCode; root: the drive's root ending in "/".
    using Handler = std::function<void(uint32_t code, const QString& root)>;

    explicit DriveWatcher(QObject* parent = nullptr);

    void SetHandler(Handler handler);
    // Takes the current drives as known and polls every intervalMs.
    void Start(int intervalMs = 1000);
    void Stop();
    // One comparison with the known drives now: removals first, then additions, in list order.
    // A drive whose label or folder changed under the same root is removed and added again.
    void Poll();

private:
    Handler m_handler;
    std::vector<DriveInfo> m_known;
    QTimer m_timer;
};

}  // namespace platform
