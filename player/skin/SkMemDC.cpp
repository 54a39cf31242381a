#include "player/skin/SkMemDC.h"

#include "platform/gfx/Blit.h"

namespace player {

namespace gfx = platform::gfx;

namespace {
constexpr uint32_t kWindowBackgroundRgb = 0xFFFFFF;
}

SkMemDC::SkMemDC(gfx::Dc& target, std::optional<gfx::Rect> rect, bool copy)
    : m_target(target),
      m_rect(rect.value_or(gfx::Rect{0, 0, target.Width(), target.Height()})),
      m_memory(target.CreateCompatible(m_rect.Width(), m_rect.Height())) {
    if (copy) {
        gfx::BitBlt(m_memory, 0, 0, m_rect.Width(), m_rect.Height(), m_target, m_rect.left,
                    m_rect.top);
    } else {
        m_memory.Fill(kWindowBackgroundRgb);
    }
}

SkMemDC::~SkMemDC() {
    gfx::BitBlt(m_target, m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), m_memory, 0, 0);
}

}  // namespace player
