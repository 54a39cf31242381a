#include "settings/DCS_4100Dlg.h"

#include "platform/system/Drives.h"
#include "platform/window/SystemDialogs.h"
#include "settings/AboutDlg.h"
#include "settings/PictureButton.h"
#include "settings/PopupDlg.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TestApp.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCharFormat>
#include <QTimeEdit>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <optional>

namespace settings {
namespace {

// Option button id -> its off and on bitmap.
const std::map<int, std::pair<int, int>> kOptionBitmaps = {
    {1037, {131, 130}}, {1038, {132, 133}}, {1039, {134, 135}}, {1040, {136, 137}},
    {1041, {139, 138}}, {1042, {131, 130}}, {1043, {142, 143}}, {1044, {145, 144}},
    {1045, {147, 146}}, {1046, {131, 130}}, {1047, {142, 143}}, {1048, {145, 144}},
    {1049, {147, 146}}, {1050, {142, 143}}, {1051, {145, 144}}, {1052, {147, 146}},
    {1053, {158, 159}}, {1054, {148, 149}}, {1055, {150, 151}}, {1056, {152, 153}},
    {1057, {154, 155}}, {1058, {161, 160}}, {1059, {163, 162}}, {1060, {165, 164}},
    {1061, {156, 157}},
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class DCS_4100DlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::EnsureApp();
        ASSERT_TRUE(m_dir.isValid());
        qunsetenv(platform::kVirtualDrivesVariable);
    }
    void TearDown() override {
        qunsetenv(platform::kVirtualDrivesVariable);
        platform::SetFolderBrowserHandler({});
    }
    // A virtual card labelled for the camera holding the given settings file.
    void InsertCard(const QByteArray& settingsFile) {
        const QString card = m_dir.path() + "/card";
        ASSERT_TRUE(QDir().mkpath(card + "/SETTING"));
        QFile file(card + "/SETTING/BK_Setting.cfg");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(settingsFile);
        file.close();
        qputenv(platform::kVirtualDrivesVariable, (card + "=QOR-SD").toUtf8());
    }
    PictureButton* Button(CDCS_4100Dlg& dlg, int id) {
        return qobject_cast<PictureButton*>(dlg.GetDlgItem(id));
    }
    // The ids of the option buttons that show their on picture in every state.
    std::vector<int> SelectedButtons(CDCS_4100Dlg& dlg) {
        std::vector<int> selected;
        for (const auto& [id, bitmaps] : kOptionBitmaps) {
            PictureButton* button = Button(dlg, id);
            EXPECT_EQ(button->PressedBitmapId(), bitmaps.second) << id;
            if (button->NormalBitmapId() == bitmaps.second) {
                selected.push_back(id);
            } else {
                EXPECT_EQ(button->NormalBitmapId(), bitmaps.first) << id;
            }
        }
        return selected;
    }
    // Saves with the browser answering folder; returns whether the success text was shown.
    std::optional<bool> Save(CDCS_4100Dlg& dlg, std::optional<QString> folder) {
        platform::SetFolderBrowserHandler(
            [folder](const platform::FolderRequest&) { return folder; });
        std::optional<bool> successShown;
        testsupport::ModalScript script;
        script.On<CPopupDlg>([&successShown](CPopupDlg& popup) {
            const bool success = popup.GetDlgItem(CPopupDlg::kIdSuccessText)->isVisible();
            const bool cancel = popup.GetDlgItem(CPopupDlg::kIdCancelText)->isVisible();
            if (success != cancel) {
                successShown = success;
            }
            QTest::mouseClick(popup.GetDlgItem(1), Qt::LeftButton);
        });
        QTest::mouseClick(dlg.GetDlgItem(CDCS_4100Dlg::kIdSave), Qt::LeftButton);
        return successShown;
    }
    // Runs the dialog modally with steps acting on it once its loop runs; DoModal's result.
    int RunModal(CDCS_4100Dlg& dlg, const std::function<void()>& steps) {
        testsupport::ModalScript script;
        script.On<CDCS_4100Dlg>([&steps](CDCS_4100Dlg&) { steps(); });
        return dlg.DoModal();
    }
    void SendMouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button,
                   Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)), button,
                          buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    QTemporaryDir m_dir;
};

