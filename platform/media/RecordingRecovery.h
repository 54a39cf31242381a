#pragma once
// Recordings cut by a power loss: their media data is there but the index the camera writes
// last is not. RecoverRecording rebuilds an index in memory from a healthy recording of the
// same camera, keeping only samples that validate, up to the last good one; the playable copy
// is the damaged file's own bytes with that index after them, read without writing anything.
// A RecoveredRecording is immutable once made; any thread may read it.

#include "platform/media/AvHandles.h"
#include "platform/media/MediaSample.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

namespace platform::media {

struct RecoveredTrackSummary {
    QString kind;             // "video", "audio" or "telemetry"
    QString codec;            // FFmpeg's codec name
    uint64_t samples = 0;     // frames of video, packets of sound, telemetry samples
    uint64_t durationMs = 0;  // of what was recovered
};

class RecoveredRecording {
public:
    const QString& Path() const { return m_path; }
    const QString& ReferencePath() const { return m_reference; }
    const std::vector<RecoveredTrackSummary>& Tracks() const { return m_tracks; }
    // Bytes of the damaged file that the recovered samples use.
    uint64_t KeptBytes() const { return m_keptEnd; }
    // The playable copy's size, and its bytes read through file (open on Path()): false when
    // the damaged file cannot be read.
    uint64_t Size() const { return m_keptEnd + m_moov.size(); }
    bool ReadAt(QFile* file, uint64_t offset, uint8_t* buffer, size_t size) const;

private:
    friend std::shared_ptr<const RecoveredRecording> RecoverRecording(const QString&,
                                                                      const QString&, QString*);
    QString m_path;
    QString m_reference;
    uint64_t m_keptEnd = 0;
    uint64_t m_mdatHeader = 0;
    std::vector<uint8_t> m_mdatHeaderBytes;  // the data box's header with its true size
    std::vector<uint8_t> m_moov;
    std::vector<RecoveredTrackSummary> m_tracks;
};

// Rebuilds the damaged recording's index from the healthy reference; null with why set when
// the file is not a cut recording, the reference does not match it or nothing validates.
std::shared_ptr<const RecoveredRecording> RecoverRecording(const QString& damaged,
                                                           const QString& reference, QString* why);

// Whether the file is an MP4-family container whose index is missing or cut.
bool LacksIndex(const QString& path);

// Tries the candidates in order (healthy recordings only, at most a few); null when none
// gives a recording.
std::shared_ptr<const RecoveredRecording> RecoverWithCandidates(const QString& damaged,
                                                                const QStringList& candidates);

// A demuxer over a recovered recording's playable copy. Owns its reader; the context must be
// released (it is, first) before the reader.
class RecoveredInput {
public:
    ~RecoveredInput();
    RecoveredInput(const RecoveredInput&) = delete;
    RecoveredInput& operator=(const RecoveredInput&) = delete;

    // Opens and probes the copy; null with *error set when libavformat refuses it.
    static std::unique_ptr<RecoveredInput> Open(std::shared_ptr<const RecoveredRecording> recording,
                                                const AVIOInterruptCB* interrupt, HRESULT* error);
    AVFormatContext* Context() const { return m_context.get(); }
    FormatContextPtr TakeContext() { return std::move(m_context); }

private:
    RecoveredInput() = default;
    static int Read(void* opaque, uint8_t* buffer, int size);
    static int64_t Seek(void* opaque, int64_t offset, int whence);

    std::shared_ptr<const RecoveredRecording> m_recording;
    QFile m_file;
    uint64_t m_position = 0;
    AVIOContext* m_io = nullptr;
    FormatContextPtr m_context;
};

}  // namespace platform::media
