#include "player/shell/DesktopLink.h"

#include "platform/system/AtomicFile.h"
#include "platform/system/ShellFolders.h"
#include "platform/system/WaveOutVolume.h"
#include "player/catalogue/RecordingNames.h"
#include "player/resources/Resource.h"
#include "player/shell/RoadPlayerDlg.h"
#include "player/shell/ShellLog.h"
#include "player/telemetry/FixValues.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QUrl>

#include <algorithm>

namespace player {

namespace {

constexpr char kIdentity[] = "RoadPlayer";
constexpr char kArtFolder[] = "media-controls";
// The picture the desktop shows beside the title: small, as the desktop shows it small.
constexpr int kArtWidth = 480;
constexpr int kArtQuality = 85;
constexpr int64_t kUsPerMs = 1000;
constexpr double kFullVolume = 0xFFFF;
constexpr int32_t kCenturyStart = 2000;

// The camera's clock reading of a recording's name ("NOR_250517_143000_F.mp4"); invalid when
// the name carries no whole date and time.
QDateTime NameTime(const QString& fileName) {
    const RecordingNameKeys keys = ReadRecordingNameKeys(fileName);
    const QDate date(kCenturyStart + keys.date / 10000, keys.date / 100 % 100, keys.date % 100);
    const QTime time(keys.time / 10000, keys.time / 100 % 100, keys.time % 100);
    if (keys.date == 0 || !date.isValid() || !time.isValid()) {
        return {};
    }
    return QDateTime(date, time, Qt::UTC);
}

}  // namespace

CDesktopLink::CDesktopLink(CRoadPlayerDlg& window) : m_window(window), m_bus(*this) {
    m_artWriter.setMaxThreadCount(1);
    m_refresh.setInterval(kRefreshMs);
    QObject::connect(&m_refresh, &QTimer::timeout, [this] { Refresh(); });
    m_notices.SetApplication(QString::fromLatin1(kIdentity), QString::fromLatin1(kDesktopEntry));
}

CDesktopLink::~CDesktopLink() {
    m_refresh.stop();
    m_artWriter.waitForDone();
    if (!m_artPath.isEmpty()) {
        QFile::remove(m_artPath);
    }
}

void CDesktopLink::Start() {
    if (m_bus.Start(QString::fromLatin1(kBusName), QString::fromLatin1(kIdentity),
                    QString::fromLatin1(kDesktopEntry))) {
        m_refresh.start();
    }
}

bool CDesktopLink::Playing() const {
    const CPlayGraph* graph = m_window.Session().Graph();
    return graph != nullptr && graph->State() == GraphState::Running;
}

platform::MediaPlayerState CDesktopLink::State() const {
    platform::MediaPlayerState state;
    CPlaybackSession& session = m_window.Session();
    CPlayGraph* graph = session.Graph();
    const bool open =
        graph != nullptr && graph->HasGraphManager() &&
        (graph->State() == GraphState::Running || graph->State() == GraphState::Paused);
    if (open) {
        state.status = graph->State() == GraphState::Running
                           ? platform::MediaPlayerState::Status::Playing
                           : platform::MediaPlayerState::Status::Paused;
        state.positionUs = std::max<int64_t>(graph->GetPositionMs(), 0) * kUsPerMs;
        state.rate = graph->Rate();
        const QString path = session.CurrentPath();
        const QString name = QFileInfo(path).fileName();
        state.url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString();
        state.title = name;
        if (const QDateTime local = NameTime(name); local.isValid()) {
            state.title +=
                QStringLiteral("  ") + local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            state.createdUtc =
                CameraTimeUtc(local, m_window.Readout().cameraZoneMinutes).toString(Qt::ISODate);
        }
        state.lengthUs = static_cast<int64_t>(session.Player().GetDurationMs()) * kUsPerMs;
        if (!m_artPath.isEmpty() && m_artRecording == path) {
            state.artUrl = QUrl::fromLocalFile(m_artPath).toString();
        }
    }
    state.volume = static_cast<double>(platform::GetWaveOutVolume() & 0xFFFFu) / kFullVolume;
    // Whether the play button could act, paused or playing alike, as the interface asks.
    state.canPlay = m_window.CanAct(kIdcPlay);
    state.canPause = state.canPlay;
    state.canGoNext = m_window.CanAct(kIdcNext);
    state.canGoPrevious = m_window.CanAct(kIdcPrev);
    state.canSeek = open && m_window.CanSeek();
    return state;
}

void CDesktopLink::Later(std::function<void(CRoadPlayerDlg&)> action) {
    QTimer::singleShot(0, &m_refresh, [this, action = std::move(action)] {
        action(m_window);
        Refresh();
    });
}

void CDesktopLink::Play() {
    Later([this](CRoadPlayerDlg& window) {
        if (!Playing()) {
            window.Act(kIdcPlay);
        }
    });
}

void CDesktopLink::Pause() {
    Later([this](CRoadPlayerDlg& window) {
        if (Playing()) {
            window.Act(kIdcPlay);
        }
    });
}

void CDesktopLink::PlayPause() {
    Later([](CRoadPlayerDlg& window) { window.Act(kIdcPlay); });
}

void CDesktopLink::Stop() {
    Later([](CRoadPlayerDlg& window) { window.Act(kIdcStop); });
}

void CDesktopLink::Next() {
    Later([](CRoadPlayerDlg& window) { window.Act(kIdcNext); });
}

void CDesktopLink::Previous() {
    Later([](CRoadPlayerDlg& window) { window.Act(kIdcPrev); });
}

void CDesktopLink::SeekBy(int64_t offsetUs) {
    Later([offsetUs](CRoadPlayerDlg& window) {
        CPlayGraph* graph = window.Session().Graph();
        if (graph == nullptr || !window.CanSeek()) {
            return;
        }
        const int64_t targetMs = graph->GetPositionMs() + offsetUs / kUsPerMs;
        // Past the end is the next recording, as the media controls' rules say.
        if (targetMs >= static_cast<int64_t>(window.Session().Player().GetDurationMs())) {
            window.Act(kIdcNext);
            return;
        }
        window.Session().SeekTo(static_cast<int32_t>(std::max<int64_t>(targetMs, 0)));
    });
}

void CDesktopLink::SeekTo(int64_t positionUs) {
    Later([positionUs](CRoadPlayerDlg& window) {
        if (window.Session().Graph() != nullptr && window.CanSeek()) {
            window.Session().SeekTo(static_cast<int32_t>(positionUs / kUsPerMs));
        }
    });
}

void CDesktopLink::Raise() {
    Later([](CRoadPlayerDlg& window) {
        if (window.isMinimized()) {
            window.showNormal();
        }
        window.raise();
        window.activateWindow();
    });
}

void CDesktopLink::Refresh() {
    RenewArt();
    m_bus.Refresh();
}

void CDesktopLink::RenewArt() {
    CPlayGraph* graph = m_window.Session().Graph();
    if (graph == nullptr || !graph->HasGraphManager() || graph->State() == GraphState::Stopped ||
        (m_sinceArt.isValid() && m_sinceArt.elapsed() < kArtIntervalMs)) {
        return;
    }
    const QString recording = m_window.Session().CurrentPath();
    const int64_t positionMs = graph->GetPositionMs();
    if (recording == m_artRecording && positionMs == m_artPositionMs) {
        return;  // the same picture (paused)
    }
    QImage front;
    if (graph->GetCurrentImage(0, &front) == 0) {
        return;
    }
    m_sinceArt.start();
    m_artPositionMs = positionMs;
    const QString folder = platform::GetUserCacheFolder();
    if (folder.isEmpty() || !QDir().mkpath(folder + '/' + kArtFolder)) {
        qCInfo(lcShell) << "no cache folder for the media controls' picture";
        return;
    }
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(kArtQuality);
    if (!writer.write(front.width() > kArtWidth
                          ? front.scaledToWidth(kArtWidth, Qt::SmoothTransformation)
                          : front)) {
        qCInfo(lcShell) << "the media controls' picture was not encoded:" << writer.errorString();
        return;
    }
    // A new name each time: the desktop fetches a picture again only for a new address.
    const QString path = QStringLiteral("%1/%2/front-%3-%4.jpg")
                             .arg(folder, QString::fromLatin1(kArtFolder))
                             .arg(QCoreApplication::applicationPid())
                             .arg(++m_artNumber);
    m_artWriter.start([this, path, jpeg, recording] {
        if (!platform::WriteFileAtomically(path, jpeg)) {
            qCInfo(lcShell) << "the media controls' picture was not written to" << path;
            return;
        }
        QMetaObject::invokeMethod(
            &m_refresh, [this, path, recording] { PublishArt(path, recording); },
            Qt::QueuedConnection);
    });
}

void CDesktopLink::PublishArt(const QString& path, const QString& recording) {
    if (!m_artPath.isEmpty() && m_artPath != path) {
        QFile::remove(m_artPath);
    }
    m_artPath = path;
    m_artRecording = recording;
}

}  // namespace player
