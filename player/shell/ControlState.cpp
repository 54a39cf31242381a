// The events of the control state and the position and time display.

#include "player/shell/ControlState.h"

#include "platform/window/ListCtrl.h"
#include "platform/window/Window.h"
#include "player/resources/Resource.h"
#include "player/skin/SkButton.h"
#include "player/skin/SkSlider.h"
#include "player/skin/WindowSkin.h"

#include <QWidget>

#include <algorithm>
#include <iterator>
#include <limits>

namespace player {

namespace {

constexpr int64_t kMsPerSecond = 1000;
constexpr int64_t kSecondsPerHour = 3600;
constexpr int64_t kSecondsPerMinute = 60;

constexpr const char* kTabButtons[] = {kMainButtonTabNormal, kMainButtonTabEvent,
                                       kMainButtonTabManual, kMainButtonTabMotion};

}  // namespace

void CControlState::UpdateControls(ControlEvent event) {
    switch (event) {
        case ControlEvent::Start:
            ApplyMode(ControlMode::NoCard);
            ApplyUserVolume();
            break;
        case ControlEvent::LayoutChanged:
            m_windowMode = m_windowMode == 0 ? 1 : 0;
            ApplyMode(m_currentMode);
            LayoutViews();
            break;
        case ControlEvent::ListFilled:
            if (m_currentMode == ControlMode::NoCard) {
                ApplyMode(ControlMode::Listed);
                SetChecked(kMainButtonTabNormal, true);
                m_selectedTab = ControlEvent::TabNormal;
            }
            break;
        case ControlEvent::Reset:
            OnReset();
            break;
        case ControlEvent::Started:
            OnStarted();
            break;
        // A pause is taken to look at a frame: the views stay as the user laid them out.
        case ControlEvent::Resumed:
            ApplyMode(ControlMode::Resumed);
            SetChecked(kMainButtonPlay, true);
            LayoutViews();
            break;
        case ControlEvent::Paused:
            ApplyMode(ControlMode::Paused);
            SetChecked(kMainButtonPlay, false);
            LayoutViews();
            break;
        case ControlEvent::Stopped:
            OnStopped();
            break;
        case ControlEvent::Position:
            RefreshPosition();
            break;
        case ControlEvent::CardChosen:
            break;
        case ControlEvent::Finf:
        case ControlEvent::Finr:
        case ControlEvent::Finm:
        case ControlEvent::Rinf:
        case ControlEvent::Rinr:
        case ControlEvent::Rinm:
        case ControlEvent::FrChange:
            OnViewButton(event);
            break;
        case ControlEvent::TabNormal:
        case ControlEvent::TabEvent:
        case ControlEvent::TabManual:
        case ControlEvent::TabMotion:
            SelectTab(event);
            break;
    }
}

void CControlState::OnReset() {
    m_videoCount = -1;
    m_hasGps = 0;
    m_hasGSensor = 0;
    m_selectedTab = ControlEvent::TabNormal;
    m_openState = OpenState::Closed;
    ApplyMode(ControlMode::NoCard);
    if (auto* list = qobject_cast<platform::ListCtrl*>(Window(kMainListFileList))) {
        list->DeleteAllItems();
    }
    SetText(kMainTextFile, QString());
    SetText(kMainTextGps, QString());
    SetText(kMainTextCurTime, ZeroCurrentTime());
    SetText(kMainTextDuration, FormatTime(0, false));
    SetSliderValue(kMainSliderTime, 0);
    ApplyUserVolume();
    SetSliderValue(kMainSliderSpeed, kSpeedResetPosition);
    SetChecked(kMainButtonPlay, false);
}

void CControlState::OnStarted() {
    m_openState = OpenState::Open;
    ApplyMode(ControlMode::Opened);
    const uint64_t durationMs = m_player != nullptr ? m_player->GetDurationMs() : 0;
    if (auto* slider = dynamic_cast<SkSlider*>(Widget(kMainSliderTime))) {
        const auto maximum = static_cast<int32_t>(
            std::min<uint64_t>(durationMs, std::numeric_limits<int32_t>::max()));
        // A recording shorter than the slider's page keeps the previous range.
        slider->SetRange(maximum, 0, slider->Margins(), 0, slider->Page());
        slider->Invalidate();
    }
    SetText(kMainTextDuration, FormatTime(static_cast<int64_t>(durationMs), false));
    SetChecked(kMainButtonPlay, true);
    m_frontViewState = ViewContent::Front;
    m_rearViewState = m_videoCount == 1 ? ViewContent::Map : ViewContent::Rear;
    LayoutViews();
}

void CControlState::OnStopped() {
    m_openState = OpenState::Closed;
    ApplyMode(ControlMode::Opened);
    SetSliderValue(kMainSliderTime, 0);
    SetText(kMainTextCurTime, ZeroCurrentTime());
    SetText(kMainTextDuration, FormatTime(0, false));
    SetText(kMainTextFile, QString());
    SetText(kMainTextGps, QString());
    SetChecked(kMainButtonPlay, false);
    SetEnabled(kMainButtonFrChange, false);
}

void CControlState::RefreshPosition() {
    CPlayGraph* graph = Graph();
    if (graph != nullptr && graph->State() == GraphState::NotBuilt) {
        return;
    }
    const int64_t positionMs = graph != nullptr ? graph->GetPositionMs() : 0;
    const uint64_t durationMs = m_player != nullptr ? m_player->GetDurationMs() : 0;
    auto* slider = dynamic_cast<SkSlider*>(Widget(kMainSliderTime));
    // The thumb the user holds stays where the hand put it.
    if (slider != nullptr && !slider->Dragging()) {
        const int64_t value =
            std::max<int64_t>(std::min<int64_t>(positionMs, slider->Maximum()), slider->Minimum());
        slider->SetValue(static_cast<int32_t>(value));
        slider->Invalidate();
    }
    SetText(kMainTextCurTime, FormatTime(positionMs, m_windowMode == 0));
    SetText(kMainTextDuration, FormatTime(static_cast<int64_t>(durationMs), false));
}

void CControlState::SelectTab(ControlEvent event) {
    const int32_t selected = EventOffset(event, ControlEvent::TabNormal);
    for (int32_t tab = 0; tab < static_cast<int32_t>(std::size(kTabButtons)); ++tab) {
        SetChecked(kTabButtons[tab], tab == selected);
    }
    m_selectedTab = event;
}

void CControlState::SetRecordingFacts(int32_t videoCount, bool hasGps, bool hasGSensor) {
    m_videoCount = videoCount;
    m_hasGps = hasGps ? 1 : 0;
    m_hasGSensor = hasGSensor ? 1 : 0;
}

QString CControlState::FormatTime(int64_t ms, bool withSlash) {
    const int64_t seconds = std::max<int64_t>(ms, 0) / kMsPerSecond;
    QString text =
        QString::asprintf("%02lld:%02lld:%02lld", static_cast<long long>(seconds / kSecondsPerHour),
                          static_cast<long long>((seconds % kSecondsPerHour) / kSecondsPerMinute),
                          static_cast<long long>(seconds % kSecondsPerMinute));
    if (withSlash) {
        text += QLatin1Char('/');
    }
    return text;
}

QString CControlState::ZeroCurrentTime() const {
    return FormatTime(0, m_windowMode == 0);
}

SkWidget* CControlState::Widget(const char* name) const {
    return m_container != nullptr ? m_container->FindControlWindow(NameKey(QString::fromUtf8(name)))
                                  : nullptr;
}

QWidget* CControlState::Window(const char* name) const {
    SkWidget* widget = Widget(name);
    return widget != nullptr ? widget->Window() : nullptr;
}

void CControlState::SetChecked(const char* name, bool checked) const {
    if (auto* button = dynamic_cast<SkButton*>(Widget(name))) {
        button->SetChecked(checked);
        button->Invalidate();
    }
}

bool CControlState::Checked(const char* name) const {
    const auto* button = dynamic_cast<const SkButton*>(Widget(name));
    return button != nullptr && button->Checked();
}

void CControlState::SetEnabled(const char* name, bool enabled) const {
    if (QWidget* window = Window(name)) {
        window->setEnabled(enabled);
        window->update();
    }
}

void CControlState::SetText(const char* name, const QString& text) const {
    QWidget* window = Window(name);
    if (window == nullptr) {
        return;
    }
    if (platform::GetWindowText(window) != text) {
        platform::SetWindowText(window, text);
    }
    window->update();
}

void CControlState::SetSliderValue(const char* name, int32_t value) const {
    if (auto* slider = dynamic_cast<SkSlider*>(Widget(name))) {
        slider->SetValue(value);
        slider->Invalidate();
    }
}

}  // namespace player
