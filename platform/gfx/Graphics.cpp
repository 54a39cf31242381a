#include "platform/gfx/Graphics.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace platform::gfx {

namespace {

int Scale(int channel, float factor) {
    return std::clamp(static_cast<int>(std::lround(static_cast<float>(channel) * factor)), 0, 255);
}

}  // namespace

ImageAttributes ImageAttributes::FromArgb(uint32_t argb) {
    ImageAttributes attributes;
    attributes.alpha = static_cast<float>((argb >> 24) & 0xFFu) / 255.0F;
    attributes.red = static_cast<float>((argb >> 16) & 0xFFu) / 255.0F;
    attributes.green = static_cast<float>((argb >> 8) & 0xFFu) / 255.0F;
    attributes.blue = static_cast<float>(argb & 0xFFu) / 255.0F;
    return attributes;
}

QImage ApplyImageAttributes(const QImage& picture, const ImageAttributes& attributes) {
    if (picture.isNull()) {
        return {};
    }
    QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const bool identity = attributes.red == 1.0F && attributes.green == 1.0F &&
                          attributes.blue == 1.0F && attributes.alpha == 1.0F;
    if (!identity || attributes.colourKeyRgb) {
        const uint32_t key = attributes.colourKeyRgb.value_or(0) & 0xFFFFFFu;
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = row[x];
                if (attributes.colourKeyRgb && (pixel & 0xFFFFFFu) == key) {
                    row[x] = 0;
                    continue;
                }
                if (!identity) {
                    row[x] = qRgba(Scale(qRed(pixel), attributes.red),
                                   Scale(qGreen(pixel), attributes.green),
                                   Scale(qBlue(pixel), attributes.blue),
                                   Scale(qAlpha(pixel), attributes.alpha));
                }
            }
        }
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void DrawImage(Dc& dc, const QImage& picture, const QRect& dest, const QRect& src) {
    if (dc.IsNull() || picture.isNull() || dest.width() < 1 || dest.height() < 1 ||
        src.width() < 1 || src.height() < 1) {
        return;
    }
    QPainter painter(&dc.Bitmap());
    painter.drawImage(dest, picture, src);
}

void FillRectangle(Dc& dc, const QRect& rect, uint32_t argb) {
    if (dc.IsNull() || rect.width() < 1 || rect.height() < 1) {
        return;
    }
    QPainter painter(&dc.Bitmap());
    painter.fillRect(rect, QColor::fromRgba(argb));
}

}  // namespace platform::gfx
