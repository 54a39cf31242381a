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

std::optional<TripMarkChoice> ChooseTripMark(
    const std::vector<std::vector<RecordingMark>>& marksByRecording, size_t current,
    int32_t positionMs, int direction, int32_t leadInMs) {
    if (current >= marksByRecording.size()) {
        return std::nullopt;
    }
    const std::vector<RecordingMark>& own = marksByRecording[current];
    if (const std::optional<size_t> mark = direction > 0
                                               ? NextMark(own, positionMs, leadInMs)
                                               : PreviousMark(own, positionMs, leadInMs)) {
        return TripMarkChoice{current, *mark};
    }
    if (direction > 0) {
        for (size_t i = current + 1; i < marksByRecording.size(); ++i) {
            if (!marksByRecording[i].empty()) {
                return TripMarkChoice{i, 0};
            }
        }
        return std::nullopt;
    }
    for (size_t i = current; i-- > 0;) {
        if (!marksByRecording[i].empty()) {
            return TripMarkChoice{i, marksByRecording[i].size() - 1};
        }
    }
    return std::nullopt;
}

}  // namespace player
