#include "player/skin/SkContainer.h"

namespace player {

SkContainer::SkContainer(std::unique_ptr<SkWidget> widget) : m_widget(std::move(widget)) {}

SkContainer::~SkContainer() = default;

bool SkContainer::SetName(std::string_view utf8) {
    NameKey name(utf8);
    if (name.IsEmpty()) {
        return false;
    }
    m_name = std::move(name);
    return true;
}

bool SkContainer::SetModeGeometry(int32_t mode, uint32_t anchorFlags, int32_t x, int32_t y,
                                  int32_t w, int32_t h) {
    if (mode < 0) {
        return false;
    }
    m_modes[mode] = ModeGeometry{anchorFlags, SkinRect{x, y, w, h}, 0, 0};
    return true;
}

ModeGeometry* SkContainer::ModeGeometryOf(int32_t mode) {
    const auto it = m_modes.find(mode);
    return it == m_modes.end() ? nullptr : &it->second;
}

const ModeGeometry* SkContainer::ModeGeometryOf(int32_t mode) const {
    const auto it = m_modes.find(mode);
    return it == m_modes.end() ? nullptr : &it->second;
}

}  // namespace player
