#include "player/pack/ImageCache.h"

#include "player/pack/ResourcePack.h"
#include "tests/player/pack/PackBytes.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <thread>
#include <vector>

namespace player {
namespace {

using packtest::EncodeImage;
using packtest::MakePackBytes;

// Each test starts from an empty cache and leaves none behind.
class ImageCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        ImageCache::Destroy();
        ASSERT_TRUE(m_dir.isValid());
        m_oldCurrent = QDir::currentPath();
        QDir::setCurrent(m_dir.path());  // file fallbacks are relative to the current folder
    }
    void TearDown() override {
        QDir::setCurrent(m_oldCurrent);
        ImageCache::Destroy();
    }

    void WriteFile(const QString& relative, const QByteArray& data) {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }

    bool LoadPack(ResourcePack& pack, const std::vector<packtest::RawEntry>& images) {
        QByteArray bytes = MakePackBytes({{"Application.xml", "<a/>"}}, images);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        return pack.OpenPack(buffer) && LoadPackImages(&pack, ImageCache::Instance());
    }

    QTemporaryDir m_dir;
    QString m_oldCurrent;
};

TEST_F(ImageCacheTest, FileImageLivesUntilReleasedOnceMoreThanAcquired) {
    WriteFile(QStringLiteral("pic.png"), EncodeImage(Qt::red));
    ImageCache& cache = ImageCache::Instance();
    const NameKey name("pic.png");

    const QImage* first = cache.AcquireImage(name);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(cache.AcquireImage(name), first);
    EXPECT_EQ(cache.UseCount(name), 2);

    EXPECT_TRUE(cache.ReleaseImage(name));
    EXPECT_TRUE(cache.ReleaseImage(name));
    EXPECT_EQ(cache.UseCount(name), 0);  // still cached after its last user left
    EXPECT_TRUE(cache.ReleaseImage(name));
    EXPECT_FALSE(cache.UseCount(name).has_value());
    EXPECT_FALSE(cache.ReleaseImage(name));

    // The next acquire reads the file again: a changed file shows.
    WriteFile(QStringLiteral("pic.png"), EncodeImage(Qt::blue));
    const QImage* again = cache.AcquireImage(name);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(cache.UseCount(name), 1);
}

TEST_F(ImageCacheTest, MissingEmptyAndBackslashNames) {
    WriteFile(QStringLiteral("skin/img/b.bmp"), EncodeImage(Qt::green, "BMP"));
    ImageCache& cache = ImageCache::Instance();
    EXPECT_EQ(cache.AcquireImage(NameKey()), nullptr);
    EXPECT_EQ(cache.AcquireImage(NameKey("absent.png")), nullptr);
    EXPECT_EQ(cache.Size(), 0);  // failures leave nothing behind
    EXPECT_FALSE(cache.ReleaseImage(NameKey("absent.png")));
    // Skins written for the original platform use "\"; the file is found all the same and
    // cached under the name as written.
    const NameKey windowsName("skin\\img\\..\\img\\b.bmp");
    ASSERT_NE(cache.AcquireImage(windowsName), nullptr);
    EXPECT_EQ(cache.UseCount(windowsName), 1);
    EXPECT_FALSE(cache.UseCount(NameKey("skin/img/b.bmp")).has_value());
}

TEST_F(ImageCacheTest, PackImagesOutliveTheirUsers) {
    ResourcePack pack;
    // The name's extension is only a hint: a mislabelled picture decodes all the same.
    ASSERT_TRUE(LoadPack(pack, {{"img/a.png", EncodeImage(Qt::red)},
                                {"img/b.jpg", EncodeImage(Qt::white, "JPG", 8)},
                                {"img/c.bmp", EncodeImage(Qt::black, "BMP")},
                                {"img/d.png", EncodeImage(Qt::green, "BMP")}}));
    pack.Close();  // the cache keeps its own pictures
    ImageCache& cache = ImageCache::Instance();
    EXPECT_EQ(cache.Size(), 4);
    for (const char* name : {"img/a.png", "img/b.jpg", "img/c.bmp", "img/d.png"}) {
        const NameKey key(name);
        EXPECT_EQ(cache.UseCount(key), 1) << name;
        ASSERT_NE(cache.AcquireImage(key), nullptr) << name;
        EXPECT_TRUE(cache.ReleaseImage(key));
        EXPECT_EQ(cache.UseCount(key), 1) << name;
    }
    EXPECT_EQ(cache.AcquireImage(NameKey("img/a.png"))->pixelColor(1, 1), QColor(Qt::red));
}

TEST_F(ImageCacheTest, FirstDecodedDuplicateStaysAndBrokenEntriesAreSkipped) {
    ResourcePack pack;
    ASSERT_TRUE(LoadPack(pack, {{"dup.png", "not a picture"},
                                {"dup.png", EncodeImage(Qt::red)},
                                {"dup.png", EncodeImage(Qt::blue)},
                                {"broken.png", "\x89PNG garbage"}}));
    ImageCache& cache = ImageCache::Instance();
    EXPECT_EQ(cache.Size(), 1);
    const QImage* image = cache.AcquireImage(NameKey("dup.png"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(cache.UseCount(NameKey("dup.png")), 2);
    // An undecodable pack entry falls back to a file of that name.
    WriteFile(QStringLiteral("broken.png"), EncodeImage(Qt::green));
    ASSERT_NE(cache.AcquireImage(NameKey("broken.png")), nullptr);
    EXPECT_FALSE(LoadPackImages(nullptr, cache));
}

TEST_F(ImageCacheTest, NonAsciiPackNameFoundFromUtf8Skin) {
    const QByteArray name("img/\xEB\xB2\x84\xED\x8A\xBC_\xC3\xA9.png");  // "img/버튼_é.png"
    ResourcePack pack;
    ASSERT_TRUE(LoadPack(pack, {{name, EncodeImage(Qt::red)}}));
    // The skin names the picture in its own UTF-8 text, read as the skin reader does.
    const QByteArray skin = "<skin><image file=\"" + name + "\"/></skin>";
    tinyxml2::XMLDocument document;
    ASSERT_EQ(document.Parse(skin.constData()), tinyxml2::XML_SUCCESS);
    const char* file = document.RootElement()->FirstChildElement("image")->Attribute("file");
    EXPECT_NE(ImageCache::Instance().AcquireImage(NameKey(file)), nullptr);
}

TEST_F(ImageCacheTest, DestroyStartsAFreshCache) {
    WriteFile(QStringLiteral("pic.png"), EncodeImage(Qt::red));
    ASSERT_NE(ImageCache::Instance().AcquireImage(NameKey("pic.png")), nullptr);
    ImageCache::Destroy();
    ImageCache::Destroy();  // twice is harmless
    EXPECT_EQ(ImageCache::Instance().Size(), 0);
}

TEST_F(ImageCacheTest, ConcurrentUsersKeepCountsExact) {
    WriteFile(QStringLiteral("pic.png"), EncodeImage(Qt::red));
    const NameKey name("pic.png");
    ASSERT_NE(ImageCache::Instance().AcquireImage(name), nullptr);  // keep the entry alive
    constexpr int kThreads = 4;
    constexpr int kRounds = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&name] {
            for (int i = 0; i < kRounds; ++i) {
                ImageCache& cache = ImageCache::Instance();
                if (cache.AcquireImage(name) != nullptr) {
                    cache.ReleaseImage(name);
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(ImageCache::Instance().UseCount(name), 1);
}

}  // namespace
}  // namespace player
