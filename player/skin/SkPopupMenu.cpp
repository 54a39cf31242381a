#include "player/skin/SkPopupMenu.h"

#include "player/skin/SkListCtrl.h"
#include "player/skin/SkinDraw.h"
#include "player/skin/SkinImage.h"

#include <QColor>
#include <QPaintEvent>
#include <QPainter>

namespace player {

namespace {

// Items over the picture: the list's text colour, its selected colour over a light wash.
QString StyleSheetOf(const SkListCtrl& list) {
    const QColor text = QColor::fromRgba(list.TextColour());
    const QColor selected = QColor::fromRgba(list.SelectedColour());
    const QString textRgb =
        QStringLiteral("rgb(%1,%2,%3)").arg(text.red()).arg(text.green()).arg(text.blue());
    return QStringLiteral(
               "QMenu { background: transparent; border: 1px solid rgba(%1,%2,%3,90);"
               " padding: 6px 0px; color: %4; font-family: \"%5\"; font-size: %6pt; }"
               " QMenu::item { padding: 5px 28px 5px 28px; background: transparent; }"
               " QMenu::item:selected { color: rgb(%7,%8,%9); background: rgba(255,255,255,28); }"
               " QMenu::item:disabled { color: rgba(%1,%2,%3,110); }"
               " QMenu::separator { height: 1px; margin: 5px 10px;"
               " background: rgba(%1,%2,%3,70); }")
        .arg(text.red())
        .arg(text.green())
        .arg(text.blue())
        .arg(textRgb, list.FontFace())
        .arg(list.FontSize() > 0 ? list.FontSize() : 9)
        .arg(selected.red())
        .arg(selected.green())
        .arg(selected.blue());
}

}  // namespace

SkPopupMenu::SkPopupMenu(QWidget* parent) : QMenu(parent) {}

SkPopupMenu::~SkPopupMenu() = default;

void SkPopupMenu::TakeLook(const SkListCtrl* list) {
    m_list = list;
    m_background.reset();
    m_rendered = QImage();
    if (m_list == nullptr) {
        setStyleSheet(QString());
        return;
    }
    if (const SkinImage* picture = m_list->BackgroundImage()) {
        m_background = std::make_unique<SkinImage>();
        if (!m_background->Load(picture->Desc())) {
            m_background.reset();
        }
    }
    setStyleSheet(StyleSheetOf(*m_list));
}

SkPopupMenu* SkPopupMenu::AddSubmenu(const QString& title) {
    auto* submenu = new SkPopupMenu(this);
    submenu->setTitle(title);
    submenu->TakeLook(m_list);
    addMenu(submenu);
    return submenu;
}

void SkPopupMenu::paintEvent(QPaintEvent* event) {
    if (m_list != nullptr) {
        if (m_rendered.size() != size()) {
            const platform::gfx::Dc target(width(), height());
            const platform::gfx::Rect whole{0, 0, width(), height()};
            if (m_background) {
                m_background->DiscardRendering();
                RenderImage(*m_background, &target, whole, nullptr, false);
                m_rendered = m_background->Rendering().Bitmap();
            }
            if (m_rendered.size() != size()) {
                // No picture to take: the list's text colour darkened serves as the ground.
                m_rendered = QImage(size(), QImage::Format_RGB32);
                m_rendered.fill(QColor::fromRgba(m_list->TextColour()).darker(600));
            }
        }
        QPainter painter(this);
        painter.drawImage(0, 0, m_rendered);
    }
    QMenu::paintEvent(event);
}

}  // namespace player
