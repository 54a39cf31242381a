#pragma once
// Recording durations from the files' own index, read on a worker thread and kept by path,
// size and modification time: a listing never waits for them, and a file read once is read
// again only when it changed. Results reach the UI thread in batches by queued calls.

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace player {

class CDurationCache : public QObject {
    Q_OBJECT

public:
    // Reads one file's duration in ms; none when the file gives none. Called on the worker.
    using Probe = std::function<std::optional<int64_t>(const QString& path)>;

    // Without a probe, durations come from the file's own index (platform/media).
    explicit CDurationCache(Probe probe = {}, QObject* parent = nullptr);
    // Drops the pass under way and waits for the worker to leave it.
    ~CDurationCache() override;
    CDurationCache(const CDurationCache&) = delete;
    CDurationCache& operator=(const CDurationCache&) = delete;

    // UI thread. Reads these files' durations in this order on the worker; a pass still under
    // way is dropped. Unchanged files come from the cache, the others from the probe.
    void Request(const QStringList& paths);
    // UI thread. The duration last reported for a path; none when not (yet) known or the file
    // gives none.
    std::optional<int64_t> DurationMs(const QString& path) const;
    // UI thread. The same for the path at index of the last request, without a lookup.
    std::optional<int64_t> RequestedDurationMs(qsizetype index) const;
    // UI thread. The last request's results have all arrived.
    bool PassDone() const { return m_passDone; }

signals:
    // Some durations of the last request arrived (UI thread).
    void DurationsArrived();

private:
    struct Stamp {
        qint64 size = -1;
        qint64 modifiedMs = 0;
        std::optional<int64_t> durationMs;
    };
    // Indexes into the request.
    using Batch = std::vector<std::pair<qsizetype, std::optional<int64_t>>>;

    // Worker thread.
    void RunPass(uint64_t generation, const QStringList& paths);
    std::optional<int64_t> Lookup(const QString& path);
    void Send(uint64_t generation, Batch batch, bool done);
    // UI thread.
    void Deliver(uint64_t generation, const Batch& batch, bool done);

    Probe m_probe;
    std::atomic<uint64_t> m_generation{0};
    std::mutex m_filesMutex;  // guards m_files, which only the worker reads and writes
    QHash<QString, Stamp> m_files;
    // UI thread: every path's last duration, and the last request's paths and durations.
    QHash<QString, std::optional<int64_t>> m_known;
    QStringList m_requested;
    std::vector<std::optional<int64_t>> m_requestedMs;
    bool m_passDone = true;
    // Last: destroyed first, after the destructor waited for it.
    QThreadPool m_pool;
};

}  // namespace player
