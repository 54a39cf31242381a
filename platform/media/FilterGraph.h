#pragma once
// The filter graph manager: holds named filters, connects their pins when the media types
// fit, and drives them as one: media control, seeking, frame step and basic audio over the
// shared graph clock. Created by class identifier (CLSID_FilterGraph). Every method runs on
// the thread that owns the graph and returns without waiting for the streaming threads
// (stopping them at teardown excepted).

#include "platform/media/ComObject.h"
#include "platform/media/GraphClock.h"
#include "platform/media/GraphInterfaces.h"

#include <memory>
#include <vector>

namespace platform::media {

class AudioOutput;
class FilterBase;
class PinBase;

class FilterGraph final
    : public ComObject<IGraphBuilder, IMediaControl, IMediaSeeking, IMediaEventEx, IBasicAudio,
                       IVideoFrameStep, IGraphSequence> {
public:
    FilterGraph();

    // IGraphBuilder
    HRESULT AddFilter(IBaseFilter* filter, const QString& name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT EnumFilters(FilterList* filters) override;
    HRESULT FindFilterByName(const QString& name, IBaseFilter** filter) override;
    HRESULT Connect(IPin* output, IPin* input) override;
    HRESULT ConnectDirect(IPin* output, IPin* input, const MediaType* type) override;
    HRESULT Disconnect(IPin* pin) override;

    // IMediaControl
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT StopWhenReady() override;
    HRESULT GetState(LONG timeoutMs, OAFilterState* state) override;

    // IMediaSeeking
    HRESULT GetDuration(REFERENCE_TIME* duration) override;
    HRESULT GetCurrentPosition(REFERENCE_TIME* position) override;
    HRESULT SetPositions(REFERENCE_TIME* current, DWORD currentFlags, REFERENCE_TIME* stop,
                         DWORD stopFlags) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double* rate) override;

    // IMediaEventEx
    HRESULT SetNotifyWindow(intptr_t window, LONG message, intptr_t instanceData) override;

    // IBasicAudio
    HRESULT put_Volume(LONG volume) override;
    HRESULT get_Volume(LONG* volume) override;
    HRESULT put_Balance(LONG balance) override;
    HRESULT get_Balance(LONG* balance) override;

    // IVideoFrameStep
    HRESULT Step(DWORD frames, IUnknown* stepObject) override;
    HRESULT CanStep(LONG multiple, IUnknown* stepObject) override;
    HRESULT CancelStep() override;

    // IGraphSequence
    HRESULT FollowGraph(IGraphBuilder* leader) override;
    HRESULT TakeOver() override;
    HRESULT HasStarted() override;

    // Engine: ends every streaming thread of the graph (position and pictures are kept).
    void StopStreaming();
    // Engine (benchmarks): renderers take every sample as soon as it comes.
    void SetFreeRun(bool freeRun, bool pictures = true) { m_clock->SetFreeRun(freeRun, pictures); }

private:
    ~FilterGraph() override;

    struct Entry {
        ComPtr<IBaseFilter> filter;
        FilterBase* engine = nullptr;
    };

    HRESULT StartStreaming();
    // Video decoders share the cores by the pixels their streams ask for.
    void ShareDecodeThreads();
    HRESULT PrepareChange();
    FilterBase* Find(IBaseFilter* filter) const;
    FilterBase* Source() const;
    int ConnectedRendererCount(bool videoOnly) const;
    REFERENCE_TIME KnownDuration() const;
    void DisconnectAll(FilterBase* filter);

    std::vector<Entry> m_filters;  // in the order they were added
    std::shared_ptr<GraphClock> m_clock;
    // While following another graph: its sound device (may be null) and where its time stands
    // at this graph's 0, handed to the filters as they are added.
    bool m_following = false;
    std::shared_ptr<AudioOutput> m_leaderDevice;
    REFERENCE_TIME m_leaderOffset = 0;
    FILTER_STATE m_state = State_Stopped;
    bool m_streaming = false;
};

}  // namespace platform::media
