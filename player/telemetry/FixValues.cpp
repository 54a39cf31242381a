#include "player/telemetry/FixValues.h"

#include <algorithm>
#include <cmath>

namespace player {

namespace {

// The hour the reader added to the receiver's UTC time (CGPSData::hour).
constexpr int32_t kStoredHourShift = 9;
constexpr int64_t kSecondsPerMinute = 60;
constexpr int32_t kCenturyStart = 2000;
constexpr char kNoFixText[] = "--";
constexpr double kMaxLatitude = 90.0;
constexpr double kMaxLongitude = 180.0;

double ShownWithin(double value, double low, double high) {
    return std::isnan(value) ? 0.0 : std::clamp(value, low, high);
}

}  // namespace

double ShownSpeedKmh(double speedKmh) {
    return ShownWithin(speedKmh, 0.0, kMaxShownSpeedKmh);
}

double ShownLatitude(double degrees) {
    return ShownWithin(degrees, -kMaxLatitude, kMaxLatitude);
}

double ShownLongitude(double degrees) {
    return ShownWithin(degrees, -kMaxLongitude, kMaxLongitude);
}

double ToDecimalDegrees(double nmea) {
    const double value = nmea * 0.01;
    const double degrees = std::trunc(value);
    return (value - degrees) * 100.0 / 60.0 + degrees;
}

QDateTime FixTimeUtc(const CGPSData& fix) {
    const QDate date(kCenturyStart + fix.year, fix.month, fix.day);
    const QTime time(fix.hour - kStoredHourShift, fix.minute, fix.second);
    if (fix.year < 0 || fix.year > 99 || !date.isValid() || !time.isValid()) {
        return {};
    }
    return QDateTime(date, time, Qt::UTC);
}

QDateTime FixTimeLocal(const CGPSData& fix, int32_t zoneMinutes) {
    const QDateTime utc = FixTimeUtc(fix);
    if (!utc.isValid()) {
        return {};
    }
    return utc.addSecs(zoneMinutes * kSecondsPerMinute);
}

QDateTime CameraTimeUtc(const QDateTime& cameraLocal, int32_t zoneMinutes) {
    if (!cameraLocal.isValid()) {
        return {};
    }
    return QDateTime(cameraLocal.date(), cameraLocal.time(), Qt::UTC)
        .addSecs(-zoneMinutes * kSecondsPerMinute);
}

QString GpsReadoutText(const CGPSData* fix, const ReadoutSettings& settings) {
    if (fix == nullptr || fix->valid == 0 || !std::isfinite(fix->speed)) {
        return QString::fromLatin1(kNoFixText);
    }
    const QDateTime local = FixTimeLocal(*fix, settings.cameraZoneMinutes);
    QString text = FormatSpeed(ShownSpeedKmh(fix->speed), settings.speedUnit);
    if (local.isValid()) {
        text += QStringLiteral("  ") + local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    return text;
}

QString IncidentReadoutText(const Incident& incident) {
    return IncidentKindText(incident.kind) + QString::asprintf(" %.2f g", incident.peakG);
}

QString GpsReadoutText(const CGPSData* fix, const ReadoutSettings& settings,
                       const Incident* playing) {
    if (playing == nullptr) {
        return GpsReadoutText(fix, settings);
    }
    if (fix == nullptr || fix->valid == 0 || !std::isfinite(fix->speed)) {
        return IncidentReadoutText(*playing);
    }
    return FormatSpeed(fix->speed, settings.speedUnit) + QStringLiteral("  ") +
           IncidentReadoutText(*playing);
}

const Incident* IncidentPlayingAt(const std::vector<Incident>& incidents, int32_t positionMs) {
    const Incident* playing = nullptr;
    for (const Incident& incident : incidents) {
        const int64_t from =
            std::min<int64_t>(incident.startMs, int64_t{incident.peakMs} - kIncidentShownMs);
        const int64_t to =
            std::max<int64_t>(incident.endMs, int64_t{incident.peakMs} + kIncidentShownMs);
        if (from <= positionMs && positionMs <= to &&
            (playing == nullptr || incident.peakG > playing->peakG)) {
            playing = &incident;
        }
    }
    return playing;
}

QString TripFiguresText(int64_t elapsedMs, double metres, SpeedUnit unit) {
    const int64_t seconds = std::max<int64_t>(elapsedMs, 0) / 1000;
    const double kilometres = std::isfinite(metres) ? std::max(metres, 0.0) / 1000.0 : 0.0;
    // A distance per hour converts as the distance does.
    return QString::asprintf(
        "trip %02lld:%02lld:%02lld  %.1f %s", static_cast<long long>(seconds / 3600),
        static_cast<long long>(seconds % 3600 / 60), static_cast<long long>(seconds % 60),
        SpeedIn(kilometres, unit), unit == SpeedUnit::Mph ? "mi" : "km");
}

}  // namespace player
