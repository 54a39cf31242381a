#include "player/skin/StyleWords.h"

#include <QString>

#include <gtest/gtest.h>

namespace player {
namespace {

TEST(StyleWordsTest, GeobaseNormalisation) {
    struct Case {
        const char* words;
        uint32_t expected;
    } cases[] = {
        {"percent center", 0x12},  // the percent flag is lost
        {"center percent", 0x8000},
        {"percent center middle", 0x8022},  // keeps percent
        {"left right", 0x11},               // two horizontal words
        {"", 0x11},
        {"nonsense", 0x11},
        {"right bottom", 0x44},
        {"center|middle", 0x22},
        {"wratio", 0x10000},
        {"hratio", 0x20000},
        {"wratio left", 0x11},        // a horizontal word alone drops the ratio
        {"percent wratio", 0x10000},  // the later replacing word wins
        {"top bottom right", 0x14},
        {"Left", 0x11},  // case-sensitive
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseAnchorWords(QString::fromUtf8(c.words)), c.expected) << c.words;
    }
}

TEST(StyleWordsTest, FormatWordsAddFlags) {
    EXPECT_EQ(ParseFormatWords(u"wordbreak vcenter"), 0x41u);
    EXPECT_EQ(ParseFormatWords(u"bold,italic,underline,strikeout"), 0xF00u);
    EXPECT_EQ(ParseFormatWords(u"center right bottom wordellipsis"), 0x9Au);
    EXPECT_EQ(ParseFormatWords(u"BOLD middle"), 0u);
    EXPECT_EQ(ParseFormatWords(u"left top"), 0x24u);
}

TEST(StyleWordsTest, WordTables) {
    EXPECT_EQ(DrawModeFromWord(u"pattern"), DrawMode::Pattern);
    EXPECT_EQ(DrawModeFromWord(u"buttonface"), DrawMode::ButtonFace);
    EXPECT_EQ(DrawModeFromWord(u"tile"), DrawMode::Stretch);
    EXPECT_EQ(ButtonStateFromWord(u"hover2"), ButtonState::Hover2);
    EXPECT_EQ(ButtonStateFromWord(u"shadow"), ButtonState::None);
    EXPECT_EQ(ButtonStateFromWord(QStringView()), ButtonState::None);
    EXPECT_EQ(ButtonBehaviourFromWord(QStringView()), ButtonBehaviour::Push);
    EXPECT_EQ(ButtonBehaviourFromWord(u"check"), ButtonBehaviour::Check);
    EXPECT_EQ(ButtonBehaviourFromWord(u"toggle"), ButtonBehaviour::Other);
    EXPECT_EQ(SliderPartFromWord(u"athumb"), SliderPart::AThumb);
    EXPECT_EQ(SliderPartFromWord(u"Thumb"), SliderPart::None);
}

}  // namespace
}  // namespace player
