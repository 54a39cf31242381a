#include "tools/skin-preview/SkinPreview.h"

#include "tests/player/skin/SkinWindowFixture.h"
#include "tests/support/RunTool.h"
#include "tools/mkpack/PackWriter.h"

#include <QBuffer>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using skintest::kBlue;
using skintest::kGreen;
using skintest::kRed;
using skintest::kStateColours;

QByteArray Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray SolidPng(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return Png(image);
}

testsupport::ToolRun RunTool(const QStringList& args) {
    return testsupport::RunTool(testsupport::ToolPath("skin-preview"), args, 60000);
}

class SkinPreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        packPath = dir.filePath("TEST.PACK");
        WritePack(packPath, skintest::kTestSkin);
    }

    void WritePack(const QString& path, const QByteArray& mainSkin) {
        QFile profile(QStringLiteral(TEST_SOURCE_DIR "/skins/default/pack/Application.xml"));
        ASSERT_TRUE(profile.open(QIODevice::ReadOnly));
        mkpack::PackContents contents;
        contents.texts.push_back({"Application.xml", profile.readAll()});
        contents.texts.push_back({"main.xml", mainSkin});
        contents.images = {{"bg_red.png", SolidPng(8, 8, kRed)},
                           {"bg_blue.png", SolidPng(8, 8, kBlue)},
                           {"bg_green.png", SolidPng(8, 8, kGreen)},
                           {"dark.png", SolidPng(4, 4, qRgb(10, 10, 10))},
                           {"light.png", SolidPng(4, 4, qRgb(240, 240, 240))},
                           {"thumb.png", SolidPng(4, 4, qRgb(0, 0, 255))},
                           {"keyed.png", SolidPng(40, 40, qRgb(255, 0, 255))}};
        for (int s = 0; s < 7; ++s) {
            contents.images.push_back({QByteArray("s") + QByteArray::number(s) + ".png",
                                       SolidPng(4, 4, kStateColours[s])});
        }
        QString error;
        ASSERT_TRUE(mkpack::WritePackFile(path, contents, error)) << error.toStdString();
    }

    QTemporaryDir dir;
    QString packPath;
};

TEST_F(SkinPreviewTest, ArgumentsAreCheckedBeforeAnythingIsLoaded) {
    struct Case {
        QStringList args;
        bool ok;
    };
    const Case cases[] = {
        {{"p", "MAIN", "0", "o.png"}, true},
        {{"p", "MAIN", "1", "o.png", "--state", "a=b", "--screen", "1366x768"}, true},
        {{"p", "MAIN", "0"}, false},
        {{"p", "MAIN", "x", "o.png"}, false},
        {{"p", "MAIN", "-1", "o.png"}, false},
        {{"p", "MAIN", "0", "o.png", "--state", "novalue"}, false},
        {{"p", "MAIN", "0", "o.png", "--screen", "1366"}, false},
        {{"p", "MAIN", "0", "o.png", "--screen", "16384x16384"}, false},
        {{"p", "MAIN", "0", "o.png", "--state"}, false},
        {{"p", "MAIN", "0", "o.png", "--bogus"}, false},
    };
    for (const Case& c : cases) {
        QString error;
        const auto parsed = skinpreview::ParseArguments(c.args, error);
        EXPECT_EQ(parsed.has_value(), c.ok) << c.args.join(' ').toStdString();
        EXPECT_EQ(error.isEmpty(), c.ok);
    }
    QString error;
    const auto parsed = skinpreview::ParseArguments(
        {"p.pack", "NOTIFY", "1", "o.png", "--state", "n.text.title=a=b", "--maximised"}, error);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->first.mode, 1);
    EXPECT_TRUE(parsed->first.maximised);
    ASSERT_EQ(parsed->first.states.size(), 1u);
    EXPECT_EQ(parsed->first.states[0].second, "a=b");
    EXPECT_EQ(parsed->second, "o.png");
}

