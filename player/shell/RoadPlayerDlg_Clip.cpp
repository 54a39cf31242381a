// The main window's clips: the in and out marks at the playback position, shown on the time
// slider, and the export of the marked span (or one proposed without marks) through the clip
// window, which runs the exporter on its worker while the window stays live.

#include "player/shell/RoadPlayerDlg.h"

#include "platform/system/SettingsStore.h"
#include "platform/system/ShellFolders.h"
#include "platform/window/SystemDialogs.h"
#include "player/catalogue/ClipNames.h"
#include "player/profile/AppProfile.h"
#include "player/profile/NotifyDlg.h"
#include "player/resources/Resource.h"
#include "player/shell/ClipDlg.h"
#include "player/shell/ShellLog.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <memory>

namespace player {

namespace {

using platform::media::ClipOutcome;
using platform::media::ClipStatus;

// Where the folder of the last clip is kept (settings store, per user).
constexpr char kClipKey[] = "Software\\RoadPlayer\\Clips";
constexpr char kLastFolderValue[] = "LastFolder";
constexpr char kClipExtension[] = "mp4";
constexpr char kClipFilter[] = "MP4 video(*.mp4)|*.mp4||";
// The exporter's reason follows the message's comment; a profile without it shows these.
constexpr char kMsgClip[] = "error-clip";
constexpr FallbackMessage kClipFallback{
    "Clip not saved", "The clip could not be written. Nothing of it was left behind."};
// The kinds of a clip's marks among the time slider's, as the skin colours them.
constexpr char kClipInKind[] = "clipin";
constexpr char kClipOutKind[] = "clipout";

}  // namespace

CClipTimeline CRoadPlayerDlg::ClipTimelineOfOpen() {
    if (m_session.Graph() == nullptr || CurrentPath().isEmpty()) {
        return {};
    }
    // A clip may span the trip; a trip with a duration still unknown counts as the recording
    // alone until the durations arrive.
    const CTrip trip = CurrentTrip();
    const QStringList paths = TripPaths(trip);
    std::vector<CClipTimeline::Member> members;
    for (size_t i = 0; i < trip.Members().size(); ++i) {
        const int64_t durationMs = trip.Members()[i].durationMs;
        if (durationMs <= 0) {
            members.clear();
            break;
        }
        members.push_back({paths.value(static_cast<qsizetype>(i)), durationMs});
    }
    if (members.empty()) {
        members = {{CurrentPath(), static_cast<int64_t>(m_session.Player().GetDurationMs())}};
    }
    return CClipTimeline(std::move(members));
}

void CRoadPlayerDlg::FollowClipTimeline() {
    const CClipTimeline timeline = ClipTimelineOfOpen();
    // Closing keeps the marks: they go only when a recording of another timeline opens.
    if (!timeline.IsEmpty() && m_clipMarks.Follow(timeline)) {
        qCDebug(lcShell) << "clip marks dropped: another recording opened";
    }
    ShowSliderMarks();
}

void CRoadPlayerDlg::SetClipMark(bool in) {
    CPlayGraph* graph = m_session.Graph();
    if (graph == nullptr || m_controlState->CurrentOpenState() != OpenState::Open) {
        return;
    }
    m_clipMarks.Follow(ClipTimelineOfOpen());
    const ClipPlace place{CurrentPath(), std::max<int64_t>(graph->GetPositionMs(), 0)};
    if (in ? m_clipMarks.SetIn(place) : m_clipMarks.SetOut(place)) {
        ShowSliderMarks();
        ShowNote(QStringLiteral("Clip %1 at %2")
                     .arg(in ? QStringLiteral("starts") : QStringLiteral("ends"),
                          CControlState::FormatTime(place.ms, false)));
    }
}

std::vector<SkinMark> CRoadPlayerDlg::ClipSliderMarks() const {
    const CClipTimeline& timeline = m_clipMarks.Timeline();
    const int index = timeline.IndexOf(CurrentPath());
    if (m_session.Graph() == nullptr || index < 0) {
        return {};
    }
    // The marks as positions in the open recording; one in another recording lies beyond an
    // end, where the slider draws no bar but holds the stretch to its range.
    return ClipMarksOn(timeline.OffsetOf(index),
                       timeline.Members()[static_cast<size_t>(index)].durationMs);
}

std::vector<SkinMark> CRoadPlayerDlg::ClipStripMarks(size_t segments) const {
    // The strip shows the clip's timeline when it shows as many recordings: the trip of the
    // recording open, or that recording alone.
    const CClipTimeline& timeline = m_clipMarks.Timeline();
    if (m_session.Graph() == nullptr || timeline.IndexOf(CurrentPath()) < 0 ||
        timeline.Members().size() != segments) {
        return {};
    }
    return ClipMarksOn(0, timeline.DurationMs());
}

std::vector<SkinMark> CRoadPlayerDlg::ClipMarksOn(int64_t offsetMs, int64_t lengthMs) const {
    auto local = [&](int64_t timeMs) {
        return static_cast<int32_t>(std::clamp<int64_t>(timeMs - offsetMs, -1, lengthMs + 1));
    };
    const std::optional<int64_t> in = m_clipMarks.InMs();
    const std::optional<int64_t> out = m_clipMarks.OutMs();
    std::vector<SkinMark> marks;
    if (in) {
        marks.push_back({local(*in), QString::fromLatin1(kClipInKind), QStringLiteral("clip start"),
                         out ? std::optional<int32_t>(local(*out)) : std::nullopt});
    }
    if (out) {
        marks.push_back({local(*out), QString::fromLatin1(kClipOutKind), QStringLiteral("clip end"),
                         std::nullopt});
    }
    return marks;
}

void CRoadPlayerDlg::OnClip() {
    // As the button, the key acts only on a recording that is open.
    CPlayGraph* graph = m_session.Graph();
    if (graph == nullptr || m_controlState->CurrentOpenState() != OpenState::Open) {
        return;
    }
    m_clipMarks.Follow(ClipTimelineOfOpen());
    const CClipTimeline& timeline = m_clipMarks.Timeline();
    const int64_t offset = timeline.OffsetOf(timeline.IndexOf(CurrentPath()));
    const int64_t positionMs = std::max<int64_t>(graph->GetPositionMs(), 0);
    std::optional<ClipSpan> incident;
    if (const Incident* playing = IncidentPlaying(static_cast<uint32_t>(positionMs))) {
        incident = ClipSpan{playing->startMs + offset, playing->endMs + offset};
    }
    const std::optional<ClipSpan> span = ChooseClipSpan(
        timeline, m_clipMarks.InMs(), m_clipMarks.OutMs(), offset + positionMs, incident);
    if (!span) {
        qCInfo(lcShell) << "no clip: nothing of the recording is left to export";
        return;
    }
    const bool wasRunning = m_session.PauseForDialog();
    ExportClip(RangeOf(timeline, *span));
    m_session.ResumeAfterDialog(wasRunning);
}

void CRoadPlayerDlg::ExportClip(const ClipRange& range) {
    const OpenTelemetry open{CurrentPath(), &Telemetry()};
    auto prepare = [&](const ClipChoices& choices) -> std::optional<platform::media::ClipRequest> {
        const std::optional<QString> target = AskClipTarget(range);
        if (!target) {
            return std::nullopt;
        }
        return MakeClipRequest(range, choices, *target, m_readout.speedUnit, open);
    };
    const QByteArray* script = m_profile.GetScript(NameKey(QString::fromLatin1(kClipSkinName)));
    if (script != nullptr && script->isEmpty()) {
        script = nullptr;
    }
    auto window = std::make_unique<CClipDlg>(this, script, ClipRangeText(range), prepare);
    if (!window->Skinned()) {
        // Without the skin's window: a lossless clip straight to the Save As, with a plain
        // progress window.
        qCInfo(lcShell) << "no clip window in the skin: a lossless clip is written";
        std::optional<platform::media::ClipRequest> request = prepare(ClipChoices{});
        if (!request) {
            return;
        }
        window = std::make_unique<CClipDlg>(this, nullptr, ClipRangeText(range), prepare);
        window->ExportAtOnce(std::move(*request));
    }
    window->DoModal();
    ReportClip(window->Outcome(), window->Target());
}

std::optional<QString> CRoadPlayerDlg::AskClipTarget(const ClipRange& range) {
    if (range.recordings.isEmpty()) {
        return std::nullopt;
    }
    QString folder =
        platform::ReadRegistryString(platform::RegistryScope::User, QString::fromLatin1(kClipKey),
                                     QString::fromLatin1(kLastFolderValue))
            .value_or(QString());
    if (folder.isEmpty() || !QDir(folder).exists()) {
        folder = platform::GetDesktopFolder();
    }
    const QString name = ProposeClipName(range.recordings.constFirst(), range.from.ms,
                                         range.recordings.constLast(), range.to.ms);
    const platform::SaveFileRequest request{this, QDir(folder).filePath(name), kClipFilter, true};
    const std::optional<platform::SaveFileResult> chosen = platform::GetSaveFileName(request);
    if (!chosen) {
        return std::nullopt;
    }
    const QString target =
        chosen->extension.isEmpty() ? chosen->path + '.' + kClipExtension : chosen->path;
    if (!platform::WriteRegistryString(platform::RegistryScope::User, QString::fromLatin1(kClipKey),
                                       QString::fromLatin1(kLastFolderValue),
                                       QFileInfo(target).absolutePath())) {
        qCInfo(lcShell) << "the clip folder is not kept: the settings store takes nothing";
    }
    return target;
}

void CRoadPlayerDlg::ReportClip(const std::optional<ClipOutcome>& outcome, const QString& target) {
    if (!outcome) {
        return;  // closed before anything was written
    }
    switch (outcome->status) {
        case ClipStatus::Done:
            ShowNote(WrittenNote({target}));
            break;
        case ClipStatus::Cancelled:
            ShowNote(QStringLiteral("Clip cancelled: nothing was written"));
            break;
        default:
            ShowFailure(m_profile, kMsgClip, kClipFallback, outcome->reason, this);
            break;
    }
}

}  // namespace player
