#pragma once
// What recording-info reports about one recording: opened through the player's own graph owner
// and telemetry store, with views that are never shown. UI thread only.

#include "platform/media/Com.h"
#include "player/playback/VideoPlayer.h"
#include "player/telemetry/TextData.h"

#include <QString>
#include <QTextStream>
#include <QWidget>

class RecordingInfo {
public:
    RecordingInfo();

    // Opens the recording and loads its telemetry; false (with Error() set) when it cannot.
    bool Open(const QString& path);

    // "video streams", "audio", "duration ms", "gps samples", "g-sensor samples", one a line.
    void WriteSummary(QTextStream& out) const;
    // Every parsed sample as CSV, GPS samples first, each kind after its own header line.
    void WriteTelemetryCsv(QTextStream& out) const;
    // Seeks to positionMs and writes the front camera's picture there as a JPEG file.
    bool SaveFrame(int positionMs, const QString& jpegPath);

    // "none", "AAC" or "PCM".
    QString AudioKind() const;
    const QString& Error() const { return m_error; }
    const player::CTextData& Telemetry() const { return m_telemetry; }

private:
    bool WaitForFrameAt(int positionMs, platform::media::REFERENCE_TIME shownBefore);

    QWidget m_frontView;
    QWidget m_rearView;
    player::CVideoPlayer m_player;
    player::CTextData m_telemetry;
    uint64_t m_durationMs = 0;
    QString m_error;
};
