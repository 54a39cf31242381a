#include "player/profile/AppProfile.h"

#include "player/pack/ResourcePack.h"
#include "tests/player/pack/PackBytes.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <memory>

namespace player {
namespace {

const QString kProgramFolder = QStringLiteral("/opt/road player");

const QByteArray kDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<profile>
  <essential>
    <brand>Tarnwell</brand>
    <models><model>DCS-4100</model><model/><model>DCS-4200</model></models>
    <font size="9">Nanum Gothic</font>
    <extension>mp4|avi|mkv</extension>
    <site>https://example.com/</site>
    <path>
      <script>skin</script>
      <image>skin\..\img/</image>
      <map>map\map.html</map>
      <config>SETTING\BK_Setting.cfg</config>
      <time>SETTING/BK_Time.cfg</time>
    </path>
    <sdcard>
      <dir id="normal">NORMAL</dir>
      <dir id="event">EVENT</dir>
      <dir id="event_n">EVENT_N</dir>
      <dir id="Event">WRONG</dir>
      <dir>NOID</dir>
      <dir id="manual">MANUAL_OLD</dir>
      <dir id="manual">MANUAL</dir>
      <dir id="motion"/>
    </sdcard>
  </essential>
  <scripts>
    <script target="MAIN">missing.xml</script>
    <script target="MAIN">main.xml</script>
    <script target="MAIN">other.xml</script>
    <script id="x" target="ABOUT">about.xml</script>
    <script target="NOTIFY"></script>
    <script target="GSENSOR">nul.xml</script>
  </scripts>
  <messages>
    <message id="error-remove-disk"><title>Removed</title><comment>First</comment></message>
    <message id="error-remove-disk"><comment>Second</comment></message>
    <message id="custom-id"><title>Only a title</title></message>
    <message id=""><title>none</title><comment>none</comment></message>
    <message><title>none</title><comment>none</comment></message>
  </messages>
</profile>
)";

std::unique_ptr<ResourcePack> MakePack(const QByteArray& document) {
    QByteArray bytes = packtest::MakePackBytes({{"Application.xml", document},
                                                {"main.xml", "<main/>"},
                                                {"other.xml", "<other/>"},
                                                {"about.xml", "<about/>"},
                                                {"nul.xml", QByteArray("<g/>\0rest", 9)}},
                                               {{"a.png", "x"}});
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    auto pack = std::make_unique<ResourcePack>();
    EXPECT_TRUE(pack->OpenPack(buffer));
    return pack;
}

QByteArray Replaced(const char* from, const char* to) {
    QByteArray document = kDocument;
    EXPECT_TRUE(document.contains(from)) << from;
    return document.replace(from, to);
}

TEST(AppProfileTest, ConstructionSetsInitialValues) {
    const AppProfile profile;
    EXPECT_EQ(profile.ViewerVersion(), QStringLiteral("v1.0.0"));
    EXPECT_EQ(profile.ReleaseDate(),
              QString::fromUtf8("2012\xEB\x85\x84 02\xEC\x9B\x94 23\xEC\x9D\xBC"));
    EXPECT_EQ(profile.FontFace(), QStringLiteral("Arial"));
    EXPECT_EQ(profile.FontSize(), -1);
    EXPECT_TRUE(profile.Messages().empty());
    EXPECT_EQ(profile.GetScript(NameKey(kWindowMain)), nullptr);
}

TEST(AppProfileTest, LoadsEveryField) {
    AppProfile profile;
    // The pack may go away after the load: everything is copied out of it.
    ASSERT_TRUE(profile.LoadProfile(MakePack(kDocument).get(), kProgramFolder))
        << profile.FailureReason().toStdString();
    EXPECT_TRUE(profile.FailureReason().isEmpty());
    EXPECT_EQ(profile.Brand(), QStringLiteral("Tarnwell"));
    EXPECT_EQ(profile.Models(), QStringList({"DCS-4100", "DCS-4200"}));
    EXPECT_EQ(profile.FontFace(), QStringLiteral("Nanum Gothic"));
    EXPECT_EQ(profile.FontSize(), 9);
    EXPECT_EQ(profile.Site(), QStringLiteral("https://example.com/"));
    EXPECT_TRUE(profile.UpdateSite().isEmpty());
    EXPECT_EQ(profile.ProgramFolder(), kProgramFolder);
    EXPECT_EQ(profile.ScriptFolder(), QStringLiteral("/opt/road player/skin"));
    EXPECT_EQ(profile.ImageFolder(), QStringLiteral("/opt/road player/img"));
    EXPECT_EQ(profile.MapPage(), QStringLiteral("/opt/road player/map/map.html"));
    EXPECT_EQ(profile.Config(), QStringLiteral("SETTING\\BK_Setting.cfg"));  // as written
    EXPECT_EQ(profile.Time(), QStringLiteral("SETTING/BK_Time.cfg"));
    EXPECT_EQ(profile.ViewerVersion(), QStringLiteral("v1.0.0"));

    // Folders: event_n is its own category, "Event" and a missing id are ignored, a later
    // dir replaces an earlier one, a dir without text leaves its category empty.
    EXPECT_EQ(profile.GetCategoryFolder(RecordingCategory::Normal), QStringLiteral("NORMAL"));
    EXPECT_EQ(profile.GetCategoryFolder(RecordingCategory::Event), QStringLiteral("EVENT"));
    EXPECT_EQ(profile.GetCategoryFolder(RecordingCategory::EventN), QStringLiteral("EVENT_N"));
    EXPECT_EQ(profile.GetCategoryFolder(RecordingCategory::Manual), QStringLiteral("MANUAL"));
    EXPECT_TRUE(profile.GetCategoryFolder(RecordingCategory::Motion).isEmpty());
    EXPECT_TRUE(profile.GetCategoryFolder(RecordingCategory::Unknown).isEmpty());
    EXPECT_EQ(profile.Folders().size(), 4u);
}

TEST(AppProfileTest, ScriptsFirstExistingEntryWins) {
    AppProfile profile;
    ASSERT_TRUE(profile.LoadProfile(MakePack(kDocument).get(), kProgramFolder));
    // The first MAIN names no entry and is skipped; main.xml then wins over other.xml.
    const QByteArray* main = profile.GetScript(NameKey(kWindowMain));
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(*main, "<main/>");
    EXPECT_EQ(profile.Scripts().at(NameKey(kWindowMain)).entryName, "main.xml");
    // target must be the first attribute; an empty script text names nothing.
    EXPECT_EQ(profile.GetScript(NameKey(kWindowAbout)), nullptr);
    EXPECT_EQ(profile.GetScript(NameKey(kWindowNotify)), nullptr);
    EXPECT_EQ(profile.GetScript(NameKey(kWindowSelDrive)), nullptr);
    EXPECT_EQ(profile.GetScript(NameKey("main")), nullptr);  // window names are case-sensitive
    // The copy ends at the entry's first NUL.
    const QByteArray* gsensor = profile.GetScript(NameKey(kWindowGSensor));
    ASSERT_NE(gsensor, nullptr);
    EXPECT_EQ(*gsensor, "<g/>");
}

TEST(AppProfileTest, MessagesMergeOverThePresets) {
    AppProfile profile;
    ASSERT_TRUE(profile.LoadProfile(MakePack(kDocument).get(), kProgramFolder));
    const ProfileMessage* removed = profile.GetMessage(NameKey(kMsgRemoveDisk));
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(removed->title, QStringLiteral("Removed"));   // kept from the first message
    EXPECT_EQ(removed->comment, QStringLiteral("Second"));  // replaced by the second
    const ProfileMessage* custom = profile.GetMessage(NameKey("custom-id"));
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->title, QStringLiteral("Only a title"));
    EXPECT_TRUE(custom->comment.isEmpty());
    const ProfileMessage* quit = profile.GetMessage(NameKey(kMsgWantQuit));
    ASSERT_NE(quit, nullptr);
    EXPECT_TRUE(quit->title.isEmpty());
    EXPECT_EQ(profile.GetMessage(NameKey("")), nullptr);
    EXPECT_EQ(profile.GetMessage(NameKey("unknown")), nullptr);
    EXPECT_EQ(profile.Messages().size(), 11u);  // ten presets + custom-id
}

