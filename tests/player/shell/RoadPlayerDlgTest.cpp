#include "player/shell/RoadPlayerDlg.h"

#include "platform/media/StreamProbe.h"
#include "platform/system/Drives.h"
#include "platform/system/FilePaths.h"
#include "platform/system/ShellFolders.h"
#include "platform/system/WaveOutVolume.h"
#include "platform/window/ControlContainer.h"
#include "platform/window/CopyProgress.h"
#include "platform/window/ListCtrl.h"
#include "platform/window/Screen.h"
#include "platform/window/SystemDialogs.h"
#include "platform/window/Window.h"
#include "player/catalogue/ClipNames.h"
#include "player/catalogue/RecordingList.h"
#include "player/catalogue/SelDriveDlg.h"
#include "player/pack/ImageCache.h"
#include "player/pack/ResourcePack.h"
#include "player/profile/AppProfile.h"
#include "player/profile/NotifyDlg.h"
#include "player/resources/Resource.h"
#include "player/shell/BookmarkNoteDlg.h"
#include "player/shell/ClipDlg.h"
#include "player/shell/WindowSize.h"
#include "player/skin/SkButton.h"
#include "player/skin/SkGSensorGraph.h"
#include "player/skin/SkListCtrl.h"
#include "player/skin/SkPopupMenu.h"
#include "player/skin/SkSlider.h"
#include "player/skin/SkTripStrip.h"
#include "player/telemetry/BookmarkStore.h"
#include "player/telemetry/ClipTelemetry.h"
#include "player/telemetry/FixValues.h"
#include "player/telemetry/GSensorDlg.h"
#include "player/telemetry/SkWebBrowser.h"
#include "player/telemetry/TrackExport.h"
#include "tools/make-sample-card/FrameCode.h"

#include <QApplication>
#include <QComboBox>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

#include <unistd.h>

namespace player {
namespace {

constexpr QSize kScreen{1920, 1080};

QApplication& Application() {
    static int argc = 1;
    static char name[] = "player_shell_tests";
    static char* argv[] = {name, nullptr};
    static auto* app = [] {
        // The map page runs in a real browser engine, kept off the network.
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --proxy-server=127.0.0.1:9");
        qputenv("ROADPLAYER_ONLINE", "0");
        platform::EnableControlContainer();
        SkWebBrowser::SetEngineModule(QStringLiteral(TEST_PROGRAM_DIR "/roadplayer-mapengine"));
        return new QApplication(argc, argv);
    }();
    return *app;
}

// The default pack's profile and pictures, as start-up loads them.
const AppProfile& Profile() {
    static const AppProfile* profile = [] {
        auto* loaded = new AppProfile;
        ResourcePack pack;
        EXPECT_TRUE(pack.OpenPack(QStringLiteral(TEST_PROGRAM_DIR "/VDATA.PACK")));
        EXPECT_TRUE(loaded->LoadProfile(&pack, QStringLiteral(TEST_PROGRAM_DIR)));
        LoadPackImages(&pack, ImageCache::Instance());
        SkDialog::SetSkinFontDefaults({loaded->FontFace(), loaded->FontSize()});
        return loaded;
    }();
    return *profile;
}

QString MakeClip(const QString& card, const QStringList& options) {
    QProcess tool;
    tool.start(QStringLiteral(TEST_TOOLS_DIR "/make-sample-card"),
               QStringList{card, "--categories", "normal", "--count", "normal=1", "--length", "4",
                           "--size", "320x180", "--fps", "15", "--audio", "none"} +
                   options);
    tool.waitForFinished(120000);
    const QStringList files = QDir(card + "/NORMAL").entryList(QDir::Files);
    return files.isEmpty() ? QString() : card + "/NORMAL/" + files.first();
}

// A two-camera recording of a few seconds with telemetry, made once for the program.
const QString& Clip() {
    static QTemporaryDir dir;
    static const QString path =
        MakeClip(dir.path() + "/card", {"--rear-size", "160x90", "--cameras", "2"});
    return path;
}

// One camera and no telemetry.
const QString& PlainClip() {
    static QTemporaryDir dir;
    static const QString path =
        MakeClip(dir.path() + "/card", {"--cameras", "1", "--telemetry", "off"});
    return path;
}

// A minute and a quarter of one small camera, for spans longer than the short recordings.
const QString& LongClip() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString card = dir.path() + "/card";
        QProcess tool;
        tool.start(QStringLiteral(TEST_TOOLS_DIR "/make-sample-card"),
                   {card, "--categories", "normal", "--count", "normal=1", "--length", "75",
                    "--size", "160x90", "--fps", "5", "--cameras", "1", "--audio", "none"});
        tool.waitForFinished(120000);
        const QStringList files = QDir(card + "/NORMAL").entryList(QDir::Files);
        return files.isEmpty() ? QString() : card + "/NORMAL/" + files.first();
    }();
    return path;
}

// A card of two normal and two event recordings, made once for the program; its root ends in
// "/".
const QString& Card() {
    static QTemporaryDir dir;
    static const QString root = [] {
        const QString card = dir.path() + "/card";
        QProcess tool;
        tool.start(
            QStringLiteral(TEST_TOOLS_DIR "/make-sample-card"),
            {card, "--categories", "normal,event", "--count", "normal=2,event=2", "--length", "3",
             "--size", "320x180", "--rear-size", "160x90", "--fps", "15", "--audio", "none"});
        tool.waitForFinished(120000);
        return card + '/';
    }();
    return root;
}

// Three normal recordings of a drive, one after the other, with frame codes; made once.
const QString& TripCard() {
    static QTemporaryDir dir;
    static const QString root = [] {
        const QString card = dir.path() + "/card";
        QProcess tool;
        tool.start(
            QStringLiteral(TEST_TOOLS_DIR "/make-sample-card"),
            {card, "--categories", "normal", "--count", "normal=3", "--length", "2", "--size",
             "320x180", "--rear-size", "160x90", "--fps", "10", "--audio", "none", "--frame-code"});
        tool.waitForFinished(120000);
        return card + '/';
    }();
    return root;
}

// A card of a 30 s recording with two labelled incidents (at about 10 s and 20 s) and a later
// one without telemetry, made once for the program; its root ends in "/". The incidents' peaks
// as the tool prints them.
struct IncidentCard {
    QString root;
    QString withIncidents;
    QString without;
    std::vector<int32_t> peaksMs;
};
const IncidentCard& IncidentsCard() {
    static QTemporaryDir dir;
    static const IncidentCard card = [] {
        IncidentCard made;
        made.root = dir.path() + "/card/";
        const QStringList common = {made.root,  "--categories", "normal", "--count", "normal=1",
                                    "--length", "30",           "--size", "160x90",  "--fps",
                                    "5",        "--cameras",    "1",      "--audio", "none"};
        QProcess tool;
        tool.start(QStringLiteral(TEST_TOOLS_DIR "/make-sample-card"),
                   common + QStringList{"--incidents"});
        tool.waitForFinished(120000);
        for (const QString& line : QString::fromUtf8(tool.readAllStandardOutput()).split('\n')) {
            const QStringList fields = line.split('\t');
            if (fields.size() == 5 && fields[0] == "incident") {
                made.peaksMs.push_back(fields[2].toInt());
            }
        }
        made.withIncidents =
            made.root + "NORMAL/" + QDir(made.root + "NORMAL").entryList(QDir::Files).value(0);
        tool.start(QStringLiteral(TEST_TOOLS_DIR "/make-sample-card"),
                   common + QStringList{"--telemetry", "off", "--start", "2025-05-17 16:00:00"});
        tool.waitForFinished(120000);
        made.without =
            made.root + "NORMAL/" + QDir(made.root + "NORMAL").entryList(QDir::Files).value(1);
        return made;
    }();
    return card;
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return true;
}

void Wait(int ms) {
    WaitUntil([] { return false; }, ms);
}

class RoadPlayerDlgTest : public testing::Test {
protected:
    void SetUp() override {
        Application();
        ASSERT_TRUE(m_dir.isValid());
        qputenv("ROADPLAYER_REGISTRY_DIR", m_dir.filePath("registry").toUtf8());
        qputenv("ROADPLAYER_DATA_DIR", m_dir.filePath("data").toUtf8());
        qputenv("XDG_CACHE_HOME", m_dir.filePath("cache").toUtf8());
        qputenv("ROADPLAYER_AUDIO_DEVICE", "none");
        qputenv("ROADPLAYER_VIRTUAL_DRIVES", "");
        platform::SetScreenSizeOverride(kScreen);
        m_dlg = std::make_unique<CRoadPlayerDlg>(Profile());
        const QByteArray* script = Profile().GetScript(NameKey(QStringLiteral("MAIN")));
        ASSERT_NE(script, nullptr);
        ASSERT_TRUE(m_dlg->LoadSkin(*script));
        ASSERT_TRUE(m_dlg->Create(nullptr));
        QCoreApplication::processEvents();  // the component check
    }

    void TearDown() override {
        platform::SetModalHook({});
        platform::SetSaveFileHandler({});
        platform::SetCopyFileHandler({});
        m_dlg.reset();
        platform::SetScreenSizeOverride({});
        qputenv(platform::kVirtualDrivesVariable, "");
    }

