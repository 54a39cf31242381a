#pragma once
// The sound of a rendered clip: each recording's sound decoded, converted to the encoder's
// format, placed by its time on the clip's timeline (overlaps dropped, gaps filled with
// silence), cut to the span to the sample and encoded as AAC. Internal; the export's thread.

#include "platform/media/AvHandles.h"
#include "platform/media/ClipExporter.h"
#include "platform/media/ClipOutput.h"
#include "platform/media/ClipSources.h"

namespace platform::media {

class ClipAudio {
public:
    // Sets up the encoder and its stream for the first recording's sound, to cover [start, end)
    // of the timeline.
    bool Prepare(const ClipSource& first, REFERENCE_TIME start, REFERENCE_TIME end,
                 ClipOutput* output, ClipOutcome* failure);
    // A decoder for the sound of the recording about to be read.
    bool BeginRecording(const ClipSource& source, ClipOutcome* failure);
    bool Decode(const ClipSource& source, const AVPacket* packet, ClipOutcome* failure);
    // Drains the recording's decoder.
    bool EndRecording(const ClipSource& source, ClipOutcome* failure);
    // Encodes what is left, up to the end.
    bool Finish(ClipOutcome* failure);
    // The span's sound is complete.
    bool Done() const { return m_next >= m_total; }

private:
    bool Receive(const ClipSource& source, ClipOutcome* failure);
    bool Place(const ClipSource& source, AVFrame* frame, ClipOutcome* failure);
    // Silence up to a sample of the span.
    void WriteSilence(int64_t until);
    bool EncodeFrames(bool all, ClipOutcome* failure);
    bool Send(AVFrame* frame, ClipOutcome* failure);

    ClipOutput* m_output = nullptr;
    CodecContextPtr m_encoder;
    CodecContextPtr m_decoder;
    SwrContextPtr m_resampler;
    AudioFifoPtr m_fifo;
    FramePtr m_decoded{av_frame_alloc()};
    FramePtr m_converted{av_frame_alloc()};
    PacketPtr m_packet{av_packet_alloc()};
    int m_stream = -1;
    REFERENCE_TIME m_start = 0;
    int64_t m_total = 0;    // samples of the span
    int64_t m_next = 0;     // the next sample of the span to place
    int64_t m_encoded = 0;  // samples handed to the encoder
};

}  // namespace platform::media
