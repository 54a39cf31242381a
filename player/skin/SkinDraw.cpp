#include "player/skin/SkinDraw.h"

#include "platform/gfx/Blit.h"
#include "platform/gfx/DrawText.h"
#include "platform/gfx/Graphics.h"
#include "player/skin/SkinImage.h"
#include "player/skin/SkinText.h"
#include "player/skin/StyleWords.h"

#include <QPainter>

#include <algorithm>

namespace player {

namespace gfx = platform::gfx;

namespace {

// Keeps rectangles of far-off skin coordinates inside what QRect can hold.
constexpr int64_t kCoordinateLimit = int64_t{1} << 28;

QRect SafeRect(int64_t x, int64_t y, int64_t w, int64_t h) {
    const auto fits = [](int64_t v) { return v > -kCoordinateLimit && v < kCoordinateLimit; };
    if (!fits(x) || !fits(y) || !fits(w) || !fits(h) || w < 1 || h < 1) {
        return {};
    }
    return QRect(static_cast<int>(x), static_cast<int>(y), static_cast<int>(w),
                 static_cast<int>(h));
}

int32_t Wrap(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

// Tiles of the whole source rectangle at natural size from the top-left corner, cut at the
// right and bottom edges. A tile larger than the surface shows only its top-left part, so only
// that part is cut out of the picture; the brush then repeats it at the tile pitch.
void DrawPattern(gfx::Dc& dc, const QImage& picture, const SkinRect& src, int w, int h) {
    if (src.w < 1 || src.h < 1) {
        return;
    }
    const QRect visible = SafeRect(src.x, src.y, std::min(src.w, w), std::min(src.h, h));
    if (visible.isNull()) {
        return;
    }
    QImage tile(visible.size(), QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::transparent);
    {
        QPainter painter(&tile);
        painter.drawImage(QPoint(0, 0), picture, visible);
    }
    QPainter painter(&dc.Bitmap());
    painter.fillRect(QRect(0, 0, w, h), QBrush(tile));
}

// Nine-slice: corners keep their size, edges and centre stretch the single row, column or
// pixel next to the corners.
void DrawButtonFace(gfx::Dc& dc, const QImage& picture, const SkinRect& src, int w, int h) {
    const int64_t u = std::min<int64_t>(w, src.w) / 2;
    const int64_t v = std::min<int64_t>(h, src.h) / 2;
    const int64_t sx = src.x;
    const int64_t sy = src.y;
    const int64_t sr = int64_t{src.x} + src.w;  // source right and bottom edges
    const int64_t sb = int64_t{src.y} + src.h;
    const struct {
        QRect dest;
        QRect source;
    } draws[] = {
        {SafeRect(0, 0, u, v), SafeRect(sx, sy, u, v)},
        {SafeRect(w - u, 0, u, v), SafeRect(sr - u, sy, u, v)},
        {SafeRect(0, h - v, u, v), SafeRect(sx, sb - v, u, v)},
        {SafeRect(w - u, h - v, u, v), SafeRect(sr - u, sb - v, u, v)},
        {SafeRect(u, 0, w - 2 * u, v), SafeRect(sx + u, sy, 1, v)},
        {SafeRect(0, v, u, h - 2 * v), SafeRect(sx, sy + v, u, 1)},
        {SafeRect(u, v, w - 2 * u, h - 2 * v), SafeRect(sx + u, sy + v, 1, 1)},
        {SafeRect(w - u, v, u, h - 2 * v), SafeRect(sr - u, sy + v, u, 1)},
        {SafeRect(u, h - v, w - 2 * u, v), SafeRect(sx + u, sb - v, 1, v)},
    };
    for (const auto& draw : draws) {
        gfx::DrawImage(dc, picture, draw.dest, draw.source);
    }
}

void DrawPicture(gfx::Dc& dc, const SkinImage& image, bool deferKey, int w, int h) {
    if (dc.IsNull()) {
        return;
    }
    const ImageSpec& desc = image.Desc();
    const QImage& picture = *image.Picture();
    gfx::ImageAttributes attributes = gfx::ImageAttributes::FromArgb(desc.colour);
    if (!deferKey && desc.colourKeyEnabled) {
        attributes.colourKeyRgb = desc.colourKey & 0xFFFFFFu;
    }
    const QImage prepared = gfx::ApplyImageAttributes(picture, attributes);
    SkinRect src = desc.source;
    if (src.w == kFullExtent) {
        src.w = picture.width();
    }
    if (src.h == kFullExtent) {
        src.h = picture.height();
    }
    switch (static_cast<DrawMode>(desc.drawMode)) {
        case DrawMode::Stretch:
            gfx::DrawImage(dc, prepared, QRect(0, 0, w, h), SafeRect(src.x, src.y, src.w, src.h));
            break;
        case DrawMode::Pattern:
            DrawPattern(dc, prepared, src, w, h);
            break;
        case DrawMode::ButtonFace:
            DrawButtonFace(dc, prepared, src, w, h);
            break;
        default:
            break;  // an unknown mode draws nothing
    }
}

}  // namespace

void RenderImage(SkinImage& image, const gfx::Dc* target, const gfx::Rect& parent,
                 const gfx::Dc* background, bool deferKey) {
    if (target == nullptr || image.IsRendered()) {
        return;
    }
    const SkinRect r =
        ResolveRect(image.Desc().dest, parent.Width(), parent.Height(), image.Desc().anchorFlags);
    if (!image.Rendering().IsNull()) {
        image.SetRendered();
        return;
    }
    gfx::Dc surface = target->CreateCompatible(r.w, r.h);
    if (background != nullptr) {
        gfx::BitBlt(surface, 0, 0, r.w, r.h, *background, r.x, r.y);
    }
    if (image.Picture() != nullptr) {
        // Only a picture can carry the key colour; a fill keeps the flag as it was.
        image.SetDeferredKey(deferKey);
        DrawPicture(surface, image, deferKey, r.w, r.h);
    } else {
        gfx::FillRectangle(surface, QRect(0, 0, r.w, r.h), image.Desc().colour);
    }
    image.Rendering() = std::move(surface);
    image.SetRendered();
}

void BlitImage(const gfx::Rect& parent, const SkinImage& image, gfx::Dc* target,
               const std::optional<SkinRect>& dest, const std::optional<SkinRect>& src) {
    if (!image.IsRendered() || target == nullptr) {
        return;
    }
    const ImageSpec& desc = image.Desc();
    const SkinRect r = ResolveRect(desc.dest, parent.Width(), parent.Height(), desc.anchorFlags);
    const SkinRect to = dest.value_or(r);
    const SkinRect from = src.value_or(SkinRect{0, 0, r.w, r.h});
    if (image.DeferredKey() && desc.colourKeyEnabled) {
        gfx::TransparentBlt(*target, to.x, to.y, to.w, to.h, image.Rendering(), from.x, from.y,
                            from.w, from.h, gfx::ColorRefFromArgb(desc.colourKey));
    } else if (dest || src) {
        gfx::StretchBlt(*target, to.x, to.y, to.w, to.h, image.Rendering(), from.x, from.y, from.w,
                        from.h);
    } else {
        gfx::BitBlt(*target, r.x, r.y, r.w, r.h, image.Rendering(), 0, 0);
    }
}

void DrawBackdrop(gfx::Dc& target, const gfx::Rect& client, const gfx::Dc& backgroundCopy,
                  const std::vector<std::unique_ptr<SkinImage>>& images) {
    gfx::BitBlt(target, 0, 0, client.Width(), client.Height(), backgroundCopy, 0, 0);
    for (const auto& image : images) {
        RenderImage(*image, &target, client, nullptr, false);
        BlitImage(client, *image, &target);
    }
}

bool DrawSkinText(const gfx::Rect& box, SkinText& text, gfx::Dc* dc) {
    if (dc == nullptr) {
        return false;
    }
    const TextSpec& desc = text.Desc();
    if (desc.text.isEmpty()) {
        return true;
    }
    const int64_t width = desc.rect.w == kFullExtent ? box.Width() : desc.rect.w;
    const int64_t height = desc.rect.h == kFullExtent ? box.Height() : desc.rect.h;
    gfx::Rect area{desc.rect.x, desc.rect.y, Wrap(desc.rect.x + width), Wrap(desc.rect.y + height)};
    const bool wordBreak = (desc.format & kFormatWordBreak) != 0;
    QString shown = desc.text;
    shown.replace(QStringLiteral("\\r"), wordBreak ? QString() : QStringLiteral("\r"));
    shown.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    shown.replace(QStringLiteral("/n"), QStringLiteral("\n"));
    if (text.Font() == nullptr) {
        text.SetFont(CreateSkinFont(desc.format & kFormatBold, desc.fontFace, dc, desc.size,
                                    desc.format & kFormatItalic, desc.format & kFormatUnderline,
                                    desc.format & kFormatStrikeOut));
        if (text.Font() == nullptr) {
            return false;
        }
    }
    const gfx::Font* previous = dc->SelectFont(text.Font());
    gfx::Rect measured = area;
    gfx::DrawText(*dc, shown, measured,
                  gfx::kDtCalcRect | gfx::kDtNoPrefix | gfx::kDtEditControl | gfx::kDtNoClip |
                      (wordBreak ? gfx::kDtWordBreak : gfx::kDtSingleLine));
    const int64_t measuredBottom = measured.bottom;
    area.right = box.Width();
    area.bottom = box.Height();
    uint32_t format = gfx::kDtSingleLine | gfx::kDtNoPrefix | gfx::kDtEditControl;
    if (wordBreak) {
        format = gfx::kDtWordBreak | gfx::kDtNoPrefix | gfx::kDtEditControl;
    } else if (desc.format & kFormatWordEllipsis) {
        format |= gfx::kDtEndEllipsis;
    }
    if (desc.format & kFormatCenter) {
        format |= gfx::kDtCenter;
    } else if (desc.format & kFormatRight) {
        format |= gfx::kDtRight;
    }
    if (desc.format & kFormatVCenter) {
        if (wordBreak) {
            area.top = Wrap(area.top + (box.Height() - measuredBottom) / 2);
        } else {
            format |= gfx::kDtVCenter;
        }
    } else if (desc.format & kFormatBottom) {
        if (wordBreak) {
            area.top = Wrap(area.top + (box.Height() - measuredBottom));
        } else {
            format |= gfx::kDtBottom;
        }
    }
    const gfx::ColorRef previousColour = dc->SetTextColor(gfx::ColorRefFromArgb(desc.colour));
    gfx::DrawText(*dc, shown, area, format);
    dc->SetTextColor(previousColour);
    dc->SelectFont(previous);
    return true;
}

std::unique_ptr<gfx::Font> CreateSkinFont(bool bold, const QString& face, const gfx::Dc* dc,
                                          int32_t size, bool italic, bool underline,
                                          bool strikeOut) {
    if (dc == nullptr) {
        return nullptr;
    }
    gfx::LogFont logFont;
    logFont.height = Wrap(-(int64_t{size} * dc->LogPixelsY() / 72));
    logFont.weight = bold ? gfx::kFontWeightBold : gfx::kFontWeightNormal;
    logFont.italic = italic;
    logFont.underline = underline;
    logFont.strikeOut = strikeOut;
    logFont.faceName = face;
    return gfx::Font::Create(logFont);
}

}  // namespace player
