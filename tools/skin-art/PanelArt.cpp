#include "tools/skin-art/PanelArt.h"

#include "tools/skin-art/Palette.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace skinart {
namespace {

QImage Canvas(int w, int h, const QColor& fill) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

QFont UiFont(int pixels, bool bold) {
    QFont font(QStringLiteral("NanumGothic"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// A rounded nine-slice piece: fill and 1 px border over the colour around it.
QImage RoundedTile(const QColor& around, const QColor& fill, const QColor& border, double radius) {
    QImage image = Canvas(24, 24, around);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(0.5, 0.5, 23, 23), radius, radius);
    p.fillPath(shape, fill);
    p.strokePath(shape, QPen(border, 1));
    return image;
}

}  // namespace

QImage DrawWindowFrame(int bandHeight) {
    const int v = bandHeight + 2;
    const int h = 2 * v + 1;
    QImage image = Canvas(32, h, kWindow);
    QPainter p(&image);
    QLinearGradient band(0, 0, 0, bandHeight);
    band.setColorAt(0, kTitle.lighter(108));
    band.setColorAt(1, kTitle);
    p.fillRect(0, 0, 32, bandHeight, band);
    p.fillRect(0, bandHeight, 32, 1, kDivider);
    p.setPen(kBorder);
    p.drawRect(0, 0, 31, h - 1);
    return image;
}

QImage DrawWell() {
    return RoundedTile(kWindow, kVideo, kBorder, 4);
}

QImage DrawPanel() {
    return RoundedTile(kWindow, kPanel, kDivider, 6);
}

QImage DrawListStripes(int rowHeight) {
    QImage image = Canvas(8, 2 * rowHeight, kPanel);
    QPainter p(&image);
    p.fillRect(0, rowHeight, 8, rowHeight, kPanelStripe);
    return image;
}

QImage DrawTopBar(int height) {
    QImage image = Canvas(4, height, kTitle);
    QPainter p(&image);
    QLinearGradient band(0, 0, 0, height);
    band.setColorAt(0, kTitle.lighter(108));
    band.setColorAt(1, kTitle);
    p.fillRect(0, 0, 4, height, band);
    p.fillRect(0, height - 1, 4, 1, kDivider);
    return image;
}

QImage DrawBottomBar(int height) {
    QImage image = Canvas(4, height, kWindow);
    QPainter p(&image);
    p.fillRect(0, 0, 4, 1, kDivider);
    return image;
}

QImage DrawSolid(const QColor& color) {
    return Canvas(8, 8, color);
}

QImage DrawIdle(int width, int height, int glyphSize, const QString& caption) {
    QImage image = Canvas(width, height, kVideo);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const QColor ink(48, 55, 66);
    const int textHeight = caption.isEmpty() ? 0 : 20;
    const double top = (height - glyphSize - textHeight) / 2.0;
    DrawGlyph(p, Glyph::Logo,
              QRectF((width - glyphSize) / 2.0, std::round(top), glyphSize, glyphSize), ink);
    if (!caption.isEmpty()) {
        p.setFont(UiFont(13, false));
        p.setPen(QColor(74, 82, 95));
        p.drawText(QRectF(0, top + glyphSize + 4, width, textHeight), Qt::AlignCenter, caption);
    }
    return image;
}

QImage DrawTitle(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const int mark = height - 4;
    QPainterPath tile;
    tile.addRoundedRect(QRectF(0.5, 2.5, mark - 1, mark - 1), 6, 6);
    QLinearGradient fill(0, 2, 0, 2 + mark);
    fill.setColorAt(0, kAccentHot);
    fill.setColorAt(1, kAccentDeep);
    p.fillPath(tile, fill);
    DrawGlyph(p, Glyph::Logo, QRectF(4, 6, mark - 8, mark - 8), Qt::white);
    p.setFont(UiFont(17, true));
    p.setPen(kGlyphHot);
    p.drawText(QRectF(mark + 10, 0, width - mark - 10, height), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("RoadPlayer"));
    return image;
}

QImage DrawGlyphTile(Glyph glyph, int size, int glyphSize, const QColor& ink,
                     const QColor& background) {
    QImage image = Canvas(size, size, background);
    QPainter p(&image);
    const double off = (size - glyphSize) / 2.0;
    DrawGlyph(p, glyph, QRectF(off, off, glyphSize, glyphSize), ink);
    return image;
}

QImage DrawMark(int size) {
    QImage image = Canvas(size, size, kWindow);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), size / 5.0, size / 5.0);
    QLinearGradient fill(0, 0, 0, size);
    fill.setColorAt(0, kAccentHot);
    fill.setColorAt(1, kAccentDeep);
    p.fillPath(tile, fill);
    const double g = size * 0.6;
    DrawGlyph(p, Glyph::Logo, QRectF((size - g) / 2, (size - g) / 2, g, g), Qt::white);
    return image;
}

