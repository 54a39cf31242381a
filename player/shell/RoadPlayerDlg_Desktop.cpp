// The main window on the desktop: its media controls and notices on the session bus (through
// CDesktopLink), recordings and card folders dropped on it, the card-inserted notice, and the
// right-click settings menu (speed unit, camera time zone).

#include "player/shell/RoadPlayerDlg.h"

#include "platform/system/Drives.h"
#include "player/catalogue/CardTools.h"
#include "player/common/NormalizePath.h"
#include "player/profile/AppProfile.h"
#include "player/profile/NotifyDlg.h"
#include "player/resources/Resource.h"
#include "player/shell/DesktopLink.h"
#include "player/shell/ShellLog.h"
#include "player/skin/SkListCtrl.h"
#include "player/skin/SkPopupMenu.h"
#include "player/telemetry/SkWebBrowser.h"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>

#include <algorithm>
#include <iterator>
#include <vector>

namespace player {

namespace {

// The player's own messages for these; a profile without them shows none.
constexpr char kMsgCardInserted[] = "question-card-inserted";
constexpr char kMsgDropRefused[] = "error-drop-refused";
// The card notice's one action.
constexpr char kOpenCardAction[] = "open";
constexpr char kOpenCardLabel[] = "Open";

constexpr char kSpeedUnitItem[] = "Speed in %1";
constexpr char kZoneMenu[] = "Camera time zone";
constexpr int32_t kMinutesPerHour = 60;
// Whole hours from UTC-12 to UTC+14, and the zones in use between them.
constexpr int32_t kOddZoneMinutes[] = {-570, -210, 210, 270, 330, 345, 390, 525, 570, 630, 765};

std::vector<int32_t> ZoneChoices() {
    std::vector<int32_t> zones(std::begin(kOddZoneMinutes), std::end(kOddZoneMinutes));
    for (int32_t minutes = kMinZoneMinutes; minutes <= kMaxZoneMinutes;
         minutes += kMinutesPerHour) {
        zones.push_back(minutes);
    }
    std::sort(zones.begin(), zones.end());
    return zones;
}

}  // namespace

void CRoadPlayerDlg::StartDesktop() {
    m_readout = LoadReadoutSettings();
    if (SkWebBrowser* map = MapView()) {
        map->SetSpeedUnit(m_readout.speedUnit);
    }
    setAcceptDrops(true);
    m_desktop = std::make_unique<CDesktopLink>(*this);
    m_desktop->Notices().SetActionHandler([this](uint32_t id, const QString& key) {
        if (id != m_cardNoticeId || key != QLatin1String(kOpenCardAction) ||
            m_offeredCard.isEmpty()) {
            return;
        }
        // Chosen meanwhile with Open, or gone again: the notice has nothing left to do.
        if (m_cardRoot.isEmpty() && platform::GetVolumeLabel(m_offeredCard).has_value()) {
            UseCard(m_offeredCard);
        }
    });
    m_desktop->Start();
}

bool CRoadPlayerDlg::CanSeek() const {
    const SkWidget* slider = FindWidget(kMainSliderTime);
    const QWidget* window = slider != nullptr ? slider->Window() : nullptr;
    return m_session.Graph() != nullptr && window != nullptr && !window->isHidden() &&
           window->isEnabled();
}

void CRoadPlayerDlg::SetReadout(const ReadoutSettings& settings) {
    m_readout = settings;
    SaveReadoutSettings(settings);
    if (SkWebBrowser* map = MapView()) {
        map->SetSpeedUnit(settings.speedUnit);
    }
    if (CPlayGraph* graph = m_session.Graph(); graph != nullptr && graph->HasGraphManager()) {
        ShowGpsReadout(static_cast<uint32_t>(std::max<int64_t>(graph->GetPositionMs(), 0)));
    }
}

void CRoadPlayerDlg::OfferInsertedCard(const QString& root) {
    if (!m_cardRoot.isEmpty() || root.isEmpty() || root == m_offeredCard ||
        platform::GetDriveType(root) != platform::DriveType::Removable ||
        platform::GetVolumeLabel(root) != QString::fromLatin1(kCardLabel)) {
        return;
    }
    const ProfileMessage* text =
        m_profile.GetMessage(NameKey(QString::fromLatin1(kMsgCardInserted)));
    if (text == nullptr || text->title.isEmpty()) {
        qCInfo(lcShell) << "a card was inserted at" << root
                        << "; the profile has no message for it";
        return;
    }
    m_offeredCard = root;
    m_cardNoticeId = 0;
    const std::vector<platform::DesktopNotices::Action> actions{
        {QString::fromLatin1(kOpenCardAction), QString::fromLatin1(kOpenCardLabel)}};
    m_desktop->Notices().Show(text->title, text->comment, actions,
                              [this, root](std::optional<uint32_t> id) {
                                  if (root != m_offeredCard) {
                                      return;  // removed meanwhile
                                  }
                                  if (id) {
                                      m_cardNoticeId = *id;
                                      return;
                                  }
                                  // No notification service: the player asks itself.
                                  if (m_cardRoot.isEmpty() &&
                                      ShowMessage(kMsgCardInserted, kQuestionKind) == kMessageOk &&
                                      root == m_offeredCard && m_cardRoot.isEmpty()) {
                                      UseCard(root);
                                  }
                              });
}

void CRoadPlayerDlg::ForgetInsertedCard(const QString& root) {
    if (root.isEmpty() || root != m_offeredCard) {
        return;
    }
    if (m_cardNoticeId != 0) {
        m_desktop->Notices().Close(m_cardNoticeId);
    }
    m_offeredCard.clear();
    m_cardNoticeId = 0;
}

void CRoadPlayerDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
        return;
    }
    SkDialog::dragEnterEvent(event);
}

