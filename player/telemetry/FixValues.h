#pragma once
// What a stored GPS fix means to a person: its position in decimal degrees, its moment in UTC
// and in the camera's local time, and the main window's speed and clock readout.

#include "player/telemetry/GPSData.h"
#include "player/telemetry/Incident.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <vector>

namespace player {

// A stored ddmm.mmmm value in decimal degrees; negative (south, west) stays negative.
double ToDecimalDegrees(double nmea);

// The fix's moment in UTC: its date with the stored hour less the camera's 9 h (two-digit
// years are 2000..2099). Invalid when the date or time is not a real one.
QDateTime FixTimeUtc(const CGPSData& fix);
// The camera's local date and time of the fix (UTC+9, as a plain date and time): the stored
// hour, an hour of 24 or more being the next day.
QDateTime FixTimeLocal(const CGPSData& fix);

// The readout for the fix at the playback position: "41.5 km/h  2025-05-18 08:35:19" (speed
// with one decimal, the camera's local time), or "--" without a valid fix.
QString GpsReadoutText(const CGPSData* fix);

// The readout names an incident from this long before its peak (or its stretch's start, if
// earlier) to this long after it (or its stretch's end, if later).
inline constexpr int32_t kIncidentShownMs = 2000;
// "harsh braking 0.51 g": what the incident was and its peak, with two decimals.
QString IncidentReadoutText(const Incident& incident);
// The readout while an incident plays: the speed and the incident in the clock's place
// ("41.5 km/h  harsh braking 0.51 g"), the incident alone without a valid fix.
QString GpsReadoutText(const CGPSData* fix, const Incident* playing);
// The incident playing at a position, the highest peak where several are; null for none.
const Incident* IncidentPlayingAt(const std::vector<Incident>& incidents, int32_t positionMs);

}  // namespace player
