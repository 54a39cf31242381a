#include "player/telemetry/TrackExport.h"

#include "player/telemetry/FixValues.h"

#include <QStringList>
#include <QXmlStreamWriter>

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

QString Number(double value) {
    return QString::number(value, 'g', 7);
}

QString Utc(const QDateTime& utc) {
    return utc.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

}  // namespace

std::vector<TrackPoint> TrackOf(const CTextData& data) {
    std::vector<TrackPoint> track;
    for (const CGPSData& fix : data.GPSList()) {
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

QByteArray TrackGpx(const std::vector<TrackPoint>& track, const QString& name, SpeedUnit unit) {
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
    if (!track.empty()) {
        xml.writeStartElement(QStringLiteral("metadata"));
        xml.writeTextElement(QStringLiteral("time"), Utc(track.front().utc));
        xml.writeEndElement();
    }
    xml.writeStartElement(QStringLiteral("trk"));
    xml.writeTextElement(QStringLiteral("name"), name);
    xml.writeStartElement(QStringLiteral("trkseg"));
    for (const TrackPoint& point : track) {
        xml.writeStartElement(QStringLiteral("trkpt"));
        xml.writeAttribute(QStringLiteral("lat"), Degrees(point.latitude));
        xml.writeAttribute(QStringLiteral("lon"), Degrees(point.longitude));
        xml.writeTextElement(QStringLiteral("time"), Utc(point.utc));
        xml.writeStartElement(QStringLiteral("extensions"));
        xml.writeTextElement(QString::fromLatin1(kOwnNamespace), QStringLiteral("speed"),
                             Number(point.speedKmh));
        if (unit == SpeedUnit::Mph) {
            xml.writeTextElement(QString::fromLatin1(kOwnNamespace), QStringLiteral("speed_mph"),
                                 Number(SpeedIn(point.speedKmh, unit)));
        }
        xml.writeTextElement(QString::fromLatin1(kOwnNamespace), QStringLiteral("course"),
                             Number(point.course));
        xml.writeTextElement(QString::fromLatin1(kOwnNamespace), QStringLiteral("time_ms"),
                             QString::number(point.timeMs));
        xml.writeEndElement();  // extensions
        xml.writeEndElement();  // trkpt
    }
    xml.writeEndDocument();
    return bytes;
}

QByteArray TrackCsv(const std::vector<TrackPoint>& track, SpeedUnit unit) {
    const bool mph = unit == SpeedUnit::Mph;
    QByteArray bytes("time_ms,utc,latitude,longitude,speed_kmh,course");
    bytes += mph ? ",speed_mph\n" : "\n";
    for (const TrackPoint& point : track) {
        QStringList fields{QString::number(point.timeMs), Utc(point.utc),
                           Degrees(point.latitude),       Degrees(point.longitude),
                           Number(point.speedKmh),        Number(point.course)};
        if (mph) {
            fields << Number(SpeedIn(point.speedKmh, unit));
        }
        bytes += fields.join(QLatin1Char(',')).toLatin1() + '\n';
    }
    return bytes;
}

}  // namespace player
