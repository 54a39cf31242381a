#pragma once
// GDI DrawText on a memory context: every format flag the system uses is mapped onto Qt text
// layout here and nowhere else. GUI thread only (needs the application's font database).

#include "platform/gfx/Dc.h"

#include <QString>

#include <cstdint>

namespace platform::gfx {

// The DT_* values of GDI, so format words computed by the system keep their numbers.
inline constexpr uint32_t kDtLeft = 0x0;
inline constexpr uint32_t kDtTop = 0x0;
inline constexpr uint32_t kDtCenter = 0x1;
inline constexpr uint32_t kDtRight = 0x2;
inline constexpr uint32_t kDtVCenter = 0x4;  // single-line text only, as in GDI
inline constexpr uint32_t kDtBottom = 0x8;   // single-line text only, as in GDI
inline constexpr uint32_t kDtWordBreak = 0x10;
inline constexpr uint32_t kDtSingleLine = 0x20;
inline constexpr uint32_t kDtNoClip = 0x100;
inline constexpr uint32_t kDtCalcRect = 0x400;
inline constexpr uint32_t kDtNoPrefix = 0x800;
inline constexpr uint32_t kDtEditControl = 0x2000;
inline constexpr uint32_t kDtEndEllipsis = 0x8000;
inline constexpr uint32_t kDtWordEllipsis = 0x40000;

// Draws text in box with the context's selected font (the stock font when none) and text
// colour, background transparent. Without kDtSingleLine, CR, LF and CR LF break lines; with
// kDtWordBreak lines also wrap at the box width (long words break anywhere under
// kDtEditControl). Without kDtNoPrefix "&&" shows "&" and a single "&" is dropped (mnemonic
// underlines are not drawn). With kDtCalcRect nothing is drawn: box.right and box.bottom are
// set to bound the text. Returns the height of the text in pixels, 0 on failure.
int DrawText(Dc& dc, const QString& text, Rect& box, uint32_t format);

// A name from outside (a file's) for a place that shows one line: line breaks, other control
// characters and bytes that are not text show as U+FFFD, so the name cannot break the layout.
QString OneLineText(const QString& name);

}  // namespace platform::gfx
