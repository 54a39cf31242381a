#include "player/telemetry/MapRoute.h"

#include "player/telemetry/TextData.h"
#include "player/telemetry/TrackExport.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace player {

namespace {

constexpr double kMaxLatitude = 90.0;
constexpr double kMaxLongitude = 180.0;

}  // namespace

QString DrawCurrentCall(const CGPSData& fix) {
    // QString::asprintf formats numbers in the C locale, as the page reads them.
    return QString::asprintf("javascript:DrawCurrent('%lf', '%lf')",
                             ShownLongitude(ToDecimalDegrees(fix.longitude)),
                             ShownLatitude(ToDecimalDegrees(fix.latitude)));
}

namespace {

template <typename Fixes>
void AppendRoute(const Fixes& fixes, int64_t offsetMs, std::vector<RoutePoint>& route) {
    for (const CGPSData& fix : fixes) {
        if (fix.valid == 0) {
            continue;
        }
        const RoutePoint point{ToDecimalDegrees(fix.longitude), ToDecimalDegrees(fix.latitude),
                               fix.speed, static_cast<int32_t>(offsetMs + fix.time)};
        // A position off the globe cannot be drawn; the page would refuse it as a position too.
        if (!(std::abs(point.longitude) <= kMaxLongitude &&
              std::abs(point.latitude) <= kMaxLatitude && std::isfinite(point.speedKmh))) {
            continue;
        }
        route.push_back(RoutePoint{point.longitude, point.latitude, ShownSpeedKmh(point.speedKmh),
                                   point.timeMs});
    }
}

}  // namespace

std::vector<RoutePoint> RouteOf(const CTextData& data) {
    std::vector<RoutePoint> route;
    AppendRoute(data.GPSList(), 0, route);
    return route;
}

std::vector<RoutePoint> TripRouteOf(const std::vector<TripRecordingFixes>& recordings) {
    std::vector<RoutePoint> route;
    for (const TripRecordingFixes& recording : recordings) {
        AppendRoute(recording.fixes, recording.offsetMs, route);
    }
    return route;
}

QString RouteJson(const std::vector<RoutePoint>& route) {
    QString json;
    json.reserve(static_cast<qsizetype>(route.size()) * 40 + 2);
    json += QLatin1Char('[');
    for (size_t i = 0; i < route.size(); ++i) {
        const RoutePoint& p = route[i];
        if (i != 0) {
            json += QLatin1Char(',');
        }
        json += QLatin1Char('[') + QString::number(p.longitude, 'f', 6) + QLatin1Char(',') +
                QString::number(p.latitude, 'f', 6) + QLatin1Char(',') +
                QString::number(p.speedKmh, 'f', 1) + QLatin1Char(',') + QString::number(p.timeMs) +
                QLatin1Char(']');
    }
    json += QLatin1Char(']');
    return json;
}

QString RouteMarksJson(const std::vector<RoutePoint>& route,
                       const std::vector<RecordingMark>& marks) {
    QJsonArray list;
    for (const RecordingMark& mark : marks) {
        // The route is in time order: the nearest point is at or just before the first later one.
        const auto later =
            std::lower_bound(route.begin(), route.end(), mark.timeMs,
                             [](const RoutePoint& p, int32_t timeMs) { return p.timeMs < timeMs; });
        const RoutePoint* nearest = nullptr;
        for (auto it = later == route.begin() ? later : later - 1; it != route.end() && it <= later;
             ++it) {
            if (nearest == nullptr || std::abs(int64_t{it->timeMs} - mark.timeMs) <
                                          std::abs(int64_t{nearest->timeMs} - mark.timeMs)) {
                nearest = &*it;
            }
        }
        if (nearest == nullptr ||
            std::abs(int64_t{nearest->timeMs} - mark.timeMs) > kMaxMarkToFixMs) {
            continue;
        }
        const QString kind = mark.incident
                                 ? QString::fromLatin1(IncidentKindName(mark.incident->kind))
                                 : QStringLiteral("bookmark");
        // Rounded as the route's points are, so the icon sits on its point.
        const auto degrees = [](double value) { return std::round(value * 1e6) / 1e6; };
        list.append(
            QJsonArray{degrees(nearest->longitude), degrees(nearest->latitude), kind, mark.Name()});
    }
    return QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
}

}  // namespace player
