#include "player/skin/SkinSyntax.h"

#include <gtest/gtest.h>

namespace player {
namespace {

TEST(SkinSyntaxTest, Colours) {
    struct Case {
        const char* text;
        uint32_t expected;
    } cases[] = {
        {"10,20,30", 0xFF0A141E},
        {"128,10,20,30", 0x800A141E},
        {"1,2", 0xFFFFFFFF},
        {"1,2,3,4,5", 0xFFFFFFFF},
        {"", 0xFFFFFFFF},
        {"10|20 30", 0xFF0A141E},
        {"10\r\n20,,30", 0xFF0A141E},  // runs of separators are one
        {" 10 , 20 , 30 ", 0xFF0A141E},
        {"266,-1,512", 0xFF0AFF00},  // each number modulo 256
        {"a,b,c", 0xFF000000},       // unreadable numbers count, as zero
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseSkinColour(c.text), c.expected) << '"' << c.text << '"';
    }
    EXPECT_EQ(ParseSkinColour(nullptr), 0xFFFFFFFFu);
}

TEST(SkinSyntaxTest, IntegersReadLikeScanfAndAtoi) {
    struct Case {
        const char* text;
        std::optional<int32_t> asInt;
        int32_t asInt0;
    } cases[] = {
        {"42", 42, 42},
        {"  -7", -7, -7},
        {"+5px", 5, 5},
        {"px5", std::nullopt, 0},
        {"", std::nullopt, 0},
        {"-", std::nullopt, 0},
        {"99999999999", INT32_MAX, INT32_MAX},
        {"-99999999999", INT32_MIN, INT32_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseSkinInt(c.text), c.asInt) << '"' << c.text << '"';
        EXPECT_EQ(ParseSkinInt0(c.text), c.asInt0) << '"' << c.text << '"';
    }
    EXPECT_EQ(ParseSkinInt(nullptr), std::nullopt);
    EXPECT_EQ(ParseSkinInt0(nullptr), 0);
}

TEST(SkinSyntaxTest, WordsSplitAtTheFiveSeparators) {
    const QString text = QStringLiteral("|left,,top\r\nbold  x|");
    const QList<QStringView> words = SplitSkinWords(text);
    ASSERT_EQ(words.size(), 4);
    EXPECT_EQ(words[0], u"left");
    EXPECT_EQ(words[1], u"top");
    EXPECT_EQ(words[2], u"bold");
    EXPECT_EQ(words[3], u"x");
    EXPECT_TRUE(SplitSkinWords(QStringLiteral("\t")).size() == 1) << "a tab is not a separator";
}

}  // namespace
}  // namespace player
