#include "player/catalogue/IncidentScan.h"

#include "player/catalogue/CatalogueLog.h"
#include "player/telemetry/ClipTelemetry.h"
#include "player/telemetry/TextData.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <tuple>

namespace player {

namespace {

// How often a pass hands what it found to the UI thread.
constexpr qint64 kBatchIntervalMs = 100;

std::optional<CIncidentScan::Incidents> FindIncidents(const QString& path,
                                                      const IncidentThresholds& thresholds) {
    // A store of the worker's own, never the window's.
    CTextData telemetry;
    LoadRecordingTelemetry(path, &telemetry);
    return DetectIncidents(MotionSeriesOf(telemetry), thresholds);
}

bool SameThresholds(const IncidentThresholds& a, const IncidentThresholds& b) {
    const auto fields = [](const IncidentThresholds& t) {
        return std::tie(t.brakingG, t.brakingHoldMs, t.accelerationG, t.accelerationHoldMs,
                        t.corneringG, t.corneringHoldMs, t.impactG, t.mergeMs);
    };
    return fields(a) == fields(b);
}

}  // namespace

CIncidentScan::CIncidentScan(Probe probe, QObject* parent)
    : QObject(parent), m_probe(probe ? std::move(probe) : Probe(FindIncidents)) {
    // One pass at a time, in list order; it yields to the UI thread and to playback.
    m_pool.setMaxThreadCount(1);
    m_pool.setThreadPriority(QThread::LowPriority);
}

CIncidentScan::~CIncidentScan() {
    ++m_generation;
    m_pool.clear();
    m_pool.waitForDone();
}

void CIncidentScan::Request(const QStringList& paths, const IncidentThresholds& thresholds) {
    m_paths = paths;
    m_thresholds = thresholds;
    m_withIncidents.clear();
    m_incidents.clear();
    StartPass();
}

void CIncidentScan::Prefer(const QStringList& paths) {
    if (paths == m_preferred) {
        return;
    }
    m_preferred = paths;
    const bool judged = std::all_of(paths.begin(), paths.end(), [this](const QString& path) {
        return !m_paths.contains(path) || m_incidents.contains(path);
    });
    if (!judged) {
        StartPass();  // what was judged comes from the cache again at once
    }
}

const CIncidentScan::Incidents* CIncidentScan::IncidentsOf(const QString& path) const {
    const auto found = m_incidents.constFind(path);
    return found != m_incidents.cend() ? &*found : nullptr;
}

void CIncidentScan::StartPass() {
    const uint64_t generation = ++m_generation;
    m_passDone = false;
    const QSet<QString> requested(m_paths.begin(), m_paths.end());
    QStringList ordered;
    ordered.reserve(m_paths.size());
    QSet<QString> first;
    for (const QString& path : m_preferred) {
        if (requested.contains(path) && !first.contains(path)) {
            ordered << path;
            first.insert(path);
        }
    }
    for (const QString& path : m_paths) {
        if (!first.contains(path)) {
            ordered << path;
        }
    }
    m_pool.start([this, generation, ordered = std::move(ordered), thresholds = m_thresholds] {
        RunPass(generation, ordered, thresholds);
    });
}

void CIncidentScan::RunPass(uint64_t generation, const QStringList& paths,
                            const IncidentThresholds& thresholds) {
    {
        // What was judged with other thresholds says nothing now.
        const std::lock_guard lock(m_filesMutex);
        if (m_judgedWith && !SameThresholds(*m_judgedWith, thresholds)) {
            m_files.clear();
        }
        m_judgedWith = thresholds;
    }
    Batch batch;
    QElapsedTimer sinceSent;
    sinceSent.start();
    for (const QString& path : paths) {
        if (m_generation.load() != generation) {
            return;  // a newer request took over
        }
        batch.emplace_back(path, Lookup(path, thresholds));
        if (sinceSent.elapsed() >= kBatchIntervalMs) {
            Send(generation, std::exchange(batch, {}), false);
            sinceSent.restart();
        }
    }
    Send(generation, std::move(batch), true);
}

std::optional<CIncidentScan::Incidents> CIncidentScan::Lookup(
    const QString& path, const IncidentThresholds& thresholds) {
    const QFileInfo info(path);
    Stamp stamp{info.size(), info.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch(),
                std::nullopt};
    {
        const std::lock_guard lock(m_filesMutex);
        const auto it = m_files.constFind(path);
        if (it != m_files.cend() && it->size == stamp.size && it->modifiedMs == stamp.modifiedMs) {
            return it->incidents;
        }
    }
    stamp.incidents = info.isFile() ? m_probe(path, thresholds) : std::nullopt;
    if (!stamp.incidents) {
        qCDebug(lcCatalogue) << "no incidents judged for" << path;
    }
    const std::lock_guard lock(m_filesMutex);
    m_files.insert(path, stamp);
    return stamp.incidents;
}

void CIncidentScan::Send(uint64_t generation, Batch batch, bool done) {
    QMetaObject::invokeMethod(
        this,
        [this, generation, batch = std::move(batch), done] { Deliver(generation, batch, done); },
        Qt::QueuedConnection);
}

void CIncidentScan::Deliver(uint64_t generation, const Batch& batch, bool done) {
    if (generation != m_generation.load()) {
        return;  // the files of a request that was superseded
    }
    for (const auto& [path, incidents] : batch) {
        if (!incidents) {
            continue;
        }
        if (!incidents->empty()) {
            m_withIncidents.insert(path);
        }
        m_incidents.insert(path, *incidents);
    }
    m_passDone = done;
    if (!batch.empty() || done) {
        emit Arrived();
    }
}

}  // namespace player