    // A new window; one that opens path, when given, as the command line's recording.
    void RecreateWithRecording(const QString& path) {
        m_dlg.reset();
        m_dlg = std::make_unique<CRoadPlayerDlg>(Profile());
        if (!path.isEmpty()) {
            m_dlg->OpenAtStart(path);
        }
        ASSERT_TRUE(m_dlg->LoadSkin(*Profile().GetScript(NameKey(QStringLiteral("MAIN")))));
        ASSERT_TRUE(m_dlg->Create(nullptr));
        QCoreApplication::processEvents();
    }
    // The card offered as a removable drive, there as the window starts (one that comes later
    // is offered by a notice); the drive selector chooses it and message boxes are counted by
    // title.
    void OfferCard(const QString& card = Card()) {
        ASSERT_FALSE(card.isEmpty());
        qputenv(platform::kVirtualDrivesVariable, (card + "=QOR-SD").toUtf8());
        RecreateWithRecording({});
        AnswerBoxes(card);
    }
    void AnswerBoxes(const QString& card = Card()) {
        platform::SetModalHook([this, card](platform::Dialog& dialog) {
            if (auto* selector = dynamic_cast<CSelDriveDlg*>(&dialog)) {
                QComboBox* drives = selector->DriveList();
                drives->setCurrentIndex(drives->findText(DriveEntryText("QOR-SD", card)));
                selector->DispatchCommand(platform::IDOK);
            } else if (dynamic_cast<CNotifyDlg*>(&dialog) != nullptr) {
                m_messages << dialog.windowTitle();
                dialog.DispatchCommand(platform::IDOK);
            }
        });
    }
    // A command that lists (Open, a tab), with its rows in the list once it returns.
    void ListingCommand(int id) {
        m_dlg->DispatchCommand(id);
        ASSERT_TRUE(m_dlg->WaitForListing());
    }
    platform::ListCtrl* List() const {
        return qobject_cast<platform::ListCtrl*>(Widget(kMainListFileList)->Window());
    }
    // The rows' paths relative to the card.
    QStringList Rows() const {
        QStringList rows;
        for (int i = 0; i < List()->GetItemCount(); ++i) {
            rows << List()->GetItemText(i, 3).mid(Card().size());
        }
        return rows;
    }

    SkWidget* Widget(const char* name) const {
        return m_dlg->Skin()->FindControlWindow(NameKey(QString::fromUtf8(name)));
    }
    bool Checked(const char* name) const {
        return dynamic_cast<SkButton*>(Widget(name))->Checked();
    }
    ModeGeometry FrontMode1() const {
        return *m_dlg->Skin()
                    ->FindControl(NameKey(QString::fromUtf8(kMainVideoFront)))
                    ->control->ModeGeometryOf(1);
    }
    CPlayGraph* Graph() const { return m_dlg->Player().Graph(); }
    int64_t PositionMs() const { return Graph()->GetPositionMs(); }
    void Slider(const char* name, int32_t value) {
        m_dlg->DispatchMessage(kMsgSliderNotice, reinterpret_cast<platform::WParam>(Widget(name)),
                               value);
    }
    // A time-slider seek, once the previous one's guard has passed.
    void SeekMs(int32_t ms) {
        ASSERT_TRUE(WaitUntil([&] { return !m_dlg->Session().SeekPending(); }));
        Slider(kMainSliderTime, ms);
    }
    void Play(const QString& clip = Clip()) {
        ASSERT_FALSE(clip.isEmpty());
        ASSERT_TRUE(m_dlg->PlayRecording(clip));
        ASSERT_EQ(Graph()->State(), GraphState::Running);
    }
    SkWebBrowser* Map() const { return dynamic_cast<SkWebBrowser*>(Widget(kMainWebMap)); }
    // Runs script in the map page and waits for its value.
    QString MapEvaluate(const QString& script) {
        QString result;
        bool done = false;
        Map()->View()->page()->runJavaScript(script, [&](const QVariant& v) {
            result = v.toString();
            done = true;
        });
        WaitUntil([&] { return done; }, 10000);
        return result;
    }

    // A key as the keyboard delivers it: through the application to the window's own loop.
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(m_dlg.get(), &press);
    }
    int32_t SliderValue(const char* name) const {
        return dynamic_cast<SkSlider*>(Widget(name))->Value();
    }
    QString Text(const char* name) const { return platform::GetWindowText(Widget(name)->Window()); }

    QTemporaryDir m_dir;
    std::unique_ptr<CRoadPlayerDlg> m_dlg;
    QStringList m_messages;
};

TEST_F(RoadPlayerDlgTest, StartsInTheNormalLayoutWithTheRealSizeFrontView) {
    EXPECT_EQ(m_dlg->BackgroundMode(), 0);
    EXPECT_TRUE(m_dlg->DragEnabled());
    EXPECT_EQ(m_dlg->ControlState()->CurrentMode(), ControlMode::NoCard);
    EXPECT_EQ(FrontMode1().rect, RealSizeVideoRect(kScreen));
    EXPECT_EQ(FrontMode1().anchorFlags, 1u);
    EXPECT_TRUE(Widget(kMainListFileList)->Window()->isHidden());
    EXPECT_FALSE(Widget(kMainButtonPlay)->Window()->isEnabled());
    // The skin's hints, with the keys that act as the button does.
    EXPECT_EQ(Widget(kMainButtonPlay)->Window()->toolTip(), "Play / pause (Space)");
    EXPECT_EQ(Widget(kMainButtonMax)->Window()->toolTip(), "Enlarge the video to the screen (F)");
    EXPECT_EQ(Widget(kMainButtonOpen)->Window()->toolTip(), "Open the camera card");
}

TEST_F(RoadPlayerDlgTest, MaximiseAndNormalSwitchBackgroundModeAndDragging) {
    m_dlg->DispatchCommand(kIdcMax);
    EXPECT_EQ(m_dlg->BackgroundMode(), 1);
    EXPECT_FALSE(m_dlg->DragEnabled());
    EXPECT_TRUE(m_dlg->IsZoomed());
    EXPECT_EQ(m_dlg->ControlState()->WindowMode(), 1);
    EXPECT_EQ(FrontMode1().rect, MaximisedVideoRect(kScreen));

    m_dlg->DispatchCommand(kIdcNor);
    EXPECT_EQ(m_dlg->BackgroundMode(), 0);
    EXPECT_TRUE(m_dlg->DragEnabled());
    EXPECT_FALSE(m_dlg->IsZoomed());
    EXPECT_EQ(m_dlg->ControlState()->WindowMode(), 0);

    m_dlg->DispatchCommand(kIdcReal);
    EXPECT_EQ(m_dlg->BackgroundMode(), 1);
    EXPECT_EQ(FrontMode1().rect, RealSizeVideoRect(kScreen));
}

TEST_F(RoadPlayerDlgTest, QuitAsksFirstAndCancelKeepsPlaying) {
    Play();
    int asked = 0;
    int answer = kIdcNotifySelCancel;
    platform::SetModalHook([&](platform::Dialog& box) {
        ++asked;
        auto* notify = dynamic_cast<CNotifyDlg*>(&box);
        ASSERT_NE(notify, nullptr);
        WindowSkin* skin = notify->Skin();
        auto shown = [&](const char* name) {
            return !skin->FindControlWindow(NameKey(QString::fromUtf8(name)))->Window()->isHidden();
        };
        EXPECT_TRUE(shown(kNotifyButtonSelOk));
        EXPECT_TRUE(shown(kNotifyButtonSelCancel));
        EXPECT_FALSE(shown(kNotifyButtonOk));
        EXPECT_EQ(
            platform::GetWindowText(
                skin->FindControlWindow(NameKey(QString::fromUtf8(kNotifyTextTitle)))->Window()),
            Profile().GetMessage(NameKey(QStringLiteral("question-want-quit")))->title);
        box.DispatchCommand(answer);
    });
    m_dlg->DispatchCommand(kIdcExit);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(m_dlg->isVisible());
    ASSERT_NE(Graph(), nullptr);
    EXPECT_EQ(Graph()->State(), GraphState::Running);
    EXPECT_TRUE(m_dlg->IsTimerActive(kPlaybackTimerId));

    answer = kIdcNotifySelOk;
    m_dlg->DispatchCommand(kIdcExit);
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_EQ(Graph(), nullptr);
    EXPECT_FALSE(m_dlg->IsTimerActive(kPlaybackTimerId));
}

TEST_F(RoadPlayerDlgTest, PauseAndResumeKeepPositionAndRate) {
    Play();
    EXPECT_TRUE(Checked(kMainButtonPlay));
    EXPECT_EQ(m_dlg->ControlState()->CurrentMode(), ControlMode::Opened);
    Wait(400);
    Slider(kMainSliderSpeed, 7);
    EXPECT_FLOAT_EQ(Graph()->Rate(), 1.5f);

    m_dlg->DispatchCommand(kIdcPlay);
    EXPECT_EQ(Graph()->State(), GraphState::Paused);
    EXPECT_FALSE(Checked(kMainButtonPlay));
    EXPECT_TRUE(m_dlg->PausedByUser());
    const int64_t paused = PositionMs();
    Slider(kMainSliderSpeed, 2);  // ignored while paused
    Wait(300);
    EXPECT_EQ(PositionMs(), paused);
    EXPECT_FLOAT_EQ(Graph()->Rate(), 1.5f);

    m_dlg->DispatchCommand(kIdcPlay);
    EXPECT_EQ(Graph()->State(), GraphState::Running);
    EXPECT_TRUE(Checked(kMainButtonPlay));
    EXPECT_FALSE(m_dlg->PausedByUser());
    EXPECT_FLOAT_EQ(Graph()->Rate(), 1.5f);
    EXPECT_GE(PositionMs(), paused);
    EXPECT_LT(PositionMs(), paused + 300);

    Slider(kMainSliderSpeed, 2);  // 0.4 is raised to half speed
    EXPECT_FLOAT_EQ(Graph()->Rate(), 0.5f);
}

TEST_F(RoadPlayerDlgTest, RewindStopsAtTheStartAndFrameStepPauses) {
    Play();
    m_dlg->DispatchCommand(kIdcPlay);
    SeekMs(500);
    EXPECT_EQ(PositionMs(), 500);
    m_dlg->DispatchCommand(kIdcRew);
    EXPECT_EQ(PositionMs(), 0);

    m_dlg->DispatchCommand(kIdcPlay);
    ASSERT_EQ(Graph()->State(), GraphState::Running);
    m_dlg->DispatchCommand(kIdcFps);
    EXPECT_EQ(Graph()->State(), GraphState::Paused);
    EXPECT_FALSE(Checked(kMainButtonPlay));
    EXPECT_FALSE(m_dlg->PausedByUser());
}

