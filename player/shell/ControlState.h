#pragma once
// The main window's control state: which skinned controls are shown and enabled in each phase
// (no card, recordings listed, recording open, paused, playing), the position and time
// display, and the transport commands and sliders that act on the player's graph.
// Owned by the main window; UI thread only.

#include "player/playback/VideoPlayer.h"
#include "player/skin/ModeGeometry.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <utility>

class QWidget;

namespace player {

class SkWidget;
class WindowSkin;

// Events of UpdateControls, by their numbers.
enum class ControlEvent : int32_t {
    Start = 0,
    LayoutChanged = 1,
    ListFilled = 2,
    Reset = 3,
    Started = 4,
    Resumed = 5,
    Paused = 6,
    Stopped = 7,
    Position = 8,
    // The view buttons: finf, finr, finm (main area), rinf, rinr, rinm (second area), frchange.
    Finf = 9,
    Finr = 10,
    Finm = 11,
    Rinf = 12,
    Rinr = 13,
    Rinm = 14,
    FrChange = 15,
    // The category tabs: normal, event, manual, motion.
    TabNormal = 16,
    TabEvent = 17,
    TabManual = 18,
    TabMotion = 19,
    CardChosen = 20,
};

// The event `offset` places after `first` (the tabs and view buttons come in runs).
constexpr ControlEvent EventAfter(ControlEvent first, int32_t offset) {
    return static_cast<ControlEvent>(static_cast<int32_t>(first) + offset);
}
constexpr int32_t EventOffset(ControlEvent event, ControlEvent first) {
    return static_cast<int32_t>(event) - static_cast<int32_t>(first);
}

// The control-state modes: their tables say which controls are shown and enabled.
enum class ControlMode : int32_t {
    NoCard = 0,
    Listed = 1,
    Opened = 2,
    Paused = 3,
    Resumed = 4,
    None = 5,  // none applied yet
};

// What an area shows (front and rear view state).
enum class ViewContent : int32_t { Front = 0, Rear = 1, Map = 2 };

// Whether a recording is open.
enum class OpenState : int32_t { Open = 4, Closed = 7 };

class CControlState {
public:
    // What the play button did.
    enum class PlayResult { Resumed, Paused, NothingPlaying };

    // The volume a user starts with (0..100), and the speed slider's reset position (1..9).
    static constexpr int32_t kVolumeResetPosition = 50;
    static constexpr int32_t kSpeedResetPosition = 5;
    // Where the user's volume and mute are kept between runs (settings store, per user).
    static constexpr char kVolumeKey[] = "Software\\RoadPlayer\\Player";
    static constexpr char kVolumeValue[] = "Volume";
    static constexpr char kMutedValue[] = "Muted";
    // Volume slider positions per Up or Down key: twenty steps over the range.
    static constexpr int32_t kVolumeKeyStep = 5;
    static constexpr int32_t kMaxVolumePosition = 100;

    // Reads the user's volume and mute from the settings store.
    CControlState();
    CControlState(const CControlState&) = delete;
    CControlState& operator=(const CControlState&) = delete;

    // The main window's control table and player; neither is owned.
    void SetContainer(WindowSkin* container) { m_container = container; }
    void SetPlayer(CVideoPlayer* player) { m_player = player; }

    void UpdateControls(ControlEvent event);
    // Requests show and enable for every control of the mode's table (the variant chosen by the
    // open state) in the current window mode, then re-places every control; controls without a
    // request are hidden. Paused and Resumed are recorded as Opened.
    void ApplyMode(ControlMode mode);
    // Shows and places the front and rear views and the map for the current window mode and
    // view states, after a mode was applied. Normal layout: the main and second areas with the
    // view buttons; enlarged layout: one camera at its mode 1 place, frchange to swap.
    void LayoutViews();
    // Gives the time, speed, volume and brightness sliders the texts of their values, shown
    // while the pointer rests on them or drags them; called once the controls are bound.
    void ShowSliderValues();
    // The text of a speed slider position: its rate as played ("0.5x", "1x", "1.25x").
    static QString SpeedText(int32_t position);
    // The window changed size: every shown control and the views are placed again for it,
    // nothing shown, hidden or enabled changes.
    void Relayout();
    // Keeps the window mode 0 placements of the views and the second area's buttons; called once
    // the controls are bound.
    void RecordViewRects();
    // Whether the map page was loaded, asked before the map takes the second area; none counts
    // as not loaded.
    void SetMapPageLoaded(std::function<bool()> loaded) { m_mapPageLoaded = std::move(loaded); }

    // What the opened recording holds (the opening sets them before Started).
    void SetRecordingFacts(int32_t videoCount, bool hasGps, bool hasGSensor);

