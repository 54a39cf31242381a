#include "player/catalogue/ClipMarks.h"

#include <QFileInfo>

#include <algorithm>

namespace player {

namespace {

constexpr int64_t kMsPerSecond = 1000;
constexpr int64_t kSecondsPerMinute = 60;
constexpr int64_t kSecondsPerHour = 3600;

QString ClockText(int64_t ms) {
    const int64_t seconds = std::max<int64_t>(ms, 0) / kMsPerSecond;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / kSecondsPerHour, 2, 10, QLatin1Char('0'))
        .arg(seconds / kSecondsPerMinute % kSecondsPerMinute, 2, 10, QLatin1Char('0'))
        .arg(seconds % kSecondsPerMinute, 2, 10, QLatin1Char('0'));
}

}  // namespace

CClipTimeline::CClipTimeline(std::vector<Member> members) : m_members(std::move(members)) {
    int64_t offset = 0;
    for (Member& member : m_members) {
        member.durationMs = std::max<int64_t>(member.durationMs, 0);
        m_offsetsMs.push_back(offset);
        offset += member.durationMs;
    }
}

int64_t CClipTimeline::DurationMs() const {
    return m_members.empty() ? 0 : m_offsetsMs.back() + m_members.back().durationMs;
}

int CClipTimeline::IndexOf(const QString& path) const {
    for (size_t i = 0; i < m_members.size(); ++i) {
        if (m_members[i].path == path) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int64_t CClipTimeline::OffsetOf(int index) const {
    return index >= 0 && static_cast<size_t>(index) < m_offsetsMs.size()
               ? m_offsetsMs[static_cast<size_t>(index)]
               : 0;
}

std::optional<int64_t> CClipTimeline::TimeOf(const ClipPlace& place) const {
    const int index = IndexOf(place.path);
    if (index < 0) {
        return std::nullopt;
    }
    const Member& member = m_members[static_cast<size_t>(index)];
    return OffsetOf(index) + std::clamp<int64_t>(place.ms, 0, member.durationMs);
}

std::pair<int, int64_t> CClipTimeline::At(int64_t timeMs, bool endOfEarlier) const {
    if (m_members.empty()) {
        return {-1, 0};
    }
    const int64_t held = std::clamp<int64_t>(timeMs, 0, DurationMs());
    int index = 0;
    for (size_t i = 1; i < m_members.size(); ++i) {
        const int64_t start = m_offsetsMs[i];
        if (held > start || (held == start && !endOfEarlier)) {
            index = static_cast<int>(i);
        }
    }
    return {index, held - OffsetOf(index)};
}

std::optional<ClipSpan> ChooseClipSpan(const CClipTimeline& timeline, std::optional<int64_t> inMs,
                                       std::optional<int64_t> outMs, int64_t positionMs,
                                       std::optional<ClipSpan> incident) {
    ClipSpan span;
    if (inMs && outMs) {
        span = {*inMs, *outMs};
    } else if (inMs) {
        span = {*inMs,
                positionMs - *inMs >= kClipShortestMs ? positionMs : *inMs + kClipFromOneMarkMs};
    } else if (outMs) {
        span = {*outMs - positionMs >= kClipShortestMs ? positionMs : *outMs - kClipFromOneMarkMs,
                *outMs};
    } else {
        const ClipSpan around = incident.value_or(ClipSpan{positionMs, positionMs});
        span = {around.fromMs - kClipMarginMs, around.toMs + kClipMarginMs};
    }
    span.fromMs = std::clamp<int64_t>(span.fromMs, 0, timeline.DurationMs());
    span.toMs = std::clamp<int64_t>(span.toMs, 0, timeline.DurationMs());
    if (span.toMs <= span.fromMs) {
        return std::nullopt;
    }
    return span;
}

bool CClipMarks::Follow(const CClipTimeline& timeline) {
    const bool keep = (!m_in || timeline.IndexOf(m_in->path) >= 0) &&
                      (!m_out || timeline.IndexOf(m_out->path) >= 0);
    m_timeline = timeline;
    if (keep) {
        return false;
    }
    const bool hadMarks = m_in || m_out;
    Clear();
    return hadMarks;
}

bool CClipMarks::SetIn(const ClipPlace& place) {
    const std::optional<int64_t> at = m_timeline.TimeOf(place);
    if (!at) {
        return false;
    }
    m_in = place;
    if (const std::optional<int64_t> out = OutMs(); out && *out <= *at) {
        m_out.reset();
    }
    return true;
}

bool CClipMarks::SetOut(const ClipPlace& place) {
    const std::optional<int64_t> at = m_timeline.TimeOf(place);
    if (!at) {
        return false;
    }
    m_out = place;
    if (const std::optional<int64_t> in = InMs(); in && *in >= *at) {
        m_in.reset();
    }
    return true;
}

void CClipMarks::Clear() {
    m_in.reset();
    m_out.reset();
}

std::optional<int64_t> CClipMarks::InMs() const {
    return m_in ? m_timeline.TimeOf(*m_in) : std::nullopt;
}

std::optional<int64_t> CClipMarks::OutMs() const {
    return m_out ? m_timeline.TimeOf(*m_out) : std::nullopt;
}

ClipRange RangeOf(const CClipTimeline& timeline, const ClipSpan& span) {
    ClipRange range;
    const auto [first, fromMs] = timeline.At(span.fromMs, false);
    const auto [last, toMs] = timeline.At(span.toMs, true);
    if (first < 0 || last < first) {
        return range;
    }
    for (int i = first; i <= last; ++i) {
        const CClipTimeline::Member& member = timeline.Members()[static_cast<size_t>(i)];
        range.recordings << member.path;
        range.durationsMs.push_back(member.durationMs);
    }
    range.from = {0, fromMs};
    range.to = {last - first, toMs};
    range.lengthMs = timeline.OffsetOf(last) + toMs - timeline.OffsetOf(first) - fromMs;
    return range;
}

QString ClipRangeText(const ClipRange& range) {
    if (range.recordings.isEmpty()) {
        return {};
    }
    const QString first = QFileInfo(range.recordings.constFirst()).fileName();
    const QString last = QFileInfo(range.recordings.constLast()).fileName();
    const QString seconds =
        QStringLiteral("%1 s").arg((range.lengthMs + kMsPerSecond / 2) / kMsPerSecond);
    if (range.recordings.size() == 1) {
        return QStringLiteral("From %1 to %2 in %3 (%4)")
            .arg(ClockText(range.from.ms), ClockText(range.to.ms), first, seconds);
    }
    return QStringLiteral("From %1 in %2 to %3 in %4 (%5)")
        .arg(ClockText(range.from.ms), first, ClockText(range.to.ms), last, seconds);
}

}  // namespace player