TEST_F(DCS_4100DlgTest, EveryControlAtItsPlace) {
    CDCS_4100Dlg dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_EQ(dlg.size(), QSize(498, 758));
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("설정"));
    EXPECT_TRUE(dlg.windowFlags() & Qt::FramelessWindowHint);
    const std::map<int, QRect> places = {
        {1037, {48, 106, 51, 16}},  {1038, {138, 106, 51, 16}}, {1039, {228, 106, 51, 16}},
        {1040, {318, 106, 51, 16}}, {1041, {408, 106, 51, 16}}, {1042, {93, 213, 51, 16}},
        {1043, {183, 213, 51, 16}}, {1044, {272, 213, 51, 16}}, {1045, {363, 213, 51, 16}},
        {1046, {93, 320, 51, 16}},  {1047, {183, 320, 51, 16}}, {1048, {272, 320, 51, 16}},
        {1049, {363, 320, 51, 16}}, {1050, {93, 427, 51, 16}},  {1051, {228, 427, 51, 16}},
        {1052, {363, 427, 51, 16}}, {1053, {37, 535, 49, 16}},  {1054, {92, 535, 49, 16}},
        {1055, {142, 535, 49, 16}}, {1056, {192, 535, 49, 16}}, {1057, {242, 535, 49, 16}},
        {1058, {292, 535, 49, 16}}, {1059, {342, 535, 49, 16}}, {1060, {392, 535, 49, 16}},
        {1061, {442, 535, 49, 16}}, {1034, {93, 634, 186, 24}}, {1035, {299, 634, 132, 24}},
        {1036, {41, 634, 19, 19}},  {1, {172, 708, 148, 31}},   {2, {334, 708, 148, 31}},
        {3, {10, 708, 148, 31}},
    };
    for (const auto& [id, rect] : places) {
        ASSERT_NE(dlg.GetDlgItem(id), nullptr) << id;
        EXPECT_EQ(dlg.GetDlgItem(id)->geometry(), rect) << id;
    }
    EXPECT_EQ(Button(dlg, 1)->NormalBitmapId(), 167);
    EXPECT_EQ(Button(dlg, 1)->PressedBitmapId(), 166);
    EXPECT_EQ(Button(dlg, 2)->NormalBitmapId(), 171);
    EXPECT_EQ(Button(dlg, 3)->NormalBitmapId(), 169);
    EXPECT_EQ(Button(dlg, 3)->PressedBitmapId(), 168);
}

TEST_F(DCS_4100DlgTest, GSensorButtonsStandApartInsideTheirCardAndWeekdaysAreReadable) {
    CDCS_4100Dlg dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    const QImage picture = dlg.grab().toImage();
    // Along the middle of the G-sensor row: nine buttons, each with card between it and the next,
    // the last ending before the card's edge at x 485.
    const QColor card(0x1A, 0x21, 0x2D);
    const auto isCard = [&](int x) {
        const QColor c = picture.pixelColor(x, 543);
        return std::abs(c.red() - card.red()) + std::abs(c.green() - card.green()) +
                   std::abs(c.blue() - card.blue()) <
               12;
    };
    int buttons = 0;
    bool inButton = false;
    for (int x = 30; x <= 484; ++x) {
        if (!isCard(x) && !inButton) {
            ++buttons;
        }
        inButton = !isCard(x);
    }
    EXPECT_EQ(buttons, 9);
    EXPECT_TRUE(isCard(483) && isCard(484)) << "the last button reaches the card's edge";

    const auto* date = qobject_cast<QDateEdit*>(dlg.GetDlgItem(1034));
    ASSERT_NE(date, nullptr);
    const QTextCharFormat header = date->calendarWidget()->headerTextFormat();
    const int text = header.foreground().color().lightness();
    const int back = header.background().color().lightness();
    EXPECT_GT(text - back, 100) << "light weekday names on a dark row";
}

TEST_F(DCS_4100DlgTest, NoCardStartsWithTheDefaults) {
    CDCS_4100Dlg dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_FALSE(dlg.SettingsPath().has_value());
    EXPECT_EQ(dlg.Settings(), CameraSettings{});
    EXPECT_EQ(SelectedButtons(dlg), (std::vector<int>{1037, 1045, 1048, 1052, 1057}));
}

