#include "DCS_4100Dlg.h"

#include "settings/AboutDlg.h"
#include "settings/Bitmaps.h"
#include "settings/FolderBrowser.h"
#include "settings/PictureButton.h"
#include "settings/PopupDlg.h"

#include <QDateEdit>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QTimeEdit>

namespace settings {
namespace {

const char* const kTitle = "설정";
const char* const kSaveText = "저장";
const char* const kCancelText = "취소";
const char* const kAboutItem = "&About DCS_4100...";
const char* const kCloseItem = "&Close";
constexpr int kBackgroundBitmap = 129;
constexpr int kIconBitmap = 128;

// The five rows of option buttons, each bound to one setting.
enum class Row { Parking, Microphone, Speaker, Quality, GSensor };

int32_t CameraSettings::*RowField(Row row) {
    switch (row) {
        case Row::Parking:
            return &CameraSettings::parkingMode;
        case Row::Microphone:
            return &CameraSettings::microphoneVolume;
        case Row::Speaker:
            return &CameraSettings::speakerVolume;
        case Row::Quality:
            return &CameraSettings::recordingQuality;
        case Row::GSensor:
            break;
    }
    return &CameraSettings::gSensorSensitivity;
}

struct OptionButton {
    int id;
    const char* caption;
    Row row;
    int value;
    int x, y, width, height;
    int offBitmap, onBitmap;
};

constexpr OptionButton kOptionButtons[] = {
    {1037, "POFF", Row::Parking, 0, 48, 106, 51, 16, 131, 130},
    {1038, "PA", Row::Parking, 1, 138, 106, 51, 16, 132, 133},
    {1039, "P1", Row::Parking, 2, 228, 106, 51, 16, 134, 135},
    {1040, "P2", Row::Parking, 3, 318, 106, 51, 16, 136, 137},
    {1041, "P3", Row::Parking, 4, 408, 106, 51, 16, 139, 138},
    {1042, "ROFF", Row::Microphone, 0, 93, 213, 51, 16, 131, 130},
    {1043, "RLOW", Row::Microphone, 1, 183, 213, 51, 16, 142, 143},
    {1044, "RMID", Row::Microphone, 2, 272, 213, 51, 16, 145, 144},
    {1045, "RHIGH", Row::Microphone, 3, 363, 213, 51, 16, 147, 146},
    {1046, "SOFF", Row::Speaker, 0, 93, 320, 51, 16, 131, 130},
    {1047, "SLOW", Row::Speaker, 1, 183, 320, 51, 16, 142, 143},
    {1048, "SMID", Row::Speaker, 2, 272, 320, 51, 16, 145, 144},
    {1049, "SHIGH", Row::Speaker, 3, 363, 320, 51, 16, 147, 146},
    {1050, "QLOW", Row::Quality, 0, 93, 427, 51, 16, 142, 143},
    {1051, "QMID", Row::Quality, 1, 228, 427, 51, 16, 145, 144},
    {1052, "QHIGH", Row::Quality, 2, 363, 427, 51, 16, 147, 146},
    {1053, "GOFF", Row::GSensor, 0, 37, 535, 49, 16, 158, 159},
    {1054, "G1", Row::GSensor, 1, 92, 535, 49, 16, 148, 149},
    {1055, "G2", Row::GSensor, 2, 142, 535, 49, 16, 150, 151},
    {1056, "G3", Row::GSensor, 3, 192, 535, 49, 16, 152, 153},
    {1057, "G4", Row::GSensor, 4, 242, 535, 49, 16, 154, 155},
    {1058, "G5", Row::GSensor, 5, 292, 535, 49, 16, 161, 160},
    {1059, "G6", Row::GSensor, 6, 342, 535, 49, 16, 163, 162},
    {1060, "G7", Row::GSensor, 7, 392, 535, 49, 16, 165, 164},
    {1061, "G8", Row::GSensor, 8, 442, 535, 49, 16, 156, 157},
};

struct ActionButton {
    int id;
    int x, y, width, height;
    int normalBitmap, pressedBitmap;
};

constexpr ActionButton kActionButtons[] = {
    {CDCS_4100Dlg::kIdDateTimeSwitch, 41, 634, 19, 19, 173, 172},
    {CDCS_4100Dlg::kIdSave, 172, 708, 148, 31, 167, 166},
    {CDCS_4100Dlg::kIdCancel, 334, 708, 148, 31, 171, 170},
    {CDCS_4100Dlg::kIdInit, 10, 708, 148, 31, 169, 168},
};
constexpr int kSwitchOnBitmap = 172;
constexpr int kSwitchOffBitmap = 173;

const OptionButton* FindOption(int id) {
    for (const OptionButton& option : kOptionButtons) {
        if (option.id == id) {
            return &option;
        }
    }
    return nullptr;
}

// The locale's long time format without the zone, which the control cannot edit.
QString TimeFormat() {
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove('t');
    return format.trimmed();
}

// Dark fields that match the pictures around them.
QPalette FieldPalette(QPalette palette) {
    palette.setColor(QPalette::Base, QColor(0x22, 0x2A, 0x37));
    palette.setColor(QPalette::Text, QColor(0xE8, 0xEE, 0xF6));
    palette.setColor(QPalette::Button, QColor(0x2A, 0x33, 0x42));
    palette.setColor(QPalette::ButtonText, QColor(0xE8, 0xEE, 0xF6));
    palette.setColor(QPalette::Window, QColor(0x1A, 0x21, 0x2D));
    palette.setColor(QPalette::WindowText, QColor(0xE8, 0xEE, 0xF6));
    palette.setColor(QPalette::Highlight, QColor(0x20, 0xA4, 0xF3));
    palette.setColor(QPalette::Disabled, QPalette::Base, QColor(0x1A, 0x21, 0x2D));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x6B, 0x76, 0x88));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x6B, 0x76, 0x88));
    return palette;
}

