#pragma once
// Watches the logical drives and reports each drive that appears or disappears (the shell's
// drive notices). The mount table gives no file-change signal, so the list is polled.
// GUI thread only: the handler runs on the thread that owns the watcher.

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <functional>

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
    void Poll();

private:
    Handler m_handler;
    QStringList m_known;
    QTimer m_timer;
};

}  // namespace platform