TEST(AppProfileTest, WithoutMessagesTheTenPresetsAreEmpty) {
    QByteArray document = kDocument;
    document.truncate(document.indexOf("<messages>"));
    document.append("</profile>");
    AppProfile profile;
    ASSERT_TRUE(profile.LoadProfile(MakePack(document).get(), kProgramFolder));
    const char* presets[] = {kMsgNoSrcFilter, kMsgNoVidFilter,  kMsgRemoveDisk, kMsgInvalidStream,
                             kMsgNoInternet,  kMsgNoSelectFile, kMsgCopyFile,   kMsgDedicateDisk,
                             kMsgWantQuit,    kMsgWantSetTime};
    ASSERT_EQ(profile.Messages().size(), 10u);
    for (const char* id : presets) {
        const ProfileMessage* message = profile.GetMessage(NameKey(id));
        ASSERT_NE(message, nullptr) << id;
        EXPECT_TRUE(message->title.isEmpty() && message->comment.isEmpty()) << id;
    }
}

TEST(AppProfileTest, ExtensionsSplitAndMatchExactly) {
    struct Case {
        const char* element;
        QStringList expected;
    };
    const Case cases[] = {
        {"<extension>avi|mp4, jpg</extension>", {"avi", "mp4", "jpg"}},
        {"<extension></extension>", {}},
        {"<extension/>", {}},
        {"<extension>\n  mp4\r\nAVI,,mp4 |</extension>", {"mp4", "AVI", "mp4"}},
        {"<extension>.mp4|m p4</extension>", {".mp4", "m", "p4"}},
    };
    for (const Case& c : cases) {
        AppProfile profile;
        ASSERT_TRUE(profile.LoadProfile(
            MakePack(Replaced("<extension>mp4|avi|mkv</extension>", c.element)).get(),
            kProgramFolder))
            << c.element;
        EXPECT_EQ(profile.Extensions(), c.expected) << c.element;
        for (const QString& extension : c.expected) {
            EXPECT_TRUE(profile.IsKnownExtension(extension)) << c.element;
        }
        EXPECT_FALSE(profile.IsKnownExtension(QString())) << c.element;
        EXPECT_FALSE(profile.IsKnownExtension(QStringLiteral("MP4"))) << c.element;
    }
    AppProfile profile;
    ASSERT_TRUE(profile.LoadProfile(MakePack(kDocument).get(), kProgramFolder));
    EXPECT_TRUE(profile.IsKnownExtension(QStringLiteral("mkv")));
    EXPECT_FALSE(profile.IsKnownExtension(QStringLiteral("AVI")));
    EXPECT_FALSE(profile.IsKnownExtension(QStringLiteral("mp")));
}

