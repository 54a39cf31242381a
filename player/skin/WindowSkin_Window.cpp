// The control table's window operations: a window mode applied to every control, and the
// composed background handed to every control with a background link.

#include "player/skin/WindowSkin.h"

namespace player {

void WindowSkin::ApplyMode(int32_t mode) {
    if (mode < 0) {
        return;
    }
    for (auto& [name, entry] : m_controls) {
        if (entry.control) {
            entry.control->Apply(mode);
        }
    }
}

void WindowSkin::ReplaceShown(int32_t mode) {
    for (auto& [name, entry] : m_controls) {
        if (entry.control) {
            entry.control->Replace(mode);
        }
    }
}

void WindowSkin::TransferBackground(const platform::gfx::Dc& background) {
    for (auto& [name, entry] : m_controls) {
        if (entry.control && entry.control->BackgroundLink() != nullptr) {
            entry.control->BackgroundLink()->ReceiveBackground(background);
        }
    }
}

}  // namespace player
