#pragma once
// What the map page is given from the telemetry store: the position of a fix as the
// DrawCurrent call, and the whole route of a recording. UI thread only (reads the store).

#include "player/telemetry/FixValues.h"
#include "player/telemetry/RecordingMarks.h"
#include "player/telemetry/TextData.h"
#include "player/telemetry/TripTrack.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace player {

// "javascript:DrawCurrent('<longitude>', '<latitude>')", both in decimal degrees with six
// decimals, whatever the user's locale; a position off the globe is shown at its edge.
QString DrawCurrentCall(const CGPSData& fix);

struct RoutePoint {
    double longitude = 0;  // decimal degrees
    double latitude = 0;
    double speedKmh = 0;
    int32_t timeMs = 0;  // from the start of the recording
};

// Every valid fix on the globe of the store in delivery order, positions in decimal degrees,
// speeds within the shown range.
std::vector<RoutePoint> RouteOf(const CTextData& data);
// The same over a trip's recordings in trip order, times on the trip's timeline.
std::vector<RoutePoint> TripRouteOf(const std::vector<TripRecordingFixes>& recordings);

// The route as the page's ShowRoute takes it: a JSON array of [longitude, latitude, km/h, ms].
QString RouteJson(const std::vector<RoutePoint>& route);

// The marks as the page's ShowMarks takes them: a JSON array of [longitude, latitude, kind,
// name], each at the route's point nearest its time within kMaxMarkToFixMs (others are left
// out). The kind is an incident's word or "bookmark".
QString RouteMarksJson(const std::vector<RoutePoint>& route,
                       const std::vector<RecordingMark>& marks);

}  // namespace player