TEST_F(DCS_4100DlgTest, CardPresetsTheButtonsAndInitRestoresDefaults) {
    InsertCard("123318   ");
    CDCS_4100Dlg dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.show();
    EXPECT_EQ(SelectedButtons(dlg), (std::vector<int>{1038, 1044, 1049, 1052, 1061}));

    // The selected picture is the one drawn: PA is lit, POFF is not.
    const QImage image = dlg.grab().toImage();
    EXPECT_GT(image.pixelColor(138 + 3, 106 + 8).lightness(),
              image.pixelColor(48 + 3, 106 + 8).lightness() + 40);

    QTest::mouseClick(dlg.GetDlgItem(1041), Qt::LeftButton);
    EXPECT_EQ(dlg.Settings().parkingMode, 4);
    EXPECT_EQ(SelectedButtons(dlg), (std::vector<int>{1041, 1044, 1049, 1052, 1061}));
    QTest::mouseClick(dlg.GetDlgItem(CDCS_4100Dlg::kIdInit), Qt::LeftButton);
    EXPECT_EQ(dlg.Settings(), CameraSettings{});
    EXPECT_EQ(SelectedButtons(dlg), (std::vector<int>{1037, 1045, 1048, 1052, 1057}));
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(DCS_4100DlgTest, EveryOptionButtonSetsItsSetting) {
    CDCS_4100Dlg dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.show();
    struct Case {
        int id;
        int32_t CameraSettings::*field;
        int value;
    };
    const Case cases[] = {
        {1040, &CameraSettings::parkingMode, 3},
        {1038, &CameraSettings::parkingMode, 1},
        {1042, &CameraSettings::microphoneVolume, 0},
        {1043, &CameraSettings::microphoneVolume, 1},
        {1047, &CameraSettings::speakerVolume, 1},
        {1046, &CameraSettings::speakerVolume, 0},
        {1050, &CameraSettings::recordingQuality, 0},
        {1051, &CameraSettings::recordingQuality, 1},
        {1053, &CameraSettings::gSensorSensitivity, 0},
        {1058, &CameraSettings::gSensorSensitivity, 5},
    };
    for (const Case& c : cases) {
        QTest::mouseClick(dlg.GetDlgItem(c.id), Qt::LeftButton);
        EXPECT_EQ(dlg.Settings().*c.field, c.value) << c.id;
        EXPECT_EQ(Button(dlg, c.id)->NormalBitmapId(), kOptionBitmaps.at(c.id).second) << c.id;
    }
    EXPECT_EQ(dlg.Settings().echo, 0);
}

TEST_F(DCS_4100DlgTest, SwitchEnablesTheDateAndTime) {
    CDCS_4100Dlg dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.show();
    QWidget* date = dlg.GetDlgItem(CDCS_4100Dlg::kIdDate);
    QWidget* time = dlg.GetDlgItem(CDCS_4100Dlg::kIdTime);
    PictureButton* toggle = Button(dlg, CDCS_4100Dlg::kIdDateTimeSwitch);
    EXPECT_FALSE(date->isEnabled());
    EXPECT_FALSE(time->isEnabled());
    EXPECT_TRUE(date->isVisible());
    EXPECT_EQ(qobject_cast<QDateEdit*>(date)->date(), QDate::currentDate());
    for (bool on : {true, false, true}) {
        QTest::mouseClick(toggle, Qt::LeftButton);
        EXPECT_EQ(dlg.DateTimeSwitch(), on);
        EXPECT_EQ(date->isEnabled(), on);
        EXPECT_EQ(time->isEnabled(), on);
        EXPECT_EQ(toggle->NormalBitmapId(), on ? 172 : 173);
        EXPECT_EQ(toggle->PressedBitmapId(), 172);
    }
}

TEST_F(DCS_4100DlgTest, SaveWithTheSwitchOffWritesOnlySettings) {
    InsertCard("123318   ");
    const QString folder = m_dir.path() + "/out";
    ASSERT_TRUE(QDir().mkpath(folder));
    CDCS_4100Dlg dlg;
    std::optional<bool> successShown;
    const int result = RunModal(dlg, [&] {
        QTest::mouseClick(dlg.GetDlgItem(3), Qt::LeftButton);  // Init
        successShown = Save(dlg, folder);
    });
    EXPECT_EQ(successShown, true);
    EXPECT_EQ(ReadAll(folder + "/BK_Setting.cfg"), "032304   ");
    EXPECT_FALSE(QFile::exists(folder + "/BK_Time.cfg"));
    EXPECT_EQ(dlg.SaveOutcome(), 1);
    EXPECT_EQ(result, platform::IDOK);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(DCS_4100DlgTest, SaveWithTheSwitchOnWritesBothAndOverwrites) {
    const QString folder = m_dir.path() + "/out";
    ASSERT_TRUE(QDir().mkpath(folder));
    for (int round = 0; round < 2; ++round) {
        CDCS_4100Dlg dlg;
        ASSERT_TRUE(dlg.Create(nullptr));
        dlg.show();
        QTest::mouseClick(dlg.GetDlgItem(round == 0 ? 1041 : 1039), Qt::LeftButton);
        QTest::mouseClick(dlg.GetDlgItem(CDCS_4100Dlg::kIdDateTimeSwitch), Qt::LeftButton);
        auto* date = qobject_cast<QDateEdit*>(dlg.GetDlgItem(CDCS_4100Dlg::kIdDate));
        auto* time = qobject_cast<QTimeEdit*>(dlg.GetDlgItem(CDCS_4100Dlg::kIdTime));
        date->setDate(QDate(2012, 2, 23 + round));
        time->setTime(QTime(14, 5, 9));
        EXPECT_EQ(Save(dlg, folder), true);
        EXPECT_EQ(ReadAll(folder + "/BK_Setting.cfg"), round == 0 ? "432304   " : "232304   ");
        EXPECT_EQ(ReadAll(folder + "/BK_Time.cfg"),
                  round == 0 ? "2012 02 23 14 05 09 04 " : "2012 02 24 14 05 09 05 ");
    }
}

TEST_F(DCS_4100DlgTest, CancelledOrFailedSaveKeepsTheDialogOpen) {
    QFile blocker(m_dir.path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const std::optional<QString> answers[] = {std::nullopt, m_dir.path() + "/file/SETTING",
                                              m_dir.path() + "/absent"};
    for (const std::optional<QString>& answer : answers) {
        CDCS_4100Dlg dlg;
        ASSERT_TRUE(dlg.Create(nullptr));
        dlg.show();
        QTest::mouseClick(dlg.GetDlgItem(CDCS_4100Dlg::kIdDateTimeSwitch), Qt::LeftButton);
        EXPECT_EQ(Save(dlg, answer), false) << answer.value_or("cancelled").toStdString();
        EXPECT_EQ(dlg.SaveOutcome(), 0);
        EXPECT_TRUE(dlg.isVisible());
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"file"});
}

TEST_F(DCS_4100DlgTest, OnlyTheTopBandDragsTheWindow) {
    CDCS_4100Dlg dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.move(100, 100);
    dlg.show();
    struct Case {
        QPoint grab;
        QPoint expectedTopLeft;
    };
    const Case cases[] = {
        {{200, 10}, {130, 120}},  // in the band: follows the cursor by (30, 20)
        {{200, 35}, {160, 140}},
        {{200, 36}, {160, 140}},  // the band ends above y = 36
        {{200, 300}, {160, 140}},
    };
    for (const Case& c : cases) {
        const QPoint start = dlg.pos();
        SendMouse(&dlg, QEvent::MouseButtonPress, c.grab, Qt::LeftButton, Qt::LeftButton);
        SendMouse(&dlg, QEvent::MouseMove, c.grab + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);
        SendMouse(&dlg, QEvent::MouseButtonRelease, c.grab + QPoint(30, 20) - (dlg.pos() - start),
                  Qt::LeftButton, Qt::NoButton);
        EXPECT_EQ(dlg.pos(), c.expectedTopLeft) << c.grab.y();
    }
}

TEST_F(DCS_4100DlgTest, SystemMenuOpensFromTheBandAndAltSpaceAndShowsAbout) {
    CDCS_4100Dlg dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.show();
    QMenu* menu = dlg.GetSystemMenu();
    QAction* about = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->text() == "&About DCS_4100...") {
            about = action;
        }
    }
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(menu->actions().at(menu->actions().indexOf(about) - 1)->isSeparator());

    SendMouse(&dlg, QEvent::MouseButtonPress, {300, 200}, Qt::RightButton, Qt::RightButton);
    EXPECT_FALSE(menu->isVisible());
    SendMouse(&dlg, QEvent::MouseButtonPress, {300, 20}, Qt::RightButton, Qt::RightButton);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();

    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClick(&dlg, Qt::Key_Space, Qt::AltModifier);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();

    QString shown;
    testsupport::ModalScript script;
    script.On<CAboutDlg>([&shown](CAboutDlg& box) {
        for (QLabel* label : box.findChildren<QLabel*>()) {
            shown += label->text();
        }
        QTest::mouseClick(box.GetDlgItem(platform::IDOK), Qt::LeftButton);
    });
    about->trigger();
    EXPECT_EQ(script.Answered(), 1);
    EXPECT_EQ(shown, "DCS_4100, Version 1.0");
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(DCS_4100DlgTest, CancelClosesWithoutWriting) {
    InsertCard("123318   ");
    CDCS_4100Dlg dlg;
    const int result = RunModal(dlg, [&] {
        QTest::mouseClick(dlg.GetDlgItem(1037), Qt::LeftButton);
        QTest::mouseClick(dlg.GetDlgItem(CDCS_4100Dlg::kIdCancel), Qt::LeftButton);
    });
    EXPECT_EQ(result, platform::IDCANCEL);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(ReadAll(m_dir.path() + "/card/SETTING/BK_Setting.cfg"), "123318   ");
}

}  // namespace
}  // namespace settings
