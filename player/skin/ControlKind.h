#pragma once
// The kind code a window registers for a control name; it decides binding and hiding.

#include <cstdint>

namespace player {

// Window code may register other codes; they bind without a background link.
enum class ControlKind : int32_t {
    Image = 0,
    Text = 1,
    Button = 2,
    Slider = 3,
    List = 4,
    Video = 5,
    Web = 6,
    GSensorGraph = 7,
};

}  // namespace player