TEST_F(RoadPlayerDlgTest, FastForwardInTheLastSecondEndsAtTheNextTick) {
    auto* list = qobject_cast<platform::ListCtrl*>(Widget(kMainListFileList)->Window());
    ASSERT_NE(list, nullptr);
    const int row = list->InsertItem(0, QStringLiteral("0"));
    list->SetItemText(row, 3, Clip());
    Play();
    const auto duration = static_cast<int32_t>(m_dlg->Player().GetDurationMs());
    SeekMs(duration - 500);
    m_dlg->DispatchCommand(kIdcFf);
    EXPECT_EQ(PositionMs(), duration);
    // With one row the end opens it again from the start.
    ASSERT_TRUE(WaitUntil([&] { return m_dlg->CurrentRow() == 0; }));
    ASSERT_NE(Graph(), nullptr);
    EXPECT_EQ(Graph()->State(), GraphState::Running);
    EXPECT_LT(PositionMs(), 1000);
    EXPECT_TRUE(m_dlg->IsTimerActive(kPlaybackTimerId));
}

TEST_F(RoadPlayerDlgTest, StopClosesTheRecording) {
    Play();
    m_dlg->DispatchCommand(kIdcStop);
    EXPECT_EQ(Graph(), nullptr);
    EXPECT_EQ(m_dlg->CurrentRow(), -1);
    EXPECT_FALSE(m_dlg->IsTimerActive(kPlaybackTimerId));
    EXPECT_EQ(m_dlg->ControlState()->CurrentOpenState(), OpenState::Closed);
    EXPECT_EQ(platform::GetWindowText(Widget(kMainTextFile)->Window()), "");
}

TEST_F(RoadPlayerDlgTest, OpenListsTheNormalCategoryWhicheverTabWasChosen) {
    OfferCard();
    ListingCommand(kIdcOpen);
    EXPECT_EQ(m_dlg->CardRoot(), Card());
    const QStringList normal = Rows();
    ASSERT_EQ(normal.size(), 2);
    EXPECT_TRUE(normal[0].startsWith("NORMAL/"));
    EXPECT_EQ(m_dlg->ControlState()->CurrentMode(), ControlMode::Listed);

    ListingCommand(kIdcTabEvent);
    ASSERT_EQ(Rows().size(), 2);
    EXPECT_TRUE(Rows()[0].startsWith("EVENT/"));
    // The chosen tab again does not reload: rows written meanwhile stay.
    List()->InsertItem(2, QStringLiteral("kept"));
    ListingCommand(kIdcTabEvent);
    EXPECT_EQ(List()->GetItemCount(), 3);

    ListingCommand(kIdcOpen);
    EXPECT_EQ(Rows(), normal);
    EXPECT_EQ(m_dlg->ControlState()->SelectedTab(), ControlEvent::TabNormal);
    EXPECT_TRUE(Checked(kMainButtonTabNormal));
    EXPECT_FALSE(Checked(kMainButtonTabEvent));
    EXPECT_TRUE(m_messages.isEmpty());
}

// Names are the file system's bytes: one that is no UTF-8 plays, and one with a line break
// shows as one line in the file label.
TEST_F(RoadPlayerDlgTest, OddlyNamedRecordingsPlay) {
    ASSERT_FALSE(PlainClip().isEmpty());
    for (const QByteArray& name :
         {QByteArray("NOR_\xff\xfe_F.mp4"), QByteArray("NOR_a\nb_F.mp4")}) {
        const QByteArray bytes = QFile::encodeName(m_dir.path()) + '/' + name;
        ASSERT_EQ(::link(QFile::encodeName(PlainClip()).constData(), bytes.constData()), 0);
        const QString path = platform::DecodePath(bytes);
        ASSERT_TRUE(m_dlg->PlayRecording(path)) << name.constData();
        EXPECT_EQ(Graph()->State(), GraphState::Running);
        EXPECT_FALSE(Text(kMainTextFile).contains(u'\n'));
        m_dlg->DispatchCommand(kIdcStop);
        ::unlink(bytes.constData());  // the toolkit's removal of the folder cannot name it
    }
}

// A capture that cannot be written says why (here: its folder went while the dialog was open),
// writes no picture, and playback goes on.
TEST_F(RoadPlayerDlgTest, CaptureThatCannotBeWrittenSaysSo) {
    OfferCard();
    Play();
    ASSERT_TRUE(WaitUntil([&] {
        QImage front;
        return Graph()->GetCurrentImage(0, &front) != 0;
    }));
    const QString gone = m_dir.filePath("gone");
    platform::SetSaveFileHandler(
        [&](const platform::SaveFileRequest&) { return std::optional<QString>(gone + "/a.jpg"); });
    m_dlg->DispatchCommand(kIdcCapture);
    EXPECT_EQ(m_messages, QStringList{"Snapshot not saved"});
    EXPECT_FALSE(QFileInfo::exists(gone));
    EXPECT_EQ(Graph()->State(), GraphState::Running);
}

TEST_F(RoadPlayerDlgTest, SaveCopiesTheOpenRecordingAndResumesOnlyWhatItPaused) {
    OfferCard();
    ListingCommand(kIdcOpen);
    m_dlg->DispatchNotify(kIdcFileList, platform::NM_DBLCLK, 1);
    const QString open = Card() + Rows()[1];
    ASSERT_NE(Graph(), nullptr);
    EXPECT_EQ(m_dlg->CurrentPath(), open);
    // A double click beside the rows keeps what is open.
    m_dlg->DispatchNotify(kIdcFileList, platform::NM_DBLCLK, -1);
    EXPECT_EQ(m_dlg->CurrentPath(), open);
    EXPECT_EQ(m_dlg->CurrentRow(), 1);

    // The list shows another category by now; Save still copies the recording that plays.
    ListingCommand(kIdcTabEvent);
    GraphState stateInDialog = GraphState::NotBuilt;
    platform::SaveFileRequest asked;
    platform::SetSaveFileHandler([&](const platform::SaveFileRequest& request) {
        asked = request;
        stateInDialog = Graph()->State();
        return std::optional<QString>(m_dir.filePath("copy.mp4"));
    });
    QStringList copied;
    platform::SetCopyFileHandler([&](const platform::CopyRequest& request) {
        copied << request.source << request.target;
        return platform::CopyResult::Cancelled;
    });
    m_dlg->DispatchCommand(kIdcSave);
    EXPECT_TRUE(asked.initialPath.endsWith('/' + QFileInfo(open).fileName()));
    EXPECT_EQ(asked.filter, "video(*.mp4)|*.mp4||");
    EXPECT_EQ(stateInDialog, GraphState::Paused);
    EXPECT_EQ(copied, (QStringList{open, m_dir.filePath("copy.mp4")}));
    EXPECT_EQ(m_messages, QStringList{"Copy failed"});
    EXPECT_EQ(Graph()->State(), GraphState::Running);
    EXPECT_TRUE(Checked(kMainButtonPlay));

    // Paused by the user, it stays paused.
    m_dlg->DispatchCommand(kIdcPlay);
    // A copy made says what was written where, in the file name's place for a while.
    platform::SetCopyFileHandler({});
    m_dlg->DispatchCommand(kIdcSave);
    EXPECT_EQ(Text(kMainTextFile), "Saved copy.mp4 in " + m_dir.path());
    EXPECT_TRUE(QFile::exists(m_dir.filePath("copy.mp4")));
    EXPECT_TRUE(WaitUntil([&] { return Text(kMainTextFile) == QFileInfo(open).fileName(); },
                          CRoadPlayerDlg::kNoteMs + 2000));
    platform::SetSaveFileHandler([](const platform::SaveFileRequest&) { return std::nullopt; });
    m_dlg->DispatchCommand(kIdcSave);
    EXPECT_EQ(Graph()->State(), GraphState::Paused);
    EXPECT_EQ(copied.size(), 2);

    m_dlg->DispatchCommand(kIdcStop);
    m_dlg->DispatchCommand(kIdcSave);
    EXPECT_EQ(m_messages, (QStringList{"Copy failed", "No recording open"}));
}

TEST_F(RoadPlayerDlgTest, ARecordingStartedOnTheCardPlaysAsARowOfItsCategory) {
    OfferCard();
    const QString recording = [] {
        QStringList names = QDir(Card() + "EVENT").entryList(QDir::Files, QDir::Name);
        return names.isEmpty() ? QString() : Card() + "EVENT/" + names.last();
    }();
    ASSERT_FALSE(recording.isEmpty());
    RecreateWithRecording(recording);
    // The category is listed off the window's thread first; then the row opens.
    ASSERT_TRUE(
        WaitUntil([&] { return Graph() != nullptr && Graph()->State() == GraphState::Running; }));
    EXPECT_EQ(m_dlg->CardRoot(), Card());
    EXPECT_EQ(m_dlg->ControlState()->SelectedTab(), ControlEvent::TabEvent);
    EXPECT_TRUE(Checked(kMainButtonTabEvent));
    EXPECT_EQ(m_dlg->CurrentRow(), 1);
    EXPECT_EQ(Card() + Rows()[1], recording);
    EXPECT_EQ(List()->GetNextItem(-1, platform::LVIS_SELECTED), 1);
    EXPECT_EQ(Graph()->State(), GraphState::Running);
    const auto* rows = dynamic_cast<SkListCtrl*>(Widget(kMainListFileList));
    EXPECT_EQ(rows->MarkedText(), recording) << "the playing row has its own look";

    // Return on a row the user chose plays it, as a double click does.
    List()->setFocus();
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, List()->GetItemRect(0).center());
    Key(Qt::Key_Return);
    EXPECT_EQ(m_dlg->CurrentRow(), 0);
    EXPECT_EQ(rows->MarkedText(), Card() + Rows()[0]);
    m_dlg->DispatchCommand(kIdcNext);
    ASSERT_EQ(m_dlg->CurrentRow(), 1);

    // Next goes on through the card's list, and past its end closes.
    m_dlg->DispatchCommand(kIdcNext);
    EXPECT_EQ(m_dlg->CurrentRow(), -1);
    EXPECT_EQ(Graph(), nullptr);
    EXPECT_TRUE(rows->MarkedText().isEmpty());
}

