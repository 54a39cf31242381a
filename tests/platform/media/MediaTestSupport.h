#pragma once
// Fixtures for the media engine's tests: recordings made with make-sample-card at test time,
// remuxed variants, and a sink filter that collects decoded pictures by their frame codes.

#include "platform/media/ComponentRegistry.h"
#include "platform/media/FilterBase.h"
#include "platform/media/GraphInterfaces.h"
#include "tests/support/Clips.h"
#include "tests/support/RunTool.h"
#include "tests/support/TestApp.h"

#include <QString>
#include <QTemporaryDir>

#include <QImage>
#include <QWidget>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace mediatest {

using namespace platform::media;

struct ClipOptions {
    int cameras = 2;
    QString audio = QStringLiteral("aac");
    QString container = QStringLiteral("mp4");
    bool telemetry = true;
    int lengthSeconds = 2;
    int fps = 15;
    QString size = QStringLiteral("320x180");
    QString rearSize = QStringLiteral("160x90");
    double toneHz = 0.0;
    QString category = QStringLiteral("event");
};

using testsupport::BackgroundTool;
using testsupport::Remux;
using testsupport::RunTool;

// Writes a one-recording card into dir and returns the recording's path ("" on failure).
QString MakeClip(const QTemporaryDir& dir, const ClipOptions& options);

ComPtr<IPin> PinByName(IBaseFilter* filter, const QString& name);
int CountPins(IBaseFilter* filter, PIN_DIRECTION direction, const QString& containing);

// The frame number drawn into an 8-bit luma plane, or -1.
int FrameCodeOfLuma(const uint8_t* plane, int stride, int width, int height);

// Runs the Qt event loop for a while / until the condition holds (false on timeout).
void Pump(int ms);
bool WaitFor(const std::function<bool()>& condition, int timeoutMs);

// A packed bottom-up DIB as a top-down picture (null when the header is wrong).
QImage DibToImage(const BYTE* dib);

// A graph built as the player builds it: the source, a decoder and a windowless renderer per
// camera drawing into a view of its own, and the sound path (decoder only for compressed sound).
struct PlaybackGraph {
    ComPtr<IGraphBuilder> graph;
    ComPtr<IBaseFilter> source;
    std::vector<ComPtr<IBaseFilter>> renderers;
    ComPtr<IBaseFilter> audioRenderer;
    std::vector<std::unique_ptr<QWidget>> views;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaSeeking> seeking;

    bool Build(const QString& path, QSize viewSize = QSize(320, 180));
    // The frame code of the picture a renderer holds (-1 without one).
    int ShownFrame(size_t renderer = 0) const;
    RendererStats Stats(const ComPtr<IBaseFilter>& renderer) const;
    REFERENCE_TIME Position() const;
    REFERENCE_TIME Duration() const;
    // Every renderer holds its first picture of the current position.
    bool WaitCued(int timeoutMs = 10000) const;
    HRESULT Seek(REFERENCE_TIME target) const;
};

inline constexpr REFERENCE_TIME kMs = FromMilliseconds(1);

// A renderer-like sink: collects the frame codes (video) or sample count (audio) of every
// decoded sample as fast as they come, until the end of the stream.
class FrameCollector final : public FilterBase {
public:
    explicit FrameCollector(bool video);

    HRESULT StartStreaming(int serial) override;
    void JoinStreaming() override;
    bool IsRenderer() const override { return true; }

    bool WaitForEnd(int timeoutMs);
    std::vector<int> FrameCodes() const;
    std::vector<REFERENCE_TIME> Times() const;
    int64_t AudioSamples() const;

private:
    ~FrameCollector() override;
    void Loop(int serial);

    bool m_video;
    InputPin* m_input = nullptr;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_atEnd = false;
    std::vector<int> m_codes;
    std::vector<REFERENCE_TIME> m_times;
    int64_t m_audioSamples = 0;
};

}  // namespace mediatest
