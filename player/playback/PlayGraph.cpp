#include "player/playback/PlayGraph.h"

#include "platform/media/ComponentRegistry.h"
#include "player/playback/Log.h"

#include <QWidget>

using namespace platform::media;

namespace player {

namespace {

constexpr int kMaxConnectAttempts = 3;
constexpr int kPcmAudioWeight = 1001;  // a PCM pin; any other audio pin counts 1

bool PinNameContains(IPin* pin, const char* word) {
    PIN_INFO info;
    return SUCCEEDED(pin->QueryPinInfo(&info)) && info.achName.contains(QLatin1String(word));
}

bool IsDirection(IPin* pin, PIN_DIRECTION wanted) {
    PIN_DIRECTION direction = PINDIR_INPUT;
    return SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted;
}

QString FilterName(IBaseFilter* filter) {
    FILTER_INFO info;
    return filter != nullptr && SUCCEEDED(filter->QueryFilterInfo(&info)) ? info.achName
                                                                          : QStringLiteral("?");
}

// A result the graph owner goes on without; the log says where and why.
void LogDropped(const char* what, HRESULT hr) {
    if (FAILED(hr)) {
        qCWarning(lcPlayback, "%s failed: 0x%08X", what, static_cast<unsigned>(hr));
    }
}

bool IsConnected(IPin* pin) {
    IPin* peer = nullptr;
    const HRESULT hr = pin->ConnectedTo(&peer);
    ComPtr<IPin>::Attach(peer);  // drops the reference ConnectedTo handed out
    return hr == S_OK && peer != nullptr;
}

PinList Pins(IBaseFilter* filter) {
    PinList pins;
    if (filter != nullptr) {
        filter->EnumPins(&pins);
    }
    return pins;
}

RECT ClientRect(const QWidget* view) {
    RECT rect;
    if (view != nullptr) {
        rect.right = view->width();
        rect.bottom = view->height();
    }
    return rect;
}

}  // namespace

CPlayGraph::CPlayGraph(int32_t viewCount, QWidget* frontView, QWidget* rearView,
                       uint8_t brightnessOption, uint8_t textOption)
    : m_viewCount(viewCount),
      m_frontView(frontView),
      m_rearView(rearView),
      m_usable(1),
      m_brightnessOption(brightnessOption),
      m_textOption(textOption) {
    CoInitialize(nullptr);
}

CPlayGraph::~CPlayGraph() {
    TearDown();
    CoUninitialize();
}

HRESULT CPlayGraph::AddComponent(const CLSID& clsid, const char* name, FilterPtr& slot) {
    void* raw = nullptr;
    const HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, &raw);
    if (FAILED(hr)) {
        return hr;
    }
    slot = FilterPtr::Attach(static_cast<IBaseFilter*>(raw));
    return m_graph->AddFilter(slot.Get(), QString::fromLatin1(name));
}

HRESULT CPlayGraph::Build(const QString& path) {
    if (m_built || m_graph) {
        TearDown();
    }
    if (path.isEmpty()) {
        return kBuildFileRefused;
    }
    if (m_source) {
        m_source->Stop();
        m_source.Reset();
    }
    m_path = path;
    void* raw = nullptr;
    HRESULT hr =
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, &raw);
    if (FAILED(hr)) {
        return hr;
    }
    m_graph = ComPtr<IGraphBuilder>::Attach(static_cast<IGraphBuilder*>(raw));
    hr = AddComponent(CLSID_SourceFilter, kSourceName, m_source);
    if (FAILED(hr)) {
        return hr;
    }
    if (!m_source) {
        return -1;
    }
    if (const auto telemetry = QueryInterface<ITelemetrySource>(m_source)) {
        telemetry->SetTextOption(m_textOption);
    }
    if (const auto recovery = QueryInterface<IRecoverySource>(m_source);
        recovery && m_referenceFinder) {
        recovery->SetReferenceFinder(m_referenceFinder);
    }
    const auto fileSource = QueryInterface<IFileSourceFilter>(m_source);
    const HRESULT loaded = fileSource ? fileSource->Load(path, nullptr) : E_NOINTERFACE;
    if (FAILED(loaded)) {
        qCWarning(lcPlayback, "the source filter refused %s: 0x%08X", qPrintable(path),
                  static_cast<unsigned>(loaded));
        return kBuildFileRefused;
    }
    m_videoStreamCount = 0;
    for (const ComPtr<IPin>& pin : Pins(m_source.Get())) {
        if (IsDirection(pin.Get(), PINDIR_OUTPUT) && PinNameContains(pin.Get(), "Video")) {
            ++m_videoStreamCount;
        }
    }
    m_audioCount = CountAudio();
    // Any success code other than S_OK must not read as "file refused".
    if (m_videoStreamCount == 1) {
        hr = BuildOneVideo();
    } else if (m_videoStreamCount == 2) {
        hr = BuildTwoVideo();
    } else {
        hr = S_OK;
    }
    return FAILED(hr) ? hr : S_OK;
}

