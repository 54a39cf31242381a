#pragma once
// One built playback graph for one recording: the source, a decoder and windowless renderer per
// video stream, the audio filters, and the transport primitives the transport control calls.
// UI thread only (it owns the views the renderers paint into).

#include "platform/media/GraphInterfaces.h"
#include "platform/media/RecoverySource.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <utility>

class QWidget;

namespace player {

// The graph's state numbers as the control state reads them.
enum class GraphState : int32_t { Running = 0, Paused = 1, Stopped = 2, NotBuilt = 3 };

class CPlayGraph {
public:
    using HRESULT = platform::media::HRESULT;
    using REFERENCE_TIME = platform::media::REFERENCE_TIME;

    // Build's answer when the source filter did not accept the file.
    static constexpr HRESULT kBuildFileRefused = 1;
    // Every transport call's answer while the object is not usable.
    static constexpr HRESULT kNotUsable = -1;

    // AudioCount() at or above this: PCM audio, played without a decoder.
    static constexpr int kPcmAudioThreshold = 1000;

    static constexpr float kMinRate = 0.5f;
    static constexpr float kMaxRate = 2.0f;

    // Filter names in the graph.
    static constexpr char kSourceName[] = "DAZuvevaDidudIdovez";
    static constexpr char kVideoDecoder1Name[] = "FFDShow Decoder1";
    static constexpr char kVideoDecoder2Name[] = "FFDShow Decoder2";
    static constexpr char kAacDecoderOneVideoName[] = "COREAAC AUDIO";
    static constexpr char kAacDecoderTwoVideoName[] = "CoreAAC Decoder";
    static constexpr char kAudioRendererName[] = "DirectSound Audio Renderer";
    static constexpr char kRendererOneVideoName[] = "Mixing Renderer9";
    static constexpr char kFrontRendererName[] = "Mixing Renderer9-1";
    static constexpr char kRearRendererName[] = "Mixing Renderer9-2";

    // An empty object (state not built, usable) for the given views.
    CPlayGraph(int32_t viewCount, QWidget* frontView, QWidget* rearView, uint8_t brightnessOption,
               uint8_t textOption);
    CPlayGraph(const CPlayGraph&) = delete;
    CPlayGraph& operator=(const CPlayGraph&) = delete;
    ~CPlayGraph();

    // Builds and cues the graph for a recording (a null path only tears down). S_OK or the error
    // that ended the build; kBuildFileRefused when the source did not load the file.
    HRESULT Build(const QString& path);
    // Before Build: who names a healthy sibling for a recording a power loss cut; without one
    // such a recording is refused.
    void SetReferenceFinder(platform::media::ReferenceFinder finder) {
        m_referenceFinder = std::move(finder);
    }
    // Removes every filter and releases the graph manager; state stopped.
    void TearDown();

    HRESULT Run();
    HRESULT Pause();
    HRESULT Stop();
    // Absolute seek; the picture at the target is shown in every state.
    HRESULT SeekTo(REFERENCE_TIME position100ns);
    // 100-ns units / ms from the start, 0 when it cannot be read.
    REFERENCE_TIME GetPosition();
    int64_t GetPositionMs() { return platform::media::ToMilliseconds(GetPosition()); }
    // 100-ns units, 0 when unknown; cached after the first successful read.
    REFERENCE_TIME GetDuration();
    // 1 when a frame was stepped, else 0.
    int StepFrame();
    // Shows the frame before the front view's current one by seeking just before the current
    // frame's time (not below 0): 1 when a seek was made, else 0.
    int StepFrameBack();
    // Refits each renderer to its view and has the view repainted.
    void RepaintViews();
    // The picture of view 0 (front) or 1 (rear, two-view graphs only) as a top-down image.
    // 1 with *image set; 0 when there is no picture (no graph, refused, bad data).
    int GetCurrentImage(int view, QImage* image);

    // Brightness of both views, -100 (black) .. 0 .. 100 (white), from the next picture on.
    void SetBrightness(int32_t level);

    void StoreRate(float rate) { m_rate = rate; }
    float Rate() const { return m_rate; }
    GraphState State() const { return m_state; }
    bool IsBuilt() const { return m_built; }
    bool IsUsable() const { return m_usable != 0; }
    int32_t VideoStreamCount() const { return m_videoStreamCount; }
    // 0 without audio, 1..999 for audio that needs the AAC decoder, 1000 or more for PCM.
    int AudioCount() const { return m_audioCount; }
    const QString& Path() const { return m_path; }
    bool HasGraphManager() const { return static_cast<bool>(m_graph); }
    // The graph manager, for inspection by tools and tests; may be null.
    platform::media::IGraphBuilder* GraphBuilder() const { return m_graph.Get(); }
    // The source filter (telemetry interface); may be null.
    platform::media::IBaseFilter* Source() const { return m_source.Get(); }

    // A packed bottom-up 32-bit DIB as a top-down image; a null image for a header it cannot take.
    static QImage ImageFromPackedDib(const uint8_t* dib);

private:
    using FilterPtr = platform::media::ComPtr<platform::media::IBaseFilter>;

    HRESULT AddComponent(const platform::media::CLSID& clsid, const char* name, FilterPtr& slot);
    int CountAudio() const;
    HRESULT AddAudioFilters(const char* decoderName);
    HRESULT SetUpRenderer(platform::media::IBaseFilter* renderer, QWidget* view);
    void ConnectAudio();
    bool ConnectFilters(platform::media::IBaseFilter* upstream,
                        platform::media::IBaseFilter* downstream);
    HRESULT BuildOneVideo();
    HRESULT BuildTwoVideo();
    void Cue();
    void RemoveHeldFilters();
    void RemoveLooseFilters();

    FilterPtr m_frontRenderer;
    FilterPtr m_rearRenderer;
    platform::media::ComPtr<platform::media::IGraphBuilder> m_graph;
    FilterPtr m_source;
    FilterPtr m_videoDecoder1;
    FilterPtr m_videoDecoder2;
    FilterPtr m_audioDecoder;
    FilterPtr m_audioRenderer;
    FilterPtr m_brightness1;  // never created: the brightness option is always 0
    FilterPtr m_brightness2;
    int32_t m_viewCount = 0;
    QWidget* m_frontView = nullptr;
    QWidget* m_rearView = nullptr;
    int32_t m_usable = 0;
    float m_rate = 1.0f;
    REFERENCE_TIME m_duration100ns = 0;
    GraphState m_state = GraphState::NotBuilt;
    bool m_built = false;
    int32_t m_videoStreamCount = 0;
    int m_audioCount = 0;
    QString m_path;
    uint8_t m_brightnessOption = 0;
    uint8_t m_textOption = 1;
    platform::media::ReferenceFinder m_referenceFinder;
};

}  // namespace player
