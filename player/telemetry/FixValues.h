#pragma once
// What a stored GPS fix means to a person: its position in decimal degrees, its moment in UTC
// and in the camera's local time, and the main window's speed and clock readout.

#include "player/telemetry/GPSData.h"
#include "player/telemetry/Incident.h"
#include "player/telemetry/ReadoutSettings.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <vector>

namespace player {

// A stored ddmm.mmmm value in decimal degrees; negative (south, west) stays negative.
double ToDecimalDegrees(double nmea);

// The fix's moment in UTC: its date with the stored hour less the 9 h the reader added to the
// receiver's UTC time (two-digit years are 2000..2099), whatever the camera's time zone.
// Invalid when the date or time is not a real one.
QDateTime FixTimeUtc(const CGPSData& fix);
// The fix's date and time at the camera, zoneMinutes east of UTC, as a plain date and time
// (with the default UTC+9: the stored hour, an hour of 24 or more being the next day).
QDateTime FixTimeLocal(const CGPSData& fix, int32_t zoneMinutes = kDefaultCameraZoneMinutes);
// The moment a reading of the camera's clock (a recording's name) stands for, in UTC.
QDateTime CameraTimeUtc(const QDateTime& cameraLocal, int32_t zoneMinutes);

// What is shown of values a card may hold out of all range (the store keeps them as read):
// a speed from 0 to 999.9 km/h, a position on the globe (decimal degrees); not a number
// gives 0.
inline constexpr double kMaxShownSpeedKmh = 999.9;
double ShownSpeedKmh(double speedKmh);
double ShownLatitude(double degrees);
double ShownLongitude(double degrees);

// The readout for the fix at the playback position: "41.5 km/h  2025-05-18 08:35:19" (speed
// with one decimal in the chosen unit, within the shown range; the camera's local time), or
// "--" without a valid fix.
QString GpsReadoutText(const CGPSData* fix, const ReadoutSettings& settings = {});
// What the readout adds within a trip: "trip 00:12:34  5.2 km", the time elapsed on the trip's
// timeline and the distance driven so far with one decimal, in miles ("3.2 mi") with mph.
QString TripFiguresText(int64_t elapsedMs, double metres, SpeedUnit unit = SpeedUnit::Kmh);

// The readout names an incident from this long before its peak (or its stretch's start, if
// earlier) to this long after it (or its stretch's end, if later).
inline constexpr int32_t kIncidentShownMs = 2000;
// "harsh braking 0.51 g": what the incident was and its peak, with two decimals.
QString IncidentReadoutText(const Incident& incident);
// The readout while an incident plays: the speed and the incident in the clock's place
// ("41.5 km/h  harsh braking 0.51 g"), the incident alone without a valid fix; without one
// playing, the readout above.
QString GpsReadoutText(const CGPSData* fix, const ReadoutSettings& settings,
                       const Incident* playing);
// The incident playing at a position, the highest peak where several are; null for none.
const Incident* IncidentPlayingAt(const std::vector<Incident>& incidents, int32_t positionMs);

}  // namespace player
