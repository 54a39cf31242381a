#include "player/skin/SkinElements.h"

#include "player/skin/StyleWords.h"

#include <tinyxml2.h>

#include <algorithm>

namespace player {

const char* ElementText(const tinyxml2::XMLElement& element) {
    const tinyxml2::XMLNode* first = element.FirstChild();
    return first != nullptr && first->ToText() != nullptr ? first->Value() : nullptr;
}

QString Utf16(const char* utf8) {
    return utf8 == nullptr ? QString() : QString::fromUtf8(utf8);
}

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

SkinRect ReadRect(const tinyxml2::XMLElement& element, const char* x, const char* y, const char* w,
                  const char* h, const SkinRect& fallback) {
    return SkinRect{IntAttribute(element, x, fallback.x), IntAttribute(element, y, fallback.y),
                    IntAttribute(element, w, fallback.w), IntAttribute(element, h, fallback.h)};
}

}  // namespace

ImageSpec ReadImageElement(const tinyxml2::XMLElement& element) {
    ImageSpec desc;
    if (const char* name = ElementText(element)) {
        desc.name = NameKey(std::string_view(name));
    }
    desc.dest = ReadRect(element, "x", "y", "w", "h", kFullSkinRect);
    desc.colour = ColourAttribute(element, "color");
    if (const char* geobase = element.Attribute("geobase")) {
        desc.anchorFlags = ParseAnchorWords(Utf16(geobase));
    }
    if (desc.name.IsEmpty()) {
        return desc;  // without a picture the drawing attributes mean nothing
    }
    if (const char* mode = element.Attribute("drawmode")) {
        desc.drawMode = static_cast<int32_t>(DrawModeFromWord(Utf16(mode)));
    }
    desc.source = ReadRect(element, "sx", "sy", "sw", "sh", kFullSkinRect);
    if (const char* key = element.Attribute("tpcolor")) {
        desc.colourKey = ParseSkinColour(key);
        desc.colourKeyEnabled = true;
    }
    return desc;
}

TextSpec ReadTextElement(const tinyxml2::XMLElement& element, const SkinFontDefaults& fonts) {
    TextSpec desc;
    desc.text = Utf16(ElementText(element));
    desc.rect = ReadRect(element, "x", "y", "w", "h", kFullSkinRect);
    const char* face = element.Attribute("font");
    desc.fontFace = face == nullptr ? fonts.face : Utf16(face);
    desc.colour = ColourAttribute(element, "color");
    desc.format = ParseFormatWords(Utf16(element.Attribute("format")));
    desc.size = Int0Attribute(element, "size", fonts.size);
    return desc;
}

MarkLook ReadMarkLook(const tinyxml2::XMLElement& control) {
    MarkLook look;
    const tinyxml2::XMLElement* marks = control.FirstChildElement("marks");
    if (marks == nullptr) {
        return look;
    }
    look.width = std::clamp(IntAttribute(*marks, "w", 2), 0, kMaxMarkWidth);
    look.marginTop = std::max(IntAttribute(*marks, "mtop", 0), 0);
    look.marginBottom = std::max(IntAttribute(*marks, "mbottom", 0), 0);
    look.colour = ColourAttribute(*marks, "color");
    for (const tinyxml2::XMLElement* mark = marks->FirstChildElement("mark"); mark != nullptr;
         mark = mark->NextSiblingElement("mark")) {
        if (const char* kind = mark->Attribute("type")) {
            look.colours[Utf16(kind)] = ColourAttribute(*mark, "color");
        }
    }
    return look;
}

}  // namespace player
