// The view layout: what the main and second areas show (front camera, rear camera, map), the
// view buttons that choose it, and the one-camera swap of the enlarged layout.

#include "player/playback/ControlState.h"

#include "player/resources/Resource.h"
#include "player/skin/SkinGeometry.h"
#include "player/skin/WindowSkin.h"

#include <QWidget>

#include <algorithm>

namespace player {

namespace {

// By what an area shows (kShowFront, kShowRear, kShowMap): its window and its buttons.
constexpr const char* kViews[] = {kMainVideoFront, kMainVideoRear, kMainWebMap};
constexpr const char* kMainButtons[] = {kMainButtonFinf, kMainButtonFinr, kMainButtonFinm};
constexpr const char* kSecondButtons[] = {kMainButtonRinf, kMainButtonRinr, kMainButtonRinm};
constexpr int32_t kContentCount = 3;

int32_t ValidContent(int32_t content) {
    return content >= kShowFront && content <= kShowMap ? content : kShowFront;
}

}  // namespace

void CControlState::RecordViewRects() {
    const char* names[kViewRectCount] = {kMainVideoFront, kMainVideoRear, kMainButtonRinr,
                                         kMainButtonRinm};
    for (int i = 0; i < kViewRectCount; ++i) {
        const ControlEntry* entry =
            m_container != nullptr ? m_container->FindControl(NameKey(QString::fromUtf8(names[i])))
                                   : nullptr;
        const ModeGeometry* geometry =
            entry != nullptr && entry->control ? entry->control->ModeGeometryOf(0) : nullptr;
        m_viewRects[static_cast<size_t>(i)] = geometry != nullptr ? *geometry : ModeGeometry{};
    }
}

void CControlState::OnViewButton(int32_t event) {
    // A check button unchecks itself when pressed; pressing the one of the content shown
    // changes nothing, so it is checked again.
    switch (event) {
        case kEventFinf:
            if (m_frontViewState == kShowFront) {
                SetChecked(kMainButtonFinf, true);
                return;
            }
            m_frontViewState = kShowFront;
            m_rearViewState = m_videoCount == 1 ? kShowMap : kShowRear;
            break;
        case kEventFinr:
            if (m_frontViewState == kShowRear) {
                SetChecked(kMainButtonFinr, true);
                return;
            }
            m_frontViewState = kShowRear;
            m_rearViewState = kShowFront;
            break;
        case kEventFinm:
            if (m_frontViewState == kShowMap) {
                SetChecked(kMainButtonFinm, true);
                return;
            }
            m_frontViewState = kShowMap;
            m_rearViewState = kShowFront;
            break;
        case kEventRinf:
        case kEventRinr:
        case kEventRinm: {
            const int32_t content = event - kEventRinf;
            if (m_rearViewState == content) {
                SetChecked(kSecondButtons[content], true);
                return;
            }
            m_rearViewState = content;
            break;
        }
        case kEventFrChange:
            OnViewButton(Checked(kMainButtonFrChange) ? kEventFinr : kEventFinf);
            return;
        default:
            return;
    }
    LayoutViews();
}

void CControlState::LayoutViews() {
    if (m_windowMode == 1) {
        LayoutEnlarged();
    } else {
        LayoutNormal();
    }
}

void CControlState::LayoutEnlarged() {
    // The views keep their mode 1 placements; only which camera shows changes.
    if (m_openState != kRecordingOpen || m_videoCount == 1) {
        SetEnabled(kMainButtonFrChange, false);
        return;
    }
    SetEnabled(kMainButtonFrChange, true);
    const bool rearShown = m_frontViewState == kShowRear ||
                           (m_frontViewState == kShowMap && m_rearViewState != kShowFront);
    QWidget* front = Window(kMainVideoFront);
    QWidget* rear = Window(kMainVideoRear);
    if (front != nullptr) {
        front->setVisible(!rearShown);
    }
    if (rear != nullptr) {
        rear->setVisible(rearShown);
    }
    SetChecked(kMainButtonFrChange, rearShown);
}

void CControlState::LayoutNormal() {
    if (m_openState != kRecordingOpen) {
        return;
    }
    const int32_t main = ValidContent(m_frontViewState);
    const int32_t second = ValidContent(m_rearViewState);

    PlaceAt(kViews[main], m_viewRects[kMainRect]);
    // The second area's buttons of the two other contents take slots A and B in the order
    // front, rear, map; the one of the main area's content goes.
    bool slotATaken = false;
    for (int32_t content = 0; content < kContentCount; ++content) {
        SetChecked(kMainButtons[content], content == main);
        if (content == main) {
            Hide(kSecondButtons[content]);
        } else {
            PlaceAt(kSecondButtons[content], m_viewRects[slotATaken ? kSlotB : kSlotA]);
            slotATaken = true;
        }
    }

    // The map takes the second area only with a page and a route to show on it.
    const bool mapUsable = m_mapPageLoaded && m_mapPageLoaded() && m_hasGps != 0;
    if (second == kShowMap && !mapUsable) {
        if (main != kShowMap) {
            ShrinkMap();
        }
    } else if (second != main) {
        PlaceAt(kViews[second], m_viewRects[kSecondRect]);
    }
    for (int32_t content = 0; content < kContentCount; ++content) {
        SetChecked(kSecondButtons[content], content == second);
    }

    if (main != kShowFront && second != kShowFront) {
        Hide(kMainVideoFront);
    }
    if (main != kShowRear && second != kShowRear) {
        Hide(kMainVideoRear);
    }
    if (main != kShowMap && second != kShowMap) {
        ShrinkMap();
    }
}

void CControlState::PlaceAt(const char* name, const ModeGeometry& placement) const {
    QWidget* window = Window(name);
    if (window == nullptr) {
        return;
    }
    const QWidget* parent = window->parentWidget();
    const SkinRect r = ResolveRect(placement.rect, parent != nullptr ? parent->width() : 0,
                                   parent != nullptr ? parent->height() : 0, placement.anchorFlags);
    window->setGeometry(r.x, r.y, std::max(0, r.w), std::max(0, r.h));
    window->show();
    window->update();
}

void CControlState::Hide(const char* name) const {
    if (QWidget* window = Window(name)) {
        window->hide();
    }
}

void CControlState::ShrinkMap() const {
    if (QWidget* window = Window(kMainWebMap)) {
        window->setGeometry(0, 0, 0, 0);
    }
}

}  // namespace player
