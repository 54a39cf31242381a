// Every window of the default skin rendered by skin-preview, in every mode it uses: no control
// may come out as the plain white box that stands for a missing picture. The PNGs stay in the
// build tree (tests/skins/default/preview/) for a person to look at.

#include "ControlTables.h"
#include "SkinDocument.h"

#include "player/common/NameKey.h"
#include "player/pack/ResourcePack.h"
#include "player/profile/AppProfile.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>

#include <optional>
#include <ostream>

namespace skintest {
namespace {

struct PreviewCase {
    const char* window;
    int mode;
    std::optional<QSize> screen;  // the maximised main window covers the screen
};

const PreviewCase kCases[] = {
    {"MAIN", 0, {}},
    {"MAIN", 1, QSize(1366, 768)},
    {"MAIN", 1, QSize(1920, 1080)},
    {"NOTIFY", 0, {}},
    {"NOTIFY", 1, {}},
    {"ABOUT", 0, {}},
    {"SELDRIVE", 0, {}},
    {"GSENSOR", 0, {}},
};

void PrintTo(const PreviewCase& c, std::ostream* os)
{
    *os << c.window << " mode " << c.mode;
    if (c.screen)
        *os << " on " << c.screen->width() << "x" << c.screen->height();
}

QString OutputName(const PreviewCase& c)
{
    QString name = QStringLiteral("%1-mode%2").arg(QString::fromLatin1(c.window).toLower()).arg(c.mode);
    if (c.screen)
        name += QStringLiteral("-%1x%2").arg(c.screen->width()).arg(c.screen->height());
    return QDir(QStringLiteral(TEST_BINARY_DIR "/preview")).filePath(name + QStringLiteral(".png"));
}

QStringList PreviewArguments(const PreviewCase& c, const QString& out)
{
    QStringList args{QStringLiteral(TEST_PROGRAM_DIR "/VDATA.PACK"), QString::fromLatin1(c.window),
                     QString::number(c.mode), out};
    if (c.screen)
        args << QStringLiteral("--screen") << QStringLiteral("%1x%2").arg(c.screen->width()).arg(c.screen->height());
    return args;
}

double WhiteShare(const QImage& image, const QRect& rect)
{
    const QRect r = rect.intersected(image.rect());
    if (r.isEmpty())
        return 0;
    int white = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            white += (image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
    return double(white) / (r.width() * r.height());
}

class SkinPreview : public ::testing::TestWithParam<PreviewCase> {};

TEST_P(SkinPreview, RendersEveryControlWithAPicture)
{
    const PreviewCase& c = GetParam();
    player::ResourcePack pack;
    player::AppProfile profile;
    ASSERT_TRUE(pack.OpenPack(QStringLiteral(TEST_PROGRAM_DIR "/VDATA.PACK")));
    ASSERT_TRUE(profile.LoadProfile(&pack, QStringLiteral(TEST_PROGRAM_DIR)));
    const QByteArray* script = profile.GetScript(player::NameKey(c.window));
    ASSERT_NE(script, nullptr);
    const SkinDocument doc = ParseSkinDocument(script->constData());
    ASSERT_TRUE(doc.ok);

    QDir().mkpath(QStringLiteral(TEST_BINARY_DIR "/preview"));
    const QString out = OutputName(c);
    QFile::remove(out);
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(QStringLiteral(TEST_TOOLS_DIR "/skin-preview"), PreviewArguments(c, out));
    ASSERT_TRUE(tool.waitForFinished(120000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAll().toStdString();
    const QImage image(out);
    ASSERT_FALSE(image.isNull()) << out.toStdString();

    const QSize size = c.screen ? *c.screen : QSize(doc.window.w, doc.window.h);
    EXPECT_EQ(image.size(), size);
    int placed = 0;
    for (const Control& control : doc.controls) {
        // Videos and the map show outside content, not skin pictures.
        if (control.type == "video" || control.type == "map")
            continue;
        for (const Placement& p : control.placements) {
            if (p.mode != c.mode)
                continue;
            ++placed;
            const Box b = Resolve(p.box, p.geobase, size.width(), size.height());
            EXPECT_LT(WhiteShare(image, QRect(b.x, b.y, b.w, b.h)), 0.5)
                << control.id << " looks like a missing picture in " << out.toStdString();
        }
    }
    EXPECT_GT(placed, 0);
}

INSTANTIATE_TEST_SUITE_P(DefaultSkin, SkinPreview, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<PreviewCase>& info) {
                             std::string name = std::string(info.param.window) + "_mode" + std::to_string(info.param.mode);
                             if (info.param.screen)
                                 name += "_" + std::to_string(info.param.screen->width());
                             return name;
                         });

} // namespace
} // namespace skintest
