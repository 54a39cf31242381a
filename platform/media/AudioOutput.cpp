#include "platform/media/AudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace platform::media {

namespace {
constexpr int kBytesPerFrame = AudioOutput::kChannels * static_cast<int>(sizeof(int16_t));
constexpr double kDeviceBufferSeconds = 0.08;
// Sound within this distance of its time plays as it is; beyond, it is cut or delayed.
constexpr REFERENCE_TIME kSyncTolerance = Units100ns(std::chrono::milliseconds(60));
// A device whose reads fall this far (in seconds of its own time) from the clock has stalled
// or raced: its sound is lined up with the clock again instead of the clock following it.
constexpr double kResyncSeconds = 0.25;
constexpr char kDeviceVariable[] = "ROADPLAYER_AUDIO_DEVICE";
constexpr int kHeardIntervalMs = 10;

struct Chunk {
    std::vector<int16_t> samples;  // interleaved stereo
    size_t offsetFrames = 0;       // already played
    REFERENCE_TIME start = 0;
    double rate = 1.0;
    const void* owner = nullptr;  // the renderer that wrote it

    size_t Frames() const { return samples.size() / AudioOutput::kChannels; }
    REFERENCE_TIME TimeAt(size_t frame) const {
        return start + FromSeconds(static_cast<double>(frame) * rate / AudioOutput::kSampleRate);
    }
};
}  // namespace

// The QIODevice the sink pulls from; the device thread calls readData.
class AudioOutput::Reader final : public QIODevice {
public:
    explicit Reader(std::shared_ptr<GraphClock> clock) : m_clock(std::move(clock)) {}

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 1 << 20; }  // an endless stream

    // In time order: a graph that plays on after another queues its sound behind the other's.
    // Where two writers' sounds meet, the later one starts on time: the earlier one's tail
    // (an encoder's padding past the recording's end) is cut there.
    void Push(Chunk chunk) {
        std::lock_guard lock(m_mutex);
        auto at = m_chunks.end();
        while (at != m_chunks.begin() && std::prev(at)->start > chunk.start) {
            --at;
        }
        at = m_chunks.insert(at, std::move(chunk));
        if (at != m_chunks.begin()) {
            CutAtMeeting(*std::prev(at), *at);
        }
        if (std::next(at) != m_chunks.end()) {
            CutAtMeeting(*at, *std::next(at));
        }
    }
    void Drop(const void* owner, bool restart) {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_chunks, [owner](const Chunk& chunk) { return chunk.owner == owner; });
        if (restart) {
            m_readEnd = -1;
            m_heard = -1;
        }
    }
    // The sound is timed on clock from now on, shift earlier than on the one before.
    void Rebind(std::shared_ptr<GraphClock> clock, REFERENCE_TIME shift) {
        std::lock_guard lock(m_mutex);
        m_clock = std::move(clock);
        for (Chunk& chunk : m_chunks) {
            chunk.start -= shift;
        }
        m_readEnd = m_readEnd >= 0 ? m_readEnd - shift : m_readEnd;
        m_heard = m_heard >= 0 ? m_heard - shift : m_heard;
    }
    REFERENCE_TIME Heard() const {
        std::shared_ptr<GraphClock> clock;
        {
            std::lock_guard lock(m_mutex);
            if (m_heard < 0) {
                return -1;
            }
            clock = m_clock;
        }
        // The raw figure jumps with each block the server takes; the clock follows it smoothed.
        return clock->Now();
    }
    // Device thread: queuedBytes still wait in the device; the clock follows what is heard.
    void UpdateHeard(qint64 queuedBytes) {
        REFERENCE_TIME heard = -1;
        std::shared_ptr<GraphClock> clock;
        {
            std::lock_guard lock(m_mutex);
            if (m_readEnd < 0) {
                return;
            }
            const double queuedSeconds =
                static_cast<double>(queuedBytes) / (kSampleRate * kBytesPerFrame);
            heard = m_readEnd - FromSeconds(queuedSeconds * m_readRate);
            m_heard = heard;
            clock = m_clock;
        }
        clock->FollowAudio(heard);
    }
    std::atomic<double> latencySeconds{kDeviceBufferSeconds};

