#pragma once
// Makes a control (an SkContainer with a new widget) from a skin `type` word. Built for one
// parse and dropped after it. GUI thread only.

#include "player/common/NameKey.h"
#include "player/skin/SkContainer.h"

#include <functional>
#include <map>
#include <memory>

namespace player {

using ControlFactory = std::function<std::unique_ptr<SkContainer>()>;

class TypeFactory {
public:
    // The widget types of skins: button, image, text, slider, map, list, video, gsensor and the
    // optional tripstrip.
    static TypeFactory CreateDefault();

    // An empty word is refused. A word already present takes the new factory when one is
    // given; a word registered without factory makes nothing.
    bool Register(const QString& word, ControlFactory factory);

    // The word (UTF-8) is lower-cased byte-wise, A to Z only, then looked up. No word, an
    // unknown word or an entry without factory: none.
    std::unique_ptr<SkContainer> CreateControl(const char* utf8Word) const;

private:
    std::map<NameKey, ControlFactory> m_factories;
};

}  // namespace player
