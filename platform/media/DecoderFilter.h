#pragma once
// The video decoder (CLSID_VideoDecoder) and the audio decoder (CLSID_AacDecoder): libavcodec
// on one thread per filter, frame threading for video. A sample of a new generation (after a
// seek) flushes the codec first. Interface methods: the graph's thread.

#include "platform/media/FilterBase.h"

#include <thread>

namespace platform::media {

class DecoderFilter final : public FilterBase {
public:
    enum class Kind { Video, Audio };

    explicit DecoderFilter(Kind kind);

    HRESULT StartStreaming(int serial) override;
    void JoinStreaming() override;

    // Whether this build's libavcodec can decode what the filter is for.
    static bool CodecsAvailable(Kind kind);

private:
    ~DecoderFilter() override;

    bool AcceptsInput(const MediaType& type) const;
    std::vector<MediaType> OutputTypes() const;
    void DecodeLoop(int serial);
    bool DeliverFrames(int serial);
    REFERENCE_TIME FrameDuration(const AVFrame* frame) const;

    Kind m_kind;
    InputPin* m_input = nullptr;
    OutputPin* m_output = nullptr;
    CodecContextPtr m_codec;  // used by the decode thread while it runs
    std::shared_ptr<const StreamFormat> m_format;
    std::thread m_thread;
};

}  // namespace platform::media
