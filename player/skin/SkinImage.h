#pragma once
// One image of a skin: the picture it names (shared from the image cache), how it is to be
// composed (colour, draw mode, colour key, rectangles, anchor) and its cached rendering.
// GUI thread only.

#include "platform/gfx/Dc.h"
#include "player/common/NameKey.h"
#include "player/skin/SkinGeometry.h"
#include "player/skin/SkinSyntax.h"
#include "player/skin/StyleWords.h"

#include <QImage>

#include <cstdint>

namespace player {

// The values of one image element of a skin document.
struct ImageSpec {
    NameKey name;                    // pack image name or file path; empty: no picture
    uint32_t colour = kOpaqueWhite;  // ARGB; multiplies the picture, or fills without one
    int32_t drawMode = static_cast<int32_t>(DrawMode::Stretch);
    bool colourKeyEnabled = false;
    uint32_t colourKey = 0;  // ARGB; only the RGB part is compared
    SkinRect dest = kFullSkinRect;
    SkinRect source = kFullSkinRect;
    uint32_t anchorFlags = kAnchorDefault;
};

class SkinImage {
public:
    SkinImage() = default;
    ~SkinImage();  // releases the picture
    SkinImage(const SkinImage&) = delete;
    SkinImage& operator=(const SkinImage&) = delete;

    // Takes the values and the picture of desc.name. False when a non-empty name could not be
    // acquired; the image then has no picture (callers drop it or draw it as a colour fill).
    bool Load(const ImageSpec& desc);
    // Releases the picture held, then acquires the one of name (none for an empty name).
    bool SetName(const NameKey& name);

    const ImageSpec& Desc() const { return m_spec; }
    const QImage* Picture() const { return m_picture; }

    // Rendering state (RenderImage / BlitImage).
    platform::gfx::Dc& Rendering() { return m_rendering; }
    const platform::gfx::Dc& Rendering() const { return m_rendering; }
    bool IsRendered() const { return m_rendered; }
    void SetRendered() { m_rendered = true; }
    bool DeferredKey() const { return m_deferredKey; }
    void SetDeferredKey(bool deferred) { m_deferredKey = deferred; }
    // Moves the image (the slider fits its tracks to the laid-out track this way).
    void SetDestination(const SkinRect& dest) { m_spec.dest = dest; }
    // Deletes the rendering and clears the rendered flag together.
    void DiscardRendering();

private:
    void Release();

    ImageSpec m_spec;
    const QImage* m_picture = nullptr;  // owned by the image cache while acquired
    platform::gfx::Dc m_rendering;
    bool m_rendered = false;
    bool m_deferredKey = false;
};

}  // namespace player