// The next row is cued before the end of the one that plays and takes over there: the front
// view goes from the last picture of one recording straight to the first of the next, never
// blank, and the next row is open as if the end had opened it. A row whose recording cannot be
// cued is opened at the end as before: refused, and nothing stays open.
TEST_F(RoadPlayerDlgTest, TheNextRowCuedBeforeTheEndTakesOverWithoutABlankView) {
    OfferCard(TripCard());
    ListingCommand(kIdcOpen);
    ASSERT_EQ(List()->GetItemCount(), 3);
    const QString second = List()->GetItemText(1, 3);
    List()->SetItemText(2, 3, m_dir.filePath("missing.mp4"));
    m_dlg->DispatchNotify(kIdcFileList, platform::NM_DBLCLK, 0);
    ASSERT_NE(Graph(), nullptr);
    QWidget* front = Widget(kMainVideoFront)->Window();
    const auto shownCode = [&] { return DecodeFrameCode(front->grab().toImage()); };
    ASSERT_TRUE(WaitUntil([&] { return shownCode() >= 0; }));
    ASSERT_TRUE(WaitUntil([&] { return m_dlg->Player().Prerolled() != nullptr; }));
    const CPlayGraph* cued = m_dlg->Player().Prerolled();
    EXPECT_EQ(cued->Path(), second);
    EXPECT_EQ(m_dlg->CurrentRow(), 0);

    std::vector<int> shown;  // the front view's pictures, each once, until the second plays
    ASSERT_TRUE(WaitUntil(
        [&] {
            if (const int code = shownCode(); shown.empty() || shown.back() != code) {
                shown.push_back(code);
            }
            return m_dlg->CurrentRow() == 1 && shown.back() > 1;
        },
        5000));
    EXPECT_EQ(std::count(shown.begin(), shown.end(), -1), 0) << "a blank view";
    const auto next = std::adjacent_find(shown.begin(), shown.end(), std::greater<>());
    ASSERT_NE(next, shown.end());
    EXPECT_GE(*next, 18);  // the last pictures of two seconds at 10 a second
    EXPECT_EQ(*std::next(next), 0);
    EXPECT_EQ(Graph(), cued);
    EXPECT_EQ(Graph()->State(), GraphState::Running);
    EXPECT_EQ(m_dlg->CurrentPath(), second);
    EXPECT_EQ(List()->GetNextItem(-1, platform::LVIS_SELECTED), 1);
    EXPECT_EQ(Text(kMainTextFile), QFileInfo(second).fileName());
    EXPECT_TRUE(m_dlg->IsTimerActive(kPlaybackTimerId));
    EXPECT_TRUE(m_messages.isEmpty());

    ASSERT_TRUE(WaitUntil([&] { return m_dlg->CurrentRow() != 1; }, 5000));
    EXPECT_EQ(m_dlg->CurrentRow(), -1);
    EXPECT_EQ(Graph(), nullptr);
    EXPECT_EQ(m_messages, QStringList{"Cannot play this recording"});
}

// What the user does while the next row is cued acts on the recording shown: a pause holds the
// end back, a seek back keeps the cued one for the new end, a new rate plays on with it, a pause
// between the end and the tick pauses the one that took over; stop and the card's removal
// close both and nothing opens after.
TEST_F(RoadPlayerDlgTest, WhatTheUserDoesWhileTheNextRowIsCuedActsOnWhatIsShown) {
    OfferCard(TripCard());
    ListingCommand(kIdcOpen);
    ASSERT_EQ(List()->GetItemCount(), 3);
    const auto cuedPlays = [&] { return m_dlg->Player().PrerollStarted(); };
    const struct {
        const char* what;
        std::function<void()> act;  // row 0 plays, row 1 is cued
        int32_t row;                // open once the end has passed; -1: none
        GraphState state;
        float rate;
    } cases[] = {
        {"pause past the end, then play",
         [&] {
             m_dlg->DispatchCommand(kIdcPlay);
             Wait(2500);
             EXPECT_EQ(m_dlg->CurrentRow(), 0);
             EXPECT_FALSE(cuedPlays());
             m_dlg->DispatchCommand(kIdcPlay);
         },
         1, GraphState::Running, 1.0f},
        {"seek back",
         [&] {
             ASSERT_TRUE(WaitUntil([&] { return PositionMs() > 1200; }));
             SeekMs(200);
             Wait(1000);  // past the end without the seek
             EXPECT_EQ(m_dlg->CurrentRow(), 0);
         },
         1, GraphState::Running, 1.0f},
        {"a new rate", [&] { Slider(kMainSliderSpeed, 7); }, 1, GraphState::Running, 1.5f},
        {"pause between the end and the tick",
         [&] {
             m_dlg->KillTimer(kPlaybackTimerId);
             ASSERT_TRUE(WaitUntil(cuedPlays));
             EXPECT_EQ(m_dlg->CurrentRow(), 0);
             m_dlg->DispatchCommand(kIdcPlay);
         },
         1, GraphState::Paused, 1.0f},
        {"stop", [&] { m_dlg->DispatchCommand(kIdcStop); }, -1, GraphState::NotBuilt, 0},
        {"card removed",
         [&] {
             const QString root = TripCard();
             m_dlg->DispatchMessage(kMsgDriveNotice, reinterpret_cast<platform::WParam>(&root),
                                    platform::kDriveRemovedCode);
         },
         -1, GraphState::NotBuilt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_dlg->DispatchNotify(kIdcFileList, platform::NM_DBLCLK, 0);
        ASSERT_NE(Graph(), nullptr);
        ASSERT_TRUE(WaitUntil([&] { return m_dlg->Player().Prerolled() != nullptr; }));
        const CPlayGraph* cued = m_dlg->Player().Prerolled();
        c.act();
        if (c.row < 0) {
            EXPECT_EQ(Graph(), nullptr);
            EXPECT_EQ(m_dlg->Player().Prerolled(), nullptr);
            Wait(500);
            EXPECT_EQ(Graph(), nullptr);
            EXPECT_EQ(m_dlg->CurrentRow(), -1);
            continue;
        }
        ASSERT_TRUE(WaitUntil([&] { return m_dlg->CurrentRow() == c.row; }, 4000));
        EXPECT_EQ(Graph(), cued);
        EXPECT_EQ(Graph()->State(), c.state);
        EXPECT_FLOAT_EQ(Graph()->Rate(), c.rate);
        EXPECT_EQ(m_dlg->PausedByUser(), c.state == GraphState::Paused);
        EXPECT_LT(PositionMs(), 1000);
    }
    EXPECT_EQ(m_messages, QStringList{"Card removed"});
}

TEST_F(RoadPlayerDlgTest, EnlargedFrontViewFitsTheScreen) {
    struct Case {
        QSize screen;
        QRect realSize;
        QRect maximised;
    };
    const Case cases[] = {
        {{1920, 1080}, {320, 157, 1280, 720}, {128, 49, 1664, 936}},
        {{1366, 768}, {128, 49, 1109, 624}, {128, 49, 1109, 624}},
        {{1024, 600}, {107, 49, 810, 456}, {107, 49, 810, 456}},
    };
    Play();
    for (const Case& c : cases) {
        platform::SetScreenSizeOverride(c.screen);
        const QWidget* front = Widget(kMainVideoFront)->Window();
        m_dlg->DispatchCommand(kIdcReal);
        EXPECT_TRUE(front->isVisible());
        EXPECT_EQ(front->geometry(), c.realSize) << c.screen.width();
        m_dlg->DispatchCommand(kIdcNor);
        m_dlg->DispatchCommand(kIdcMax);
        EXPECT_EQ(front->geometry(), c.maximised) << c.screen.width();
        m_dlg->DispatchCommand(kIdcNor);
    }
}

TEST_F(RoadPlayerDlgTest, GSensorWindowShowsOnlyRecordingsWithReadings) {
    Play(PlainClip());
    m_dlg->DispatchCommand(kIdcGSensor);
    auto* gsensor = m_dlg->findChild<CGSensorDlg*>();
    ASSERT_NE(gsensor, nullptr);  // made at the first press, shown only with readings
    EXPECT_FALSE(gsensor->isVisible());

    Play();
    m_dlg->DispatchCommand(kIdcGSensor);
    EXPECT_EQ(m_dlg->findChildren<CGSensorDlg*>().size(), 1);
    EXPECT_TRUE(gsensor->isVisible());
    const int32_t shownAt = gsensor->Graph()->Position();
    EXPECT_TRUE(WaitUntil([&] { return gsensor->Graph()->Position() >= shownAt + 300; }));
    // A click on the curve plays from the time under it.
    const GraphBand band = gsensor->Graph()->Band();
    const QPoint at(band.startPos + (band.endPos - band.startPos) / 60, band.top + band.height / 2);
    const std::optional<int32_t> clicked = gsensor->Graph()->TimeAt(at);
    ASSERT_TRUE(clicked.has_value());
    EXPECT_NEAR(*clicked, 1000, 100);
    ASSERT_TRUE(WaitUntil([&] { return !m_dlg->Session().SeekPending(); }));
    QTest::mouseClick(gsensor->Graph()->Window(), Qt::LeftButton, {}, at);
    EXPECT_EQ(PositionMs(), *clicked);

    Play(PlainClip());
    EXPECT_FALSE(gsensor->isVisible());
    Play();
    m_dlg->DispatchCommand(kIdcGSensor);
    EXPECT_TRUE(gsensor->isVisible());
    m_dlg->DispatchCommand(kIdcStop);
    EXPECT_FALSE(gsensor->isVisible());
}

TEST_F(RoadPlayerDlgTest, MapFollowsPlaybackAndItsRouteSeeks) {
    ASSERT_NE(Map(), nullptr);
    // The browser engine starts only when the map is first shown in an area.
    Play();
    ASSERT_GT(Map()->Route().size(), 2u);
    ASSERT_TRUE(WaitUntil([&] { return PositionMs() > 300; }));
    EXPECT_FALSE(Map()->PageLoaded());
    EXPECT_EQ(Map()->View(), nullptr);
    m_dlg->DispatchCommand(kIdcRinm);
    ASSERT_TRUE(WaitUntil([&] { return Map()->PageReady(); }, 60000));
    EXPECT_FALSE(Map()->TilesEnabled());
    // The page gets the route and the position at once, and the tick keeps it moving.
    EXPECT_TRUE(WaitUntil(
        [&] {
            const QString shown = MapEvaluate("document.getElementById('position').textContent");
            return !shown.isEmpty() && shown[0].isDigit();
        },
        10000));

    m_dlg->DispatchCommand(kIdcPlay);
    const qint32 target = Map()->Route()[2].timeMs;
    ASSERT_TRUE(WaitUntil([&] { return !m_dlg->Session().SeekPending(); }));
    emit Map()->RouteClicked(target);
    EXPECT_EQ(PositionMs(), target);
}

// Every key with nothing open: only the layout key acts; once the card is listed, Space plays
// the first row as the play button does.
TEST_F(RoadPlayerDlgTest, KeysWithNothingOpenOnlyChangeTheLayout) {
    OfferCard();
    const int32_t volume = SliderValue(kMainSliderVolume);
    for (const int key : {Qt::Key_Space, Qt::Key_Left, Qt::Key_Right, Qt::Key_Comma, Qt::Key_Period,
                          Qt::Key_Up, Qt::Key_Down, Qt::Key_Plus, Qt::Key_Minus, Qt::Key_PageUp,
                          Qt::Key_PageDown, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        Key(key);
    }
    ASSERT_NE(Graph(), nullptr);
    EXPECT_EQ(Graph()->State(), GraphState::NotBuilt);
    EXPECT_EQ(m_dlg->ControlState()->CurrentMode(), ControlMode::NoCard);
    EXPECT_EQ(SliderValue(kMainSliderVolume), volume);
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(',').toStdString();
    Key(Qt::Key_F);
    EXPECT_EQ(m_dlg->BackgroundMode(), 1);
    Key(Qt::Key_F);
    EXPECT_EQ(m_dlg->BackgroundMode(), 0);

    ListingCommand(kIdcOpen);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Graph()->State(), GraphState::NotBuilt);
    Key(Qt::Key_Space);
    EXPECT_EQ(m_dlg->CurrentRow(), 0);
    ASSERT_NE(Graph(), nullptr);
    EXPECT_EQ(Graph()->State(), GraphState::Running);
}

// The mean luminance of a picture, 0..255.
double MeanLuminance(const QImage& picture) {
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    double sum = 0;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x) {
            sum += row[x];
        }
    }
    return grey.isNull() ? 0 : sum / (double(grey.width()) * grey.height());
}

