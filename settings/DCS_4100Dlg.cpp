#include "DCS_4100Dlg.h"

#include "platform/window/SystemDialogs.h"
#include "platform/window/Window.h"
#include "settings/AboutDlg.h"
#include "settings/Bitmaps.h"
#include "settings/PictureButton.h"
#include "settings/PopupDlg.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QTextCharFormat>
#include <QTimeEdit>

namespace settings {
namespace {

using platform::ChildKind;
using platform::DialogItem;

const char* const kAboutItem = "&About DCS_4100...";
constexpr int kBackgroundBitmap = 129;
constexpr int kIconBitmap = 128;

constexpr DialogItem kItems[] = {
    {1037, ChildKind::Button, 48, 106, 51, 16, "POFF"},
    {1038, ChildKind::Button, 138, 106, 51, 16, "PA"},
    {1039, ChildKind::Button, 228, 106, 51, 16, "P1"},
    {1040, ChildKind::Button, 318, 106, 51, 16, "P2"},
    {1041, ChildKind::Button, 408, 106, 51, 16, "P3"},
    {1042, ChildKind::Button, 93, 213, 51, 16, "ROFF"},
    {1043, ChildKind::Button, 183, 213, 51, 16, "RLOW"},
    {1044, ChildKind::Button, 272, 213, 51, 16, "RMID"},
    {1045, ChildKind::Button, 363, 213, 51, 16, "RHIGH"},
    {1046, ChildKind::Button, 93, 320, 51, 16, "SOFF"},
    {1047, ChildKind::Button, 183, 320, 51, 16, "SLOW"},
    {1048, ChildKind::Button, 272, 320, 51, 16, "SMID"},
    {1049, ChildKind::Button, 363, 320, 51, 16, "SHIGH"},
    {1050, ChildKind::Button, 93, 427, 51, 16, "QLOW"},
    {1051, ChildKind::Button, 228, 427, 51, 16, "QMID"},
    {1052, ChildKind::Button, 363, 427, 51, 16, "QHIGH"},
    {1053, ChildKind::Button, 37, 535, 49, 16, "GOFF"},
    {1054, ChildKind::Button, 92, 535, 49, 16, "G1"},
    {1055, ChildKind::Button, 142, 535, 49, 16, "G2"},
    {1056, ChildKind::Button, 192, 535, 49, 16, "G3"},
    {1057, ChildKind::Button, 242, 535, 49, 16, "G4"},
    {1058, ChildKind::Button, 292, 535, 49, 16, "G5"},
    {1059, ChildKind::Button, 342, 535, 49, 16, "G6"},
    {1060, ChildKind::Button, 392, 535, 49, 16, "G7"},
    {1061, ChildKind::Button, 442, 535, 49, 16, "G8"},
    {CDCS_4100Dlg::kIdDateTimeSwitch, ChildKind::Button, 41, 634, 19, 19},
    {CDCS_4100Dlg::kIdDate, ChildKind::DatePicker, 93, 634, 186, 24, "", platform::kItemDisabled},
    {CDCS_4100Dlg::kIdTime, ChildKind::TimePicker, 299, 634, 132, 24, "", platform::kItemDisabled},
    {CDCS_4100Dlg::kIdSave, ChildKind::Button, 172, 708, 148, 31, "저장"},
    {CDCS_4100Dlg::kIdCancel, ChildKind::Button, 334, 708, 148, 31, "취소"},
    {CDCS_4100Dlg::kIdInit, ChildKind::Button, 10, 708, 148, 31},
};

constexpr platform::DialogTemplate kTemplate{
    102, "설정", CDCS_4100Dlg::kWidth, CDCS_4100Dlg::kHeight, platform::kDialogPopup, kItems};

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

// What an option button sets, and its pictures when its value is not / is the setting's.
struct OptionButton {
    int id;
    Row row;
    int value;
    int offBitmap, onBitmap;
};

constexpr OptionButton kOptionButtons[] = {
    {1037, Row::Parking, 0, 131, 130},    {1038, Row::Parking, 1, 132, 133},
    {1039, Row::Parking, 2, 134, 135},    {1040, Row::Parking, 3, 136, 137},
    {1041, Row::Parking, 4, 139, 138},    {1042, Row::Microphone, 0, 131, 130},
    {1043, Row::Microphone, 1, 142, 143}, {1044, Row::Microphone, 2, 145, 144},
    {1045, Row::Microphone, 3, 147, 146}, {1046, Row::Speaker, 0, 131, 130},
    {1047, Row::Speaker, 1, 142, 143},    {1048, Row::Speaker, 2, 145, 144},
    {1049, Row::Speaker, 3, 147, 146},    {1050, Row::Quality, 0, 142, 143},
    {1051, Row::Quality, 1, 145, 144},    {1052, Row::Quality, 2, 147, 146},
    {1053, Row::GSensor, 0, 158, 159},    {1054, Row::GSensor, 1, 148, 149},
    {1055, Row::GSensor, 2, 150, 151},    {1056, Row::GSensor, 3, 152, 153},
    {1057, Row::GSensor, 4, 154, 155},    {1058, Row::GSensor, 5, 161, 160},
    {1059, Row::GSensor, 6, 163, 162},    {1060, Row::GSensor, 7, 165, 164},
    {1061, Row::GSensor, 8, 156, 157},
};

// The hint of a row's buttons, followed by the button's own word ("Parking mode: MD1").
const char* RowHint(Row row) {
    switch (row) {
        case Row::Parking:
            return "Parking mode";
        case Row::Microphone:
            return "Microphone volume";
        case Row::Speaker:
            return "Speaker volume";
        case Row::Quality:
            return "Recording quality";
        case Row::GSensor:
            break;
    }
    return "G-sensor sensitivity (G1 least, G8 most)";
}

struct ActionButton {
    int id;
    int normalBitmap, pressedBitmap;
    const char* hint;
};

constexpr ActionButton kActionButtons[] = {
    {CDCS_4100Dlg::kIdDateTimeSwitch, 173, 172, "Set the camera's clock from these fields"},
    {CDCS_4100Dlg::kIdSave, 167, 166, "Save the settings onto the camera's card"},
    {CDCS_4100Dlg::kIdCancel, 171, 170, "Close without saving (Esc)"},
    {CDCS_4100Dlg::kIdInit, 169, 168, "Back to the camera's default settings"},
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

const QColor kHeaderText(0xA4, 0xB0, 0xC2);
const QColor kHeaderBackground(0x22, 0x2A, 0x37);

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

CDCS_4100Dlg::CDCS_4100Dlg(QWidget* parent) : platform::Dialog(kTemplate, parent) {}

bool CDCS_4100Dlg::OnInitDialog() {
    m_settingsPath = LocateSettingsFile();

    SetCaptionBand(kDragBandHeight);
    QMenu* systemMenu = GetSystemMenu();
    systemMenu->setPalette(FieldPalette(systemMenu->palette()));
    AppendSystemMenu(0);
    AppendSystemMenu(kIdmAboutBox, QString::fromUtf8(kAboutItem));
    setWindowIcon(QIcon(LoadBitmap(kIconBitmap)));

    setFixedSize(kWidth, kHeight);
    m_background = LoadBitmap(kBackgroundBitmap);
    SetUpControls();

    ReadSettings(m_settingsPath.value_or(QString()), m_settings);
    RefreshOptionButtons();
    return true;
}

void CDCS_4100Dlg::SetUpControls() {
    for (const OptionButton& option : kOptionButtons) {
        auto* button = new PictureButton(this);
        button->LoadBitmaps(option.offBitmap, option.onBitmap);
        const QString word = GetDlgItem(option.id) != nullptr
                                 ? platform::GetWindowText(GetDlgItem(option.id))
                                 : QString();
        SubclassDlgItem(option.id, button);
        button->setToolTip(QStringLiteral("%1: %2").arg(QLatin1String(RowHint(option.row)), word));
    }
    for (const ActionButton& action : kActionButtons) {
        auto* button = new PictureButton(this);
        button->LoadBitmaps(action.normalBitmap, action.pressedBitmap);
        SubclassDlgItem(action.id, button);
        button->setToolTip(QString::fromLatin1(action.hint));
    }
    for (const int id : {kIdDate, kIdTime}) {
        QWidget* control = GetDlgItem(id);
        control->setFont(DialogFont());
        control->setPalette(FieldPalette(control->palette()));
    }
    // The calendar's weekday row takes a light header background from the style; on it the
    // fields' light text could not be read.
    if (auto* date = qobject_cast<QDateEdit*>(GetDlgItem(kIdDate))) {
        if (QCalendarWidget* calendar = date->calendarWidget()) {
            calendar->setPalette(FieldPalette(calendar->palette()));
            QTextCharFormat header;
            header.setForeground(kHeaderText);
            header.setBackground(kHeaderBackground);
            calendar->setHeaderTextFormat(header);
        }
    }
}

bool CDCS_4100Dlg::OnCommand(int id) {
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
    } else {
        return false;
    }
    return true;
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
        auto* button = static_cast<PictureButton*>(GetDlgItem(option.id));
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
    GetDlgItem(kIdDate)->setEnabled(on);
    GetDlgItem(kIdTime)->setEnabled(on);
    auto* button = static_cast<PictureButton*>(GetDlgItem(kIdDateTimeSwitch));
    button->LoadBitmaps(on ? kSwitchOnBitmap : kSwitchOffBitmap, kSwitchOnBitmap);
    update();
}

void CDCS_4100Dlg::OnSave() {
    // Open where the camera reads its files when the card is present.
    const QString startFolder =
        m_settingsPath ? QFileInfo(*m_settingsPath).path() : QDir::homePath();
    const std::optional<QString> folder = platform::BrowseForFolder({this, QString(), startFolder});
    bool saved = false;
    if (folder) {
        if (m_dateTimeSwitch) {
            const auto* date = static_cast<QDateEdit*>(GetDlgItem(kIdDate));
            const auto* time = static_cast<QTimeEdit*>(GetDlgItem(kIdTime));
            saved = WriteSettingsAndTime(*folder, m_settings, date->date(), time->time());
        } else {
            saved = WriteSettingsAndTime(*folder, m_settings);
        }
    }
    m_saveOutcome = saved ? 1 : 0;
    CPopupDlg popup(this);
    popup.DoModal();
    if (saved) {
        EndDialog(platform::IDOK);
    }
}

void CDCS_4100Dlg::OnInit() {
    m_settings = CameraSettings{};
    RefreshOptionButtons();
}

void CDCS_4100Dlg::OnCancel() {
    EndDialog(platform::IDCANCEL);
}

void CDCS_4100Dlg::OnSysCommand(int id) {
    if (id == kIdmAboutBox) {
        CAboutDlg about(this);
        about.DoModal();
        return;
    }
    platform::Dialog::OnSysCommand(id);
}

void CDCS_4100Dlg::keyPressEvent(QKeyEvent* event) {
    // Only a click saves: Enter is no shortcut for the Save button here.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    platform::Dialog::keyPressEvent(event);
}

void CDCS_4100Dlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, kWidth, kHeight, m_background);
}

}  // namespace settings
