#include "platform/window/SystemDialogs.h"

#include "platform/window/WaitCursor.h"
#include "tests/support/TestApp.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace platform;

namespace {

class SystemDialogsTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::EnsureApp(); }
    void TearDown() override {
        SetSaveFileHandler({});
        SetFolderBrowserHandler({});
    }
};

TEST_F(SystemDialogsTest, ToolkitFiltersBecomeNameFilters) {
    struct Case {
        const char* toolkit;
        QStringList filters;
    };
    const Case cases[] = {
        {"video(*.mp4)|*.mp4||", {"video (*.mp4)"}},
        {"video(*.*)|*.*||", {"video (*.*)"}},
        {"jpeg file (*.jpg)|*.jpg||", {"jpeg file (*.jpg)"}},
        {"video(*.avi)|*.mp4||", {"video(*.avi) (*.mp4)"}},
        {"a|*.a;*.b|c|*.c||", {"a (*.a *.b)", "c (*.c)"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToNameFilters(c.toolkit), c.filters) << c.toolkit;
    }
}

TEST_F(SystemDialogsTest, ReportedExtensionIsAfterTheLastDotOfTheName) {
    struct Case {
        const char* path;
        const char* extension;
    };
    const Case cases[] = {
        {"/home/u/NOR_1.jpg", "jpg"}, {"/home/u/NOR_1", ""}, {"/home/u.d/NOR_1", ""},
        {"/home/u/a.b.mp4", "mp4"},   {"C:\\x.y\\name", ""}, {"/home/u/name.", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileExtensionOf(c.path), c.extension) << c.path;
    }
}

TEST_F(SystemDialogsTest, HandlersAnswerInPlaceOfThePerson) {
    SaveFileRequest seen;
    SetSaveFileHandler([&](const SaveFileRequest& r) -> std::optional<QString> {
        seen = r;
        return QStringLiteral("/tmp/out/NOR_1.mp4");
    });
    const auto chosen =
        GetSaveFileName({nullptr, "/home/u/Desktop/NOR_1.mp4", "video(*.mp4)|*.mp4||", true});
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->path, "/tmp/out/NOR_1.mp4");
    EXPECT_EQ(chosen->extension, "mp4");
    EXPECT_EQ(seen.initialPath, "/home/u/Desktop/NOR_1.mp4");
    EXPECT_TRUE(seen.promptOverwrite);

    SetSaveFileHandler([](const SaveFileRequest&) { return std::optional<QString>(); });
    EXPECT_FALSE(GetSaveFileName({}).has_value());

    SetFolderBrowserHandler([](const FolderRequest&) { return std::optional<QString>("/x"); });
    EXPECT_EQ(BrowseForFolder({}), QString("/x"));
    SetFolderBrowserHandler([](const FolderRequest&) { return std::optional<QString>(""); });
    EXPECT_FALSE(BrowseForFolder({}).has_value());
}

// The toolkit's dialog reads a double quote in the typed name as quoting a list of names; the
// proposed name of a recording that holds one comes back whole when the person presses Save.
TEST_F(SystemDialogsTest, SaveDialogKeepsANameWithDoubleQuotesWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QString& name : {QStringLiteral("NOR_250517_143000_F'\"q.mp4"),
                                QStringLiteral("\"a\" \"b\".mp4"), QStringLiteral("plain.mp4")}) {
        QTimer::singleShot(0, [] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                QMetaObject::invokeMethod(dialog, "accept");  // as the Save button does
            }
        });
        const auto chosen =
            GetSaveFileName({nullptr, dir.filePath(name), "video(*.mp4)|*.mp4||", true});
        ASSERT_TRUE(chosen.has_value()) << name.toStdString();
        EXPECT_EQ(chosen->path.toStdString(), dir.filePath(name).toStdString());
        EXPECT_EQ(chosen->extension, "mp4");
    }
}

TEST_F(SystemDialogsTest, WaitCursorsNestAndRestore) {
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        WaitCursor outer;
        {
            WaitCursor inner;
            ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        }
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
