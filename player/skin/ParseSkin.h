#pragma once
// Reads a window's skin document into its WindowSkin: window settings, background images,
// and one control per entry of the document, made by the type factory and attached to the
// control table. GUI thread only (it acquires pictures from the image cache).

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace player {

class TypeFactory;
class WindowSkin;

// Font face and size (points) of texts that name none: the application profile's.
struct SkinFontDefaults {
    QString face;
    int32_t size = 0;
};

// Far above any real skin (tens of controls, windows of a screen), low enough that a hostile
// document cannot exhaust the toolkit's recursion or the memory behind the window.
inline constexpr int kMaxSkinControls = 2000;
inline constexpr int32_t kMaxSkinWindowSide = 8192;

// False when the document has no root element, the root has no `property` or no `controls`,
// it holds more than kMaxSkinControls controls or a window larger than kMaxSkinWindowSide;
// failure (may be null) then says which. What was read until then stays in skin. Bad controls
// are skipped.
bool ParseSkin(const QByteArray& text, WindowSkin& skin, const TypeFactory& factory,
               const SkinFontDefaults& fonts, QString* failure = nullptr);

}  // namespace player