QImage DrawSliderTrack(const QColor& bar, int height) {
    // 16 wide: the nine-slice keeps 8 px rounded ends and stretches the middle column.
    QImage image = Canvas(16, height, kWindow);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath shape;
    const double top = height / 2.0 - 2;
    shape.addRoundedRect(QRectF(0, top, 32, 4), 2, 2);  // right end cut by the picture
    QPainterPath mirrored;
    mirrored.addRoundedRect(QRectF(-16, top, 32, 4), 2, 2);
    p.setClipRect(QRect(0, 0, 8, height));
    p.fillPath(shape, bar);
    p.setClipRect(QRect(8, 0, 8, height));
    p.fillPath(mirrored, bar);
    p.end();
    // Everything that is still the body colour becomes the key.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 16; ++x)
            if (image.pixelColor(x, y) == kWindow)
                image.setPixelColor(x, y, kKey);
    return image;
}

QImage DrawSliderThumb(int size) {
    QImage image = Canvas(size, size, kWindow);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath disc;
    disc.addEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
    p.fillPath(disc, kThumb);
    p.strokePath(disc, QPen(QColor(0, 0, 0, 60), 1));
    p.end();
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (image.pixelColor(x, y) == kWindow)
                image.setPixelColor(x, y, kKey);
    return image;
}

QImage DrawSliderTics(int width, int height, int marginLeft, int marginRight, int steps) {
    QImage image = Canvas(width, height, kKey);
    QPainter p(&image);
    const int track = width - marginLeft - marginRight;
    for (int i = 0; i < steps; ++i) {
        const int x = marginLeft + i * track / (steps - 1);
        const bool middle = i == steps / 2;
        p.fillRect(x == width - marginRight ? x - 1 : x, height - 4, 1, middle ? 3 : 2,
                   middle ? kTextDim : kTrack.lighter(130));
    }
    return image;
}

QImage DrawTripBar(const QColor& bar, int barHeight, int height) {
    QImage image = Canvas(16, height, kKey);
    QPainter p(&image);
    p.fillRect(0, (height - barHeight) / 2, 16, barHeight, bar);
    return image;
}

QImage DrawTripCursor(int width, int height) {
    QImage image = Canvas(width, height, kWindow);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath pill;
    pill.addRoundedRect(QRectF(0.5, 0.5, width - 1, height - 1), width / 2.0, width / 2.0);
    p.fillPath(pill, kThumb);
    p.end();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (image.pixelColor(x, y) == kWindow)
                image.setPixelColor(x, y, kKey);
    return image;
}

QImage DrawGSensorGrid(const GraphBand& b) {
    QImage image = Canvas(b.width, b.height, kVideo);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const int centre = b.top + b.heigh / 2;
    const QColor faint(28, 33, 41), mid(40, 46, 56);
    // One g is 64 units, a quarter of the band.
    for (int g = -2; g <= 2; ++g) {
        const int y = centre - g * b.heigh / 4;
        p.fillRect(b.startPos, g == 2 ? y : y - (g == -2 ? 1 : 0), b.endPos - b.startPos, 1,
                   g == 0 ? mid : faint);
    }
    p.setFont(UiFont(11, false));
    p.setPen(kTextDim);
    for (int s = 0; s <= 60; s += 10) {
        const int x = b.startPos + (b.endPos - b.startPos) * s / 60;
        p.fillRect(x == b.endPos ? x - 1 : x, b.top, 1, b.heigh, s % 30 == 0 ? mid : faint);
        // The last label ends at the edge instead of being cut by it.
        const QRectF label = s == 60 ? QRectF(x - 56, b.top + b.heigh + 2, 56, 16)
                                     : QRectF(x - 30, b.top + b.heigh + 2, 60, 16);
        p.drawText(label, s == 60 ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignCenter,
                   QStringLiteral("%1 s").arg(s));
    }
    const char* labels[] = {"+2g", "+1g", "0", "-1g", "-2g"};
    for (int i = 0; i < 5; ++i) {
        const int y = b.top + i * b.heigh / 4;
        p.drawText(QRectF(0, y - 8, b.startPos - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::fromLatin1(labels[i]));
    }
    p.setPen(kBorder);
    p.drawRect(0, 0, b.width - 1, b.height - 1);
    return image;
}

QImage DrawAxisLegend(int width, int height) {
    QImage image = Canvas(width, height, kTitle);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(UiFont(12, true));
    const QColor colours[] = {kAxisX, kAxisY, kAxisZ};
    const char* names[] = {"X", "Y", "Z"};
    const int slot = width / 3;
    for (int i = 0; i < 3; ++i) {
        const int x = i * slot;
        p.fillRect(x + 4, height / 2 - 1, 14, 3, colours[i]);
        p.setPen(kGlyph);
        p.drawText(QRectF(x + 22, 0, slot - 22, height), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromLatin1(names[i]));
    }
    return image;
}

}  // namespace skinart
