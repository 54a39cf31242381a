// The view layout: what the main and second areas show (front camera, rear camera, map), the
// view buttons that choose it, and the one-camera swap of the enlarged layout.

#include "player/shell/ControlState.h"

#include "player/resources/Resource.h"
#include "player/skin/SkinGeometry.h"
#include "player/skin/WindowSkin.h"

#include <QWidget>

#include <algorithm>

namespace player {

namespace {

// By what an area shows (ViewContent's order): its window and its buttons.
constexpr const char* kViews[] = {kMainVideoFront, kMainVideoRear, kMainWebMap};
constexpr const char* kMainButtons[] = {kMainButtonFinf, kMainButtonFinr, kMainButtonFinm};
constexpr const char* kSecondButtons[] = {kMainButtonRinf, kMainButtonRinr, kMainButtonRinm};
constexpr ViewContent kContents[] = {ViewContent::Front, ViewContent::Rear, ViewContent::Map};

size_t Index(ViewContent content) {
    return static_cast<size_t>(content);
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

void CControlState::OnViewButton(ControlEvent event) {
    // A check button unchecks itself when pressed; pressing the one of the content shown
    // changes nothing, so it is checked again.
    switch (event) {
        case ControlEvent::Finf:
            if (m_frontViewState == ViewContent::Front) {
                SetChecked(kMainButtonFinf, true);
                return;
            }
            m_frontViewState = ViewContent::Front;
            m_rearViewState = m_videoCount == 1 ? ViewContent::Map : ViewContent::Rear;
            break;
        case ControlEvent::Finr:
            if (m_frontViewState == ViewContent::Rear) {
                SetChecked(kMainButtonFinr, true);
                return;
            }
            m_frontViewState = ViewContent::Rear;
            m_rearViewState = ViewContent::Front;
            break;
        case ControlEvent::Finm:
            if (m_frontViewState == ViewContent::Map) {
                SetChecked(kMainButtonFinm, true);
                return;
            }
            m_frontViewState = ViewContent::Map;
            m_rearViewState = ViewContent::Front;
            break;
        case ControlEvent::Rinf:
        case ControlEvent::Rinr:
        case ControlEvent::Rinm: {
            const ViewContent content = kContents[EventOffset(event, ControlEvent::Rinf)];
            if (m_rearViewState == content) {
                SetChecked(kSecondButtons[Index(content)], true);
                return;
            }
            m_rearViewState = content;
            break;
        }
        case ControlEvent::FrChange:
            OnViewButton(Checked(kMainButtonFrChange) ? ControlEvent::Finr : ControlEvent::Finf);
            return;
        default:
            return;
    }
    LayoutViews();
}

void CControlState::Relayout() {
    if (m_container == nullptr) {
        return;
    }
    m_container->ReplaceShown(m_windowMode);
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
    if (m_openState != OpenState::Open || m_videoCount == 1) {
        SetEnabled(kMainButtonFrChange, false);
        return;
    }
    SetEnabled(kMainButtonFrChange, true);
    const bool rearShown =
        m_frontViewState == ViewContent::Rear ||
        (m_frontViewState == ViewContent::Map && m_rearViewState != ViewContent::Front);
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
    if (m_openState != OpenState::Open) {
        return;
    }
    const ViewContent main = m_frontViewState;
    const ViewContent second = m_rearViewState;

    PlaceAt(kViews[Index(main)], m_viewRects[kMainRect]);
    // The second area's buttons of the two other contents take slots A and B in the order
    // front, rear, map; the one of the main area's content goes.
    bool slotATaken = false;
    for (const ViewContent content : kContents) {
        SetChecked(kMainButtons[Index(content)], content == main);
        if (content == main) {
            Hide(kSecondButtons[Index(content)]);
        } else {
            PlaceAt(kSecondButtons[Index(content)], m_viewRects[slotATaken ? kSlotB : kSlotA]);
            slotATaken = true;
        }
    }

    // The map takes the second area only with a page and a route to show on it.
    const bool mapUsable = m_mapPageLoaded && m_mapPageLoaded() && m_hasGps != 0;
    if (second == ViewContent::Map && !mapUsable) {
        if (main != ViewContent::Map) {
            ShrinkMap();
        }
    } else if (second != main) {
        PlaceAt(kViews[Index(second)], m_viewRects[kSecondRect]);
    }
    for (const ViewContent content : kContents) {
        SetChecked(kSecondButtons[Index(content)], content == second);
    }

    if (main != ViewContent::Front && second != ViewContent::Front) {
        Hide(kMainVideoFront);
    }
    if (main != ViewContent::Rear && second != ViewContent::Rear) {
        Hide(kMainVideoRear);
    }
    if (main != ViewContent::Map && second != ViewContent::Map) {
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
