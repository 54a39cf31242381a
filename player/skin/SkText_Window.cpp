// SkText paint: the background copy, then the widget's current window text in the skin's
// font, colour and format.

#include "player/skin/SkText.h"

#include "platform/gfx/Blit.h"
#include "platform/window/Window.h"
#include "player/skin/SkMemDC.h"
#include "player/skin/SkinDraw.h"

namespace player {

namespace gfx = platform::gfx;

void SkText::DrawItem(gfx::Dc& dc, const platform::DrawItemInfo&) {
    const gfx::Rect client = ClientRect();
    SkMemDC memory(dc, client, false);
    gfx::BitBlt(memory.Dc(), 0, 0, client.Width(), client.Height(), BackgroundCopy(), 0, 0);
    if (m_text) {
        m_text->SetText(platform::GetWindowText(Window()));
        DrawSkinText(client, *m_text, &memory.Dc());
    }
}

}  // namespace player
