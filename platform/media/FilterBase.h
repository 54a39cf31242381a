#pragma once
// Common part of the engine's filters: identity, pins, graph membership and the streaming
// life cycle the graph drives (start threads, stop them in two phases, flush on seek).
// Internal. IBaseFilter methods and the engine hooks run on the graph's thread.

#include "platform/media/ComObject.h"
#include "platform/media/GraphClock.h"
#include "platform/media/GraphInterfaces.h"
#include "platform/media/Pins.h"

#include <memory>
#include <vector>

namespace platform::media {

class AudioOutput;
class FilterGraph;

class FilterBase : public ComObject<IBaseFilter> {
public:
    explicit FilterBase(const CLSID& clsid);

    // IBaseFilter
    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT EnumPins(PinList* pins) override;
    HRESULT FindPin(const QString& name, IPin** pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD timeoutMs, FILTER_STATE* state) override;
    HRESULT JoinFilterGraph(IGraphBuilder* graph, const QString& name) override;

    // ---- engine hooks, driven by FilterGraph ----
    void SetClock(std::shared_ptr<GraphClock> clock) { m_clock = std::move(clock); }
    // Starts the filter's threads for the given generation.
    virtual HRESULT StartStreaming(int serial) = 0;
    // Phase one of stopping: wakes every thread of the filter so it can end.
    virtual void RequestStop();
    // Phase two: joins the threads; the filter is idle afterwards.
    virtual void JoinStreaming() = 0;
    // Drops queued samples of older generations (seek).
    virtual void Flush(int serial);
    // The source's answer to a seek of the graph (after every filter was flushed).
    virtual void SeekSource(REFERENCE_TIME /*target*/, int /*serial*/) {}
    // Restarts the input queues (after a stop) in the given generation.
    void PrepareStreaming(int serial);
    virtual bool IsSource() const { return false; }
    virtual bool IsRenderer() const { return false; }
    virtual bool IsVideoRenderer() const { return false; }
    // The video renderer that answers frame steps (the others follow the clock).
    virtual void SetStepper(bool /*stepper*/) {}
    // Sources: the length of the loaded recording, -1 when unknown.
    virtual REFERENCE_TIME Duration() const { return -1; }
    // Sources: where the recording's pictures end (-1 when unknown).
    virtual REFERENCE_TIME PicturesEnd() const { return -1; }
    // Seamless sequence (IGraphSequence): the graph follows another whose sound device (null
    // for none) it may share; its time 0 is the leader's offset.
    virtual void FollowGraph(const std::shared_ptr<AudioOutput>& /*device*/,
                             REFERENCE_TIME /*offset*/) {}
    // The leader goes: what the filter shared becomes its own.
    virtual void TakeOver() {}
    // Audio renderers: the sound device they play through while streaming; may be null.
    virtual std::shared_ptr<AudioOutput> SoundDevice() const { return nullptr; }
    // Video decoders: the pixels a second their stream asks for (0: none), and what the graph
    // gives them from it before streaming starts: threads, and whether they let the largest
    // stream's decoder reach a seek's target first.
    virtual double VideoPixelRate() const { return 0; }
    virtual void SetDecodeShare(int /*threads*/, bool /*background*/) {}

    const std::vector<std::unique_ptr<PinBase>>& Pins() const { return m_pins; }
    bool HasConnectedPin() const;
    const QString& Name() const { return m_name; }

protected:
    ~FilterBase() override;
    InputPin* AddInputPin(const QString& name, size_t queueItems, InputPin::AcceptFunction accept);
    OutputPin* AddOutputPin(const QString& name, OutputPin::TypesFunction types);
    void RemoveAllPins();

    std::shared_ptr<GraphClock> m_clock;  // set by the graph at AddFilter
    FILTER_STATE m_state = State_Stopped;

private:
    CLSID m_clsid;
    std::vector<std::unique_ptr<PinBase>> m_pins;
    FilterGraph* m_graph = nullptr;  // the graph holds a reference to us, not we to it
    QString m_name;
};

}  // namespace platform::media
