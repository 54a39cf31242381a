#pragma once
// The incidents of the listed recordings: their telemetry read and judged on a worker thread
// and kept by path, size and modification time, so a listing never waits and a file is read
// again only when it changed. Results reach the UI thread in batches by queued calls.

#include "player/telemetry/IncidentDetector.h"

#include <QHash>
#include <QObject>
#include <QSet>
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

class CIncidentScan : public QObject {
    Q_OBJECT

public:
    // The incidents of one file; none when it cannot be read. Called on the worker.
    using Incidents = std::vector<Incident>;
    using Probe = std::function<std::optional<Incidents>(const QString& path,
                                                         const IncidentThresholds& thresholds)>;

    // Without a probe, the file's telemetry is read (no graph) and its incidents found.
    explicit CIncidentScan(Probe probe = {}, QObject* parent = nullptr);
    // Drops the pass under way and waits for the worker to leave it.
    ~CIncidentScan() override;
    CIncidentScan(const CIncidentScan&) = delete;
    CIncidentScan& operator=(const CIncidentScan&) = delete;

    // UI thread. Judges these files in this order with these thresholds on the worker; a pass
    // still under way is dropped. Unchanged files judged with the same thresholds come from
    // the cache. The preferred files among them are judged first.
    void Request(const QStringList& paths, const IncidentThresholds& thresholds);
    // UI thread. These files (those of the last request) are judged before the others, in this
    // order; a pass under way starts again with them first, keeping what was found.
    void Prefer(const QStringList& paths);
    // UI thread. The files of the last request known to hold an incident so far.
    const QSet<QString>& WithIncidents() const { return m_withIncidents; }
    // UI thread. A file's incidents once judged in the last request; null before or without.
    const Incidents* IncidentsOf(const QString& path) const;
    bool PassDone() const { return m_passDone; }

signals:
    // Some files of the last request were judged (UI thread).
    void Arrived();

private:
    struct Stamp {
        qint64 size = -1;
        qint64 modifiedMs = 0;
        std::optional<Incidents> incidents;
    };
    using Batch = std::vector<std::pair<QString, std::optional<Incidents>>>;

    // Worker thread.
    void RunPass(uint64_t generation, const QStringList& paths,
                 const IncidentThresholds& thresholds);
    std::optional<Incidents> Lookup(const QString& path, const IncidentThresholds& thresholds);
    // UI thread.
    void StartPass();
    void Send(uint64_t generation, Batch batch, bool done);
    // UI thread.
    void Deliver(uint64_t generation, const Batch& batch, bool done);

    Probe m_probe;
    std::atomic<uint64_t> m_generation{0};
    std::mutex m_filesMutex;  // guards m_files and m_judgedWith, which only the worker uses
    QHash<QString, Stamp> m_files;
    std::optional<IncidentThresholds> m_judgedWith;
    // UI thread: the last request, the files preferred in it, and what was found of it.
    QStringList m_paths;
    IncidentThresholds m_thresholds;
    QStringList m_preferred;
    QSet<QString> m_withIncidents;
    QHash<QString, Incidents> m_incidents;
    bool m_passDone = true;
    // Last: destroyed first, after the destructor waited for it.
    QThreadPool m_pool;
};

}  // namespace player
