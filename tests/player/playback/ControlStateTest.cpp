#include "player/playback/ControlState.h"

#include "platform/system/WaveOutVolume.h"
#include "platform/window/Window.h"
#include "player/resources/DialogTemplates.h"
#include "player/resources/Resource.h"
#include "player/skin/SkButton.h"
#include "player/skin/SkDialog.h"
#include "player/skin/SkSlider.h"
#include "tests/support/Clips.h"
#include "tests/support/TestApp.h"

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <string>

namespace player {
namespace {

// The main window's template and control names, on a skin that places every control in both
// window modes, so what shows is decided by the mode tables alone.
class MainWindow : public SkDialog {
public:
    MainWindow() : SkDialog(MainDialogTemplate()) {}

protected:
    void OnRegisterControls() override {
        for (const MainControl& c : MainControls()) {
            Skin()->RegisterControl(NameKey(QString::fromUtf8(c.name)),
                                    static_cast<ControlKind>(c.kindCode), c.id);
        }
    }
};

QByteArray EveryControlSkin() {
    const char* types[] = {"image", "text", "button", "slider", "list", "video", "map"};
    QByteArray skin = R"(<skin><property><geometry x="0" y="0" w="800" h="600"/></property>
<controls>)";
    int i = 0;
    for (const MainControl& c : MainControls()) {
        const QByteArray place = QStringLiteral(R"( x="%1" y="%2" w="50" h="30")")
                                     .arg(i % 12 * 60)
                                     .arg(i / 12 * 40)
                                     .toUtf8();
        const char* type = types[c.kindCode];
        skin += QByteArray("<c type=\"") + type + "\" id=\"" + c.name + "\"><mode" + place +
                ">0</mode><mode" + place + ">1</mode></c>\n";
        ++i;
    }
    return skin + "</controls></skin>";
}

// The tables as the user sees them: per column (mode 0, 1, 2 closed, 2 open, 3 closed, 3 open,
// 4 open) 'o' shown and enabled, 'f' shown disabled, '-' hidden.
const std::map<std::string, std::string> kExpected = {
    {kMainImageTitle, "ooooooo"},      {kMainButtonSetting, "foooooo"},
    {kMainButtonCapture, "fffofoo"},   {kMainButtonAbout, "foooooo"},
    {kMainButtonSite, "ooooooo"},      {kMainButtonMin, "ooooooo"},
    {kMainButtonMax, "ooooooo"},       {kMainButtonReal, "ooooooo"},
    {kMainButtonNor, "ooooooo"},       {kMainButtonExit, "ooooooo"},
    {kMainButtonPrev, "fffofoo"},      {kMainButtonPlay, "foooooo"},
    {kMainButtonStop, "fffofoo"},      {kMainButtonNext, "fffofoo"},
    {kMainButtonRew, "fffffof"},       {kMainButtonFf, "fffffof"},
    {kMainButtonFps, "fffofoo"},       {kMainButtonOpen, "ooofoff"},
    {kMainButtonSave, "fffofoo"},      {kMainButtonFinf, "fffofoo"},
    {kMainButtonFinr, "fffofoo"},      {kMainButtonFinm, "fffofoo"},
    {kMainButtonRinf, "--fofoo"},      {kMainButtonRinr, "fffofoo"},
    {kMainButtonRinm, "fffofoo"},      {kMainButtonTabNormal, "foooooo"},
    {kMainButtonTabEvent, "foooooo"},  {kMainButtonTabManual, "foooooo"},
    {kMainButtonTabMotion, "foooooo"}, {kMainButtonGSensor, "fffofoo"},
    {kMainSliderTime, "-fooooo"},      {kMainImageSpeed0, "-oooooo"},
    {kMainImageSpeed1, "-oooooo"},     {kMainSliderSpeed, "-fooooo"},
    {kMainImageBright, "-oooooo"},     {kMainSliderBright, "-fooooo"},
    {kMainButtonVolume, "-ffffff"},    {kMainSliderVolume, "-ffffff"},
    {kMainImageFile, "-oooooo"},       {kMainTextFile, "-oooooo"},
    {kMainTextCurTime, "-oooooo"},     {kMainTextDuration, "-oooooo"},
    {kMainListFileList, "-oooooo"},    {kMainVideoFront, "---oooo"},
    {kMainVideoRear, "-------"},       {kMainButtonFrChange, "--ffooo"},
};

class ControlStateTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_window.LoadSkin(EveryControlSkin()));
        ASSERT_TRUE(m_window.SkinComplete());
        ASSERT_TRUE(m_window.Create(nullptr));
        m_state.SetContainer(m_window.Skin());
        m_state.UpdateControls(kEventStart);
    }

    SkWidget* Widget(const char* name) {
        return m_window.Skin()->FindControlWindow(NameKey(QString::fromUtf8(name)));
    }
    QString Text(const char* name) { return platform::GetWindowText(Widget(name)->Window()); }
    bool Checked(const char* name) { return dynamic_cast<SkButton*>(Widget(name))->Checked(); }

    testsupport::AppFirst m_application;
    MainWindow m_window;
    CControlState m_state;
};

