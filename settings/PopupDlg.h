#pragma once
// The small window that confirms a save's outcome: the success text when the owner's save
// outcome is 1, else the cancellation text. GUI thread only.

#include "platform/window/Dialog.h"

#include <QPixmap>

namespace settings {

class CDCS_4100Dlg;

class CPopupDlg : public platform::Dialog {
    Q_OBJECT
public:
    static constexpr int kIdSuccessText = 1038;
    static constexpr int kIdCancelText = 1039;

    explicit CPopupDlg(CDCS_4100Dlg* owner);

protected:
    bool OnInitDialog() override;
    void paintEvent(QPaintEvent* event) override;

private:
    CDCS_4100Dlg* m_owner;
    QPixmap m_background;
};

}  // namespace settings
