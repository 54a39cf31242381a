#pragma once
// The drawing primitives every skin widget draws through: an image composed once into its
// cached rendering (RenderImage), that rendering copied onto a target (BlitImage), and skin
// texts (DrawSkinText, CreateSkinFont). GUI thread only.

#include "platform/gfx/Dc.h"
#include "platform/gfx/Font.h"
#include "player/skin/SkinGeometry.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace player {

class SkinImage;
class SkinText;

// Composes image over the part of background under it (or over black without one) into its
// rendering, sized by its destination rectangle resolved against parent's size. The colour
// key is applied now, or left to BlitImage when deferKey is set. Does nothing without a
// target or when the image is already rendered.
void RenderImage(SkinImage& image, const platform::gfx::Dc* target,
                 const platform::gfx::Rect& parent, const platform::gfx::Dc* background,
                 bool deferKey);

// Copies the rendering onto target: at its resolved rectangle, or from src to dest when
// given (scaled), through the colour key when it was deferred. Nothing when not rendered.
void BlitImage(const platform::gfx::Rect& parent, const SkinImage& image, platform::gfx::Dc* target,
               const std::optional<SkinRect>& dest = std::nullopt,
               const std::optional<SkinRect>& src = std::nullopt);

// A control's backdrop on target: the window's background under the control (its copy), then
// the control's own background pictures over it.
void DrawBackdrop(platform::gfx::Dc& target, const platform::gfx::Rect& client,
                  const platform::gfx::Dc& backgroundCopy,
                  const std::vector<std::unique_ptr<SkinImage>>& images);

// Draws text inside box (the parent's client rectangle), creating its font on first use.
// False without a context or when the font cannot be created; an empty text draws nothing.
bool DrawSkinText(const platform::gfx::Rect& box, SkinText& text, platform::gfx::Dc* dc);

// A font of `size` points at the context's vertical DPI; none without a context.
std::unique_ptr<platform::gfx::Font> CreateSkinFont(bool bold, const QString& face,
                                                    const platform::gfx::Dc* dc, int32_t size,
                                                    bool italic, bool underline, bool strikeOut);

}  // namespace player
