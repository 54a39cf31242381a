#include "player/catalogue/Export.h"

#include "CatalogueTestSupport.h"
#include "platform/window/CopyProgress.h"
#include "platform/window/WinTypes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace player {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        cataloguetest::App();
        ASSERT_TRUE(m_dir.isValid());
        m_savedHome = qgetenv("HOME");
        m_savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", m_dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + "/.config").toUtf8());
        ASSERT_TRUE(QDir().mkpath(m_dir.path() + "/Desktop"));
        ASSERT_TRUE(QDir().mkpath(m_dir.path() + "/card/NORMAL"));
        QFile source(Source());
        ASSERT_TRUE(source.open(QIODevice::WriteOnly));
        source.write(QByteArray(qsizetype{3} * 1024 * 1024, 'v'));
    }
    void TearDown() override {
        qputenv("HOME", m_savedHome);
        if (m_savedConfig.isNull()) {
            qunsetenv("XDG_CONFIG_HOME");
        } else {
            qputenv("XDG_CONFIG_HOME", m_savedConfig);
        }
        platform::SetModalHook({});
    }
    QString Source() const { return m_dir.path() + "/card/NORMAL/NOR_250517_143000_F.mp4"; }

    QApplication& m_app = cataloguetest::App();  // before the owner window
    QTemporaryDir m_dir;
    QByteArray m_savedHome;
    QByteArray m_savedConfig;
    QWidget m_owner;
};

TEST_F(ExportTest, SaveAsProposesTheDesktopAndTheRecordingsType) {
    struct Case {
        QString source;
        QString filter;
        QString target;
    };
    const Case cases[] = {
        {Source(), "video(*.mp4)|*.mp4||", m_dir.path() + "/Desktop/NOR_250517_143000_F.mp4"},
        {"/media/card.d/NORMAL/NOR_1", "video(*.*)|*.*||", m_dir.path() + "/Desktop/NOR_1"},
        {"/media/c/EVENT/a.b.AVI", "video(*.AVI)|*.AVI||", m_dir.path() + "/Desktop/a.b.AVI"},
    };
    for (const Case& c : cases) {
        const platform::SaveFileRequest request = ExportSaveRequest(c.source);
        EXPECT_EQ(request.owner, nullptr);
        EXPECT_EQ(request.filter, c.filter);
        EXPECT_EQ(request.initialPath, c.target);
        EXPECT_TRUE(request.promptOverwrite);
    }
}

TEST_F(ExportTest, CopyCompletesOrLeavesNothingBehind) {
    const QString target = m_dir.path() + "/Desktop/NOR_250517_143000_F.mp4";
    EXPECT_TRUE(ExportRecording(&m_owner, Source(), target));
    EXPECT_EQ(ReadAll(target), ReadAll(Source()));

    // Cancelled in the progress window: the earlier copy stays as it was.
    QFile::resize(target, 10);
    platform::SetModalHook([](platform::Dialog& window) {
        QTest::mouseClick(window.GetDlgItem(platform::IDCANCEL), Qt::LeftButton);
    });
    EXPECT_FALSE(ExportRecording(&m_owner, Source(), target));
    EXPECT_EQ(QFileInfo(target).size(), 10);
    EXPECT_FALSE(ExportRecording(&m_owner, Source(), m_dir.path() + "/Desktop/new.mp4"));
    EXPECT_FALSE(QFile::exists(m_dir.path() + "/Desktop/new.mp4"));
    platform::SetModalHook({});

    // Onto itself, or into a folder that is gone.
    EXPECT_FALSE(ExportRecording(&m_owner, Source(), Source()));
    EXPECT_FALSE(ExportRecording(&m_owner, Source(), m_dir.path() + "/gone/clip.mp4"));
    EXPECT_EQ(QFileInfo(Source()).size(), 3 * 1024 * 1024);
    EXPECT_EQ(QDir(m_dir.path() + "/Desktop").entryList(QDir::Files | QDir::Hidden),
              QStringList{"NOR_250517_143000_F.mp4"});
}

}  // namespace
}  // namespace player
