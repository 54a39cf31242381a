#pragma once
// The clip's container: an MP4 muxer writing into a ClipFile, its telemetry text track, and
// what a failed write means for the user (a full disk, a folder gone). Internal; the export's
// thread.

#include "platform/media/AvHandles.h"
#include "platform/media/ClipExporter.h"
#include "platform/media/ClipFile.h"
#include "platform/media/ClipSources.h"
#include "platform/media/MediaTime.h"

#include <memory>

namespace platform::media {

class ClipOutput {
public:
    explicit ClipOutput(const QString& target);
    ~ClipOutput();  // removes an unfinished file
    ClipOutput(const ClipOutput&) = delete;
    ClipOutput& operator=(const ClipOutput&) = delete;

    // Creates the temporary file and the muxer: MP4, or its QuickTime flavour when a stream
    // needs it (PCM sound), under the same name.
    bool Create(bool quickTime, ClipOutcome* failure);
    AVFormatContext* Format() const { return m_format.get(); }
    // A stream of the given parameters (their codec tag is left to the muxer); null when out
    // of memory.
    AVStream* AddStream(const AVCodecParameters* codec, AVRational timeBase);
    // The telemetry track, after the other streams so that it is the first and only text
    // track: a mov_text source's description is kept, anything else gets a plain one.
    bool AddTelemetry(const AVCodecParameters* source, ClipOutcome* failure);
    // Writes the header; tags (may be null) are the container's.
    bool Begin(const AVDictionary* tags, ClipOutcome* failure);

    // A packet whose timestamps are in its output stream's time base (after Begin).
    bool Write(AVPacket* packet, ClipOutcome* failure);
    // A telemetry packet of a source whose start lies in [from, to) on the timeline, written
    // at its time less zero, rewritten when a rewrite is given and cut off at `to`.
    bool CopyTelemetry(const ClipSource& source, const AVPacket* packet, REFERENCE_TIME from,
                       REFERENCE_TIME to, REFERENCE_TIME zero, const TelemetryRewrite& rewrite,
                       ClipOutcome* failure);
    // False with the reason when the target's folder has gone since the start.
    bool CheckTarget(ClipOutcome* failure) const;
    // Trailer, sync, close and rename; nothing is left behind when a step fails.
    bool Finish(ClipOutcome* failure);

    int TelemetryStream() const { return m_telemetry; }

private:
    static int WritePacket(void* opaque, uint8_t* data, int size);
    static int64_t SeekFile(void* opaque, int64_t offset, int whence);
    // The outcome for a failed muxer call: the file's error when the file failed.
    bool Fail(const QString& what, int code, ClipOutcome* failure) const;

    ClipFile m_file;
    OutputFormatPtr m_format;
    IoContextPtr m_io;
    PacketPtr m_packet{av_packet_alloc()};
    int m_telemetry = -1;
    int64_t m_lastTelemetry = INT64_MIN;
};

}  // namespace platform::media
