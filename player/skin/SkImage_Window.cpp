// SkImage paint: the background copy, then the image composed over it once and copied.

#include "player/skin/SkImage.h"

#include "platform/gfx/Blit.h"
#include "player/skin/SkMemDC.h"
#include "player/skin/SkinDraw.h"

namespace player {

namespace gfx = platform::gfx;

void SkImage::DrawItem(gfx::Dc& dc, const platform::DrawItemInfo&) {
    const gfx::Rect client = ClientRect();
    SkMemDC memory(dc, client, false);
    gfx::BitBlt(memory.Dc(), 0, 0, client.Width(), client.Height(), BackgroundCopy(), 0, 0);
    if (m_image) {
        RenderImage(*m_image, &memory.Dc(), client, &BackgroundCopy(), false);
        BlitImage(client, *m_image, &memory.Dc());
    }
}

}  // namespace player
