#pragma once
// The recordings a clip is cut from, opened for reading, and the clip's timeline: recordings
// follow each other without gap, each starting where the previous one's front camera ends.
// Timeline times are REFERENCE_TIME from the start of the clip's first recording. Internal;
// the export's thread.

#include "platform/media/AvHandles.h"
#include "platform/media/ClipExporter.h"
#include "platform/media/MediaTime.h"

#include <atomic>
#include <vector>

namespace platform::media {

// One recording: its streams by role (-1: none) and where it lies on the timeline.
struct ClipSource {
    QString path;
    FormatContextPtr context;
    int front = -1;
    int rear = -1;
    int audio = -1;
    int telemetry = -1;
    REFERENCE_TIME startOffset = 0;  // the container's start time, which counts as 0
    REFERENCE_TIME offset = 0;       // where it starts on the timeline
    REFERENCE_TIME length = 0;       // of its front camera

    // A timestamp of one of its streams on the timeline (-1 when unset).
    REFERENCE_TIME Time(int stream, int64_t timestamp) const;
    // A timeline time in one of its streams' time base.
    int64_t Timestamp(int stream, REFERENCE_TIME time) const;
};

class ClipSources {
public:
    // Opens every recording of the span and checks that they make one clip; cancel (may be
    // null) cuts blocking reads short. False with the reason otherwise.
    bool Open(const ClipRequest& request, const std::atomic<bool>* cancel, ClipOutcome* failure);

    int Count() const { return static_cast<int>(m_sources.size()); }
    ClipSource& At(int index) { return m_sources[static_cast<size_t>(index)]; }
    const ClipSource& At(int index) const { return m_sources[static_cast<size_t>(index)]; }
    REFERENCE_TIME Start() const { return m_start; }
    REFERENCE_TIME End() const { return m_end; }
    // The request's recording index of source 0, for cues.
    int FirstRecording() const { return m_firstRecording; }
    // A timeline time as a position in the request's recordings.
    ClipPoint PointAt(REFERENCE_TIME time) const;

    // Where reading starts: the latest key frame at or before `before` that every camera has
    // reached (the rear's key frame at or before the front's), in the first recording.
    REFERENCE_TIME KeyFrameTime(REFERENCE_TIME before) const;
    // Positions the first recording's demuxer at or before a time; reading then yields
    // every stream from there (from a key frame for video).
    void SeekFirst(REFERENCE_TIME time);
    // The next packet of a recording; false at its end, with *failure set when a read failed
    // or the recording's file is gone.
    bool Read(int index, AVPacket* packet, ClipOutcome* failure);

private:
    bool OpenOne(const QString& path, ClipSource* source, ClipOutcome* failure);
    bool Matches(const ClipSource& first, const ClipSource& other, ClipOutcome* failure) const;

    std::vector<ClipSource> m_sources;
    AVIOInterruptCB m_interrupt{};
    REFERENCE_TIME m_start = 0;
    REFERENCE_TIME m_end = 0;
    int m_firstRecording = 0;
    bool m_copy = true;
    int m_readsSinceCheck = 0;
};

}  // namespace platform::media
