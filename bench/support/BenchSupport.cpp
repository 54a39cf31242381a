#include "bench/support/BenchSupport.h"

#include "platform/media/AvHandles.h"

#include <QStringList>

#include <cmath>
#include <cstdlib>

namespace bench {

ClipInfo DescribeClip(const QString& path) {
    ClipInfo info;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr) < 0) {
        return info;
    }
    const platform::media::FormatContextPtr context(raw);
    if (avformat_find_stream_info(context.get(), nullptr) < 0) {
        return info;
    }
    info.seconds =
        context->duration > 0 ? static_cast<double>(context->duration) / AV_TIME_BASE : 0;
    QStringList parts;
    int video = 0;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        const AVCodecParameters* codec = stream->codecpar;
        if (codec->codec_type == AVMEDIA_TYPE_VIDEO && video < 2) {
            const double fps = av_q2d(stream->avg_frame_rate);
            info.frames[video] = stream->nb_frames > 0
                                     ? static_cast<int>(stream->nb_frames)
                                     : static_cast<int>(std::lround(info.seconds * fps));
            parts << QStringLiteral("%1 %2x%3 %4 @ %5 fps")
                         .arg(video == 0 ? "front" : "rear")
                         .arg(codec->width)
                         .arg(codec->height)
                         .arg(QString::fromLatin1(avcodec_get_name(codec->codec_id)))
                         .arg(fps, 0, 'g', 4);
            ++video;
        } else if (codec->codec_type == AVMEDIA_TYPE_AUDIO) {
            parts << QStringLiteral("sound %1 %2 Hz")
                         .arg(QString::fromLatin1(avcodec_get_name(codec->codec_id)))
                         .arg(codec->sample_rate);
        }
    }
    info.description =
        QStringLiteral("%1 s; ").arg(info.seconds, 0, 'f', 1) + parts.join(QStringLiteral(", "));
    return info;
}

QString LoadAverage() {
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) != 3) {
        return QStringLiteral("unknown");
    }
    return QStringLiteral("%1 %2 %3")
        .arg(load[0], 0, 'f', 2)
        .arg(load[1], 0, 'f', 2)
        .arg(load[2], 0, 'f', 2);
}

}  // namespace bench
