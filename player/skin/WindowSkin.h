#pragma once
// Everything a skin says about one window: title, window rectangle, background images per
// window mode, and the control table in which window code registers control names and the
// skin attaches the controls it defines. GUI thread only.

#include "player/common/NameKey.h"
#include "player/skin/ControlKind.h"
#include "player/skin/SkContainer.h"
#include "player/skin/SkinGeometry.h"
#include "player/skin/SkinImage.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

namespace player {

inline constexpr char16_t kDefaultWindowTitle[] = u"VESTRA Application";

struct ControlEntry {
    ControlKind kind = ControlKind::Image;
    int32_t dialogItemId = 0;
    std::unique_ptr<SkContainer> control;  // none until the skin attaches one
};

// Ordered by the name's wide string.
using ControlTable = std::map<NameKey, ControlEntry>;

struct BackgroundImage {
    int32_t mode = 0;
    std::unique_ptr<SkinImage> image;
};

class WindowSkin {
public:
    WindowSkin();
    ~WindowSkin();  // background images first, then the controls, then the table
    WindowSkin(const WindowSkin&) = delete;
    WindowSkin& operator=(const WindowSkin&) = delete;

    const QString& Title() const { return m_title; }
    void SetTitle(const QString& title) { m_title = title; }
    const SkinRect& WindowRect() const { return m_windowRect; }
    void SetWindowRect(const SkinRect& rect) { m_windowRect = rect; }
    // In document order.
    const std::vector<BackgroundImage>& BackgroundImages() const { return m_backgrounds; }
    void AddBackgroundImage(int32_t mode, std::unique_ptr<SkinImage> image);

    // Refused (false, nothing changed) for an empty or already registered name.
    bool RegisterControl(const NameKey& name, ControlKind kind, int32_t dialogItemId);
    // Attaches the control to the entry of its name, replacing (and destroying) one attached
    // before; the entry's kind and nonzero id go to the control. An unregistered or unnamed
    // control is destroyed at once and false returned.
    bool AttachControl(std::unique_ptr<SkContainer> control);
    ControlEntry* FindControl(const NameKey& name);
    // The attached control's widget, or none (unknown name or nothing attached).
    SkWidget* FindControlWindow(const NameKey& name) const;
    // Entry at a position in table order; none for index < 0 or past the end.
    ControlTable::value_type* ControlAt(int index);
    int ControlCount() const { return static_cast<int>(m_controls.size()); }
    // Stores one-shot show and enable requests for a mode; false when the name is unknown,
    // nothing is attached or the control has no placement for that mode.
    bool SetModeState(const NameKey& name, int32_t mode, int32_t show, int32_t enable);
    ControlTable& Controls() { return m_controls; }
    // Applies the mode to every attached control in table order; a negative mode does nothing.
    void ApplyMode(int32_t mode);
    // Places every shown control again for the mode, after the window changed size.
    void ReplaceShown(int32_t mode);
    // Hands the composed background to every control with a background link.
    void TransferBackground(const platform::gfx::Dc& background);
    // Destroys every attached control and empties the table.
    void ClearControls();

private:
    QString m_title;
    SkinRect m_windowRect;
    std::vector<BackgroundImage> m_backgrounds;
    ControlTable m_controls;
};

// "CONTROL: picture NAME is not in the pack" for each picture a button or image control names
// that the image cache lacks.
QStringList MissingPictures(WindowSkin& skin);

}  // namespace player
