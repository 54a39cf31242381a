#include "platform/window/CopyProgress.h"

#include "platform/window/Window.h"
#include "tests/support/TestApp.h"

#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace platform;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class CopyProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::EnsureApp();
        m_owner = std::make_unique<QWidget>();
        ASSERT_TRUE(m_dir.isValid());
        m_bytes = QByteArray(4 * 1024 * 1024 + 1, 'r');
        QFile source(Source());
        ASSERT_TRUE(source.open(QIODevice::WriteOnly));
        source.write(m_bytes);
    }
    void TearDown() override {
        SetModalHook({});
        SetCopyFileHandler({});
    }
    QString Source() const { return m_dir.path() + "/NOR_250517_143000_F.mp4"; }
    QString Target(const char* name) const { return m_dir.path() + "/desktop/" + name; }
    void MakeTargetFolder(const QByteArray& oldFile = {}) {
        ASSERT_TRUE(QDir().mkpath(m_dir.path() + "/desktop"));
        if (!oldFile.isEmpty()) {
            QFile old(Target("clip.mp4"));
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write(oldFile);
        }
    }

    QTemporaryDir m_dir;
    QByteArray m_bytes;
    std::unique_ptr<QWidget> m_owner;
};

TEST_F(CopyProgressTest, WindowShowsTheCopyUntilItIsComplete) {
    MakeTargetFolder("old");
    int seen = 0;
    SetModalHook([&](Dialog& shown) {
        auto* window = dynamic_cast<CopyProgressDlg*>(&shown);
        ASSERT_NE(window, nullptr);
        ++seen;
        EXPECT_EQ(GetWindowText(window->GetDlgItem(CopyProgressDlg::kIdName)), "Copying clip.mp4");
        EXPECT_EQ(window->TotalBytes(), m_bytes.size());
        // The first megabyte went before the window was met; the rest is still to come.
        EXPECT_EQ(window->BytesCopied(), 1024 * 1024);
        auto* bar = qobject_cast<QProgressBar*>(window->GetDlgItem(CopyProgressDlg::kIdBar));
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->value(), 249);
        EXPECT_EQ(ReadAll(Target("clip.mp4")), "old");
    });
    EXPECT_EQ(CopyFileWithProgress(m_owner.get(), Source(), Target("clip.mp4")),
              CopyResult::Copied);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(ReadAll(Target("clip.mp4")), m_bytes);
    EXPECT_EQ(QDir(m_dir.path() + "/desktop").entryList(QDir::Files | QDir::Hidden),
              QStringList{"clip.mp4"});
}

TEST_F(CopyProgressTest, CancelLeavesTheTargetAsItWas) {
    struct Case {
        QByteArray oldFile;
        QByteArray expected;
    };
    const Case cases[] = {{{}, "<missing>"}, {"old", "old"}};
    for (const Case& c : cases) {
        MakeTargetFolder(c.oldFile);
        SetModalHook(
            [](Dialog& shown) { QTest::mouseClick(shown.GetDlgItem(IDCANCEL), Qt::LeftButton); });
        EXPECT_EQ(CopyFileWithProgress(m_owner.get(), Source(), Target("clip.mp4")),
                  CopyResult::Cancelled);
        EXPECT_EQ(ReadAll(Target("clip.mp4")), c.expected);
        EXPECT_EQ(QDir(m_dir.path() + "/desktop").entryList(QDir::Files | QDir::Hidden).size(),
                  c.oldFile.isEmpty() ? 0 : 1);
    }
}

TEST_F(CopyProgressTest, CopyThatCannotStartFailsWithoutAWindow) {
    bool shown = false;
    SetModalHook([&](Dialog&) { shown = true; });
    EXPECT_EQ(CopyFileWithProgress(m_owner.get(), Source(), Target("clip.mp4")),
              CopyResult::Failed);
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown);
}

TEST_F(CopyProgressTest, HandlerAnswersInPlaceOfTheWindow) {
    CopyRequest seen;
    SetCopyFileHandler([&](const CopyRequest& request) {
        seen = request;
        return CopyResult::Cancelled;
    });
    EXPECT_EQ(CopyFileWithProgress(m_owner.get(), Source(), Target("clip.mp4")),
              CopyResult::Cancelled);
    EXPECT_EQ(seen.owner, m_owner.get());
    EXPECT_EQ(seen.source, Source());
    EXPECT_EQ(seen.target, Target("clip.mp4"));
    EXPECT_EQ(ReadAll(Target("clip.mp4")), "<missing>");
}

}  // namespace
