#include "platform/media/AudioRenderer.h"

#include "platform/media/ComponentRegistry.h"
#include "platform/media/Log.h"
#include "platform/system/WaveOutVolume.h"

#include <algorithm>
#include <cmath>

namespace platform::media {

namespace {
constexpr size_t kSampleQueue = 64;
constexpr char kInputPinName[] = "Audio Input pin (rendered)";
constexpr LONG kSilentVolume = -10000;
// Sound is prepared this long before its time on top of the device's own latency.
constexpr double kPrepareAheadSeconds = 0.1;

double Attenuation(LONG hundredthsOfDb) {
    return hundredthsOfDb <= kSilentVolume ? 0.0 : std::pow(10.0, hundredthsOfDb / 2000.0);
}
}  // namespace

AudioRenderer::AudioRenderer() : FilterBase(CLSID_DSoundRender) {
    m_input =
        AddInputPin(QString::fromLatin1(kInputPinName), kSampleQueue, [](const MediaType& type) {
            return type.majortype == MEDIATYPE_Audio && type.subtype == MEDIASUBTYPE_PCM &&
                   type.format;
        });
}

AudioRenderer::~AudioRenderer() {
    RequestStop();
    JoinStreaming();
}

HRESULT AudioRenderer::QueryExtra(const IID& iid, void** object) {
    if (iid != IRendererStats::kIid) {
        return E_NOINTERFACE;
    }
    *object = static_cast<IRendererStats*>(this);
    AddRef();
    return S_OK;
}

HRESULT AudioRenderer::GetRendererStats(RendererStats* stats) {
    if (stats == nullptr) {
        return E_POINTER;
    }
    std::lock_guard lock(m_mutex);
    *stats = m_stats;
    if (m_heardKnown) {
        // The time being heard now, not when the last block was written (up to a block ago).
        stats->lastSampleTime = m_clock->Now();
    }
    return S_OK;
}

HRESULT AudioRenderer::StartStreaming(int serial) {
    JoinStreaming();
    const MediaType type = m_input->ConnectedType();
    if (!type.format) {
        return S_OK;
    }
    if (!type.format->decoded) {
        const AVCodec* codec = avcodec_find_decoder(type.format->codec->codec_id);
        CodecContextPtr context(avcodec_alloc_context3(codec));
        if (codec == nullptr || !context ||
            avcodec_parameters_to_context(context.get(), type.format->codec.get()) < 0 ||
            avcodec_open2(context.get(), codec, nullptr) < 0) {
            qCWarning(lcMedia) << "the sound of" << avcodec_get_name(type.format->codec->codec_id)
                               << "cannot be read";
            return E_FAIL;
        }
        m_pcm = std::move(context);
    }
    m_thread = std::thread([this, serial] { RenderLoop(serial); });
    return S_OK;
}

void AudioRenderer::JoinStreaming() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_pcm.reset();
}

std::vector<FramePtr> AudioRenderer::Decode(MediaSample& sample) {
    std::vector<FramePtr> frames;
    if (sample.frame) {
        frames.push_back(std::move(sample.frame));
        return frames;
    }
    if (!m_pcm || !sample.packet) {
        return frames;
    }
    if (const int sent = avcodec_send_packet(m_pcm.get(), sample.packet.get()); sent < 0) {
        qCWarning(lcMedia) << "sound at" << ToMilliseconds(sample.start)
                           << "ms skipped:" << AvErrorText(sent);
        return frames;
    }
    for (;;) {
        FramePtr frame(av_frame_alloc());
        if (!frame || avcodec_receive_frame(m_pcm.get(), frame.get()) < 0) {
            return frames;
        }
        frames.push_back(std::move(frame));
    }
}

void AudioRenderer::ApplyVolume(std::vector<int16_t>* samples) const {
    const uint32_t wave = platform::GetWaveOutVolume();
    const LONG balance = m_clock->balance;
    const double volume = Attenuation(m_clock->volume);
    const double left =
        volume * (wave & 0xFFFF) / 65535.0 * (balance > 0 ? Attenuation(-balance) : 1.0);
    const double right =
        volume * (wave >> 16) / 65535.0 * (balance < 0 ? Attenuation(balance) : 1.0);
    if (left == 1.0 && right == 1.0) {
        return;
    }
    for (size_t i = 0; i + 1 < samples->size(); i += 2) {
        (*samples)[i] = static_cast<int16_t>(std::lround((*samples)[i] * left));
        (*samples)[i + 1] = static_cast<int16_t>(std::lround((*samples)[i + 1] * right));
    }
}

