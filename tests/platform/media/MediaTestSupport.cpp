#include "MediaTestSupport.h"

#include "platform/media/ComObject.h"
#include "tests/support/TestApp.h"
#include "tools/make-sample-card/FrameCode.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

// Thread sanitizer builds read their suppressions (hand-overs through Qt's own locks)
// from here, however the tests are started; other builds never call it.
extern "C" __attribute__((used, visibility("default"))) const char* __tsan_default_options() {
    return "suppressions=" TEST_SOURCE_DIR "/scripts/tsan.supp";
}

namespace mediatest {

QString MakeClip(const QTemporaryDir& dir, const ClipOptions& options) {
    QStringList arguments{QStringLiteral("--categories"),
                          options.category,
                          QStringLiteral("--length"),
                          QString::number(options.lengthSeconds),
                          QStringLiteral("--fps"),
                          QString::number(options.fps),
                          QStringLiteral("--size"),
                          options.size,
                          QStringLiteral("--rear-size"),
                          options.rearSize,
                          QStringLiteral("--cameras"),
                          QString::number(options.cameras),
                          QStringLiteral("--audio"),
                          options.audio,
                          QStringLiteral("--container"),
                          options.container,
                          QStringLiteral("--telemetry"),
                          options.telemetry ? QStringLiteral("on") : QStringLiteral("off"),
                          QStringLiteral("--frame-code")};
    if (options.toneHz > 0) {
        arguments << QStringLiteral("--tone") << QString::number(options.toneHz);
    }
    return testsupport::MakeClip(dir.path(), arguments);
}

ComPtr<IPin> PinByName(IBaseFilter* filter, const QString& name) {
    IPin* pin = nullptr;
    if (filter == nullptr || FAILED(filter->FindPin(name, &pin))) {
        return {};
    }
    return ComPtr<IPin>::Attach(pin);
}

int CountPins(IBaseFilter* filter, PIN_DIRECTION direction, const QString& containing) {
    PinList pins;
    filter->EnumPins(&pins);
    int count = 0;
    for (const auto& pin : pins) {
        PIN_INFO info;
        pin->QueryPinInfo(&info);
        if (info.dir == direction && info.achName.contains(containing)) {
            ++count;
        }
    }
    return count;
}

int FrameCodeOfLuma(const uint8_t* plane, int stride, int width, int height) {
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        std::memcpy(image.scanLine(y), plane + static_cast<ptrdiff_t>(y) * stride,
                    static_cast<size_t>(width));
    }
    return framecode::DecodeFrameCode(image);
}

void Pump(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

QImage DibToImage(const BYTE* dib) {
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib, sizeof header);
    if (header.biSize != 40 || header.biBitCount != 32 || header.biWidth <= 0 ||
        header.biHeight <= 0) {
        return {};
    }
    QImage image(header.biWidth, header.biHeight, QImage::Format_RGB32);
    const size_t rowBytes = static_cast<size_t>(header.biWidth) * 4;
    for (int y = 0; y < header.biHeight; ++y) {
        std::memcpy(image.scanLine(y),
                    dib + sizeof header + rowBytes * static_cast<size_t>(header.biHeight - 1 - y),
                    rowBytes);
    }
    return image;
}

bool PlaybackGraph::Build(const QString& path, QSize viewSize) {
    testsupport::EnsureApp();
    graph = CreateComponent<IGraphBuilder>(CLSID_FilterGraph);
    source = CreateComponent<IBaseFilter>(CLSID_SourceFilter);
    if (!graph || !source || graph->AddFilter(source.Get(), "source") != S_OK ||
        QueryInterface<IFileSourceFilter>(source)->Load(path, nullptr) != S_OK) {
        return false;
    }
    control = QueryInterface<IMediaControl>(graph);
    seeking = QueryInterface<IMediaSeeking>(graph);
    for (int i = 1; auto pin = PinByName(source.Get(), QStringLiteral("Video %1").arg(i)); ++i) {
        auto decoder = CreateComponent<IBaseFilter>(CLSID_VideoDecoder);
        auto renderer = CreateComponent<IBaseFilter>(CLSID_VideoMixingRenderer);
        graph->AddFilter(decoder.Get(), QStringLiteral("decoder %1").arg(i));
        graph->AddFilter(renderer.Get(), QStringLiteral("renderer %1").arg(i));
        auto view = std::make_unique<QWidget>();
        view->resize(viewSize);
        view->show();
        auto windowless = QueryInterface<IVMRWindowlessControl>(renderer);
        QueryInterface<IVMRFilterConfig>(renderer)->SetRenderingMode(VMRMode_Windowless);
        const RECT client{0, 0, viewSize.width(), viewSize.height()};
        windowless->SetVideoPosition(nullptr, &client);
        windowless->SetVideoClippingWindow(view.get());
        windowless->SetAspectRatioMode(VMR_ARMODE_NONE);
        if (graph->Connect(pin.Get(), PinByName(decoder.Get(), "In").Get()) != S_OK) {
            return false;
        }
        PinList pins;
        renderer->EnumPins(&pins);
        if (graph->Connect(PinByName(decoder.Get(), "Out").Get(), pins.front().Get()) != S_OK) {
            return false;
        }
        renderers.push_back(renderer);
        views.push_back(std::move(view));
    }
    if (auto pin = PinByName(source.Get(), "Audio")) {
        audioRenderer = CreateComponent<IBaseFilter>(CLSID_DSoundRender);
        graph->AddFilter(audioRenderer.Get(), "DirectSound Audio Renderer");
        PinList pins;
        audioRenderer->EnumPins(&pins);
        if (graph->Connect(pin.Get(), pins.front().Get()) != S_OK) {
            auto decoder = CreateComponent<IBaseFilter>(CLSID_AacDecoder);
            graph->AddFilter(decoder.Get(), "audio decoder");
            if (graph->Connect(pin.Get(), PinByName(decoder.Get(), "In").Get()) != S_OK ||
                graph->Connect(PinByName(decoder.Get(), "Out").Get(), pins.front().Get()) != S_OK) {
                return false;
            }
        }
    }
    return true;
}

