#pragma once
// Fixtures for the media engine's tests: recordings made with make-sample-card at test time,
// remuxed variants, and a sink filter that collects decoded pictures by their frame codes.

#include "platform/media/ComponentRegistry.h"
#include "platform/media/FilterBase.h"
#include "platform/media/GraphInterfaces.h"

#include <QString>
#include <QTemporaryDir>

#include <condition_variable>
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

// Writes a one-recording card into dir and returns the recording's path ("" on failure).
QString MakeClip(const QTemporaryDir& dir, const ClipOptions& options);

// Copies the chosen streams of a recording into a new file (stream copy, same container).
bool Remux(const QString& from, const QString& to, const std::vector<int>& streams);

// A QApplication for tests that paint or queue calls to widgets.
void EnsureApplication();

ComPtr<IPin> PinByName(IBaseFilter* filter, const QString& name);
int CountPins(IBaseFilter* filter, PIN_DIRECTION direction, const QString& containing);

// The frame number drawn into an 8-bit luma plane, or -1.
int FrameCodeOfLuma(const uint8_t* plane, int stride, int width, int height);

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