bool AudioRenderer::Play(const AVFrame* frame, REFERENCE_TIME start, int serial) {
    const double rate = m_clock->Rate();
    const bool device = m_output != nullptr;
    const double aheadSeconds = device ? m_output->LatencySeconds() + kPrepareAheadSeconds : 0.0;
    const REFERENCE_TIME ahead = FromSeconds(aheadSeconds * rate);
    switch (m_clock->WaitUntil(start - ahead, serial, false)) {
        case GraphClock::WaitResult::Aborted:
            return false;
        case GraphClock::WaitResult::Stale:
            return true;
        default:
            break;
    }
    std::vector<int16_t> samples;
    if (device && m_converter.Convert(frame, rate, &samples) && !samples.empty()) {
        ApplyVolume(&samples);
    }
    std::lock_guard lock(m_mutex);
    if (!samples.empty()) {
        m_output->Write(std::move(samples), start + m_writeOffset, rate, this);
    }
    ++m_stats.framesRendered;
    m_stats.deviceActive = device;
    m_stats.lastSampleTime = device ? m_output->HeardTime() : start;
    m_heardKnown = m_stats.lastSampleTime >= 0 && device;
    return true;
}

void AudioRenderer::FollowGraph(const std::shared_ptr<AudioOutput>& device, REFERENCE_TIME offset) {
    std::lock_guard lock(m_mutex);
    m_shared = device;
    m_writeOffset = device ? offset : 0;
}

void AudioRenderer::TakeOver() {
    std::lock_guard lock(m_mutex);
    if (m_shared) {
        m_shared->Rebind(m_clock, m_writeOffset);
    }
    m_shared.reset();
    m_writeOffset = 0;
}

std::shared_ptr<AudioOutput> AudioRenderer::SoundDevice() const {
    std::lock_guard lock(m_mutex);
    return m_output;
}

void AudioRenderer::RenderLoop(int serial) {
    std::shared_ptr<AudioOutput> output;
    {
        std::lock_guard lock(m_mutex);
        output = m_shared;
    }
    if (!output) {
        // The device opens (and closes) on this thread: that takes a while.
        output = std::make_shared<AudioOutput>(m_clock);
        if (!output->Open()) {
            qCInfo(lcMedia) << "no sound device: the sound plays silently on the clock";
            output.reset();
        }
    }
    {
        std::lock_guard lock(m_mutex);
        m_output = std::move(output);
        m_stats.deviceActive = m_output != nullptr;
    }
    bool ready = false;
    while (SamplePtr sample = m_input->Queue().Get()) {
        if (sample->serial != serial) {
            serial = sample->serial;
            ready = false;
            {
                std::lock_guard lock(m_mutex);
                m_heardKnown = false;
            }
            m_converter.Reset();
            if (m_output) {
                m_output->Clear(this);
            }
            if (m_pcm) {
                avcodec_flush_buffers(m_pcm.get());
            }
        }
        if (!ready) {
            ready = true;
            m_clock->RendererReady(serial);
        }
        if (sample->kind == MediaSample::Kind::EndOfStream) {
            continue;
        }
        REFERENCE_TIME start = sample->start;
        bool alive = true;
        for (FramePtr& frame : Decode(*sample)) {
            const REFERENCE_TIME duration =
                frame->sample_rate > 0
                    ? av_rescale(frame->nb_samples, kUnitsPerSecond, frame->sample_rate)
                    : 0;
            if (start + duration > m_clock->SegmentStart()) {
                alive = Play(frame.get(), start, serial);
            }
            start += duration;
            if (!alive) {
                break;
            }
        }
        if (!alive) {
            break;
        }
    }
    std::shared_ptr<AudioOutput> device;
    {
        std::lock_guard lock(m_mutex);
        device = std::move(m_output);
        m_heardKnown = false;
    }
    // A device another graph plays on through stays open; the last one out closes it.
    if (device) {
        device->Withdraw(this);
    }
}

}  // namespace platform::media