// A click on the volume slider sets the sound's level at once; mute silences it and gives the
// level back, which the next recording and a new window keep; the brightness slider changes
// the still picture.
TEST_F(RoadPlayerDlgTest, VolumeMuteAndBrightnessActOnWhatPlays) {
    OfferCard();
    ListingCommand(kIdcOpen);
    m_dlg->DispatchNotify(kIdcFileList, platform::NM_DBLCLK, 0);
    ASSERT_NE(Graph(), nullptr);
    Key(Qt::Key_Space);
    ASSERT_EQ(Graph()->State(), GraphState::Paused);

    auto* volume = dynamic_cast<SkSlider*>(Widget(kMainSliderVolume));
    ASSERT_NE(volume, nullptr);
    ASSERT_TRUE(volume->Window()->isEnabled());
    // At a fifth of the track (the nearest a pixel gets to 20 on a short slider).
    const SkinRect track = volume->TrackRect();
    QTest::mouseClick(volume->Window(), Qt::LeftButton, {},
                      QPoint(track.x + (track.w + 2) / 5, volume->Window()->height() / 2));
    const int32_t level = SliderValue(kMainSliderVolume);
    EXPECT_NEAR(level, 20, 2);
    const uint32_t fifth = CControlState::WaveVolumeForPosition(level);
    EXPECT_TRUE(WaitUntil([&] { return platform::GetWaveOutVolume() == fifth; }));
    QTest::mouseClick(Widget(kMainButtonVolume)->Window(), Qt::LeftButton);
    EXPECT_EQ(platform::GetWaveOutVolume(), 0U);
    EXPECT_TRUE(Checked(kMainButtonVolume));
    EXPECT_EQ(SliderValue(kMainSliderVolume), level);
    Key(Qt::Key_M);
    EXPECT_EQ(platform::GetWaveOutVolume(), fifth);
    EXPECT_FALSE(Checked(kMainButtonVolume));
    m_dlg->DispatchCommand(kIdcNext);
    ASSERT_EQ(m_dlg->CurrentRow(), 1);
    EXPECT_EQ(platform::GetWaveOutVolume(), fifth) << "an opening keeps the user's level";
    EXPECT_EQ(CControlState().UserVolume(), level) << "kept for the next start";

    Key(Qt::Key_Space);
    ASSERT_EQ(Graph()->State(), GraphState::Paused);
    QWidget* front = Widget(kMainVideoFront)->Window();
    const auto luminance = [&] { return MeanLuminance(front->grab().toImage()); };
    ASSERT_TRUE(WaitUntil([&] { return luminance() > 5; }));
    const double normal = luminance();
    Slider(kMainSliderBright, 90);
    EXPECT_TRUE(WaitUntil([&] { return luminance() > normal + 20; }))
        << normal << " -> " << luminance();
    Slider(kMainSliderBright, 10);
    EXPECT_TRUE(WaitUntil([&] { return luminance() < normal - 20; }))
        << normal << " -> " << luminance();
}

// The transport keys on an open recording of a listed card, at and past its ends.
TEST_F(RoadPlayerDlgTest, KeysDriveTheOpenRecordingWithinItsEnds) {
    OfferCard();
    ListingCommand(kIdcOpen);
    m_dlg->DispatchNotify(kIdcFileList, platform::NM_DBLCLK, 0);
    ASSERT_NE(Graph(), nullptr);
    Key(Qt::Key_Space);
    EXPECT_EQ(Graph()->State(), GraphState::Paused);
    EXPECT_TRUE(m_dlg->PausedByUser());

    SeekMs(2000);
    Key(Qt::Key_Left);  // 5 s back from 2 s stops at the start
    EXPECT_EQ(PositionMs(), 0);
    Key(Qt::Key_Comma);  // nothing before the first frame
    EXPECT_EQ(PositionMs(), 0);
    SeekMs(1000);
    Key(Qt::Key_Comma);  // the frame before the one at 1 s (15 frames a second)
    EXPECT_LT(PositionMs(), 1000);
    EXPECT_GE(PositionMs(), 1000 - 67);
    Key(Qt::Key_Period);
    EXPECT_EQ(Graph()->State(), GraphState::Paused);

    // Speed keys act only while playing, as the speed slider does.
    Key(Qt::Key_Plus);
    EXPECT_EQ(SliderValue(kMainSliderSpeed), 5);
    Key(Qt::Key_Space);
    ASSERT_EQ(Graph()->State(), GraphState::Running);
    Key(Qt::Key_Plus, Qt::ShiftModifier);
    EXPECT_FLOAT_EQ(Graph()->Rate(), 1.25f);
    Key(Qt::Key_Minus);
    Key(Qt::Key_Minus);
    EXPECT_EQ(SliderValue(kMainSliderSpeed), 4);
    EXPECT_FLOAT_EQ(Graph()->Rate(), 0.8f);
    Key(Qt::Key_Right, Qt::ControlModifier);  // not one of the window's keys
    EXPECT_LT(PositionMs(), 2500);
    const int64_t before = PositionMs();
    Key(Qt::Key_Period);  // frame steps only while paused
    EXPECT_EQ(Graph()->State(), GraphState::Running);
    EXPECT_GE(PositionMs(), before);

    // Volume in steps of 5, held to the slider's range; at 0 the button shows muted.
    for (int i = 0; i < 12; ++i) {
        Key(Qt::Key_Up);
    }
    EXPECT_EQ(SliderValue(kMainSliderVolume), 100);
    EXPECT_EQ(platform::GetWaveOutVolume(), 0xFFFFFFFFu);
    for (int i = 0; i < 21; ++i) {
        Key(Qt::Key_Down);
    }
    EXPECT_EQ(SliderValue(kMainSliderVolume), 0);
    EXPECT_EQ(platform::GetWaveOutVolume(), 0u);
    EXPECT_TRUE(Checked(kMainButtonVolume));

    Key(Qt::Key_F);
    EXPECT_EQ(m_dlg->ControlState()->WindowMode(), 1);
    Key(Qt::Key_F);
    EXPECT_EQ(m_dlg->ControlState()->WindowMode(), 0);

    // Past the end the next tick opens the next row; Page Up and Down move along the rows,
    // and past the last one the recording closes as Next does.
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    EXPECT_TRUE(WaitUntil([&] { return m_dlg->CurrentRow() == 1; }));
    Key(Qt::Key_PageUp);
    EXPECT_EQ(m_dlg->CurrentRow(), 0);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(m_dlg->CurrentRow(), 1);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(m_dlg->CurrentRow(), -1);
    EXPECT_EQ(Graph(), nullptr);
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(',').toStdString();
}

