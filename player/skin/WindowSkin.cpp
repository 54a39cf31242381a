#include "player/skin/WindowSkin.h"

#include "player/skin/SkButton.h"
#include "player/skin/SkImage.h"

#include <iterator>

namespace player {

WindowSkin::WindowSkin() : m_title(QString::fromUtf16(kDefaultWindowTitle)) {}

WindowSkin::~WindowSkin() {
    m_backgrounds.clear();
    ClearControls();
}

void WindowSkin::AddBackgroundImage(int32_t mode, std::unique_ptr<SkinImage> image) {
    m_backgrounds.push_back({mode, std::move(image)});
}

bool WindowSkin::RegisterControl(const NameKey& name, ControlKind kind, int32_t dialogItemId) {
    if (name.IsEmpty() || m_controls.contains(name)) {
        return false;
    }
    m_controls.emplace(name, ControlEntry{kind, dialogItemId, nullptr});
    return true;
}

bool WindowSkin::AttachControl(std::unique_ptr<SkContainer> control) {
    if (!control) {
        return false;
    }
    const auto it = m_controls.find(control->Name());
    if (it == m_controls.end()) {
        return false;
    }
    ControlEntry& entry = it->second;
    if (entry.dialogItemId != 0) {
        control->SetDialogItemId(entry.dialogItemId);
    }
    control->SetKind(entry.kind);
    entry.control = std::move(control);
    return true;
}

ControlEntry* WindowSkin::FindControl(const NameKey& name) {
    const auto it = m_controls.find(name);
    return it == m_controls.end() ? nullptr : &it->second;
}

SkWidget* WindowSkin::FindControlWindow(const NameKey& name) const {
    const auto it = m_controls.find(name);
    if (it == m_controls.end() || !it->second.control) {
        return nullptr;
    }
    return it->second.control->Widget();
}

ControlTable::value_type* WindowSkin::ControlAt(int index) {
    if (index < 0 || index >= ControlCount()) {
        return nullptr;
    }
    return &*std::next(m_controls.begin(), index);
}

bool WindowSkin::SetModeState(const NameKey& name, int32_t mode, int32_t show, int32_t enable) {
    ControlEntry* entry = FindControl(name);
    if (entry == nullptr || !entry->control) {
        return false;
    }
    ModeGeometry* geometry = entry->control->ModeGeometryOf(mode);
    if (geometry == nullptr) {
        return false;
    }
    geometry->showRequest = show;
    geometry->enableRequest = enable;
    return true;
}

void WindowSkin::ClearControls() {
    for (auto& [name, entry] : m_controls) {
        entry.control.reset();
    }
    m_controls.clear();
}

QStringList MissingPictures(WindowSkin& skin) {
    QStringList missing;
    auto check = [&missing](const QString& control, const SkinImage* image) {
        if (image != nullptr && !image->Desc().name.IsEmpty() && image->Picture() == nullptr) {
            missing << QStringLiteral("%1: picture %2 is not in the pack")
                           .arg(control, image->Desc().name.Text());
        }
    };
    for (auto& [name, entry] : skin.Controls()) {
        if (!entry.control) {
            continue;
        }
        if (const auto* button = dynamic_cast<const SkButton*>(entry.control->Widget())) {
            for (int s = 0; s < kButtonStateCount; ++s) {
                check(name.Text(), button->StateImage(static_cast<ButtonState>(s)));
            }
        } else if (const auto* image = dynamic_cast<const SkImage*>(entry.control->Widget())) {
            check(name.Text(), image->Image());
        }
    }
    return missing;
}

}  // namespace player
