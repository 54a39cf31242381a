#include "player/catalogue/SelDriveDlg.h"

#include "platform/system/Drives.h"
#include "platform/window/Window.h"
#include "player/profile/AppProfile.h"
#include "player/skin/SkText.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QImage>
#include <QPalette>

#include <array>

namespace player {
namespace {

using platform::ChildKind;
using platform::DialogItem;

constexpr std::array kItems = {
    DialogItem{platform::IDOK, ChildKind::Button, 172, 128, 100, 32, "OK"},
    DialogItem{platform::IDCANCEL, ChildKind::Button, 280, 128, 100, 32, "Cancel"},
    DialogItem{CSelDriveDlg::kIdTitleText, ChildKind::Static, 20, 0, 360, 44, ""},
    DialogItem{CSelDriveDlg::kIdDriveText, ChildKind::Static, 20, 60, 132, 26, ""},
    DialogItem{CSelDriveDlg::kIdDriveList, ChildKind::ComboBox, 160, 60, 210, 26, "",
               platform::kItemSorted | platform::kItemEditable},
};
constexpr platform::DialogTemplate kTemplate{CSelDriveDlg::kTemplateId, "",    400, 176,
                                             platform::kDialogPopup,    kItems};

// An entry's drive root, kept beside the text it shows.
constexpr int kRootRole = Qt::UserRole + 1;
// Where the skin's look is read, and how the list's fields and chosen entry stand out of it.
constexpr int kSamplePoint = 4;
constexpr int kLighterPercent = 130;
constexpr int kHighlightLighterPercent = 220;

// Where the plain combo box sits; its height is the toolkit's own.
constexpr int kDriveListX = 160;
constexpr int kDriveListY = 60;
constexpr int kDriveListWidth = 210;

}  // namespace

CSelDriveDlg::CSelDriveDlg(QWidget* parent) : SkDialog(kTemplate, parent) {}

QComboBox* CSelDriveDlg::DriveList() const {
    return qobject_cast<QComboBox*>(GetDlgItem(kIdDriveList));
}

void CSelDriveDlg::OnRegisterControls() {
    Skin()->RegisterControl(NameKey(kSelDriveOk), ControlKind::Button, platform::IDOK);
    Skin()->RegisterControl(NameKey(kSelDriveCancel), ControlKind::Button, platform::IDCANCEL);
    Skin()->RegisterControl(NameKey(kSelDriveTitle), ControlKind::Text, kIdTitleText);
    Skin()->RegisterControl(NameKey(kSelDriveDrive), ControlKind::Text, kIdDriveText);
}

bool CSelDriveDlg::OnInitDialog() {
    SkDialog::OnInitDialog();
    QComboBox* list = DriveList();
    if (Skin() == nullptr || list == nullptr) {
        EndDialog(platform::IDCANCEL);
        return false;
    }
    // Typed text never becomes an entry: OK takes only what the list offers.
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setGeometry(kDriveListX, kDriveListY, kDriveListWidth, list->sizeHint().height());
    list->raise();
    FillDriveList(false);
    if (list->count() == 0) {
        EndDialog(platform::IDCANCEL);
        return true;
    }
    for (const char* name : {kSelDriveOk, kSelDriveCancel, kSelDriveTitle, kSelDriveDrive}) {
        Skin()->SetModeState(NameKey(name), 0, 1, 1);
    }
    Skin()->ApplyMode(0);
    return true;
}

void CSelDriveDlg::FillDriveList(bool refresh) {
    QComboBox* list = DriveList();
    if (refresh) {
        list->clear();
    }
    for (const platform::DriveInfo& drive : platform::ListDrives()) {
        if (drive.type == platform::DriveType::Removable) {
            const int index =
                platform::ComboAddString(list, DriveEntryText(drive.label, drive.root));
            list->setItemData(index, drive.root, kRootRole);
        }
    }
    list->setCurrentIndex(list->count() > 0 ? 0 : -1);
}

QString DriveEntryText(const QString& label, const QString& root) {
    return label.isEmpty() ? root : QStringLiteral("%1 (%2)").arg(label, root);
}

void CSelDriveDlg::showEvent(QShowEvent* event) {
    SkDialog::showEvent(event);
    MatchListToSkin();
}

void CSelDriveDlg::MatchListToSkin() {
    // The plain combo box and its drop-down take the skin's dark look: the window's own
    // background under the box and the title's text colour.
    QComboBox* list = DriveList();
    const auto* title = dynamic_cast<SkText*>(Skin()->FindControlWindow(NameKey(kSelDriveTitle)));
    if (list == nullptr || title == nullptr || title->Text() == nullptr) {
        return;
    }
    // The window's own picture, without the box over it.
    QImage background(size(), QImage::Format_RGB32);
    render(&background, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    const QPoint under(list->x() + kSamplePoint, list->y() + list->height() / 2);
    if (!background.valid(under)) {
        return;
    }
    const QColor base = background.pixelColor(under);
    const QColor text = QColor::fromRgba(title->Text()->Desc().colour);
    QPalette palette = list->palette();
    for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button}) {
        palette.setColor(role, base.lighter(kLighterPercent));
    }
    for (const QPalette::ColorRole role :
         {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        palette.setColor(role, text);
    }
    palette.setColor(QPalette::Highlight, base.lighter(kHighlightLighterPercent));
    palette.setColor(QPalette::HighlightedText, text);
    list->setPalette(palette);
    list->view()->setPalette(palette);
    if (QWidget* popup = list->view()->window(); popup != nullptr && popup != this) {
        popup->setPalette(palette);
    }
}

void CSelDriveDlg::OnOK() {
    const QComboBox* list = DriveList();
    const int selected = list == nullptr ? -1 : list->currentIndex();
    if (selected < 0 || list->currentText() != list->itemText(selected)) {
        EndDialog(platform::IDCANCEL);
        return;
    }
    m_chosenRoot = list->itemData(selected, kRootRole).toString();
    EndDialog(platform::IDOK);
}

platform::LResult CSelDriveDlg::OnNotify(int id, int code, int item) {
    if (id == kIdDriveList && code == platform::CBN_DROPDOWN) {
        FillDriveList(true);
        return 0;
    }
    return SkDialog::OnNotify(id, code, item);
}

std::optional<QString> ChooseCard(QWidget* owner, const AppProfile& profile) {
    const QByteArray* script = profile.GetScript(NameKey(kWindowSelDrive));
    if (script == nullptr || script->isEmpty()) {
        return std::nullopt;
    }
    CSelDriveDlg selector(owner);
    if (!selector.LoadSkin(*script) || selector.DoModal() != platform::IDOK) {
        return std::nullopt;
    }
    return selector.ChosenRoot();
}

}  // namespace player
