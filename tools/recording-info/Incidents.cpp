#include "tools/recording-info/Incidents.h"

#include "player/telemetry/IncidentDetector.h"
#include "player/telemetry/IncidentSettings.h"

void WriteIncidents(const player::CTextData& telemetry, QTextStream& out) {
    if (telemetry.GSensorList().empty()) {
        out << "no G-sensor readings, so no incidents\n";
        return;
    }
    for (const player::Incident& incident : player::DetectIncidents(
             player::MotionSeriesOf(telemetry), player::ReadIncidentThresholds())) {
        out << incident.peakMs << '\t' << player::IncidentKindName(incident.kind) << '\t'
            << QString::number(incident.peakG, 'f', 2) << '\n';
    }
}
