#pragma once
// The windowless video renderer (CLSID_VideoMixingRenderer): shows each decoded picture when
// the graph clock reaches its time, converted and scaled by libswscale straight to the view's
// destination rectangle, and paints it into its clipping window (the view widget) by itself:
// a new picture asks the view to repaint through a queued call on the UI thread.
// Interface methods: the UI thread (GetRendererStats: any thread).

#include "platform/media/FilterBase.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::media {

class ViewPainter;

// Deletes the painter on its own (UI) thread.
struct ViewPainterDeleter {
    void operator()(ViewPainter* painter) const;
};

class VideoRenderer final : public FilterBase,
                            public IVMRFilterConfig,
                            public IVMRWindowlessControl,
                            public IRendererStats,
                            public IBrightnessControl {
public:
    VideoRenderer();
    MEDIA_FORWARD_IUNKNOWN(FilterBase)

    // IVMRFilterConfig
    HRESULT SetRenderingMode(DWORD mode) override;
    HRESULT GetRenderingMode(DWORD* mode) override;

    // IVMRWindowlessControl
    HRESULT SetVideoPosition(const RECT* source, const RECT* destination) override;
    HRESULT GetVideoPosition(RECT* source, RECT* destination) override;
    HRESULT SetVideoClippingWindow(QWidget* view) override;
    HRESULT SetAspectRatioMode(DWORD mode) override;
    HRESULT GetAspectRatioMode(DWORD* mode) override;
    HRESULT RepaintVideo(QWidget* view, QPainter* painter) override;
    HRESULT GetCurrentImage(BYTE** dib) override;
    HRESULT GetNativeVideoSize(LONG* width, LONG* height, LONG* arWidth, LONG* arHeight) override;

    // IRendererStats
    HRESULT GetRendererStats(RendererStats* stats) override;

    // IBrightnessControl: applied in the conversion to RGB from the next picture on.
    HRESULT SetBrightness(LONG level) override;
    HRESULT GetBrightness(LONG* level) override;

    // FilterBase
    HRESULT StartStreaming(int serial) override;
    void JoinStreaming() override;
    bool IsRenderer() const override { return true; }
    bool IsVideoRenderer() const override { return true; }
    void SetStepper(bool stepper) override { m_stepper = stepper; }

    // UI thread: paints the current picture into the destination rectangle.
    void Paint(QPainter& painter);

protected:
    HRESULT QueryExtra(const IID& iid, void** object) override;

private:
    ~VideoRenderer() override;

    void RenderLoop(int serial);
    // Waits for the frame's time and shows it; false when the thread must end.
    bool Schedule(SamplePtr sample, int serial);
    void Present(const AVFrame* frame, REFERENCE_TIME start, bool counted);
    // Makes picture (converted from frame) the current one.
    void Publish(QImage picture, const AVFrame* frame, REFERENCE_TIME start, bool counted);
    // The next queued frame's time has come: the one in hand is too late to show.
    bool NextIsDue(REFERENCE_TIME now);
    void CountDropped();
    QImage Convert(const AVFrame* frame, QSize size);
    // Halved while the view is at most half the picture, libswscale's area filter is left only
    // the remaining ratio, under two: the same averaging for a fraction of the work. The frame
    // itself when it is not halved; null when memory runs out.
    const AVFrame* Halved(const AVFrame* frame, QSize size);
    QRect Destination() const;
    void ApplyBrightness();

    static constexpr LONG kBrightnessLimit = 100;
    // libswscale's brightness is 16.16 and moves RGB levels by about 298 per unit; a level is
    // a percent of the full range, as the brightness filter's.
    static constexpr double kBrightnessUnitsPerLevel = 65536.0 * 255.0 / 298.0 / 100.0;

    InputPin* m_input = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stepper{false};
    DWORD m_aspectMode = VMR_ARMODE_NONE;  // UI thread
    DWORD m_renderingMode = VMRMode_Windowless;
    QPointer<QWidget> m_view;                                    // UI thread
    std::unique_ptr<ViewPainter, ViewPainterDeleter> m_painter;  // lives on the UI thread
    SwsContextPtr m_scaler;          // render thread: 4:2:0 to the view size
    SwsContextPtr m_converter;       // render thread: to 32-bit RGB
    std::vector<FramePtr> m_halved;  // render thread: the picture halved once, twice, ...
    FramePtr m_scaled;               // render thread: the scaled 4:2:0 picture
    QImage m_spare;                  // render thread: the previous picture, for reuse
    std::atomic<LONG> m_brightness{0};
    const SwsContext* m_brightnessContext = nullptr;  // render thread: the level applied to
    LONG m_brightnessApplied = 0;                     // render thread

    mutable std::mutex m_mutex;  // guards the fields below
    RECT m_destination;
    QImage m_picture;    // the current frame at the destination size
    FramePtr m_current;  // the current frame as decoded
    RendererStats m_stats;
    AVRational m_frameRate{0, 1};
};

}  // namespace platform::media
