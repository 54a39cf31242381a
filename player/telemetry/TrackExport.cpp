#include "player/telemetry/TrackExport.h"

#include "player/telemetry/FixValues.h"

#include <QStringList>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

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

// The point nearest each mark, in the marks' order; a mark with none near is left out.
std::vector<std::pair<size_t, const RecordingMark*>> PlaceMarks(
    const std::vector<TrackPoint>& track, const std::vector<RecordingMark>& marks) {
    std::vector<std::pair<size_t, const RecordingMark*>> placed;
    for (const RecordingMark& mark : marks) {
        size_t best = track.size();
        int64_t bestDistance = int64_t{kMaxMarkToFixMs} + 1;
        for (size_t i = 0; i < track.size(); ++i) {
            const int64_t distance = std::llabs(int64_t{track[i].timeMs} - mark.timeMs);
            if (distance < bestDistance) {
                best = i;
                bestDistance = distance;
            }
        }
        if (best < track.size()) {
            placed.emplace_back(best, &mark);
        }
    }
    return placed;
}

void WriteWaypoint(QXmlStreamWriter& xml, const TrackPoint& point, const RecordingMark& mark) {
    xml.writeStartElement(QStringLiteral("wpt"));
    xml.writeAttribute(QStringLiteral("lat"), Degrees(point.latitude));
    xml.writeAttribute(QStringLiteral("lon"), Degrees(point.longitude));
    xml.writeTextElement(QStringLiteral("time"),
                         Utc(point.utc.addMSecs(int64_t{mark.timeMs} - point.timeMs)));
    xml.writeTextElement(QStringLiteral("name"), mark.Name());
    if (mark.incident) {
        xml.writeTextElement(QStringLiteral("desc"), QStringLiteral("%1, %2 g")
                                                         .arg(IncidentKindText(mark.incident->kind))
                                                         .arg(mark.incident->peakG, 0, 'f', 2));
    }
    xml.writeTextElement(QStringLiteral("type"), mark.IsBookmark() ? QStringLiteral("bookmark")
                                                                   : QStringLiteral("incident"));
    xml.writeStartElement(QStringLiteral("extensions"));
    xml.writeTextElement(QString::fromLatin1(kOwnNamespace), QStringLiteral("time_ms"),
                         QString::number(mark.timeMs));
    if (mark.incident) {
        xml.writeTextElement(QString::fromLatin1(kOwnNamespace), QStringLiteral("peak_g"),
                             QString::number(mark.incident->peakG, 'f', 2));
    }
    xml.writeEndElement();  // extensions
    xml.writeEndElement();  // wpt
}

// A CSV field, quoted when it holds a separator, a quote or a line break.
QByteArray CsvField(const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') ||
        bytes.contains('\r')) {
        bytes.replace("\"", "\"\"");
        return '"' + bytes + '"';
    }
    return bytes;
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

void StartGpx(QXmlStreamWriter& xml, const TrackPoint* first) {
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
    if (first != nullptr) {
        xml.writeStartElement(QStringLiteral("metadata"));
        xml.writeTextElement(QStringLiteral("time"), Utc(first->utc));
        xml.writeEndElement();
    }
}

void WriteSegment(QXmlStreamWriter& xml, const std::vector<TrackPoint>& track, SpeedUnit unit) {
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
    xml.writeEndElement();  // trkseg
}

}  // namespace

std::vector<TrackPoint> TrackOf(const CTextData& data) {
    return TrackOfFixes(data.GPSList());
}

std::vector<TrackPoint> TrackOf(const std::vector<CGPSData>& fixes) {
    return TrackOfFixes(fixes);
}

QByteArray TrackGpx(const std::vector<TrackPoint>& track, const QString& name,
                    const std::vector<RecordingMark>& marks, SpeedUnit unit) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    StartGpx(xml, track.empty() ? nullptr : &track.front());
    for (const auto& [index, mark] : PlaceMarks(track, marks)) {
        WriteWaypoint(xml, track[index], *mark);
    }
    xml.writeStartElement(QStringLiteral("trk"));
    xml.writeTextElement(QStringLiteral("name"), name);
    WriteSegment(xml, track, unit);
    xml.writeEndDocument();
    return bytes;
}

QByteArray TrackGpx(const std::vector<std::vector<TrackPoint>>& segments, const QString& name,
                    SpeedUnit unit) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    const auto first = std::find_if(segments.begin(), segments.end(),
                                    [](const auto& segment) { return !segment.empty(); });
    StartGpx(xml, first == segments.end() ? nullptr : &first->front());
    xml.writeStartElement(QStringLiteral("trk"));
    xml.writeTextElement(QStringLiteral("name"), name);
    for (const std::vector<TrackPoint>& track : segments) {
        // An empty segment is not valid GPX for some readers.
        if (!track.empty()) {
            WriteSegment(xml, track, unit);
        }
    }
    xml.writeEndDocument();
    return bytes;
}

QByteArray TrackCsv(const std::vector<TrackPoint>& track, const std::vector<RecordingMark>& marks,
                    SpeedUnit unit) {
    const bool mph = unit == SpeedUnit::Mph;
    std::vector<QStringList> events(track.size());
    for (const auto& [index, mark] : PlaceMarks(track, marks)) {
        events[index] << mark->Name();
    }
    QByteArray bytes("time_ms,utc,latitude,longitude,speed_kmh,course");
    bytes += mph ? ",speed_mph,event\n" : ",event\n";
    for (size_t i = 0; i < track.size(); ++i) {
        const TrackPoint& point = track[i];
        QStringList fields{QString::number(point.timeMs), Utc(point.utc),
                           Degrees(point.latitude),       Degrees(point.longitude),
                           Number(point.speedKmh),        Number(point.course)};
        if (mph) {
            fields << Number(SpeedIn(point.speedKmh, unit));
        }
        // The event's names may be any text: UTF-8, quoted where needed.
        bytes += fields.join(QLatin1Char(',')).toLatin1() + ',' +
                 CsvField(events[i].join(QStringLiteral("; "))) + '\n';
    }
    return bytes;
}

}  // namespace player
