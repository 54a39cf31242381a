// Marks in the main window: the incidents and bookmarks of the recording open on the time
// slider, the G-sensor graph and the map; N and Shift+N go from one to the next, B adds a
// bookmark and Delete removes one; the list flags the recordings that hold an incident.

#include "player/shell/RoadPlayerDlg.h"

#include "platform/window/ListCtrl.h"
#include "player/catalogue/RecordingList.h"
#include "player/resources/Resource.h"
#include "player/shell/BookmarkNoteDlg.h"
#include "player/shell/ShellLog.h"
#include "player/skin/SkGSensorGraph.h"
#include "player/skin/SkListCtrl.h"
#include "player/skin/SkSlider.h"
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

QString ClockText(int32_t ms) {
    const int32_t seconds = std::max(ms, 0) / 1000;
    return QString::asprintf("%02d:%02d", seconds / 60, seconds % 60);
}

}  // namespace

void CRoadPlayerDlg::SetUpMarks() {
    connect(&m_marks, &COpenMarks::Changed, this, &CRoadPlayerDlg::ShowMarks);
    connect(&m_incidentScan, &CIncidentScan::Arrived, this,
            &CRoadPlayerDlg::FlagRecordingsWithIncidents);
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
    if (SkWebBrowser* map = MapView()) {
        map->ShowMarks(marks);
    }
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
}

void CRoadPlayerDlg::GoToMark(int32_t direction) {
    const std::optional<int32_t> positionMs = OpenPositionMs();
    if (!positionMs) {
        return;
    }
    const std::vector<RecordingMark>& marks = m_marks.Marks();
    const std::optional<size_t> index =
        direction > 0 ? NextMark(marks, *positionMs) : PreviousMark(marks, *positionMs);
    if (!index) {
        return;
    }
    m_visitedMarkMs = marks[*index].timeMs;
    m_session.SeekTo(LandingMs(marks[*index]));
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
