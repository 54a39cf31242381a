// bench/trip: a trip of consecutive recordings played through the playback session into
// offscreen views at 1x and 2x. Per boundary between two recordings: the time from the
// appearance of the last picture of one to that of the first of the next (told apart by their
// frame codes, read back from what the front view painted), and the longest silence the sound
// server's monitor heard around it. The references, measured in the same run: the same two
// figures within the recordings, and at the boundaries of the same trip played with each
// recording opened only at the end of the one before (as before recordings were cued).
//
// trip-bench [CARD_FOLDER]
// Without CARD_FOLDER a card of three consecutive 4 s recordings (30 fps, frame codes, a 1 kHz
// tone) is made with make-sample-card; a given card's recordings must carry frame codes. Needs
// the sound server of scripts/start-services.sh. The last line reads "max boundary gap: V ms
// video, A ms sound, frame interval F ms". Exit 1 when a target is missed, 2 when the bench
// cannot measure.

#include "platform/media/GraphInterfaces.h"
#include "platform/media/MediaSample.h"
#include "player/shell/PlaybackSession.h"
#include "tools/make-sample-card/FrameCode.h"

#include <QApplication>
#include <QBackingStore>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

using namespace platform::media;
using namespace player;

namespace {

constexpr int kSoundRate = 48000;
constexpr int kBlockSamples = kSoundRate / 1000;  // silence is judged per millisecond
constexpr double kSilentShare = 0.1;              // of the played sound's median level
constexpr double kSoundTargetMs = 50.0;
constexpr qint64 kNsPerMs = 1000000;
// Around a boundary's first picture, where its sound gap is looked for (the device's latency
// puts the sound after the picture).
constexpr qint64 kSoundBeforeMs = 400;
constexpr qint64 kSoundAfterMs = 800;
// The last recording plays this long (of real time) before the run ends.
constexpr int kPlayOnMs = 1500;
constexpr char kMonitor[] = "roadplayer_null.monitor";
constexpr char kDefaultPulseRuntime[] = "/tmp/roadplayer-pulse";

// The session's window, reduced to a list of rows and the playback tick.
class TripHost final : public CPlaybackSession::Host {
public:
    explicit TripHost(QStringList rows) : m_rows(std::move(rows)) { m_tick.setInterval(100); }
    void Attach(CPlaybackSession* session) {
        QObject::connect(&m_tick, &QTimer::timeout, [this, session] {
            QElapsedTimer timer;
            timer.start();
            session->Tick();
            longestTickMs =
                std::max(longestTickMs, static_cast<double>(timer.nsecsElapsed()) / 1e6);
        });
    }
    int32_t RowCount() const override { return static_cast<int32_t>(m_rows.size()); }
    QString RowPath(int32_t row) const override { return m_rows.value(row); }
    void SelectRow(int32_t /*row*/) override {}
    void ScrollToRow(int32_t /*row*/) override {}
    void ArmTick() override { m_tick.start(); }
    void KillTick() override { m_tick.stop(); }
    void ShowOpened(const QString& /*path*/) override {}
    void ShowRefused() override { ++refused; }
    void ShowClosed() override {}
    bool PlaysOnFromOpen(int32_t /*row*/) const override { return cue; }

    bool cue = true;  // false: each recording is opened at the end of the one before
    int refused = 0;
    // The longest tick: where the next recording is cued, or takes over.
    double longestTickMs = 0;

private:
    QStringList m_rows;
    QTimer m_tick;
};

struct PaintRecord {
    qint64 ns = 0;
    int code = -1;  // the frame code the view showed; -1: no picture
};

// Notes every paint of the view and, right after it, the frame code the paint left in the
// window's backing store.
class PaintWatcher final : public QObject {
public:
    PaintWatcher(QWidget* view, const QElapsedTimer& clock) : m_view(view), m_clock(clock) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_view && event->type() == QEvent::Paint) {
            Settle();
            m_pendingNs = m_clock.nsecsElapsed();
            // Read once the paint is done: before it the area holds the parent's background.
            QMetaObject::invokeMethod(
                this, [this] { Settle(); }, Qt::QueuedConnection);
        }
        return false;
    }
    void Settle() {
        if (m_pendingNs >= 0) {
            paints.push_back({m_pendingNs, CodeShown()});
            m_pendingNs = -1;
        }
    }
    bool CanRead() const { return Store() != nullptr; }

    std::vector<PaintRecord> paints;

