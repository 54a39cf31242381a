#include "player/skin/SkinImage.h"

#include "player/pack/ImageCache.h"

namespace player {

SkinImage::~SkinImage() {
    Release();
}

void SkinImage::Release() {
    if (m_picture != nullptr) {
        ImageCache::Instance().ReleaseImage(m_spec.name);
        m_picture = nullptr;
    }
}

bool SkinImage::SetName(const NameKey& name) {
    // The new picture is acquired before the old one is released, so renaming to the same
    // name never makes the cache drop and reload a picture loaded from a file.
    const QImage* picture = name.IsEmpty() ? nullptr : ImageCache::Instance().AcquireImage(name);
    Release();
    m_spec.name = name;
    m_picture = picture;
    return name.IsEmpty() || picture != nullptr;
}

bool SkinImage::Load(const ImageSpec& desc) {
    DiscardRendering();
    const bool loaded = SetName(desc.name);
    m_spec = desc;
    return loaded;
}

void SkinImage::DiscardRendering() {
    m_rendering = platform::gfx::Dc();
    m_rendered = false;
}

}  // namespace player
