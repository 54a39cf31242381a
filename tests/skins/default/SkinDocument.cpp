#include "SkinDocument.h"

#include <tinyxml2.h>
#include <sstream>

namespace skintest {
namespace {

using tinyxml2::XMLElement;

Box ReadBox(const XMLElement* e, Box box) {
    e->QueryIntAttribute("x", &box.x);
    e->QueryIntAttribute("y", &box.y);
    e->QueryIntAttribute("w", &box.w);
    e->QueryIntAttribute("h", &box.h);
    return box;
}

std::string Attr(const XMLElement* e, const char* name) {
    const char* v = e->Attribute(name);
    return v ? v : "";
}

PictureRef ReadPicture(const XMLElement* e, const std::string& role) {
    PictureRef p;
    p.role = role;
    p.name = e->GetText() ? e->GetText() : "";
    p.dest = ReadBox(e, p.dest);
    p.geobase = Attr(e, "geobase");
    p.drawmode = Attr(e, "drawmode");
    p.keyed = e->Attribute("tpcolor") != nullptr;
    p.hasSource = e->Attribute("sx") || e->Attribute("sw");
    e->QueryIntAttribute("sx", &p.source.x);
    e->QueryIntAttribute("sy", &p.source.y);
    e->QueryIntAttribute("sw", &p.source.w);
    e->QueryIntAttribute("sh", &p.source.h);
    return p;
}

void ReadParts(const XMLElement* control, Control& c) {
    for (const XMLElement* m = control->FirstChildElement("mode"); m;
         m = m->NextSiblingElement("mode"))
        c.placements.push_back({m->IntText(0), ReadBox(m, {}), Attr(m, "geobase")});
    if (const XMLElement* image = control->FirstChildElement("image"))
        c.pictures.push_back(ReadPicture(image, "image"));
    if (const XMLElement* skins = control->FirstChildElement("skins")) {
        for (const XMLElement* s = skins->FirstChildElement("skin"); s;
             s = s->NextSiblingElement("skin"))
            c.pictures.push_back(ReadPicture(s, Attr(s, "type")));
    }
    for (const XMLElement* b = control->FirstChildElement("bgimg"); b;
         b = b->NextSiblingElement("bgimg"))
        c.pictures.push_back(ReadPicture(b, "bgimg"));
    if (const XMLElement* track = control->FirstChildElement("track")) {
        track->QueryIntAttribute("mleft", &c.marginLeft);
        track->QueryIntAttribute("mright", &c.marginRight);
    }
}

bool HasWord(const std::string& words, const char* word) {
    std::istringstream in(words);
    for (std::string w; in >> w;)
        if (w == word)
            return true;
    return false;
}

}  // namespace

const Control* SkinDocument::Find(const std::string& id) const {
    for (const Control& c : controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

SkinDocument ParseSkinDocument(const char* text) {
    SkinDocument doc;
    tinyxml2::XMLDocument xml;
    if (!text || xml.Parse(text) != tinyxml2::XML_SUCCESS) {
        doc.error = text ? xml.ErrorStr() : "no text";
        return doc;
    }
    const XMLElement* root = xml.RootElement();
    const XMLElement* property = root ? root->FirstChildElement("property") : nullptr;
    const XMLElement* controls = root ? root->FirstChildElement("controls") : nullptr;
    if (!property || !controls) {
        doc.error = "no property or controls";
        return doc;
    }
    if (const XMLElement* g = property->FirstChildElement("geometry"))
        doc.window = ReadBox(g, {});
    if (const XMLElement* bgimgs = property->FirstChildElement("bgimgs")) {
        for (const XMLElement* b = bgimgs->FirstChildElement("bgimg"); b;
             b = b->NextSiblingElement("bgimg")) {
            const int mode = b->IntAttribute("mode", 0);
            for (const XMLElement* i = b->FirstChildElement("image"); i;
                 i = i->NextSiblingElement("image"))
                doc.backgrounds.emplace(mode, ReadPicture(i, "bgimg"));
        }
    }
    for (const XMLElement* e = controls->FirstChildElement(); e; e = e->NextSiblingElement()) {
        Control c;
        c.element = e->Name();
        c.type = Attr(e, "type");
        c.id = Attr(e, "id");
        c.behaviour = Attr(e, "mode");
        ReadParts(e, c);
        doc.controls.push_back(std::move(c));
    }
    doc.ok = true;
    return doc;
}

Box Resolve(const Box& box, const std::string& geobase, int width, int height) {
    Box r = box;
    if (HasWord(geobase, "hratio")) {
        r.h = box.h * height / 100;
        r.w = box.w * r.h / 100;
        r.x = (width - r.w) / 2;
        r.y = (height - r.h) / 2;
        return r;
    }
    if (HasWord(geobase, "center"))
        r.x += width / 2;
    if (HasWord(geobase, "right"))
        r.x = width - r.x;
    if (HasWord(geobase, "middle"))
        r.y += height / 2;
    if (HasWord(geobase, "bottom"))
        r.y = height - r.y;
    if (r.w == 65536)
        r.w = width;
    if (r.h == 65536)
        r.h = height;
    return r;
}

}  // namespace skintest
