#pragma once
// One skinned control: its widget (owned), its name, its placement per window mode, the
// template id and kind code it was attached under, and the widget's background link once
// bound. GUI thread only.

#include "player/common/NameKey.h"
#include "player/skin/ControlKind.h"
#include "player/skin/ModeGeometry.h"
#include "player/skin/SkWidget.h"

#include <map>
#include <memory>
#include <string_view>

namespace platform {
class Dialog;
}

namespace player {

class SkContainer {
public:
    explicit SkContainer(std::unique_ptr<SkWidget> widget);
    virtual ~SkContainer();
    SkContainer(const SkContainer&) = delete;
    SkContainer& operator=(const SkContainer&) = delete;

    SkWidget* Widget() const { return m_widget.get(); }

    // UTF-8 name; an empty one is refused and leaves the name as it was.
    bool SetName(std::string_view utf8);
    const NameKey& Name() const { return m_name; }

    // mode < 0: false. Otherwise sets or replaces that mode's placement, requests cleared.
    bool SetModeGeometry(int32_t mode, uint32_t anchorFlags, int32_t x, int32_t y, int32_t w,
                         int32_t h);
    // The mode's placement, changeable in place (it takes effect at the next apply), or null.
    ModeGeometry* ModeGeometryOf(int32_t mode);
    const ModeGeometry* ModeGeometryOf(int32_t mode) const;
    const std::map<int32_t, ModeGeometry>& ModeGeometries() const { return m_modes; }

    int32_t DialogItemId() const { return m_dialogItemId; }
    void SetDialogItemId(int32_t id) { m_dialogItemId = id; }
    ControlKind Kind() const { return m_kind; }
    void SetKind(ControlKind kind) { m_kind = kind; }

    // Not owned; set at binding, none for kinds without one.
    IBGTransfer* BackgroundLink() const { return m_backgroundLink; }
    void SetBackgroundLink(IBGTransfer* link) { m_backgroundLink = link; }

    // The widget takes over the dialog's child with this control's id, gets its background
    // link by kind, and mode 0 is applied. False when the dialog has no such child.
    bool Bind(platform::Dialog& dialog);
    // Places, shows or hides the window for a mode and clears that mode's requests.
    void Apply(int32_t mode);
    // Places a shown window again for a mode after its parent changed size; what is shown,
    // hidden or enabled stays as it is.
    void Replace(int32_t mode);

private:
    void Collapse(QWidget* window) const;

    std::unique_ptr<SkWidget> m_widget;
    IBGTransfer* m_backgroundLink = nullptr;
    std::map<int32_t, ModeGeometry> m_modes;
    int32_t m_dialogItemId = 0;
    NameKey m_name;
    ControlKind m_kind = ControlKind::Image;
};

}  // namespace player
