#include "tools/recording-info/TrackFiles.h"

#include "platform/system/AtomicFile.h"
#include "player/telemetry/TrackExport.h"

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
