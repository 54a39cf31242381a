#pragma once
// How a window hands each control the part of its composed background under the control.
// GUI thread only.

namespace platform::gfx {
class Dc;
}

namespace player {

class IBGTransfer {
public:
    virtual ~IBGTransfer() = default;
    // background holds the parent window's composed background in its client coordinates.
    virtual void ReceiveBackground(const platform::gfx::Dc& background) = 0;
};

}  // namespace player
