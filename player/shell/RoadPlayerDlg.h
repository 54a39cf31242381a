#pragma once
// The player's main window: the skinned frame with its 47 controls, the owner of the playback
// session and the control state. It routes commands and keys (one action table), slider
// notices and its own messages to the subsystem that owns each, runs the 100 ms playback tick
// while a recording is open, and switches between the normal and the maximised layout.
// GUI thread only.

#include "platform/media/ClipExporter.h"
#include "platform/system/DriveWatcher.h"
#include "platform/system/Process.h"
#include "player/catalogue/ClipMarks.h"
#include "player/catalogue/DurationCache.h"
#include "player/catalogue/IncidentScan.h"
#include "player/catalogue/RecordingLister.h"
#include "player/catalogue/Trips.h"
#include "player/common/RecordingCategory.h"
#include "player/shell/ControlState.h"
#include "player/shell/OpenMarks.h"
#include "player/shell/PlaybackSession.h"
#include "player/shell/UserAction.h"
#include "player/skin/SkDialog.h"
#include "player/skin/SkinMarks.h"
#include "player/telemetry/ReadoutSettings.h"
#include "player/telemetry/TripTelemetry.h"
#include "player/telemetry/TripTrack.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

namespace platform {
class ListCtrl;
}

namespace player {

class AppProfile;
class CDesktopLink;
class CGSensorDlg;
class SkTripStrip;
class SkWebBrowser;

class CRoadPlayerDlg : public SkDialog, private CPlaybackSession::Host {
    Q_OBJECT

public:
    // The window modes (background and control placements): the normal and enlarged layouts.
    static constexpr int32_t kNormalMode = 0;
    static constexpr int32_t kMaximisedMode = 1;
    // How long a note of what was written stays in the file name's place.
    static constexpr int kNoteMs = 4000;

    // The profile outlives the window; it gives the messages and the message box's skin.
    explicit CRoadPlayerDlg(const AppProfile& profile);
    ~CRoadPlayerDlg() override;

    // Opens a recording as a double click on its row would, without a row: builds the graph,
    // loads the telemetry, runs it and arms the tick. False (and nothing open) on failure.
    bool PlayRecording(const QString& path);
    // Builds the graph for a recording and loads its telemetry: true when it has a duration.
    // A failure shows "error-invalid-stream".
    bool OpenRecording(const QString& path);
    // Closes the open recording: tick off, graph stopped, rewound and released, no row.
    void StopAndReset();

    // A recording to play as soon as the window is up (the command line's).
    void OpenAtStart(const QString& path) { m_openAtStart = path; }
    // A recording a later start was given ("Open with" while this one runs).
    void OpenHandedOver(const QString& path);

    // Runs once, after the first paint of the window (start-up measurements).
    void SetFirstPaintHandler(std::function<void()> handler) {
        m_onFirstPaint = std::move(handler);
    }

    // The user's actions, each once: command, keys, what it calls and when it may act.
    static std::span<const UserAction> Actions();
    // Runs the action of a command id where its control could act (a key, a desktop call);
    // false when there is none or it cannot act now.
    bool Act(int commandId);
    bool CanAct(const UserAction& action) const;
    bool CanAct(int commandId) const;
    // Whether the time slider could take a position now (a recording open, the slider on show).
    bool CanSeek() const;

    // The speed unit and the camera's time zone the readout, map, track and media controls use.
    const ReadoutSettings& Readout() const { return m_readout; }
    // Keeps new settings in the settings store and shows them at once.
    void SetReadout(const ReadoutSettings& settings);

