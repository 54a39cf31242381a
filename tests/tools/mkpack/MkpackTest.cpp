#include "tools/mkpack/PackWriter.h"

#include "player/pack/ResourcePack.h"
#include "tests/player/pack/PackBytes.h"
#include "tests/support/RunTool.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// The smallest skin that builds its window: one picture control.
const QByteArray kSkin = R"(<skin><property><geometry x="-1" y="-1" w="320" h="240"/></property>
<controls><image type="image" id="main.image.title"><mode x="0" y="0" w="3" h="3">0</mode>
<image>img/b.png</image></image></controls></skin>)";

const QByteArray kProfile = R"(<?xml version="1.0" encoding="UTF-8"?>
<profile>
  <essential>
    <brand>Tarnwell</brand>
    <models><model>DCS-4100</model></models>
    <font size="9">Nanum Gothic</font>
    <extension>mp4|avi</extension>
    <path><script>skin</script><image>img</image><map>map.html</map>
      <config>c.cfg</config><time>t.cfg</time></path>
    <sdcard><dir id="normal">NORMAL</dir></sdcard>
  </essential>
  <scripts><script target="MAIN">main.xml</script></scripts>
</profile>
)";

using RunResult = testsupport::ToolRun;

RunResult RunMkpack(const QStringList& args) {
    return testsupport::RunTool(testsupport::ToolPath("mkpack"), args, 60000);
}

class MkpackTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString Path(const QString& relative) const { return m_dir.filePath(relative); }

    void Write(const QString& relative, const QByteArray& data) {
        QDir().mkpath(QFileInfo(Path(relative)).absolutePath());
        QFile file(Path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }

    QByteArray Read(const QString& relative) const {
        QFile file(Path(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A folder that makes a good pack.
    void WriteSkinFolder(const QString& folder) {
        Write(folder + "/Application.xml", kProfile);
        Write(folder + "/main.xml", kSkin);
        Write(folder + "/img/b.png", packtest::EncodeImage(Qt::red));
        Write(folder + "/img/a.jpg", packtest::EncodeImage(Qt::blue, "JPG"));
        Write(folder + "/img/\xED\x95\x9C.bmp", packtest::EncodeImage(Qt::green, "BMP"));
        Write(folder + "/README.md", "not packed");
    }

    QTemporaryDir m_dir;
};

TEST_F(MkpackTest, BuildIsSortedDeterministicAndReadable) {
    WriteSkinFolder(QStringLiteral("one"));
    // The same files written in another order must give the same bytes.
    Write("two/img/\xED\x95\x9C.bmp", Read("one/img/\xED\x95\x9C.bmp"));
    Write("two/README.md", "not packed");
    Write("two/img/a.jpg", Read("one/img/a.jpg"));
    Write("two/main.xml", kSkin);
    Write("two/img/b.png", Read("one/img/b.png"));
    Write("two/Application.xml", kProfile);

    const RunResult first = RunMkpack({"build", Path("one"), Path("one.pack")});
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.contains(QStringLiteral("README.md")));  // reported as skipped
    ASSERT_EQ(RunMkpack({"build", Path("two"), Path("two.pack")}).exitCode, 0);
    EXPECT_EQ(Read("one.pack"), Read("two.pack"));

    player::ResourcePack pack;
    ASSERT_TRUE(pack.OpenPack(Path("one.pack")));
    ASSERT_EQ(pack.TextCount(), 2);
    EXPECT_EQ(pack.TextAt(0).name, "Application.xml");
    EXPECT_EQ(pack.TextAt(1).name, "main.xml");
    ASSERT_EQ(pack.ImageCount(), 3);
    EXPECT_EQ(pack.ImageAt(0).key, player::NameKey("img/a.jpg"));
    EXPECT_EQ(pack.ImageAt(1).key, player::NameKey("img/b.png"));
    EXPECT_EQ(pack.ImageAt(2).key, player::NameKey("img/\xED\x95\x9C.bmp"));
    EXPECT_EQ(pack.ImageAt(1).data, Read("one/img/b.png"));

    const RunResult list = RunMkpack({"list", Path("one.pack")});
    ASSERT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out.count(u'\n'), 5);
    EXPECT_TRUE(list.out.contains(QString::fromUtf8("img/\xED\x95\x9C.bmp")));
}

TEST_F(MkpackTest, BuildRefusesWhatThePlayerCouldNotRead) {
    Write("texts-only/Application.xml", kProfile);
    Write("images-only/a.png", packtest::EncodeImage(Qt::red));
    Write("long/Application.xml", kProfile);
    Write("long/" + QString(260, u'n').left(200) + "/" + QString(80, u'x') + ".png", "x");
    for (const char* folder : {"texts-only", "images-only", "missing", "long"}) {
        const RunResult result = RunMkpack({"build", Path(folder), Path("out.pack")});
        EXPECT_NE(result.exitCode, 0) << folder;
        EXPECT_EQ(result.err.count(u'\n'), 1) << folder << ": " << result.err.toStdString();
        EXPECT_FALSE(QFile::exists(Path("out.pack"))) << folder;
    }
    EXPECT_NE(RunMkpack({"build"}).exitCode, 0);
}

TEST_F(MkpackTest, CheckAcceptsAGoodPack) {
    WriteSkinFolder(QStringLiteral("skin"));
    ASSERT_EQ(RunMkpack({"build", Path("skin"), Path("VDATA.PACK")}).exitCode, 0);
    const RunResult result = RunMkpack({"check", Path("VDATA.PACK")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    for (const char* expected :
         {"Tarnwell", "DCS-4100", "Nanum Gothic 9", "mp4 avi", "normal = NORMAL", "MAIN = main.xml",
          "question-want-quit", "images decoded: 3", "warning: no script for window ABOUT"}) {
        EXPECT_TRUE(result.out.contains(QLatin1String(expected))) << expected;
    }
    EXPECT_TRUE(result.out.contains(m_dir.path()));  // program folder = the pack's folder
}

TEST_F(MkpackTest, CheckRejectsBrokenPacksWithOneLineReason) {
    WriteSkinFolder(QStringLiteral("skin"));
    ASSERT_EQ(RunMkpack({"build", Path("skin"), Path("good.pack")}).exitCode, 0);
    const QByteArray good = Read("good.pack");
    QByteArray noImages = good;
    qToLittleEndian<int32_t>(0, noImages.data() + 20);
    QByteArray badMagic = good;
    badMagic[1] = 'd';

    Write("noprofile/main.xml", "<skin/>");
    Write("noprofile/a.png", packtest::EncodeImage(Qt::red));
    Write("badimage/Application.xml", kProfile);
    Write("badimage/main.xml", kSkin);
    Write("badimage/a.png", "not a picture");
    Write("badscript/Application.xml", kProfile);
    Write("badscript/main.xml", "<skin><unclosed></skin>");
    Write("badscript/a.png", packtest::EncodeImage(Qt::red));
    Write("nobrand/Application.xml", QByteArray(kProfile).replace("Tarnwell", ""));
    Write("nobrand/a.png", packtest::EncodeImage(Qt::red));
    for (const char* folder : {"noprofile", "badimage", "badscript", "nobrand"}) {
        ASSERT_EQ(RunMkpack({"build", Path(folder), Path(QString(folder) + ".pack")}).exitCode, 0);
    }

    struct Case {
        const char* file;
        QByteArray bytes;  // written first unless empty
        const char* reason;
    };
    const Case cases[] = {
        {"long.pack", good + "!", player::DescribePackError(player::PackError::LengthMismatch)},
        {"noimages.pack", noImages, player::DescribePackError(player::PackError::BadCount)},
        {"magic.pack", badMagic, player::DescribePackError(player::PackError::BadMagic)},
        {"short.pack", good.left(20), player::DescribePackError(player::PackError::ShortHeader)},
        {"absent.pack", {}, player::DescribePackError(player::PackError::NoFile)},
        {"noprofile.pack", {}, "Application.xml"},
        {"badimage.pack", {}, "a.png cannot be decoded"},
        {"badscript.pack", {}, "main.xml"},
        {"nobrand.pack", {}, "brand"},
    };
    for (const Case& c : cases) {
        if (!c.bytes.isEmpty()) {
            Write(c.file, c.bytes);
        }
        const RunResult result = RunMkpack({"check", Path(c.file)});
        EXPECT_NE(result.exitCode, 0) << c.file;
        EXPECT_EQ(result.err.count(u'\n'), 1) << c.file << ": " << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(QLatin1String(c.reason)))
            << c.file << ": " << result.err.toStdString();
    }
}

// Packs that open but could not render: each skin the profile names must parse whole within
// the limits, and its pictures must be there, named once and decodable.
TEST_F(MkpackTest, CheckRejectsPacksThatCannotRender) {
    const QByteArray red = packtest::EncodeImage(Qt::red);
    const QByteArray profile = QByteArray(kProfile);
    QByteArray crowded = "<skin><property/><controls>";
    for (int i = 0; i <= 2000; ++i) {
        crowded += "<image type=\"image\" id=\"c" + QByteArray::number(i) +
                   "\"><mode x=\"0\" y=\"0\" w=\"1\" h=\"1\">0</mode></image>";
    }
    crowded += "</controls></skin>";
    struct Case {
        const char* name;
        QByteArray pack;
        const char* reason;
    };
    const Case cases[] = {
        {"empty-skin",
         packtest::MakePackBytes({{"Application.xml", profile}, {"main.xml", "<skin/>"}},
                                 {{"img/b.png", red}}),
         "no property or no controls"},
        {"huge-window",
         packtest::MakePackBytes(
             {{"Application.xml", profile},
              {"main.xml", QByteArray(kSkin).replace("w=\"320\"", "w=\"2147483647\"")}},
             {{"img/b.png", red}}),
         "larger than 8192 x 8192"},
        {"crowded",
         packtest::MakePackBytes({{"Application.xml", profile}, {"main.xml", crowded}},
                                 {{"img/b.png", red}}),
         "more than 2000 controls"},
        {"missing-picture",
         packtest::MakePackBytes({{"Application.xml", profile}, {"main.xml", kSkin}},
                                 {{"img/c.png", red}}),
         "picture img/b.png is not in the pack"},
        {"empty-picture",
         packtest::MakePackBytes({{"Application.xml", profile}, {"main.xml", kSkin}},
                                 {{"img/a.png", ""}, {"img/b.png", red}}),
         "img/a.png is empty"},
        {"twice",
         packtest::MakePackBytes({{"Application.xml", profile}, {"main.xml", kSkin}},
                                 {{"img/b.png", red}, {"img/b.png", red}}),
         "img/b.png is named twice"},
        {"unnamed",
         packtest::MakePackBytes({{"Application.xml", profile}, {"main.xml", kSkin}},
                                 {{"", red}, {"img/b.png", red}}),
         "has an empty name"},
    };
    for (const Case& c : cases) {
        const QString file = QString::fromLatin1(c.name) + ".pack";
        Write(file, c.pack);
        const RunResult result = RunMkpack({"check", Path(file)});
        EXPECT_EQ(result.exitCode, 1) << c.name;
        EXPECT_TRUE(result.err.contains(QLatin1String(c.reason)))
            << c.name << ": " << result.err.toStdString();
        EXPECT_FALSE(result.out.contains(QLatin1String("\nok\n"))) << c.name;
    }
}

// What stands where a file is expected: a FIFO given as the pack, a link to a device in the
// folder, a medium that takes no byte. Each fails at once with its reason; the old pack stays.
TEST_F(MkpackTest, FifosDevicesAndAFullMediumFailCleanly) {
    WriteSkinFolder(QStringLiteral("skin"));
    ASSERT_EQ(RunMkpack({"build", Path("skin"), Path("old.pack")}).exitCode, 0);
    const QByteArray old = Read("old.pack");
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("fifo.pack")).constData(), 0600), 0);
    const RunResult fifo = RunMkpack({"check", Path("fifo.pack")});
    EXPECT_EQ(fifo.exitCode, 1);
    EXPECT_TRUE(fifo.err.contains(QLatin1String("not a regular file"))) << fifo.err.toStdString();

    const RunResult full = testsupport::RunToolOnFullMedium(
        testsupport::ToolPath("mkpack"), {"build", Path("skin"), Path("old.pack")}, 60000);
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_FALSE(full.out.contains(QLatin1String("wrote"))) << full.out.toStdString();
    EXPECT_TRUE(full.out.contains(QLatin1String("old.pack: File too large")))
        << full.out.toStdString();
    EXPECT_EQ(Read("old.pack"), old);

    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), Path("skin/img/zero.png")));
    const RunResult zero = RunMkpack({"build", Path("skin"), Path("zero.pack")});
    EXPECT_EQ(zero.exitCode, 1);
    EXPECT_TRUE(zero.err.contains(QLatin1String("zero.png"))) << zero.err.toStdString();
    EXPECT_FALSE(QFile::exists(Path("zero.pack")));
}

