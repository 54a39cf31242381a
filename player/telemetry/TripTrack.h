#pragma once
// The GPS side of a trip: each recording's fixes read straight from its file, and the distance
// driven along the trip's timeline. Plain values; ReadRecordingFixes may run on any thread.

#include "player/telemetry/GPSData.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace player {

// One recording of a trip: its fixes (times from its own start) and where it starts on the
// trip's timeline.
struct TripRecordingFixes {
    int64_t offsetMs = 0;
    std::vector<CGPSData> fixes;
};

// The fixes of a recording's telemetry track ('G' lines) in delivery order, without building a
// graph. False when the file is no recording the player would open.
bool ReadRecordingFixes(const QString& path, std::vector<CGPSData>* fixes);

// Metres between two positions in decimal degrees, on a sphere of the earth's mean radius.
double GreatCircleMetres(double latitudeA, double longitudeA, double latitudeB, double longitudeB);

// The distance driven along a trip: the sum of the stretches between its valid fixes in trip
// order, read at a trip time.
class CTripDistance {
public:
    CTripDistance() = default;
    explicit CTripDistance(const std::vector<TripRecordingFixes>& recordings);

    // Metres driven up to the last valid fix at or before tripMs.
    double MetresAt(int64_t tripMs) const;
    double TotalMetres() const { return m_metres.empty() ? 0.0 : m_metres.back(); }

private:
    std::vector<int64_t> m_timesMs;  // trip time of each valid fix, not decreasing
    std::vector<double> m_metres;    // driven up to that fix
};

}  // namespace player
