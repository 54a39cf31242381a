// What each window of the player registers (name, kind) and in which window modes the default
// skin places each control. The names and kinds are the windows' own; the modes are the skin's
// design: the maximised main window keeps only the video and its two bars.
#pragma once

#include <string>
#include <vector>

namespace skintest {

struct Registration {
    const char* name;
    const char* kind;        // the skin's type word of that kind ("map" for the web kind)
    std::vector<int> modes;  // window modes the skin must place the control in
};

struct WindowTable {
    const char* window;  // the profile's script target
    int width, height;   // the document's window size (mode 0)
    std::vector<Registration> controls;
};

const std::vector<WindowTable>& WindowTables();

}  // namespace skintest