QFont DialogFont() {
    QFont font;
    font.setFamilies({"Liberation Sans", "NanumGothic"});
    font.setPixelSize(12);
    return font;
}

}  // namespace

CDCS_4100Dlg::CDCS_4100Dlg(QWidget* parent) : QDialog(parent) {
    OnInitDialog();
}

CDCS_4100Dlg::~CDCS_4100Dlg() = default;

bool CDCS_4100Dlg::OnInitDialog() {
    m_settingsPath = LocateSettingsFile();

    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    m_systemMenu = new QMenu(this);
    m_systemMenu->setPalette(FieldPalette(m_systemMenu->palette()));
    m_systemMenu->addAction(QString::fromUtf8(kCloseItem), this, [this] { OnCancel(); });
    m_systemMenu->addSeparator();
    m_systemMenu->addAction(QString::fromUtf8(kAboutItem), this,
                            [this] { OnSysCommand(kIdmAboutBox); });
    auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(menuKey, &QShortcut::activated, this,
            [this] { ShowSystemMenu(mapToGlobal(QPoint(0, kDragBandHeight))); });
    setWindowIcon(QIcon(LoadBitmap(kIconBitmap)));
    setWindowTitle(QString::fromUtf8(kTitle));

    setFixedSize(kWidth, kHeight);
    m_background = LoadBitmap(kBackgroundBitmap);
    CreateControls();

    ReadSettings(m_settingsPath.value_or(QString()), m_settings);
    RefreshOptionButtons();
    return true;
}

void CDCS_4100Dlg::CreateControls() {
    for (const OptionButton& option : kOptionButtons) {
        auto* button = new PictureButton(option.id, this);
        button->setGeometry(option.x, option.y, option.width, option.height);
        button->setAccessibleName(QString::fromLatin1(option.caption));
        button->LoadBitmaps(option.offBitmap, option.onBitmap);
        connect(button, &QAbstractButton::clicked, this, [this, id = option.id] { OnCommand(id); });
        m_controls.insert(option.id, button);
    }
    for (const ActionButton& action : kActionButtons) {
        auto* button = new PictureButton(action.id, this);
        button->setGeometry(action.x, action.y, action.width, action.height);
        button->LoadBitmaps(action.normalBitmap, action.pressedBitmap);
        connect(button, &QAbstractButton::clicked, this, [this, id = action.id] { OnCommand(id); });
        m_controls.insert(action.id, button);
    }
    static_cast<PictureButton*>(m_controls[kIdSave])->setText(QString::fromUtf8(kSaveText));
    static_cast<PictureButton*>(m_controls[kIdCancel])->setText(QString::fromUtf8(kCancelText));

    const QDateTime now = QDateTime::currentDateTime();
    m_dateCtrl = new QDateEdit(now.date(), this);
    m_dateCtrl->setGeometry(93, 634, 186, 24);
    m_dateCtrl->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
    m_dateCtrl->setCalendarPopup(true);
    m_dateCtrl->setDateRange(QDate(1601, 1, 1), QDate(9999, 12, 31));
    m_timeCtrl = new QTimeEdit(now.time(), this);
    m_timeCtrl->setGeometry(299, 634, 132, 24);
    m_timeCtrl->setDisplayFormat(TimeFormat());
    for (QAbstractSpinBox* control :
         {static_cast<QAbstractSpinBox*>(m_dateCtrl), static_cast<QAbstractSpinBox*>(m_timeCtrl)}) {
        control->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        control->setFont(DialogFont());
        control->setPalette(FieldPalette(control->palette()));
        control->setEnabled(false);
        control->show();
    }
    m_controls.insert(kIdDate, m_dateCtrl);
    m_controls.insert(kIdTime, m_timeCtrl);
}

