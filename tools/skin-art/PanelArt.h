// Window backgrounds, panels, slider parts and decorations of the default skin. Background
// pictures are opaque: a window composes its backdrop over black, so every edge is already
// blended with the colour it will sit on.
#pragma once

#include "tools/skin-art/Glyphs.h"

#include <QColor>
#include <QImage>
#include <QString>

namespace skinart {

// Nine-slice window frame: border, a title band of bandHeight rows, body. Height 2 × (band + 2)
// + 1.
QImage DrawWindowFrame(int bandHeight);
// Nine-slice rounded well (video areas) and panel (list), 24 × 24, over the window body.
QImage DrawWell();
QImage DrawPanel();
// Two list rows of rowHeight for the pattern draw mode.
QImage DrawListStripes(int rowHeight);
// Bars of the maximised layout, 4 px wide, stretched across the screen.
QImage DrawTopBar(int height);
QImage DrawBottomBar(int height);
QImage DrawSolid(const QColor& color);
// "Nothing open" picture centred in an empty video area.
QImage DrawIdle(int width, int height, int glyphSize, const QString& caption);
// The title picture: mark and word mark over the title band.
QImage DrawTitle(int width, int height);
// A glyph on a background colour (window decorations that must be opaque), or on transparency.
QImage DrawGlyphTile(Glyph glyph, int size, int glyphSize, const QColor& ink,
                     const QColor& background);
// The about box's mark: a rounded accent tile with the logo.
QImage DrawMark(int size);

// Slider parts, keyed with kKey where the window shows through.
QImage DrawSliderTrack(const QColor& bar, int height);
QImage DrawSliderThumb(int size);
QImage DrawSliderTics(int width, int height, int marginLeft, int marginRight, int steps);
// Trip strip parts, keyed like the slider's: a bar of barHeight across the middle (stretched
// to the track) and the position cursor.
QImage DrawTripBar(const QColor& bar, int barHeight, int height);
QImage DrawTripCursor(int width, int height);

// G-sensor plot backdrop and the axis legend of its title band.
struct GraphBand {
    int width, height, startPos, endPos, top, heigh;
};
QImage DrawGSensorGrid(const GraphBand& band);
QImage DrawAxisLegend(int width, int height);

}  // namespace skinart
