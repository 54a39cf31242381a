#include "player/skin/StyleWords.h"

#include "player/skin/SkinSyntax.h"

#include <bit>
#include <utility>

namespace player {

namespace {

struct WordFlag {
    const char16_t* word;
    uint32_t flag;
};

constexpr WordFlag kAnchorWords[] = {
    {u"left", kAnchorLeft}, {u"center", kAnchorCenter}, {u"right", kAnchorRight},
    {u"top", kAnchorTop},   {u"middle", kAnchorMiddle}, {u"bottom", kAnchorBottom},
};
constexpr WordFlag kReplacingAnchorWords[] = {
    {u"percent", kAnchorPercent}, {u"wratio", kAnchorWRatio}, {u"hratio", kAnchorHRatio}};

constexpr WordFlag kFormatWords[] = {
    {u"wordbreak", kFormatWordBreak}, {u"wordellipsis", kFormatWordEllipsis},
    {u"left", kFormatLeft},           {u"center", kFormatCenter},
    {u"right", kFormatRight},         {u"top", kFormatTop},
    {u"vcenter", kFormatVCenter},     {u"bottom", kFormatBottom},
    {u"bold", kFormatBold},           {u"italic", kFormatItalic},
    {u"underline", kFormatUnderline}, {u"strikeout", kFormatStrikeOut},
};

template <typename Table>
const WordFlag* Find(const Table& table, QStringView word) {
    for (const WordFlag& entry : table) {
        if (word == QStringView(entry.word)) {
            return &entry;
        }
    }
    return nullptr;
}

constexpr uint32_t kHorizontalMask = 0x0F;
constexpr uint32_t kVerticalMask = 0xF0;

}  // namespace

uint32_t NormaliseAnchorFlags(uint32_t flags) {
    if (flags == kAnchorPercent || flags == kAnchorWRatio || flags == kAnchorHRatio) {
        return flags;
    }
    if (std::popcount(flags & kHorizontalMask) != 1) {
        flags = (flags & kVerticalMask) | kAnchorLeft;
    }
    if (std::popcount(flags & kVerticalMask) != 1) {
        flags = (flags & kHorizontalMask) | kAnchorTop;
    }
    return flags;
}

uint32_t ParseAnchorWords(QStringView words) {
    uint32_t flags = 0;
    for (QStringView word : SplitSkinWords(words)) {
        if (const WordFlag* entry = Find(kAnchorWords, word)) {
            flags |= entry->flag;
        } else if (const WordFlag* replacing = Find(kReplacingAnchorWords, word)) {
            flags = replacing->flag;
        }
    }
    return NormaliseAnchorFlags(flags);
}

uint32_t ParseFormatWords(QStringView words) {
    uint32_t flags = 0;
    for (QStringView word : SplitSkinWords(words)) {
        if (const WordFlag* entry = Find(kFormatWords, word)) {
            flags |= entry->flag;
        }
    }
    return flags;
}

DrawMode DrawModeFromWord(QStringView word) {
    if (word == u"pattern") {
        return DrawMode::Pattern;
    }
    if (word == u"buttonface") {
        return DrawMode::ButtonFace;
    }
    return DrawMode::Stretch;
}

ButtonState ButtonStateFromWord(QStringView word) {
    static constexpr std::pair<const char16_t*, ButtonState> kStates[] = {
        {u"normal", ButtonState::Normal}, {u"checked", ButtonState::Checked},
        {u"pushed", ButtonState::Pushed}, {u"disabled", ButtonState::Disabled},
        {u"hover", ButtonState::Hover},   {u"pushed2", ButtonState::Pushed2},
        {u"hover2", ButtonState::Hover2},
    };
    for (const auto& [name, state] : kStates) {
        if (word == QStringView(name)) {
            return state;
        }
    }
    return ButtonState::None;
}

ButtonBehaviour ButtonBehaviourFromWord(QStringView word) {
    if (word.isNull() || word == u"push") {
        return ButtonBehaviour::Push;
    }
    return word == u"check" ? ButtonBehaviour::Check : ButtonBehaviour::Other;
}

SliderPart SliderPartFromWord(QStringView word) {
    static constexpr std::pair<const char16_t*, SliderPart> kParts[] = {
        {u"tics", SliderPart::Tics},     {u"btrack", SliderPart::BTrack},
        {u"track", SliderPart::Track},   {u"thumb", SliderPart::Thumb},
        {u"athumb", SliderPart::AThumb},
    };
    for (const auto& [name, part] : kParts) {
        if (word == QStringView(name)) {
            return part;
        }
    }
    return SliderPart::None;
}

}  // namespace player
