#include "player/catalogue/SelDriveDlg.h"

#include "CatalogueTestSupport.h"
#include "platform/window/Screen.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace player {
namespace {

// The entries of the list that name drives in folder (a real card in the machine is not
// counted).
QStringList EntriesIn(const QComboBox& list, const QString& folder) {
    QStringList entries;
    for (int i = 0; i < list.count(); ++i) {
        if (list.itemText(i).contains(folder)) {
            entries << list.itemText(i);
        }
    }
    return entries;
}

class SelDriveDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        cataloguetest::App();
        platform::SetScreenSizeOverride(QSize(1920, 1080));
        ASSERT_TRUE(m_dir.isValid());
        for (const char* name : {"f", "E", "g"}) {
            ASSERT_TRUE(QDir().mkpath(Drive(name)));
        }
        m_profile = cataloguetest::LoadProfile();
    }
    void TearDown() override {
        platform::SetModalHook({});
        platform::SetScreenSizeOverride({});
    }
    QString Drive(const char* name) const { return m_dir.path() + "/" + name; }

    // Runs the selector; answer acts on it once it is shown (counted in shown).
    std::optional<QString> Choose(const std::function<void(CSelDriveDlg&)>& answer) {
        platform::SetModalHook([&](platform::Dialog& dialog) {
            auto* selector = dynamic_cast<CSelDriveDlg*>(&dialog);
            ASSERT_NE(selector, nullptr);
            ++m_shown;
            answer(*selector);
        });
        return ChooseCard(&m_owner, *m_profile);
    }

    QApplication& m_app = cataloguetest::App();  // before the owner window
    QTemporaryDir m_dir;
    std::unique_ptr<AppProfile> m_profile;
    QWidget m_owner;
    int m_shown = 0;
};

TEST_F(SelDriveDlgTest, OffersRemovableDrivesSortedFirstPreselectedRebuiltOnDropDown) {
    cataloguetest::VirtualDrives drives(Drive("f") + ";" + Drive("E") + "=QOR-SD");
    const auto chosen = Choose([&](CSelDriveDlg& selector) {
        QComboBox* list = selector.DriveList();
        ASSERT_NE(list, nullptr);
        EXPECT_TRUE(list->isVisible());
        EXPECT_EQ(list->geometry().topLeft(), QPoint(160, 60));
        EXPECT_EQ(list->width(), 210);
        // By label with the root after it; a drive without a label by its root.
        const QString card = "QOR-SD (" + Drive("E") + "/)";
        EXPECT_EQ(EntriesIn(*list, m_dir.path()), (QStringList{Drive("f") + "/", card}));
        EXPECT_EQ(list->currentIndex(), 0);
        EXPECT_LT(list->palette().color(QPalette::Base).lightness(), 100) << "the skin's dark look";
        for (const char* name : {kSelDriveOk, kSelDriveCancel, kSelDriveTitle, kSelDriveDrive}) {
            SkWidget* widget = selector.Skin()->FindControlWindow(NameKey(name));
            ASSERT_NE(widget, nullptr) << name;
            EXPECT_TRUE(widget->Window()->isVisible()) << name;
        }

        // A card put in while the selector is open shows when the list drops down.
        drives.Set(Drive("f") + ";" + Drive("g") + ";" + Drive("E") + "=QOR-SD");
        list->showPopup();
        list->hidePopup();
        EXPECT_EQ(EntriesIn(*list, m_dir.path()),
                  (QStringList{Drive("f") + "/", Drive("g") + "/", card}));
        list->setCurrentIndex(list->findText(card));
        QTest::mouseClick(selector.Skin()->FindControlWindow(NameKey(kSelDriveOk))->Window(),
                          Qt::LeftButton);
    });
    EXPECT_EQ(m_shown, 1);
    EXPECT_EQ(chosen, Drive("E") + "/");
}

TEST_F(SelDriveDlgTest, NoChoiceWithoutASelectedEntry) {
    cataloguetest::VirtualDrives drives(Drive("f") + ";" + Drive("E"));
    struct Case {
        const char* what;
        std::function<void(CSelDriveDlg&)> answer;
    };
    const Case cases[] = {
        {"typed text instead of an entry",
         [&](CSelDriveDlg& selector) {
             selector.DriveList()->lineEdit()->setText(Drive("typed"));
             selector.DispatchCommand(platform::IDOK);
         }},
        {"Cancel",
         [](CSelDriveDlg& selector) {
             QTest::mouseClick(
                 selector.Skin()->FindControlWindow(NameKey(kSelDriveCancel))->Window(),
                 Qt::LeftButton);
         }},
        {"Escape", [](CSelDriveDlg& selector) { QTest::keyClick(&selector, Qt::Key_Escape); }},
    };
    for (const Case& c : cases) {
        m_shown = 0;
        EXPECT_EQ(Choose(c.answer), std::nullopt) << c.what;
        EXPECT_EQ(m_shown, 1) << c.what;
    }
}

TEST_F(SelDriveDlgTest, NothingToChooseClosesAtOnce) {
    // Only the drives of the mount table remain; a machine with a real card in it is skipped.
    cataloguetest::VirtualDrives drives(QString{});
    for (const platform::DriveInfo& drive : platform::ListDrives()) {
        if (drive.type == platform::DriveType::Removable) {
            GTEST_SKIP() << "this machine has a removable drive";
        }
    }
    EXPECT_EQ(Choose([](CSelDriveDlg&) {}), std::nullopt);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_shown, 0);

    // No selector skin in the profile: nothing is shown either.
    drives.Set(Drive("f"));
    m_profile =
        cataloguetest::LoadProfile({{"<script target=\"SELDRIVE\">seldrive.xml</script>", ""}});
    EXPECT_EQ(Choose([](CSelDriveDlg&) {}), std::nullopt);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_shown, 0);
}

}  // namespace
}  // namespace player
