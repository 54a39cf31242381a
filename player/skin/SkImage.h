#pragma once
// The owner-drawn static that shows one skin image. GUI thread only.

#include "player/skin/SkWidget.h"
#include "player/skin/SkinImage.h"

#include <memory>

namespace player {

class SkImage : public SkWidget {
public:
    // Creates the image if absent and loads it; a failed load keeps it without picture.
    bool SetImage(const ImageSpec& desc);
    SkinImage* Image() const { return m_image.get(); }
    void DrawItem(platform::gfx::Dc& dc, const platform::DrawItemInfo& info) override;

private:
    std::unique_ptr<SkinImage> m_image;
};

}  // namespace player
