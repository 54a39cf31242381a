#include "platform/media/VideoRenderer.h"

#include "platform/media/ComponentRegistry.h"
#include "platform/media/Log.h"
#include "platform/media/Yuv420Halving.h"

#include <QEvent>
#include <QPainter>
#include <QThread>

extern "C" {
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstring>

namespace platform::media {

namespace {
constexpr size_t kFrameQueue = 6;
// A picture goes up this much before its time: waking and swapping it in take about that.
constexpr REFERENCE_TIME kPresentEarly = Units100ns(std::chrono::milliseconds(1));
// libswscale's vector code writes whole blocks of pixels: rows get room for them.
constexpr int kRowAlignBytes = 64;

// A 32-bit picture whose rows (and one spare row) leave the converter room to overrun.
QImage MakePicture(QSize size) {
    const int stride = (size.width() * 4 + kRowAlignBytes - 1) / kRowAlignBytes * kRowAlignBytes;
    auto* data = static_cast<uchar*>(
        av_malloc(static_cast<size_t>(stride) * static_cast<size_t>(size.height() + 1)));
    if (data == nullptr) {
        return {};
    }
    return QImage(
        data, size.width(), size.height(), stride, QImage::Format_RGB32,
        [](void* block) { av_free(block); }, data);
}
constexpr char kInputPinName[] = "VMR Input0";
}  // namespace

// Paints the renderer's picture in the paint events of its clipping window; UI thread only
// (Detach and the pending flag excepted).
class ViewPainter final : public QObject {
public:
    explicit ViewPainter(VideoRenderer* renderer) : m_renderer(renderer) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        VideoRenderer* renderer = m_renderer.load();
        if (event->type() == QEvent::Paint && watched == m_view && renderer != nullptr) {
            QPainter painter(m_view);
            renderer->Paint(painter);
            return true;
        }
        return false;
    }
    void Watch(QWidget* view) {
        if (m_view != nullptr) {
            m_view->removeEventFilter(this);
        }
        m_view = view;
        if (view != nullptr) {
            view->installEventFilter(this);
        }
    }
    void Detach() { m_renderer = nullptr; }
    // Any thread: coalesces repaint requests into one queued call.
    void RequestRepaint() {
        if (!m_pending.exchange(true)) {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_pending = false;
                    if (m_view != nullptr) {
                        m_view->update();
                    }
                },
                Qt::QueuedConnection);
        }
    }

private:
    std::atomic<VideoRenderer*> m_renderer;
    std::atomic<bool> m_pending{false};
    QPointer<QWidget> m_view;
};

VideoRenderer::VideoRenderer()
    : FilterBase(CLSID_VideoMixingRenderer), m_painter(new ViewPainter(this)) {
    m_input =
        AddInputPin(QString::fromLatin1(kInputPinName), kFrameQueue, [](const MediaType& type) {
            return type.majortype == MEDIATYPE_Video && type.subtype == MEDIASUBTYPE_DecodedVideo &&
                   type.format && type.format->decoded;
        });
}

VideoRenderer::~VideoRenderer() {
    RequestStop();
    JoinStreaming();
    m_painter->Detach();
}

void ViewPainterDeleter::operator()(ViewPainter* painter) const {
    if (painter->thread() == QThread::currentThread()) {
        std::default_delete<ViewPainter>()(painter);  // removes itself from the view
    } else {
        painter->deleteLater();
    }
}

