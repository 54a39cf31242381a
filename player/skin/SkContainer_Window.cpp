// Binding a control to its window's template child, and placing it for a window mode with
// the one-shot show and enable requests.

#include "player/skin/SkContainer.h"

#include "platform/window/Dialog.h"
#include "platform/window/Window.h"
#include "player/skin/SkListCtrl.h"
#include "player/skin/SkText.h"
#include "player/skin/StyleWords.h"

#include <algorithm>

namespace player {

bool SkContainer::Bind(platform::Dialog& dialog) {
    if (!m_widget || !m_widget->SubclassDlgItem(m_dialogItemId, dialog)) {
        return false;
    }
    switch (m_kind) {
        case ControlKind::Text:
            m_backgroundLink = m_widget.get();
            if (auto* text = dynamic_cast<SkText*>(m_widget.get()); text && text->Text()) {
                platform::SetWindowText(m_widget->Window(), text->Text()->Desc().text);
            }
            break;
        case ControlKind::List:
            m_backgroundLink = m_widget.get();
            if (auto* list = dynamic_cast<SkListCtrl*>(m_widget.get())) {
                list->SetUpWindow();
            }
            break;
        case ControlKind::Image:
        case ControlKind::Button:
        case ControlKind::Slider:
        case ControlKind::Video:
        case ControlKind::Web:
            m_backgroundLink = m_widget.get();
            break;
        default:
            m_backgroundLink = nullptr;  // paints its own background
            break;
    }
    Apply(0);
    return true;
}

void SkContainer::Collapse(QWidget* window) const {
    if (m_kind == ControlKind::Web) {
        // The map page keeps its window (and its loaded page); it only takes no room.
        window->setGeometry(0, 0, 0, 0);
        window->update();
    } else {
        window->hide();
    }
}

void SkContainer::Replace(int32_t mode) {
    QWidget* window = m_widget ? m_widget->Window() : nullptr;
    const auto it = m_modes.find(mode);
    // A collapsed map stays collapsed; the view layout places it.
    if (window == nullptr || window->isHidden() || it == m_modes.end() ||
        (m_kind == ControlKind::Web && window->size().isEmpty())) {
        return;
    }
    const ModeGeometry& g = it->second;
    const QWidget* parent = window->parentWidget();
    const SkinRect r = ResolveRect(g.rect, parent != nullptr ? parent->width() : 0,
                                   parent != nullptr ? parent->height() : 0, g.anchorFlags);
    const QRect wanted(r.x, r.y, std::max(0, r.w), std::max(0, r.h));
    if (window->geometry() != wanted) {
        window->setGeometry(wanted);
        window->update();
    }
}

void SkContainer::Apply(int32_t mode) {
    QWidget* window = m_widget ? m_widget->Window() : nullptr;
    if (window == nullptr) {
        return;
    }
    auto it = m_modes.find(mode);
    if (it == m_modes.end()) {
        Collapse(window);
        return;
    }
    ModeGeometry& g = it->second;
    const QWidget* parent = window->parentWidget();
    const SkinRect r = ResolveRect(g.rect, parent != nullptr ? parent->width() : 0,
                                   parent != nullptr ? parent->height() : 0, g.anchorFlags);
    bool changed = false;
    if (r.x != 0 || r.y != 0 || r.w != window->width() || r.h != window->height()) {
        window->setGeometry(r.x, r.y, std::max(0, r.w), std::max(0, r.h));
        changed = true;
    }
    if (g.showRequest != 0) {
        const bool enable = g.enableRequest != 0;
        if (enable != window->isEnabled()) {
            window->setEnabled(enable);
            changed = changed || enable;
        }
        if (window->isHidden()) {
            window->show();
            window->update();
        } else if (changed) {
            window->update();
        }
    } else if (m_kind == ControlKind::Web) {
        Collapse(window);
    } else {
        window->hide();
        window->setEnabled(false);
    }
    g.showRequest = 0;
    g.enableRequest = 0;
}

}  // namespace player
