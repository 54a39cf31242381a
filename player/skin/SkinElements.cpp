#include "player/skin/SkinElements.h"

#include "player/skin/StyleWords.h"

#include <tinyxml2.h>

namespace player {

const char* ElementText(const tinyxml2::XMLElement& element) {
    const tinyxml2::XMLNode* first = element.FirstChild();
    return first != nullptr && first->ToText() != nullptr ? first->Value() : nullptr;
}

QString Utf16(const char* utf8) { return utf8 == nullptr ? QString() : QString::fromUtf8(utf8); }

int32_t IntAttribute(const tinyxml2::XMLElement& element, const char* name, int32_t fallback) {
    return ParseSkinInt(element.Attribute(name)).value_or(fallback);
}

int32_t Int0Attribute(const tinyxml2::XMLElement& element, const char* name, int32_t fallback) {
    const char* value = element.Attribute(name);
    return value == nullptr ? fallback : ParseSkinInt0(value);
}

uint32_t ColourAttribute(const tinyxml2::XMLElement& element, const char* name) {
    const char* value = element.Attribute(name);
    return value == nullptr ? kOpaqueWhite : ParseSkinColour(value);
}

namespace {

SkinRect ReadRect(const tinyxml2::XMLElement& element, const char* x, const char* y,
                  const char* w, const char* h, const SkinRect& fallback) {
    return SkinRect{IntAttribute(element, x, fallback.x), IntAttribute(element, y, fallback.y),
                    IntAttribute(element, w, fallback.w), IntAttribute(element, h, fallback.h)};
}

}  // namespace

ImageSpec ReadImageElement(const tinyxml2::XMLElement& element) {
    ImageSpec spec;
    if (const char* name = ElementText(element)) {
        spec.name = NameKey(std::string_view(name));
    }
    spec.dest = ReadRect(element, "x", "y", "w", "h", kFullSkinRect);
    spec.colour = ColourAttribute(element, "color");
    if (const char* geobase = element.Attribute("geobase")) {
        spec.anchorFlags = ParseAnchorWords(Utf16(geobase));
    }
    if (spec.name.IsEmpty()) {
        return spec;  // without a picture the drawing attributes mean nothing
    }
    if (const char* mode = element.Attribute("drawmode")) {
        spec.drawMode = static_cast<int32_t>(DrawModeFromWord(Utf16(mode)));
    }
    spec.source = ReadRect(element, "sx", "sy", "sw", "sh", kFullSkinRect);
    if (const char* key = element.Attribute("tpcolor")) {
        spec.colourKey = ParseSkinColour(key);
        spec.colourKeyEnabled = true;
    }
    return spec;
}

TextSpec ReadTextElement(const tinyxml2::XMLElement& element, const SkinFontDefaults& fonts) {
    TextSpec spec;
    spec.text = Utf16(ElementText(element));
    spec.rect = ReadRect(element, "x", "y", "w", "h", kFullSkinRect);
    const char* face = element.Attribute("font");
    spec.fontFace = face == nullptr ? fonts.face : Utf16(face);
    spec.colour = ColourAttribute(element, "color");
    spec.format = ParseFormatWords(Utf16(element.Attribute("format")));
    spec.size = Int0Attribute(element, "size", fonts.size);
    return spec;
}

}  // namespace player
