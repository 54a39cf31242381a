#pragma once
// The GPS track of a recording as files for other programs: GPX 1.1 and CSV, with the
// recording's marks (incidents, bookmarks) placed at the fix nearest each. Builds bytes only;
// the caller writes them. UI thread only (reads the store).

#include "player/telemetry/ReadoutSettings.h"
#include "player/telemetry/RecordingMarks.h"
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
std::vector<TrackPoint> TrackOf(const std::vector<CGPSData>& fixes);

// A mark further than this from every point has no place in a track file.
inline constexpr int32_t kMaxMarkToFixMs = 2000;

// GPX 1.1: a waypoint per mark (name: the incident's kind or the bookmark's note; type:
// "incident" or "bookmark"; the time and position of the mark's nearest point), then one track
// named name with one segment, a trkpt per point with its UTC time, and the speed (km/h) and
// the recording time (ms) in an extension; with the unit mph the extension also holds the
// speed in mph (speed_mph).
QByteArray TrackGpx(const std::vector<TrackPoint>& track, const QString& name,
                    const std::vector<RecordingMark>& marks = {}, SpeedUnit unit = SpeedUnit::Kmh);
// The same without marks and with one segment per recording (a trip); segments without points
// are left out.
QByteArray TrackGpx(const std::vector<std::vector<TrackPoint>>& segments, const QString& name,
                    SpeedUnit unit = SpeedUnit::Kmh);
// A header row, then a row per point: time_ms, utc, latitude, longitude, speed_kmh, course,
// speed_mph with the unit mph, and event last (the names of the marks nearest that point,
// joined by "; ", quoted where needed).
QByteArray TrackCsv(const std::vector<TrackPoint>& track,
                    const std::vector<RecordingMark>& marks = {}, SpeedUnit unit = SpeedUnit::Kmh);

}  // namespace player