// The readout follows the fix at the position, and the track button writes the fixes as GPX
// with the recording's marks as waypoints; a recording without GPS gives a message and no file.
TEST_F(RoadPlayerDlgTest, ReadoutAndTrackFollowTheRecordingsGps) {
    OfferCard();
    int asked = 0;
    QString answer = m_dir.filePath("track");
    platform::SetSaveFileHandler([&](const platform::SaveFileRequest& request) {
        ++asked;
        EXPECT_TRUE(request.initialPath.endsWith(".gpx")) << request.initialPath.toStdString();
        return std::optional<QString>(answer);
    });
    Play(PlainClip());
    m_dlg->DispatchCommand(kIdcTrack);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(m_messages, QStringList{"No GPS track"});
    EXPECT_FALSE(QFile::exists(answer + ".gpx"));
    EXPECT_TRUE(WaitUntil([&] { return Text(kMainTextGps) == "--"; }));

    Play();
    m_dlg->DispatchCommand(kIdcPlay);
    // Paused, the tick keeps the readout on the fix last received at the position.
    const auto shows = [&](const QString& expected) {
        return WaitUntil([&] { return Text(kMainTextGps) == expected; });
    };
    const QString atStart = GpsReadoutText(m_dlg->Telemetry().FindGPSAtOrBefore(PositionMs()));
    EXPECT_TRUE(atStart.contains(" km/h  20")) << atStart.toStdString();
    EXPECT_TRUE(shows(atStart)) << Text(kMainTextGps).toStdString();
    const auto nearEnd = static_cast<uint32_t>(m_dlg->Player().GetDurationMs()) - 200;
    SeekMs(static_cast<int32_t>(nearEnd));
    const QString atEnd = GpsReadoutText(m_dlg->Telemetry().FindGPSAtOrBefore(nearEnd));
    EXPECT_NE(atEnd, atStart);
    EXPECT_TRUE(shows(atEnd)) << Text(kMainTextGps).toStdString();

    ASSERT_TRUE(CBookmarkStore().Add(*RecordingKey::OfFile(m_dlg->CurrentPath()), 1000, "here"));
    m_dlg->DispatchCommand(kIdcTrack);
    EXPECT_EQ(asked, 1);
    QFile gpx(answer + ".gpx");
    ASSERT_TRUE(gpx.open(QIODevice::ReadOnly));
    const QByteArray bytes = gpx.readAll();
    EXPECT_EQ(bytes.count("<wpt "), 1);
    EXPECT_TRUE(bytes.contains("<name>here</name>"));
    QXmlStreamReader xml(bytes);
    size_t points = 0;
    while (!xml.atEnd()) {
        points += xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"trkpt";
    }
    EXPECT_FALSE(xml.hasError());
    EXPECT_EQ(points, TrackOf(m_dlg->Telemetry()).size());
    EXPECT_EQ(points, m_dlg->Telemetry().GPSList().size());

    answer = m_dir.filePath("no/such/folder/track.gpx");
    m_dlg->DispatchCommand(kIdcTrack);
    EXPECT_EQ(m_messages, (QStringList{"No GPS track", "Track not saved"}));
    EXPECT_FALSE(QFile::exists(answer));

    // The recording that plays, by another name, is not replaced by its track.
    answer = m_dir.filePath("playing.mp4");
    ASSERT_TRUE(QFile::link(m_dlg->CurrentPath(), answer));
    m_dlg->DispatchCommand(kIdcTrack);
    EXPECT_EQ(m_messages, (QStringList{"No GPS track", "Track not saved", "Track not saved"}));
    EXPECT_TRUE(QFileInfo(answer).isSymLink());

    m_dlg->DispatchCommand(kIdcStop);
    EXPECT_EQ(Text(kMainTextGps), "");
}

// I and O mark the clip at the position (keys or buttons) and the time slider shows the marks;
// an in mark after the out mark drops it, another recording drops both. Without marks a clip
// press proposes 30 s either side of the position, named after that span.
TEST_F(RoadPlayerDlgTest, ClipMarksFollowThePositionAndTheProposalWithoutThem) {
    EXPECT_EQ(Widget(kMainButtonClipIn)->Window()->toolTip(), "Mark the clip's start here (I)");
    Key(Qt::Key_I);
    Key(Qt::Key_C);
    EXPECT_FALSE(m_dlg->ClipMarks().In().has_value()) << "nothing open, nothing marked";
    const QString recording = LongClip();
    Play(recording);
    m_dlg->DispatchCommand(kIdcPlay);
    QStringList proposed;
    platform::SetSaveFileHandler([&](const platform::SaveFileRequest& request) {
        proposed << request.initialPath;
        return std::optional<QString>();
    });
    int windows = 0;
    platform::SetModalHook([&](platform::Dialog& dialog) {
        auto* clip = dynamic_cast<CClipDlg*>(&dialog);
        ASSERT_NE(clip, nullptr);
        ++windows;
        // Without a target chosen the window stays with its choices.
        clip->DispatchCommand(platform::IDOK);
        EXPECT_TRUE(clip->isVisible());
        EXPECT_FALSE(clip->Exporting());
        clip->DispatchCommand(platform::IDCANCEL);
    });
    const auto proposal = [&](int64_t fromMs, int64_t toMs) {
        return QDir(platform::GetDesktopFolder())
            .filePath(ProposeClipName(recording, fromMs, recording, toMs));
    };
    SeekMs(45000);
    Key(Qt::Key_C);
    SeekMs(70000);
    m_dlg->DispatchCommand(kIdcClip);
    EXPECT_EQ(windows, 2);
    const auto end = static_cast<int64_t>(m_dlg->Player().GetDurationMs());
    EXPECT_EQ(proposed,
              (QStringList{proposal(15000, std::min<int64_t>(75000, end)), proposal(40000, end)}));
    EXPECT_EQ(Graph()->State(), GraphState::Paused);

    auto* time = dynamic_cast<SkSlider*>(Widget(kMainSliderTime));
    ASSERT_NE(time, nullptr);
    SeekMs(20000);
    Key(Qt::Key_I);
    SeekMs(50000);
    m_dlg->DispatchCommand(kIdcClipOut);
    EXPECT_EQ(m_dlg->ClipMarks().In(), (ClipPlace{recording, 20000}));
    EXPECT_EQ(m_dlg->ClipMarks().Out(), (ClipPlace{recording, 50000}));
    // Among the recording's own marks, which the default skin colours apart.
    const auto clipMarks = [&] {
        std::vector<SkinMark> marks;
        std::copy_if(time->Marks().begin(), time->Marks().end(), std::back_inserter(marks),
                     [](const SkinMark& mark) { return mark.kind.startsWith("clip"); });
        return marks;
    };
    EXPECT_EQ(time->MarkLookOf().ColourOf("clipout"), 0xFFF0CC60u);
    EXPECT_EQ(clipMarks(), (std::vector<SkinMark>{{20000, "clipin", "clip start", 50000},
                                                  {50000, "clipout", "clip end", std::nullopt}}));
    EXPECT_EQ(Text(kMainTextFile), "Clip ends at 00:00:50");
    SeekMs(5000);
    Key(Qt::Key_C);
    EXPECT_EQ(proposed.last(), proposal(20000, 50000)) << "the marks, not the position";

    SeekMs(60000);
    Key(Qt::Key_I);
    EXPECT_FALSE(m_dlg->ClipMarks().Out().has_value());
    EXPECT_EQ(clipMarks(), (std::vector<SkinMark>{{60000, "clipin", "clip start", std::nullopt}}));
    Play();
    EXPECT_FALSE(m_dlg->ClipMarks().In().has_value());
    EXPECT_TRUE(clipMarks().empty());
    EXPECT_EQ(windows, 3);
}

// The clip window's choices reach the file: a rendered clip with the rear inset and without
// location, then a lossless one proposed in the folder used last; a target that cannot be
// written gives the reason. Without its skin the window is a plain progress window.
TEST_F(RoadPlayerDlgTest, ClipWindowChoicesReachTheWrittenClip) {
    Play();
    m_dlg->DispatchCommand(kIdcPlay);
    SeekMs(500);
    Key(Qt::Key_I);
    SeekMs(3500);
    Key(Qt::Key_O);
    const QString folder = m_dir.filePath("clips");
    ASSERT_TRUE(QDir().mkpath(folder));
    QString answer = folder + "/rendered";
    QStringList proposed;
    platform::SetSaveFileHandler([&](const platform::SaveFileRequest& request) {
        proposed << request.initialPath;
        return std::optional<QString>(answer);
    });
    std::function<void(CClipDlg&)> choose;
    std::optional<ClipChoices> chosen;
    QStringList comments;
    platform::SetModalHook([&](platform::Dialog& dialog) {
        if (auto* notify = dynamic_cast<CNotifyDlg*>(&dialog)) {
            comments << platform::GetWindowText(
                notify->Skin()->FindControlWindow(NameKey(kNotifyTextComment))->Window());
            dialog.DispatchCommand(platform::IDOK);
            return;
        }
        auto* clip = dynamic_cast<CClipDlg*>(&dialog);
        ASSERT_NE(clip, nullptr);
        choose(*clip);
        chosen = clip->Choices();
        clip->DispatchCommand(platform::IDOK);
        EXPECT_TRUE(clip->Exporting());
    });
    choose = [](CClipDlg& clip) {
        const auto button = [&](const char* name) {
            return clip.Skin()->FindControlWindow(NameKey(QString::fromUtf8(name)))->Window();
        };
        EXPECT_FALSE(button(kClipButtonInset)->isEnabled()) << "layouts wait for Rendered";
        for (const char* name : {kClipButtonRendered, kClipButtonTopLeft, kClipButtonNoLocation}) {
            QTest::mouseClick(button(name), Qt::LeftButton);
        }
        EXPECT_TRUE(dynamic_cast<SkButton*>(clip.Skin()->FindControlWindow(
                                                NameKey(QString::fromUtf8(kClipButtonTopLeft))))
                        ->Checked());
    };
    m_dlg->DispatchCommand(kIdcClip);
    using platform::media::ClipCorner;
    using platform::media::ClipLayout;
    EXPECT_EQ(chosen, (ClipChoices{ClipLayout::PictureInPicture, ClipCorner::TopLeft, true, true}));
    const auto streams = [](const QString& path) {
        platform::media::StreamCounts counts;
        EXPECT_TRUE(platform::media::ProbeStreams(path, &counts)) << path.toStdString();
        return counts;
    };
    const auto fixes = [](const QString& path) {
        CTextData telemetry;
        LoadRecordingTelemetry(path, &telemetry);
        return telemetry.GPSList().size();
    };
    const platform::media::StreamCounts rendered = streams(folder + "/rendered.mp4");
    EXPECT_EQ(rendered.video, 1);
    EXPECT_EQ(rendered.text, 1);
    EXPECT_NEAR(rendered.durationMs, 3000, 150);
    EXPECT_EQ(fixes(folder + "/rendered.mp4"), 0u);
    EXPECT_EQ(Text(kMainTextFile), "Saved rendered.mp4 in " + folder);

    answer = folder + "/copy.mp4";
    choose = [](CClipDlg&) {};
    m_dlg->DispatchCommand(kIdcClip);
    EXPECT_EQ(chosen, ClipChoices{}) << "lossless with location unless chosen otherwise";
    ASSERT_EQ(proposed.size(), 2);
    EXPECT_EQ(QFileInfo(proposed[1]).absolutePath(), folder);
    EXPECT_EQ(streams(answer).video, 2);
    EXPECT_GT(fixes(answer), 0u);

    answer = m_dir.filePath("gone/clip.mp4");
    m_dlg->DispatchCommand(kIdcClip);
    ASSERT_EQ(comments.size(), 1);
    EXPECT_TRUE(comments[0].contains("does not exist")) << comments[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(answer));

    // Cancel while it is written: the window closes only once nothing of the clip is left.
    answer = folder + "/cancelled.mp4";
    choose = [](CClipDlg& clip) {
        clip.DispatchCommand(platform::IDOK);
        clip.DispatchCommand(platform::IDCANCEL);
        EXPECT_TRUE(clip.isVisible()) << "closed before the exporter stopped";
    };
    m_dlg->DispatchCommand(kIdcClip);
    EXPECT_EQ(Text(kMainTextFile), "Clip cancelled: nothing was written");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"copy.mp4", "rendered.mp4"}));
    EXPECT_EQ(comments.size(), 1) << comments.join("|").toStdString();

    platform::media::ClipRequest request;
    request.recordings = {Clip()};
    request.to = {0, 1000};
    request.target = folder + "/plain.mp4";
    CClipDlg plain(m_dlg.get(), nullptr, QStringLiteral("From 00:00:00 to 00:00:01"), {});
    plain.ExportAtOnce(request);
    platform::SetModalHook([](platform::Dialog& dialog) {
        EXPECT_NE(dialog.findChild<QProgressBar*>(), nullptr);
        EXPECT_FALSE(dialog.GetDlgItem(CClipDlg::kIdLossless)->isVisible());
    });
    EXPECT_EQ(plain.DoModal(), platform::IDOK);
    ASSERT_TRUE(plain.Outcome().has_value());
    EXPECT_EQ(plain.Outcome()->status, platform::media::ClipStatus::Done);
    EXPECT_EQ(streams(request.target).video, 2);
}

