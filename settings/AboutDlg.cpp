#include "AboutDlg.h"

#include "settings/Bitmaps.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace settings {
namespace {

const char* const kAboutTitle = "About DCS_4100";
const char* const kVersionLine = "DCS_4100, Version 1.0";
constexpr int kIconBitmap = 128;

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(kAboutTitle));
    auto* icon = new QLabel(this);
    icon->setPixmap(
        LoadBitmap(kIconBitmap).scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    auto* text = new QLabel(QString::fromUtf8(kVersionLine), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}

}  // namespace settings