private:
    const QImage* Store() const {
        QBackingStore* store = m_view->window()->backingStore();
        QPaintDevice* device = store != nullptr ? store->paintDevice() : nullptr;
        return device != nullptr && device->devType() == QInternal::Image
                   ? static_cast<const QImage*>(device)
                   : nullptr;
    }
    int CodeShown() const {
        const QImage* image = Store();
        if (image == nullptr) {
            return -1;
        }
        const QRect area(m_view->mapTo(m_view->window(), QPoint(0, 0)), m_view->size());
        return DecodeFrameCode(image->copy(area));
    }

    QWidget* m_view;
    const QElapsedTimer& m_clock;
    qint64 m_pendingNs = -1;
};

// The null sink's monitor, recorded with the time each block arrived.
class SoundMonitor {
public:
    explicit SoundMonitor(const QElapsedTimer& clock) : m_clock(clock) {
        QObject::connect(&m_parec, &QProcess::readyReadStandardOutput, [this] { Read(); });
    }
    ~SoundMonitor() {
        m_parec.kill();
        m_parec.waitForFinished(2000);
    }
    bool Start() {
        m_parec.start(QStringLiteral("parec"), {"-d", kMonitor, "--format=s16le", "--rate=48000",
                                                "--channels=1", "--raw", "--latency-msec=10"});
        return m_parec.waitForStarted(5000);
    }
    // The longest run of silence, in ms, heard between two times of the clock.
    double LongestSilenceMs(qint64 fromNs, qint64 toNs, double level) const {
        int longest = 0;
        int run = 0;
        for (size_t block = 0; (block + 1) * kBlockSamples <= m_samples.size(); ++block) {
            const qint64 at = TimeOf(block * kBlockSamples);
            if (at < fromNs || at > toNs) {
                continue;
            }
            run = BlockLevel(block) < level * kSilentShare ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        return longest;
    }
    // The median level of the sound heard between two times (blocks of silence included).
    double MedianLevel(qint64 fromNs, qint64 toNs) const {
        std::vector<double> levels;
        for (size_t block = 0; (block + 1) * kBlockSamples <= m_samples.size(); ++block) {
            const qint64 at = TimeOf(block * kBlockSamples);
            if (at >= fromNs && at <= toNs) {
                levels.push_back(BlockLevel(block));
            }
        }
        if (levels.empty()) {
            return 0;
        }
        std::nth_element(levels.begin(), levels.begin() + levels.size() / 2, levels.end());
        return levels[levels.size() / 2];
    }

private:
    void Read() {
        const QByteArray bytes = m_parec.readAllStandardOutput();
        m_pending.append(bytes);
        const qsizetype whole = m_pending.size() / 2;
        const size_t before = m_samples.size();
        m_samples.resize(before + static_cast<size_t>(whole));
        std::memcpy(m_samples.data() + before, m_pending.constData(),
                    static_cast<size_t>(whole) * 2);
        m_pending.remove(0, whole * 2);
        m_marks.push_back({m_clock.nsecsElapsed(), m_samples.size()});
    }
    // When a sample was heard: the arrival of its block, less the samples after it.
    qint64 TimeOf(size_t sample) const {
        const auto mark = std::lower_bound(
            m_marks.begin(), m_marks.end(), sample,
            [](const std::pair<qint64, size_t>& m, size_t s) { return m.second <= s; });
        if (mark == m_marks.end()) {
            return m_clock.nsecsElapsed();
        }
        return mark->first - static_cast<qint64>(mark->second - sample) * 1000000000LL / kSoundRate;
    }
    double BlockLevel(size_t block) const {
        double sum = 0;
        for (size_t i = block * kBlockSamples; i < (block + 1) * kBlockSamples; ++i) {
            sum += static_cast<double>(m_samples[i]) * m_samples[i];
        }
        return std::sqrt(sum / kBlockSamples);
    }

    const QElapsedTimer& m_clock;
    QProcess m_parec;
    QByteArray m_pending;
    std::vector<int16_t> m_samples;
    std::vector<std::pair<qint64, size_t>> m_marks;  // arrival time, samples received by then
};

struct Boundary {
    qint64 lastNs = 0;   // the last picture of one recording appeared
    qint64 firstNs = 0;  // the first picture of the next appeared
    int lastCode = -1;
    int firstCode = -1;
    int blankPaints = 0;
    double soundGapMs = 0;
};

struct RunFigures {
    std::vector<Boundary> boundaries;
    std::vector<double> intervalsMs;  // between pictures within a recording
    double silenceWithinMs = 0;
};

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Boundaries are where the frame code falls back: the next recording counts from 0 again.
RunFigures ReadPaints(const std::vector<PaintRecord>& paints, qint64 fromNs, qint64 toNs) {
    RunFigures figures;
    const PaintRecord* shown = nullptr;  // the last new picture
    int blanks = 0;
    for (const PaintRecord& paint : paints) {
        if (paint.ns < fromNs || paint.ns > toNs) {
            continue;
        }
        if (paint.code < 0) {
            blanks += shown != nullptr ? 1 : 0;
            continue;
        }
        if (shown != nullptr && paint.code == shown->code) {
            continue;  // the same picture painted again
        }
        if (shown != nullptr && paint.code < shown->code) {
            figures.boundaries.push_back(
                {shown->ns, paint.ns, shown->code, paint.code, blanks, 0.0});
        } else if (shown != nullptr) {
            figures.intervalsMs.push_back(static_cast<double>(paint.ns - shown->ns) / kNsPerMs);
        }
        blanks = 0;
        shown = &paint;
    }
    return figures;
}

bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QElapsedTimer timer;
    timer.start();
    QTimer check;
    check.setInterval(10);
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done() || timer.elapsed() > timeoutMs) {
            loop.quit();
        }
    });
    check.start();
    loop.exec();
    return done();
}

