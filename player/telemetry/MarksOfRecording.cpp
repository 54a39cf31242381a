#include "player/telemetry/MarksOfRecording.h"

#include "player/telemetry/IncidentDetector.h"
#include "player/telemetry/IncidentSettings.h"

namespace player {

std::vector<RecordingMark> MarksOfRecording(const CTextData& telemetry,
                                            const QString& recordingPath,
                                            const CBookmarkStore& bookmarks) {
    std::vector<Bookmark> kept;
    if (const std::optional<RecordingKey> key = RecordingKey::OfFile(recordingPath)) {
        kept = bookmarks.List(*key);
    }
    return MarksOf(DetectIncidents(MotionSeriesOf(telemetry), ReadIncidentThresholds()), kept);
}

}  // namespace player
