#include "player/common/NameKey.h"

#include <gtest/gtest.h>

#include <map>

namespace player {
namespace {

TEST(NameKeyTest, HashIsDjb2OverUtf16Units) {
    EXPECT_EQ(NameKey().Hash(), 5381u);
    EXPECT_EQ(NameKey("a").Hash(), 5381u * 33u + 97u);
    EXPECT_EQ(NameKey("hello").Hash(), 261238937u);  // the published djb2 value
    // Outside the BMP each surrogate unit counts: U+1F600 is D83D DE00.
    EXPECT_EQ(NameKey("\xF0\x9F\x98\x80").Hash(), (5381u * 33u + 0xD83Du) * 33u + 0xDE00u);
    // Long names wrap at 32 bits rather than saturating.
    const QString longName(64, u'z');
    uint64_t wide = 5381;
    for (int i = 0; i < longName.size(); ++i) {
        wide = (wide * 33 + u'z') & 0xFFFFFFFFu;
    }
    EXPECT_EQ(NameKey(longName).Hash(), static_cast<uint32_t>(wide));
}

TEST(NameKeyTest, EmptyFlagAndSourcesAgree) {
    EXPECT_TRUE(NameKey().IsEmpty());
    EXPECT_TRUE(NameKey("").IsEmpty());
    EXPECT_TRUE(NameKey(static_cast<const char*>(nullptr)).IsEmpty());
    EXPECT_FALSE(NameKey(" ").IsEmpty());
    // The same name from UTF-8 bytes and from a wide string is one key.
    const char* utf8 = "main.\xEB\xB2\x84\xED\x8A\xBC";  // "main.버튼"
    const NameKey fromBytes{QByteArray(utf8)};
    const NameKey fromWide(QString::fromUtf8(utf8));
    EXPECT_EQ(fromBytes, fromWide);
    EXPECT_EQ(fromBytes.Hash(), fromWide.Hash());
    EXPECT_EQ(NameKey(std::string_view(utf8)), fromWide);
    EXPECT_EQ(fromWide.Text().size(), 7);
}

TEST(NameKeyTest, OrderIsByCodeUnitsAlone) {
    struct Case {
        const char* lower;
        const char* higher;
    };
    const Case cases[] = {
        {"B", "a"},                            // case-sensitive, upper case first
        {"main", "main.button"},               // prefix first
        {"z", "\xC3\xA9"},                     // é (U+00E9) after ASCII
        {"\xF0\x9F\x98\x80", "\xEF\xBC\x81"},  // U+1F600 (D83D) before U+FF01: units, not points
    };
    for (const Case& c : cases) {
        EXPECT_LT(NameKey(c.lower), NameKey(c.higher)) << c.lower << " < " << c.higher;
        EXPECT_GT(NameKey(c.higher), NameKey(c.lower));
    }
    // "aB" and "b!" share a djb2 hash; they stay two distinct keys.
    const NameKey a("aB");
    const NameKey b("b!");
    ASSERT_EQ(a.Hash(), b.Hash());
    EXPECT_NE(a, b);
    std::map<NameKey, int> table{{a, 1}, {b, 2}};
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(table.at(NameKey("b!")), 2);
}

}  // namespace
}  // namespace player
