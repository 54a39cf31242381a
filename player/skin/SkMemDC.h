#pragma once
// The off-screen context every skinned paint goes through: drawing goes to a bitmap of the
// rectangle's size, and closing copies it onto the target in one copy. Its origin is the
// rectangle's top-left corner. Created on the stack for one paint. GUI thread only.

#include "platform/gfx/Dc.h"

#include <optional>

namespace player {

class SkMemDC {
public:
    // rect none: the whole target. copy: start from the target's pixels in rect; otherwise
    // from the target's background colour (white, as a fresh window context has).
    SkMemDC(platform::gfx::Dc& target, std::optional<platform::gfx::Rect> rect, bool copy);
    ~SkMemDC();
    SkMemDC(const SkMemDC&) = delete;
    SkMemDC& operator=(const SkMemDC&) = delete;

    platform::gfx::Dc& Dc() { return m_memory; }
    platform::gfx::Dc* operator->() { return &m_memory; }
    const platform::gfx::Rect& Rect() const { return m_rect; }

private:
    platform::gfx::Dc& m_target;
    platform::gfx::Rect m_rect;
    platform::gfx::Dc m_memory;
};

}  // namespace player
