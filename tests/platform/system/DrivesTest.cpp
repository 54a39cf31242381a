#include "platform/system/Drives.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace platform {
namespace {

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

class VirtualDrivesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_saved = qgetenv(kVirtualDrivesVariable);
        m_hadVariable = qEnvironmentVariableIsSet(kVirtualDrivesVariable);
    }
    void TearDown() override {
        if (m_hadVariable) {
            qputenv(kVirtualDrivesVariable, m_saved);
        } else {
            qunsetenv(kVirtualDrivesVariable);
        }
    }
    QString Folder(const QString& name, const QByteArray& labelFile = {}) {
        const QString path = m_dir.path() + '/' + name;
        EXPECT_TRUE(QDir().mkpath(path));
        if (!labelFile.isNull()) {
            WriteText(path + '/' + kVirtualLabelFile, labelFile);
        }
        return path;
    }

    QTemporaryDir m_dir;
    QByteArray m_saved;
    bool m_hadVariable = false;
};

TEST_F(VirtualDrivesTest, EntriesGiveRootsAndLabels) {
    const QString card = Folder("card", "QOR-SD\nsecond line\n");
    const QString crlf = Folder("crlf", "CR-LF\r\n");
    const QString plain = Folder("plain");
    const QString named = Folder("a=b");
    const QString withSlash = Folder("slash");

    struct Case {
        QString entry;
        QString root;
        QString label;
    };
    const Case cases[] = {
        {card, card + '/', "QOR-SD"},               // label from the file's first line
        {crlf, crlf + '/', "CR-LF"},                // line ends of either kind dropped
        {plain, plain + '/', ""},                   // no label file: no label
        {card + "=OTHER", card + '/', "OTHER"},     // a given label wins over the file
        {named + "=X", named + '/', "X"},           // split at the last "="
        {named + "=", named + '/', ""},             // an empty given label stays empty
        {withSlash + "/=S", withSlash + '/', "S"},  // no doubled slash
    };
    for (const Case& c : cases) {
        const std::vector<DriveInfo> drives = ParseVirtualDrives(c.entry);
        ASSERT_EQ(drives.size(), 1u) << c.entry.toStdString();
        EXPECT_EQ(drives[0].root, c.root) << c.entry.toStdString();
        EXPECT_EQ(drives[0].label, c.label) << c.entry.toStdString();
        EXPECT_EQ(drives[0].type, DriveType::Removable);
    }
}

TEST_F(VirtualDrivesTest, MissingFoldersAndEmptyEntriesAreSkippedInOrder) {
    const QString first = Folder("first", "ONE");
    const QString second = Folder("second", "TWO");
    const QString value =
        ";" + second + ";" + m_dir.path() + "/absent=GONE;;" + first + ";" + second + "=DUP;";
    const std::vector<DriveInfo> drives = ParseVirtualDrives(value);
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].label, "TWO");
    EXPECT_EQ(drives[1].label, "ONE");
    EXPECT_TRUE(ParseVirtualDrives("").empty());
}

// One folder spelt several ways is one drive; a label file that is a FIFO gives no label at
// once instead of waiting for a writer; skipped entries are named with the reason.
TEST_F(VirtualDrivesTest, SpellingsFifoLabelsAndSkippedEntries) {
    const QString card = Folder("card", "QOR-SD");
    const QString fifo = Folder("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo + '/' + kVirtualLabelFile).constData(), 0600), 0);
    WriteText(m_dir.path() + "/plain", "x");
    const QString value = card + ";" + card + "//;" + card + "/.;" + card + "/../card;" + fifo +
                          ";" + m_dir.path() + "/plain;" + m_dir.path() + "/absent";
    QStringList skipped;
    const std::vector<DriveInfo> drives = ParseVirtualDrives(value, &skipped);
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].root, card + '/');
    EXPECT_EQ(drives[0].label, "QOR-SD");
    EXPECT_EQ(drives[1].root, fifo + '/');
    EXPECT_EQ(drives[1].label, "");
    ASSERT_EQ(skipped.size(), 2);
    EXPECT_TRUE(skipped[0].startsWith(m_dir.path() + "/plain"));
    EXPECT_TRUE(skipped[1].startsWith(m_dir.path() + "/absent"));
}

TEST_F(VirtualDrivesTest, LogicalDrivesFollowTheVariableAndTheFolders) {
    const QString card = Folder("card", "QOR-SD");
    const QString other = Folder("other");
    qputenv(kVirtualDrivesVariable, (card + ";" + other + "=qor-sd").toUtf8());

    const QStringList roots = GetLogicalDrives();
    const qsizetype cardAt = roots.indexOf(card + '/');
    ASSERT_GE(cardAt, 0);
    EXPECT_EQ(roots.indexOf(other + '/'), cardAt + 1);
    EXPECT_EQ(GetDriveType(card + '/'), DriveType::Removable);
    EXPECT_EQ(GetVolumeLabel(card + '/'), QString("QOR-SD"));
    EXPECT_EQ(GetVolumeLabel(other + '/'), QString("qor-sd"));

    // Not a drive root: the folder without its slash, a sub-folder, a removed card.
    EXPECT_EQ(GetDriveType(card), DriveType::NoRootDir);
    EXPECT_EQ(GetVolumeLabel(card + "/SETTING/"), std::nullopt);
    ASSERT_TRUE(QDir(card).removeRecursively());
    EXPECT_FALSE(GetLogicalDrives().contains(card + '/'));
    EXPECT_EQ(GetDriveType(card + '/'), DriveType::NoRootDir);
}

}  // namespace
}  // namespace platform
