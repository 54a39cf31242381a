// The kind-specific parts of skin control elements.

#include "player/skin/SkButton.h"
#include "player/skin/SkContainer.h"
#include "player/skin/SkGSensorGraph.h"
#include "player/skin/SkImage.h"
#include "player/skin/SkListCtrl.h"
#include "player/skin/SkSlider.h"
#include "player/skin/SkText.h"
#include "player/skin/SkTripStrip.h"
#include "player/skin/SkinElements.h"
#include "player/skin/StyleWords.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cstring>

namespace player {

namespace {

using tinyxml2::XMLElement;

constexpr int32_t kDefaultRowHeight = 10;
constexpr int32_t kDefaultPenWidth = 1;

void ReadButton(const XMLElement& element, SkButton& button, const SkinFontDefaults& fonts) {
    button.SetBehaviourMode(ButtonBehaviourFromWord(Utf16(element.Attribute("mode"))));
    if (const XMLElement* label = element.FirstChildElement("text")) {
        button.SetLabel(ReadTextElement(*label, fonts));
    }
    const XMLElement* skins = element.FirstChildElement("skins");
    if (skins == nullptr) {
        return;
    }
    for (const XMLElement* skin = skins->FirstChildElement("skin"); skin != nullptr;
         skin = skin->NextSiblingElement("skin")) {
        const ButtonState state = ButtonStateFromWord(Utf16(skin->Attribute("type")));
        if (state == ButtonState::None) {
            return;  // the first unknown state ends the list
        }
        button.SetStateImage(state, ReadImageElement(*skin));
    }
}

void ReadSlider(const XMLElement& element, SkSlider& slider) {
    const char* mode = element.Attribute("mode");
    slider.SetVertical(mode != nullptr && std::strcmp(mode, "vertical") == 0);
    slider.SetMarkLook(ReadMarkLook(element));
    if (const XMLElement* track = element.FirstChildElement("track")) {
        const SliderMargins margins{
            IntAttribute(*track, "mleft", 0), IntAttribute(*track, "mtop", 0),
            IntAttribute(*track, "mright", 0), IntAttribute(*track, "mbottom", 0)};
        slider.SetRange(IntAttribute(*track, "max", 10), IntAttribute(*track, "min", 0), margins,
                        ParseSkinInt0(ElementText(*track)), IntAttribute(*track, "page", 1));
    }
    const XMLElement* skins = element.FirstChildElement("skins");
    if (skins == nullptr) {
        return;  // no parts: no background images either
    }
    for (const XMLElement* skin = skins->FirstChildElement("skin"); skin != nullptr;
         skin = skin->NextSiblingElement("skin")) {
        const SliderPart part = SliderPartFromWord(Utf16(skin->Attribute("type")));
        if (part == SliderPart::None) {
            return;  // ends the parts and the background images
        }
        slider.SetPart(part, ReadImageElement(*skin));
    }
    for (const XMLElement* image = element.FirstChildElement("bgimg"); image != nullptr;
         image = image->NextSiblingElement("bgimg")) {
        slider.AddBackgroundImage(ReadImageElement(*image));
    }
}

void ReadList(const XMLElement& element, SkListCtrl& list, const SkinFontDefaults& fonts) {
    if (const XMLElement* background = element.FirstChildElement("bgimg")) {
        list.SetBackgroundImage(ReadImageElement(*background));
    }
    const XMLElement* columns = element.FirstChildElement("columns");
    if (columns == nullptr) {
        return;
    }
    const TextSpec rows = ReadTextElement(*columns, fonts);
    const int32_t height = IntAttribute(*columns, "height", kDefaultRowHeight);
    if (height >= 0) {
        list.SetRowHeight(height);
    }
    list.SetRowFont(rows.fontFace, rows.size, rows.format, rows.colour,
                    ColourAttribute(*columns, "selcolor"));
    if (const XMLElement* flag = columns->FirstChildElement("flag")) {
        list.SetFlagLook({ColourAttribute(*flag, "color"), std::max(IntAttribute(*flag, "w", 0), 0),
                          std::max(IntAttribute(*flag, "h", 0), 0),
                          std::max(IntAttribute(*flag, "mright", 0), 0)});
    }
    for (const XMLElement* column = columns->FirstChildElement("column"); column != nullptr;
         column = column->NextSiblingElement("column")) {
        list.SetColumnWidth(Int0Attribute(*column, "index", -1),
                            Int0Attribute(*column, "width", -1));
    }
}

void ReadGSensorGraph(const XMLElement& element, SkContainer& control, SkGSensorGraph& graph) {
    graph.SetMarkLook(ReadMarkLook(element));
    if (const XMLElement* background = element.FirstChildElement("bgimg")) {
        graph.SetBackgroundImage(ReadImageElement(*background));
    }
    const ModeGeometry* mode0 = control.ModeGeometryOf(0);
    const SkinRect plot = mode0 != nullptr ? mode0->rect : SkinRect{};
    for (const XMLElement* line = element.FirstChildElement("line"); line != nullptr;
         line = line->NextSiblingElement("line")) {
        const QString name = Utf16(ElementText(*line));
        GSensorTrace trace;
        if (name == u"x") {
            trace = GSensorTrace::X;
        } else if (name == u"y") {
            trace = GSensorTrace::Y;
        } else if (name == u"z") {
            trace = GSensorTrace::Z;
        } else if (name == u"time") {
            trace = GSensorTrace::Time;
        } else {
            continue;
        }
        graph.SetPen(trace, GraphPen{ColourAttribute(*line, "color"),
                                     Int0Attribute(*line, "thick", kDefaultPenWidth)});
        if (trace == GSensorTrace::Time) {
            // "heigh" is the attribute's spelling in skin documents.
            graph.SetBand(
                GraphBand{IntAttribute(*line, "startpos", 0), IntAttribute(*line, "endpos", plot.w),
                          IntAttribute(*line, "top", 0), IntAttribute(*line, "heigh", plot.h)});
        }
    }
}

void ReadTripStrip(const XMLElement& element, SkTripStrip& strip) {
    strip.SetMarkLook(ReadMarkLook(element));
    if (const XMLElement* track = element.FirstChildElement("track")) {
        strip.SetLayout(
            SliderMargins{IntAttribute(*track, "mleft", 0), IntAttribute(*track, "mtop", 0),
                          IntAttribute(*track, "mright", 0), IntAttribute(*track, "mbottom", 0)},
            IntAttribute(*track, "gap", 0));
    }
    if (const XMLElement* skins = element.FirstChildElement("skins")) {
        for (const XMLElement* skin = skins->FirstChildElement("skin"); skin != nullptr;
             skin = skin->NextSiblingElement("skin")) {
            strip.SetPart(SkTripStrip::PartFromWord(Utf16(skin->Attribute("type"))),
                          ReadImageElement(*skin));
        }
    }
    for (const XMLElement* image = element.FirstChildElement("bgimg"); image != nullptr;
         image = image->NextSiblingElement("bgimg")) {
        strip.AddBackgroundImage(ReadImageElement(*image));
    }
}

}  // namespace

void ReadKindPart(const char* type, const XMLElement& element, SkContainer& control,
                  const SkinFontDefaults& fonts) {
    SkWidget* widget = control.Widget();
    if (std::strcmp(type, "button") == 0) {
        if (auto* button = dynamic_cast<SkButton*>(widget)) {
            ReadButton(element, *button, fonts);
        }
    } else if (std::strcmp(type, "image") == 0) {
        auto* image = dynamic_cast<SkImage*>(widget);
        const XMLElement* child = element.FirstChildElement("image");
        if (image != nullptr && child != nullptr) {
            image->SetImage(ReadImageElement(*child));
        }
    } else if (std::strcmp(type, "text") == 0) {
        auto* text = dynamic_cast<SkText*>(widget);
        const XMLElement* child = element.FirstChildElement("text");
        if (text != nullptr && child != nullptr) {
            text->SetText(ReadTextElement(*child, fonts));
        }
    } else if (std::strcmp(type, "slider") == 0) {
        if (auto* slider = dynamic_cast<SkSlider*>(widget)) {
            ReadSlider(element, *slider);
        }
    } else if (std::strcmp(type, "list") == 0) {
        if (auto* list = dynamic_cast<SkListCtrl*>(widget)) {
            ReadList(element, *list, fonts);
        }
    } else if (std::strcmp(type, "tripstrip") == 0) {
        if (auto* strip = dynamic_cast<SkTripStrip*>(widget)) {
            ReadTripStrip(element, *strip);
        }
    } else if (std::strcmp(type, "gsensor") == 0) {
        if (auto* graph = dynamic_cast<SkGSensorGraph*>(widget)) {
            ReadGSensorGraph(element, control, *graph);
        }
    }
}

}  // namespace player
