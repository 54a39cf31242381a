#pragma once
// Finds the incidents of one recording in its G-sensor readings and GPS speeds. Gravity is a
// slowly following average of the readings and only the rest is judged, so the camera may be
// mounted any way round; the direction of travel is learnt from how the GPS speed changes.
// A pure function of values: copy the samples on the UI thread, detect on any thread.

#include "player/telemetry/Incident.h"
#include "player/telemetry/TextData.h"

#include <cstdint>
#include <vector>

namespace player {

struct AccelReading {
    int32_t timeMs = 0;  // from the recording's start
    double x = 0;        // g, on the sensor's own axes
    double y = 0;
    double z = 0;
};

struct SpeedFix {
    int32_t timeMs = 0;
    double speedKmh = 0;
};

// What detection needs of a recording: its readings and the speeds of its valid fixes.
struct MotionSeries {
    std::vector<AccelReading> readings;
    std::vector<SpeedFix> speeds;
};

struct IncidentThresholds {
    double brakingG = 0.40;  // along the direction of travel, held at least the hold time
    int32_t brakingHoldMs = 300;
    double accelerationG = 0.40;
    int32_t accelerationHoldMs = 300;
    double corneringG = 0.45;  // across the direction of travel
    int32_t corneringHoldMs = 500;
    double impactG = 1.5;    // above gravity, in any direction, however short
    int32_t mergeMs = 3000;  // detections closer than this are one incident (the highest peak)
};

// The store's readings in g and its valid fixes' speeds. UI thread (reads the store).
MotionSeries MotionSeriesOf(const CTextData& data);

// The incidents in the order of their peaks; none without readings. Horizontal jolts are
// braking, acceleration or cornering where the GPS speed tells the direction of travel, and
// motion where it cannot (no fixes, standing still, a speed that never changes). Any thread.
std::vector<Incident> DetectIncidents(const MotionSeries& series,
                                      const IncidentThresholds& thresholds = {});

}  // namespace player
