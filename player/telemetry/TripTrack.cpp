#include "player/telemetry/TripTrack.h"

#include "platform/media/StreamProbe.h"
#include "player/telemetry/FixValues.h"
#include "player/telemetry/Log.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace player {

namespace {

constexpr double kEarthRadiusMetres = 6371000.0;
constexpr double kMaxLatitude = 90.0;
constexpr double kMaxLongitude = 180.0;

double Radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

}  // namespace

bool ReadRecordingFixes(const QString& path, std::vector<CGPSData>* fixes) {
    fixes->clear();
    std::vector<platform::media::TelemetryText> lines;
    if (!platform::media::ReadRecordingTelemetry(path, &lines)) {
        qCDebug(lcTelemetry) << "no telemetry read from" << path;
        return false;
    }
    for (const platform::media::TelemetryText& line : lines) {
        if (!line.text.empty() && line.text[0] == 'G') {
            CGPSData fix;
            fix.Parse(line.text.c_str(), line.timeMs);  // a short line still gives a record
            fixes->push_back(fix);
        }
    }
    return true;
}

double GreatCircleMetres(double latitudeA, double longitudeA, double latitudeB, double longitudeB) {
    const double dLatitude = Radians(latitudeB - latitudeA);
    const double dLongitude = Radians(longitudeB - longitudeA);
    const double h = std::pow(std::sin(dLatitude / 2), 2) +
                     std::cos(Radians(latitudeA)) * std::cos(Radians(latitudeB)) *
                         std::pow(std::sin(dLongitude / 2), 2);
    return 2 * kEarthRadiusMetres * std::asin(std::min(1.0, std::sqrt(h)));
}

CTripDistance::CTripDistance(const std::vector<TripRecordingFixes>& recordings) {
    bool havePrevious = false;
    double latitude = 0;
    double longitude = 0;
    for (const TripRecordingFixes& recording : recordings) {
        for (const CGPSData& fix : recording.fixes) {
            const double lat = ToDecimalDegrees(fix.latitude);
            const double lon = ToDecimalDegrees(fix.longitude);
            if (fix.valid == 0 || !(std::abs(lat) <= kMaxLatitude) ||
                !(std::abs(lon) <= kMaxLongitude)) {
                continue;
            }
            const double step =
                havePrevious ? GreatCircleMetres(latitude, longitude, lat, lon) : 0.0;
            m_timesMs.push_back(std::max(recording.offsetMs + fix.time,
                                         m_timesMs.empty() ? int64_t{0} : m_timesMs.back()));
            m_metres.push_back((m_metres.empty() ? 0.0 : m_metres.back()) + step);
            latitude = lat;
            longitude = lon;
            havePrevious = true;
        }
    }
}

double CTripDistance::MetresAt(int64_t tripMs) const {
    const auto it = std::upper_bound(m_timesMs.begin(), m_timesMs.end(), tripMs);
    if (it == m_timesMs.begin()) {
        return 0.0;
    }
    return m_metres[static_cast<size_t>(std::distance(m_timesMs.begin(), it) - 1)];
}

}  // namespace player
