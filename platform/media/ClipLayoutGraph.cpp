#include "platform/media/ClipLayoutGraph.h"

#include "platform/media/ClipExporter.h"

#include <algorithm>

namespace platform::media {

namespace {

constexpr int kInsetDivisor = 3;  // the rear inset is a third of the picture's width
constexpr int kInsetBorder = 2;   // pixels of white around the inset
constexpr const char* kScaleFlags = "bilinear";

// Sizes and offsets of 4:2:0 pictures are even.
int Even(int value) {
    return value & ~1;
}
int EvenDown(int value) {
    return std::max(2, Even(value));
}

// The largest even size of the picture's shape inside the box.
QSize Fit(QSize picture, QSize box) {
    if (picture.width() <= 0 || picture.height() <= 0) {
        return box;
    }
    const int64_t byWidth = static_cast<int64_t>(box.width()) * picture.height() / picture.width();
    if (byWidth <= box.height()) {
        return {EvenDown(box.width()), EvenDown(static_cast<int>(byWidth))};
    }
    const int64_t byHeight =
        static_cast<int64_t>(box.height()) * picture.width() / picture.height();
    return {EvenDown(static_cast<int>(byHeight)), EvenDown(box.height())};
}

QString Scale(QSize size) {
    return QStringLiteral("scale=%1:%2:flags=%3")
        .arg(size.width())
        .arg(size.height())
        .arg(QLatin1String(kScaleFlags));
}

QString Overlay(int x, int y) {
    return QStringLiteral("[bg][in]overlay=%1:%2,format=yuv420p[out]").arg(x).arg(y);
}

}  // namespace

QString ClipFilterGraph(ClipLayout layout, ClipCorner corner, QSize front, QSize rear) {
    const int width = front.width();
    const int height = front.height();
    switch (layout) {
        case ClipLayout::SideBySide: {
            // Each camera fills half the width, centred in its half.
            const QSize half(EvenDown(width / 2), height);
            const QSize left = Fit(front, half);
            const QSize right = Fit(rear, half);
            return QStringLiteral("[f]%1,pad=%2:%3:%4:%5:black[bg];[r]%6[in];")
                       .arg(Scale(left))
                       .arg(width)
                       .arg(height)
                       .arg(Even((half.width() - left.width()) / 2))
                       .arg(Even((height - left.height()) / 2))
                       .arg(Scale(right)) +
                   Overlay(half.width() + Even((half.width() - right.width()) / 2),
                           Even((height - right.height()) / 2));
        }
        case ClipLayout::PictureInPicture: {
            const QSize inset =
                Fit(rear, {EvenDown(width / kInsetDivisor), EvenDown(height / kInsetDivisor)});
            const int framed = inset.width() + 2 * kInsetBorder;
            const int framedHeight = inset.height() + 2 * kInsetBorder;
            const int margin = EvenDown(width / 40);
            const bool left = corner == ClipCorner::TopLeft || corner == ClipCorner::BottomLeft;
            const bool top = corner == ClipCorner::TopLeft || corner == ClipCorner::TopRight;
            const int x = left ? margin : width - margin - framed;
            const int y = top ? margin : height - margin - framedHeight;
            return QStringLiteral("[f]null[bg];[r]%1,pad=%2:%3:%4:%4:white[in];")
                       .arg(Scale(inset))
                       .arg(framed)
                       .arg(framedHeight)
                       .arg(kInsetBorder) +
                   Overlay(x, y);
        }
        case ClipLayout::Front:
        case ClipLayout::Copy:
            break;
    }
    return QStringLiteral("[f]format=yuv420p[out]");
}

bool ClipLayoutGraph::Open(const QString& description, const AVCodecParameters* front,
                           const AVCodecParameters* rear, QString* error) {
    const AvFilterApi* api = AvFilter();
    if (api == nullptr) {
        *error = QStringLiteral("the filter library (libavfilter) cannot be loaded");
        return false;
    }
    m_graph.reset(api->graphAlloc());
    if (!m_graph) {
        *error = QStringLiteral("out of memory");
        return false;
    }
    FilterInOutPtr outputs;
    const AVCodecParameters* inputs[2] = {front, rear};
    const char* names[2] = {"f", "r"};
    for (int i = 0; i < 2; ++i) {
        if (inputs[i] == nullptr) {
            continue;
        }
        const AVPixelFormat format = inputs[i]->format != AV_PIX_FMT_NONE
                                         ? static_cast<AVPixelFormat>(inputs[i]->format)
                                         : AV_PIX_FMT_YUV420P;
        const QByteArray arguments =
            QStringLiteral("video_size=%1x%2:pix_fmt=%3:time_base=%4/%5:pixel_aspect=1/1")
                .arg(inputs[i]->width)
                .arg(inputs[i]->height)
                .arg(static_cast<int>(format))
                .arg(kClipTimeBase.num)
                .arg(kClipTimeBase.den)
                .toLatin1();
        if (api->createFilter(&m_sources[i], api->getByName("buffer"), names[i],
                              arguments.constData(), nullptr, m_graph.get()) < 0) {
            *error = QStringLiteral("cannot set up the layout's input");
            return false;
        }
        AVFilterInOut* link = api->inOutAlloc();
        if (link == nullptr) {
            *error = QStringLiteral("out of memory");
            return false;
        }
        link->name = av_strdup(names[i]);
        link->filter_ctx = m_sources[i];
        link->pad_idx = 0;
        link->next = outputs.release();
        outputs.reset(link);
    }
    if (api->createFilter(&m_sink, api->getByName("buffersink"), "out", nullptr, nullptr,
                          m_graph.get()) < 0) {
        *error = QStringLiteral("cannot set up the layout's output");
        return false;
    }
    FilterInOutPtr sinkLink(api->inOutAlloc());
    if (!sinkLink) {
        *error = QStringLiteral("out of memory");
        return false;
    }
    sinkLink->name = av_strdup("out");
    sinkLink->filter_ctx = m_sink;
    sinkLink->pad_idx = 0;
    sinkLink->next = nullptr;
    AVFilterInOut* open = sinkLink.release();
    AVFilterInOut* unlinked = outputs.release();
    int code =
        api->parse(m_graph.get(), description.toLatin1().constData(), &open, &unlinked, nullptr);
    FilterInOutPtr openLeft(open);
    FilterInOutPtr unlinkedLeft(unlinked);
    if (code >= 0) {
        code = api->config(m_graph.get(), nullptr);
    }
    if (code < 0) {
        *error = QStringLiteral("the layout does not build: %1").arg(AvErrorText(code));
        return false;
    }
    return true;
}

bool ClipLayoutGraph::Push(Input input, AVFrame* frame) {
    AVFilterContext* source = m_sources[input];
    return source != nullptr &&
           AvFilter()->addFrame(source, frame, frame != nullptr ? AV_BUFFERSRC_FLAG_KEEP_REF : 0) >=
               0;
}

bool ClipLayoutGraph::Pull(AVFrame* frame, bool* ended) {
    const int code = AvFilter()->getFrame(m_sink, frame);
    *ended = code == AVERROR_EOF;
    return code >= 0;
}

}  // namespace platform::media
