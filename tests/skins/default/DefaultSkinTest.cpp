// Checks the default pack as it ships: every window's skin defines exactly the controls the
// window registers, every picture it names is in the pack, states and layouts are complete.

#include "ControlTables.h"
#include "SkinDocument.h"

#include "player/common/NameKey.h"
#include "player/common/RecordingCategory.h"
#include "player/pack/ResourcePack.h"
#include "player/profile/AppProfile.h"

#include <gtest/gtest.h>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <memory>
#include <set>

namespace skintest {
namespace {

const char* const kPushStates[] = {"normal", "hover", "pushed", "disabled"};
const char* const kCheckStates[] = {"normal",  "hover",  "pushed", "disabled",
                                    "checked", "hover2", "pushed2"};

class DefaultPack : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_pack = std::make_unique<player::ResourcePack>();
        s_profile = std::make_unique<player::AppProfile>();
        s_opened = s_pack->OpenPack(QStringLiteral(TEST_PROGRAM_DIR "/VDATA.PACK")) &&
                   s_profile->LoadProfile(s_pack.get(), QStringLiteral(TEST_PROGRAM_DIR));
    }
    static void TearDownTestSuite() {
        s_profile.reset();
        s_pack.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(s_opened) << "the built pack or its profile does not load";
    }

    static SkinDocument Document(const char* window) {
        const QByteArray* script = s_profile->GetScript(player::NameKey(window));
        return ParseSkinDocument(script ? script->constData() : nullptr);
    }

    static QImage Picture(const std::string& name) {
        for (int i = 0; i < s_pack->ImageCount(); ++i) {
            const player::PackImageEntry& e = s_pack->ImageAt(i);
            if (e.key.Text() == QString::fromStdString(name))
                return QImage::fromData(e.data);
        }
        return {};
    }

    static std::vector<PictureRef> AllPictures(const SkinDocument& doc) {
        std::vector<PictureRef> all;
        for (const auto& [mode, p] : doc.backgrounds)
            all.push_back(p);
        for (const Control& c : doc.controls)
            all.insert(all.end(), c.pictures.begin(), c.pictures.end());
        return all;
    }

    static bool s_opened;
    static std::unique_ptr<player::ResourcePack> s_pack;
    static std::unique_ptr<player::AppProfile> s_profile;
};

bool DefaultPack::s_opened = false;
std::unique_ptr<player::ResourcePack> DefaultPack::s_pack;
std::unique_ptr<player::AppProfile> DefaultPack::s_profile;

std::set<int> ModesOf(const Control& c) {
    std::set<int> modes;
    for (const Placement& p : c.placements)
        modes.insert(p.mode);
    return modes;
}

TEST_F(DefaultPack, MkpackCheckAcceptsIt) {
    QProcess mkpack;
    mkpack.setProcessChannelMode(QProcess::MergedChannels);
    mkpack.start(QStringLiteral(TEST_TOOLS_DIR "/mkpack"),
                 {QStringLiteral("check"), QStringLiteral(TEST_PROGRAM_DIR "/VDATA.PACK")});
    ASSERT_TRUE(mkpack.waitForFinished(60000));
    EXPECT_EQ(mkpack.exitCode(), 0) << mkpack.readAll().toStdString();
}

TEST_F(DefaultPack, EveryRegisteredControlIsDefinedWithItsKindAndNothingElse) {
    for (const WindowTable& table : WindowTables()) {
        SCOPED_TRACE(table.window);
        const SkinDocument doc = Document(table.window);
        ASSERT_TRUE(doc.ok) << doc.error;
        std::set<std::string> registered;
        for (const Registration& r : table.controls) {
            registered.insert(r.name);
            const auto count = std::count_if(doc.controls.begin(), doc.controls.end(),
                                             [&](const Control& c) { return c.id == r.name; });
            EXPECT_EQ(count, 1) << r.name << " must be defined exactly once";
            const Control* c = doc.Find(r.name);
            if (!c)
                continue;
            EXPECT_EQ(c->type, r.kind) << r.name;
            EXPECT_EQ(ModesOf(*c), std::set<int>(r.modes.begin(), r.modes.end())) << r.name;
        }
        for (const Control& c : doc.controls)
            EXPECT_TRUE(registered.count(c.id)) << c.id << " is not registered by the window";
        EXPECT_EQ(doc.window.w, table.width);
        EXPECT_EQ(doc.window.h, table.height);
    }
}

TEST_F(DefaultPack, EveryPictureASkinNamesIsInThePackAndCoversItsSourceRectangle) {
    for (const WindowTable& table : WindowTables()) {
        SCOPED_TRACE(table.window);
        for (const PictureRef& p : AllPictures(Document(table.window))) {
            ASSERT_FALSE(p.name.empty())
                << "a " << p.role << " without a picture is drawn as a white box";
            const QImage image = Picture(p.name);
            ASSERT_FALSE(image.isNull())
                << p.name << " is missing from the pack or does not decode";
            if (p.hasSource) {
                EXPECT_GE(p.source.x, 0) << p.name;
                EXPECT_LE(p.source.Right(), image.width()) << p.name << " " << p.role;
                EXPECT_LE(p.source.Bottom(), image.height()) << p.name << " " << p.role;
            }
        }
    }
}

