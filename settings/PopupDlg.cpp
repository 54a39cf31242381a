#include "PopupDlg.h"

#include "settings/Bitmaps.h"
#include "settings/DCS_4100Dlg.h"
#include "settings/PictureButton.h"

#include <QLabel>
#include <QPainter>

namespace settings {
namespace {

const char* const kSuccessText = "성공적으로 설정을 저장하였습니다.";
const char* const kCancelText = "설정 저장을 취소하였습니다.";
constexpr int kBackgroundBitmap = 177;
constexpr int kOkNormalBitmap = 178;
constexpr int kOkPressedBitmap = 179;

QLabel* MakeText(const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    // White text on the control's solid black background.
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
    label->setGeometry(14, 70, 294, 36);
    return label;
}

}  // namespace

CPopupDlg::CPopupDlg(CDCS_4100Dlg* owner) : QDialog(owner) {
    OnInitDialog(owner ? owner->SaveOutcome() : 0);
}

bool CPopupDlg::OnInitDialog(int saveOutcome) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    m_background = LoadBitmap(kBackgroundBitmap);
    setFixedSize(m_background.size());
    m_successText = MakeText(kSuccessText, this);
    m_cancelText = MakeText(kCancelText, this);
    m_successText->setVisible(saveOutcome == 1);
    m_cancelText->setVisible(saveOutcome != 1);
    // The title names the outcome for the window list and for screen readers.
    setWindowTitle(saveOutcome == 1 ? m_successText->text() : m_cancelText->text());

    m_ok = new PictureButton(1, this);
    m_ok->setGeometry(87, 150, 148, 31);
    m_ok->LoadBitmaps(kOkNormalBitmap, kOkPressedBitmap);
    connect(m_ok, &QAbstractButton::clicked, this, &QDialog::accept);
    return true;
}

QWidget* CPopupDlg::GetDlgItem(int id) const {
    switch (id) {
        case 1:
            return m_ok;
        case kIdSuccessText:
            return m_successText;
        case kIdCancelText:
            return m_cancelText;
        default:
            return nullptr;
    }
}

void CPopupDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
}

}  // namespace settings
