#include "player/catalogue/CardTools.h"

#include "CatalogueTestSupport.h"
#include "platform/system/InternetState.h"
#include "platform/system/Process.h"
#include "platform/window/Shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace player {
namespace {

class CardToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        cataloguetest::App();
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override {
        platform::SetOpenUrlHandler({});
        qunsetenv(platform::kOnlineVariable);
    }
    QString Folder(const QString& name) {
        QString path = m_dir.path() + '/' + name;
        EXPECT_TRUE(QDir().mkpath(path));
        return path;
    }
    QTemporaryDir m_dir;
};

TEST_F(CardToolsTest, FindCardNeedsTheExactLabelAndMakesTheSettingFolder) {
    const QString other = Folder("other");
    const QString card = Folder("card");
    cataloguetest::VirtualDrives drives(other + "=qor-sd;" + card + "=QOR-SD-2");
    QString root;
    EXPECT_FALSE(FindCard(&root));
    EXPECT_TRUE(root.isEmpty());

    drives.Set(other + "=qor-sd;" + card + "=QOR-SD");
    EXPECT_TRUE(FindCard(&root));
    EXPECT_EQ(root, card + '/');
    EXPECT_TRUE(QFileInfo(card + "/SETTING").isDir());
    EXPECT_FALSE(QFileInfo::exists(other + "/SETTING"));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // An existing folder and its files are kept.
    QFile setting(card + "/SETTING/BK_Setting.cfg");
    ASSERT_TRUE(setting.open(QIODevice::WriteOnly));
    setting.write("12");
    setting.close();
    EXPECT_TRUE(FindCard());
    EXPECT_EQ(QFileInfo(card + "/SETTING/BK_Setting.cfg").size(), 2);
}

TEST_F(CardToolsTest, ARecordingLiesOnTheInnermostRemovableDriveHoldingIt) {
    const QString outer = Folder("outer");
    const QString inner = Folder("outer/inner");
    Folder("outer/innermost");
    cataloguetest::VirtualDrives drives(outer + ";" + inner);
    EXPECT_EQ(RemovableDriveOf(inner + "/NORMAL/a.mp4"), inner + '/');
    EXPECT_EQ(RemovableDriveOf(outer + "/innermost/a.mp4"), outer + '/');
    EXPECT_EQ(RemovableDriveOf(outer + "/../outer/a.mp4"), outer + '/');
    EXPECT_EQ(RemovableDriveOf(m_dir.path() + "/outer-not/a.mp4"), std::nullopt);
}

TEST_F(CardToolsTest, SettingsToolStartsInTheProgramFolderAndEndsWithItsRecord) {
    const QString programFolder = Folder("program folder");
    QFile tool(programFolder + "/DCS_4100");
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
    tool.write("#!/bin/sh\npwd > started\nexec sleep 30\n");
    tool.close();
    ASSERT_TRUE(tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    platform::Process record;
    ASSERT_TRUE(StartSettingsTool(record, programFolder));
    QFile started(programFolder + "/started");
    for (int i = 0; i < 500 && started.size() == 0; ++i) {
        QThread::msleep(10);  // an outside program: nothing to wait on but its file
    }
    ASSERT_TRUE(started.open(QIODevice::ReadOnly));
    EXPECT_EQ(started.readAll().trimmed(), programFolder.toUtf8());
    EXPECT_TRUE(record.IsRunning());
    EXPECT_TRUE(record.Terminate());

    // Missing from the program folder: nothing starts, the record holds nothing.
    EXPECT_FALSE(StartSettingsTool(record, Folder("empty")));
    EXPECT_FALSE(record.HasHandle());
}

TEST_F(CardToolsTest, SiteOpensOnlyWhenOnlineAndSaysWhenNoBrowserCan) {
    QStringList opened;
    bool browser = true;
    platform::SetOpenUrlHandler([&](const QString& url) {
        opened << url;
        return browser;
    });
    qputenv(platform::kOnlineVariable, "0");
    EXPECT_EQ(OpenSite("https://example.com/vestra"), SiteOpening::Offline);
    EXPECT_TRUE(opened.isEmpty());
    qputenv(platform::kOnlineVariable, "1");
    EXPECT_EQ(OpenSite("https://example.com/vestra"), SiteOpening::Opened);
    EXPECT_EQ(opened, QStringList{"https://example.com/vestra"});
    browser = false;
    EXPECT_EQ(OpenSite("https://example.com/vestra"), SiteOpening::NoBrowser);
}

}  // namespace
}  // namespace player
