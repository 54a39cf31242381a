#include "player/telemetry/FixValues.h"

#include <algorithm>
#include <cmath>

namespace player {

namespace {

constexpr int32_t kCameraHourShift = 9;
constexpr int32_t kHoursPerDay = 24;
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
    const QTime time(fix.hour - kCameraHourShift, fix.minute, fix.second);
    if (fix.year < 0 || fix.year > 99 || !date.isValid() || !time.isValid()) {
        return {};
    }
    return QDateTime(date, time, Qt::UTC);
}

QDateTime FixTimeLocal(const CGPSData& fix) {
    const QDateTime utc = FixTimeUtc(fix);
    if (!utc.isValid()) {
        return {};
    }
    // The stored hour already is the local one; only the date moves when it passed midnight.
    const QDate date = utc.date().addDays(fix.hour / kHoursPerDay);
    return QDateTime(date, QTime(fix.hour % kHoursPerDay, fix.minute, fix.second), Qt::UTC);
}

QString GpsReadoutText(const CGPSData* fix) {
    if (fix == nullptr || fix->valid == 0 || !std::isfinite(fix->speed)) {
        return QString::fromLatin1(kNoFixText);
    }
    const QDateTime local = FixTimeLocal(*fix);
    QString text = QString::asprintf("%.1f km/h", fix->speed);
    if (local.isValid()) {
        text += QStringLiteral("  ") + local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    return text;
}

QString TripFiguresText(int64_t elapsedMs, double metres) {
    const int64_t seconds = std::max<int64_t>(elapsedMs, 0) / 1000;
    const double kilometres = std::isfinite(metres) ? std::max(metres, 0.0) / 1000.0 : 0.0;
    return QString::asprintf("trip %02lld:%02lld:%02lld  %.1f km",
                             static_cast<long long>(seconds / 3600),
                             static_cast<long long>(seconds % 3600 / 60),
                             static_cast<long long>(seconds % 60), kilometres);
}

}  // namespace player
