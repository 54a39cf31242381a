#pragma once
// The base of every skinned window: owns the window's WindowSkin, places the window and binds
// its controls when it is initialised, paints its background from the skin's images of the
// current window mode (composed once, cached, and handed to the controls), and lets the user
// drag the window by its background. GUI thread only.

#include "platform/gfx/Dc.h"
#include "platform/window/Dialog.h"
#include "player/skin/ParseSkin.h"
#include "player/skin/WindowSkin.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace player {

class TypeFactory;

class SkDialog : public platform::Dialog {
    Q_OBJECT

public:
    explicit SkDialog(const platform::DialogTemplate& dialogTemplate, QWidget* parent = nullptr);
    ~SkDialog() override;

    // The font face and size of skin texts that name none (the application profile's); set
    // once at start-up, before the first LoadSkin.
    static void SetSkinFontDefaults(const SkinFontDefaults& fonts);

    // Before the window is created. A null text: false. The parse result is not checked:
    // a text that fails part-way leaves what was read.
    bool LoadSkin(const QByteArray& utf8);
    WindowSkin* Skin() const { return m_skin.get(); }
    // The last LoadSkin read a whole document (a root with its property and controls).
    bool SkinComplete() const { return m_skinComplete; }
    // Why the skin was refused or left incomplete; empty when it is complete.
    const QString& SkinFailure() const { return m_skinFailure; }

    int32_t BackgroundMode() const { return m_mode; }
    // A different mode is stored, marks the background dirty and invalidates the window.
    void SetBackgroundMode(int32_t mode);
    // The composed background is built again at the next paint.
    void MarkDirty();
    bool IsDirty() const { return m_dirty; }
    bool DragEnabled() const { return m_dragEnabled; }
    void SetDragEnabled(bool enabled) { m_dragEnabled = enabled; }
    // The last composed background (client size); empty before the first paint.
    const platform::gfx::Dc& CachedBackground() const { return m_cache; }

protected:
    // Registers the window's control names (RegisterControl); called by LoadSkin before the
    // parse. The base registers nothing.
    virtual void OnRegisterControls();
    // Lets a window make its own widget for a skin type word (a "map" that shows a page);
    // called by LoadSkin with the default types before the parse. The base changes nothing.
    virtual void OnRegisterTypes(TypeFactory& factory);
    bool OnInitDialog() override;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void PlaceWindow();
    void ComposeBackground(platform::gfx::Dc& dc);

    std::unique_ptr<WindowSkin> m_skin;
    platform::gfx::Dc m_cache;
    bool m_skinComplete = false;
    QString m_skinFailure;
    bool m_dirty = true;
    int32_t m_mode = 0;
    bool m_dragEnabled = true;
};

}  // namespace player
