#include "player/telemetry/FixValues.h"

#include <cmath>

namespace player {

namespace {

// The hour the reader added to the receiver's UTC time (CGPSData::hour).
constexpr int32_t kStoredHourShift = 9;
constexpr int64_t kSecondsPerMinute = 60;
constexpr int32_t kCenturyStart = 2000;
constexpr char kNoFixText[] = "--";

}  // namespace

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
    QString text = FormatSpeed(fix->speed, settings.speedUnit);
    if (local.isValid()) {
        text += QStringLiteral("  ") + local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    return text;
}

}  // namespace player
