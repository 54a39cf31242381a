// Marks in the main window: the incidents and bookmarks of the recording open on the time
// slider, the G-sensor graph and the map, and those of its whole trip on the trip strip and the
// trip's route; N and Shift+N go from one to the next through the trip, B adds a bookmark and
// Delete removes one; the list flags the recordings that hold an incident.

#include "player/shell/RoadPlayerDlg.h"

#include "platform/window/ListCtrl.h"
#include "player/catalogue/RecordingList.h"
#include "player/resources/Resource.h"
#include "player/shell/BookmarkNoteDlg.h"
#include "player/shell/ShellLog.h"
#include "player/skin/SkGSensorGraph.h"
#include "player/skin/SkListCtrl.h"
#include "player/skin/SkSlider.h"
#include "player/skin/SkTripStrip.h"
#include "player/telemetry/FixValues.h"
#include "player/telemetry/GSensorDlg.h"
#include "player/telemetry/IncidentSettings.h"
#include "player/telemetry/SkWebBrowser.h"

#include <algorithm>
#include <limits>

namespace player {

namespace {

constexpr char kBookmarkWord[] = "bookmark";

std::vector<SkinMark> SkinMarksOf(const std::vector<RecordingMark>& marks) {
    std::vector<SkinMark> shown;
    shown.reserve(marks.size());
    for (const RecordingMark& mark : marks) {
        if (mark.incident) {
            shown.push_back({mark.timeMs,
                             QString::fromLatin1(IncidentKindName(mark.incident->kind)),
                             IncidentReadoutText(*mark.incident), std::nullopt});
        } else {
            shown.push_back(
                {mark.timeMs, QString::fromLatin1(kBookmarkWord), mark.Name(), std::nullopt});
        }
    }
    return shown;
}

int32_t ClampedMs(int64_t ms) {
    return static_cast<int32_t>(std::clamp<int64_t>(ms, 0, std::numeric_limits<int32_t>::max()));
}

// The trip's marks on its timeline.
std::vector<RecordingMark> OnTripTimeline(const CTrip& trip,
                                          const std::vector<std::vector<RecordingMark>>& marks) {
    std::vector<RecordingMark> placed;
    for (size_t i = 0; i < marks.size() && i < trip.Members().size(); ++i) {
        for (RecordingMark mark : marks[i]) {
            mark.timeMs = ClampedMs(trip.Members()[i].offsetMs + mark.timeMs);
            placed.push_back(std::move(mark));
        }
    }
    return placed;
}

QString ClockText(int32_t ms) {
    const int32_t seconds = std::max(ms, 0) / 1000;
    return QString::asprintf("%02d:%02d", seconds / 60, seconds % 60);
}

}  // namespace

void CRoadPlayerDlg::SetUpMarks() {
    connect(&m_marks, &COpenMarks::Changed, this, &CRoadPlayerDlg::ShowMarks);
    connect(&m_incidentScan, &CIncidentScan::Arrived, this,
            &CRoadPlayerDlg::FlagRecordingsWithIncidents);
    connect(&m_incidentScan, &CIncidentScan::Arrived, this, &CRoadPlayerDlg::ShowTripMarks);
}

std::optional<int32_t> CRoadPlayerDlg::OpenPositionMs() const {
    CPlayGraph* graph = m_session.Graph();
    if (graph == nullptr || graph->State() == GraphState::NotBuilt || m_marks.Path().isEmpty()) {
        return std::nullopt;
    }
    // Keys pressed in a row count from where the last of them goes, not where the graph is yet.
    if (const std::optional<int32_t> pending = m_session.PendingSeekMs()) {
        return std::max(*pending, 0);
    }
    return static_cast<int32_t>(
        std::clamp<int64_t>(graph->GetPositionMs(), 0, std::numeric_limits<int32_t>::max()));
}

void CRoadPlayerDlg::ShowMarks() {
    const std::vector<RecordingMark>& marks = m_marks.Marks();
    ShowSliderMarks();
    if (m_gsensor) {
        if (SkGSensorGraph* graph = m_gsensor->Graph()) {
            graph->SetMarks(SkinMarksOf(marks));
        }
    }
    // Read from the store again once it is no longer the recording open.
    m_tripBookmarks.remove(m_marks.Path());
    ShowTripMarks();
    // A mark gone to that is gone now (removed, another recording) can no longer be removed.
    if (m_visitedMarkMs && std::none_of(marks.begin(), marks.end(), [&](const RecordingMark& m) {
            return m.timeMs == *m_visitedMarkMs;
        })) {
        m_visitedMarkMs.reset();
    }
    if (const std::optional<int32_t> positionMs = OpenPositionMs()) {
        ShowGpsReadout(static_cast<uint32_t>(*positionMs));
    }
    FlagRecordingsWithIncidents();
}

void CRoadPlayerDlg::ShowSliderMarks() {
    auto* slider = dynamic_cast<SkSlider*>(FindWidget(kMainSliderTime));
    if (slider == nullptr) {
        return;
    }
    std::vector<SkinMark> shown = SkinMarksOf(m_marks.Marks());
    const std::vector<SkinMark> clip = ClipSliderMarks();
    shown.insert(shown.end(), clip.begin(), clip.end());
    slider->SetMarks(std::move(shown));
    // The clip's marks are on the trip strip too.
    ShowTripMarks();
}

std::vector<RecordingMark> CRoadPlayerDlg::MarksOfRow(int32_t row) {
    const QString path = m_rowPaths.value(row);
    if (row == CurrentRow() && path == m_marks.Path()) {
        return m_marks.Marks();
    }
    auto bookmarks = m_tripBookmarks.find(path);
    if (bookmarks == m_tripBookmarks.end()) {
        const std::optional<RecordingKey> key = RecordingKey::OfFile(path);
        bookmarks = m_tripBookmarks.insert(
            path, key ? CBookmarkStore().List(*key) : std::vector<Bookmark>());
    }
    const CIncidentScan::Incidents* incidents = m_incidentScan.IncidentsOf(path);
    return MarksOf(incidents != nullptr ? *incidents : CIncidentScan::Incidents(), *bookmarks);
}

std::vector<std::vector<RecordingMark>> CRoadPlayerDlg::MarksOfTrip(const CTrip& trip) {
    std::vector<std::vector<RecordingMark>> marks;
    marks.reserve(trip.Members().size());
    for (const TripMember& member : trip.Members()) {
        marks.push_back(MarksOfRow(member.row));
    }
    return marks;
}

void CRoadPlayerDlg::ShowTripMarks() {
    if (!(m_shownTrip == m_marksTrip)) {
        // The trip's other recordings are judged before the rest of the list.
        m_marksTrip = m_shownTrip;
        m_tripBookmarks.clear();
        m_incidentScan.Prefer(TripPaths(m_marksTrip));
    }
    if (SkTripStrip* strip = TripStrip()) {
        // Outside a trip the strip shows the recording open alone, on its own times.
        std::vector<SkinMark> shown =
            m_shownTrip.MemberOfRow(CurrentRow()) != nullptr
                ? SkinMarksOf(OnTripTimeline(m_shownTrip, MarksOfTrip(m_shownTrip)))
                : SkinMarksOf(m_marks.Marks());
        const std::vector<SkinMark> clip = ClipStripMarks(strip->Segments().size());
        shown.insert(shown.end(), clip.begin(), clip.end());
        if (shown != strip->Marks()) {
            strip->SetMarks(std::move(shown));
        }
    }
    if (SkWebBrowser* map = MapView()) {
        map->ShowMarks(map->ShowsTrip() && !m_mapTrip.IsEmpty()
                           ? OnTripTimeline(m_mapTrip, MarksOfTrip(m_mapTrip))
                           : m_marks.Marks());
    }
}

void CRoadPlayerDlg::GoToMark(int32_t direction) {
    const std::optional<int32_t> positionMs = OpenPositionMs();
    if (!positionMs) {
        return;
    }
    // Outside a trip the recording open is a trip of its own.
    const CTrip trip = m_shownTrip;
    const TripMember* member = trip.MemberOfRow(CurrentRow());
    const auto current =
        static_cast<size_t>(member != nullptr ? member - trip.Members().data() : 0);
    const std::vector<std::vector<RecordingMark>> marks =
        member != nullptr ? MarksOfTrip(trip)
                          : std::vector<std::vector<RecordingMark>>{m_marks.Marks()};
    const std::optional<TripMarkChoice> choice =
        ChooseTripMark(marks, current, *positionMs, direction);
    if (!choice) {
        return;
    }
    const RecordingMark& mark = marks[choice->recording][choice->mark];
    if (choice->recording == current) {
        m_visitedMarkMs = mark.timeMs;
        m_session.SeekTo(LandingMs(mark));
        return;
    }
    // Opened as a place chosen on the trip strip is; the landing held inside the recording.
    const TripMember& target = trip.Members()[choice->recording];
    const int64_t landingMs =
        std::min<int64_t>(LandingMs(mark), std::max<int64_t>(target.durationMs - 1, 0));
    OnTripSeek(trip, target.offsetMs + landingMs, false);
    if (CurrentRow() == target.row) {
        m_visitedMarkMs = mark.timeMs;
    }
}

void CRoadPlayerDlg::AddBookmark() {
    const std::optional<int32_t> positionMs = OpenPositionMs();
    if (!positionMs) {
        return;
    }
    const QString path = m_marks.Path();
    const bool wasRunning = m_session.PauseForDialog();
    const std::optional<QString> note = AskBookmarkNote(m_profile, this);
    // The card may have gone while the question was up, and the recording with it.
    if (note && m_marks.Path() == path) {
        if (m_marks.AddBookmark(*positionMs, *note)) {
            ShowNote(QStringLiteral("Bookmark at %1").arg(ClockText(*positionMs)));
        } else {
            qCWarning(lcShell) << "the bookmark could not be kept for" << path;
            ShowNote(QStringLiteral("The bookmark could not be kept"));
        }
    }
    m_session.ResumeAfterDialog(wasRunning);
}

void CRoadPlayerDlg::RemoveBookmark() {
    const std::optional<int32_t> positionMs = OpenPositionMs();
    if (!positionMs) {
        return;
    }
    std::optional<int32_t> atMs;
    if (m_marks.RemoveBookmark(*positionMs)) {
        atMs = *positionMs;
    } else if (m_visitedMarkMs) {
        // The bookmark last gone to, while its lead-in plays: landing there is pointing at it.
        const int32_t visited = *m_visitedMarkMs;
        const auto bookmark = std::find_if(
            m_marks.Marks().begin(), m_marks.Marks().end(),
            [&](const RecordingMark& m) { return m.IsBookmark() && m.timeMs == visited; });
        if (bookmark != m_marks.Marks().end() && *positionMs >= LandingMs(*bookmark) &&
            *positionMs <= visited + CBookmarkStore::kNearMs && m_marks.RemoveBookmark(visited)) {
            atMs = visited;
        }
    }
    if (atMs) {
        ShowNote(QStringLiteral("Bookmark at %1 removed").arg(ClockText(*atMs)));
    }
}

const Incident* CRoadPlayerDlg::IncidentPlaying(uint32_t positionMs) const {
    return IncidentPlayingAt(m_marks.Incidents(), static_cast<int32_t>(positionMs));
}

void CRoadPlayerDlg::ScanListedRecordings() {
    QStringList paths;
    if (const platform::ListCtrl* list = FileList()) {
        for (int row = 0; row < list->GetItemCount(); ++row) {
            paths << RecordingPathOfRow(*list, row);
        }
    }
    m_incidentScan.Request(paths, ReadIncidentThresholds());
    FlagRecordingsWithIncidents();
}

void CRoadPlayerDlg::FlagRecordingsWithIncidents() {
    auto* list = dynamic_cast<SkListCtrl*>(FindWidget(kMainListFileList));
    if (list == nullptr) {
        return;
    }
    QSet<QString> flagged = m_incidentScan.WithIncidents();
    // The recording open is known as soon as its own incidents are.
    if (m_marks.IncidentsFound()) {
        if (m_marks.Incidents().empty()) {
            flagged.remove(m_marks.Path());
        } else {
            flagged.insert(m_marks.Path());
        }
    }
    list->SetFlaggedRows(kColumnPath, std::move(flagged));
}

}  // namespace player
