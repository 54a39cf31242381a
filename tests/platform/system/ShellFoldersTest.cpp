#include "platform/system/ShellFolders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(ShellFoldersTest, DesktopFollowsTheUsersFoldersAndFallsBackToHome) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QByteArray savedHome = qgetenv("HOME");
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    ASSERT_TRUE(QDir().mkpath(home.path() + "/.config"));

    // No Desktop folder yet: the home folder.
    EXPECT_EQ(GetDesktopFolder(), home.path());
    ASSERT_TRUE(QDir().mkpath(home.path() + "/Desktop"));
    EXPECT_EQ(GetDesktopFolder(), home.path() + "/Desktop");

    // A desktop in another language names its own folder.
    ASSERT_TRUE(QDir().mkpath(home.path() + "/Schreibtisch"));
    QFile dirs(home.path() + "/.config/user-dirs.dirs");
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    dirs.close();
    EXPECT_EQ(GetDesktopFolder(), home.path() + "/Schreibtisch");

    qputenv("HOME", savedHome);
    if (savedConfig.isNull()) {
        qunsetenv("XDG_CONFIG_HOME");
    } else {
        qputenv("XDG_CONFIG_HOME", savedConfig);
    }
}

}  // namespace
}  // namespace platform