// The kinds of the time slider's marks in their order.
QStringList SliderMarkKinds(const SkSlider* slider) {
    QStringList kinds;
    for (const SkinMark& mark : slider->Marks()) {
        kinds << QString::number(mark.timeMs) + ' ' + mark.kind;
    }
    return kinds;
}

// The incidents found off the window's thread arrive on the slider; N and Shift+N land 5 s before
// incidents and bookmarks in time order; B asks for a note (Return takes it, Escape cancels)
// and Delete removes the bookmark at the position or the one N went to; the readout names the
// incident that plays. A closed recording's incidents never arrive.
TEST_F(RoadPlayerDlgTest, MarksAreShownGoneToAddedAndRemovedByKey) {
    const IncidentCard& card = IncidentsCard();
    ASSERT_EQ(card.peaksMs.size(), 2u);
    Play(card.withIncidents);
    m_dlg->DispatchCommand(kIdcStop);  // closed before its incidents could arrive
    Wait(500);
    EXPECT_FALSE(m_dlg->Marks().IncidentsFound());
    EXPECT_TRUE(m_dlg->Marks().Marks().empty());

    Play(card.withIncidents);
    Key(Qt::Key_Space);
    ASSERT_TRUE(WaitUntil([&] { return m_dlg->Marks().IncidentsFound(); }));
    const std::vector<Incident> incidents = m_dlg->Marks().Incidents();
    ASSERT_EQ(incidents.size(), 2u);
    for (size_t i = 0; i < incidents.size(); ++i) {
        EXPECT_NEAR(incidents[i].peakMs, card.peaksMs[i], 500);
    }
    auto* slider = dynamic_cast<SkSlider*>(Widget(kMainSliderTime));
    EXPECT_EQ(slider->Marks().size(), 2u);
    EXPECT_EQ(slider->Marks()[0].label, IncidentReadoutText(incidents[0]));
    const int32_t first = incidents[0].peakMs - 5000;
    const int32_t second = incidents[1].peakMs - 5000;

    SeekMs(0);
    const auto keyAndSettle = [&](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        ASSERT_TRUE(WaitUntil([&] { return !m_dlg->Session().SeekPending(); }));
        Key(key, modifiers);
    };
    keyAndSettle(Qt::Key_N);
    EXPECT_EQ(PositionMs(), first);
    keyAndSettle(Qt::Key_N);
    EXPECT_EQ(PositionMs(), second);
    keyAndSettle(Qt::Key_N);  // no mark after: stays
    EXPECT_EQ(PositionMs(), second);
    keyAndSettle(Qt::Key_N, Qt::ShiftModifier);
    EXPECT_EQ(PositionMs(), first);
    keyAndSettle(Qt::Key_N, Qt::ShiftModifier);  // none before: stays
    EXPECT_EQ(PositionMs(), first);
    // Pressed in a row, faster than seeks are applied, each counts from where the one before
    // goes: to the second and back to the first.
    SeekMs(0);
    keyAndSettle(Qt::Key_N);
    Key(Qt::Key_N);
    Key(Qt::Key_N, Qt::ShiftModifier);
    ASSERT_TRUE(WaitUntil([&] { return !m_dlg->Session().SeekPending(); }));
    EXPECT_EQ(PositionMs(), first);

    // The readout names the incident while it plays.
    SeekMs(incidents[0].peakMs);
    const QString named = GpsReadoutText(
        m_dlg->Telemetry().FindGPSAtOrBefore(static_cast<uint32_t>(incidents[0].peakMs)),
        m_dlg->Readout(), &incidents[0]);
    EXPECT_TRUE(named.contains(IncidentReadoutText(incidents[0]))) << named.toStdString();
    EXPECT_TRUE(WaitUntil([&] { return Text(kMainTextGps) == named; }))
        << Text(kMainTextGps).toStdString();

    // B at 26 s: Escape cancels, Return keeps the note typed.
    QString typed = "near miss";
    int asked = 0;
    platform::SetModalHook([&](platform::Dialog& dialog) {
        auto* box = dynamic_cast<CBookmarkNoteDlg*>(&dialog);
        ASSERT_NE(box, nullptr);
        ++asked;
        ASSERT_NE(box->NoteField(), nullptr);
        EXPECT_EQ(box->focusWidget(), box->NoteField());
        box->NoteField()->setText(typed);
        QTest::keyClick(box->NoteField(), typed.isEmpty() ? Qt::Key_Escape : Qt::Key_Return);
    });
    const RecordingKey key = *RecordingKey::OfFile(card.withIncidents);
    SeekMs(26000);
    keyAndSettle(Qt::Key_B);
    ASSERT_EQ(asked, 1);
    ASSERT_EQ(CBookmarkStore().List(key).size(), 1u);
    EXPECT_EQ(CBookmarkStore().List(key)[0].note, "near miss");
    EXPECT_EQ(Graph()->State(), GraphState::Paused) << "paused by the user, it stays paused";
    EXPECT_EQ(SliderMarkKinds(slider).last(), "26000 bookmark");
    typed.clear();
    keyAndSettle(Qt::Key_B);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(CBookmarkStore().List(key).size(), 1u) << "cancelled";

    // Delete where N landed 5 s before the bookmark removes it; nowhere near one, nothing.
    SeekMs(second);
    keyAndSettle(Qt::Key_N);
    EXPECT_EQ(PositionMs(), 21000);
    keyAndSettle(Qt::Key_Delete);
    EXPECT_TRUE(CBookmarkStore().List(key).empty());
    EXPECT_EQ(slider->Marks().size(), 2u);
    typed = "again";
    SeekMs(26000);
    keyAndSettle(Qt::Key_B);
    SeekMs(24000);
    keyAndSettle(Qt::Key_Delete);
    EXPECT_EQ(CBookmarkStore().List(key).size(), 1u) << "2 s away and not gone to";
    SeekMs(26900);
    keyAndSettle(Qt::Key_Delete);
    EXPECT_TRUE(CBookmarkStore().List(key).empty());
}

// Within a trip the strip shows the marks of all its recordings at their trip times, and N goes
// on into the next recording holding one (past one without), opened as the pause left it.
TEST_F(RoadPlayerDlgTest, MarksOfTheWholeTripAreShownAndGoneTo) {
    OfferCard(TripCard());
    ListingCommand(kIdcOpen);
    ASSERT_EQ(List()->GetItemCount(), 3);
    const QString third = RecordingPathOfRow(*List(), 2);
    ASSERT_TRUE(CBookmarkStore().Add(*RecordingKey::OfFile(third), 1500, {}));
    m_dlg->DispatchNotify(kIdcFileList, platform::NM_DBLCLK, 0);
    m_dlg->DispatchCommand(kIdcPlay);
    auto* strip = dynamic_cast<SkTripStrip*>(Widget(kMainStripTrip));
    ASSERT_NE(strip, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return strip->Segments().size() == 3; }));
    ASSERT_EQ(strip->Marks().size(), 1u);
    EXPECT_EQ(strip->Marks()[0].kind, "bookmark");
    EXPECT_EQ(strip->Marks()[0].timeMs, strip->Segments()[0] + strip->Segments()[1] + 1500);
    // So does the map's trip route while the first recording plays.
    ASSERT_TRUE(WaitUntil([&] { return Map()->ShowsTrip(); }));
    EXPECT_TRUE(Map()->MarksJson().contains("bookmark")) << Map()->MarksJson().toStdString();
    Key(Qt::Key_N);
    ASSERT_EQ(m_dlg->CurrentRow(), 2);
    EXPECT_TRUE(m_dlg->PausedByUser());
    ASSERT_TRUE(WaitUntil([&] { return !m_dlg->Session().SeekPending(); }));
    EXPECT_LT(PositionMs(), 100) << "5 s before 1.5 s is the recording's start";
}

// The list flags the recordings that hold an incident without changing a row's text, and a
// bookmark is there again for a new window.
TEST_F(RoadPlayerDlgTest, ListFlagsRecordingsWithIncidentsAndBookmarksOutliveTheWindow) {
    const IncidentCard& card = IncidentsCard();
    OfferCard(card.root);
    ListingCommand(kIdcOpen);
    ASSERT_EQ(List()->GetItemCount(), 2);
    QStringList texts;
    for (int column = 0; column < 4; ++column) {
        texts << List()->GetItemText(0, column) << List()->GetItemText(1, column);
    }
    ASSERT_TRUE(WaitUntil([&] { return m_dlg->IncidentScan().PassDone(); }, 10000));
    const auto* rows = dynamic_cast<SkListCtrl*>(Widget(kMainListFileList));
    EXPECT_EQ(rows->FlaggedTexts(), QSet<QString>{card.withIncidents});
    QStringList after;
    for (int column = 0; column < 4; ++column) {
        after << List()->GetItemText(0, column) << List()->GetItemText(1, column);
    }
    EXPECT_EQ(after, texts);

    m_dlg->DispatchNotify(kIdcFileList, platform::NM_DBLCLK, 0);
    ASSERT_EQ(m_dlg->CurrentPath(), card.withIncidents);
    ASSERT_TRUE(CBookmarkStore().Add(*RecordingKey::OfFile(card.withIncidents), 4000, {}));
    m_dlg.reset();
    RecreateWithRecording(card.withIncidents);
    ASSERT_TRUE(WaitUntil([&] { return m_dlg->Marks().IncidentsFound(); }));
    EXPECT_EQ(SliderMarkKinds(dynamic_cast<SkSlider*>(Widget(kMainSliderTime))).first(),
              "4000 bookmark");
}