// The frame interval of the open recording's front camera, in ms; 0 when unknown.
double FrameIntervalMs(const CPlaybackSession& session) {
    const CPlayGraph* graph = session.Graph();
    IBaseFilter* source = graph != nullptr ? graph->Source() : nullptr;
    IPin* raw = nullptr;
    if (source == nullptr || FAILED(source->FindPin(QStringLiteral("Video 1"), &raw))) {
        return 0;
    }
    const auto pin = ComPtr<IPin>::Attach(raw);
    MediaType type;
    if (FAILED(pin->ConnectionMediaType(&type)) || !type.format ||
        type.format->frameRate.num <= 0) {
        return 0;
    }
    return 1000.0 * type.format->frameRate.den / type.format->frameRate.num;
}

QStringList MakeCard(const QString& folder) {
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(
        QStringLiteral(ROADPLAYER_TOOLS_DIR "/make-sample-card"),
        {folder,   "--categories", "normal",      "--count", "normal=3", "--length",    "4",
         "--size", "640x360",      "--rear-size", "320x180", "--fps",    "30",          "--cameras",
         "2",      "--audio",      "aac",         "--tone",  "1000",     "--frame-code"});
    if (!tool.waitForFinished(600000) || tool.exitCode() != 0) {
        return {};
    }
    return {folder + "/NORMAL"};
}

// The recordings of a card's normal folder (or of the folder itself), in list order.
QStringList Recordings(const QString& card) {
    QDir dir(card);
    if (dir.exists(QStringLiteral("NORMAL"))) {
        dir.cd(QStringLiteral("NORMAL"));
    }
    QStringList rows;
    for (const QString& name :
         dir.entryList({"*.mp4", "*.mkv", "*.avi"}, QDir::Files, QDir::Name)) {
        rows << dir.filePath(name);
    }
    return rows;
}

struct Bench {
    QElapsedTimer clock;
    QWidget window;
    QWidget* front = nullptr;
    QWidget* rear = nullptr;
};

// Plays the rows from the first to a second into the last at the given rate: false when the
// session did not get there.
bool PlayTrip(CPlaybackSession& session, const TripHost& host, int rows, float rate) {
    if (!session.OpenRow(0, CPlaybackSession::RowOpening::Play)) {
        return false;
    }
    if (rate != 1.0f) {
        session.Player().SetRate(rate);
    }
    const int lastRow = rows - 1;
    const bool arrived = RunUntil(
        [&] {
            return host.refused > 0 ||
                   (session.CurrentRow() == lastRow && session.Graph() != nullptr &&
                    session.Graph()->GetPositionMs() >= kPlayOnMs * rate);
        },
        (rows * 90000) / static_cast<int>(rate));
    session.Close(CPlaybackSession::CloseReason::Stop);
    return arrived && host.refused == 0;
}

// The paint jitter of the run: how much longer than usual the slowest pictures within the
// recordings came (99th percentile less median interval).
double PaintJitterMs(const RunFigures& run) {
    std::vector<double> sorted = run.intervalsMs;
    std::sort(sorted.begin(), sorted.end());
    return sorted.empty() ? 0 : std::max(0.0, sorted[sorted.size() * 99 / 100] - Median(sorted));
}