    CControlState* ControlState() const { return m_controlState.get(); }
    CPlaybackSession& Session() { return m_session; }
    CVideoPlayer& Player() { return m_session.Player(); }
    const CTextData& Telemetry() const { return m_session.Telemetry(); }
    int32_t CurrentRow() const { return m_session.CurrentRow(); }
    const QString& CurrentPath() const { return m_session.CurrentPath(); }
    // Root of the chosen card ("/media/user/QOR-SD/"); empty when none is chosen.
    const QString& CardRoot() const { return m_cardRoot; }
    bool PausedByUser() const { return m_session.PausedByUser(); }
    // The clip's in and out marks, on the timeline of what was opened last.
    const CClipMarks& ClipMarks() const { return m_clipMarks; }
    // Incidents and bookmarks of the recording open.
    const COpenMarks& Marks() const { return m_marks; }
    // Which listed recordings hold an incident.
    const CIncidentScan& IncidentScan() const { return m_incidentScan; }
    // Runs the event loop until the listing that Open, a tab or a start-up recording asked
    // for has been written into the list; false after timeoutMs.
    bool WaitForListing(int timeoutMs = 5000);

protected:
    void OnRegisterControls() override;
    void OnRegisterTypes(TypeFactory& factory) override;
    bool OnInitDialog() override;
    bool OnCommand(int id) override;
    void OnOK() override;
    void OnCancel() override;
    void OnTimer(int id) override;
    platform::LResult OnMessage(unsigned msg, platform::WParam wParam,
                                platform::LParam lParam) override;
    platform::LResult OnNotify(int id, int code, int item) override;
    bool PreTranslateMessage(QObject* target, QEvent* event) override;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // A recording or a card folder dropped on the window; the right-click settings menu
    // (RoadPlayerDlg_Desktop.cpp).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Set-up.
    void WatchDrives();
    void CheckComponents();

    // What the session asks of the window (RoadPlayerDlg_Open.cpp).
    int32_t RowCount() const override;
    QString RowPath(int32_t row) const override;
    void SelectRow(int32_t row) override;
    void ScrollToRow(int32_t row) override;
    void ArmTick() override;
    void KillTick() override;
    void ShowOpened(const QString& path) override;
    void ShowRefused() override;
    void ShowClosed() override;
    bool PlaysOnFromOpen(int32_t row) const override;

    // Window size and quitting (RoadPlayerDlg_Window.cpp).
    void OnRealSize();
    void OnMaximise();
    void OnNormal();
    // The window mode 1 placement of the front view, computed from the screen.
    void SetMaximisedFrontRect(const SkinRect& rect);
    void Enlarge(const SkinRect& frontRect);
    void Quit();

    // Transport (RoadPlayerDlg_Transport.cpp).
    void OnPlay();
    void OnSliderNotice(SkWidget* slider, int32_t value);
    void Tick();
    void SeekToOwnPosition();
    // Draws a paused or stopped picture again soon, once for a burst of calls.
    void RefreshStillPicture();

    // Actions (RoadPlayerDlg_Actions.cpp). A key of the table runs its action where it could
    // act; true when the key is one of the table's, which is then taken whatever it did.
    bool OnKey(QKeyCombination key);
    const UserAction* FindAction(int commandId) const;
    // Runs an action on what is shown.
    void Run(const UserAction& action);
    // Appends each button's keys to its hint from the skin ("Play / pause (Space)").
    void AddKeysToHints();
    void ToggleEnlarged();

    // Rows of the list and the end of a recording (RoadPlayerDlg_Open.cpp).
    void PlaySelectedRow();
    // The end of a recording: the next row, round to the first (the session decides).
    void AdvanceAtEnd();
    void ShowFileName(const QString& path);
    // The list marks the row of the recording that plays; an empty path marks none.
    void MarkPlayingRow(const QString& path);

    // The card, its list and the rows (RoadPlayerDlg_Catalogue.cpp).
    void OnOpen();
    // tabEvent: ControlEvent::TabNormal .. TabMotion.
    void OnTab(ControlEvent tabEvent);
    void OnRowDoubleClick(int32_t row);
    void OnDriveNotice(uint32_t code, const QString& root);
    // A recording named at start-up that lies on a removable drive: that drive becomes the
    // card, its category is listed and the recording plays as its row.
    void PlayAtStart(const QString& path);
    // Empties the list and lists the category's folders of the card off this thread; then the
    // rows are written and `then` runs. False (the list untouched) when the category has no
    // folder or there is no list.
    bool ListInBackground(const QString& cardRoot, RecordingCategory shown,
                          std::function<void()> then);
    platform::ListCtrl* FileList() const;

    // Card tools (RoadPlayerDlg_Catalogue.cpp).
    void OnSettings();
    void OnSite();
    // The card chosen by Open, a drop or the card-inserted notice: its normal category listed.
    void UseCard(const QString& root);

