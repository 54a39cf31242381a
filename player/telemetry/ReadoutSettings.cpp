#include "player/telemetry/ReadoutSettings.h"

#include "platform/system/SettingsStore.h"
#include "player/telemetry/Log.h"

#include <cstdlib>
#include <optional>

namespace player {

namespace {

// The international mile is 1.609344 km exactly.
constexpr double kKmPerMile = 1.609344;
constexpr int32_t kMinutesPerHour = 60;

}  // namespace

ReadoutSettings LoadReadoutSettings() {
    ReadoutSettings settings;
    const QString key = QString::fromLatin1(kReadoutKey);
    const std::optional<uint32_t> unit = platform::ReadRegistryDword(
        platform::RegistryScope::User, key, QString::fromLatin1(kSpeedUnitValue));
    if (unit == static_cast<uint32_t>(SpeedUnit::Mph)) {
        settings.speedUnit = SpeedUnit::Mph;
    }
    const std::optional<int32_t> zone = platform::ReadRegistryInt(
        platform::RegistryScope::User, key, QString::fromLatin1(kCameraZoneValue));
    if (zone && *zone >= kMinZoneMinutes && *zone <= kMaxZoneMinutes) {
        settings.cameraZoneMinutes = *zone;
    } else if (zone) {
        qCInfo(lcTelemetry) << "the stored camera time zone" << *zone << "is out of range";
    }
    return settings;
}

bool SaveReadoutSettings(const ReadoutSettings& settings) {
    const QString key = QString::fromLatin1(kReadoutKey);
    const bool saved = platform::WriteRegistryDword(platform::RegistryScope::User, key,
                                                    QString::fromLatin1(kSpeedUnitValue),
                                                    static_cast<uint32_t>(settings.speedUnit)) &&
                       platform::WriteRegistryInt(platform::RegistryScope::User, key,
                                                  QString::fromLatin1(kCameraZoneValue),
                                                  settings.cameraZoneMinutes);
    if (!saved) {
        qCWarning(lcTelemetry) << "the readout settings were not saved";
    }
    return saved;
}

double SpeedIn(double kmh, SpeedUnit unit) {
    return unit == SpeedUnit::Mph ? kmh / kKmPerMile : kmh;
}

QString SpeedUnitName(SpeedUnit unit) {
    return unit == SpeedUnit::Mph ? QStringLiteral("mph") : QStringLiteral("km/h");
}

QString FormatSpeed(double kmh, SpeedUnit unit) {
    return QString::asprintf("%.1f ", SpeedIn(kmh, unit)) + SpeedUnitName(unit);
}

QString ZoneName(int32_t zoneMinutes) {
    const int32_t magnitude = std::abs(zoneMinutes);
    return QString::asprintf("UTC%c%02d:%02d", zoneMinutes < 0 ? '-' : '+',
                             magnitude / kMinutesPerHour, magnitude % kMinutesPerHour);
}

}  // namespace player
