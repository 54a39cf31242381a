#include "player/skin/SkinMarks.h"

namespace player {

uint32_t MarkLook::ColourOf(const QString& kind) const {
    const auto found = colours.find(kind);
    return found != colours.end() ? found->second : colour;
}

}  // namespace player
