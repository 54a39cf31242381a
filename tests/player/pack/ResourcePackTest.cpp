#include "player/pack/ResourcePack.h"

#include "tests/player/pack/PackBytes.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace player {
namespace {

using packtest::MakePackBytes;
using packtest::PutInt32;
using packtest::RawEntry;

bool OpenBytes(ResourcePack& pack, QByteArray bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return pack.OpenPack(buffer);
}

QByteArray ValidPack() {
    return MakePackBytes({{"Application.xml", "<a/>"}, {"main.xml", "<main/>"}},
                         {{"img/a.png", "AAAA"}, {"img/b.png", "BB"}});
}

TEST(ResourcePackTest, ReadsEntriesInFileOrder) {
    ResourcePack pack;
    ASSERT_TRUE(OpenBytes(
        pack, MakePackBytes({{"Application.xml", "<a/>"},
                             {"empty.xml", ""},
                             {"main.xml", QByteArray("<m/>\0tail", 9)}},
                            {{"img/b.png", "BB"}, {"img/none.png", ""}, {"img/a.png", "A"}})));
    EXPECT_EQ(pack.LastError(), PackError::None);
    // Entries of size 0 are not kept, so they cannot be found.
    ASSERT_EQ(pack.TextCount(), 2);
    EXPECT_EQ(pack.TextAt(0).name, "Application.xml");
    EXPECT_EQ(pack.TextAt(1).name, "main.xml");
    EXPECT_EQ(pack.FindText("empty.xml"), nullptr);
    ASSERT_EQ(pack.ImageCount(), 2);
    EXPECT_EQ(pack.ImageAt(0).key, NameKey("img/b.png"));
    EXPECT_EQ(pack.ImageAt(0).Size(), 2);
    EXPECT_EQ(pack.ImageAt(1).key, NameKey("img/a.png"));
    EXPECT_EQ(pack.TextDirectory().size(), 3u);
    EXPECT_EQ(pack.ImageDirectory().size(), 3u);
    EXPECT_EQ(std::memcmp(pack.Header().data(), "VDATA", 5), 0);

    // FindText hands out the whole entry, NUL-terminated after its last byte.
    const char* main = pack.FindText("main.xml");
    ASSERT_NE(main, nullptr);
    EXPECT_STREQ(main, "<m/>");
    EXPECT_EQ(std::memcmp(main + 5, "tail", 5), 0);
    EXPECT_EQ(pack.FindText("Main.xml"), nullptr);  // names are case-sensitive
    EXPECT_EQ(pack.FindText("main.xm"), nullptr);

    pack.Close();
    EXPECT_EQ(pack.TextCount(), 0);
    EXPECT_EQ(pack.ImageCount(), 0);
    EXPECT_EQ(pack.FindText("main.xml"), nullptr);
}

TEST(ResourcePackTest, DuplicateTextNamesFindTheFirst) {
    ResourcePack pack;
    ASSERT_TRUE(OpenBytes(
        pack, MakePackBytes({{"skin.xml", "first"}, {"skin.xml", "second"}}, {{"a.png", "x"}})));
    EXPECT_STREQ(pack.FindText("skin.xml"), "first");
}

TEST(ResourcePackTest, NamesFillingTheWholeFieldAndUtf8Names) {
    const QByteArray longName(260, 'n');  // no NUL inside the field: all 260 bytes
    const QByteArray hangul("img/\xEB\xB2\x84\xED\x8A\xBC.png");
    ResourcePack pack;
    ASSERT_TRUE(OpenBytes(pack, MakePackBytes({{longName, "t"}}, {{hangul, "x"}})));
    EXPECT_EQ(pack.TextAt(0).name, longName);
    EXPECT_EQ(pack.ImageAt(0).key.Text(), QString::fromUtf8(hangul));
}

TEST(ResourcePackTest, RejectsMalformedPacks) {
    struct Case {
        const char* what;
        std::function<void(QByteArray&)> damage;
        PackError expected;
    };
    const Case cases[] = {
        {"one byte longer", [](QByteArray& b) { b.append('\0'); }, PackError::LengthMismatch},
        {"one byte shorter", [](QByteArray& b) { b.chop(1); }, PackError::LengthMismatch},
        {"wrong magic", [](QByteArray& b) { b[4] = 'B'; }, PackError::BadMagic},
        {"lower-case magic", [](QByteArray& b) { b[0] = 'v'; }, PackError::BadMagic},
        {"short header", [](QByteArray& b) { b.truncate(23); }, PackError::ShortHeader},
        {"empty file", [](QByteArray& b) { b.clear(); }, PackError::ShortHeader},
        {"zero text entries", [](QByteArray& b) { PutInt32(b, 16, 0); }, PackError::BadCount},
        {"negative image count", [](QByteArray& b) { PutInt32(b, 20, -1); }, PackError::BadCount},
        {"huge count", [](QByteArray& b) { PutInt32(b, 16, 0x7fffffff); },
         PackError::ShortDirectory},
        {"directory cut off", [](QByteArray& b) { b.truncate(24 + 264 * 3); },
         PackError::ShortDirectory},
        // -4 and +4 balance out in the sum; a negative size must not pass.
        {"negative size balanced by another",
         [](QByteArray& b) {
             PutInt32(b, packtest::DirSizeOffset(0), -4);
             PutInt32(b, packtest::DirSizeOffset(1), 7 + 4 + 4);
         },
         PackError::BadEntrySize},
        {"sizes overflowing 32 bits",
         [](QByteArray& b) {
             PutInt32(b, packtest::DirSizeOffset(0), 0x7fffffff);
             PutInt32(b, packtest::DirSizeOffset(1), 0x7fffffff);
         },
         PackError::LengthMismatch},
    };
    for (const Case& c : cases) {
        QByteArray bytes = ValidPack();
        c.damage(bytes);
        ResourcePack pack;
        ASSERT_TRUE(OpenBytes(pack, ValidPack()));  // an earlier success must not linger
        EXPECT_FALSE(OpenBytes(pack, bytes)) << c.what;
        EXPECT_EQ(pack.LastError(), c.expected) << c.what;
        EXPECT_EQ(pack.TextCount(), 0) << c.what;
        EXPECT_EQ(pack.ImageCount(), 0) << c.what;
        EXPECT_TRUE(pack.TextDirectory().empty()) << c.what;
    }
}

TEST(ResourcePackTest, ZeroImageEntriesRejectedEvenWithEveryText) {
    ResourcePack pack;
    EXPECT_FALSE(
        OpenBytes(pack, MakePackBytes({{"Application.xml", "<a/>"}, {"main.xml", "<m/>"}}, {})));
    EXPECT_EQ(pack.LastError(), PackError::BadCount);
}

TEST(ResourcePackTest, OpensFilesByPath) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("VDATA.PACK"));
    ResourcePack pack;
    EXPECT_FALSE(pack.OpenPack(path));
    EXPECT_EQ(pack.LastError(), PackError::NoFile);
    EXPECT_FALSE(pack.OpenPack(dir.path()));  // a folder is no pack
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ValidPack());
    file.close();
    ASSERT_TRUE(pack.OpenPack(path));
    EXPECT_STREQ(pack.FindText("main.xml"), "<main/>");
    EXPECT_NE(std::strlen(DescribePackError(PackError::LengthMismatch)), 0u);
}

}  // namespace
}  // namespace player
