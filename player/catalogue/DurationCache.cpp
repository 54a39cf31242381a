#include "player/catalogue/DurationCache.h"

#include "platform/media/StreamProbe.h"
#include "platform/system/ThreadPriority.h"
#include "player/catalogue/CatalogueLog.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>

namespace player {

namespace {

// How often a pass hands what it found to the UI thread.
constexpr qint64 kBatchIntervalMs = 100;

std::optional<int64_t> IndexDuration(const QString& path) {
    int64_t durationMs = -1;
    if (!platform::media::ProbeIndexDuration(path, &durationMs)) {
        qCDebug(lcCatalogue) << "no duration in the index of" << path;
        return std::nullopt;
    }
    return durationMs;
}

}  // namespace

CDurationCache::CDurationCache(Probe probe, QObject* parent)
    : QObject(parent), m_probe(probe ? std::move(probe) : Probe(IndexDuration)) {
    // One pass at a time, in list order.
    m_pool.setMaxThreadCount(1);
}

CDurationCache::~CDurationCache() {
    ++m_generation;
    m_pool.clear();
    m_pool.waitForDone();
}

void CDurationCache::Request(const QStringList& paths) {
    const uint64_t generation = ++m_generation;
    m_passDone = false;
    // A listing made again mostly repeats the rows before, which need no lookup.
    std::vector<std::optional<int64_t>> known(static_cast<size_t>(paths.size()));
    for (qsizetype i = 0; i < paths.size(); ++i) {
        known[static_cast<size_t>(i)] = i < m_requested.size() && m_requested[i] == paths[i]
                                            ? m_requestedMs[static_cast<size_t>(i)]
                                            : m_known.value(paths[i], std::nullopt);
    }
    m_requested = paths;
    m_requestedMs = std::move(known);
    m_pool.start([this, generation, paths] { RunPass(generation, paths); });
}

std::optional<int64_t> CDurationCache::DurationMs(const QString& path) const {
    return m_known.value(path, std::nullopt);
}

std::optional<int64_t> CDurationCache::RequestedDurationMs(qsizetype index) const {
    return index >= 0 && index < m_requested.size() ? m_requestedMs[static_cast<size_t>(index)]
                                                    : std::nullopt;
}

void CDurationCache::RunPass(uint64_t generation, const QStringList& paths) {
    // A pass over a whole card takes seconds; it must not slow the listing or playback.
    platform::LowerCurrentThreadPriority();
    Batch batch;
    QElapsedTimer sinceSent;
    sinceSent.start();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (m_generation.load() != generation) {
            return;  // a newer request took over
        }
        batch.emplace_back(i, Lookup(paths[i]));
        if (sinceSent.elapsed() >= kBatchIntervalMs) {
            Send(generation, std::exchange(batch, {}), false);
            sinceSent.restart();
        }
    }
    Send(generation, std::move(batch), true);
}

std::optional<int64_t> CDurationCache::Lookup(const QString& path) {
    const QFileInfo info(path);
    Stamp stamp{info.size(), info.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch(),
                std::nullopt};
    {
        const std::lock_guard lock(m_filesMutex);
        const auto it = m_files.constFind(path);
        if (it != m_files.cend() && it->size == stamp.size && it->modifiedMs == stamp.modifiedMs) {
            return it->durationMs;
        }
    }
    stamp.durationMs = info.isFile() ? m_probe(path) : std::nullopt;
    const std::lock_guard lock(m_filesMutex);
    m_files.insert(path, stamp);
    return stamp.durationMs;
}

void CDurationCache::Send(uint64_t generation, Batch batch, bool done) {
    QMetaObject::invokeMethod(
        this,
        [this, generation, batch = std::move(batch), done] { Deliver(generation, batch, done); },
        Qt::QueuedConnection);
}

void CDurationCache::Deliver(uint64_t generation, const Batch& batch, bool done) {
    if (generation != m_generation.load()) {
        return;  // the files of a request that was superseded
    }
    for (const auto& [index, durationMs] : batch) {
        m_known.insert(m_requested[index], durationMs);
        m_requestedMs[static_cast<size_t>(index)] = durationMs;
    }
    m_passDone = done;
    if (!batch.empty() || done) {
        emit DurationsArrived();
    }
}

}  // namespace player