TEST(AppProfileTest, FontSizeReadsLikePercentD) {
    struct Case {
        const char* attribute;
        bool loads;
        int32_t size;
    };
    const Case cases[] = {
        {R"(size="12")", true, 12},
        {R"(size=" 7pt")", true, 7},
        {R"(size="0x10")", true, 0},
        {R"(size="+3")", true, 3},
        {R"(size="-1")", false, -1},
        {R"(size="abc")", false, -1},
        {R"(size="")", false, -1},
        {R"(face="9")", false, -1},
        {R"(size="99999999999")", false, -1},
    };
    for (const Case& c : cases) {
        QByteArray element = QByteArray("<font ") + c.attribute + ">Nanum Gothic</font>";
        AppProfile profile;
        const bool loaded = profile.LoadProfile(
            MakePack(Replaced(R"(<font size="9">Nanum Gothic</font>)", element)).get(),
            kProgramFolder);
        EXPECT_EQ(loaded, c.loads) << c.attribute;
        EXPECT_EQ(profile.FontSize(), c.size) << c.attribute;
    }
}

TEST(AppProfileTest, RequiredItemsFailTheLoad) {
    struct Case {
        const char* from;
        const char* to;
    };
    const Case cases[] = {
        {"<essential>", "<essentials>"},
        {"</essential>", "</essentials>"},
        {"<scripts>", "<script-list>"},
        {"</scripts>", "</script-list>"},
        {"<brand>Tarnwell</brand>", "<brand></brand>"},
        {"<brand>Tarnwell</brand>", "<Brand>Tarnwell</Brand>"},
        {"<models><model>DCS-4100</model><model/><model>DCS-4200</model></models>",
         "<models><model/></models>"},
        {"<models><model>DCS-4100</model><model/><model>DCS-4200</model></models>", ""},
        {R"(<font size="9">Nanum Gothic</font>)", R"(<font size="9"/>)"},
        {R"(<font size="9">Nanum Gothic</font>)", ""},
        {"<extension>mp4|avi|mkv</extension>", ""},
        {"<script>skin</script>", ""},
        {"<image>skin\\..\\img/</image>", "<image></image>"},
        {"<map>map\\map.html</map>", ""},
        {"<config>SETTING\\BK_Setting.cfg</config>", "<config/>"},
        {"<time>SETTING/BK_Time.cfg</time>", ""},
        {"<sdcard>", "<card>"},
        {"</sdcard>", "</card>"},
        {"<path>", "<paths>"},
        {"</path>", "</paths>"},
        {"<?xml", "<<?xml"},  // malformed: no root at all
    };
    for (const Case& c : cases) {
        AppProfile profile;
        EXPECT_FALSE(profile.LoadProfile(MakePack(Replaced(c.from, c.to)).get(), kProgramFolder))
            << c.from << " -> " << c.to;
        EXPECT_FALSE(profile.FailureReason().isEmpty()) << c.from;
    }
    AppProfile profile;
    EXPECT_FALSE(profile.LoadProfile(nullptr, kProgramFolder));
    EXPECT_EQ(profile.ProgramFolder(), kProgramFolder);
}

