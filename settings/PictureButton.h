#pragma once
// A button drawn only from pictures: its normal picture, and its pressed picture while the
// mouse holds it down. GUI thread only.

#include <QAbstractButton>
#include <QPixmap>

namespace settings {

class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    PictureButton(int id, QWidget* parent);

    int Id() const { return m_id; }
    // Bitmap ids of the pictures; the same id twice keeps the look in every state.
    void LoadBitmaps(int normalId, int pressedId);
    int NormalBitmapId() const { return m_normalId; }
    int PressedBitmapId() const { return m_pressedId; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_id;
    int m_normalId = 0;
    int m_pressedId = 0;
    QPixmap m_normal;
    QPixmap m_pressed;
};

}  // namespace settings
