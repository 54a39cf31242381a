#include "AboutDlg.h"

#include "settings/Bitmaps.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace settings {
namespace {

constexpr int kIconBitmap = 128;
constexpr int kIconSize = 32;

constexpr platform::DialogItem kAboutItems[] = {
    {CAboutDlg::kIdIcon, platform::ChildKind::Static, 11, 11, 32, 32},
    {CAboutDlg::kIdVersion, platform::ChildKind::Static, 61, 11, 137, 32, "DCS_4100, Version 1.0"},
    {platform::IDOK, platform::ChildKind::Button, 118, 49, 80, 24, "OK", platform::kItemDefault},
};

constexpr platform::DialogTemplate kAboutTemplate{100, "About DCS_4100", 209, 84, 0, kAboutItems};

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : platform::Dialog(kAboutTemplate, parent) {}

bool CAboutDlg::OnInitDialog() {
    setFixedSize(kAboutTemplate.width, kAboutTemplate.height);
    if (auto* icon = qobject_cast<QLabel*>(GetDlgItem(kIdIcon))) {
        icon->setPixmap(
            LoadBitmap(kIconBitmap)
                .scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    // OK looks as the toolkit's own dialog buttons do under this style.
    if (auto* ok = qobject_cast<QPushButton*>(GetDlgItem(platform::IDOK));
        ok != nullptr && style()->styleHint(QStyle::SH_DialogButtonBox_ButtonsHaveIcons)) {
        ok->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton, nullptr, ok));
    }
    return true;
}

}  // namespace settings
