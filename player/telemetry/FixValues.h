#pragma once
// What a stored GPS fix means to a person: its position in decimal degrees, its moment in UTC
// and in the camera's local time, and the main window's speed and clock readout.

#include "player/telemetry/GPSData.h"

#include <QDateTime>
#include <QString>

#include <cstdint>

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
// What the readout adds within a trip: "trip 00:12:34  5.2 km", the time elapsed on the trip's
// timeline and the distance driven so far with one decimal.
QString TripFiguresText(int64_t elapsedMs, double metres);

}  // namespace player