void CRoadPlayerDlg::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
        return;
    }
    SkDialog::dragMoveEvent(event);
}

void CRoadPlayerDlg::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls()) {
        SkDialog::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    // The program the drag came from waits for the drop: what it leads to (a message) comes
    // after.
    QTimer::singleShot(0, this, [this, urls = event->mimeData()->urls()] { OpenDropped(urls); });
}

void CRoadPlayerDlg::OpenDropped(const QList<QUrl>& urls) {
    const QString path = urls.size() == 1 && urls.constFirst().isLocalFile()
                             ? QFileInfo(urls.constFirst().toLocalFile()).absoluteFilePath()
                             : QString();
    const QFileInfo info(path);
    if (!path.isEmpty() && info.isFile() && m_profile.IsKnownExtension(info.suffix().toLower())) {
        PlayAtStart(path);  // as the command line's recording
        return;
    }
    const QString normal = m_profile.GetCategoryFolder(RecordingCategory::Normal);
    if (!path.isEmpty() && info.isDir() && !normal.isEmpty() &&
        QFileInfo(QDir(path).filePath(NormalizePath(normal))).isDir()) {
        UseCard(NormalizePath(path) + QLatin1Char('/'));
        return;
    }
    qCInfo(lcShell) << "dropped, neither a recording nor a card:" << urls;
    ShowMessage(kMsgDropRefused, kMessageKind);
}

void CRoadPlayerDlg::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    ShowSettingsMenu(event->globalPos());
}

void CRoadPlayerDlg::ShowSettingsMenu(const QPoint& globalPos) {
    SkPopupMenu menu(this);
    menu.TakeLook(dynamic_cast<const SkListCtrl*>(FindWidget(kMainListFileList)));
    auto* units = new QActionGroup(&menu);
    for (const SpeedUnit unit : {SpeedUnit::Kmh, SpeedUnit::Mph}) {
        QAction* item =
            menu.addAction(QString::fromLatin1(kSpeedUnitItem).arg(SpeedUnitName(unit)));
        item->setCheckable(true);
        item->setChecked(unit == m_readout.speedUnit);
        item->setData(static_cast<int>(unit));
        units->addAction(item);
    }
    menu.addSeparator();
    SkPopupMenu* zoneMenu = menu.AddSubmenu(QString::fromLatin1(kZoneMenu));
    auto* zones = new QActionGroup(&menu);
    for (const int32_t minutes : ZoneChoices()) {
        QAction* item = zoneMenu->addAction(ZoneName(minutes));
        item->setCheckable(true);
        item->setChecked(minutes == m_readout.cameraZoneMinutes);
        item->setData(minutes);
        zones->addAction(item);
    }
    const QAction* chosen = menu.exec(globalPos);
    if (chosen == nullptr) {
        return;
    }
    ReadoutSettings settings = m_readout;
    if (chosen->actionGroup() == units) {
        settings.speedUnit = static_cast<SpeedUnit>(chosen->data().toInt());
    } else {
        settings.cameraZoneMinutes = chosen->data().toInt();
    }
    if (!(settings == m_readout)) {
        SetReadout(settings);
    }
}

}  // namespace player
