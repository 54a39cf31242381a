#include "player/skin/SkVideoView.h"

namespace player {

void SkVideoView::DrawItem(platform::gfx::Dc& dc, const platform::DrawItemInfo&) {
    dc.Fill(0x000000);
}

}  // namespace player
