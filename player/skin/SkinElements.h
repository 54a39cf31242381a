#pragma once
// Readers of the elements skin documents share: element text, image elements and text
// elements. Used by ParseSkin only. GUI thread only.

#include "player/skin/ParseSkin.h"
#include "player/skin/SkinImage.h"
#include "player/skin/SkinMarks.h"
#include "player/skin/SkinText.h"

#include <QString>

#include <cstdint>

namespace tinyxml2 {
class XMLElement;
}

namespace player {

// The element's text, present only when its first child node is text; else null.
const char* ElementText(const tinyxml2::XMLElement& element);
QString Utf16(const char* utf8);

// An *int* attribute: its value, or fallback when absent or unreadable.
int32_t IntAttribute(const tinyxml2::XMLElement& element, const char* name, int32_t fallback);
// An *int0* attribute: atoi of its value, or fallback when absent.
int32_t Int0Attribute(const tinyxml2::XMLElement& element, const char* name, int32_t fallback);
// A colour attribute: its colour, or opaque white when absent.
uint32_t ColourAttribute(const tinyxml2::XMLElement& element, const char* name);

ImageSpec ReadImageElement(const tinyxml2::XMLElement& element);
TextSpec ReadTextElement(const tinyxml2::XMLElement& element, const SkinFontDefaults& fonts);
// The control's optional `marks` child; none (width 0) without one.
MarkLook ReadMarkLook(const tinyxml2::XMLElement& control);

class SkContainer;
// The part of a control element that its kind reads (the exact `type` word decides).
void ReadKindPart(const char* type, const tinyxml2::XMLElement& element, SkContainer& control,
                  const SkinFontDefaults& fonts);

}  // namespace player
