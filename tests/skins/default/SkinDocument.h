// A skin document read into plain records for checking: placements, pictures and the
// attributes the checks look at.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace skintest {

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
    int Right() const { return x + w; }
    int Bottom() const { return y + h; }
};

struct Placement {
    int mode = 0;
    Box box;
    std::string geobase;
};

struct PictureRef {
    std::string name;
    std::string role;  // "bgimg", "image", a button state or a slider part
    Box dest{0, 0, 65536, 65536};
    std::string geobase;
    std::string drawmode;
    bool hasSource = false;
    Box source{0, 0, 65536, 65536};
    bool keyed = false;
};

struct Control {
    std::string element, type, id, behaviour;
    std::vector<Placement> placements;
    std::vector<PictureRef> pictures;
    int marginLeft = 0, marginRight = 0;  // slider track margins
};

struct SkinDocument {
    bool ok = false;
    std::string error;
    Box window;
    std::multimap<int, PictureRef> backgrounds;  // by window mode
    std::vector<Control> controls;

    const Control* Find(const std::string& id) const;
};

SkinDocument ParseSkinDocument(const char* text);

// Resolves a placement inside a parent of width x height by its anchor words.
Box Resolve(const Box& box, const std::string& geobase, int width, int height);

}  // namespace skintest