TEST_F(SkinPreviewTest, RendersTheWindowWithEveryControlShown) {
    const QString out = dir.filePath("main0.png");
    const testsupport::ToolRun run =
        RunTool({packPath, "MAIN", "0", out, "--state", "t.button.check=pushed", "--state",
                 "t.slider.time=0", "--state", "t.listbox.files=*WWWW,x,y"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage shown(out);
    ASSERT_EQ(shown.size(), QSize(400, 300));
    EXPECT_EQ(shown.pixel(100, 290), kBlue);
    EXPECT_EQ(shown.pixel(390, 290), kRed);
    EXPECT_EQ(shown.pixel(290, 75), kStateColours[2]);  // the forced pushed state
    EXPECT_TRUE(skintest::Near(shown.pixel(240, 75), qRgb(228, 128, 128)));
    EXPECT_EQ(shown.pixel(10 + 50, 110), qRgb(10, 10, 10));  // value 0: nothing filled
    int green = 0;                                           // the selected row's text
    for (int x = 12; x < 100; ++x) {
        for (int y = 140; y < 160; ++y) {
            green += qGreen(shown.pixel(x, y)) > 150 && qRed(shown.pixel(x, y)) < 60 ? 1 : 0;
        }
    }
    EXPECT_GT(green, 10);
}

TEST_F(SkinPreviewTest, MainWindowModeOneFillsTheScreenGiven) {
    const QString out = dir.filePath("main1.png");
    const testsupport::ToolRun run = RunTool({packPath, "MAIN", "1", out, "--screen", "640x480"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage shown(out);
    ASSERT_EQ(shown.size(), QSize(640, 480));
    EXPECT_EQ(shown.pixel(5, 5), kGreen);
    // The play button is anchored to the right and bottom in mode 1.
    EXPECT_TRUE(skintest::Near(shown.pixel(620, 465), qRgb(128, 228, 128)));
}

TEST_F(SkinPreviewTest, FailuresNameTheirReason) {
    struct Case {
        QStringList args;
        int exitCode;
        const char* reason;
    };
    const QString out = dir.filePath("x.png");
    const Case cases[] = {
        {{packPath, "MAIN"}, 1, "usage"},
        {{dir.filePath("none.pack"), "MAIN", "0", out}, 2, "pack"},
        {{packPath, "NOSUCH", "0", out}, 2, "NOSUCH"},
        {{packPath, "MAIN", "0", out, "--state", "t.nothing=1"}, 2, "t.nothing"},
        {{packPath, "MAIN", "0", out, "--state", "t.button.play=shiny"}, 2, "shiny"},
        {{packPath, "MAIN", "0", out, "--state", "t.slider.time=half"}, 2, "number"},
    };
    for (const Case& c : cases) {
        const testsupport::ToolRun run = RunTool(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.reason;
        EXPECT_TRUE(run.err.contains(QLatin1String(c.reason))) << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(out));
}

// Faults of the skin are named as such (not as a failed write); a window larger than the
// screen is drawn at the screen's size; a FIFO given as the pack is refused at once.
TEST_F(SkinPreviewTest, SkinFaultsAreNamedAndWindowsFitTheScreen) {
    const QByteArray skin(skintest::kTestSkin);
    const QString out = dir.filePath("x.png");
    struct Case {
        const char* pack;
        QByteArray mainSkin;
        const char* reason;
    };
    const Case cases[] = {
        {"empty.pack", "<skin/>", "no property or no controls"},
        {"malformed.pack", "<skin><property>", "not well-formed"},
        {"huge.pack", QByteArray(skin).replace("w=\"400\"", "w=\"16384\""), "larger than 8192"},
    };
    for (const Case& c : cases) {
        WritePack(dir.filePath(c.pack), c.mainSkin);
        const testsupport::ToolRun run = RunTool({dir.filePath(c.pack), "MAIN", "0", out});
        EXPECT_EQ(run.exitCode, 2) << c.pack;
        EXPECT_TRUE(run.err.contains(QLatin1String(c.reason))) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains(QLatin1String("cannot write"))) << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(out));

    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("fifo.pack")).constData(), 0600), 0);
    const testsupport::ToolRun fifo = RunTool({dir.filePath("fifo.pack"), "MAIN", "0", out});
    EXPECT_EQ(fifo.exitCode, 2);
    EXPECT_TRUE(fifo.err.contains(QLatin1String("not a regular file"))) << fifo.err.toStdString();

    WritePack(dir.filePath("wide.pack"),
              QByteArray(skin).replace("w=\"400\" h=\"300\"", "w=\"8000\" h=\"6000\""));
    const testsupport::ToolRun wide =
        RunTool({dir.filePath("wide.pack"), "MAIN", "0", out, "--screen", "640x480"});
    ASSERT_EQ(wide.exitCode, 0) << wide.err.toStdString();
    EXPECT_EQ(QImage(out).size(), QSize(640, 480));
}

TEST_F(SkinPreviewTest, RendersTheDefaultPacksWindows) {
    const QString pack = QStringLiteral(TEST_PROGRAM_DIR "/VDATA.PACK");
    if (!QFile::exists(pack)) {
        GTEST_SKIP() << "the default pack is not built";
    }
    for (const char* window : {"MAIN", "NOTIFY", "ABOUT", "SELDRIVE", "GSENSOR"}) {
        const QString out = dir.filePath(QStringLiteral("%1.png").arg(window));
        const testsupport::ToolRun run = RunTool({pack, window, "0", out});
        ASSERT_EQ(run.exitCode, 0) << window << run.err.toStdString();
        const QImage shown(out);
        ASSERT_FALSE(shown.isNull());
        QSet<QRgb> colours;
        for (int y = 0; y < shown.height(); y += 2) {
            for (int x = 0; x < shown.width(); x += 2) {
                colours.insert(shown.pixel(x, y));
            }
        }
        // A background with pictures and drawn controls, not one flat colour.
        EXPECT_GT(colours.size(), 20) << window;
        EXPECT_FALSE(run.err.contains("warning")) << run.err.toStdString();
    }
}

}  // namespace
