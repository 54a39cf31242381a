#pragma once
// The simulated drive behind a card: which recordings exist, and speed, route and
// acceleration over time, with the telemetry lines the camera would store. Any thread.

#include "tools/make-sample-card/CardOptions.h"
#include "tools/make-sample-card/Manoeuvres.h"

#include <QDateTime>
#include <QString>

#include <string>
#include <vector>

namespace samplecard {

// The camera's clock is UTC+9; GPS fixes carry UTC.
inline constexpr int kCameraUtcOffsetSeconds = 9 * 3600;
inline constexpr int kSamplesPerSecond = 10;

struct ClipPlan {
    int category = 0;
    QString relativePath;  // e.g. "NORMAL/NOR_250517_143000_F.mp4"
    QDateTime start;       // camera time of the first frame
    bool braking = false;
    bool parked = false;
    bool roughRoad = false;             // sensor noise a rough road gives
    std::vector<Manoeuvre> manoeuvres;  // in time order
    std::vector<Bump> bumps;
};

// Recordings of the enabled categories in category order, one after the other.
std::vector<ClipPlan> PlanCard(const CardOptions& options);

// State of the car at one instant; accelerations in g (x lateral, y forward, z up).
struct DriveSample {
    double speedKmh = 0.0;
    double courseDeg = 0.0;
    double latitudeDeg = 0.0;
    double longitudeDeg = 0.0;
    double distanceM = 0.0;
    double curvaturePerM = 0.0;  // of the road here, radians per metre, > 0 bending right
    double accelX = 0.0;
    double accelY = 0.0;
    double accelZ = 1.0;
};

// One telemetry sample: one or more lines joined by "\n", shown from startMs for durationMs.
struct TelemetrySample {
    int startMs = 0;
    int durationMs = 0;
    std::string text;
};

// Car state carried from one recording to the next.
struct DriveState {
    double distanceM = 0.0;
    double latitudeDeg = 37.4;
    double longitudeDeg = 127.03;
    double elapsedS = 0.0;          // drive time at the start of the next recording
    double headingOffsetDeg = 0.0;  // what sharp corners left of the road's course
};

// Samples at kSamplesPerSecond over [0, lengthSeconds], both ends included; advances state.
std::vector<DriveSample> SimulateClip(const ClipPlan& clip, int lengthSeconds, int seed,
                                      DriveState& state);

// The jolt of a braking recording's hard stop, or of a knock or shove, at clipS, in g (0 for
// recordings without one).
double ImpactJoltG(const ClipPlan& clip, int lengthSeconds, double clipS);

// Linear interpolation between the samples for a time inside the recording.
DriveSample SampleAt(const std::vector<DriveSample>& samples, double timeS);

std::string FormatGpsLine(const DriveSample& sample, const QDateTime& utc);
std::string FormatGSensorLine(const DriveSample& sample);

// One planned recording with the drive it shows.
struct PlannedClip {
    ClipPlan clip;
    std::vector<DriveSample> drive;
    int seed = 0;  // for the recording's noise
};

// The whole card's drive, recording after recording.
std::vector<PlannedClip> SimulateCard(const CardOptions& options);

// One incident a card holds, as the detection should find it.
struct IncidentLabel {
    QString relativePath;
    int peakMs = 0;
    const char* kind = "";  // "braking", "acceleration", "cornering", "impact", "motion"
    double peakG = 0.0;
};

// The incidents of the planned recordings in card order: the labelled manoeuvres and the hard
// stops of the braking recordings.
std::vector<IncidentLabel> IncidentLabels(const std::vector<ClipPlan>& plan, int lengthSeconds);

// A 'G' line once a second and an 'M' line every tenth of a second, in time order.
std::vector<TelemetrySample> BuildTelemetry(const ClipPlan& clip,
                                            const std::vector<DriveSample>& samples,
                                            int lengthSeconds);

}  // namespace samplecard
