// State strips of the skin's buttons: one frame per state side by side, cut out by the
// documents' source rectangles.
#pragma once

#include "tools/skin-art/Glyphs.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

namespace skinart {

// Frame order of every strip; the documents use index × frame width as sx.
enum class ButtonState { Normal, Hover, Pushed, Disabled, Checked, Hover2, Pushed2 };
inline constexpr int kPushFrames = 4;
inline constexpr int kCheckFrames = 7;

enum class ButtonLook {
    Ghost,    // glyph only; a soft plate appears under the pointer
    Primary,  // round accent disc (the play button)
    Danger,   // ghost whose hover plate is red (closing a window)
    Tab,      // text on a plate with an accent underline when checked
    Segment,  // glyph and text on a plate (view choices)
    Accent    // glyph and text on an accent plate (the first thing to press: opening the card)
};

struct ButtonDesign {
    QSize frame;
    ButtonLook look = ButtonLook::Ghost;
    bool check = false;                 // 7 frames instead of 4
    std::optional<Glyph> glyph;         // shown in the unchecked states
    std::optional<Glyph> checkedGlyph;  // shown in the checked states (defaults to glyph)
    int glyphSize = 20;
    QString label;
};

// Draws the whole strip (frame.width() × frame count). Needs a QGuiApplication for labels.
QImage DrawButtonStrip(const ButtonDesign& design);

// Nine-slice face for buttons whose label the skin draws: 4 frames of 24 × 24.
QImage DrawFaceStrip(bool primary);

// Nine-slice face of labelled choices that stay pressed: 7 frames of 24 × 24, checked in the
// accent colour.
QImage DrawToggleFaceStrip();

}  // namespace skinart
