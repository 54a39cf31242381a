// Trips in the main window: the list's rows and their durations make the trips; the trip of
// the recording open shows on the trip strip, on the map and in the readout, and a place
// chosen on the strip or the map's trip route opens the recording there.

#include "player/shell/RoadPlayerDlg.h"

#include "player/catalogue/RecordingList.h"
#include "player/resources/Resource.h"
#include "player/shell/ShellLog.h"
#include "player/skin/SkTripStrip.h"
#include "player/telemetry/FixValues.h"
#include "player/telemetry/MapRoute.h"
#include "player/telemetry/SkWebBrowser.h"

#include <algorithm>
#include <limits>

namespace player {

namespace {

int32_t ClampedMs(int64_t ms) {
    return static_cast<int32_t>(std::clamp<int64_t>(ms, 0, std::numeric_limits<int32_t>::max()));
}

}  // namespace

SkTripStrip* CRoadPlayerDlg::TripStrip() const {
    return dynamic_cast<SkTripStrip*>(FindWidget(kMainStripTrip));
}

// Only the rest of the drive is cued before the end; any other row opens at the end as before.
bool CRoadPlayerDlg::PlaysOnFromOpen(int32_t row) const {
    const int32_t open = CurrentRow();
    return row == open + 1 && !CurrentTrip().IsEmpty() && m_trips.ContinuesTrip(open);
}

void CRoadPlayerDlg::OnRowsListed(const std::vector<RecordingRow>& rows) {
    m_rowPaths.clear();
    m_rowNames.clear();
    m_rowPaths.reserve(static_cast<qsizetype>(rows.size()));
    m_rowNames.reserve(static_cast<qsizetype>(rows.size()));
    for (const RecordingRow& row : rows) {
        m_rowPaths << row[kColumnPath];
        m_rowNames << row[kColumnName];
    }
    m_durations.Request(m_rowPaths);
    RebuildTrips();
}

void CRoadPlayerDlg::RebuildTrips() {
    std::vector<TripRow> rows;
    rows.reserve(static_cast<size_t>(m_rowNames.size()));
    for (qsizetype row = 0; row < m_rowNames.size(); ++row) {
        rows.push_back(TripRow{m_rowNames[row], m_durations.RequestedDurationMs(row)});
    }
    m_trips = CTrips(rows);
    ShowTrip();
    // The clip's timeline grows to the trip as its durations arrive.
    FollowClipTimeline();
}

CTrip CRoadPlayerDlg::CurrentTrip() const {
    const int32_t row = CurrentRow();
    if (m_session.Graph() == nullptr || row < 0 || row >= m_rowPaths.size() ||
        m_rowPaths[row] != CurrentPath()) {
        return {};
    }
    CTrip trip = m_trips.TripOf(row);
    return trip.Size() >= 2 ? trip : CTrip();
}

QStringList CRoadPlayerDlg::TripPaths(const CTrip& trip) const {
    QStringList paths;
    for (const TripMember& member : trip.Members()) {
        paths << m_rowPaths.value(member.row);
    }
    return paths;
}

bool CRoadPlayerDlg::TripFixesReady(const CTrip& trip) const {
    return !trip.IsEmpty() && m_tripTelemetry.Paths() == TripPaths(trip);
}

std::vector<TripRecordingFixes> CRoadPlayerDlg::TripFixes(const CTrip& trip) const {
    std::vector<TripRecordingFixes> recordings;
    if (!TripFixesReady(trip)) {
        return recordings;
    }
    for (size_t i = 0; i < trip.Members().size(); ++i) {
        recordings.push_back({trip.Members()[i].offsetMs, m_tripTelemetry.Fixes()[i]});
    }
    return recordings;
}

void CRoadPlayerDlg::ShowTrip() {
    const CTrip trip = CurrentTrip();
    if (!(trip == m_shownTrip)) {
        m_shownTrip = trip;
        m_tripDistance = CTripDistance(TripFixes(trip));
        if (!trip.IsEmpty()) {
            m_tripTelemetry.Request(TripPaths(trip));
        }
    }
    if (SkTripStrip* strip = TripStrip()) {
        std::vector<int64_t> segments;
        int32_t current = -1;
        for (const TripMember& member : trip.Members()) {
            if (member.row == CurrentRow()) {
                current = static_cast<int32_t>(segments.size());
            }
            segments.push_back(member.durationMs);
        }
        // Outside a trip the strip shows the recording open alone.
        if (trip.IsEmpty() && m_session.Graph() != nullptr) {
            segments = {static_cast<int64_t>(m_session.Player().GetDurationMs())};
            current = 0;
        }
        if (segments != strip->Segments() || current != strip->Current()) {
            strip->SetTrip(std::move(segments), current);
        }
    }
    if (m_session.Graph() != nullptr) {
        ShowRouteOnMap();
    }
    ShowTripMarks();
}

void CRoadPlayerDlg::ShowRouteOnMap() {
    SkWebBrowser* map = MapView();
    if (map == nullptr) {
        return;
    }
    const CTrip trip = CurrentTrip();
    const TripMember* member = trip.MemberOfRow(CurrentRow());
    if (member != nullptr && TripFixesReady(trip)) {
        const int32_t from = ClampedMs(member->offsetMs);
        const int32_t to = ClampedMs(member->offsetMs + member->durationMs);
        if (m_mapTrip == trip && map->ShowsTrip()) {
            map->SetRoutePart(from, to);
        } else {
            map->ShowTripRoute(TripRouteOf(TripFixes(trip)), from, to);
            m_mapTrip = trip;
        }
        m_mapRoutePath.clear();
        return;
    }
    // A trip's route shown stays while the fixes of the trip it grew into are read.
    if (const TripMember* shown = m_mapTrip.MemberOfRow(CurrentRow());
        member != nullptr && shown != nullptr && map->ShowsTrip()) {
        map->SetRoutePart(ClampedMs(shown->offsetMs),
                          ClampedMs(shown->offsetMs + shown->durationMs));
        return;
    }
    // Each new recording gets its own route at its opening, as without trips.
    if (m_mapRoutePath != CurrentPath() || map->ShowsTrip()) {
        map->ShowRoute();
        m_mapRoutePath = CurrentPath();
        m_mapTrip = CTrip();
    }
}

void CRoadPlayerDlg::OnTripFixesArrived() {
    if (TripFixesReady(m_shownTrip)) {
        m_tripDistance = CTripDistance(TripFixes(m_shownTrip));
        ShowRouteOnMap();
        ShowTripMarks();
    }
}

void CRoadPlayerDlg::ShowTripAt(int64_t positionMs) {
    SkTripStrip* strip = TripStrip();
    if (strip == nullptr) {
        return;
    }
    const std::optional<int64_t> tripMs = m_shownTrip.TripMsOf(CurrentRow(), positionMs);
    strip->SetPosition(tripMs.value_or(positionMs));
}

QString CRoadPlayerDlg::TripFigures(int64_t positionMs) const {
    const std::optional<int64_t> tripMs = m_shownTrip.TripMsOf(CurrentRow(), positionMs);
    if (!tripMs || !TripFixesReady(m_shownTrip)) {
        return {};
    }
    return TripFiguresText(*tripMs, m_tripDistance.MetresAt(*tripMs), m_readout.speedUnit);
}

void CRoadPlayerDlg::OnTripSeek(const CTrip& trip, int64_t tripMs, bool held) {
    if (m_session.Graph() == nullptr) {
        return;
    }
    // Outside a trip the strip's time is the recording's own.
    const std::optional<TripPoint> point =
        trip.IsEmpty() ? std::optional<TripPoint>(TripPoint{CurrentRow(), tripMs})
                       : trip.At(tripMs);
    if (!point) {
        return;
    }
    if (point->row == CurrentRow()) {
        m_session.SeekTo(ClampedMs(point->positionMs));
        return;
    }
    // Another recording opens once the strip is let go, not at every pixel of a drag.
    if (held || point->row < 0 || point->row >= m_rowPaths.size()) {
        return;
    }
    const bool paused = m_session.PausedByUser();
    if (!m_session.OpenRow(point->row, CPlaybackSession::RowOpening::Advance)) {
        return;
    }
    if (paused) {
        m_session.PlayPause();  // the new recording waits as the old one did
    }
    m_session.SeekTo(ClampedMs(point->positionMs));
}

}  // namespace player
