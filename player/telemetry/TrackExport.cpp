#include "player/telemetry/TrackExport.h"

#include "player/telemetry/FixValues.h"

#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>

namespace player {

namespace {

constexpr double kMaxLatitude = 90.0;
constexpr double kMaxLongitude = 180.0;
constexpr int kDegreeDecimals = 7;  // about a centimetre
constexpr char kGpxNamespace[] = "http://www.topografix.com/GPX/1/1";
constexpr char kGpxSchema[] =
    "http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd";
constexpr char kSchemaInstance[] = "http://www.w3.org/2001/XMLSchema-instance";
constexpr char kOwnNamespace[] = "urn:roadplayer:track:1";
constexpr char kCreator[] = "RoadPlayer";

QString Degrees(double value) {
    return QString::number(value, 'f', kDegreeDecimals);
}

QString Utc(const QDateTime& utc) {
    return utc.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

template <typename Fixes>
std::vector<TrackPoint> TrackOfFixes(const Fixes& fixes) {
    std::vector<TrackPoint> track;
    for (const CGPSData& fix : fixes) {
        TrackPoint point{ToDecimalDegrees(fix.latitude),
                         ToDecimalDegrees(fix.longitude),
                         fix.speed,
                         fix.course,
                         fix.time,
                         FixTimeUtc(fix)};
        // A fix without a real moment or off the globe would make a file other programs reject.
        if (fix.valid == 0 || !point.utc.isValid() ||
            !(std::abs(point.latitude) <= kMaxLatitude &&
              std::abs(point.longitude) <= kMaxLongitude)) {
            continue;
        }
        if (!std::isfinite(point.speedKmh)) {
            point.speedKmh = 0;
        }
        if (!std::isfinite(point.course)) {
            point.course = 0;
        }
        track.push_back(point);
    }
    return track;
}

void WriteSegment(QXmlStreamWriter& xml, const std::vector<TrackPoint>& track) {
    xml.writeStartElement(QStringLiteral("trkseg"));
    for (const TrackPoint& point : track) {
        xml.writeStartElement(QStringLiteral("trkpt"));
        xml.writeAttribute(QStringLiteral("lat"), Degrees(point.latitude));
        xml.writeAttribute(QStringLiteral("lon"), Degrees(point.longitude));
        xml.writeTextElement(QStringLiteral("time"), Utc(point.utc));
        xml.writeStartElement(QStringLiteral("extensions"));
        xml.writeTextElement(QString::fromLatin1(kOwnNamespace), QStringLiteral("speed"),
                             QString::number(point.speedKmh, 'g', 7));
        xml.writeTextElement(QString::fromLatin1(kOwnNamespace), QStringLiteral("course"),
                             QString::number(point.course, 'g', 7));
        xml.writeTextElement(QString::fromLatin1(kOwnNamespace), QStringLiteral("time_ms"),
                             QString::number(point.timeMs));
        xml.writeEndElement();  // extensions
        xml.writeEndElement();  // trkpt
    }
    xml.writeEndElement();  // trkseg
}

}  // namespace

std::vector<TrackPoint> TrackOf(const CTextData& data) {
    return TrackOfFixes(data.GPSList());
}

std::vector<TrackPoint> TrackOf(const std::vector<CGPSData>& fixes) {
    return TrackOfFixes(fixes);
}

QByteArray TrackGpx(const std::vector<TrackPoint>& track, const QString& name) {
    return TrackGpx(std::vector<std::vector<TrackPoint>>{track}, name);
}

QByteArray TrackGpx(const std::vector<std::vector<TrackPoint>>& segments, const QString& name) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(QString::fromLatin1(kGpxNamespace));
    xml.writeNamespace(QString::fromLatin1(kSchemaInstance), QStringLiteral("xsi"));
    xml.writeNamespace(QString::fromLatin1(kOwnNamespace), QStringLiteral("rp"));
    xml.writeStartElement(QString::fromLatin1(kGpxNamespace), QStringLiteral("gpx"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    xml.writeAttribute(QStringLiteral("creator"), QString::fromLatin1(kCreator));
    xml.writeAttribute(QString::fromLatin1(kSchemaInstance), QStringLiteral("schemaLocation"),
                       QString::fromLatin1(kGpxSchema));
    const auto first = std::find_if(segments.begin(), segments.end(),
                                    [](const auto& segment) { return !segment.empty(); });
    if (first != segments.end()) {
        xml.writeStartElement(QStringLiteral("metadata"));
        xml.writeTextElement(QStringLiteral("time"), Utc(first->front().utc));
        xml.writeEndElement();
    }
    xml.writeStartElement(QStringLiteral("trk"));
    xml.writeTextElement(QStringLiteral("name"), name);
    for (const std::vector<TrackPoint>& track : segments) {
        // An empty segment is not valid GPX for some readers; a lone recording keeps its one.
        if (!track.empty() || segments.size() == 1) {
            WriteSegment(xml, track);
        }
    }
    xml.writeEndDocument();
    return bytes;
}

QByteArray TrackCsv(const std::vector<TrackPoint>& track) {
    QByteArray bytes("time_ms,utc,latitude,longitude,speed_kmh,course\n");
    for (const TrackPoint& point : track) {
        bytes += QString::number(point.timeMs).toLatin1() + ',' + Utc(point.utc).toLatin1() + ',' +
                 Degrees(point.latitude).toLatin1() + ',' + Degrees(point.longitude).toLatin1() +
                 ',' + QString::number(point.speedKmh, 'g', 7).toLatin1() + ',' +
                 QString::number(point.course, 'g', 7).toLatin1() + '\n';
    }
    return bytes;
}

}  // namespace player
