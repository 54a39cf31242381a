#include "player/shell/OpenMarks.h"

#include "player/shell/ShellLog.h"
#include "player/telemetry/IncidentSettings.h"

namespace player {

COpenMarks::COpenMarks() {
    m_pool.setMaxThreadCount(1);
}

COpenMarks::~COpenMarks() {
    ++m_generation;
    m_pool.clear();
    m_pool.waitForDone();
}

void COpenMarks::Open(const QString& path, const CTextData& telemetry) {
    const uint64_t generation = ++m_generation;
    m_path = path;
    m_key = RecordingKey::OfFile(path);
    m_bookmarks = m_key ? CBookmarkStore().List(*m_key) : std::vector<Bookmark>();
    m_found = false;
    m_incidents.clear();
    Rebuild();
    // The worker gets values only: the readings copied here, the thresholds read here.
    m_pool.start([this, generation, series = MotionSeriesOf(telemetry),
                  thresholds = ReadIncidentThresholds()] {
        std::vector<Incident> incidents = DetectIncidents(series, thresholds);
        QMetaObject::invokeMethod(
            this,
            [this, generation, found = std::move(incidents)]() mutable {
                Deliver(generation, std::move(found));
            },
            Qt::QueuedConnection);
    });
}

void COpenMarks::Close() {
    ++m_generation;
    m_path.clear();
    m_key.reset();
    m_found = false;
    m_incidents.clear();
    m_bookmarks.clear();
    Rebuild();
}

void COpenMarks::Deliver(uint64_t generation, std::vector<Incident> incidents) {
    if (generation != m_generation.load()) {
        qCDebug(lcShell) << "incidents of a recording no longer open dropped";
        return;
    }
    m_found = true;
    m_incidents = std::move(incidents);
    Rebuild();
}

bool COpenMarks::AddBookmark(int32_t timeMs, const QString& note) {
    if (!m_key || !CBookmarkStore().Add(*m_key, timeMs, note)) {
        return false;
    }
    m_bookmarks = CBookmarkStore().List(*m_key);
    Rebuild();
    return true;
}

bool COpenMarks::RemoveBookmark(int32_t positionMs) {
    if (!m_key || !CBookmarkStore().Remove(*m_key, positionMs)) {
        return false;
    }
    m_bookmarks = CBookmarkStore().List(*m_key);
    Rebuild();
    return true;
}

void COpenMarks::Rebuild() {
    m_marks = MarksOf(m_incidents, m_bookmarks);
    emit Changed();
}

}  // namespace player
