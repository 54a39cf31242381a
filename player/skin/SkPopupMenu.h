#pragma once
// A popup menu in a skin's look: the background picture, font and colours of one of the skin's
// lists, so the menu matches the window it opens over; without a list it keeps the toolkit's
// look. Reached and worked by keyboard as any menu (arrows, Return, Escape). GUI thread only.

#include <QImage>
#include <QMenu>
#include <QString>

#include <memory>

namespace player {

class SkListCtrl;
class SkinImage;

class SkPopupMenu : public QMenu {
    Q_OBJECT

public:
    explicit SkPopupMenu(QWidget* parent);
    ~SkPopupMenu() override;

    // Takes the list's look (none: the toolkit's). Set before the menu shows.
    void TakeLook(const SkListCtrl* list);
    // A submenu with this menu's look, owned by this menu.
    SkPopupMenu* AddSubmenu(const QString& title);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SkListCtrl* m_list = nullptr;
    // The list's background picture composed at the menu's size, made when the size changes.
    std::unique_ptr<SkinImage> m_background;
    QImage m_rendered;
};

}  // namespace player