    // The desktop (RoadPlayerDlg_Desktop.cpp): media controls and notices on the session bus,
    // drops, and the settings menu.
    void StartDesktop();
    // A drive labelled as the camera's card appeared while none is chosen: the desktop's notice
    // (or the player's own question) offers it, once per insertion.
    void OfferInsertedCard(const QString& root);
    void ForgetInsertedCard(const QString& root);
    void OpenDropped(const QList<QUrl>& urls);
    void ShowSettingsMenu(const QPoint& globalPos);

    // Export and snapshot (RoadPlayerDlg_Export.cpp).
    void OnSave();
    void OnCapture();
    // The open recording's GPS track as a GPX file chosen in a Save As dialog.
    void OnSaveTrack();
    // A short note of what was written and where, for a few seconds in the file name's place.
    void ShowNote(const QString& note);
    void EndNote();
    static QString WrittenNote(const QStringList& paths);

    // Clips (RoadPlayerDlg_Clip.cpp). A mark at the position of the recording that is open.
    void SetClipMark(bool in);
    // Exports the marked span, or the one proposed without marks, through the clip window.
    void OnClip();
    // The trip of the recording open (that recording alone outside a trip): the timeline the
    // marks lie on.
    CClipTimeline ClipTimelineOfOpen();
    // A recording was opened or closed: the marks follow it and the time slider shows them.
    void FollowClipTimeline();
    // The in and out marks among the time slider's (the in mark's stretch reaches the out).
    std::vector<SkinMark> ClipSliderMarks() const;
    // The clip's marks on the trip strip, which shows `segments` recordings; none when the strip
    // shows another timeline than the clip's.
    std::vector<SkinMark> ClipStripMarks(size_t segments) const;
    // The clip's marks as times from offsetMs, held just outside 0..lengthMs.
    std::vector<SkinMark> ClipMarksOn(int64_t offsetMs, int64_t lengthMs) const;
    void ExportClip(const ClipRange& range);
    // The target chosen in a Save As, in the folder used last; the folder is kept.
    std::optional<QString> AskClipTarget(const ClipRange& range);
    void ReportClip(const std::optional<platform::media::ClipOutcome>& outcome,
                    const QString& target);

    // The map view and the G-sensor window (RoadPlayerDlg_Views.cpp).
    SkWebBrowser* MapView() const;
    void SetUpViews();
    // Loads the map page soon (the browser engine starts with it): when the layout first puts
    // the map into an area, or at the first paint when the skin shows it from the start.
    void StartMapViewSoon();
    void StartMapViewIfShown();
    void LoadMapPage();
    // The route for the map and the readings for the G-sensor window of the opened recording.
    void ShowRecordingTelemetry();
    // The tick's position for the map's marker and the G-sensor cursor.
    void ShowViewsAt(int64_t positionMs);
    // The speed and clock of the fix at the position, or "--"; skins may leave the readout out.
    void ShowGpsReadout(uint32_t positionMs);
    void OnViewButton(ControlEvent event);
    void OnGSensorButton();
    void HideGSensor();

