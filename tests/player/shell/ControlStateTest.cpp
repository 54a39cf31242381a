#include "player/shell/ControlState.h"

#include "platform/system/WaveOutVolume.h"
#include "platform/window/Window.h"
#include "player/resources/DialogTemplates.h"
#include "player/resources/Resource.h"
#include "player/skin/SkButton.h"
#include "player/skin/SkDialog.h"
#include "player/skin/SkSlider.h"
#include "tests/support/Clips.h"
#include "tests/support/TestApp.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

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
    {kMainButtonVolume, "-oooooo"},    {kMainSliderVolume, "-oooooo"},
    {kMainImageFile, "-oooooo"},       {kMainTextFile, "-oooooo"},
    {kMainTextCurTime, "-oooooo"},     {kMainTextDuration, "-oooooo"},
    {kMainListFileList, "-oooooo"},    {kMainVideoFront, "---oooo"},
    {kMainVideoRear, "-------"},       {kMainButtonFrChange, "--ffooo"},
    {kMainButtonTrack, "fffofoo"},     {kMainTextGps, "-oooooo"},
    {kMainButtonClipIn, "fffofoo"},    {kMainButtonClipOut, "fffofoo"},
    {kMainButtonClip, "fffofoo"},      {kMainStripTrip, "-fooooo"},
};

// A settings store of the test's own, in place before the control state reads it.
struct OwnRegistry {
    OwnRegistry() { qputenv("ROADPLAYER_REGISTRY_DIR", dir.path().toUtf8()); }
    QTemporaryDir dir;
};

class ControlStateTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_window.LoadSkin(EveryControlSkin()));
        ASSERT_TRUE(m_window.SkinComplete());
        ASSERT_TRUE(m_window.Create(nullptr));
        m_state.SetContainer(m_window.Skin());
        m_state.RecordViewRects();
        m_state.SetMapPageLoaded([this] { return m_pageLoaded; });
        m_state.SetMapWanted([this] { ++m_mapWanted; });
        m_state.UpdateControls(ControlEvent::Start);
    }

    SkWidget* Widget(const char* name) {
        return m_window.Skin()->FindControlWindow(NameKey(QString::fromUtf8(name)));
    }
    QString Text(const char* name) { return platform::GetWindowText(Widget(name)->Window()); }
    bool Checked(const char* name) { return dynamic_cast<SkButton*>(Widget(name))->Checked(); }

    // A button pressed by the user: its checked state flips, then its event comes.
    void Press(const char* button, ControlEvent event) {
        auto* b = dynamic_cast<SkButton*>(Widget(button));
        b->SetChecked(!b->Checked());
        m_state.UpdateControls(event);
    }

    void Open(int32_t videoCount, bool hasGps) {
        m_state.SetRecordingFacts(videoCount, hasGps, false);
        m_state.UpdateControls(ControlEvent::Started);
    }

    QRect SkinRect0(const char* name) {
        const SkinRect r = m_window.Skin()
                               ->FindControl(NameKey(QString::fromUtf8(name)))
                               ->control->ModeGeometryOf(0)
                               ->rect;
        return {r.x, r.y, r.w, r.h};
    }
    bool Visible(const char* name) {
        const QWidget* w = Widget(name)->Window();
        return !w->isHidden() && !w->size().isEmpty();
    }

    // What the normal layout shows, as the user would say it: the content of the main and
    // second areas, the second area's buttons in slots A and B, the checked buttons, and any
    // view or button shown where it should not be.
    std::string Layout() {
        const std::pair<const char*, const char*> contents[] = {
            {"front", kMainVideoFront}, {"rear", kMainVideoRear}, {"map", kMainWebMap}};
        const std::pair<const char*, const char*> rins[] = {
            {"rinf", kMainButtonRinf}, {"rinr", kMainButtonRinr}, {"rinm", kMainButtonRinm}};
        const std::pair<const char*, const char*> fins[] = {
            {"finf", kMainButtonFinf}, {"finr", kMainButtonFinr}, {"finm", kMainButtonFinm}};
        const QRect mainRect = SkinRect0(kMainVideoFront);
        const QRect secondRect = SkinRect0(kMainVideoRear);
        std::string area[2] = {"empty", "empty"};
        std::string stray;
        for (const auto& [word, name] : contents) {
            if (!Visible(name)) {
                continue;
            }
            const QRect at = Widget(name)->Window()->geometry();
            if (at == mainRect || at == secondRect) {
                area[at == mainRect ? 0 : 1] = word;
            } else {
                stray += std::string(" stray:") + word;
            }
        }
        std::string text = "main:" + area[0] + " second:" + area[1];
        for (const auto& [word, name] : rins) {
            if (!Visible(name)) {
                continue;
            }
            const QRect at = Widget(name)->Window()->geometry();
            text += at == SkinRect0(kMainButtonRinr)   ? std::string(" A:") + word
                    : at == SkinRect0(kMainButtonRinm) ? std::string(" B:") + word
                                                       : std::string(" stray:") + word;
        }
        for (const auto& [word, name] : fins) {
            text += Checked(name) ? std::string(" ") + word : "";
        }
        for (const auto& [word, name] : rins) {
            text += Checked(name) ? std::string(" ") + word : "";
        }
        return text + stray;
    }

    OwnRegistry m_registry;
    testsupport::AppFirst m_application;
    MainWindow m_window;
    CControlState m_state;
    bool m_pageLoaded = true;
    int m_mapWanted = 0;  // times the layout asked for the map's page
};