HRESULT VideoRenderer::QueryExtra(const IID& iid, void** object) {
    if (iid == IVMRFilterConfig::kIid) {
        *object = static_cast<IVMRFilterConfig*>(this);
    } else if (iid == IVMRWindowlessControl::kIid) {
        *object = static_cast<IVMRWindowlessControl*>(this);
    } else if (iid == IRendererStats::kIid) {
        *object = static_cast<IRendererStats*>(this);
    } else if (iid == IBrightnessControl::kIid) {
        *object = static_cast<IBrightnessControl*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT VideoRenderer::SetRenderingMode(DWORD mode) {
    if (mode != VMRMode_Windowless) {
        return E_INVALIDARG;
    }
    m_renderingMode = mode;
    return S_OK;
}

HRESULT VideoRenderer::GetRenderingMode(DWORD* mode) {
    if (mode == nullptr) {
        return E_POINTER;
    }
    *mode = m_renderingMode;
    return S_OK;
}

HRESULT VideoRenderer::SetVideoPosition(const RECT* /*source*/, const RECT* destination) {
    if (destination == nullptr) {
        return S_OK;
    }
    if (destination->right < destination->left || destination->bottom < destination->top) {
        return E_INVALIDARG;
    }
    std::lock_guard lock(m_mutex);
    m_destination = *destination;
    return S_OK;
}

HRESULT VideoRenderer::GetVideoPosition(RECT* source, RECT* destination) {
    std::lock_guard lock(m_mutex);
    if (source != nullptr) {
        *source = RECT{0, 0, m_current ? m_current->width : 0, m_current ? m_current->height : 0};
    }
    if (destination != nullptr) {
        *destination = m_destination;
    }
    return S_OK;
}

HRESULT VideoRenderer::SetVideoClippingWindow(QWidget* view) {
    m_view = view;
    m_painter->Watch(view);
    return S_OK;
}

HRESULT VideoRenderer::SetAspectRatioMode(DWORD mode) {
    if (mode != VMR_ARMODE_NONE && mode != VMR_ARMODE_LETTER_BOX) {
        return E_INVALIDARG;
    }
    m_aspectMode = mode;
    return S_OK;
}

HRESULT VideoRenderer::GetAspectRatioMode(DWORD* mode) {
    if (mode == nullptr) {
        return E_POINTER;
    }
    *mode = m_aspectMode;
    return S_OK;
}

QRect VideoRenderer::Destination() const {
    std::lock_guard lock(m_mutex);
    return QRect(m_destination.left, m_destination.top, m_destination.right - m_destination.left,
                 m_destination.bottom - m_destination.top);
}

void VideoRenderer::Paint(QPainter& painter) {
    QRect target = Destination();
    QImage picture;
    {
        std::lock_guard lock(m_mutex);
        picture = m_picture;
    }
    if (target.isEmpty() && m_view != nullptr) {
        target = m_view->rect();
    }
    painter.fillRect(target, Qt::black);
    if (picture.isNull()) {
        return;
    }
    QRect area = target;
    if (m_aspectMode == VMR_ARMODE_LETTER_BOX) {
        QSize fitted = picture.size().scaled(target.size(), Qt::KeepAspectRatio);
        area = QRect(QPoint(0, 0), fitted);
        area.moveCenter(target.center());
    }
    if (area.size() == picture.size()) {
        painter.drawImage(area.topLeft(), picture);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(area, picture);
    }
}

HRESULT VideoRenderer::RepaintVideo(QWidget* view, QPainter* painter) {
    if (painter == nullptr) {
        return E_POINTER;
    }
    if (view != m_view) {
        return E_INVALIDARG;
    }
    Paint(*painter);
    return S_OK;
}

HRESULT VideoRenderer::GetCurrentImage(BYTE** dib) {
    if (dib == nullptr) {
        return E_POINTER;
    }
    *dib = nullptr;
    FramePtr frame;
    {
        std::lock_guard lock(m_mutex);
        if (!m_current) {
            return E_FAIL;
        }
        frame.reset(av_frame_clone(m_current.get()));
    }
    if (!frame) {
        return E_OUTOFMEMORY;
    }
    const int width = frame->width;
    const int height = frame->height;
    const SwsContextPtr scaler(
        sws_getContext(width, height, static_cast<AVPixelFormat>(frame->format), width, height,
                       AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler) {
        qCWarning(lcMedia) << "no converter for a" << width << "x" << height << "picture";
        return E_FAIL;
    }
    QImage picture = MakePicture(QSize(width, height));
    if (picture.isNull()) {
        return E_OUTOFMEMORY;
    }
    uint8_t* rows[4] = {picture.bits(), nullptr, nullptr, nullptr};
    const int strides[4] = {static_cast<int>(picture.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler.get(), frame->data, frame->linesize, 0, height, rows, strides);
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    const size_t imageBytes = rowBytes * static_cast<size_t>(height);
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(BITMAPINFOHEADER) + imageBytes));
    if (block == nullptr) {
        return E_OUTOFMEMORY;
    }
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;  // bottom-up
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biSizeImage = static_cast<DWORD>(imageBytes);
    std::memcpy(block, &header, sizeof header);
    for (int y = 0; y < height; ++y) {
        BYTE* row = block + sizeof header + rowBytes * static_cast<size_t>(height - 1 - y);
        std::memcpy(row, picture.constScanLine(y), rowBytes);
        // The fourth byte is padding; keep it opaque for readers that take it as alpha.
        for (size_t x = 3; x < rowBytes; x += 4) {
            row[x] = 0xFF;
        }
    }
    *dib = block;
    return S_OK;
}

HRESULT VideoRenderer::GetNativeVideoSize(LONG* width, LONG* height, LONG* arWidth,
                                          LONG* arHeight) {
    const MediaType type = m_input->ConnectedType();
    if (!type.format) {
        return VFW_E_NOT_CONNECTED;
    }
    const AVCodecParameters* codec = type.format->codec.get();
    if (width != nullptr) {
        *width = codec->width;
    }
    if (height != nullptr) {
        *height = codec->height;
    }
    if (arWidth != nullptr) {
        *arWidth = codec->width;
    }
    if (arHeight != nullptr) {
        *arHeight = codec->height;
    }
    return S_OK;
}

HRESULT VideoRenderer::GetRendererStats(RendererStats* stats) {
    if (stats == nullptr) {
        return E_POINTER;
    }
    std::lock_guard lock(m_mutex);
    *stats = m_stats;
    return S_OK;
}

HRESULT VideoRenderer::StartStreaming(int serial) {
    JoinStreaming();
    const MediaType type = m_input->ConnectedType();
    if (!type.format) {
        return S_OK;
    }
    {
        std::lock_guard lock(m_mutex);
        m_frameRate = type.format->frameRate;
    }
    m_thread = std::thread([this, serial] { RenderLoop(serial); });
    return S_OK;
}

void VideoRenderer::JoinStreaming() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

const AVFrame* VideoRenderer::Halved(const AVFrame* frame, QSize size) {
    const AVFrame* input = frame;
    size_t halvings = 0;
    while (input->width >= 2 * size.width() && input->height >= 2 * size.height() &&
           CanHalveYuv420(input->width, input->height, input->format)) {
        if (halvings == m_halved.size()) {
            m_halved.emplace_back();
        }
        if (!HalveYuv420(input, &m_halved[halvings])) {
            return nullptr;
        }
        input = m_halved[halvings++].get();
    }
    return input;
}

QImage VideoRenderer::Convert(const AVFrame* frame, QSize size) {
    if (m_clock->SkipsPictures()) {
        return {};
    }
    if (size.isEmpty()) {
        size = QSize(frame->width, frame->height);
    }
    // The picture the UI thread let go of last time is written over, when it is free.
    QImage image = std::move(m_spare);
    if (image.size() != size || image.format() != QImage::Format_RGB32 || !image.isDetached()) {
        image = MakePicture(size);
    }
    if (image.isNull()) {
        return {};
    }
    const AVFrame* input = Halved(frame, size);
    if (input == nullptr) {
        return {};
    }
    const auto format = static_cast<AVPixelFormat>(input->format);
    const uint8_t* const* planes = input->data;
    const int* strides = input->linesize;
    bool scaled = false;
    // Scaling planar 4:2:0 first and converting to RGB unscaled afterwards keeps both steps
    // on libswscale's vector code; scaling straight into RGB would take its slow path.
    if (format == AV_PIX_FMT_YUV420P && size != QSize(input->width, input->height) &&
        size.width() % 2 == 0 && size.height() % 2 == 0) {
        if (!m_scaled || m_scaled->width != size.width() || m_scaled->height != size.height()) {
            m_scaled.reset(av_frame_alloc());
            m_scaled->format = AV_PIX_FMT_YUV420P;
            m_scaled->width = size.width();
            m_scaled->height = size.height();
            if (av_frame_get_buffer(m_scaled.get(), 0) < 0) {
                m_scaled.reset();
                return {};
            }
        }
        // Shrinking, area averaging filters as well as a bilinear filter widened to the ratio
        // and costs half as much.
        const bool shrinking = size.width() <= input->width && size.height() <= input->height;
        // A context that does not fit is freed by FFmpeg and replaced.
        m_scaler.reset(sws_getCachedContext(
            m_scaler.release(), input->width, input->height, format, size.width(), size.height(),
            AV_PIX_FMT_YUV420P, shrinking ? SWS_AREA : SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!m_scaler) {
            qCWarning(lcMedia) << "frame dropped: no scaler to" << size;
            return {};
        }
        sws_scale(m_scaler.get(), input->data, input->linesize, 0, input->height, m_scaled->data,
                  m_scaled->linesize);
        planes = m_scaled->data;
        strides = m_scaled->linesize;
        scaled = true;
    }
    const QSize source = scaled ? size : QSize(input->width, input->height);
    const AVPixelFormat sourceFormat = scaled ? AV_PIX_FMT_YUV420P : format;
    m_converter.reset(sws_getCachedContext(
        m_converter.release(), source.width(), source.height(), sourceFormat, size.width(),
        size.height(), AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!m_converter) {
        qCWarning(lcMedia) << "frame dropped: no converter to" << size;
        return {};
    }
    ApplyBrightness();
    uint8_t* rows[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int rowStrides[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
    sws_scale(m_converter.get(), planes, strides, 0, source.height(), rows, rowStrides);
    return image;
}

void VideoRenderer::ApplyBrightness() {
    // The conversion to RGB shifts the levels for free; its tables are made again only when
    // the level or the context changed.
    const LONG level = m_brightness.load();
    if (m_converter.get() == m_brightnessContext && level == m_brightnessApplied) {
        return;
    }
    int* inverse = nullptr;
    int* table = nullptr;
    int sourceRange = 0;
    int destinationRange = 0;
    int brightness = 0;
    int contrast = 0;
    int saturation = 0;
    if (sws_getColorspaceDetails(m_converter.get(), &inverse, &sourceRange, &table,
                                 &destinationRange, &brightness, &contrast, &saturation) < 0 ||
        sws_setColorspaceDetails(m_converter.get(), inverse, sourceRange, table, destinationRange,
                                 static_cast<int>(level * kBrightnessUnitsPerLevel), contrast,
                                 saturation) < 0) {
        qCInfo(lcMedia) << "the conversion takes no brightness; the picture stays as it is";
    }
    m_brightnessContext = m_converter.get();
    m_brightnessApplied = level;
}

HRESULT VideoRenderer::SetBrightness(LONG level) {
    m_brightness = std::clamp<LONG>(level, -kBrightnessLimit, kBrightnessLimit);
    return S_OK;
}

HRESULT VideoRenderer::GetBrightness(LONG* level) {
    if (level == nullptr) {
        return E_POINTER;
    }
    *level = m_brightness.load();
    return S_OK;
}

void VideoRenderer::Present(const AVFrame* frame, REFERENCE_TIME start, bool counted) {
    Publish(Convert(frame, Destination().size()), frame, start, counted);
}

void VideoRenderer::Publish(QImage picture, const AVFrame* frame, REFERENCE_TIME start,
                            bool counted) {
    FramePtr reference(av_frame_clone(frame));
    {
        std::lock_guard lock(m_mutex);
        std::swap(m_picture, picture);
        m_current = std::move(reference);
        m_stats.lastSampleTime = start;
        m_stats.lastFrameNumber =
            m_frameRate.num > 0 ? static_cast<int>(std::llround(
                                      static_cast<double>(start) * m_frameRate.num /
                                      (static_cast<double>(kUnitsPerSecond) * m_frameRate.den)))
                                : -1;
        if (counted) {
            ++m_stats.framesRendered;
        }
    }
    m_spare = std::move(picture);
    m_painter->RequestRepaint();
}

bool VideoRenderer::NextIsDue(REFERENCE_TIME now) {
    REFERENCE_TIME nextStart = 0;
    MediaSample::Kind nextKind = MediaSample::Kind::EndOfStream;
    return !m_clock->IsFreeRun() && m_input->Queue().PeekStart(&nextStart, &nextKind) &&
           nextKind == MediaSample::Kind::Frame && nextStart <= now;
}

void VideoRenderer::CountDropped() {
    std::lock_guard lock(m_mutex);
    m_stats.framesDropped += m_clock->IsTicking() ? 1 : 0;
}

bool VideoRenderer::Schedule(SamplePtr sample, int serial) {
    const REFERENCE_TIME start = sample->start;
    const AVFrame* frame = sample->frame.get();
    // Converted while it waits, so that it is shown at its time, not a conversion later; a
    // frame whose successor is already due is not converted at all.
    if (NextIsDue(m_clock->Now())) {
        CountDropped();
        return true;
    }
    QImage picture = Convert(frame, Destination().size());
    for (;;) {
        switch (m_clock->WaitUntil(start - kPresentEarly, serial, m_stepper)) {
            case GraphClock::WaitResult::Aborted:
                return false;
            case GraphClock::WaitResult::Stale:
                m_spare = std::move(picture);
                return true;
            case GraphClock::WaitResult::Step:
                Publish(std::move(picture), frame, start, true);
                m_clock->CompleteStep(start, serial);
                return true;
            case GraphClock::WaitResult::Due: {
                const REFERENCE_TIME now = m_clock->Now();
                if (NextIsDue(now)) {
                    CountDropped();  // too late: the next is due
                    m_spare = std::move(picture);
                    return true;
                }
                const REFERENCE_TIME interval =
                    sample->duration > 0 ? sample->duration : kUnitsPerSecond / 30;
                if (m_clock->IsTicking() && now - start > interval && !m_clock->IsFreeRun()) {
                    std::lock_guard lock(m_mutex);
                    ++m_stats.framesLate;
                }
                Publish(std::move(picture), frame, start, true);
                return true;
            }
        }
    }
}

void VideoRenderer::RenderLoop(int serial) {
    bool shown = false;  // the generation's first picture is on screen
    FramePtr candidate;  // the last picture before the target, for seeks past the end
    REFERENCE_TIME candidateStart = 0;
    while (SamplePtr sample = m_input->Queue().Get()) {
        if (sample->serial != serial) {
            serial = sample->serial;
            shown = false;
            candidate.reset();
        }
        if (sample->kind == MediaSample::Kind::EndOfStream) {
            if (!shown) {
                if (candidate) {
                    Present(candidate.get(), candidateStart, true);
                }
                shown = true;
                m_clock->RendererReady(serial);
            }
            continue;
        }
        if (!sample->frame) {
            continue;
        }
        if (!shown) {
            const REFERENCE_TIME target = m_clock->SegmentStart();
            const REFERENCE_TIME end =
                sample->start + std::max<REFERENCE_TIME>(sample->duration, 1);
            if (end <= target) {
                candidate = std::move(sample->frame);
                candidateStart = sample->start;
                continue;
            }
            // The picture at the target, shown at once in every state: the preroll.
            Present(sample->frame.get(), sample->start, true);
            candidate.reset();
            shown = true;
            m_clock->RendererReady(serial);
            continue;
        }
        if (!Schedule(std::move(sample), serial)) {
            return;
        }
    }
}

}  // namespace platform::media
