#pragma once
// The player's dialog templates (the child windows each skinned window binds its controls to)
// and the main window's control table, from which its template is made.

#include "platform/window/DialogTemplate.h"

#include <QIcon>

#include <array>
#include <cstdint>

namespace player {

// One control of the main window: skin name, the container's kind code (image 0, text 1,
// button 2, slider 3, list 4, video 5, web 6) and the template id of its child window.
struct MainControl {
    const char* name;
    int32_t kindCode;
    int id;
};

inline constexpr int kMainControlCount = 53;
// In the order the main window registers them.
const std::array<MainControl, kMainControlCount>& MainControls();

const platform::DialogTemplate& MainDialogTemplate();
const platform::DialogTemplate& NotifyDialogTemplate();
const platform::DialogTemplate& AboutDialogTemplate();

// The program icon (resource 128), for the window's big and small icon.
QIcon ProgramIcon();

}  // namespace player
