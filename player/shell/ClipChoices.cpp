#include "player/shell/ClipChoices.h"

#include "player/catalogue/ClipNames.h"

namespace player {

platform::media::ClipRequest MakeClipRequest(const ClipRange& range, const ClipChoices& choices,
                                             const QString& target, SpeedUnit unit,
                                             const OpenTelemetry& open) {
    using platform::media::ClipLayout;
    platform::media::ClipRequest request;
    request.recordings = range.recordings;
    request.from = range.from;
    request.to = range.to;
    request.target = target;
    request.layout = choices.layout;
    request.corner = choices.corner;
    request.withoutLocation = choices.withoutLocation;
    if (choices.withoutLocation) {
        request.telemetry = &WithoutGpsLines;
    }
    if (choices.layout == ClipLayout::Copy || !choices.overlay) {
        return request;
    }
    const ClipOverlayOptions overlay{unit, !choices.withoutLocation};
    for (int i = 0; i < range.recordings.size(); ++i) {
        const QString& path = range.recordings[i];
        CTextData read;
        const CTextData* telemetry = &read;
        if (path == open.path && open.store != nullptr) {
            telemetry = open.store;
        } else {
            LoadRecordingTelemetry(path, &read);
        }
        const int64_t durationMs =
            static_cast<size_t>(i) < range.durationsMs.size() ? range.durationsMs[i] : 0;
        const std::vector<platform::media::ClipOverlayCue> cues =
            ClipOverlayCues(i, RecordingStartTime(path), durationMs, *telemetry, overlay);
        request.overlay.insert(request.overlay.end(), cues.begin(), cues.end());
    }
    return request;
}

}  // namespace player
