#pragma once
// The about box of the system menu: the icon, the program's name and version, and OK.
// GUI thread only.

#include <QDialog>

namespace settings {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent);

    int DoModal() { return exec(); }
};

}  // namespace settings
