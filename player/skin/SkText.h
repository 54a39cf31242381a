#pragma once
// The static that shows one line or block of text in the skin's font, colour and format over
// the window background. GUI thread only.

#include "player/skin/SkWidget.h"
#include "player/skin/SkinText.h"

#include <memory>

namespace player {

class SkText : public SkWidget {
public:
    // Creates the text if absent and stores the values; its box is always the whole client
    // area, whatever rectangle desc carries.
    bool SetText(const TextSpec& desc);
    SkinText* Text() const { return m_text.get(); }
    // Draws the window's current text over the background copy.
    void DrawItem(platform::gfx::Dc& dc, const platform::DrawItemInfo& info) override;

private:
    std::unique_ptr<SkinText> m_text;
};

}  // namespace player