    // Marks: incidents and bookmarks (RoadPlayerDlg_Marks.cpp).
    void SetUpMarks();
    // The marks of the recording open onto the time slider, the G-sensor graph and the map.
    void ShowMarks();
    // The time slider's marks: the recording's incidents and bookmarks with the clip's marks.
    void ShowSliderMarks();
    // N and Shift+N: to the next or previous mark, landing before it; within a trip on into
    // the trip's next or previous recording that holds one.
    void GoToMark(int32_t direction);
    // The marks of the trip shown onto the trip strip and, while it shows the trip's route, the
    // map (trip times); outside a trip the recording's own.
    void ShowTripMarks();
    // A row's marks: the open recording's, else the list scan's incidents and the stored
    // bookmarks.
    std::vector<RecordingMark> MarksOfRow(int32_t row);
    // The marks of a trip's recordings, each recording's in its own times.
    std::vector<std::vector<RecordingMark>> MarksOfTrip(const CTrip& trip);
    // B: a bookmark at the position, with a note if the user types one.
    void AddBookmark();
    // Delete: the bookmark within a second of the position, or the one last gone to while
    // its lead-in plays.
    void RemoveBookmark();
    // The incident the readout names at a position; null for none.
    const Incident* IncidentPlaying(uint32_t positionMs) const;
    // The list's rows were replaced: which of them hold an incident is asked for again.
    void ScanListedRecordings();
    void FlagRecordingsWithIncidents();
    // The position of the recording open, or none when nothing is open.
    std::optional<int32_t> OpenPositionMs() const;
    // Trips (RoadPlayerDlg_Trips.cpp). The list's rows were replaced by these: their durations
    // are asked for and the trips made again (and again as the durations arrive).
    void OnRowsListed(const std::vector<RecordingRow>& rows);
    void RebuildTrips();
    // The trip of the recording open, when it is a list row in a trip of two or more (the list
    // may show another category by now); empty otherwise.
    CTrip CurrentTrip() const;
    // The strip's segments, the trip's fixes asked for, the map's route: after an opening, a
    // close and new trips.
    void ShowTrip();
    // The route the map shows: the trip's once its fixes are here, else the recording's.
    void ShowRouteOnMap();
    // The strip's cursor and the readout's trip figures at a position of the recording open.
    void ShowTripAt(int64_t positionMs);
    // The readout's trip figures at a position, or empty outside a trip.
    QString TripFigures(int64_t positionMs) const;
    // A place on a trip's timeline chosen on the strip or the map: a seek, or the other
    // recording opened there (held while the strip is dragged).
    void OnTripSeek(const CTrip& trip, int64_t tripMs, bool held);
    void OnTripFixesArrived();
    bool TripFixesReady(const CTrip& trip) const;
    std::vector<TripRecordingFixes> TripFixes(const CTrip& trip) const;
    QStringList TripPaths(const CTrip& trip) const;
    SkTripStrip* TripStrip() const;

    SkWidget* FindWidget(const char* name) const;
    std::optional<int> ShowMessage(const char* id, int32_t kind);

    const AppProfile& m_profile;
    QIcon m_icon;
    CPlaybackSession m_session;
    platform::DriveWatcher m_driveWatcher;
    QString m_openAtStart;
    std::function<void()> m_onFirstPaint;
    bool m_preloaded = false;  // the media libraries loaded on first use, after the first paint
    QString m_cardRoot;
    CRecordingLister m_lister;
    // The settings tool last started; ended with the window.
    platform::Process m_settingsTool;

    // Made at the first press of its button, then only shown and hidden; a child window.
    std::unique_ptr<CGSensorDlg> m_gsensor;
    bool m_mapStartQueued = false;
    bool m_stillRefreshQueued = false;
    QTimer m_noteTimer;
    static constexpr int kStillRefreshMs = 50;
    // The enlarged layout is the real-size one (else the maximised one).
    bool m_enlargedRealSize = false;
    // The connection state the map's tiles were last set for.
    bool m_online = false;
    CClipMarks m_clipMarks;
    COpenMarks m_marks;
    CIncidentScan m_incidentScan;
    // The time of the mark N or Shift+N went to last, while its lead-in plays.
    std::optional<int32_t> m_visitedMarkMs;
    // The stored bookmarks of the marks' trip's recordings, read as they are first needed.
    CTrip m_marksTrip;
    QHash<QString, std::vector<Bookmark>> m_tripBookmarks;
    // The list's rows as the trips read them, their durations, and the trips they form.
    QStringList m_rowPaths;
    QStringList m_rowNames;
    CDurationCache m_durations;
    CTrips m_trips;
    // The trip of the recording open (two or more rows), its fixes and distances, and the trip
    // whose route the map shows (empty: the map shows the recording's own route).
    CTrip m_shownTrip;
    CTripTelemetry m_tripTelemetry;
    CTripDistance m_tripDistance;
    CTrip m_mapTrip;
    QString m_mapRoutePath;
    ReadoutSettings m_readout;
    // The card a notice offers (the drive's root) and the notice's id; empty and 0 for none.
    QString m_offeredCard;
    uint32_t m_cardNoticeId = 0;
    std::unique_ptr<CDesktopLink> m_desktop;
    // Last member: destroyed first, before the session's player and the controls it points at.
    std::unique_ptr<CControlState> m_controlState;
};

}  // namespace player
