#include "platform/media/ViewPainter.h"

#include "platform/media/VideoRenderer.h"

#include <QEvent>
#include <QPainter>
#include <QThread>

#include <memory>

namespace platform::media {

bool ViewPainter::eventFilter(QObject* watched, QEvent* event) {
    VideoRenderer* renderer = m_renderer.load();
    if (event->type() == QEvent::Paint && watched == m_view && renderer != nullptr) {
        QPainter painter(m_view);
        renderer->Paint(painter);
        return true;
    }
    return false;
}

void ViewPainter::Watch(QWidget* view) {
    if (m_view != nullptr) {
        m_view->removeEventFilter(this);
    }
    m_view = view;
    if (view != nullptr) {
        view->installEventFilter(this);
    }
}

void ViewPainter::Keep(QWidget* view) {
    Watch(nullptr);
    m_kept = view;
}

void ViewPainter::Claim() {
    if (m_kept != nullptr && m_view != m_kept) {
        Watch(m_kept);
    }
    if (m_view != nullptr) {
        m_view->update();
    }
}

void ViewPainter::ClaimSoon() {
    QMetaObject::invokeMethod(
        this, [this] { Claim(); }, Qt::QueuedConnection);
}

void ViewPainter::RequestRepaint() {
    if (!m_pending.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_pending = false;
                if (m_view != nullptr) {
                    m_view->update();
                }
            },
            Qt::QueuedConnection);
    }
}

void ViewPainterDeleter::operator()(ViewPainter* painter) const {
    if (painter->thread() == QThread::currentThread()) {
        std::default_delete<ViewPainter>()(painter);  // removes itself from the view
    } else {
        painter->deleteLater();
    }
}

}  // namespace platform::media
