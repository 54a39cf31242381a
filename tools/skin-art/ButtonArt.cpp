#include "tools/skin-art/ButtonArt.h"

#include "tools/skin-art/Palette.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace skinart {
namespace {

struct StateLook {
    QColor plate;  // transparent = no plate
    QColor ink;    // glyph and label
    int dy = 0;    // pushed states sink by a pixel
    bool checked = false;
};

QColor WithAlpha(QColor c, int alpha) {
    c.setAlpha(alpha);
    return c;
}

StateLook GhostLook(ButtonState s, bool danger) {
    const QColor white(255, 255, 255);
    switch (s) {
        case ButtonState::Normal:
            return {Qt::transparent, kGlyph};
        case ButtonState::Hover:
            return {danger ? kDanger : WithAlpha(white, 26), kGlyphHot};
        case ButtonState::Pushed:
            return {danger ? kDanger.darker(125) : WithAlpha(white, 46), kGlyphHot, 1};
        case ButtonState::Disabled:
            return {Qt::transparent, kGlyphOff};
        case ButtonState::Checked:
            return {WithAlpha(kAccent, 56), kAccentHot, 0, true};
        case ButtonState::Hover2:
            return {WithAlpha(kAccent, 92), kGlyphHot, 0, true};
        case ButtonState::Pushed2:
            return {WithAlpha(kAccent, 128), kGlyphHot, 1, true};
    }
    return {};
}

StateLook PrimaryLook(ButtonState s) {
    switch (s) {
        case ButtonState::Normal:
            return {kAccent, Qt::white};
        case ButtonState::Hover:
            return {kAccentHot, Qt::white};
        case ButtonState::Pushed:
            return {kAccentDeep, Qt::white, 1};
        case ButtonState::Disabled:
            return {kBorder, kGlyphOff};
        case ButtonState::Checked:
            return {kAccent, Qt::white, 0, true};
        case ButtonState::Hover2:
            return {kAccentHot, Qt::white, 0, true};
        case ButtonState::Pushed2:
            return {kAccentDeep, Qt::white, 1, true};
    }
    return {};
}

StateLook PlateLook(ButtonState s) {
    const QColor white(255, 255, 255);
    switch (s) {
        case ButtonState::Normal:
            return {WithAlpha(white, 12), kGlyph};
        case ButtonState::Hover:
            return {WithAlpha(white, 28), kGlyphHot};
        case ButtonState::Pushed:
            return {WithAlpha(white, 48), kGlyphHot, 1};
        case ButtonState::Disabled:
            return {WithAlpha(white, 5), kGlyphOff};
        case ButtonState::Checked:
            return {WithAlpha(kAccent, 52), kAccentHot, 0, true};
        case ButtonState::Hover2:
            return {WithAlpha(kAccent, 84), kGlyphHot, 0, true};
        case ButtonState::Pushed2:
            return {WithAlpha(kAccent, 120), kGlyphHot, 1, true};
    }
    return {};
}

StateLook AccentLook(ButtonState s) {
    switch (s) {
        case ButtonState::Normal:
            return {kAccentDeep, Qt::white};
        case ButtonState::Hover:
            return {kAccent, Qt::white};
        case ButtonState::Pushed:
            return {QColor(44, 104, 150), Qt::white, 1};
        case ButtonState::Disabled:
            return {QColor(255, 255, 255, 8), kGlyphOff};
        default:
            return PlateLook(s);
    }
}

StateLook LookFor(ButtonLook look, ButtonState s) {
    switch (look) {
        case ButtonLook::Ghost:
            return GhostLook(s, false);
        case ButtonLook::Danger:
            return GhostLook(s, true);
        case ButtonLook::Primary:
            return PrimaryLook(s);
        case ButtonLook::Tab:
        case ButtonLook::Segment:
            return PlateLook(s);
        case ButtonLook::Accent:
            return AccentLook(s);
    }
    return {};
}

QFont LabelFont() {
    QFont font(QStringLiteral("NanumGothic"));
    font.setPixelSize(12);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void DrawPlate(QPainter& p, const ButtonDesign& design, const QRectF& frame,
               const StateLook& look) {
    if (look.plate.alpha() == 0)
        return;
    QPainterPath plate;
    if (design.look == ButtonLook::Primary) {
        const double d = std::min(frame.width(), frame.height()) - 4;
        plate.addEllipse(frame.center(), d / 2, d / 2);
    } else {
        plate.addRoundedRect(frame.adjusted(1, 1, -1, -1), 6, 6);
    }
    p.fillPath(plate, look.plate);
    if (design.look == ButtonLook::Tab && look.checked) {
        p.fillRect(QRectF(frame.left() + 10, frame.bottom() - 3, frame.width() - 20, 2), kAccent);
    }
}

void DrawContent(QPainter& p, const ButtonDesign& design, const QRectF& frame, ButtonState s,
                 const StateLook& look) {
    const bool checkedState =
        s == ButtonState::Checked || s == ButtonState::Hover2 || s == ButtonState::Pushed2;
    const std::optional<Glyph> glyph =
        checkedState && design.checkedGlyph ? design.checkedGlyph : design.glyph;
    const QRectF inner = frame.translated(0, look.dy);
    const double g = design.glyphSize;
    if (design.label.isEmpty()) {
        if (glyph) {
            const QRectF box(inner.center().x() - g / 2, inner.center().y() - g / 2, g, g);
            DrawGlyph(p, *glyph, box, look.ink);
        }
        return;
    }
    p.setFont(LabelFont());
    const QFontMetricsF metrics(p.font());
    const double textWidth = metrics.horizontalAdvance(design.label);
    const double gap = glyph ? 6 : 0;
    const double total = (glyph ? g : 0) + gap + textWidth;
    double x = std::round(inner.center().x() - total / 2);
    if (glyph) {
        DrawGlyph(p, *glyph, QRectF(x, std::round(inner.center().y() - g / 2), g, g), look.ink);
        x += g + gap;
    }
    p.setPen(look.ink);
    p.drawText(QRectF(x, inner.top(), textWidth + 2, inner.height()),
               Qt::AlignLeft | Qt::AlignVCenter, design.label);
}

}  // namespace

QImage DrawButtonStrip(const ButtonDesign& design) {
    const int frames = design.check ? kCheckFrames : kPushFrames;
    QImage strip(design.frame.width() * frames, design.frame.height(),
                 QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    for (int i = 0; i < frames; ++i) {
        const auto s = static_cast<ButtonState>(i);
        const StateLook look = LookFor(design.look, s);
        const QRectF frame(i * design.frame.width(), 0, design.frame.width(),
                           design.frame.height());
        p.save();
        p.setClipRect(frame);
        DrawPlate(p, design, frame, look);
        DrawContent(p, design, frame, s, look);
        p.restore();
    }
    return strip;
}

QImage DrawFaceStrip(bool primary) {
    constexpr int kFace = 24;
    QImage strip(kFace * kPushFrames, kFace, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor plain[] = {{50, 57, 68}, {63, 71, 84}, {40, 46, 55}, {34, 38, 46}};
    const QColor accent[] = {kAccentDeep, kAccent, QColor(44, 104, 150), {34, 38, 46}};
    for (int i = 0; i < kPushFrames; ++i) {
        QPainterPath face;
        face.addRoundedRect(QRectF(i * kFace + 0.5, 0.5, kFace - 1, kFace - 1), 6, 6);
        p.fillPath(face, primary ? accent[i] : plain[i]);
        p.strokePath(face, QPen(QColor(255, 255, 255, i == 3 ? 8 : 22), 1));
    }
    return strip;
}

QImage DrawToggleFaceStrip() {
    constexpr int kFace = 24;
    QImage strip(kFace * kCheckFrames, kFace, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, true);
    // Unchecked: normal, hover, pushed, disabled; checked: the accent, its hover and pushed.
    const QColor faces[] = {{40, 46, 55}, {52, 59, 70}, {34, 39, 47},  {30, 34, 41},
                            kAccentDeep,  kAccent,      {44, 104, 150}};
    for (int i = 0; i < kCheckFrames; ++i) {
        QPainterPath face;
        face.addRoundedRect(QRectF(i * kFace + 0.5, 0.5, kFace - 1, kFace - 1), 5, 5);
        p.fillPath(face, faces[i]);
        p.strokePath(face, QPen(QColor(255, 255, 255, i == 3 ? 8 : 22), 1));
    }
    return strip;
}

}  // namespace skinart
