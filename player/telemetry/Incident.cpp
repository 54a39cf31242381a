#include "player/telemetry/Incident.h"

namespace player {

const char* IncidentKindName(IncidentKind kind) {
    switch (kind) {
        case IncidentKind::Braking:
            return "braking";
        case IncidentKind::Acceleration:
            return "acceleration";
        case IncidentKind::Cornering:
            return "cornering";
        case IncidentKind::Impact:
            return "impact";
        case IncidentKind::Motion:
            break;
    }
    return "motion";
}

QString IncidentKindText(IncidentKind kind) {
    switch (kind) {
        case IncidentKind::Braking:
            return QStringLiteral("harsh braking");
        case IncidentKind::Acceleration:
            return QStringLiteral("harsh acceleration");
        case IncidentKind::Cornering:
            return QStringLiteral("sharp cornering");
        case IncidentKind::Impact:
            return QStringLiteral("impact");
        case IncidentKind::Motion:
            break;
    }
    return QStringLiteral("harsh motion");
}

}  // namespace player
