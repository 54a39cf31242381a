#include "platform/media/AudioConverter.h"

#include "platform/media/AudioOutput.h"
#include "platform/media/Log.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <QByteArray>

#include <cstring>

namespace platform::media {

AudioConverter::~AudioConverter() {
    Reset();
}

void AudioConverter::Reset() {
    m_input = nullptr;
    m_output = nullptr;
    m_graph.reset();
    av_channel_layout_uninit(&m_layout);
    m_sampleRate = 0;
    m_format = -1;
    m_rate = 0.0;
}

bool AudioConverter::Configure(const AVFrame* frame, double rate) {
    Reset();
    const AvFilterApi* filter = AvFilter();
    if (filter == nullptr) {
        return false;
    }
    m_graph.reset(filter->graphAlloc());
    if (!m_graph) {
        return false;
    }
    AVChannelLayout layout{};
    if (frame->ch_layout.nb_channels > 0 && frame->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_copy(&layout, &frame->ch_layout);
    } else {
        av_channel_layout_default(&layout, std::max(1, frame->ch_layout.nb_channels));
    }
    char layoutName[128] = {};
    av_channel_layout_describe(&layout, layoutName, sizeof layoutName);
    const QByteArray source =
        QStringLiteral("time_base=1/%1:sample_rate=%1:sample_fmt=%2:channel_layout=%3")
            .arg(frame->sample_rate)
            .arg(QString::fromLatin1(
                av_get_sample_fmt_name(static_cast<AVSampleFormat>(frame->format))))
            .arg(QString::fromLatin1(layoutName))
            .toLatin1();
    const QByteArray chain =
        QStringLiteral("atempo=%1,aformat=sample_fmts=s16:sample_rates=%2:channel_layouts=stereo")
            .arg(rate, 0, 'f', 4)
            .arg(AudioOutput::kSampleRate)
            .toLatin1();
    FilterInOutPtr outputs(filter->inOutAlloc());
    FilterInOutPtr inputs(filter->inOutAlloc());
    bool ok = outputs && inputs &&
              filter->createFilter(&m_input, filter->getByName("abuffer"), "in", source.constData(),
                                   nullptr, m_graph.get()) >= 0 &&
              filter->createFilter(&m_output, filter->getByName("abuffersink"), "out", nullptr,
                                   nullptr, m_graph.get()) >= 0;
    if (ok) {
        outputs->name = av_strdup("in");
        outputs->filter_ctx = m_input;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = m_output;
        // Parsing takes the lists over and hands back what it did not use.
        AVFilterInOut* inputList = inputs.release();
        AVFilterInOut* outputList = outputs.release();
        ok = filter->parse(m_graph.get(), chain.constData(), &inputList, &outputList, nullptr) >= 0;
        inputs.reset(inputList);
        outputs.reset(outputList);
        ok = ok && filter->config(m_graph.get(), nullptr) >= 0;
    }
    if (!ok) {
        qCWarning(lcMedia) << "no sound conversion from" << source << "through" << chain;
        av_channel_layout_uninit(&layout);
        Reset();
        return false;
    }
    m_layout = layout;
    m_sampleRate = frame->sample_rate;
    m_format = frame->format;
    m_rate = rate;
    return true;
}

bool AudioConverter::Convert(const AVFrame* frame, double rate, std::vector<int16_t>* out) {
    const bool same = m_graph && m_sampleRate == frame->sample_rate && m_format == frame->format &&
                      m_rate == rate && m_layout.nb_channels == frame->ch_layout.nb_channels;
    if (!same && !Configure(frame, rate)) {
        return false;
    }
    const FramePtr copy(av_frame_clone(frame));
    if (!copy) {
        return false;
    }
    // The chain keeps no time of its own: the renderer tracks times per input frame.
    copy->pts = AV_NOPTS_VALUE;
    const AvFilterApi* filter = AvFilter();  // loaded: the graph was made with it
    if (filter->addFrame(m_input, copy.get(), AV_BUFFERSRC_FLAG_KEEP_REF) < 0) {
        return false;
    }
    const FramePtr converted(av_frame_alloc());
    while (converted && filter->getFrame(m_output, converted.get()) >= 0) {
        const auto* samples = reinterpret_cast<const int16_t*>(converted->data[0]);
        out->insert(out->end(), samples,
                    samples + static_cast<size_t>(converted->nb_samples) * AudioOutput::kChannels);
        av_frame_unref(converted.get());
    }
    return true;
}

}  // namespace platform::media
