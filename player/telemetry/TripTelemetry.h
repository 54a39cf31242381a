#pragma once
// The GPS fixes of a trip's recordings, read on a worker thread (a trip may hold dozens of
// files) and handed to the UI thread in one piece by a queued call. Fixes of a file read
// before are kept while it is unchanged (path, size and modification time).

#include "player/telemetry/GPSData.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace player {

class CTripTelemetry : public QObject {
    Q_OBJECT

public:
    CTripTelemetry();
    // Drops the read under way and waits for the worker to leave it.
    ~CTripTelemetry() override;
    CTripTelemetry(const CTripTelemetry&) = delete;
    CTripTelemetry& operator=(const CTripTelemetry&) = delete;

    // UI thread. Reads these recordings' fixes; a read under way is dropped. Asking again for
    // the paths last asked for does nothing.
    void Request(const QStringList& paths);
    // UI thread. The paths whose fixes arrived last, and their fixes in the same order.
    const QStringList& Paths() const { return m_paths; }
    const std::vector<std::vector<CGPSData>>& Fixes() const { return m_fixes; }

signals:
    // The fixes of the last request arrived (UI thread).
    void Arrived();

private:
    struct Stamp {
        qint64 size = -1;
        qint64 modifiedMs = 0;
        std::vector<CGPSData> fixes;
    };

    // Worker thread.
    void Read(uint64_t generation, const QStringList& paths);
    // UI thread.
    void Deliver(uint64_t generation, const QStringList& paths,
                 std::vector<std::vector<CGPSData>> fixes);

    std::atomic<uint64_t> m_generation{0};
    QStringList m_requested;                     // UI thread
    QStringList m_paths;                         // UI thread
    std::vector<std::vector<CGPSData>> m_fixes;  // UI thread
    std::mutex m_filesMutex;                     // guards m_files, the worker's
    QHash<QString, Stamp> m_files;
    // Last: destroyed first, after the destructor waited for it.
    QThreadPool m_pool;
};

}  // namespace player
