#pragma once
// Clips: a span of consecutive recordings written into one MP4, either copied packet for packet
// (lossless) or decoded, laid out, overlaid and encoded again (rendered). The player and
// recording-info are two front ends of this one exporter. The file is written under a short
// temporary name beside the target and renamed only when complete; a failure or a cancel
// leaves nothing behind and says why.

#include <QByteArray>
#include <QElapsedTimer>
#include <QMetaType>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace platform::media {

// Copy is lossless; the others decode both cameras and encode one H.264 picture at the front
// camera's size.
enum class ClipLayout { Copy, Front, SideBySide, PictureInPicture };
enum class ClipCorner { TopLeft, TopRight, BottomLeft, BottomRight };

// A position in a request's recordings: which one (index into ClipRequest::recordings) and ms
// from its start.
struct ClipPoint {
    int recording = 0;
    int64_t ms = 0;
};

// Burned-in text shown from a position on, until the next cue's position.
struct ClipOverlayCue {
    ClipPoint at;
    QStringList lines;
};

// Rewrites one telemetry sample's text (its lines joined by '\n'); an empty result drops the
// sample. Called on the export's thread, so it may use nothing but its argument.
using TelemetryRewrite = std::function<QByteArray(const QByteArray& sampleText)>;

inline constexpr char kDefaultClipPreset[] = "superfast";
// Encoder settings of rendered clips (also what the benchmark gives the ffmpeg program).
inline constexpr int kClipCrf = 23;
inline constexpr int kClipKeyFrameSeconds = 2;
inline constexpr int kClipAudioBitRate = 128000;

struct ClipRequest {
    QStringList recordings;  // consecutive recordings of one camera, in order
    ClipPoint from;
    ClipPoint to;    // after from; the clip ends before it
    QString target;  // the MP4 to write; an existing file is replaced once the clip is complete
    ClipLayout layout = ClipLayout::Copy;
    ClipCorner corner = ClipCorner::BottomRight;  // of the rear picture in PictureInPicture
    std::vector<ClipOverlayCue> overlay;          // rendered layouts only; in order; empty: none
    TelemetryRewrite telemetry;                   // null: samples kept as they are
    bool withoutLocation = false;  // no tag of the recordings is copied (they may hold a place)
    QString preset;                // H.264 encoder preset; empty: kDefaultClipPreset
};

enum class ClipStatus {
    Done,
    Cancelled,
    BadRequest,    // the span or the recordings do not make a clip
    SourceFailed,  // a recording cannot be read, or its card was removed
    TargetFailed,  // the target cannot be written, or its folder is gone
    DiskFull,      // the target's medium took no more
    Unsupported,   // an encoder is missing or the recordings differ in format
    Failed,
};

struct ClipOutcome {
    ClipStatus status = ClipStatus::Failed;
    QString reason;  // one line for the user; empty when Done
};

struct ClipProgress {
    double fraction = 0.0;  // of the span written, 0..1
    int64_t elapsedMs = 0;
    int64_t remainingMs = -1;  // estimate; -1 until one can be made
};

// The cancel flag and the progress of one export, shared by its thread and its caller. Any
// thread may call every function.
class ClipExportControl {
public:
    ClipExportControl() { m_timer.start(); }
    void Cancel() { m_cancelled = true; }
    bool Cancelled() const { return m_cancelled; }
    // The flag itself, for cutting blocking reads short.
    const std::atomic<bool>* CancelFlag() const { return &m_cancelled; }
    ClipProgress Progress() const;
    // The export's thread: done of total units of the span.
    void Report(int64_t done, int64_t total);

private:
    std::atomic<bool> m_cancelled{false};
    std::atomic<int64_t> m_done{0};
    std::atomic<int64_t> m_total{0};
    QElapsedTimer m_timer;
};

// Writes the clip on the calling thread (a tool's, a test's or ClipExport's worker).
ClipOutcome ExportClip(const ClipRequest& request, ClipExportControl& control);

// One export at a time on a worker thread of its own, for a window: started and polled from the
// thread that owns the object (the GUI thread); Finished arrives there too, by a queued call.
class ClipExport : public QObject {
    Q_OBJECT

public:
    explicit ClipExport(QObject* parent = nullptr);
    ~ClipExport() override;  // cancels a running export and waits for its thread

    // False (and nothing started) while an export runs.
    bool Start(ClipRequest request);
    void Cancel();
    bool IsRunning() const { return m_running; }
    ClipProgress Progress() const;
    // Of the last export that finished.
    const ClipOutcome& Outcome() const { return m_outcome; }

signals:
    void Finished(const platform::media::ClipOutcome& outcome);

private:
    void OnWorkerDone(const ClipOutcome& outcome);

    std::unique_ptr<ClipExportControl> m_control;
    std::thread m_worker;
    bool m_running = false;
    ClipOutcome m_outcome;
};

// The libavfilter graph that lays out a rendered clip: inputs [f] (front) and [r] (rear), output
// [out], yuv420p at the front's size. Also given to the ffmpeg program by the benchmark.
QString ClipFilterGraph(ClipLayout layout, ClipCorner corner, QSize front, QSize rear);

// The cue on show at a position: the last one at or before it; null before the first.
const ClipOverlayCue* ClipOverlayCueAt(const std::vector<ClipOverlayCue>& cues, ClipPoint at);

}  // namespace platform::media

Q_DECLARE_METATYPE(platform::media::ClipOutcome)