TEST(AppProfileTest, FailureKeepsWhatWasReadAndOptionalItemsMayGo) {
    AppProfile failed;
    ASSERT_FALSE(failed.LoadProfile(
        MakePack(Replaced("<time>SETTING/BK_Time.cfg</time>", "")).get(), kProgramFolder));
    EXPECT_EQ(failed.Brand(), QStringLiteral("Tarnwell"));
    EXPECT_EQ(failed.FontSize(), 9);
    EXPECT_TRUE(failed.Folders().empty());
    EXPECT_TRUE(failed.Scripts().empty());

    QByteArray document = Replaced("<site>https://example.com/</site>", "");
    document.replace("<sdcard>", "<sdcard><!-- other nodes are passed over -->");
    AppProfile profile;
    ASSERT_TRUE(profile.LoadProfile(MakePack(document).get(), kProgramFolder));
    EXPECT_TRUE(profile.Site().isEmpty());
}

TEST(AppProfileTest, TextsAreUtf8AndWhitespaceCollapses) {
    QByteArray document =
        Replaced("<brand>Tarnwell</brand>", "<brand>\n   Tarn   well \xED\x95\x9C\n</brand>");
    document.replace("<model>DCS-4100</model>", "<model>  \xEB\xAA\xA8\xEB\x8D\xB8  </model>");
    AppProfile profile;
    ASSERT_TRUE(profile.LoadProfile(MakePack(document).get(), kProgramFolder));
    EXPECT_EQ(profile.Brand(), QString::fromUtf8("Tarn well \xED\x95\x9C"));
    EXPECT_EQ(profile.Models().first(), QString::fromUtf8("\xEB\xAA\xA8\xEB\x8D\xB8"));
}

TEST(AppProfileTest, FoldersJoinTheProgramFolder) {
    struct Case {
        QString programFolder;
        const char* image;
        QString expected;
    };
    const Case cases[] = {
        {QStringLiteral("C:\\Apps\\Player"), "skin\\..\\img/",
         QStringLiteral("C:/Apps/Player/img")},
        {QStringLiteral("/opt/rp/"), "./img//", QStringLiteral("/opt/rp/img")},
        {QString(), "skin/../img", QStringLiteral("img")},  // stays relative
        {QStringLiteral("/opt/rp"), "..", QStringLiteral("/opt")},
    };
    for (const Case& c : cases) {
        AppProfile profile;
        ASSERT_TRUE(
            profile.LoadProfile(MakePack(Replaced("<image>skin\\..\\img/</image>",
                                                  QByteArray("<image>") + c.image + "</image>"))
                                    .get(),
                                c.programFolder))
            << c.image;
        EXPECT_EQ(profile.ImageFolder(), c.expected) << c.image;
    }
    // Nothing left once joined: the load fails.
    AppProfile empty;
    EXPECT_FALSE(empty.LoadProfile(
        MakePack(Replaced("<image>skin\\..\\img/</image>", "<image>a/..</image>")).get(),
        QString()));
}

}  // namespace
}  // namespace player
