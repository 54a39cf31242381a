// The transport commands and the time, speed and volume sliders.

#include "player/shell/ControlState.h"

#include "platform/system/SettingsStore.h"
#include "platform/system/WaveOutVolume.h"
#include "player/resources/Resource.h"
#include "player/shell/ShellLog.h"
#include "player/skin/SkSlider.h"
#include "player/skin/SkTripStrip.h"

#include <QWidget>

#include <algorithm>
#include <array>

namespace player {

namespace {

constexpr double kSeekStepSeconds = 1.0;
constexpr int32_t kPercent = 100;

// Rates of the speed slider's positions 1..9; 5 is normal speed.
constexpr std::array<float, 9> kSpeedRates = {0.2f,  0.4f, 0.6f,  0.8f, 1.0f,
                                              1.25f, 1.5f, 1.75f, 2.0f};

// Slider position 0..100 to the device's 0..0xFFFF per channel.
constexpr double kVolumeStepsPerPosition = 655.35;
constexpr int64_t kMaxChannelVolume = 0xFFFF;
constexpr uint32_t kRightChannelShift = 16;

}  // namespace

bool CControlState::GraphRunningOrPaused() const {
    const CPlayGraph* graph = Graph();
    return graph != nullptr &&
           (graph->State() == GraphState::Running || graph->State() == GraphState::Paused);
}

CControlState::PlayResult CControlState::PlayPause() {
    CPlayGraph* graph = Graph();
    if (graph != nullptr && graph->State() == GraphState::Paused) {
        graph->Run();
        UpdateControls(ControlEvent::Resumed);
        return PlayResult::Resumed;
    }
    if (graph != nullptr && graph->State() == GraphState::Running) {
        graph->Pause();
        UpdateControls(ControlEvent::Paused);
        return PlayResult::Paused;
    }
    return PlayResult::NothingPlaying;
}

void CControlState::Rewind() {
    if (m_player != nullptr && GraphRunningOrPaused()) {
        m_player->SeekBack(kSeekStepSeconds);
        UpdateControls(ControlEvent::Position);
    }
}

void CControlState::FastForward() {
    if (m_player != nullptr && GraphRunningOrPaused()) {
        m_player->SeekForward(kSeekStepSeconds);
        UpdateControls(ControlEvent::Position);
    }
}

void CControlState::StepFrame() {
    CPlayGraph* graph = Graph();
    if (graph != nullptr && graph->State() == GraphState::Running) {
        graph->Pause();
    }
    if (graph != nullptr) {
        graph->StepFrame();
    }
    UpdateControls(ControlEvent::Paused);
}

void CControlState::SeekBy(double seconds) {
    if (m_player == nullptr || !GraphRunningOrPaused()) {
        return;
    }
    if (seconds < 0) {
        m_player->SeekBack(-seconds);
    } else {
        m_player->SeekForward(seconds);
    }
    UpdateControls(ControlEvent::Position);
}

void CControlState::StepFrameWhilePaused(int32_t direction) {
    CPlayGraph* graph = Graph();
    if (graph == nullptr || graph->State() != GraphState::Paused) {
        return;
    }
    if (direction > 0) {
        graph->StepFrame();
    } else {
        graph->StepFrameBack();
    }
    UpdateControls(ControlEvent::Position);
}

void CControlState::StepVolume(int32_t direction) {
    auto* slider = dynamic_cast<SkSlider*>(Widget(kMainSliderVolume));
    // Without a card the volume is not on show, and so not changed either.
    if (slider == nullptr || slider->Window() == nullptr || slider->Window()->isHidden()) {
        return;
    }
    const int32_t position =
        std::clamp(slider->Value() + (direction > 0 ? kVolumeKeyStep : -kVolumeKeyStep),
                   slider->Minimum(), slider->Maximum());
    SetSliderValue(kMainSliderVolume, position);
    OnVolumeSlider(position);
}

void CControlState::StepSpeed(int32_t direction) {
    auto* slider = dynamic_cast<SkSlider*>(Widget(kMainSliderSpeed));
    const CPlayGraph* graph = Graph();
    if (slider == nullptr || graph == nullptr || graph->State() != GraphState::Running) {
        return;
    }
    const int32_t position = std::clamp(slider->Value() + (direction > 0 ? 1 : -1),
                                        slider->Minimum(), slider->Maximum());
    if (position != slider->Value()) {
        SetSliderValue(kMainSliderSpeed, position);
        OnSpeedSlider(position);
    }
}

void CControlState::OnTimeSlider(int32_t positionMs) {
    const CPlayGraph* graph = Graph();
    if (m_player != nullptr && graph != nullptr && graph->HasGraphManager()) {
        m_player->SeekToMs(positionMs);
    }
    UpdateControls(ControlEvent::Position);
}

void CControlState::OnSpeedSlider(int32_t position) {
    const CPlayGraph* graph = Graph();
    if (m_player != nullptr && graph != nullptr && graph->State() == GraphState::Running) {
        m_player->SetRate(RateForSpeedPosition(position));
    }
}

CControlState::CControlState() {
    using platform::RegistryScope;
    const QString key = QString::fromLatin1(kVolumeKey);
    if (const auto volume = platform::ReadRegistryDword(RegistryScope::User, key, kVolumeValue)) {
        m_userVolume = static_cast<int32_t>(std::min<uint32_t>(*volume, kMaxVolumePosition));
    }
    m_muted = platform::ReadRegistryDword(RegistryScope::User, key, kMutedValue).value_or(0) != 0;
}

void CControlState::OnVolumeSlider(int32_t position) {
    const int32_t level = std::clamp(position, 0, kMaxVolumePosition);
    if (level != m_userVolume || m_muted) {
        m_userVolume = level;
        m_muted = false;
        KeepVolume();
    }
    ApplyUserVolume();
}

void CControlState::OnBrightSlider(int32_t position) {
    const auto* slider = dynamic_cast<SkSlider*>(Widget(kMainSliderBright));
    if (m_player == nullptr || slider == nullptr || slider->Maximum() <= slider->Minimum()) {
        return;
    }
    const int32_t middle = (slider->Maximum() + slider->Minimum()) / 2;
    m_player->SetBrightness((position - middle) * kPercent /
                            (slider->Maximum() - slider->Minimum()));
}

void CControlState::ToggleMute() {
    m_muted = !m_muted;
    KeepVolume();
    ApplyUserVolume();
}

void CControlState::ApplyUserVolume() {
    SetSliderValue(kMainSliderVolume, m_userVolume);
    SetChecked(kMainButtonVolume, m_muted || m_userVolume <= 0);  // the muted look
    platform::SetWaveOutVolume(m_muted ? 0 : WaveVolumeForPosition(m_userVolume));
}

void CControlState::KeepVolume() const {
    using platform::RegistryScope;
    const QString key = QString::fromLatin1(kVolumeKey);
    if (!platform::WriteRegistryDword(RegistryScope::User, key, kVolumeValue,
                                      static_cast<uint32_t>(m_userVolume)) ||
        !platform::WriteRegistryDword(RegistryScope::User, key, kMutedValue, m_muted ? 1 : 0)) {
        qCInfo(lcShell) << "the volume is not kept: the settings store cannot be written";
    }
}

void CControlState::ShowSliderValues() {
    if (auto* time = dynamic_cast<SkSlider*>(Widget(kMainSliderTime))) {
        time->SetValueText([](int32_t ms) { return FormatTime(ms, false); });
    }
    if (auto* strip = dynamic_cast<SkTripStrip*>(Widget(kMainStripTrip))) {
        strip->SetValueText(
            [](int64_t ms) { return QStringLiteral("trip ") + FormatTime(ms, false); });
    }
    if (auto* speed = dynamic_cast<SkSlider*>(Widget(kMainSliderSpeed))) {
        speed->SetValueText(&SpeedText);
    }
    if (auto* volume = dynamic_cast<SkSlider*>(Widget(kMainSliderVolume))) {
        volume->SetValueText([](int32_t level) { return QStringLiteral("%1 %").arg(level); });
    }
    if (auto* bright = dynamic_cast<SkSlider*>(Widget(kMainSliderBright))) {
        const int32_t middle = (bright->Maximum() + bright->Minimum()) / 2;
        bright->SetValueText([middle](int32_t position) {
            return QStringLiteral("%1%2").arg(position > middle ? "+" : "").arg(position - middle);
        });
    }
}

QString CControlState::SpeedText(int32_t position) {
    // The graph plays no slower than its lowest rate.
    const float rate = std::max(RateForSpeedPosition(position), CPlayGraph::kMinRate);
    return QString::number(static_cast<double>(rate)) + QLatin1Char('x');
}

float CControlState::RateForSpeedPosition(int32_t position) {
    if (position < 1 || position > static_cast<int32_t>(kSpeedRates.size())) {
        return 1.0f;
    }
    return kSpeedRates[static_cast<size_t>(position - 1)];
}

uint32_t CControlState::WaveVolumeForPosition(int32_t position) {
    // Positions outside 0..100 are held to the device's range instead of wrapping.
    const auto v = std::clamp(static_cast<int64_t>(position * kVolumeStepsPerPosition), int64_t{0},
                              kMaxChannelVolume);
    return static_cast<uint32_t>(v) | (static_cast<uint32_t>(v) << kRightChannelShift);
}

}  // namespace player