protected:
    qint64 writeData(const char* /*data*/, qint64 /*length*/) override { return -1; }

    qint64 readData(char* data, qint64 maxBytes) override {
        const size_t frames = static_cast<size_t>(maxBytes / kBytesPerFrame);
        std::memset(data, 0, frames * kBytesPerFrame);
        std::shared_ptr<GraphClock> clock;
        bool resynced = false;
        {
            // The clock is read under the lock, so that a rebind cannot fall in between.
            std::lock_guard lock(m_mutex);
            clock = m_clock;
            if (!clock->IsTicking()) {
                m_readEnd = -1;  // the clock stands: silence, and a fresh start later
                return static_cast<qint64>(frames) * kBytesPerFrame;
            }
            resynced = Fill(reinterpret_cast<int16_t*>(data), frames, clock->Now(), clock->Rate());
        }
        if (resynced) {
            clock->RestartAudio();  // what was heard before says nothing about now
        }
        return static_cast<qint64>(frames) * kBytesPerFrame;
    }

private:
    static void CutAtMeeting(Chunk& earlier, const Chunk& later) {
        if (earlier.owner == later.owner || earlier.TimeAt(earlier.Frames()) <= later.start) {
            return;
        }
        const double seconds = ToSeconds(later.start - earlier.start) / earlier.rate;
        const auto frames = static_cast<size_t>(std::max(0.0, seconds * kSampleRate));
        earlier.samples.resize(std::max(frames, earlier.offsetFrames) * kChannels);
    }

    // Writes frames of sound from the chunks, from where the last read ended; true when that
    // was too far from the clock and the sound started over, lined up with it.
    bool Fill(int16_t* out, size_t frames, REFERENCE_TIME now, double rate) {
        // A fresh start lines the sound up with the clock, one device buffer ahead.
        const REFERENCE_TIME aligned = now + FromSeconds(latencySeconds.load() * rate);
        const bool resync =
            m_readEnd >= 0 && std::llabs(m_readEnd - aligned) > FromSeconds(kResyncSeconds * rate);
        REFERENCE_TIME want = m_readEnd >= 0 && !resync ? m_readEnd : aligned;
        const double unitsPerFrame = static_cast<double>(kUnitsPerSecond) * rate / kSampleRate;
        size_t written = 0;
        while (written < frames) {
            if (m_chunks.empty()) {
                // Nothing to play (yet): silence, while time goes on.
                want += static_cast<REFERENCE_TIME>(static_cast<double>(frames - written) *
                                                    unitsPerFrame);
                written = frames;
                break;
            }
            Chunk& chunk = m_chunks.front();
            const REFERENCE_TIME at = chunk.TimeAt(chunk.offsetFrames);
            const size_t left = chunk.Frames() - chunk.offsetFrames;
            if (at < want - kSyncTolerance) {
                const auto late =
                    static_cast<size_t>(static_cast<double>(want - at) / unitsPerFrame);
                chunk.offsetFrames += std::min(left, std::max<size_t>(late, 1));
            } else if (at > want + kSyncTolerance) {
                const auto early =
                    static_cast<size_t>(static_cast<double>(at - want) / unitsPerFrame);
                const size_t gap = std::min(frames - written, std::max<size_t>(early, 1));
                written += gap;  // silence until its time
                want += static_cast<REFERENCE_TIME>(static_cast<double>(gap) * unitsPerFrame);
            } else {
                const size_t take = std::min(left, frames - written);
                std::memcpy(out + written * kChannels,
                            chunk.samples.data() + chunk.offsetFrames * kChannels,
                            take * kBytesPerFrame);
                chunk.offsetFrames += take;
                written += take;
                want = chunk.TimeAt(chunk.offsetFrames);
            }
            if (chunk.offsetFrames >= chunk.Frames()) {
                m_chunks.pop_front();
            }
        }
        m_readEnd = want;
        m_readRate = rate;
        return resync;
    }

    mutable std::mutex m_mutex;           // taken before the clock's
    std::shared_ptr<GraphClock> m_clock;  // guarded by m_mutex
    std::deque<Chunk> m_chunks;           // guarded by m_mutex
    REFERENCE_TIME m_readEnd = -1;        // media time after the last sound handed over; guarded
    double m_readRate = 1.0;              // guarded by m_mutex
    REFERENCE_TIME m_heard = -1;          // guarded by m_mutex
};

