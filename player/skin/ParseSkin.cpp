#include "player/skin/ParseSkin.h"

#include "player/skin/Log.h"
#include "player/skin/SkinElements.h"
#include "player/skin/StyleWords.h"
#include "player/skin/TypeFactory.h"
#include "player/skin/WindowSkin.h"

#include <tinyxml2.h>

#include <memory>

namespace player {

namespace {

using tinyxml2::XMLElement;

// `title`, `geometry` and `bgimgs` of the root or of `property`.
void ReadWindowSettings(const XMLElement& parent, WindowSkin& skin) {
    if (const XMLElement* title = parent.FirstChildElement("title")) {
        if (const char* text = ElementText(*title)) {
            skin.SetTitle(Utf16(text));
        }
    }
    if (const XMLElement* geometry = parent.FirstChildElement("geometry")) {
        const SkinRect rect{IntAttribute(*geometry, "x", 0), IntAttribute(*geometry, "y", 0),
                            IntAttribute(*geometry, "w", 0), IntAttribute(*geometry, "h", 0)};
        if (rect.w > 0 && rect.h > 0) {
            skin.SetWindowRect(rect);
        }
    }
    const XMLElement* sets = parent.FirstChildElement("bgimgs");
    if (sets == nullptr) {
        return;
    }
    for (const XMLElement* set = sets->FirstChildElement("bgimg"); set != nullptr;
         set = set->NextSiblingElement("bgimg")) {
        const int32_t mode = IntAttribute(*set, "mode", 0);
        if (mode < 0) {
            continue;
        }
        for (const XMLElement* image = set->FirstChildElement("image"); image != nullptr;
             image = image->NextSiblingElement("image")) {
            auto loaded = std::make_unique<SkinImage>();
            if (loaded->Load(ReadImageElement(*image))) {
                skin.AddBackgroundImage(mode, std::move(loaded));
            } else {
                qCWarning(lcSkin) << "background picture" << loaded->Desc().name.Text() << "of mode"
                                  << mode << "is missing: left out";
            }
        }
    }
}

// Reads the `mode` children; false when there is none.
bool ReadModes(const XMLElement& element, SkContainer& control) {
    const XMLElement* mode = element.FirstChildElement("mode");
    if (mode == nullptr) {
        return false;
    }
    for (; mode != nullptr; mode = mode->NextSiblingElement("mode")) {
        const char* geobase = mode->Attribute("geobase");
        control.SetModeGeometry(ParseSkinInt0(ElementText(*mode)),
                                geobase == nullptr ? 0 : ParseAnchorWords(Utf16(geobase)),
                                IntAttribute(*mode, "x", 0), IntAttribute(*mode, "y", 0),
                                IntAttribute(*mode, "w", 0), IntAttribute(*mode, "h", 0));
    }
    return true;
}

constexpr qsizetype kMaxTipLength = 200;

void ReadControl(const XMLElement& element, WindowSkin& skin, const TypeFactory& factory,
                 const SkinFontDefaults& fonts) {
    const char* type = element.Attribute("type");
    const char* id = element.Attribute("id");
    std::unique_ptr<SkContainer> control = factory.CreateControl(type);
    if (!control) {
        qCWarning(lcSkin) << "control" << id << "of unknown type" << type << "left out";
        return;
    }
    if (id == nullptr) {
        qCWarning(lcSkin) << "a control of type" << type << "without an id left out";
        return;
    }
    control->SetName(id);
    if (!ReadModes(element, *control)) {
        qCWarning(lcSkin) << "control" << id << "has no mode: left out";
        return;
    }
    ReadKindPart(type, element, *control, fonts);
    // An optional hint shown when the pointer rests on the control.
    if (const char* tip = element.Attribute("tip");
        tip != nullptr && control->Widget() != nullptr) {
        control->Widget()->SetTip(Utf16(tip).left(kMaxTipLength));
    }
    skin.AttachControl(std::move(control));
}

}  // namespace

bool ParseSkin(const QByteArray& text, WindowSkin& skin, const TypeFactory& factory,
               const SkinFontDefaults& fonts, QString* failure) {
    const auto fail = [failure](const QString& reason) {
        qCWarning(lcSkin) << "skin refused:" << reason;
        if (failure != nullptr) {
            *failure = reason;
        }
        return false;
    };
    // Whitespace collapsed, as the profile reads its document.
    tinyxml2::XMLDocument document(true, tinyxml2::COLLAPSE_WHITESPACE);
    document.Parse(text.constData(), static_cast<size_t>(text.size()));
    const XMLElement* root = document.RootElement();
    if (root == nullptr) {
        return fail(QStringLiteral("the skin document is not well-formed XML: %1")
                        .arg(QString::fromUtf8(document.ErrorStr())));
    }
    ReadWindowSettings(*root, skin);
    const XMLElement* property = root->FirstChildElement("property");
    const XMLElement* controls = root->FirstChildElement("controls");
    if (property == nullptr || controls == nullptr) {
        return fail(QStringLiteral("the skin document has no property or no controls"));
    }
    ReadWindowSettings(*property, skin);
    if (skin.WindowRect().w > kMaxSkinWindowSide || skin.WindowRect().h > kMaxSkinWindowSide) {
        return fail(QStringLiteral("the window is larger than %1 x %1").arg(kMaxSkinWindowSide));
    }
    int count = 0;
    for (const XMLElement* element = controls->FirstChildElement(); element != nullptr;
         element = element->NextSiblingElement()) {
        if (++count > kMaxSkinControls) {
            return fail(QStringLiteral("the skin has more than %1 controls").arg(kMaxSkinControls));
        }
    }
    for (const XMLElement* element = controls->FirstChildElement(); element != nullptr;
         element = element->NextSiblingElement()) {
        ReadControl(*element, skin, factory, fonts);
    }
    return true;
}

}  // namespace player
