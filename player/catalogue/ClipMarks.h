#pragma once
// A clip's span on a timeline of recordings that follow each other: the in and out marks the
// user sets, the span a clip press takes with or without them, and the recordings and
// positions the exporter is given for it. Plain values; any thread.

#include "platform/media/ClipExporter.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace player {

// A position in a recording: its path and ms from its start.
struct ClipPlace {
    QString path;
    int64_t ms = 0;
    bool operator==(const ClipPlace&) const = default;
};

// Recordings that follow each other, their durations laid end to end: the recording that is
// open, or the trip it belongs to.
class CClipTimeline {
public:
    struct Member {
        QString path;
        int64_t durationMs = 0;
        bool operator==(const Member&) const = default;
    };

    CClipTimeline() = default;
    explicit CClipTimeline(std::vector<Member> members);

    const std::vector<Member>& Members() const { return m_members; }
    bool IsEmpty() const { return m_members.empty(); }
    int64_t DurationMs() const;
    // The member that is this recording; -1 when it is not on the timeline.
    int IndexOf(const QString& path) const;
    // Where a member starts on the timeline (0 for an index outside it).
    int64_t OffsetOf(int index) const;
    // A place's time on the timeline, held within its recording; none for a recording that is
    // not on it.
    std::optional<int64_t> TimeOf(const ClipPlace& place) const;
    // The member and the position in it at a time held within the timeline. A time on the
    // boundary of two members is the later one's start, or with endOfEarlier the earlier one's
    // end. {-1, 0} for an empty timeline.
    std::pair<int, int64_t> At(int64_t timeMs, bool endOfEarlier) const;

    bool operator==(const CClipTimeline& other) const { return m_members == other.m_members; }

private:
    std::vector<Member> m_members;
    std::vector<int64_t> m_offsetsMs;
};

// A stretch of a timeline.
struct ClipSpan {
    int64_t fromMs = 0;
    int64_t toMs = 0;
    bool operator==(const ClipSpan&) const = default;
};

// A proposal without marks reaches this far before and after the position (or the incident
// that plays).
inline constexpr int64_t kClipMarginMs = 30000;
// With one mark, the position gives the other end when it lies at least this far on the
// mark's other side ...
inline constexpr int64_t kClipShortestMs = 1000;
// ... else the clip runs this long from the mark.
inline constexpr int64_t kClipFromOneMarkMs = 60000;

// The span of a clip press, held within the timeline: between the marks; from one mark to the
// position or kClipFromOneMarkMs from it; without marks kClipMarginMs around the incident that
// plays, or around the position. Times are on the timeline. None when nothing is left of it.
std::optional<ClipSpan> ChooseClipSpan(const CClipTimeline& timeline, std::optional<int64_t> inMs,
                                       std::optional<int64_t> outMs, int64_t positionMs,
                                       std::optional<ClipSpan> incident);

// The user's in and out marks on the timeline of what is open; the out mark is always after
// the in mark: setting one on the wrong side of the other drops the other.
class CClipMarks {
public:
    // What is open now lies on this timeline: marks in recordings it does not hold go (a
    // recording of another trip was opened). True when marks went.
    bool Follow(const CClipTimeline& timeline);
    // False (nothing changed) for a place not on the timeline.
    bool SetIn(const ClipPlace& place);
    bool SetOut(const ClipPlace& place);
    void Clear();

    const CClipTimeline& Timeline() const { return m_timeline; }
    const std::optional<ClipPlace>& In() const { return m_in; }
    const std::optional<ClipPlace>& Out() const { return m_out; }
    // The marks' times on the timeline.
    std::optional<int64_t> InMs() const;
    std::optional<int64_t> OutMs() const;

private:
    CClipTimeline m_timeline;
    std::optional<ClipPlace> m_in;
    std::optional<ClipPlace> m_out;
};

// What the exporter is given for a span: the recordings from the one holding its start to the
// one holding its end (with their durations) and the points in them.
struct ClipRange {
    QStringList recordings;
    std::vector<int64_t> durationsMs;
    platform::media::ClipPoint from;
    platform::media::ClipPoint to;
    int64_t lengthMs = 0;
};

// An empty range for an empty timeline.
ClipRange RangeOf(const CClipTimeline& timeline, const ClipSpan& span);

// "From 00:00:45 in A.mp4 to 00:00:20 in B.mp4 (35 s)"; "From 00:00:45 to 00:01:15 in A.mp4
// (30 s)" when both ends lie in one recording. Empty for an empty range.
QString ClipRangeText(const ClipRange& range);

}  // namespace player
