#pragma once
// One thing the user can do in the main window, named once: the button that gives it, the keys
// that give it too, what it calls, and when a key (or a desktop call) may give it.

#include <QKeyCombination>

#include <array>

namespace player {

class CRoadPlayerDlg;

struct UserAction {
    // The button's command id; 0 for an action that only a key gives.
    int commandId = 0;
    // The control that must be shown and enabled for a key to act, as it must be for a click;
    // null where the action itself checks whether it can act.
    const char* control = nullptr;
    // Up to two keys; a default-constructed combination is none. Shift is matched as given,
    // other modifiers never match.
    std::array<QKeyCombination, 2> keys{};
    void (*run)(CRoadPlayerDlg& window) = nullptr;
    // Buttons whose hints name this action's keys besides its own (a key-only action that
    // buttons give one half of, as F does for enlarging and going back).
    std::array<int, 2> hintedOn{};
};

}  // namespace player
