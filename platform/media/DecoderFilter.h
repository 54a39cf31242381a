#pragma once
// The video decoder (CLSID_VideoDecoder) and the audio decoder (CLSID_AacDecoder): libavcodec
// on one thread per filter; video with the threads the graph gives it (frame threading first),
// the largest stream's picture first after a seek, and skipping work in stages when it falls
// behind the clock (DecodeQuality.h). A sample of a
// new generation (after a seek) flushes the codec first. Interface methods: the graph's thread
// (GetDecoderStats: any thread).

#include "platform/media/DecodeQuality.h"
#include "platform/media/FilterBase.h"

#include <mutex>
#include <thread>

namespace platform::media {

class DecoderFilter final : public FilterBase, public IDecoderStats {
public:
    enum class Kind { Video, Audio };

    explicit DecoderFilter(Kind kind);
    MEDIA_FORWARD_IUNKNOWN(FilterBase)

    // IDecoderStats
    HRESULT GetDecoderStats(DecoderStats* stats) override;

    HRESULT StartStreaming(int serial) override;
    void JoinStreaming() override;
    double VideoPixelRate() const override;
    void SetDecodeShare(int threads, bool background) override {
        m_threads = threads;
        m_background = background;
    }

    // Whether this build's libavcodec can decode what the filter is for.
    static bool CodecsAvailable(Kind kind);

protected:
    HRESULT QueryExtra(const IID& iid, void** object) override;

private:
    ~DecoderFilter() override;

    bool AcceptsInput(const MediaType& type) const;
    std::vector<MediaType> OutputTypes() const;
    void DecodeLoop(int serial);
    bool DeliverFrames(int serial);
    REFERENCE_TIME FrameDuration(const AVFrame* frame) const;
    // Sets what the codec may skip for the packet about to be sent (video).
    void ChooseSkipping(const MediaSample& sample);
    // The largest stream's decoder tells when it has the picture at a seek's target; the
    // others wait for that before they start on a new generation (video).
    void NoteMainPrerolled(int serial);
    void HoldForMain(const MediaSample& sample, int serial);

    Kind m_kind;
    InputPin* m_input = nullptr;
    OutputPin* m_output = nullptr;
    int m_threads = 0;          // video: set by the graph; 0: the filter's own default
    bool m_background = false;  // video: waits for the main camera's decoder after a seek
    CodecContextPtr m_codec;    // used by the decode thread while it runs
    std::shared_ptr<const StreamFormat> m_format;
    DecodeQuality m_quality;  // the decode thread
    int m_notedSerial = 0;    // the decode thread: the generation whose main picture was noted
    int m_heldSerial = 0;     // the decode thread: the generation held back for the main one
    std::thread m_thread;

    mutable std::mutex m_statsMutex;
    DecoderStats m_stats;  // guarded by m_statsMutex
};

}  // namespace platform::media
