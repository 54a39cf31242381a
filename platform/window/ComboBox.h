#pragma once
// The template's combo box: tells its dialog (OnNotify with CBN_DROPDOWN) just before its
// list drops down, so the dialog can rebuild the entries first. GUI thread only.

#include <QComboBox>

namespace platform {

class ComboBox : public QComboBox {
    Q_OBJECT

public:
    using QComboBox::QComboBox;

    void showPopup() override;
};

}  // namespace platform