// Recordings and card folders dropped on the window: a recording plays as the command line's
// would, a card folder becomes the card, and anything else is refused with a message.
TEST_F(RoadPlayerDlgTest, DroppedRecordingsPlayAndDroppedCardsAreChosen) {
    AnswerBoxes();
    const auto drop = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(600, 25), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(m_dlg.get(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent dropped(QPointF(600, 25), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_dlg.get(), &dropped);
        EXPECT_TRUE(dropped.isAccepted());
        Wait(50);
    };
    drop({QUrl::fromLocalFile(Clip())});
    ASSERT_NE(Graph(), nullptr);
    EXPECT_EQ(Graph()->State(), GraphState::Running);
    EXPECT_EQ(m_dlg->CurrentPath(), Clip());

    QFile note(m_dir.filePath("note.txt"));
    ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    note.close();
    const QString normal = Card() + "NORMAL/";
    for (const QList<QUrl>& refused :
         {QList<QUrl>{QUrl::fromLocalFile(note.fileName())},
          QList<QUrl>{QUrl::fromLocalFile(normal)},
          QList<QUrl>{QUrl::fromLocalFile(Clip()), QUrl::fromLocalFile(PlainClip())},
          QList<QUrl>{QUrl(QStringLiteral("https://example.com/NOR_250517_143000_F.mp4"))}}) {
        drop(refused);
    }
    EXPECT_EQ(m_messages, QStringList(4, QStringLiteral("Cannot open what was dropped")));
    EXPECT_EQ(m_dlg->CurrentPath(), Clip());
    EXPECT_TRUE(m_dlg->CardRoot().isEmpty());

    // Over any part of the window, the map page's too (shown, so its engine starts), a drop
    // reaches the window.
    m_dlg->DispatchCommand(kIdcRinm);
    ASSERT_TRUE(WaitUntil(
        [&] { return Map()->PageReady() && Map()->View()->focusProxy() != nullptr; }, 60000));
    for (const QWidget* child : m_dlg->findChildren<QWidget*>()) {
        EXPECT_FALSE(child->acceptDrops()) << child->metaObject()->className();
    }

    drop({QUrl::fromLocalFile(Clip())});  // playing again: the short clip ended meanwhile
    drop({QUrl::fromLocalFile(Card().chopped(1))});
    EXPECT_EQ(m_dlg->CardRoot(), Card());
    ASSERT_TRUE(m_dlg->WaitForListing());
    EXPECT_EQ(Rows().size(), 2);
    EXPECT_EQ(Graph()->State(), GraphState::Running);  // as Open leaves it
    EXPECT_EQ(m_messages.size(), 4);
}

// A session bus of the test's own (dbus-daemon), for the window to join.
class PrivateSessionBus {
public:
    bool Start() {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {"--session", "--nofork", "--print-address=1"});
        if (!m_daemon.waitForStarted(5000) || !m_daemon.waitForReadyRead(5000)) {
            return false;
        }
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
        return !m_address.isEmpty();
    }
    ~PrivateSessionBus() {
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
    const QString& Address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};

// Stands in for the desktop's notification service: it keeps every notice it is sent and
// reports the action a user would pick.
class NotificationStandIn : public QDBusVirtualObject {
public:
    struct Notice {
        uint id;
        QString summary;
        QStringList actions;
    };
    static constexpr char kService[] = "org.freedesktop.Notifications";
    static constexpr char kPath[] = "/org/freedesktop/Notifications";

    explicit NotificationStandIn(const QString& address)
        : m_connection(QDBusConnection::connectToBus(address, QStringLiteral("stand-in"))) {}
    ~NotificationStandIn() override { QDBusConnection::disconnectFromBus(m_connection.name()); }

    bool Register() {
        return m_connection.registerService(kService) &&
               m_connection.registerVirtualObject(kPath, this);
    }
    void Unregister() {
        m_connection.unregisterObject(kPath);
        m_connection.unregisterService(kService);
    }
    bool HasName(const QString& name) const {
        return m_connection.interface()->isServiceRegistered(name);
    }
    void Invoke(uint id, const QString& key) {
        QDBusMessage signal = QDBusMessage::createSignal(kPath, kService, "ActionInvoked");
        signal << id << key;
        m_connection.send(signal);
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QLatin1String("Notify")) {
            return false;
        }
        const QList<QVariant> arguments = message.arguments();
        notices.push_back(
            {++m_lastId, arguments.value(3).toString(), arguments.value(5).toStringList()});
        connection.send(message.createReply(QVariant::fromValue(m_lastId)));
        return true;
    }

    std::vector<Notice> notices;

private:
    QDBusConnection m_connection;
    uint m_lastId = 40;
};

// A camera card inserted while no card is chosen: a desktop notice offers it once per insertion
// and its "Open" chooses it; where no notification service runs, the player's own box asks.
// The window's media controls are on the same bus.
TEST_F(RoadPlayerDlgTest, AnInsertedCardIsOfferedOnceAndOpenChoosesIt) {
    PrivateSessionBus bus;
    if (!bus.Start()) {
        GTEST_SKIP() << "dbus-daemon is not installed";
    }
    NotificationStandIn standIn(bus.Address());
    ASSERT_TRUE(standIn.Register());
    RecreateWithRecording({});
    AnswerBoxes();
    EXPECT_TRUE(standIn.HasName("org.mpris.MediaPlayer2.RoadPlayer"));

    qputenv(platform::kVirtualDrivesVariable, (Card() + "=QOR-SD").toUtf8());
    ASSERT_TRUE(WaitUntil([&] { return standIn.notices.size() == 1; }, 5000));
    EXPECT_EQ(standIn.notices[0].summary, "Camera card inserted");
    EXPECT_EQ(standIn.notices[0].actions, (QStringList{"open", "Open"}));
    Wait(1500);  // the drive watcher looked again
    EXPECT_EQ(standIn.notices.size(), 1u);
    EXPECT_TRUE(m_dlg->CardRoot().isEmpty());
    standIn.Invoke(standIn.notices[0].id, "open");
    ASSERT_TRUE(WaitUntil([&] { return m_dlg->CardRoot() == Card(); }));
    ASSERT_TRUE(m_dlg->WaitForListing());
    EXPECT_EQ(Rows().size(), 2);
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(',').toStdString();

    // Taken out and put back with no notification service: the player asks itself.
    standIn.Unregister();
    qputenv(platform::kVirtualDrivesVariable, "");
    ASSERT_TRUE(WaitUntil([&] { return m_dlg->CardRoot().isEmpty(); }, 5000));
    qputenv(platform::kVirtualDrivesVariable, (Card() + "=QOR-SD").toUtf8());
    ASSERT_TRUE(WaitUntil([&] { return m_dlg->CardRoot() == Card(); }, 5000));
    EXPECT_EQ(m_messages, (QStringList{"Card removed", "Camera card inserted"}));
    EXPECT_EQ(standIn.notices.size(), 1u);
    m_dlg.reset();
}

// Shift+F10 opens the settings menu in the skin's look; the keyboard picks the speed unit and
// the camera's time zone, which the readout shows at once and the settings store keeps.
TEST_F(RoadPlayerDlgTest, TheSettingsMenuSetsUnitAndZoneFromTheKeyboard) {
    Play();
    m_dlg->DispatchCommand(kIdcPlay);
    ASSERT_TRUE(WaitUntil([&] { return Text(kMainTextGps).contains(" km/h  "); }));
    // The readout shows the fix last received at the position.
    const CGPSData* fix = m_dlg->Telemetry().FindGPSAtOrBefore(static_cast<uint32_t>(PositionMs()));
    ASSERT_NE(fix, nullptr);
    bool skinned = false;
    const auto choose = [&](const QList<Qt::Key>& keys) {
        QTimer::singleShot(100, [&skinned, keys] {
            skinned = qobject_cast<SkPopupMenu*>(QApplication::activePopupWidget()) != nullptr;
            for (const Qt::Key key : keys) {
                if (QWidget* popup = QApplication::activePopupWidget()) {
                    QTest::keyClick(popup, key);
                }
            }
            while (QWidget* popup = QApplication::activePopupWidget()) {
                popup->close();  // a menu the keys did not close fails the test, not hangs it
            }
        });
        Key(Qt::Key_F10, Qt::ShiftModifier);
    };
    choose({Qt::Key_Down, Qt::Key_Down, Qt::Key_Return});  // "Speed in mph"
    EXPECT_TRUE(skinned);
    EXPECT_EQ(m_dlg->Readout().speedUnit, SpeedUnit::Mph);
    EXPECT_EQ(Text(kMainTextGps), GpsReadoutText(fix, m_dlg->Readout()));
    EXPECT_TRUE(Text(kMainTextGps).contains(" mph  ")) << Text(kMainTextGps).toStdString();

    // The submenu's first zone: UTC-12:00.
    choose({Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Right, Qt::Key_Return});
    EXPECT_EQ(m_dlg->Readout().cameraZoneMinutes, -12 * 60);
    EXPECT_TRUE(
        Text(kMainTextGps)
            .endsWith(
                FixTimeLocal(*fix, -12 * 60).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
    EXPECT_EQ(LoadReadoutSettings(), m_dlg->Readout());

    choose({Qt::Key_Escape});
    EXPECT_EQ(LoadReadoutSettings(), (ReadoutSettings{SpeedUnit::Mph, -12 * 60}));
}

}  // namespace
}  // namespace player
