#include "player/telemetry/TripTelemetry.h"

#include "player/telemetry/Log.h"
#include "player/telemetry/TripTrack.h"

#include <QDateTime>
#include <QFileInfo>

namespace player {

CTripTelemetry::CTripTelemetry() {
    m_pool.setMaxThreadCount(1);
}

CTripTelemetry::~CTripTelemetry() {
    ++m_generation;
    m_pool.clear();
    m_pool.waitForDone();
}

void CTripTelemetry::Request(const QStringList& paths) {
    if (paths == m_requested) {
        return;
    }
    m_requested = paths;
    const uint64_t generation = ++m_generation;
    m_pool.start([this, generation, paths] { Read(generation, paths); });
}

void CTripTelemetry::Read(uint64_t generation, const QStringList& paths) {
    QHash<QString, Stamp> kept;
    std::vector<std::vector<CGPSData>> fixes;
    for (const QString& path : paths) {
        if (m_generation.load() != generation) {
            return;  // a newer request took over
        }
        const QFileInfo info(path);
        Stamp stamp{
            info.size(), info.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch(), {}};
        bool known = false;
        {
            const std::lock_guard lock(m_filesMutex);
            const auto it = m_files.constFind(path);
            if (it != m_files.cend() && it->size == stamp.size &&
                it->modifiedMs == stamp.modifiedMs) {
                stamp.fixes = it->fixes;
                known = true;
            }
        }
        if (!known && !ReadRecordingFixes(path, &stamp.fixes)) {
            qCDebug(lcTelemetry) << "a trip recording without readable fixes:" << path;
        }
        fixes.push_back(stamp.fixes);
        kept.insert(path, stamp);
    }
    {
        // Only the last trip's files are kept.
        const std::lock_guard lock(m_filesMutex);
        m_files = std::move(kept);
    }
    QMetaObject::invokeMethod(
        this,
        [this, generation, paths, fixes = std::move(fixes)]() mutable {
            Deliver(generation, paths, std::move(fixes));
        },
        Qt::QueuedConnection);
}

void CTripTelemetry::Deliver(uint64_t generation, const QStringList& paths,
                             std::vector<std::vector<CGPSData>> fixes) {
    if (generation != m_generation.load()) {
        return;
    }
    m_paths = paths;
    m_fixes = std::move(fixes);
    emit Arrived();
}

}  // namespace player
