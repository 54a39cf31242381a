#pragma once
// The small window that confirms a save's outcome: the success text when the owner's save
// outcome is 1, else the cancellation text. GUI thread only.

#include <QDialog>
#include <QPixmap>

class QLabel;

namespace settings {

class CDCS_4100Dlg;
class PictureButton;

class CPopupDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdSuccessText = 1038;
    static constexpr int kIdCancelText = 1039;

    explicit CPopupDlg(CDCS_4100Dlg* owner);

    int DoModal() { return exec(); }
    QWidget* GetDlgItem(int id) const;

protected:
    bool OnInitDialog(int saveOutcome);
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_background;
    QLabel* m_successText = nullptr;
    QLabel* m_cancelText = nullptr;
    PictureButton* m_ok = nullptr;
};

}  // namespace settings
