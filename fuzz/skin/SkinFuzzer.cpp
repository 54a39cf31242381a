// ParseSkin on arbitrary documents, then every image and text the skin defined is rendered
// and drawn, so the drawing primitives meet the same malformed values. Must never crash.

#include "player/pack/ImageCache.h"
#include "player/skin/ParseSkin.h"
#include "player/skin/SkButton.h"
#include "player/skin/SkImage.h"
#include "player/skin/SkSlider.h"
#include "player/skin/SkText.h"
#include "player/skin/SkinDraw.h"
#include "player/skin/TypeFactory.h"
#include "player/skin/WindowSkin.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

namespace gfx = platform::gfx;
using namespace player;

const gfx::Rect kParent{0, 0, 64, 48};
// Renderings are sized by the skin; the fuzzer skips the ones that would only cost time.
constexpr int64_t kMaxRenderPixels = 1 << 20;

void Setup() {
    static int argc = 1;
    static char name[] = "fuzz_skin";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    QImage picture(6, 5, QImage::Format_ARGB32);
    picture.fill(qRgba(255, 0, 255, 200));
    picture.setPixel(1, 1, qRgb(1, 2, 3));
    ImageCache::Instance().InsertImage(NameKey("a"), picture);
    ImageCache::Instance().InsertImage(NameKey("b.png"), picture.scaled(20, 20));
}

void Draw(SkinImage* image, gfx::Dc& target, bool deferKey) {
    if (image == nullptr) {
        return;
    }
    const SkinRect r = ResolveRect(image->Desc().dest, kParent.Width(), kParent.Height(),
                                   image->Desc().anchorFlags);
    if (int64_t{r.w} * r.h > kMaxRenderPixels) {
        return;
    }
    RenderImage(*image, &target, kParent, &target, deferKey);
    BlitImage(kParent, *image, &target);
}

void DrawControl(SkWidget* widget, gfx::Dc& target) {
    if (auto* button = dynamic_cast<SkButton*>(widget)) {
        for (int state = 0; state < kButtonStateCount; ++state) {
            Draw(button->StateImage(static_cast<ButtonState>(state)), target, false);
        }
        if (button->Label() != nullptr) {
            DrawSkinText(kParent, *button->Label(), &target);
        }
    } else if (auto* image = dynamic_cast<SkImage*>(widget)) {
        Draw(image->Image(), target, false);
    } else if (auto* text = dynamic_cast<SkText*>(widget)) {
        if (text->Text() != nullptr) {
            DrawSkinText(kParent, *text->Text(), &target);
        }
    } else if (auto* slider = dynamic_cast<SkSlider*>(widget)) {
        for (int part = 0; part < kSliderPartCount; ++part) {
            Draw(slider->Part(static_cast<SliderPart>(part)), target, true);
        }
    }
}

}  // namespace

// Qt's font matching keeps fontconfig patterns for every new face name a document invents and
// never frees them; that is fontconfig's memory, not the skin code's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WindowSkin skin;
    for (const char* name : {"a", "w.b", "w.i", "w.s", "w.t", "w.l", "w.g"}) {
        skin.RegisterControl(NameKey(name), ControlKind::Image, 1);
    }
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ParseSkin(text, skin, TypeFactory::CreateDefault(), SkinFontDefaults{"Arial", 9});
    gfx::Dc target(kParent.Width(), kParent.Height());
    for (const BackgroundImage& background : skin.BackgroundImages()) {
        Draw(background.image.get(), target, false);
    }
    for (auto& [name, entry] : skin.Controls()) {
        if (entry.control) {
            DrawControl(entry.control->Widget(), target);
        }
    }
    return 0;
}
