#include "platform/media/ClipExporter.h"

#include "platform/media/ClipModes.h"
#include "platform/media/ClipSources.h"
#include "platform/media/Log.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaObject>

#include <algorithm>
#include <tuple>

namespace platform::media {

namespace {

// An estimate before this much of the span or time is only noise.
constexpr double kMinFractionForEstimate = 0.02;
constexpr int64_t kMinElapsedForEstimateMs = 500;

bool TargetIsUsable(const QString& target, ClipOutcome* failure) {
    const QFileInfo info(target);
    if (target.isEmpty() || info.fileName().isEmpty()) {
        *failure = {ClipStatus::BadRequest, QStringLiteral("no file name for the clip")};
        return false;
    }
    if (info.isDir()) {
        *failure = {ClipStatus::TargetFailed,
                    QStringLiteral("%1 is a folder, not a file name").arg(target)};
        return false;
    }
    if (!info.absoluteDir().exists()) {
        *failure = {ClipStatus::TargetFailed,
                    QStringLiteral("the folder of %1 does not exist").arg(target)};
        return false;
    }
    return true;
}

}  // namespace

ClipProgress ClipExportControl::Progress() const {
    ClipProgress progress;
    const int64_t total = m_total;
    progress.fraction =
        total > 0 ? std::clamp(static_cast<double>(m_done) / static_cast<double>(total), 0.0, 1.0)
                  : 0.0;
    progress.elapsedMs = m_timer.elapsed();
    if (progress.fraction >= kMinFractionForEstimate &&
        progress.elapsedMs >= kMinElapsedForEstimateMs) {
        progress.remainingMs = static_cast<int64_t>(static_cast<double>(progress.elapsedMs) *
                                                    (1.0 - progress.fraction) / progress.fraction);
    }
    return progress;
}

void ClipExportControl::Report(int64_t done, int64_t total) {
    m_total = total;
    m_done = done;
}

ClipOutcome ExportClip(const ClipRequest& request, ClipExportControl& control) {
    RouteFfmpegLog();
    ClipOutcome failure;
    if (!TargetIsUsable(request.target, &failure)) {
        return failure;
    }
    for (const QString& recording : request.recordings) {
        if (QFileInfo(recording).absoluteFilePath() ==
            QFileInfo(request.target).absoluteFilePath()) {
            return {ClipStatus::BadRequest,
                    QStringLiteral("the clip must not replace one of its recordings")};
        }
    }
    ClipSources sources;
    if (!sources.Open(request, control.CancelFlag(), &failure)) {
        return failure;
    }
    ClipOutcome outcome = request.layout == ClipLayout::Copy
                              ? RemuxClip(request, sources, control)
                              : RenderClip(request, sources, control);
    if (outcome.status != ClipStatus::Done) {
        qCWarning(lcMedia) << "clip" << request.target << "not written:" << outcome.reason;
    }
    return outcome;
}

ClipExport::ClipExport(QObject* parent) : QObject(parent) {
    qRegisterMetaType<ClipOutcome>();
}

ClipExport::~ClipExport() {
    if (m_control) {
        m_control->Cancel();
    }
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

bool ClipExport::Start(ClipRequest request) {
    if (m_running) {
        return false;
    }
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_control = std::make_unique<ClipExportControl>();
    m_running = true;
    ClipExportControl* control = m_control.get();
    m_worker = std::thread([this, control, request = std::move(request)] {
        const ClipOutcome outcome = ExportClip(request, *control);
        QMetaObject::invokeMethod(
            this, [this, outcome] { OnWorkerDone(outcome); }, Qt::QueuedConnection);
    });
    return true;
}

void ClipExport::Cancel() {
    if (m_control) {
        m_control->Cancel();
    }
}

ClipProgress ClipExport::Progress() const {
    return m_control ? m_control->Progress() : ClipProgress{};
}

void ClipExport::OnWorkerDone(const ClipOutcome& outcome) {
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_running = false;
    m_outcome = outcome;
    emit Finished(m_outcome);
}

const ClipOverlayCue* ClipOverlayCueAt(const std::vector<ClipOverlayCue>& cues, ClipPoint at) {
    const auto after = std::upper_bound(
        cues.begin(), cues.end(), at, [](const ClipPoint& point, const ClipOverlayCue& cue) {
            return std::tie(point.recording, point.ms) < std::tie(cue.at.recording, cue.at.ms);
        });
    return after == cues.begin() ? nullptr : &*(after - 1);
}

}  // namespace platform::media
