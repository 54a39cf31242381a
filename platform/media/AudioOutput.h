#pragma once
// The sound device of the audio renderer: a QAudioSink (48 kHz, stereo, 16-bit) running on a
// thread of its own in pull mode, fed from a queue of timed chunks. The device's reader keeps
// the sound on the graph clock: it drops what is already late and waits with silence for what
// is early, and plays silence while the clock stands. Any thread may call.

#include "platform/media/GraphClock.h"

#include <QIODevice>
#include <QThread>

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

class QAudioSink;

namespace platform::media {

class AudioOutput {
public:
    static constexpr int kSampleRate = 48000;
    static constexpr int kChannels = 2;

    explicit AudioOutput(std::shared_ptr<GraphClock> clock);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Opens the default output device; false when there is none (or ROADPLAYER_AUDIO_DEVICE
    // is "none"), and the renderer then runs silently on the clock.
    bool Open();
    void Close();

    // Queues interleaved stereo samples whose first one belongs at media time start; rate is
    // the playback rate they were stretched for; owner is the renderer that writes them.
    void Write(std::vector<int16_t> samples, REFERENCE_TIME start, double rate, const void* owner);
    // Drops what owner queued, and lines the sound up with the clock again (a seek).
    void Clear(const void* owner);
    // Drops what owner queued; the rest plays on undisturbed (a writer that goes).
    void Withdraw(const void* owner);
    // A graph that played on after another takes the device over: the sound is timed on its
    // clock from now on, whose time is shift less than the clock before.
    void Rebind(std::shared_ptr<GraphClock> clock, REFERENCE_TIME shift);
    // Media time of the sound coming out of the device now; -1 before any was played.
    REFERENCE_TIME HeardTime() const;
    // How far ahead of the clock the device reads, in seconds.
    double LatencySeconds() const;

private:
    class Reader;
    class Host;

    std::unique_ptr<Reader> m_reader;
    QThread m_thread;
    std::unique_ptr<Host> m_host;  // lives on m_thread, where it is made and goes
    // Taken on both sides of each blocking call to the device thread: Qt's hand-over works
    // without it, but a thread checker cannot see through Qt's own locks.
    std::mutex m_handover;
    bool m_open = false;
};

}  // namespace platform::media