    // Transport commands. Play pauses a running graph (Paused) and runs a paused one (Resumed);
    // the caller re-arms the tick on Resumed and opens a row on NothingPlaying.
    PlayResult PlayPause();
    // One second back or on, only while running or paused; then the position refresh.
    void Rewind();
    void FastForward();
    // Pauses a running graph, steps one frame, shows the paused look (Paused).
    void StepFrame();

    // Keyboard steps. A relative seek (negative: back), only while running or paused, clamped
    // to the recording as rewind and fast-forward are; then the position refresh.
    void SeekBy(double seconds);
    // One frame on (direction > 0) or back, only while paused; then the position refresh.
    void StepFrameWhilePaused(int32_t direction);
    // The volume slider kVolumeKeyStep positions up or down, acting as a drag to there would.
    void StepVolume(int32_t direction);
    // The speed slider one position up or down, only while running (as the slider does).
    void StepSpeed(int32_t direction);

    // Slider notices with the slider's new position. A volume move unmutes and is kept as the
    // user's level.
    void OnTimeSlider(int32_t positionMs);
    void OnSpeedSlider(int32_t position);
    void OnVolumeSlider(int32_t position);
    // The brightness slider: both views brighter or darker around the slider's middle.
    void OnBrightSlider(int32_t position);
    // The mute button: sound off or back at the user's level, which stays as it is.
    void ToggleMute();
    // Sets the output to the user's level (or silence while muted), as every opening and the
    // card's removal do; the slider shows that level.
    void ApplyUserVolume();
    int32_t UserVolume() const { return m_userVolume; }
    bool Muted() const { return m_muted; }

    // The rate of a speed slider position (1..9; any other position plays at 1.0).
    static float RateForSpeedPosition(int32_t position);
    // The wave-out volume of a volume slider position (0..100), both channels.
    static uint32_t WaveVolumeForPosition(int32_t position);
    // "hh:mm:ss" of a time in ms, with a trailing "/" when asked.
    static QString FormatTime(int64_t ms, bool withSlash);

    int32_t VideoCount() const { return m_videoCount; }
    bool HasGps() const { return m_hasGps != 0; }
    bool HasGSensor() const { return m_hasGSensor != 0; }
    int32_t WindowMode() const { return m_windowMode; }
    ControlMode CurrentMode() const { return m_currentMode; }
    ViewContent FrontViewState() const { return m_frontViewState; }
    ViewContent RearViewState() const { return m_rearViewState; }
    ControlEvent SelectedTab() const { return m_selectedTab; }
    OpenState CurrentOpenState() const { return m_openState; }

private:
    // The views' and second-area buttons' window mode 0 placements, in this order.
    enum ViewRect { kMainRect, kSecondRect, kSlotA, kSlotB, kViewRectCount };

    SkWidget* Widget(const char* name) const;
    QWidget* Window(const char* name) const;
    void SetChecked(const char* name, bool checked) const;
    bool Checked(const char* name) const;
    void SetEnabled(const char* name, bool enabled) const;
    // Replaces the text only when it differs, then repaints.
    void SetText(const char* name, const QString& text) const;
    // The value clamped to the slider's range.
    void SetSliderValue(const char* name, int32_t value) const;
    void PlaceAt(const char* name, const ModeGeometry& placement) const;
    void Hide(const char* name) const;
    // The map keeps its window and page; out of use it takes no room.
    void ShrinkMap() const;
    void KeepVolume() const;
    CPlayGraph* Graph() const { return m_player != nullptr ? m_player->Graph() : nullptr; }
    bool GraphRunningOrPaused() const;

    void OnReset();
    void OnStarted();
    void OnStopped();
    void OnViewButton(ControlEvent event);
    void LayoutNormal();
    void LayoutEnlarged();
    void RefreshPosition();
    void SelectTab(ControlEvent event);
    QString ZeroCurrentTime() const;

    WindowSkin* m_container = nullptr;
    CVideoPlayer* m_player = nullptr;
    int32_t m_videoCount = -1;
    int32_t m_hasGps = 0;
    int32_t m_hasGSensor = 0;
    int32_t m_windowMode = 0;
    ControlMode m_currentMode = ControlMode::None;
    ViewContent m_frontViewState = ViewContent::Front;
    ViewContent m_rearViewState = ViewContent::Rear;
    ControlEvent m_selectedTab = ControlEvent::TabNormal;
    OpenState m_openState = OpenState::Closed;
    std::array<ModeGeometry, kViewRectCount> m_viewRects{};
    std::function<bool()> m_mapPageLoaded;
    int32_t m_userVolume = kVolumeResetPosition;
    bool m_muted = false;
};

}  // namespace player