TEST_F(DefaultPack, ButtonsCarryEveryStateOfTheirBehaviourAtTheirOwnSize) {
    for (const WindowTable& table : WindowTables()) {
        const SkinDocument doc = Document(table.window);
        for (const Control& c : doc.controls) {
            if (c.type != "button")
                continue;
            SCOPED_TRACE(c.id);
            const bool check = c.behaviour == "check";
            std::vector<std::string> states;
            for (const PictureRef& p : c.pictures)
                states.push_back(p.role);
            const std::vector<std::string> expected =
                check ? std::vector<std::string>(std::begin(kCheckStates), std::end(kCheckStates))
                      : std::vector<std::string>(std::begin(kPushStates), std::end(kPushStates));
            EXPECT_EQ(states, expected);
            // A frame drawn at another size would be scaled and lose its 1x crispness.
            for (const PictureRef& p : c.pictures) {
                if (p.drawmode == "buttonface")
                    continue;
                for (const Placement& m : c.placements) {
                    EXPECT_EQ(p.source.w, m.box.w) << p.role << " in mode " << m.mode;
                    EXPECT_EQ(p.source.h, m.box.h) << p.role << " in mode " << m.mode;
                }
            }
        }
    }
    const SkinDocument main = Document("MAIN");
    const Control* play = main.Find("main.button.play");
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(play->behaviour, "check");
}

TEST_F(DefaultPack, StateFramesOfAButtonLookDifferent) {
    // Each state must be told apart from the others by a person: no two frames identical.
    for (const WindowTable& table : WindowTables()) {
        for (const Control& c : Document(table.window).controls) {
            if (c.type != "button")
                continue;
            std::vector<QImage> frames;
            for (const PictureRef& p : c.pictures)
                frames.push_back(
                    Picture(p.name).copy(p.source.x, p.source.y, p.source.w, p.source.h));
            for (size_t i = 0; i < frames.size(); ++i)
                for (size_t j = i + 1; j < frames.size(); ++j)
                    EXPECT_NE(frames[i], frames[j])
                        << c.id << ": " << c.pictures[i].role << " and " << c.pictures[j].role;
        }
    }
}

TEST_F(DefaultPack, WindowBackgroundsAreOpaqueAndSliderPartsCarryTheirKey) {
    // Backgrounds are composed over black, slider parts are keyed when copied: a translucent
    // background pixel turns dark, a keyed part without key pixels hides what lies under it.
    for (const WindowTable& table : WindowTables()) {
        const SkinDocument doc = Document(table.window);
        for (const auto& [mode, p] : doc.backgrounds) {
            const QImage image = Picture(p.name).convertToFormat(QImage::Format_ARGB32);
            bool opaque = true;
            for (int y = 0; y < image.height() && opaque; ++y)
                for (int x = 0; x < image.width() && opaque; ++x)
                    opaque = qAlpha(image.pixel(x, y)) == 255;
            EXPECT_TRUE(opaque) << table.window << " background " << p.name;
        }
        for (const Control& c : doc.controls) {
            if (c.type != "slider")
                continue;
            for (const PictureRef& p : c.pictures) {
                ASSERT_TRUE(p.keyed) << c.id << " " << p.role;
                const QImage image = Picture(p.name).convertToFormat(QImage::Format_RGB32);
                bool hasKey = false;
                for (int y = 0; y < image.height() && !hasKey; ++y)
                    for (int x = 0; x < image.width() && !hasKey; ++x)
                        hasKey = image.pixel(x, y) == qRgb(255, 0, 255);
                EXPECT_TRUE(hasKey) << c.id << " " << p.role;
            }
        }
    }
}

TEST_F(DefaultPack, ProfileNamesAnInstalledHangulFontTheMapPageAndTheCardFolders) {
    // The about box and the messages carry Korean text: the face must exist with Hangul.
    QProcess fc;
    fc.start(QStringLiteral("fc-list"), {QStringLiteral(":lang=ko"), QStringLiteral("family")});
    ASSERT_TRUE(fc.waitForFinished(20000));
    const QString families = QString::fromUtf8(fc.readAllStandardOutput());
    EXPECT_TRUE(families.split(QRegularExpression(QStringLiteral("[,\\n]")))
                    .contains(s_profile->FontFace()))
        << s_profile->FontFace().toStdString() << " is not an installed font with Hangul";
    EXPECT_GT(s_profile->FontSize(), 0);

    EXPECT_TRUE(QFileInfo(s_profile->MapPage()).isFile()) << s_profile->MapPage().toStdString();
    EXPECT_TRUE(s_profile->Site().startsWith(QStringLiteral("https://")));

    // The folders the demo card is written with.
    const std::pair<player::RecordingCategory, const char*> folders[] = {
        {player::RecordingCategory::Normal, "NORMAL"},
        {player::RecordingCategory::Event, "EVENT"},
        {player::RecordingCategory::EventN, "EVENT_N"},
        {player::RecordingCategory::Manual, "MANUAL"},
        {player::RecordingCategory::Motion, "MOTION"}};
    for (const auto& [category, folder] : folders)
        EXPECT_EQ(s_profile->GetCategoryFolder(category), QString::fromLatin1(folder));
}

}  // namespace
}  // namespace skintest
