#include "player/telemetry/RecordingMarks.h"

#include <algorithm>

namespace player {

QString RecordingMark::Name() const {
    if (incident) {
        return QString::fromLatin1(IncidentKindName(incident->kind));
    }
    return note.isEmpty() ? QStringLiteral("bookmark") : note;
}

std::vector<RecordingMark> MarksOf(const std::vector<Incident>& incidents,
                                   const std::vector<Bookmark>& bookmarks) {
    std::vector<RecordingMark> marks;
    marks.reserve(incidents.size() + bookmarks.size());
    for (const Incident& incident : incidents) {
        marks.push_back({incident.peakMs, incident, {}});
    }
    for (const Bookmark& bookmark : bookmarks) {
        marks.push_back({bookmark.timeMs, std::nullopt, bookmark.note});
    }
    std::stable_sort(
        marks.begin(), marks.end(),
        [](const RecordingMark& a, const RecordingMark& b) { return a.timeMs < b.timeMs; });
    return marks;
}

int32_t LandingMs(const RecordingMark& mark, int32_t leadInMs) {
    return static_cast<int32_t>(std::max<int64_t>(0, int64_t{mark.timeMs} - leadInMs));
}

std::optional<size_t> NextMark(const std::vector<RecordingMark>& marks, int32_t positionMs,
                               int32_t leadInMs) {
    for (size_t i = 0; i < marks.size(); ++i) {
        if (LandingMs(marks[i], leadInMs) > positionMs) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<size_t> PreviousMark(const std::vector<RecordingMark>& marks, int32_t positionMs,
                                   int32_t leadInMs) {
    for (size_t i = marks.size(); i-- > 0;) {
        if (int64_t{LandingMs(marks[i], leadInMs)} < int64_t{positionMs} - kMarkBackSlackMs) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace player
