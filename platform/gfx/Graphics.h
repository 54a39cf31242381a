#pragma once
// The GDI+ part the skins use: pictures drawn through image attributes (a diagonal colour
// matrix and an exact colour key) and translucent solid fills, onto a memory context.
// Scaling is nearest-pixel, the library default. GUI thread only.

#include "platform/gfx/Dc.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <optional>

namespace platform::gfx {

struct ImageAttributes {
    // Diagonal of the colour matrix: each channel is multiplied by its factor.
    float red = 1.0F;
    float green = 1.0F;
    float blue = 1.0F;
    float alpha = 1.0F;
    // Source pixels of exactly this RGB (alpha ignored) become fully transparent; tested
    // before the matrix, so the key names the picture's own colour.
    std::optional<uint32_t> colourKeyRgb;

    // Factors from an ARGB colour: each byte / 255.
    static ImageAttributes FromArgb(uint32_t argb);
};

// The picture with the attributes applied once, premultiplied, ready for DrawImage.
QImage ApplyImageAttributes(const QImage& picture, const ImageAttributes& attributes);

// Draws src of a prepared picture scaled onto dest, blended over the context's pixels.
// A source or destination size below 1 draws nothing.
void DrawImage(Dc& dc, const QImage& picture, const QRect& dest, const QRect& src);

// Fills rect with an ARGB colour, blended over the context's pixels.
void FillRectangle(Dc& dc, const QRect& rect, uint32_t argb);

}  // namespace platform::gfx