// Owns the sink on the device thread.
class AudioOutput::Host final : public QObject {
public:
    bool Start(Reader* reader) {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            return false;
        }
        QAudioFormat format;
        format.setSampleRate(kSampleRate);
        format.setChannelCount(kChannels);
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(format)) {
            return false;
        }
        m_sink = std::make_unique<QAudioSink>(device, format);
        m_sink->setBufferSize(static_cast<qsizetype>(kDeviceBufferSeconds * kSampleRate) *
                              kBytesPerFrame);
        reader->open(QIODevice::ReadOnly);
        m_sink->start(reader);
        if (m_sink->error() != QAudio::NoError || m_sink->state() == QAudio::StoppedState) {
            m_sink.reset();
            return false;
        }
        reader->latencySeconds =
            static_cast<double>(m_sink->bufferSize()) / (kSampleRate * kBytesPerFrame);
        m_timer = std::make_unique<QTimer>();
        QObject::connect(m_timer.get(), &QTimer::timeout, this, [this, reader] {
            if (m_sink) {
                reader->UpdateHeard(
                    std::max<qint64>(0, m_sink->bufferSize() - m_sink->bytesFree()));
            }
        });
        m_timer->start(kHeardIntervalMs);
        return true;
    }
    void Stop() {
        m_timer.reset();
        if (m_sink) {
            m_sink->stop();
            m_sink.reset();
        }
    }

private:
    std::unique_ptr<QAudioSink> m_sink;
    std::unique_ptr<QTimer> m_timer;
};

AudioOutput::AudioOutput(std::shared_ptr<GraphClock> clock)
    : m_reader(std::make_unique<Reader>(std::move(clock))) {}

AudioOutput::~AudioOutput() {
    Close();
}

bool AudioOutput::Open() {
    if (m_open) {
        return true;
    }
    if (qEnvironmentVariable(kDeviceVariable) == QStringLiteral("none") ||
        QCoreApplication::instance() == nullptr) {
        return false;
    }
    m_thread.start();
    Reader* reader = m_reader.get();
    bool started = false;
    {
        std::lock_guard handover(m_handover);
        m_host = std::make_unique<Host>();  // deleted on its thread in Close
        m_host->moveToThread(&m_thread);
        reader->moveToThread(&m_thread);
    }
    QMetaObject::invokeMethod(
        m_host.get(),
        [&] {
            std::lock_guard handover(m_handover);
            started = m_host->Start(reader);
        },
        Qt::BlockingQueuedConnection);
    {
        std::lock_guard handover(m_handover);  // what the device thread did is seen from here
        m_open = true;
    }
    if (!started) {
        Close();
    }
    return started;
}

void AudioOutput::Close() {
    if (!m_open) {
        return;
    }
    Reader* reader = m_reader.get();
    QThread* caller = QThread::currentThread();
    QMetaObject::invokeMethod(
        m_host.get(),
        [this, reader, caller] {
            std::lock_guard handover(m_handover);
            m_host->Stop();
            m_host.reset();
            reader->close();
            reader->moveToThread(caller);
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    std::lock_guard handover(m_handover);  // what the device thread did is seen from here
    m_open = false;
}

void AudioOutput::Write(std::vector<int16_t> samples, REFERENCE_TIME start, double rate,
                        const void* owner) {
    m_reader->Push(Chunk{std::move(samples), 0, start, rate, owner});
}

void AudioOutput::Clear(const void* owner) {
    m_reader->Drop(owner, true);
}

void AudioOutput::Withdraw(const void* owner) {
    m_reader->Drop(owner, false);
}

void AudioOutput::Rebind(std::shared_ptr<GraphClock> clock, REFERENCE_TIME shift) {
    m_reader->Rebind(std::move(clock), shift);
}

REFERENCE_TIME AudioOutput::HeardTime() const {
    return m_reader->Heard();
}

double AudioOutput::LatencySeconds() const {
    return m_reader->latencySeconds;
}

}  // namespace platform::media