TEST_F(ControlStateTest, ViewButtonsChooseWhatTheTwoAreasShow) {
    struct Step {
        const char* button;  // none: an event the program raises
        ControlEvent event;
    };
    const Step finf{kMainButtonFinf, ControlEvent::Finf}, finr{kMainButtonFinr, ControlEvent::Finr},
        finm{kMainButtonFinm, ControlEvent::Finm}, rinf{kMainButtonRinf, ControlEvent::Rinf},
        rinr{kMainButtonRinr, ControlEvent::Rinr}, rinm{kMainButtonRinm, ControlEvent::Rinm};
    const Step pause{nullptr, ControlEvent::Paused}, resume{nullptr, ControlEvent::Resumed};
    struct Case {
        const char* what;
        int32_t videoCount;
        bool hasGps;
        bool pageLoaded;
        std::vector<Step> steps;
        std::string layout;
    };
    const Case cases[] = {
        {"two cameras start", 2, true, true, {}, "main:front second:rear A:rinr B:rinm finf rinr"},
        {"one camera starts with the map",
         1,
         true,
         true,
         {},
         "main:front second:map A:rinr B:rinm finf rinm"},
        {"one camera, map page not loaded yet",
         1,
         true,
         false,
         {},
         "main:front second:empty A:rinr B:rinm finf rinm wanted"},
        {"two cameras, map page not loaded yet",
         2,
         true,
         false,
         {},
         "main:front second:rear A:rinr B:rinm finf rinr"},
        {"finm, map page not loaded yet",
         2,
         true,
         false,
         {finm},
         "main:map second:front A:rinf B:rinr finm rinf wanted"},
        {"rinm without GPS, map page not loaded yet",
         2,
         false,
         false,
         {rinm},
         "main:front second:empty A:rinr B:rinm finf rinm"},
        {"finr swaps the cameras",
         2,
         true,
         true,
         {finr},
         "main:rear second:front A:rinf B:rinm finr rinf"},
        {"pause and resume keep the swap",
         2,
         true,
         true,
         {finr, pause},
         "main:rear second:front A:rinf B:rinm finr rinf"},
        {"",
         2,
         true,
         true,
         {finr, pause, resume},
         "main:rear second:front A:rinf B:rinm finr rinf"},
        {"finm without GPS",
         2,
         false,
         true,
         {finm},
         "main:map second:front A:rinf B:rinr finm rinf"},
        {"rinm without GPS",
         2,
         false,
         true,
         {rinm},
         "main:front second:empty A:rinr B:rinm finf rinm"},
        {"rinr after finm",
         2,
         true,
         true,
         {finm, rinr},
         "main:map second:rear A:rinf B:rinr finm rinr"},
        {"finf after the map, one camera",
         1,
         true,
         true,
         {finm, finf},
         "main:front second:map A:rinr B:rinm finf rinm"},
        {"rinf after rinm",
         2,
         true,
         true,
         {finr, rinm, rinf},
         "main:rear second:front A:rinf B:rinm finr rinf"},
        {"the shown content's buttons stay checked",
         2,
         true,
         true,
         {finf, rinr},
         "main:front second:rear A:rinr B:rinm finf rinr"},
        {"", 2, true, true, {finm, finm, rinf}, "main:map second:front A:rinf B:rinr finm rinf"},
    };
    for (const Case& c : cases) {
        m_pageLoaded = c.pageLoaded;
        m_mapWanted = 0;
        Open(c.videoCount, c.hasGps);
        for (const Step& step : c.steps) {
            if (step.button != nullptr) {
                Press(step.button, step.event);
            } else {
                m_state.UpdateControls(step.event);
            }
        }
        // "wanted": the layout asked for the map's page (the browser engine starts with it).
        EXPECT_EQ(Layout() + (m_mapWanted > 0 ? " wanted" : ""), c.layout) << c.what;
    }
}

