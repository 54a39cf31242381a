#include "settings/SettingsFiles.h"

#include "platform/system/Drives.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace settings {
namespace {

CameraSettings Make(int parking, int mic, int speaker, int quality, int echo, int gSensor) {
    return CameraSettings{parking, mic, speaker, quality, echo, gSensor};
}

std::string Show(const CameraSettings& s) {
    return std::to_string(s.parkingMode) + std::to_string(s.microphoneVolume) +
           std::to_string(s.speakerVolume) + std::to_string(s.recordingQuality) +
           std::to_string(s.echo) + "/" + std::to_string(s.gSensorSensitivity);
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class SettingsFilesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Path(const QString& name) const { return m_dir.path() + '/' + name; }
    QTemporaryDir m_dir;
};

TEST_F(SettingsFilesTest, ReadValidatesEachPositionOnItsOwn) {
    const CameraSettings defaults;
    struct Case {
        QByteArray bytes;
        CameraSettings expected;
        bool result;
    };
    const Case cases[] = {
        {"4390     ", Make(4, 3, 2, 2, 0, 4), true},  // 9 and 0 out of range, echo a space
        {"123318   ", Make(1, 2, 3, 2, 1, 8), true},  // quality digit 3 is code 2
        {"032304   ", defaults, true},
        {"012101000", Make(0, 1, 2, 0, 0, 1), true},  // the three trailing bytes are ignored
        {"5444299xx", Make(0, 3, 2, 2, 0, 4), true},  // every position just out of range
        {"abcdefghi", defaults, true},
        {QByteArray("1\0"
                    "2331 \0\0",
                    9),
         Make(1, 3, 2, 2, 0, 1), true},
        {"12331899", defaults, false},  // 8 bytes: too short
        {"", defaults, false},
        {"123318   " + QByteArray(2000, '7'), Make(1, 2, 3, 2, 1, 8), true},
    };
    for (const Case& c : cases) {
        WriteBytes(Path("BK_Setting.cfg"), c.bytes);
        CameraSettings read = Make(9, 9, 9, 9, 9, 9);
        EXPECT_EQ(ReadSettings(Path("BK_Setting.cfg"), read), c.result) << c.bytes.constData();
        EXPECT_EQ(read, c.expected) << c.bytes.left(9).constData() << " read as " << Show(read);
    }
}

TEST_F(SettingsFilesTest, MissingFileOrPathGivesDefaults) {
    for (const QString& path : {Path("absent.cfg"), QString(), m_dir.path()}) {
        CameraSettings read = Make(4, 0, 0, 0, 1, 8);
        EXPECT_FALSE(ReadSettings(path, read)) << path.toStdString();
        EXPECT_EQ(read, CameraSettings{});
    }
}

TEST_F(SettingsFilesTest, FormatIsNineExactBytes) {
    struct Case {
        CameraSettings settings;
        QByteArray bytes;
    };
    const Case cases[] = {
        {CameraSettings{}, "032304   "},
        {Make(4, 0, 0, 0, 1, 0), "400110   "},  // quality code 0 is written as "1"
        {Make(1, 2, 3, 2, 1, 8), "123318   "},
        {Make(7, -1, 4, 3, 2, 9), "032304   "},  // out-of-range codes fall back to defaults
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatSettings(c.settings), c.bytes) << Show(c.settings);
    }
}

TEST_F(SettingsFilesTest, EveryValidRecordSurvivesWriteAndRead) {
    int checked = 0;
    for (int p = 0; p <= 4; ++p)
        for (int m = 0; m <= 3; ++m)
            for (int s = 0; s <= 3; ++s)
                for (int q = 0; q <= 2; ++q)
                    for (int e = 0; e <= 1; ++e)
                        for (int g = 0; g <= 8; ++g) {
                            const CameraSettings original = Make(p, m, s, q, e, g);
                            CameraSettings read;
                            ASSERT_TRUE(ParseSettings(FormatSettings(original), read));
                            ASSERT_EQ(read, original) << Show(original);
                            ++checked;
                        }
    EXPECT_EQ(checked, 5 * 4 * 4 * 3 * 2 * 9);
}

TEST_F(SettingsFilesTest, TimeTextHas23BytesAndTheDatesWeekday) {
    struct Case {
        QDate date;
        QTime time;
        QByteArray text;
    };
    const Case cases[] = {
        {QDate(2012, 2, 23), QTime(14, 5, 9), "2012 02 23 14 05 09 04 "},  // a Thursday
        {QDate(2026, 12, 6), QTime(0, 0, 0), "2026 12 06 00 00 00 00 "},   // Sunday is 0
        {QDate(2026, 12, 12), QTime(23, 59, 59), "2026 12 12 23 59 59 06 "},
        {QDate(1601, 1, 1), QTime(1, 2, 3), "1601 01 01 01 02 03 01 "},
        {QDate(9999, 12, 31), QTime(12, 0, 0), "9999 12 31 12 00 00 05 "},
    };
    for (const Case& c : cases) {
        const QByteArray text = FormatTime(c.date, c.time);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(text.size(), kTimeFileBytes);
    }
    EXPECT_TRUE(FormatTime(QDate(), QTime(1, 0)).isEmpty());
    EXPECT_FALSE(WriteTime(m_dir.path(), QDate(), QTime(1, 0)));
    EXPECT_FALSE(QFile::exists(Path("BK_Time.cfg")));
}

