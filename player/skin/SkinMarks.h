#pragma once
// Marks over a view of time (the time slider, the G-sensor plot, the trip strip): a thin bar at
// each mark's time, coloured by its kind as the skin's optional `marks` element says. A skin
// without that element draws none. GUI thread only.

#include "player/skin/SkinSyntax.h"

#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace player {

struct SkinMark {
    int32_t timeMs = 0;  // in the view's own unit (the slider's value, the plot's ms)
    QString kind;        // the word the skin colours ("braking", "bookmark", ...)
    QString label;       // what a hint may name it by; may be empty
    // A stretch from timeMs to here (a clip's span), shaded in the kind's colour under the
    // bars; views that draw only points leave it out.
    std::optional<int32_t> endMs = std::nullopt;
    bool operator==(const SkinMark&) const = default;
};

// A pointer this near a mark (or within its bar) names it, so a thin bar can be pointed at.
inline constexpr int32_t kMarkReachPixels = 3;
// A hint of a value under the pointer stands this far above it, where the hand does not cover it.
inline constexpr int kValueTextLift = 28;

// A mark's stretch is its kind's colour at this opacity, so what it lies over shows through.
inline constexpr uint32_t kMarkStretchAlpha = 0x60000000U;

// `<marks w= mtop= mbottom= color=>` with `<mark type= color=/>` per kind.
struct MarkLook {
    int32_t width = 0;  // pixels of each bar; 0: the skin gives no marks
    int32_t marginTop = 0;
    int32_t marginBottom = 0;
    uint32_t colour = kOpaqueWhite;  // for kinds the skin names no colour for
    std::map<QString, uint32_t> colours;

    bool Present() const { return width > 0; }
    uint32_t ColourOf(const QString& kind) const;
};

// The bars are held to this width, so a skin cannot flood a view with one mark.
inline constexpr int32_t kMaxMarkWidth = 16;

}  // namespace player