QWidget* CDCS_4100Dlg::GetDlgItem(int id) const {
    return m_controls.value(id, nullptr);
}

void CDCS_4100Dlg::OnCommand(int id) {
    if (id >= kIdFirstOption && id <= kIdLastOption) {
        OnOptionButton(id);
    } else if (id == kIdDateTimeSwitch) {
        OnDateTimeSwitch();
    } else if (id == kIdSave) {
        OnSave();
    } else if (id == kIdInit) {
        OnInit();
    } else if (id == kIdCancel) {
        OnCancel();
    }
}

void CDCS_4100Dlg::OnOptionButton(int id) {
    const OptionButton* option = FindOption(id);
    if (!option) {
        return;
    }
    m_settings.*RowField(option->row) = option->value;
    RefreshOptionButtons();
}

void CDCS_4100Dlg::RefreshOptionButtons() {
    for (const OptionButton& option : kOptionButtons) {
        const int current = m_settings.*RowField(option.row);
        // An out-of-range sensitivity leaves its row as it was.
        if (option.row == Row::GSensor && (current < 0 || current > 8)) {
            continue;
        }
        auto* button = static_cast<PictureButton*>(m_controls[option.id]);
        if (current == option.value) {
            button->LoadBitmaps(option.onBitmap, option.onBitmap);
        } else {
            button->LoadBitmaps(option.offBitmap, option.onBitmap);
        }
    }
    update();
}

void CDCS_4100Dlg::OnDateTimeSwitch() {
    m_dateTimeSwitch = m_dateTimeSwitch ? 0 : 1;
    const bool on = m_dateTimeSwitch != 0;
    m_dateCtrl->setEnabled(on);
    m_timeCtrl->setEnabled(on);
    auto* button = static_cast<PictureButton*>(m_controls[kIdDateTimeSwitch]);
    button->LoadBitmaps(on ? kSwitchOnBitmap : kSwitchOffBitmap, kSwitchOnBitmap);
    update();
}

void CDCS_4100Dlg::OnSave() {
    // Open where the camera reads its files when the card is present.
    const QString startFolder =
        m_settingsPath ? QFileInfo(*m_settingsPath).path() : QDir::homePath();
    const std::optional<QString> folder = BrowseForFolder(this, startFolder);
    bool saved = false;
    if (folder && !folder->isEmpty()) {
        // A folder that takes no file ends the save before anything else is written.
        saved = WriteSettings(*folder, m_settings);
        if (saved && m_dateTimeSwitch) {
            saved = WriteTime(*folder, m_dateCtrl->date(), m_timeCtrl->time());
        }
    }
    m_saveOutcome = saved ? 1 : 0;
    CPopupDlg popup(this);
    popup.DoModal();
    if (saved) {
        accept();
    }
}

void CDCS_4100Dlg::OnInit() {
    m_settings = CameraSettings{};
    RefreshOptionButtons();
}

void CDCS_4100Dlg::OnCancel() {
    QDialog::reject();
}

void CDCS_4100Dlg::reject() {
    OnCancel();
}

void CDCS_4100Dlg::OnSysCommand(int id) {
    if (id == kIdmAboutBox) {
        CAboutDlg about(this);
        about.DoModal();
    }
}

void CDCS_4100Dlg::ShowSystemMenu(const QPoint& globalPos) {
    m_systemMenu->popup(globalPos);
}

void CDCS_4100Dlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, kWidth, kHeight, m_background);
}

void CDCS_4100Dlg::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (pos.y() >= kDragBandHeight) {
        QDialog::mousePressEvent(event);
        return;
    }
    if (event->button() == Qt::LeftButton) {
        // Moved by hand: a frameless window may have no window manager to move it.
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    } else if (event->button() == Qt::RightButton) {
        ShowSystemMenu(event->globalPosition().toPoint());
    }
    event->accept();
}

void CDCS_4100Dlg::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CDCS_4100Dlg::mouseReleaseEvent(QMouseEvent* event) {
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        event->accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

}  // namespace settings
