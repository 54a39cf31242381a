#include "platform/media/ClipOverlay.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace platform::media {

namespace {

constexpr int kLinesPerPicture = 24;  // text height: a 24th of the picture's
constexpr int kMinTextPixels = 8;
constexpr QRgb kBoxColour = qRgba(0, 0, 0, 150);

// BT.601 limited range, as the cameras' pictures are coded.
uint8_t Luma(QRgb c) {
    return static_cast<uint8_t>((66 * qRed(c) + 129 * qGreen(c) + 25 * qBlue(c) + 128) / 256 + 16);
}
uint8_t ChromaU(int r, int g, int b) {
    return static_cast<uint8_t>((-38 * r - 74 * g + 112 * b + 128) / 256 + 128);
}
uint8_t ChromaV(int r, int g, int b) {
    return static_cast<uint8_t>((112 * r - 94 * g - 18 * b + 128) / 256 + 128);
}

// Index of a pixel in a plane of the given width.
size_t At(int x, int y, int width) {
    return static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
}

uint8_t Blend(uint8_t over, uint8_t under, uint8_t alpha) {
    return static_cast<uint8_t>((over * alpha + under * (255 - alpha) + 127) / 255);
}

}  // namespace

ClipOverlay::ClipOverlay(const std::vector<ClipOverlayCue>& cues, QSize picture, bool right)
    : m_cues(cues), m_picture(picture), m_right(right) {}

QPoint ClipOverlay::Origin(QSize picture, int width, bool right) {
    const int margin = std::max(2, picture.height() / 40) & ~1;
    return {right ? std::max(0, picture.width() - margin - width) & ~1 : margin, margin};
}

QImage ClipOverlay::Render(const QStringList& lines, QSize picture) {
    QFont font;
    font.setPixelSize(std::max(kMinTextPixels, picture.height() / kLinesPerPicture));
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int pad = std::max(2, metrics.height() / 4);
    int width = 0;
    for (const QString& line : lines) {
        width = std::max(width, metrics.horizontalAdvance(line));
    }
    const QPoint origin = Origin(picture, 0, false);
    // Even, and inside the picture.
    const int boxWidth = std::min(width + 2 * pad, picture.width() - 2 * origin.x()) & ~1;
    const int boxHeight = std::min(static_cast<int>(lines.size()) * metrics.height() + 2 * pad,
                                   picture.height() - 2 * origin.y()) &
                          ~1;
    QImage box(std::max(2, boxWidth), std::max(2, boxHeight), QImage::Format_ARGB32);
    box.fill(kBoxColour);
    QPainter painter(&box);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (int i = 0; i < lines.size(); ++i) {
        painter.drawText(pad, pad + i * metrics.height() + metrics.ascent(), lines[i]);
    }
    return box;
}

void ClipOverlay::Prepare(const ClipOverlayCue* cue) {
    m_prepared = cue;
    m_empty = cue == nullptr || cue->lines.isEmpty();
    if (m_empty) {
        return;
    }
    const QImage box = Render(cue->lines, m_picture).convertToFormat(QImage::Format_ARGB32);
    m_width = box.width();
    m_height = box.height();
    m_y.resize(At(0, m_height, m_width));
    m_alpha.resize(m_y.size());
    const size_t half = At(0, m_height / 2, m_width / 2);
    m_u.resize(half);
    m_v.resize(half);
    m_alphaC.resize(half);
    for (int y = 0; y < m_height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(box.constScanLine(y));
        for (int x = 0; x < m_width; ++x) {
            m_y[At(x, y, m_width)] = Luma(row[x]);
            m_alpha[At(x, y, m_width)] = static_cast<uint8_t>(qAlpha(row[x]));
        }
    }
    for (int y = 0; y < m_height / 2; ++y) {
        for (int x = 0; x < m_width / 2; ++x) {
            int r = 0;
            int g = 0;
            int b = 0;
            int a = 0;
            for (const QPoint d : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)}) {
                const QRgb c = box.pixel(2 * x + d.x(), 2 * y + d.y());
                r += qRed(c);
                g += qGreen(c);
                b += qBlue(c);
                a += qAlpha(c);
            }
            const size_t at = At(x, y, m_width / 2);
            m_u[at] = ChromaU(r / 4, g / 4, b / 4);
            m_v[at] = ChromaV(r / 4, g / 4, b / 4);
            m_alphaC[at] = static_cast<uint8_t>(a / 4);
        }
    }
}

void ClipOverlay::Draw(AVFrame* frame, ClipPoint at) {
    const ClipOverlayCue* cue = ClipOverlayCueAt(m_cues, at);
    if (cue != m_prepared) {
        Prepare(cue);
    }
    if (m_empty) {
        return;
    }
    const QPoint origin = Origin(m_picture, m_width, m_right);
    const int width = std::min(m_width, frame->width - origin.x());
    const int height = std::min(m_height, frame->height - origin.y());
    for (int y = 0; y < height; ++y) {
        uint8_t* row = frame->data[0] +
                       static_cast<ptrdiff_t>(origin.y() + y) * frame->linesize[0] + origin.x();
        const uint8_t* over = &m_y[At(0, y, m_width)];
        const uint8_t* alpha = &m_alpha[At(0, y, m_width)];
        for (int x = 0; x < width; ++x) {
            row[x] = Blend(over[x], row[x], alpha[x]);
        }
    }
    for (int plane = 1; plane <= 2; ++plane) {
        const std::vector<uint8_t>& chroma = plane == 1 ? m_u : m_v;
        for (int y = 0; y < height / 2; ++y) {
            uint8_t* row = frame->data[plane] +
                           static_cast<ptrdiff_t>(origin.y() / 2 + y) * frame->linesize[plane] +
                           origin.x() / 2;
            const size_t first = At(0, y, m_width / 2);
            for (int x = 0; x < width / 2; ++x) {
                row[x] = Blend(chroma[first + static_cast<size_t>(x)], row[x],
                               m_alphaC[first + static_cast<size_t>(x)]);
            }
        }
    }
}

}  // namespace platform::media
