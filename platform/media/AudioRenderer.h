#pragma once
// The audio renderer (CLSID_DSoundRender): plays uncompressed sound (PCM packets straight from
// the source, or a decoder's frames) through the default sound device at the graph's rate with
// the pitch kept, applying the graph's volume and balance and the process-wide wave-out
// volume. Without a device it follows the clock silently, so playback still advances.
// Interface methods: the graph's thread (GetRendererStats: any thread).

#include "platform/media/AudioConverter.h"
#include "platform/media/AudioOutput.h"
#include "platform/media/FilterBase.h"

#include <mutex>
#include <thread>

namespace platform::media {

class AudioRenderer final : public FilterBase, public IRendererStats {
public:
    AudioRenderer();
    MEDIA_FORWARD_IUNKNOWN(FilterBase)

    // IRendererStats
    HRESULT GetRendererStats(RendererStats* stats) override;

    // FilterBase
    HRESULT StartStreaming(int serial) override;
    void JoinStreaming() override;
    bool IsRenderer() const override { return true; }
    // Plays through the leader's sound device (when it has one), its sound queued behind the
    // leader's, offset on the leader's time.
    void FollowGraph(const std::shared_ptr<AudioOutput>& device, REFERENCE_TIME offset) override;
    void TakeOver() override;
    std::shared_ptr<AudioOutput> SoundDevice() const override;

protected:
    HRESULT QueryExtra(const IID& iid, void** object) override;

private:
    ~AudioRenderer() override;

    void RenderLoop(int serial);
    // Waits for the frame's time and plays it; false when the thread must end.
    bool Play(const AVFrame* frame, REFERENCE_TIME start, int serial);
    void ApplyVolume(std::vector<int16_t>* samples) const;
    std::vector<FramePtr> Decode(MediaSample& sample);

    InputPin* m_input = nullptr;
    std::thread m_thread;
    CodecContextPtr m_pcm;       // render thread: PCM packets to frames
    AudioConverter m_converter;  // render thread

    // Lock order: m_mutex, then the sound device's.
    mutable std::mutex m_mutex;
    // The device played through; set by the render thread (or, shared, before it starts),
    // always under m_mutex, so the render thread reads it without.
    std::shared_ptr<AudioOutput> m_output;
    std::shared_ptr<AudioOutput> m_shared;  // the leader's device, while following; guarded
    REFERENCE_TIME m_writeOffset = 0;       // added to the times written; guarded
    RendererStats m_stats;                  // guarded by m_mutex
    bool m_heardKnown = false;              // the device plays sound of this generation; guarded
};

}  // namespace platform::media
