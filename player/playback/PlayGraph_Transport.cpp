#include "player/playback/PlayGraph.h"

#include "player/playback/Log.h"

#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace platform::media;

namespace player {

namespace {

constexpr DWORD kStepOneFrame = 0xFFFFFFFF;
// No recording shows a frame longer than this (2 frames a second).
constexpr REFERENCE_TIME kMaxFrameSpan100ns = FromMilliseconds(500);
constexpr DWORD kDibHeaderBytes = sizeof(BITMAPINFOHEADER);
constexpr uint16_t kDibBitsPerPixel = 32;
constexpr LONG kMaxDibSide = 16384;

RECT ClientRectOf(const QWidget* view) {
    RECT rect;
    rect.right = view->width();
    rect.bottom = view->height();
    return rect;
}

}  // namespace

HRESULT CPlayGraph::Run() {
    if (!m_usable) {
        return kNotUsable;
    }
    if (m_state != GraphState::Paused && m_state != GraphState::Stopped) {
        return VFW_E_WRONG_STATE;
    }
    const auto seeking = QueryInterface<IMediaSeeking>(m_graph);
    const auto control = QueryInterface<IMediaControl>(m_graph);
    if (!seeking || !control) {
        return E_UNEXPECTED;
    }
    REFERENCE_TIME position = 0;
    const REFERENCE_TIME duration = GetDuration();
    if (SUCCEEDED(seeking->GetCurrentPosition(&position)) && duration > 0 && position == duration) {
        SeekTo(0);  // played to its end: start again
    }
    if (m_rate != 1.0f) {
        m_rate = std::max(std::min(m_rate, kMaxRate), kMinRate);
    }
    if (const HRESULT rated = seeking->SetRate(m_rate); FAILED(rated)) {
        qCWarning(lcPlayback, "rate %.2f refused: 0x%08X", static_cast<double>(m_rate),
                  static_cast<unsigned>(rated));
    }
    const HRESULT hr = control->Run();
    if (FAILED(hr)) {
        qCWarning(lcPlayback, "run failed: 0x%08X", static_cast<unsigned>(hr));
    }
    m_state = GraphState::Running;
    if (const auto audio = QueryInterface<IBasicAudio>(m_graph)) {
        audio->put_Balance(0);
    }
    return hr;
}

HRESULT CPlayGraph::Pause() {
    if (!m_usable) {
        return kNotUsable;
    }
    const auto control = QueryInterface<IMediaControl>(m_graph);
    if (!control) {
        return E_UNEXPECTED;
    }
    const HRESULT hr = control->Pause();
    m_state = GraphState::Paused;
    return hr;
}

HRESULT CPlayGraph::Stop() {
    if (!m_usable) {
        return kNotUsable;
    }
    if (m_state != GraphState::Running && m_state != GraphState::Paused) {
        return VFW_E_WRONG_STATE;
    }
    const auto control = QueryInterface<IMediaControl>(m_graph);
    if (!control) {
        return E_UNEXPECTED;
    }
    const HRESULT hr = control->Stop();
    m_state = GraphState::Stopped;
    return hr;
}

HRESULT CPlayGraph::SeekTo(REFERENCE_TIME position100ns) {
    const auto seeking = QueryInterface<IMediaSeeking>(m_graph);
    if (!seeking) {
        return E_UNEXPECTED;
    }
    return seeking->SetPositions(&position100ns, AM_SEEKING_AbsolutePositioning, nullptr,
                                 AM_SEEKING_NoPositioning);
}

CPlayGraph::REFERENCE_TIME CPlayGraph::GetPosition() {
    const auto seeking = QueryInterface<IMediaSeeking>(m_graph);
    REFERENCE_TIME position = 0;
    if (!seeking || FAILED(seeking->GetCurrentPosition(&position))) {
        return 0;
    }
    return position;
}

CPlayGraph::REFERENCE_TIME CPlayGraph::GetDuration() {
    if (m_duration100ns != 0) {
        return m_duration100ns;
    }
    const auto seeking = QueryInterface<IMediaSeeking>(m_graph);
    REFERENCE_TIME duration = 0;
    if (seeking && SUCCEEDED(seeking->GetDuration(&duration)) && duration > 0) {
        m_duration100ns = duration;
    }
    return m_duration100ns;
}

int CPlayGraph::StepFrame() {
    const auto step = QueryInterface<IVideoFrameStep>(m_graph);
    if (!step || step->CanStep(1, nullptr) != S_OK) {
        return 0;
    }
    return SUCCEEDED(step->Step(kStepOneFrame, nullptr)) ? 1 : 0;
}

int CPlayGraph::StepFrameBack() {
    if (!m_graph || m_state != GraphState::Paused) {
        return 0;
    }
    // The front renderer knows which frame it shows and its number; while the frame of a seek
    // is still on its way, the frame it reports lies elsewhere and the position stands in.
    const REFERENCE_TIME position = GetPosition();
    RendererStats stats;
    const auto renderer =
        QueryInterface<IRendererStats>(static_cast<IUnknown*>(m_frontRenderer.Get()));
    const bool known = renderer && SUCCEEDED(renderer->GetRendererStats(&stats)) &&
                       stats.lastSampleTime >= 0 && stats.lastSampleTime <= position &&
                       position - stats.lastSampleTime < kMaxFrameSpan100ns;
    const REFERENCE_TIME shown = known ? stats.lastSampleTime : position;
    if (shown <= 0) {
        return 0;
    }
    // A camera records at a constant rate: the frame before starts one frame's span earlier.
    // The seek goes to that start, since a picture is shown for the time it starts at.
    REFERENCE_TIME target = shown - 1;
    if (known && stats.lastFrameNumber > 0) {
        target = static_cast<REFERENCE_TIME>(std::llround(
            static_cast<double>(shown) * (stats.lastFrameNumber - 1) / stats.lastFrameNumber));
    }
    return SUCCEEDED(SeekTo(std::max<REFERENCE_TIME>(target, 0))) ? 1 : 0;
}

void CPlayGraph::RepaintViews() {
    const struct {
        IBaseFilter* renderer;
        QWidget* view;
    } pairs[] = {{m_frontRenderer.Get(), m_frontView},
                 {m_viewCount == 2 ? m_rearRenderer.Get() : nullptr, m_rearView}};
    for (const auto& pair : pairs) {
        const auto control =
            QueryInterface<IVMRWindowlessControl>(static_cast<IUnknown*>(pair.renderer));
        if (!control || pair.view == nullptr) {
            continue;
        }
        const RECT destination = ClientRectOf(pair.view);
        if (const HRESULT hr = control->SetVideoPosition(nullptr, &destination); FAILED(hr)) {
            qCWarning(lcPlayback, "refitting a view failed: 0x%08X", static_cast<unsigned>(hr));
        }
        // A widget paints only inside its own paint event; the renderer draws there.
        pair.view->update();
    }
}

int CPlayGraph::GetCurrentImage(int view, QImage* image) {
    if (image == nullptr || !m_graph) {
        return 0;  // no picture to hand out is a failure, not a success without a bitmap
    }
    IBaseFilter* renderer = nullptr;
    if (view == 0) {
        renderer = m_frontRenderer.Get();
    } else if (view == 1 && m_viewCount == 2) {
        renderer = m_rearRenderer.Get();
    }
    const auto control = QueryInterface<IVMRWindowlessControl>(static_cast<IUnknown*>(renderer));
    BYTE* dib = nullptr;
    if (!control || FAILED(control->GetCurrentImage(&dib)) || dib == nullptr) {
        return 0;
    }
    *image = ImageFromPackedDib(dib);
    CoTaskMemFree(dib);
    return image->isNull() ? 0 : 1;
}

QImage CPlayGraph::ImageFromPackedDib(const uint8_t* dib) {
    if (dib == nullptr) {
        return {};
    }
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib, sizeof(header));
    if (header.biSize != kDibHeaderBytes || header.biBitCount != kDibBitsPerPixel ||
        header.biPlanes != 1 || header.biWidth <= 0 || header.biWidth > kMaxDibSide ||
        header.biHeight == 0 || header.biHeight > kMaxDibSide || header.biHeight < -kMaxDibSide) {
        return {};
    }
    const int width = header.biWidth;
    const bool bottomUp = header.biHeight > 0;
    const int height = bottomUp ? header.biHeight : -header.biHeight;
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    const uint8_t* pixels = dib + kDibHeaderBytes;
    for (int row = 0; row < height; ++row) {
        const int sourceRow = bottomUp ? height - 1 - row : row;
        uint8_t* target = image.scanLine(row);
        std::memcpy(target, pixels + static_cast<size_t>(sourceRow) * rowBytes, rowBytes);
        for (size_t x = 3; x < rowBytes; x += 4) {
            target[x] = 0xFF;  // the DIB's fourth byte is padding, not alpha
        }
    }
    return image;
}

}  // namespace player
