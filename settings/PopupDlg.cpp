#include "PopupDlg.h"

#include "settings/Bitmaps.h"
#include "settings/DCS_4100Dlg.h"
#include "settings/PictureButton.h"

#include <QLabel>
#include <QPainter>

namespace settings {
namespace {

constexpr int kBackgroundBitmap = 177;
constexpr int kOkNormalBitmap = 178;
constexpr int kOkPressedBitmap = 179;

constexpr platform::DialogItem kPopupItems[] = {
    {CPopupDlg::kIdSuccessText, platform::ChildKind::Static, 14, 70, 294, 36,
     "성공적으로 설정을 저장하였습니다."},
    {CPopupDlg::kIdCancelText, platform::ChildKind::Static, 14, 70, 294, 36,
     "설정 저장을 취소하였습니다."},
    {platform::IDOK, platform::ChildKind::Button, 87, 150, 148, 31},
};

constexpr platform::DialogTemplate kPopupTemplate{134,        "", 322, 200, platform::kDialogPopup,
                                                  kPopupItems};

// White text on the control's solid black background.
void StyleText(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    QFont font;
    font.setFamilies({"NanumGothic", "Liberation Sans"});
    font.setPointSize(12);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
}

}  // namespace

CPopupDlg::CPopupDlg(CDCS_4100Dlg* owner)
    : platform::Dialog(kPopupTemplate, owner), m_owner(owner) {}

bool CPopupDlg::OnInitDialog() {
    m_background = LoadBitmap(kBackgroundBitmap);
    setFixedSize(m_background.size());
    const bool success = m_owner != nullptr && m_owner->SaveOutcome() == 1;
    auto* successText = qobject_cast<QLabel*>(GetDlgItem(kIdSuccessText));
    auto* cancelText = qobject_cast<QLabel*>(GetDlgItem(kIdCancelText));
    for (QLabel* text : {successText, cancelText}) {
        StyleText(text);
    }
    successText->setVisible(success);
    cancelText->setVisible(!success);
    // The title names the outcome for the window list and for screen readers.
    setWindowTitle(success ? successText->text() : cancelText->text());

    auto* ok = new PictureButton(this);
    ok->LoadBitmaps(kOkNormalBitmap, kOkPressedBitmap);
    SubclassDlgItem(platform::IDOK, ok);
    return true;
}

void CPopupDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
}

}  // namespace settings
