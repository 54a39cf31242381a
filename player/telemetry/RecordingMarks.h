#pragma once
// The marks of one recording in time order, its incidents and the user's bookmarks together,
// for the views that show them and the keys that go from one to the next. Plain values; any
// thread.

#include "player/telemetry/Incident.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace player {

struct Bookmark {
    int32_t timeMs = 0;  // from the recording's start
    QString note;        // may be empty
};

struct RecordingMark {
    int32_t timeMs = 0;                // an incident's peak or a bookmark's time
    std::optional<Incident> incident;  // set for an incident, empty for a bookmark
    QString note;                      // a bookmark's note

    bool IsBookmark() const { return !incident.has_value(); }
    // An incident's kind word ("braking"), a bookmark's note, or "bookmark" for one without.
    QString Name() const;
};

// Incidents and bookmarks in time order; at the same time the incident comes first.
std::vector<RecordingMark> MarksOf(const std::vector<Incident>& incidents,
                                   const std::vector<Bookmark>& bookmarks);

// Going to a mark lands this long before it, so the lead-up is seen; never before the start.
inline constexpr int32_t kMarkLeadInMs = 5000;
// Going back from within this of a landing goes to the mark before, not to the same one again.
inline constexpr int32_t kMarkBackSlackMs = 2000;

int32_t LandingMs(const RecordingMark& mark, int32_t leadInMs = kMarkLeadInMs);
// The first mark whose landing lies after positionMs.
std::optional<size_t> NextMark(const std::vector<RecordingMark>& marks, int32_t positionMs,
                               int32_t leadInMs = kMarkLeadInMs);
// The last mark whose landing lies more than kMarkBackSlackMs before positionMs.
std::optional<size_t> PreviousMark(const std::vector<RecordingMark>& marks, int32_t positionMs,
                                   int32_t leadInMs = kMarkLeadInMs);

// A mark of one of a trip's recordings.
struct TripMarkChoice {
    size_t recording = 0;  // index in the trip
    size_t mark = 0;       // index in that recording's marks
};

// The next (direction > 0) or previous mark of a trip from positionMs in its recording
// `current`: that recording's own as NextMark / PreviousMark choose, else the first mark of the
// nearest later recording holding one (the last of the nearest earlier one going back).
std::optional<TripMarkChoice> ChooseTripMark(
    const std::vector<std::vector<RecordingMark>>& marksByRecording, size_t current,
    int32_t positionMs, int direction, int32_t leadInMs = kMarkLeadInMs);

}  // namespace player
