#pragma once
// What a clip shows and keeps of the telemetry: the burned-in lines of each recording (date and
// time, speed, place) as the exporter's cues, and samples stripped of their GPS lines for a
// clip without location. The cues read a store (UI thread); WithoutGpsLines any thread.

#include "platform/media/ClipExporter.h"
#include "player/telemetry/ReadoutSettings.h"
#include "player/telemetry/TextData.h"

#include <QByteArray>
#include <QDateTime>

#include <cstdint>
#include <vector>

namespace player {

struct ClipOverlayOptions {
    SpeedUnit unit = SpeedUnit::Kmh;
    bool location = true;  // false: nothing the GPS gave (speed, place)
};

// The cues of one recording, the request's recording index `recording`: from every whole
// second of the camera's clock and from every valid fix on, the camera's date and time (when
// cameraStart is valid), the speed of the latest fix at or before that moment and its place.
std::vector<platform::media::ClipOverlayCue> ClipOverlayCues(int recording,
                                                             const QDateTime& cameraStart,
                                                             int64_t durationMs,
                                                             const CTextData& telemetry,
                                                             const ClipOverlayOptions& options);

// Loads the telemetry of a recording that is not open into the store; the lines read.
int LoadRecordingTelemetry(const QString& path, CTextData* store);

// A telemetry sample's text ('\n' between lines) without its GPS lines.
QByteArray WithoutGpsLines(const QByteArray& sampleText);

}  // namespace player
