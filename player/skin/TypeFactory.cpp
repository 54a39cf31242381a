#include "player/skin/TypeFactory.h"

#include "player/skin/SkButton.h"
#include "player/skin/SkGSensorGraph.h"
#include "player/skin/SkImage.h"
#include "player/skin/SkListCtrl.h"
#include "player/skin/SkSlider.h"
#include "player/skin/SkText.h"
#include "player/skin/SkTripStrip.h"
#include "player/skin/SkVideoView.h"
#include "player/skin/SkWebPlaceholder.h"

#include <string>

namespace player {

namespace {

template <typename Widget>
std::unique_ptr<SkContainer> Make() {
    return std::make_unique<SkContainer>(std::make_unique<Widget>());
}

}  // namespace

TypeFactory TypeFactory::CreateDefault() {
    TypeFactory factory;
    factory.Register(QStringLiteral("button"), &Make<SkButton>);
    factory.Register(QStringLiteral("image"), &Make<SkImage>);
    factory.Register(QStringLiteral("text"), &Make<SkText>);
    factory.Register(QStringLiteral("slider"), &Make<SkSlider>);
    factory.Register(QStringLiteral("map"), &Make<SkWebPlaceholder>);
    factory.Register(QStringLiteral("list"), &Make<SkListCtrl>);
    factory.Register(QStringLiteral("video"), &Make<SkVideoView>);
    factory.Register(QStringLiteral("gsensor"), &Make<SkGSensorGraph>);
    factory.Register(QStringLiteral("tripstrip"), &Make<SkTripStrip>);
    return factory;
}

bool TypeFactory::Register(const QString& word, ControlFactory factory) {
    if (word.isEmpty()) {
        return false;
    }
    ControlFactory& slot = m_factories[NameKey(word)];
    if (factory) {
        slot = std::move(factory);
    }
    return true;
}

std::unique_ptr<SkContainer> TypeFactory::CreateControl(const char* utf8Word) const {
    if (utf8Word == nullptr) {
        return nullptr;
    }
    std::string lower(utf8Word);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    const auto it = m_factories.find(NameKey(std::string_view(lower)));
    if (it == m_factories.end() || !it->second) {
        return nullptr;
    }
    return it->second();
}

}  // namespace player
