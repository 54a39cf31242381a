#include "platform/gfx/Font.h"

#include <QFontMetricsF>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace platform::gfx {

namespace {

constexpr int kDefaultPixelHeight = 16;
// Far beyond any screen; keeps a malformed size from asking the rasteriser for huge glyphs.
constexpr int kMaxPixelHeight = 2048;

// Windows faces the skins name, mapped to metric-compatible free faces when the face itself
// is not installed (fontconfig usually knows these aliases; Qt's own matching may not).
void InstallSubstitutions() {
    static const bool done = [] {
        QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans")});
        QFont::insertSubstitutions(QStringLiteral("Times New Roman"),
                                   {QStringLiteral("Liberation Serif")});
        QFont::insertSubstitutions(QStringLiteral("Courier New"),
                                   {QStringLiteral("Liberation Mono")});
        return true;
    }();
    (void)done;
}

// A positive LOGFONT height is the cell height (ascent + descent); Qt sizes by the em.
int PixelSizeForCellHeight(const QFont& font, int cellHeight) {
    QFont probe(font);
    constexpr int kProbePixels = 100;
    probe.setPixelSize(kProbePixels);
    const QFontMetricsF metrics(probe);
    const qreal cell = metrics.ascent() + metrics.descent();
    if (cell <= 0) {
        return cellHeight;
    }
    return std::max(1, static_cast<int>(std::lround(cellHeight * kProbePixels / cell)));
}

}  // namespace

std::unique_ptr<Font> Font::Create(const LogFont& logFont) {
    InstallSubstitutions();
    LogFont kept = logFont;
    kept.faceName = logFont.faceName.left(kMaxFaceNameLength);
    QFont font;
    if (!kept.faceName.isEmpty()) {
        font.setFamilies({kept.faceName});
    }
    const int weight = kept.weight <= 0 ? kFontWeightNormal : std::min(kept.weight, 1000);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(kept.italic);
    font.setUnderline(kept.underline);
    font.setStrikeOut(kept.strikeOut);
    font.setKerning(false);
    if (kept.height < 0) {
        font.setPixelSize(kept.height < -kMaxPixelHeight ? kMaxPixelHeight : -kept.height);
    } else if (kept.height > 0) {
        font.setPixelSize(PixelSizeForCellHeight(font, std::min(kept.height, kMaxPixelHeight)));
    } else {
        font.setPixelSize(kDefaultPixelHeight);
    }
    return std::unique_ptr<Font>(new Font(kept, font));
}

const QFont& DefaultGuiFont() {
    static const QFont font = [] {
        LogFont logFont;
        logFont.height = -kDefaultPixelHeight * 3 / 4;
        return Font::Create(logFont)->QtFont();
    }();
    return font;
}

}  // namespace platform::gfx
