#include "tools/recording-info/Incidents.h"

#include "player/telemetry/BookmarkStore.h"
#include "player/telemetry/IncidentDetector.h"
#include "player/telemetry/IncidentSettings.h"

namespace {

std::vector<player::Incident> IncidentsOf(const player::CTextData& telemetry) {
    return player::DetectIncidents(player::MotionSeriesOf(telemetry),
                                   player::ReadIncidentThresholds());
}

}  // namespace

void WriteIncidents(const player::CTextData& telemetry, QTextStream& out) {
    if (telemetry.GSensorList().empty()) {
        out << "no G-sensor readings, so no incidents\n";
        return;
    }
    for (const player::Incident& incident : IncidentsOf(telemetry)) {
        out << incident.peakMs << '\t' << player::IncidentKindName(incident.kind) << '\t'
            << QString::number(incident.peakG, 'f', 2) << '\n';
    }
}

std::vector<player::RecordingMark> MarksOfRecording(const player::CTextData& telemetry,
                                                    const QString& recordingPath) {
    std::vector<player::Bookmark> bookmarks;
    if (const auto key = player::RecordingKey::OfFile(recordingPath)) {
        bookmarks = player::CBookmarkStore().List(*key);
    }
    return player::MarksOf(IncidentsOf(telemetry), bookmarks);
}
