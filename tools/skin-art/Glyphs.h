// The skin's one icon set: every glyph is drawn from paths on a 20 x 20 design grid.
#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

namespace skinart {

enum class Glyph {
    Play,
    Pause,
    Stop,
    Prev,
    Next,
    Rewind,
    Forward,
    FrameStep,
    Card,
    Export,
    Snapshot,
    Settings,
    GSensor,
    Site,
    About,
    Minimise,
    Maximise,
    RealSize,
    NormalSize,
    Close,
    Volume,
    Mute,
    FrontCamera,
    RearCamera,
    MapPin,
    Swap,
    Slow,
    Fast,
    Brightness,
    File,
    Info,
    Question,
    Logo,
    Track,
    ClipIn,
    ClipOut,
    Clip
};

// Draws the glyph filling box (square; at 20 px it lands on whole pixels). Any thread.
void DrawGlyph(QPainter& painter, Glyph glyph, const QRectF& box, const QColor& color);

}  // namespace skinart
