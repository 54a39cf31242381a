#pragma once
// What recording-info reports about one recording: opened through the player's own graph owner
// and telemetry store, with views that are never shown. UI thread only.

#include "platform/media/Com.h"
#include "platform/media/StreamProbe.h"
#include "player/playback/VideoPlayer.h"
#include "player/telemetry/TextData.h"

#include <QString>
#include <QTextStream>
#include <QWidget>

#include <optional>

class RecordingInfo {
public:
    RecordingInfo();

    // Opens the recording and loads its telemetry; false (with Error() set) when it cannot or
    // the player would not play it.
    bool Open(const QString& path);
    // What the container holds ("video streams", "audio streams", "duration ms" where the file
    // says it); nothing when the file is no container at all. For a refused recording.
    void WriteFoundStreams(QTextStream& out) const;

    // "video streams", "audio", "duration ms", "gps samples", "g-sensor samples", one a line.
    void WriteSummary(QTextStream& out) const;
    // Every parsed sample as CSV, GPS samples first, each kind after its own header line.
    void WriteTelemetryCsv(QTextStream& out) const;
    // Seeks to positionMs and writes the front camera's picture there, as JPEG or PNG by the
    // name's extension; an existing file is replaced only by a complete picture.
    bool SaveFrame(int positionMs, const QString& picturePath);
    // The format SaveFrame writes for a name ("jpg", "png"), or null for a name it refuses.
    static const char* PictureFormat(const QString& picturePath);

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
    std::optional<platform::media::StreamCounts> m_streams;
    QString m_error;
};
