#include "player/skin/SkImage.h"

namespace player {

bool SkImage::SetImage(const ImageSpec& desc) {
    if (!m_image) {
        m_image = std::make_unique<SkinImage>();
    }
    return m_image->Load(desc);
}

}  // namespace player