TEST_F(SettingsFilesTest, WritesCreateAndOverwriteBothFiles) {
    for (const QString& folder : {m_dir.path(), m_dir.path() + '/'}) {
        ASSERT_TRUE(WriteSettings(folder, Make(1, 2, 3, 2, 1, 8)));
        ASSERT_TRUE(WriteTime(folder, QDate(2012, 2, 23), QTime(14, 5, 9)));
        EXPECT_EQ(ReadAll(Path("BK_Setting.cfg")), "123318   ");
        ASSERT_TRUE(WriteSettings(folder, CameraSettings{}));
        ASSERT_TRUE(WriteTime(folder, QDate(2013, 3, 1), QTime(1, 1, 1)));
        EXPECT_EQ(ReadAll(Path("BK_Setting.cfg")), "032304   ");
        EXPECT_EQ(ReadAll(Path("BK_Time.cfg")), "2013 03 01 01 01 01 05 ");
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"BK_Setting.cfg", "BK_Time.cfg"}));
}

TEST_F(SettingsFilesTest, FolderThatTakesNoFileIsAFailure) {
    WriteBytes(Path("file"), "x");
    EXPECT_FALSE(WriteSettings(Path("file"), CameraSettings{}));
    EXPECT_FALSE(WriteTime(Path("file"), QDate(2012, 2, 23), QTime(14, 5, 9)));
    EXPECT_FALSE(WriteSettings(Path("absent"), CameraSettings{}));
    EXPECT_EQ(ReadAll(Path("file")), "x");
}

// The dialog's save with the clock: a card that takes the settings but not the clock (a folder
// in the clock's place) keeps its old settings; a settings file that is a FIFO reads as none
// at once, with every setting at its default.
TEST_F(SettingsFilesTest, SaveIsBothFilesOrNoneAndAFifoIsNoSettings) {
    WriteBytes(Path("BK_Setting.cfg"), "123318   ");
    ASSERT_TRUE(QDir().mkpath(Path("BK_Time.cfg")));
    EXPECT_FALSE(
        WriteSettingsAndTime(m_dir.path(), CameraSettings{}, QDate(2013, 3, 1), QTime(1, 1, 1)));
    EXPECT_EQ(ReadAll(Path("BK_Setting.cfg")), "123318   ");
    ASSERT_TRUE(QDir(Path("BK_Time.cfg")).removeRecursively());
    EXPECT_TRUE(
        WriteSettingsAndTime(m_dir.path(), CameraSettings{}, QDate(2013, 3, 1), QTime(1, 1, 1)));
    EXPECT_EQ(ReadAll(Path("BK_Setting.cfg")), "032304   ");
    EXPECT_EQ(ReadAll(Path("BK_Time.cfg")), "2013 03 01 01 01 01 05 ");

    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("fifo.cfg")).constData(), 0600), 0);
    CameraSettings read = Make(1, 2, 3, 2, 1, 8);
    EXPECT_FALSE(ReadSettings(Path("fifo.cfg"), read));
    EXPECT_EQ(read, CameraSettings{});
}

class LocateTest : public SettingsFilesTest {
protected:
    void TearDown() override { qunsetenv(platform::kVirtualDrivesVariable); }
    QString Card(const QString& name, const QByteArray& label) {
        const QString root = Path(name);
        EXPECT_TRUE(QDir().mkpath(root));
        WriteBytes(root + "/.volume_label", label);
        return root;
    }
};

TEST_F(LocateTest, FirstCardWithTheExactLabelWins) {
    const QString lower = Card("lower", "qor-sd");
    const QString first = Card("first", "QOR-SD");
    const QString second = Card("second", "QOR-SD");
    const QString spaced = Card("spaced", "QOR-SD ");

    struct Case {
        QString drives;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {lower + ";" + first + ";" + second, first + "/SETTING/BK_Setting.cfg"},
        {second + ";" + first, second + "/SETTING/BK_Setting.cfg"},
        {lower + ";" + spaced, std::nullopt},  // labels compare exactly
        {lower + "=QOR-SD", lower + "/SETTING/BK_Setting.cfg"},
        {Path("gone") + "=QOR-SD", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        qputenv(platform::kVirtualDrivesVariable, c.drives.toUtf8());
        EXPECT_EQ(LocateSettingsFile(), c.expected) << c.drives.toStdString();
    }
}

}  // namespace
}  // namespace settings
