#pragma once
// The incident thresholds as the user set them in the settings store, per user under
// Software\RoadPlayer\Incidents; a value that is missing or out of range keeps its default.
// Any thread.

#include "player/telemetry/IncidentDetector.h"

namespace player {

inline constexpr char kIncidentSettingsKey[] = "Software\\RoadPlayer\\Incidents";

// Values (DWORD): BrakingMilliG 400, BrakingHoldMs 300, AccelerationMilliG 400,
// AccelerationHoldMs 300, CorneringMilliG 450, CorneringHoldMs 500, ImpactMilliG 1500,
// MergeMs 3000. Thresholds 50..10000 milli-g, times 0..60000 ms.
IncidentThresholds ReadIncidentThresholds();

}  // namespace player