TEST_F(ControlStateTest, EnlargedLayoutSwapsTwoCamerasOnly) {
    m_state.UpdateControls(ControlEvent::LayoutChanged);
    Open(1, true);
    EXPECT_FALSE(Widget(kMainButtonFrChange)->Window()->isEnabled());
    EXPECT_TRUE(Visible(kMainVideoFront));
    EXPECT_FALSE(Visible(kMainVideoRear));

    Open(2, true);
    EXPECT_TRUE(Widget(kMainButtonFrChange)->Window()->isEnabled());
    Press(kMainButtonFrChange, ControlEvent::FrChange);
    EXPECT_TRUE(Checked(kMainButtonFrChange));
    EXPECT_FALSE(Visible(kMainVideoFront));
    EXPECT_TRUE(Visible(kMainVideoRear));
    m_state.UpdateControls(ControlEvent::Paused);
    EXPECT_FALSE(Visible(kMainVideoFront));
    EXPECT_TRUE(Visible(kMainVideoRear));
    EXPECT_FALSE(Visible(kMainWebMap));

    // Back in the normal layout the rear camera is still the main area's.
    m_state.UpdateControls(ControlEvent::LayoutChanged);
    EXPECT_EQ(Layout(), "main:rear second:front A:rinf B:rinm finr rinf");
    m_state.UpdateControls(ControlEvent::LayoutChanged);
    Press(kMainButtonFrChange, ControlEvent::FrChange);
    EXPECT_FALSE(Checked(kMainButtonFrChange));
    EXPECT_TRUE(Visible(kMainVideoFront));
    EXPECT_FALSE(Visible(kMainVideoRear));
}

