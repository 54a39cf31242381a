#include "tools/recording-info/TrackFiles.h"

#include "platform/system/AtomicFile.h"
#include "player/telemetry/TrackExport.h"
#include "player/telemetry/TripTrack.h"

#include <QFileInfo>

bool WriteTrackFile(const player::CTextData& telemetry, const QString& recordingPath,
                    const std::vector<player::RecordingMark>& marks, TrackFormat format,
                    const QString& outPath, QString* error) {
    const std::vector<player::TrackPoint> track = player::TrackOf(telemetry);
    if (track.empty()) {
        *error = QStringLiteral("%1 holds no valid GPS fix; %2 was not written")
                     .arg(recordingPath, outPath);
        return false;
    }
    // The player's speed unit: the files add it beside their km/h.
    const player::SpeedUnit unit = player::LoadReadoutSettings().speedUnit;
    const QByteArray bytes =
        format == TrackFormat::Gpx
            ? player::TrackGpx(track, QFileInfo(recordingPath).completeBaseName(), marks, unit)
            : player::TrackCsv(track, marks, unit);
    if (!platform::WriteFileAtomically(outPath, bytes)) {
        *error = QStringLiteral("cannot write %1").arg(outPath);
        return false;
    }
    return true;
}

bool WriteTripGpx(const QStringList& recordingPaths, const QString& outPath, QString* error) {
    std::vector<std::vector<player::TrackPoint>> segments;
    bool anyFix = false;
    for (const QString& path : recordingPaths) {
        std::vector<player::CGPSData> fixes;
        if (!player::ReadRecordingFixes(path, &fixes)) {
            *error = QStringLiteral("cannot read %1; %2 was not written").arg(path, outPath);
            return false;
        }
        segments.push_back(player::TrackOf(fixes));
        anyFix = anyFix || !segments.back().empty();
    }
    if (!anyFix) {
        *error =
            QStringLiteral("the recordings hold no valid GPS fix; %1 was not written").arg(outPath);
        return false;
    }
    const QString name = QFileInfo(recordingPaths.constFirst()).completeBaseName() + "_trip";
    if (!platform::WriteFileAtomically(outPath, player::TrackGpx(segments, name))) {
        *error = QStringLiteral("cannot write %1").arg(outPath);
        return false;
    }
    return true;
}
