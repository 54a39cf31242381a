#pragma once
// A logical font as GDI describes it (LOGFONT), realised as a QFont in pixel units.
// GUI thread only (font matching needs the application's font database).

#include <QFont>
#include <QString>

#include <cstdint>
#include <memory>

namespace platform::gfx {

inline constexpr int kFontWeightNormal = 400;
inline constexpr int kFontWeightBold = 700;
inline constexpr int kMaxFaceNameLength = 31;  // LF_FACESIZE less the terminator

struct LogFont {
    int height = 0;  // < 0: character (em) height in pixels; > 0: cell height; 0: default
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = kFontWeightNormal;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    uint8_t charSet = 1;  // DEFAULT_CHARSET
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 5;  // CLEARTYPE_QUALITY
    uint8_t pitchAndFamily = 0;
    QString faceName;
};

class Font {
public:
    // CreateFontIndirect: the face name is cut to kMaxFaceNameLength characters.
    static std::unique_ptr<Font> Create(const LogFont& logFont);

    const QFont& QtFont() const { return m_font; }
    const LogFont& Describe() const { return m_logFont; }

private:
    Font(const LogFont& logFont, const QFont& font) : m_logFont(logFont), m_font(font) {}

    LogFont m_logFont;
    QFont m_font;
};

// The font a context draws with when none is selected (the stock system font).
const QFont& DefaultGuiFont();

}  // namespace platform::gfx
