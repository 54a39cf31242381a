// The main window's export (Save), track (GPX) and snapshot (Capture) commands. Each pauses a
// running playback while its Save As dialog is open and runs it again afterwards.

#include "player/shell/RoadPlayerDlg.h"

#include "platform/system/AtomicFile.h"
#include "platform/system/FilePaths.h"
#include "platform/system/ShellFolders.h"
#include "platform/window/SystemDialogs.h"
#include "platform/window/Window.h"
#include "player/catalogue/Export.h"
#include "player/catalogue/Snapshot.h"
#include "player/profile/AppProfile.h"
#include "player/profile/NotifyDlg.h"
#include "player/resources/Resource.h"
#include "player/shell/ShellLog.h"
#include "player/telemetry/MarksOfRecording.h"
#include "player/telemetry/TrackExport.h"

#include <QFileInfo>
#include <QImage>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace player {

namespace {

constexpr int kFrontView = 0;
constexpr int kRearView = 1;

// The track's messages; a profile without them shows none.
constexpr char kMsgNoGpsTrack[] = "error-no-gps";
constexpr char kMsgSaveTrack[] = "error-save-track";
constexpr char kMsgSaveSnapshot[] = "error-save-snapshot";
constexpr FallbackMessage kSaveSnapshotFallback{
    "Snapshot not saved", "The picture could not be saved. Choose another place or name."};
constexpr char kTrackExtension[] = "gpx";
constexpr char kTrackFilter[] = "GPX track(*.gpx)|*.gpx||";
// A trip's track is named after its first recording.
constexpr char kTripSuffix[] = "_trip";

}  // namespace

void CRoadPlayerDlg::OnSave() {
    if (FileList() == nullptr) {
        return;
    }
    // The open recording's own path: the list may show another category by now.
    if (m_session.Graph() == nullptr || CurrentPath().isEmpty()) {
        ShowMessage(kMsgNoSelectFile, kMessageKind);
        return;
    }
    const bool wasRunning = m_session.PauseForDialog();
    const QString source = CurrentPath();
    const std::optional<platform::SaveFileResult> chosen =
        platform::GetSaveFileName(ExportSaveRequest(source));
    if (chosen) {
        if (ExportRecording(this, source, chosen->path)) {
            ShowNote(WrittenNote({chosen->path}));
        } else {
            ShowMessage(kMsgCopyFile, kMessageKind);
        }
    }
    m_session.ResumeAfterDialog(wasRunning);
}

void CRoadPlayerDlg::OnSaveTrack() {
    if (m_session.Graph() == nullptr || CurrentPath().isEmpty()) {
        ShowMessage(kMsgNoSelectFile, kMessageKind);
        return;
    }
    // Within a trip the whole trip's track, one segment per recording.
    std::vector<std::vector<TrackPoint>> segments;
    QString name = QFileInfo(CurrentPath()).completeBaseName();
    if (TripFixesReady(m_shownTrip)) {
        for (const TripRecordingFixes& recording : TripFixes(m_shownTrip)) {
            segments.push_back(TrackOf(recording.fixes));
        }
        name = QFileInfo(TripPaths(m_shownTrip).constFirst()).completeBaseName() + kTripSuffix;
    } else {
        segments.push_back(TrackOf(Telemetry()));
    }
    if (std::all_of(segments.begin(), segments.end(),
                    [](const std::vector<TrackPoint>& segment) { return segment.empty(); })) {
        ShowMessage(kMsgNoGpsTrack, kMessageKind);
        return;
    }
    const bool wasRunning = m_session.PauseForDialog();
    const platform::SaveFileRequest request{
        this, platform::GetDesktopFolder() + '/' + name + '.' + kTrackExtension, kTrackFilter,
        true};
    if (const auto chosen = platform::GetSaveFileName(request)) {
        const QString target =
            chosen->extension.isEmpty() ? chosen->path + '.' + kTrackExtension : chosen->path;
        // A lone recording's track carries its marks; a trip's has a segment per recording.
        const QByteArray gpx =
            segments.size() == 1
                ? TrackGpx(segments.front(), name, MarksOfRecording(Telemetry(), CurrentPath()),
                           m_readout.speedUnit)
                : TrackGpx(segments, name, m_readout.speedUnit);
        // The recording that plays is never replaced by its track, by whatever name.
        if (!platform::SameFile(target, CurrentPath()) &&
            platform::WriteFileAtomically(target, gpx)) {
            ShowNote(WrittenNote({target}));
        } else {
            qCWarning(lcShell) << "the track could not be written to" << target;
            ShowMessage(kMsgSaveTrack, kMessageKind);
        }
    }
    m_session.ResumeAfterDialog(wasRunning);
}

void CRoadPlayerDlg::OnCapture() {
    CPlayGraph* graph = m_session.Graph();
    if (graph == nullptr ||
        (graph->State() != GraphState::Running && graph->State() != GraphState::Paused)) {
        return;
    }
    const bool wasRunning = graph->State() == GraphState::Running;
    graph->Pause();
    QImage front;
    if (graph->GetCurrentImage(kFrontView, &front) != 0) {
        const SnapshotProposal proposal = ProposeSnapshotName(CurrentPath());
        const int32_t videoCount = m_controlState->VideoCount();
        if (const auto chosen = platform::GetSaveFileName(SnapshotSaveRequest(this, proposal))) {
            std::vector<QImage> pictures{front};
            QImage rear;
            graph = m_session.Graph();
            if (videoCount >= 2 && graph != nullptr &&
                graph->GetCurrentImage(kRearView, &rear) != 0) {
                pictures.push_back(rear);
            }
            // Both pictures or neither, and a failure says why.
            QString why;
            const QStringList written =
                SaveSnapshots(*chosen, proposal.length, videoCount, pictures, &why);
            if (!written.isEmpty()) {
                ShowNote(WrittenNote(written));
            } else {
                ShowFailure(m_profile, kMsgSaveSnapshot, kSaveSnapshotFallback, why, this);
            }
        }
    } else {
        qCInfo(lcShell) << "no front picture to capture";
    }
    graph = m_session.Graph();
    if (wasRunning && graph != nullptr && graph->State() == GraphState::Paused) {
        graph->Run();
        ArmTick();
    }
}

QString CRoadPlayerDlg::WrittenNote(const QStringList& paths) {
    QStringList names;
    for (const QString& path : paths) {
        names << QFileInfo(path).fileName();
    }
    return QStringLiteral("Saved %1 in %2")
        .arg(names.join(QStringLiteral(", ")), QFileInfo(paths.constFirst()).absolutePath());
}

void CRoadPlayerDlg::ShowNote(const QString& note) {
    // The file name's place tells what was just written, then shows the file name again.
    if (SkWidget* text = FindWidget(kMainTextFile)) {
        platform::SetWindowText(text->Window(), note);
        text->Invalidate();
    }
    m_noteTimer.start(kNoteMs);
}

void CRoadPlayerDlg::EndNote() {
    ShowFileName(m_session.Graph() != nullptr ? CurrentPath() : QString());
}

}  // namespace player
