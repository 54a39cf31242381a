#pragma once
// The about box of the system menu: the icon, the program's name and version, and OK.
// GUI thread only.

#include "platform/window/Dialog.h"

namespace settings {

class CAboutDlg : public platform::Dialog {
    Q_OBJECT
public:
    static constexpr int kIdIcon = 1100;
    static constexpr int kIdVersion = 1101;

    explicit CAboutDlg(QWidget* parent);

protected:
    bool OnInitDialog() override;
};

}  // namespace settings