TEST_F(ControlStateTest, EveryModeAndVariantShowsAndEnablesItsTable) {
    struct Column {
        const char* what;
        int32_t mode;
        bool open;
    };
    const Column columns[] = {{"mode 0", 0, false},        {"mode 1", 1, false},
                              {"mode 2 closed", 2, false}, {"mode 2 open", 2, true},
                              {"mode 3 closed", 3, false}, {"mode 3 open", 3, true},
                              {"mode 4 open", 4, true}};
    for (int32_t windowMode : {0, 1}) {
        if (windowMode == 1) {
            m_state.UpdateControls(kEventLayoutChanged);
        }
        ASSERT_EQ(m_state.WindowMode(), windowMode);
        for (size_t column = 0; column < std::size(columns); ++column) {
            const Column& c = columns[column];
            m_state.UpdateControls(c.open ? kEventStarted : kEventStopped);
            m_state.ApplyMode(c.mode);
            EXPECT_EQ(m_state.CurrentMode(), c.mode >= 3 ? 2 : c.mode);
            for (const MainControl& control : MainControls()) {
                const QWidget* window = Widget(control.name)->Window();
                const std::string where = std::string(c.what) + ", window mode " +
                                          std::to_string(windowMode) + ": " + control.name;
                if (control.id == kIdcMap) {
                    EXPECT_TRUE(window->size().isEmpty()) << where;  // collapsed, never hidden
                    continue;
                }
                const char cell = kExpected.at(control.name)[column];
                EXPECT_EQ(!window->isHidden(), cell != '-') << where;
                EXPECT_EQ(window->isEnabled(), cell == 'o') << where;
            }
        }
    }
}

TEST_F(ControlStateTest, LayoutChangeAfterPauseAppliesThePlayingTable) {
    m_state.UpdateControls(kEventStarted);
    m_state.UpdateControls(kEventPaused);
    EXPECT_TRUE(Widget(kMainButtonRew)->Window()->isEnabled());
    m_state.UpdateControls(kEventLayoutChanged);
    EXPECT_FALSE(Widget(kMainButtonRew)->Window()->isEnabled());
    EXPECT_FALSE(Widget(kMainButtonFf)->Window()->isEnabled());
    EXPECT_TRUE(Widget(kMainButtonStop)->Window()->isEnabled());
}

TEST_F(ControlStateTest, ListFilledOnlyLeavesTheStartMode) {
    m_state.UpdateControls(kEventListFilled);
    EXPECT_EQ(m_state.CurrentMode(), 1);
    EXPECT_TRUE(Checked(kMainButtonTabNormal));
    m_state.UpdateControls(kEventStarted);
    m_state.UpdateControls(kEventListFilled);
    EXPECT_EQ(m_state.CurrentMode(), 2);
}

TEST_F(ControlStateTest, TabsActAsOneRadioGroup) {
    m_state.UpdateControls(18);
    EXPECT_EQ(m_state.SelectedTab(), 18);
    EXPECT_TRUE(Checked(kMainButtonTabManual));
    EXPECT_FALSE(Checked(kMainButtonTabNormal));
    m_state.UpdateControls(17);
    EXPECT_TRUE(Checked(kMainButtonTabEvent));
    EXPECT_FALSE(Checked(kMainButtonTabManual));
}

TEST_F(ControlStateTest, ResetAndStopShowZeroTimesByWindowMode) {
    platform::SetWindowText(Widget(kMainTextFile)->Window(), "NOR_250517_143000_F.mp4");
    dynamic_cast<SkSlider*>(Widget(kMainSliderVolume))->SetValue(90);
    m_state.UpdateControls(kEventReset);
    EXPECT_EQ(Text(kMainTextCurTime), "00:00:00/");
    EXPECT_EQ(Text(kMainTextDuration), "00:00:00");
    EXPECT_EQ(Text(kMainTextFile), "");
    EXPECT_EQ(dynamic_cast<SkSlider*>(Widget(kMainSliderVolume))->Value(), 50);
    EXPECT_EQ(dynamic_cast<SkSlider*>(Widget(kMainSliderSpeed))->Value(), 5);
    EXPECT_EQ(m_state.VideoCount(), -1);

    m_state.UpdateControls(kEventLayoutChanged);
    m_state.UpdateControls(kEventStopped);
    EXPECT_EQ(Text(kMainTextCurTime), "00:00:00");
    EXPECT_FALSE(Widget(kMainButtonFrChange)->Window()->isEnabled());
}

TEST_F(ControlStateTest, TimeTexts) {
    EXPECT_EQ(CControlState::FormatTime(3723000, false), "01:02:03");
    EXPECT_EQ(CControlState::FormatTime(59999, true), "00:00:59/");
    EXPECT_EQ(CControlState::FormatTime(0, false), "00:00:00");
    m_state.UpdateControls(kEventPosition);  // no player: position 0
    EXPECT_EQ(Text(kMainTextCurTime), "00:00:00/");
}

TEST_F(ControlStateTest, VolumeSliderSetsBothChannelsAndTheMutedLook) {
    struct Case {
        int32_t position;
        uint32_t volume;
        bool muted;
    };
    for (const Case& c : {Case{0, 0, true}, Case{50, 0x7FFF7FFF, false},
                          Case{100, 0xFFFFFFFF, false}, Case{-5, 0, true}}) {
        m_state.OnVolumeSlider(c.position);
        EXPECT_EQ(platform::GetWaveOutVolume(), c.volume) << c.position;
        EXPECT_EQ(Checked(kMainButtonVolume), c.muted) << c.position;
    }
}

}  // namespace
}  // namespace player
