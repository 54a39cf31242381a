#pragma once
// An incident found in a recording's G-sensor readings (a harsh manoeuvre or a knock), as a
// plain value. Any thread.

#include <QString>

#include <cstdint>
#include <optional>

namespace player {

enum class IncidentKind { Braking, Acceleration, Cornering, Impact, Motion };

struct Incident {
    int32_t peakMs = 0;  // from the recording's start
    IncidentKind kind = IncidentKind::Motion;
    double peakG = 0;     // the judged acceleration at the peak (for an impact: above gravity)
    int32_t startMs = 0;  // the stretch over which it held, merged detections included
    int32_t endMs = 0;
    std::optional<double> speedBeforeKmh;  // the last valid fix before the stretch, if near
    std::optional<double> speedAfterKmh;   // the first valid fix after it, if near
};

// The word tools and track files use: "braking", "acceleration", "cornering", "impact", "motion".
const char* IncidentKindName(IncidentKind kind);
// What a person reads: "harsh braking", "harsh acceleration", "sharp cornering", "impact",
// "harsh motion" (a horizontal jolt whose direction of travel is unknown).
QString IncidentKindText(IncidentKind kind);

}  // namespace player
