// SkWebBrowser's window: a plain window until the first Navigate puts the engine's view in it.

#include "player/telemetry/SkWebBrowser.h"

#include "player/telemetry/MapEngine.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QUrl>

namespace player {

namespace {

// Shows the widget's background until the view covers it; the view always fills it.
class SkWebWindow : public QWidget {
public:
    explicit SkWebWindow(SkWidget& owner) : m_owner(owner) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        m_owner.PaintWindow(painter,
                            platform::DrawItemInfo{platform::ODA_DRAWENTIRE, 0, 0, rect()});
    }
    void resizeEvent(QResizeEvent* event) override {
        for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            child->setGeometry(QRect(QPoint(0, 0), event->size()));
        }
    }

private:
    SkWidget& m_owner;  // deletes this window when destroyed
};

}  // namespace

QWebEngineView* SkWebBrowser::View() const {
    return m_engine ? m_engine->View() : nullptr;
}

QWidget* SkWebBrowser::CreateWindow() {
    return new SkWebWindow(*this);
}

bool SkWebBrowser::Navigate(const QString& url) {
    if (Window() == nullptr || (!m_engine && !CreateEngine())) {
        return false;
    }
    m_pageReady = false;
    m_engine->Load(QUrl::fromUserInput(url, QString(), QUrl::AssumeLocalFile));
    m_pageLoaded = true;
    return true;
}

}  // namespace player