int PlaybackGraph::ShownFrame(size_t renderer) const {
    BYTE* dib = nullptr;
    if (renderer >= renderers.size() ||
        QueryInterface<IVMRWindowlessControl>(renderers[renderer])->GetCurrentImage(&dib) != S_OK) {
        return -1;
    }
    const QImage image = DibToImage(dib);
    CoTaskMemFree(dib);
    return framecode::DecodeFrameCode(image);
}

RendererStats PlaybackGraph::Stats(const ComPtr<IBaseFilter>& renderer) const {
    RendererStats stats;
    if (auto source = QueryInterface<IRendererStats>(renderer)) {
        source->GetRendererStats(&stats);
    }
    return stats;
}

REFERENCE_TIME PlaybackGraph::Position() const {
    REFERENCE_TIME position = -1;
    seeking->GetCurrentPosition(&position);
    return position;
}

REFERENCE_TIME PlaybackGraph::Duration() const {
    REFERENCE_TIME duration = -1;
    seeking->GetDuration(&duration);
    return duration;
}

bool PlaybackGraph::WaitCued(int timeoutMs) const {
    OAFilterState state = 0;
    return control->GetState(timeoutMs, &state) == S_OK;
}

HRESULT PlaybackGraph::Seek(REFERENCE_TIME target) const {
    return seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                 AM_SEEKING_NoPositioning);
}

FrameCollector::FrameCollector(bool video) : FilterBase(CLSID{}), m_video(video) {
    m_input = AddInputPin(QStringLiteral("In"), 8, [video](const MediaType& type) {
        return type.format && type.format->decoded &&
               (video ? type.majortype == MEDIATYPE_Video : type.majortype == MEDIATYPE_Audio);
    });
}

FrameCollector::~FrameCollector() {
    RequestStop();
    JoinStreaming();
}

HRESULT FrameCollector::StartStreaming(int serial) {
    JoinStreaming();
    if (m_input->IsConnected()) {
        m_thread = std::thread([this, serial] { Loop(serial); });
    }
    return S_OK;
}

void FrameCollector::JoinStreaming() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void FrameCollector::Loop(int serial) {
    bool ready = false;
    while (SamplePtr sample = m_input->Queue().Get()) {
        if (!ready || sample->serial != serial) {
            serial = sample->serial;
            m_clock->RendererReady(serial);
            ready = true;
        }
        std::lock_guard lock(m_mutex);
        if (sample->kind == MediaSample::Kind::EndOfStream) {
            m_atEnd = true;
            m_ended.notify_all();
            continue;
        }
        const AVFrame* frame = sample->frame.get();
        if (m_video) {
            m_codes.push_back(
                FrameCodeOfLuma(frame->data[0], frame->linesize[0], frame->width, frame->height));
            m_times.push_back(sample->start);
        } else {
            m_audioSamples += frame->nb_samples;
        }
    }
}

bool FrameCollector::WaitForEnd(int timeoutMs) {
    std::unique_lock lock(m_mutex);
    return m_ended.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_atEnd; });
}

std::vector<int> FrameCollector::FrameCodes() const {
    std::lock_guard lock(m_mutex);
    return m_codes;
}

std::vector<REFERENCE_TIME> FrameCollector::Times() const {
    std::lock_guard lock(m_mutex);
    return m_times;
}

int64_t FrameCollector::AudioSamples() const {
    std::lock_guard lock(m_mutex);
    return m_audioSamples;
}

}  // namespace mediatest
