// SkGSensorGraph paint without data: what lies under it, then its background image.

#include "player/skin/SkGSensorGraph.h"

#include "platform/gfx/Blit.h"
#include "player/skin/SkMemDC.h"
#include "player/skin/SkinDraw.h"

namespace player {

namespace gfx = platform::gfx;

void SkGSensorGraph::DrawItem(gfx::Dc& dc, const platform::DrawItemInfo&) {
    const gfx::Rect client = ClientRect();
    SkMemDC memory(dc, client, false);
    memory.Dc().Fill(0x000000);
    gfx::BitBlt(memory.Dc(), 0, 0, client.Width(), client.Height(), BackgroundCopy(), 0, 0);
    if (m_background) {
        RenderImage(*m_background, &memory.Dc(), client, &BackgroundCopy(), false);
        BlitImage(client, *m_background, &memory.Dc());
    }
}

}  // namespace player
