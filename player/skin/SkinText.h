#pragma once
// One text of a skin (a button label, a text control's text): where and how it is drawn, and
// the font created for it at its first draw. GUI thread only.

#include "platform/gfx/Font.h"
#include "player/skin/SkinGeometry.h"
#include "player/skin/SkinSyntax.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace player {

// The values of one text element of a skin document.
struct TextSpec {
    SkinRect rect = kFullSkinRect;
    QString text;
    QString fontFace;
    int32_t size = 0;  // points
    uint32_t colour = kOpaqueWhite;
    uint32_t format = 0;  // kFormat* flags
};

class SkinText {
public:
    // Stores the values and deletes the cached font (it is created again at the next draw).
    void Set(const TextSpec& desc);

    const TextSpec& Desc() const { return m_spec; }
    // What window code changes at run time (a text control always draws its window text).
    void SetText(const QString& text) { m_spec.text = text; }

    const platform::gfx::Font* Font() const { return m_font.get(); }
    void SetFont(std::unique_ptr<platform::gfx::Font> font) { m_font = std::move(font); }

private:
    TextSpec m_spec;
    std::unique_ptr<platform::gfx::Font> m_font;
};

}  // namespace player