TEST_F(ControlStateTest, EveryModeAndVariantShowsAndEnablesItsTable) {
    struct Column {
        const char* what;
        ControlMode mode;
        bool open;
    };
    const Column columns[] = {
        {"mode 0", ControlMode::NoCard, false},        {"mode 1", ControlMode::Listed, false},
        {"mode 2 closed", ControlMode::Opened, false}, {"mode 2 open", ControlMode::Opened, true},
        {"mode 3 closed", ControlMode::Paused, false}, {"mode 3 open", ControlMode::Paused, true},
        {"mode 4 open", ControlMode::Resumed, true}};
    for (int32_t windowMode : {0, 1}) {
        if (windowMode == 1) {
            m_state.UpdateControls(ControlEvent::LayoutChanged);
        }
        ASSERT_EQ(m_state.WindowMode(), windowMode);
        for (size_t column = 0; column < std::size(columns); ++column) {
            const Column& c = columns[column];
            m_state.UpdateControls(c.open ? ControlEvent::Started : ControlEvent::Stopped);
            m_state.ApplyMode(c.mode);
            const bool playing = c.mode == ControlMode::Paused || c.mode == ControlMode::Resumed;
            EXPECT_EQ(m_state.CurrentMode(), playing ? ControlMode::Opened : c.mode);
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
    m_state.UpdateControls(ControlEvent::Started);
    m_state.UpdateControls(ControlEvent::Paused);
    EXPECT_TRUE(Widget(kMainButtonRew)->Window()->isEnabled());
    m_state.UpdateControls(ControlEvent::LayoutChanged);
    EXPECT_FALSE(Widget(kMainButtonRew)->Window()->isEnabled());
    EXPECT_FALSE(Widget(kMainButtonFf)->Window()->isEnabled());
    EXPECT_TRUE(Widget(kMainButtonStop)->Window()->isEnabled());
}

TEST_F(ControlStateTest, ListFilledOnlyLeavesTheStartMode) {
    m_state.UpdateControls(ControlEvent::ListFilled);
    EXPECT_EQ(m_state.CurrentMode(), ControlMode::Listed);
    EXPECT_TRUE(Checked(kMainButtonTabNormal));
    m_state.UpdateControls(ControlEvent::Started);
    m_state.UpdateControls(ControlEvent::ListFilled);
    EXPECT_EQ(m_state.CurrentMode(), ControlMode::Opened);
}

TEST_F(ControlStateTest, TabsActAsOneRadioGroup) {
    m_state.UpdateControls(ControlEvent::TabManual);
    EXPECT_EQ(m_state.SelectedTab(), ControlEvent::TabManual);
    EXPECT_TRUE(Checked(kMainButtonTabManual));
    EXPECT_FALSE(Checked(kMainButtonTabNormal));
    m_state.UpdateControls(ControlEvent::TabEvent);
    EXPECT_TRUE(Checked(kMainButtonTabEvent));
    EXPECT_FALSE(Checked(kMainButtonTabManual));
}

TEST_F(ControlStateTest, ResetAndStopShowZeroTimesByWindowMode) {
    platform::SetWindowText(Widget(kMainTextFile)->Window(), "NOR_250517_143000_F.mp4");
    m_state.OnVolumeSlider(30);
    dynamic_cast<SkSlider*>(Widget(kMainSliderVolume))->SetValue(90);
    m_state.UpdateControls(ControlEvent::Reset);
    EXPECT_EQ(Text(kMainTextCurTime), "00:00:00/");
    EXPECT_EQ(Text(kMainTextDuration), "00:00:00");
    EXPECT_EQ(Text(kMainTextFile), "");
    // The volume goes back to the user's level, not to a fixed one.
    EXPECT_EQ(dynamic_cast<SkSlider*>(Widget(kMainSliderVolume))->Value(), 30);
    EXPECT_EQ(dynamic_cast<SkSlider*>(Widget(kMainSliderSpeed))->Value(), 5);
    EXPECT_EQ(m_state.VideoCount(), -1);

    m_state.UpdateControls(ControlEvent::LayoutChanged);
    m_state.UpdateControls(ControlEvent::Stopped);
    EXPECT_EQ(Text(kMainTextCurTime), "00:00:00");
    EXPECT_FALSE(Widget(kMainButtonFrChange)->Window()->isEnabled());
}

TEST_F(ControlStateTest, TimeTexts) {
    EXPECT_EQ(CControlState::FormatTime(3723000, false), "01:02:03");
    EXPECT_EQ(CControlState::FormatTime(59999, true), "00:00:59/");
    EXPECT_EQ(CControlState::FormatTime(0, false), "00:00:00");
    m_state.UpdateControls(ControlEvent::Position);  // no player: position 0
    EXPECT_EQ(Text(kMainTextCurTime), "00:00:00/");
    // The speed slider's positions as played: the slowest two both at half speed.
    for (const auto& [position, text] :
         {std::pair{1, "0.5x"}, std::pair{2, "0.5x"}, std::pair{5, "1x"}, std::pair{6, "1.25x"},
          std::pair{9, "2x"}, std::pair{0, "1x"}}) {
        EXPECT_EQ(CControlState::SpeedText(position), text) << position;
    }
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
    // Mute keeps the level; a move unmutes; both are kept for the next start.
    m_state.OnVolumeSlider(40);
    m_state.ToggleMute();
    EXPECT_EQ(platform::GetWaveOutVolume(), 0U);
    EXPECT_TRUE(Checked(kMainButtonVolume));
    EXPECT_TRUE(CControlState().Muted());
    EXPECT_EQ(CControlState().UserVolume(), 40);
    m_state.OnVolumeSlider(60);
    EXPECT_EQ(platform::GetWaveOutVolume(), CControlState::WaveVolumeForPosition(60));
    EXPECT_FALSE(CControlState().Muted());
}

}  // namespace
}  // namespace player
