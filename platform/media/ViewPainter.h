#pragma once
// Paints a video renderer's picture in the paint events of its clipping window (the view
// widget), through an event filter on it. UI thread only (Detach, ClaimSoon and
// RequestRepaint excepted). Internal.

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <atomic>

namespace platform::media {

class VideoRenderer;

class ViewPainter final : public QObject {
public:
    explicit ViewPainter(VideoRenderer* renderer) : m_renderer(renderer) {}

    bool eventFilter(QObject* watched, QEvent* event) override;
    // Paints the view from now on (null: none).
    void Watch(QWidget* view);
    // Holds the view without painting it (a renderer standing by).
    void Keep(QWidget* view);
    // Starts painting the view kept, with the renderer's picture at once.
    void Claim();
    // Any thread: Claim on the UI thread.
    void ClaimSoon();
    // Any thread: the renderer is going; nothing is painted any more.
    void Detach() { m_renderer = nullptr; }
    // Any thread: coalesces repaint requests into one queued call.
    void RequestRepaint();

private:
    std::atomic<VideoRenderer*> m_renderer;
    std::atomic<bool> m_pending{false};
    QPointer<QWidget> m_view;
    QPointer<QWidget> m_kept;
};

// Deletes the painter on its own (UI) thread.
struct ViewPainterDeleter {
    void operator()(ViewPainter* painter) const;
};

}  // namespace platform::media