void Report(QTextStream& out, const char* label, const RunFigures& run, double intervalMs) {
    for (size_t i = 0; i < run.boundaries.size(); ++i) {
        const Boundary& b = run.boundaries[i];
        out << label << " boundary " << i + 1 << ": video "
            << QString::number(static_cast<double>(b.firstNs - b.lastNs) / kNsPerMs, 'f', 1)
            << " ms (frame " << b.lastCode << " to frame " << b.firstCode << ", " << b.blankPaints
            << " blank paints), sound gap " << QString::number(b.soundGapMs, 'f', 0) << " ms\n";
    }
    std::vector<double> sorted = run.intervalsMs;
    std::sort(sorted.begin(), sorted.end());
    const double p99 = sorted.empty() ? 0 : sorted[sorted.size() * 99 / 100];
    out << label << " within recordings: picture interval median "
        << QString::number(Median(run.intervalsMs), 'f', 1) << " ms, 99th percentile "
        << QString::number(p99, 'f', 1) << " ms, longest "
        << QString::number(sorted.empty() ? 0 : sorted.back(), 'f', 1) << " ms (paint jitter "
        << QString::number(PaintJitterMs(run), 'f', 1) << " ms, frame interval "
        << QString::number(intervalMs, 'f', 1) << " ms); longest silence "
        << QString::number(run.silenceWithinMs, 'f', 0) << " ms\n";
    out.flush();
}

// Sound gaps around each boundary, and the longest silence well inside the recordings.
void MeasureSound(const SoundMonitor& monitor, RunFigures& run, qint64 fromNs, qint64 toNs) {
    const double level = monitor.MedianLevel(fromNs, toNs);
    qint64 quietFrom = fromNs + 500 * kNsPerMs;  // the device starts
    for (Boundary& b : run.boundaries) {
        b.soundGapMs = monitor.LongestSilenceMs(b.firstNs - kSoundBeforeMs * kNsPerMs,
                                                b.firstNs + kSoundAfterMs * kNsPerMs, level);
        run.silenceWithinMs = std::max(
            run.silenceWithinMs,
            monitor.LongestSilenceMs(quietFrom, b.firstNs - kSoundBeforeMs * kNsPerMs, level));
        quietFrom = b.firstNs + kSoundAfterMs * kNsPerMs;
    }
    run.silenceWithinMs =
        std::max(run.silenceWithinMs,
                 monitor.LongestSilenceMs(quietFrom, toNs - kSoundBeforeMs * kNsPerMs, level));
}

struct Measure {
    CPlaybackSession& session;
    TripHost& host;
    PaintWatcher& watcher;
    const SoundMonitor& monitor;
    const QElapsedTimer& clock;
    QTextStream& out;
    double intervalMs;
    int rows;
};

struct TripResult {
    bool measured = false;
    bool met = true;
    double maxVideoMs = 0;
    double maxSoundMs = 0;
};

// Plays the trip at 1x and at 2x, reports every boundary and judges them against the targets.
TripResult PlayRates(const Measure& m, const QString& prefix) {
    TripResult result;
    for (const float rate : {1.0f, 2.0f}) {
        const qint64 fromNs = m.clock.nsecsElapsed();
        if (!PlayTrip(m.session, m.host, m.rows, rate)) {
            m.out << "the trip did not play through at " << rate << "x\n";
            return result;
        }
        const qint64 toNs = m.clock.nsecsElapsed();
        RunUntil([] { return false; }, 300);  // the sound still on its way is recorded
        m.watcher.Settle();
        RunFigures run = ReadPaints(m.watcher.paints, fromNs, toNs);
        if (!m.watcher.CanRead() || run.boundaries.size() != static_cast<size_t>(m.rows - 1)) {
            m.out << "found " << run.boundaries.size() << " of " << m.rows - 1 << " boundaries at "
                  << rate
                  << "x: do the recordings carry frame codes (make-sample-card --frame-code)?\n";
            return result;
        }
        MeasureSound(m.monitor, run, fromNs, toNs);
        const QString label =
            (prefix.isEmpty() ? QString() : prefix + ' ') + QString::number(rate, 'f', 0) + "x";
        Report(m.out, qPrintable(label), run, m.intervalMs);
        m.out << label
              << " longest playback tick (the next recording cued, opened or taking "
                 "over): "
              << QString::number(m.host.longestTickMs, 'f', 1) << " ms\n";
        m.host.longestTickMs = 0;
        // A picture that follows on time comes one frame interval after the last, give or
        // take the paint jitter every picture has.
        const double limitMs = m.intervalMs * (rate == 1.0f ? 1 : 2) + PaintJitterMs(run);
        for (const Boundary& b : run.boundaries) {
            const double videoMs = static_cast<double>(b.firstNs - b.lastNs) / kNsPerMs;
            result.maxVideoMs = std::max(result.maxVideoMs, videoMs);
            result.maxSoundMs = std::max(result.maxSoundMs, b.soundGapMs);
            result.met = result.met && videoMs <= limitMs && b.soundGapMs <= kSoundTargetMs;
        }
    }
    result.measured = true;
    return result;
}

