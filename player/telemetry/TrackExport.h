#pragma once
// The GPS track of a recording as files for other programs: GPX 1.1 and CSV. Builds bytes
// only; the caller writes them. UI thread only (reads the store).

#include "player/telemetry/ReadoutSettings.h"
#include "player/telemetry/TextData.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <vector>

namespace player {

struct TrackPoint {
    double latitude = 0;  // decimal degrees
    double longitude = 0;
    double speedKmh = 0;
    double course = 0;   // degrees
    int32_t timeMs = 0;  // from the start of the recording
    QDateTime utc;
};

// The valid fixes with a real date and time and a position on the globe, in delivery order.
std::vector<TrackPoint> TrackOf(const CTextData& data);

// GPX 1.1: one track named name with one segment, a trkpt per point with its UTC time, and
// the speed (km/h) and the recording time (ms) in an extension; with the unit mph the
// extension also holds the speed in mph (speed_mph).
QByteArray TrackGpx(const std::vector<TrackPoint>& track, const QString& name,
                    SpeedUnit unit = SpeedUnit::Kmh);
// A header row, then a row per point: time_ms, utc, latitude, longitude, speed_kmh, course,
// and speed_mph last with the unit mph.
QByteArray TrackCsv(const std::vector<TrackPoint>& track, SpeedUnit unit = SpeedUnit::Kmh);

}  // namespace player
