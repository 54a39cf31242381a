#pragma once
// How the player shows GPS values to a person: the speed unit and the camera's time zone, kept
// in the settings store, and the speed formatted in that unit (the readout, the map's legend,
// track files and rendered clips all use these). Any thread may call.

#include <QString>

#include <cstdint>

namespace player {

enum class SpeedUnit : int32_t { Kmh = 0, Mph = 1 };

// The camera keeps its clock at UTC+9 unless it was told otherwise.
inline constexpr int32_t kDefaultCameraZoneMinutes = 9 * 60;
// Time zones in use reach from UTC-12:00 to UTC+14:00.
inline constexpr int32_t kMinZoneMinutes = -12 * 60;
inline constexpr int32_t kMaxZoneMinutes = 14 * 60;

struct ReadoutSettings {
    SpeedUnit speedUnit = SpeedUnit::Kmh;
    // The camera's local time less UTC, in minutes (540 for UTC+9, -300 for UTC-5).
    int32_t cameraZoneMinutes = kDefaultCameraZoneMinutes;

    bool operator==(const ReadoutSettings&) const = default;
};

// The settings store's key and values (per user).
inline constexpr char kReadoutKey[] = "Software\\RoadPlayer\\Readout";
inline constexpr char kSpeedUnitValue[] = "SpeedUnit";                // 0 km/h, 1 mph
inline constexpr char kCameraZoneValue[] = "CameraUtcOffsetMinutes";  // e.g. 540, -300

// The stored settings; a missing or out-of-range value reads as its default.
ReadoutSettings LoadReadoutSettings();
// False when the store does not take them (logged).
bool SaveReadoutSettings(const ReadoutSettings& settings);

// A speed given in km/h, in the unit.
double SpeedIn(double kmh, SpeedUnit unit);
// "km/h" or "mph".
QString SpeedUnitName(SpeedUnit unit);
// The speed with one decimal and its unit: "41.5 km/h", "25.8 mph".
QString FormatSpeed(double kmh, SpeedUnit unit);
// "UTC+09:00", "UTC-05:00", "UTC+05:30".
QString ZoneName(int32_t zoneMinutes);

}  // namespace player