int CPlayGraph::CountAudio() const {
    int audio = 0;
    for (const ComPtr<IPin>& pin : Pins(m_source.Get())) {
        if (!IsDirection(pin.Get(), PINDIR_OUTPUT) || !PinNameContains(pin.Get(), "Audio")) {
            continue;
        }
        std::vector<MediaType> types;
        pin->EnumMediaTypes(&types);
        audio += !types.empty() && types.front().subtype == MEDIASUBTYPE_PCM ? kPcmAudioWeight : 1;
    }
    return audio;
}

HRESULT CPlayGraph::AddAudioFilters(const char* decoderName) {
    if (m_audioCount == 0) {
        return S_OK;
    }
    if (m_audioCount < kPcmAudioThreshold) {
        const HRESULT hr = AddComponent(CLSID_AacDecoder, decoderName, m_audioDecoder);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return AddComponent(CLSID_DSoundRender, kAudioRendererName, m_audioRenderer);
}

void CPlayGraph::SetBrightness(int32_t level) {
    for (const FilterPtr& renderer : {m_frontRenderer, m_rearRenderer}) {
        if (!renderer) {
            continue;
        }
        const auto control =
            QueryInterface<IBrightnessControl>(static_cast<IUnknown*>(renderer.Get()));
        if (!control || FAILED(control->SetBrightness(level))) {
            qCInfo(lcPlayback) << "a renderer takes no brightness";
        }
    }
}

HRESULT CPlayGraph::SetUpRenderer(IBaseFilter* renderer, QWidget* view) {
    const auto config = QueryInterface<IVMRFilterConfig>(static_cast<IUnknown*>(renderer));
    if (!config) {
        return E_NOINTERFACE;
    }
    HRESULT hr = config->SetRenderingMode(VMRMode_Windowless);
    if (FAILED(hr)) {
        return hr;
    }
    const auto control = QueryInterface<IVMRWindowlessControl>(static_cast<IUnknown*>(renderer));
    if (!control) {
        return E_NOINTERFACE;
    }
    const RECT destination = ClientRect(view);
    hr = control->SetVideoPosition(nullptr, &destination);
    if (FAILED(hr)) {
        return hr;
    }
    hr = control->SetVideoClippingWindow(view);
    if (FAILED(hr)) {
        return hr;
    }
    return control->SetAspectRatioMode(VMR_ARMODE_NONE);  // stretched to the view
}

void CPlayGraph::ConnectAudio() {
    if (m_audioCount >= kPcmAudioThreshold) {
        ConnectFilters(m_source.Get(), m_audioRenderer.Get());
    } else if (m_audioCount > 0) {
        ConnectFilters(m_source.Get(), m_audioDecoder.Get());
        ConnectFilters(m_audioDecoder.Get(), m_audioRenderer.Get());
    }
}

// Tries unconnected output x input pairs in pin order; only S_OK counts, three tries at most.
bool CPlayGraph::ConnectFilters(IBaseFilter* upstream, IBaseFilter* downstream) {
    if (upstream == nullptr || downstream == nullptr) {
        return false;
    }
    int attempts = 0;
    for (const ComPtr<IPin>& output : Pins(upstream)) {
        if (!IsDirection(output.Get(), PINDIR_OUTPUT) || IsConnected(output.Get())) {
            continue;
        }
        for (const ComPtr<IPin>& input : Pins(downstream)) {
            if (!IsDirection(input.Get(), PINDIR_INPUT) || IsConnected(input.Get())) {
                continue;
            }
            if (attempts == kMaxConnectAttempts) {
                break;
            }
            ++attempts;
            const HRESULT hr = m_graph->Connect(output.Get(), input.Get());
            if (hr == S_OK) {
                return true;
            }
            qCInfo(lcPlayback, "connecting %s to %s: 0x%08X", qPrintable(FilterName(upstream)),
                   qPrintable(FilterName(downstream)), static_cast<unsigned>(hr));
        }
    }
    // The graph is built on without this link: that stream stays silent or dark.
    qCWarning(lcPlayback, "%s is not connected to %s", qPrintable(FilterName(upstream)),
              qPrintable(FilterName(downstream)));
    return false;
}

HRESULT CPlayGraph::BuildOneVideo() {
    HRESULT hr = AddAudioFilters(kAacDecoderOneVideoName);
    if (SUCCEEDED(hr)) {
        hr = AddComponent(CLSID_VideoDecoder, kVideoDecoder1Name, m_videoDecoder1);
    }
    if (SUCCEEDED(hr)) {
        hr = AddComponent(CLSID_VideoMixingRenderer, kRendererOneVideoName, m_frontRenderer);
    }
    if (SUCCEEDED(hr)) {
        hr = SetUpRenderer(m_frontRenderer.Get(), m_frontView);
    }
    if (FAILED(hr)) {
        return hr;
    }
    m_duration100ns = 0;
    ConnectAudio();
    ConnectFilters(m_source.Get(), m_videoDecoder1.Get());
    ConnectFilters(m_videoDecoder1.Get(), m_frontRenderer.Get());
    Cue();
    return S_OK;
}

HRESULT CPlayGraph::BuildTwoVideo() {
    HRESULT hr = AddAudioFilters(kAacDecoderTwoVideoName);
    if (SUCCEEDED(hr)) {
        hr = AddComponent(CLSID_VideoDecoder, kVideoDecoder1Name, m_videoDecoder1);
    }
    if (SUCCEEDED(hr)) {
        hr = AddComponent(CLSID_VideoDecoder, kVideoDecoder2Name, m_videoDecoder2);
    }
    if (SUCCEEDED(hr)) {
        hr = AddComponent(CLSID_VideoMixingRenderer, kFrontRendererName, m_frontRenderer);
    }
    if (SUCCEEDED(hr)) {
        hr = AddComponent(CLSID_VideoMixingRenderer, kRearRendererName, m_rearRenderer);
    }
    if (SUCCEEDED(hr)) {
        hr = SetUpRenderer(m_frontRenderer.Get(), m_frontView);
    }
    if (SUCCEEDED(hr)) {
        hr = SetUpRenderer(m_rearRenderer.Get(), m_rearView);
    }
    if (FAILED(hr)) {
        return hr;
    }
    m_duration100ns = 0;
    ConnectAudio();
    // Each walk takes the next free source pin, so the first video pin reaches the front view.
    ConnectFilters(m_source.Get(), m_videoDecoder1.Get());
    ConnectFilters(m_videoDecoder1.Get(), m_frontRenderer.Get());
    ConnectFilters(m_source.Get(), m_videoDecoder2.Get());
    ConnectFilters(m_videoDecoder2.Get(), m_rearRenderer.Get());
    Cue();
    return S_OK;
}

void CPlayGraph::Cue() {
    if (const auto control = QueryInterface<IMediaControl>(m_graph)) {
        LogDropped("cueing the graph", control->StopWhenReady());
    }
    m_state = GraphState::Stopped;
    m_built = true;
    GetDuration();
}

void CPlayGraph::TearDown() {
    if (const auto events = QueryInterface<IMediaEventEx>(m_graph)) {
        events->SetNotifyWindow(0, 0, 0);
    }
    if (m_graph || m_built) {
        m_state = GraphState::Stopped;
    }
    RemoveHeldFilters();
    RemoveLooseFilters();
    m_graph.Reset();
    m_built = false;
}

void CPlayGraph::RemoveHeldFilters() {
    for (FilterPtr* slot :
         {&m_audioRenderer, &m_frontRenderer, &m_rearRenderer, &m_videoDecoder1, &m_videoDecoder2,
          &m_audioDecoder, &m_source, &m_brightness1, &m_brightness2}) {
        if (*slot && m_graph) {
            LogDropped("removing a filter", m_graph->RemoveFilter(slot->Get()));
        }
        slot->Reset();
    }
}

// Whatever else is left (filters a builder added on its own): filters still wired to something
// stay, the others are unhooked and removed.
void CPlayGraph::RemoveLooseFilters() {
    if (!m_graph) {
        return;
    }
    FilterList filters;
    m_graph->EnumFilters(&filters);
    for (const FilterPtr& filter : filters) {
        const PinList pins = Pins(filter.Get());
        bool connected = false;
        for (const ComPtr<IPin>& pin : pins) {
            connected = connected || IsConnected(pin.Get());
        }
        if (connected) {
            continue;
        }
        if (const HRESULT hr = m_graph->RemoveFilter(filter.Get()); FAILED(hr)) {
            LogDropped("removing a loose filter", hr);
            break;
        }
    }
}

}  // namespace player
