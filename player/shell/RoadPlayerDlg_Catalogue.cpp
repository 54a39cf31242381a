// The main window's catalogue commands: choosing the card, the category tabs, opening rows,
// the card's removal, and the card tools (settings tool, site).

#include "player/shell/RoadPlayerDlg.h"

#include "platform/system/Drives.h"
#include "platform/window/ListCtrl.h"
#include "player/catalogue/CardTools.h"
#include "player/catalogue/RecordingList.h"
#include "player/catalogue/SelDriveDlg.h"
#include "player/common/NormalizePath.h"
#include "player/profile/AppProfile.h"
#include "player/profile/NotifyDlg.h"
#include "player/resources/Resource.h"
#include "player/shell/ShellLog.h"

#include <QApplication>
#include <QFileInfo>

#include <iterator>

namespace player {

namespace {

// The category each tab lists, in the order of the tab events.
constexpr RecordingCategory kTabCategories[] = {RecordingCategory::Normal, RecordingCategory::Event,
                                                RecordingCategory::Manual,
                                                RecordingCategory::Motion};

// No program on the desktop opens web pages; a profile without it shows nothing.
constexpr char kMsgNoBrowser[] = "error-no-browser";

ControlEvent TabEventOf(RecordingCategory category) {
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(kTabCategories)); ++i) {
        if (kTabCategories[i] == category) {
            return EventAfter(ControlEvent::TabNormal, i);
        }
    }
    return ControlEvent::TabNormal;
}

QString AbsolutePath(const QString& path) {
    return NormalizePath(QFileInfo(path).absoluteFilePath());
}

}  // namespace

platform::ListCtrl* CRoadPlayerDlg::FileList() const {
    SkWidget* widget = FindWidget(kMainListFileList);
    return widget != nullptr ? qobject_cast<platform::ListCtrl*>(widget->Window()) : nullptr;
}

bool CRoadPlayerDlg::ListInBackground(const QString& cardRoot, RecordingCategory shown,
                                      std::function<void()> then) {
    const std::optional<CategoryFolders> folders = CategoryFolderPaths(m_profile, cardRoot, shown);
    platform::ListCtrl* list = FileList();
    if (!folders || list == nullptr) {
        return false;
    }
    list->DeleteAllItems();
    // Rows gone are not read for incidents any more.
    ScanListedRecordings();
    // The walk runs off this thread, so no card can hold the window; the rows come back here.
    m_lister.List(RecordingFilter::FromProfile(m_profile, cardRoot), *folders,
                  [this, then = std::move(then)](const RecordingListing& listing) {
                      if (platform::ListCtrl* rows = FileList()) {
                          WriteRecordingRows(*rows, listing.rows);
                      }
                      ScanListedRecordings();
                      OnRowsListed(listing.rows);
                      if (then) {
                          then();
                      }
                  });
    return true;
}

void CRoadPlayerDlg::OnOpen() {
    if (const std::optional<QString> root = ChooseCard(this, m_profile)) {
        UseCard(*root);
    }
}

void CRoadPlayerDlg::UseCard(const QString& root) {
    m_cardRoot = root;
    m_controlState->UpdateControls(ControlEvent::CardChosen);
    if (FileList() == nullptr) {
        return;
    }
    if (!ListInBackground(m_cardRoot, RecordingCategory::Normal, [this] {
            m_controlState->UpdateControls(ControlEvent::ListFilled);
            // The list shows the normal category now, whichever tab was chosen before.
            m_controlState->UpdateControls(ControlEvent::TabNormal);
        })) {
        qCInfo(lcShell) << "the profile names no normal folder; no card chosen";
        m_cardRoot.clear();
    }
}

