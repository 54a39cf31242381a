#pragma once
// The marks of the recording open: its bookmarks from the user's store at once, and its
// incidents, found on a worker thread from a copy of its readings and handed back by a queued
// call; an answer for a recording no longer open is dropped. UI thread only.

#include "player/telemetry/BookmarkStore.h"
#include "player/telemetry/IncidentDetector.h"
#include "player/telemetry/RecordingMarks.h"

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace player {

class COpenMarks : public QObject {
    Q_OBJECT

public:
    COpenMarks();
    // Drops the detection under way and waits for the worker to leave it.
    ~COpenMarks() override;
    COpenMarks(const COpenMarks&) = delete;
    COpenMarks& operator=(const COpenMarks&) = delete;

    // A recording was opened with this telemetry: its bookmarks now, its incidents once found
    // (with the user's thresholds as they are now).
    void Open(const QString& path, const CTextData& telemetry);
    // Nothing is open: no marks, and a detection under way is forgotten.
    void Close();

    const QString& Path() const { return m_path; }
    // Found for the recording open; until then (or without readings) none.
    bool IncidentsFound() const { return m_found; }
    const std::vector<Incident>& Incidents() const { return m_incidents; }
    // Incidents and bookmarks in time order.
    const std::vector<RecordingMark>& Marks() const { return m_marks; }

    // A bookmark at timeMs of the recording open (replacing one within a second), or the one
    // within a second of positionMs removed; false when nothing is open or the store refused.
    bool AddBookmark(int32_t timeMs, const QString& note);
    bool RemoveBookmark(int32_t positionMs);

signals:
    // The marks changed: a recording opened or closed, its incidents arrived, a bookmark came
    // or went.
    void Changed();

private:
    void Deliver(uint64_t generation, std::vector<Incident> incidents);
    void Rebuild();

    QString m_path;
    std::optional<RecordingKey> m_key;
    bool m_found = false;
    std::vector<Incident> m_incidents;
    std::vector<Bookmark> m_bookmarks;
    std::vector<RecordingMark> m_marks;
    // Raised by every opening and closing; an answer carries the one it was asked under.
    std::atomic<uint64_t> m_generation{0};
    // Last: destroyed first, after the destructor waited for it.
    QThreadPool m_pool;
};

}  // namespace player
