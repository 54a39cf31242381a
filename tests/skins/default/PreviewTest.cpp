// Every window of the default skin rendered by skin-preview, in every mode it uses: no control
// may come out as the plain white box that stands for a missing picture. The PNGs stay in the
// build tree (tests/skins/default/preview/) for a person to look at.

#include "ControlTables.h"
#include "SkinDocument.h"

#include "player/common/NameKey.h"
#include "player/pack/ResourcePack.h"
#include "player/profile/AppProfile.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QImage>
#include <QProcess>

#include <optional>
#include <ostream>

namespace skintest {
namespace {

struct PreviewCase {
    const char* window;
    int mode;
    std::optional<QSize> screen;  // the maximised main window covers the screen
    const char* scene = nullptr;  // a named set of states, also part of the file name
    QStringList states = {};      // NAME=VALUE pairs for --state
};

// A recording playing from a listed card, the pointer over fast forward.
const QStringList kPlaying{
    QStringLiteral("main.button.play=checked"),
    QStringLiteral("main.button.finf=checked"),
    QStringLiteral("main.button.rinr=checked"),
    QStringLiteral("main.button.rinf=hide"),
    QStringLiteral("main.button.tabnormal=checked"),
    QStringLiteral("main.button.ff=hover"),
    QStringLiteral("main.button.open=disabled"),
    QStringLiteral("main.text.file=NOR_120215_143522_F.mp4"),
    QStringLiteral("main.text.curtime=00:01:23/"),
    QStringLiteral("main.text.gps=41.5 km/h  2012-02-15 14:36:45"),
    QStringLiteral("main.text.duration=00:05:00"),
    QStringLiteral("main.slider.time=28"),
    QStringLiteral(
        "main.listbox.filelist=NOR_120215_143022_F.mp4,2012/02/15,71MB,a;"
        "*NOR_120215_143522_F.mp4,2012/02/15,70MB,b;NOR_120215_144022_F.mp4,2012/02/15,69MB,c;"
        "NOR_120215_144522_F.mp4,2012/02/15,512KB,d")};

// Just started: no card yet, so nearly everything is disabled.
const QStringList kStart{QStringLiteral("main.button.setting=disabled"),
                         QStringLiteral("main.button.capture=disabled"),
                         QStringLiteral("main.button.about=disabled"),
                         QStringLiteral("main.button.gsensor=disabled"),
                         QStringLiteral("main.button.prev=disabled"),
                         QStringLiteral("main.button.play=disabled"),
                         QStringLiteral("main.button.stop=disabled"),
                         QStringLiteral("main.button.next=disabled"),
                         QStringLiteral("main.button.rew=disabled"),
                         QStringLiteral("main.button.ff=disabled"),
                         QStringLiteral("main.button.fps=disabled"),
                         QStringLiteral("main.button.save=disabled"),
                         QStringLiteral("main.button.track=disabled"),
                         QStringLiteral("main.button.finf=disabled"),
                         QStringLiteral("main.button.finr=disabled"),
                         QStringLiteral("main.button.finm=disabled"),
                         QStringLiteral("main.button.rinf=hide"),
                         QStringLiteral("main.button.rinr=disabled"),
                         QStringLiteral("main.button.rinm=disabled"),
                         QStringLiteral("main.button.tabnormal=disabled"),
                         QStringLiteral("main.button.tabevent=disabled"),
                         QStringLiteral("main.button.tabmanual=disabled"),
                         QStringLiteral("main.button.tabmotion=disabled"),
                         QStringLiteral("main.button.open=hover")};

const QStringList kMaximisedPlaying{QStringLiteral("main.button.play=checked"),
                                    QStringLiteral("main.button.frchange=hover2"),
                                    QStringLiteral("main.text.file=NOR_120215_143522_F.mp4"),
                                    QStringLiteral("main.text.curtime=00:01:23"),
                                    QStringLiteral("main.text.gps=41.5 km/h  2012-02-15 14:36:45"),
                                    QStringLiteral("main.text.duration=00:05:00"),
                                    QStringLiteral("main.slider.time=28"),
                                    QStringLiteral("main.video.rear=hide")};

// The texts the message and about boxes are given by the program.
const QStringList kMessage{
    QStringLiteral("notify.text.title=Card removed"),
    QStringLiteral("notify.text.comment=The memory card was removed. Playback has stopped.")};
const QStringList kQuestion{QStringLiteral("notify.text.title=Quit RoadPlayer"),
                            QStringLiteral("notify.text.comment=Do you want to quit RoadPlayer?")};
const QStringList kAbout{
    QString::fromUtf8("about.text.viewerver=\uB0A0\uC9DC : 2012\uB144 02\uC6D4 23\uC77C\n"
                      "\uBC84\uC804 : v1.0.0")};

// The clip window choosing a rendered clip, and writing it.
const QString kClipSpan = QStringLiteral(
    "clip.text.span=From 00:00:45 in NOR_120215_143022_F.mp4 to 00:00:20 in "
    "NOR_120215_143522_F.mp4 (35 s)");
const QStringList kClipChoices{kClipSpan,
                               QStringLiteral("clip.button.rendered=checked"),
                               QStringLiteral("clip.button.inset=checked"),
                               QStringLiteral("clip.button.bottomright=checked"),
                               QStringLiteral("clip.button.overlay=checked"),
                               QStringLiteral("clip.button.side=hover")};
const QStringList kClipExport{
    kClipSpan,
    QStringLiteral("clip.text.status=Writing NOR_120215_143022_F_clip_143045-143520.mp4: 42 %, "
                   "about 12 s left"),
    QStringLiteral("clip.slider.progress=420")};

const PreviewCase kCases[] = {
    {"MAIN", 0, {}},
    {"MAIN", 0, {}, "start", kStart},
    {"MAIN", 0, {}, "playing", kPlaying},
    {"MAIN", 1, QSize(1366, 768)},
    {"MAIN", 1, QSize(1920, 1080)},
    {"MAIN", 1, QSize(1366, 768), "playing", kMaximisedPlaying},
    {"NOTIFY", 0, {}, "message", kMessage},
    {"NOTIFY", 1, {}, "question", kQuestion},
    {"ABOUT", 0, {}, "version", kAbout},
    {"SELDRIVE", 0, {}},
    {"GSENSOR", 0, {}},
    {"CLIP", 0, {}, "choices", kClipChoices},
    {"CLIP", 1, {}, "export", kClipExport},
};

void PrintTo(const PreviewCase& c, std::ostream* os) {
    *os << c.window << " mode " << c.mode << (c.scene ? " " : "") << (c.scene ? c.scene : "");
    if (c.screen)
        *os << " on " << c.screen->width() << "x" << c.screen->height();
}

QString OutputName(const PreviewCase& c) {
    QString name =
        QStringLiteral("%1-mode%2").arg(QString::fromLatin1(c.window).toLower()).arg(c.mode);
    if (c.screen)
        name += QStringLiteral("-%1x%2").arg(c.screen->width()).arg(c.screen->height());
    if (c.scene)
        name += QStringLiteral("-") + QString::fromLatin1(c.scene);
    return QDir(QStringLiteral(TEST_BINARY_DIR "/preview")).filePath(name + QStringLiteral(".png"));
}

QStringList PreviewArguments(const PreviewCase& c, const QString& out) {
    QStringList args{QStringLiteral(TEST_PROGRAM_DIR "/VDATA.PACK"), QString::fromLatin1(c.window),
                     QString::number(c.mode), out};
    if (c.screen)
        args << QStringLiteral("--screen")
             << QStringLiteral("%1x%2").arg(c.screen->width()).arg(c.screen->height());
    for (const QString& state : c.states)
        args << QStringLiteral("--state") << state;
    return args;
}

double WhiteShare(const QImage& image, const QRect& rect) {
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

TEST_P(SkinPreview, RendersEveryControlWithAPicture) {
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
        // Videos, the map and the G-sensor plot show content drawn by the program, not skin
        // pictures (the plot's backdrop is checked to be in the pack with the others).
        if (control.type == "video" || control.type == "map" || control.type == "gsensor")
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
                             std::string name = std::string(info.param.window) + "_mode" +
                                                std::to_string(info.param.mode);
                             if (info.param.screen)
                                 name += "_" + std::to_string(info.param.screen->width());
                             if (info.param.scene)
                                 name += std::string("_") + info.param.scene;
                             return name;
                         });

}  // namespace
}  // namespace skintest