void CRoadPlayerDlg::OnTab(ControlEvent tabEvent) {
    const ControlEvent previous = m_controlState->SelectedTab();
    m_controlState->UpdateControls(tabEvent);
    if (previous == tabEvent) {
        return;
    }
    // An unconfigured category leaves the rows as they are; a missing folder empties them.
    const int32_t tab = EventOffset(tabEvent, ControlEvent::TabNormal);
    if (FileList() != nullptr && !ListInBackground(m_cardRoot, kTabCategories[tab], {})) {
        qCInfo(lcShell) << "tab" << tab << "has no folder in the profile";
    }
}

bool CRoadPlayerDlg::WaitForListing(int timeoutMs) {
    return m_lister.WaitForListing(timeoutMs);
}

void CRoadPlayerDlg::OnRowDoubleClick(int32_t row) {
    if (m_session.OpenRow(row, CPlaybackSession::RowOpening::DoubleClick)) {
        if (platform::ListCtrl* list = FileList()) {
            list->SetHotItem(row);
        }
    }
}

void CRoadPlayerDlg::OnDriveNotice(uint32_t code, const QString& root) {
    if (code == platform::kDriveAddedCode) {
        OfferInsertedCard(root);
        return;
    }
    ForgetInsertedCard(root);
    if (code != platform::kDriveRemovedCode || root.isEmpty() || root != m_cardRoot) {
        return;
    }
    qCInfo(lcShell) << "the card" << root << "was removed";
    m_cardRoot.clear();
    m_lister.Cancel();
    m_session.Close(CPlaybackSession::CloseReason::CardRemoved);
    // The emptied list stops the pass that reads the card's recordings.
    ScanListedRecordings();
    OnRowsListed({});
    ShowMessage(kMsgRemoveDisk, kMessageKind);
}

void CRoadPlayerDlg::PlayAtStart(const QString& path) {
    const std::optional<QString> root = RemovableDriveOf(path);
    if (!root || FileList() == nullptr ||
        !CategoryFolderPaths(m_profile, *root, RecordingCategory::Normal)) {
        m_session.PlayPath(path);
        return;
    }
    // As the Open command would have chosen this drive, then the recording's tab and row.
    const RecordingCategory category = CategoryOfRecording(m_profile, *root, path);
    const RecordingCategory shown =
        category == RecordingCategory::Unknown ? RecordingCategory::Normal : category;
    m_cardRoot = *root;
    m_controlState->UpdateControls(ControlEvent::CardChosen);
    ListInBackground(m_cardRoot, shown, [this, path, shown] {
        m_controlState->UpdateControls(ControlEvent::ListFilled);
        m_controlState->UpdateControls(TabEventOf(shown));
        const QString wanted = AbsolutePath(path);
        platform::ListCtrl* list = FileList();
        for (int32_t row = 0; list != nullptr && row < list->GetItemCount(); ++row) {
            if (AbsolutePath(RecordingPathOfRow(*list, row)) == wanted) {
                m_session.OpenRow(row, CPlaybackSession::RowOpening::Advance);
                return;
            }
        }
        m_session.PlayPath(path);
    });
}

void CRoadPlayerDlg::OpenHandedOver(const QString& path) {
    if (!m_openAtStart.isEmpty()) {
        // The window is not up yet: the later file wins, as it would have on the command line.
        m_openAtStart = path;
        return;
    }
    // A message or the settings tool is up over the window: it is answered first.
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != this) {
        qCInfo(lcShell) << "a window is open over the player; not opening" << path;
        return;
    }
    PlayAtStart(path);
}

void CRoadPlayerDlg::OnSettings() {
    if (!FindCard()) {
        ShowMessage(kMsgDedicateDisk, kMessageKind);
        return;
    }
    StartSettingsTool(m_settingsTool, ExecutableFolder());
}

void CRoadPlayerDlg::OnSite() {
    switch (OpenSite(m_profile.Site())) {
        case SiteOpening::Offline:
            ShowMessage(kMsgNoInternet, kMessageKind);
            break;
        case SiteOpening::NoBrowser:
            ShowMessage(kMsgNoBrowser, kMessageKind);
            break;
        case SiteOpening::Opened:
            break;
    }
}

}  // namespace player
