#pragma once
// A button drawn only from pictures: its normal picture, and its pressed picture while the
// mouse holds it down. GUI thread only.

#include "platform/window/Button.h"

#include <QPixmap>

namespace settings {

class PictureButton : public platform::Button {
    Q_OBJECT
public:
    explicit PictureButton(QWidget* parent = nullptr);

    // Bitmap ids of the pictures; the same id twice keeps the look in every state.
    void LoadBitmaps(int normalId, int pressedId);
    int NormalBitmapId() const { return m_normalId; }
    int PressedBitmapId() const { return m_pressedId; }

protected:
    void DrawItem(QPainter& painter, const platform::DrawItemInfo& info) override;

private:
    int m_normalId = 0;
    int m_pressedId = 0;
    QPixmap m_normal;
    QPixmap m_pressed;
};

}  // namespace settings