TEST_F(MkpackTest, DefaultPackPassesCheck) {
    const RunResult result = RunMkpack({"check", QStringLiteral(TEST_PROGRAM_DIR "/VDATA.PACK")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(QLatin1String("extensions: mp4 avi mkv")));
    for (const char* category : {"normal = NORMAL", "event = EVENT", "event_n = EVENT_N",
                                 "manual = MANUAL", "motion = MOTION"}) {
        EXPECT_TRUE(result.out.contains(QLatin1String(category))) << category;
    }
    // The default profile gives every preset message a title and a comment.
    EXPECT_FALSE(result.out.contains(QLatin1String("has an empty title or comment")));
}

TEST(PackWriterTest, EncodeMatchesTheLayout) {
    mkpack::PackContents contents;
    contents.texts = {{"b.xml", "B"}, {"a.xml", "AA"}};
    contents.images = {{"i.png", "III"}};
    QByteArray encoded;
    QString error;
    ASSERT_TRUE(mkpack::EncodePack(contents, encoded, error));
    QByteArray expected =
        packtest::MakePackBytes({{"a.xml", "AA"}, {"b.xml", "B"}}, {{"i.png", "III"}});
    expected.replace(5, 11, QByteArray(11, '\0'));  // our filler is zeros
    EXPECT_EQ(encoded, expected);
    EXPECT_EQ(mkpack::ClassifyEntry(QStringLiteral("x/Y.PNG")), mkpack::EntryKind::Image);
    EXPECT_EQ(mkpack::ClassifyEntry(QStringLiteral("page.html")), mkpack::EntryKind::Text);
    EXPECT_EQ(mkpack::ClassifyEntry(QStringLiteral("font.ttf")), mkpack::EntryKind::Other);
}

}  // namespace
