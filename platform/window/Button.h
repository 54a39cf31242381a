#pragma once
// The owner-drawn push button: every paint asks DrawItem to draw the whole button with the
// focus / selected (held down) / disabled bits, a click is a command to the dialog, and
// TrackMouseEvent requests one hover and one leave notice. GUI thread only.

#include "platform/window/WinTypes.h"

#include <QAbstractButton>
#include <QTimer>

namespace platform {

class Button : public QAbstractButton {
    Q_OBJECT

public:
    explicit Button(QWidget* parent = nullptr);

    // BST_PUSHED while held down, BST_FOCUS with the focus, BST_CHECKED when checked.
    unsigned GetState() const;
    // The ODS_ bits a whole-item draw would get now.
    unsigned DrawState() const;

    // flags: TME_HOVER (OnMouseHover once the pointer has rested hoverMs inside) and / or
    // TME_LEAVE (OnMouseLeave when it leaves). Each request is answered once.
    void TrackMouseEvent(unsigned flags, int hoverMs);

protected:
    virtual void DrawItem(QPainter& painter, const DrawItemInfo& info);
    virtual void OnMouseHover(QPoint point);
    virtual void OnMouseLeave();

    void paintEvent(QPaintEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QTimer m_hoverTimer;
    bool m_trackLeave = false;
};

}  // namespace platform
