// The default skin's colours, shared by every picture so panels, glyphs and keyed edges agree.
#pragma once

#include <QColor>

namespace skinart {

// Surfaces, darkest to lightest. The skin documents repeat the text colours as numbers.
inline const QColor kVideo{9, 11, 14};         // video wells and the maximised backdrop
inline const QColor kWindow{22, 25, 31};       // window body; every slider sits on it
inline const QColor kTitle{28, 32, 39};        // title band of every window
inline const QColor kPanel{27, 31, 38};        // list panel
inline const QColor kPanelStripe{31, 36, 44};  // every other list row
inline const QColor kBorder{44, 50, 60};       // hairlines and frames
inline const QColor kDivider{36, 41, 50};

inline const QColor kGlyph{196, 203, 213};     // icons at rest
inline const QColor kGlyphHot{245, 247, 250};  // icons under the pointer
inline const QColor kGlyphOff{72, 79, 90};     // disabled icons, already blended over kWindow
inline const QColor kTextDim{124, 133, 145};

inline const QColor kAccent{79, 163, 224};  // checked state, filled track, primary button
inline const QColor kAccentHot{116, 186, 238};
inline const QColor kAccentDeep{52, 124, 180};
inline const QColor kDanger{196, 64, 64};  // hover of the window's close button

inline const QColor kTrack{52, 58, 69};  // slider track background
inline const QColor kThumb{236, 240, 245};
inline const QColor kKey{255, 0, 255};  // colour key of the slider parts

// G-sensor traces and cursor (also written in gsensor.xml).
inline const QColor kAxisX{232, 112, 104};
inline const QColor kAxisY{122, 204, 140};
inline const QColor kAxisZ{104, 166, 240};
inline const QColor kCursor{240, 204, 96};

}  // namespace skinart