// The summary; its last line is the one scripts read.
void ReportTrip(QTextStream& out, const TripResult& before, const TripResult& cued,
                double intervalMs) {
    out << "before (each recording opened at the end): max boundary gap: "
        << std::lround(before.maxVideoMs) << " ms video, " << std::lround(before.maxSoundMs)
        << " ms sound\n";
    out << "targets: video at most one frame interval at 1x and two at 2x (each with the paint "
           "jitter within the recordings), sound at most "
        << kSoundTargetMs << " ms: " << (cued.met ? "met" : "MISSED") << '\n';
    out << "max boundary gap: " << std::lround(cued.maxVideoMs) << " ms video, "
        << std::lround(cued.maxSoundMs) << " ms sound, frame interval " << std::lround(intervalMs)
        << " ms\n";
}

// Offscreen views, the sound server of start-services.sh and a registry of its own, unless
// the caller chose others.
void SetUpEnvironment(const QTemporaryDir& work) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("PULSE_RUNTIME_PATH")) {
        qputenv("PULSE_RUNTIME_PATH", kDefaultPulseRuntime);
    }
    qunsetenv("ROADPLAYER_AUDIO_DEVICE");
    if (qEnvironmentVariableIsEmpty("ROADPLAYER_REGISTRY_DIR")) {
        qputenv("ROADPLAYER_REGISTRY_DIR", (work.path() + "/registry").toUtf8());
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir work;
    SetUpEnvironment(work);
    QApplication application(argc, argv);
    QTextStream out(stdout);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 2 || (arguments.size() == 2 && arguments[1].startsWith('-'))) {
        out << "usage: trip-bench [CARD_FOLDER]\n";
        return 2;
    }
    QString card = arguments.value(1);
    if (card.isEmpty()) {
        out << "making a card of three consecutive 4 s recordings (640x360 + 320x180, 30 fps, "
               "frame codes, 1 kHz tone)...\n";
        out.flush();
        card = MakeCard(work.path() + "/card").value(0);
    }
    const QStringList rows = Recordings(card);
    if (rows.size() < 3) {
        out << "a trip needs at least three recordings; found " << rows.size() << " in " << card
            << '\n';
        return 2;
    }

    Bench bench;
    bench.clock.start();
    bench.front = new QWidget(&bench.window);
    bench.rear = new QWidget(&bench.window);
    bench.front->setGeometry(0, 0, 640, 360);
    bench.rear->setGeometry(640, 0, 320, 180);
    bench.window.resize(960, 360);
    bench.window.show();
    PaintWatcher watcher(bench.front, bench.clock);
    application.installEventFilter(&watcher);
    SoundMonitor monitor(bench.clock);
    if (!monitor.Start()) {
        out << "no sound monitor (parec): start the sound server with scripts/start-services.sh\n";
        return 2;
    }

    TripHost host(rows);
    CPlaybackSession session(host);
    host.Attach(&session);
    session.Player().AttachViews(bench.front, bench.rear);
    session.Player().CheckComponents();

    out << "card: " << card << " (" << rows.size() << " recordings)\n";
    session.OpenRecording(rows[0]);
    const double intervalMs = FrameIntervalMs(session);
    session.Close(CPlaybackSession::CloseReason::Stop);
    Measure measure{session,     host, watcher,    monitor,
                    bench.clock, out,  intervalMs, static_cast<int>(rows.size())};
    host.cue = false;
    const TripResult before = PlayRates(measure, "before");
    host.cue = true;
    const TripResult cued = PlayRates(measure, "");
    if (!before.measured || !cued.measured) {
        return 2;
    }
    ReportTrip(out, before, cued, intervalMs);
    return cued.met ? 0 : 1;
}
