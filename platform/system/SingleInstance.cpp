#include "platform/system/SingleInstance.h"

#include "platform/system/FilePaths.h"
#include "platform/system/InstanceMessage.h"
#include "platform/system/Log.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTimer>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kConnectTimeoutMs = 1000;
// How often the running instance makes sure its socket is still there to be reached.
constexpr int kWatchIntervalMs = 2000;

// A folder of this user's that no one else can use. With create, it is made (0700) when
// missing and closed to others when it is the user's own.
bool IsPrivateFolder(const QString& path, bool create) {
    const QByteArray bytes = EncodePath(path);
    if (create) {
        ::mkdir(bytes.constData(), 0700);
    }
    struct stat info {};
    const int looked =
        create ? ::lstat(bytes.constData(), &info) : ::stat(bytes.constData(), &info);
    if (looked != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) {
        return false;
    }
    return (info.st_mode & 077) == 0 || (create && ::chmod(bytes.constData(), 0700) == 0);
}

bool IsSocketFile(const QString& path) {
    struct stat info {};
    return ::lstat(EncodePath(path).constData(), &info) == 0 && S_ISSOCK(info.st_mode);
}

}  // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), m_name(name), m_folder(RuntimeFolder()) {}

SingleInstance::~SingleInstance() {
    if (m_server != nullptr) {
        m_server->close();
    }
}

QString SingleInstance::RuntimeFolder() {
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(u'/') && IsPrivateFolder(runtime, false)) {
        return runtime;
    }
    // Not a fixed name in a shared folder, which another user could take first: a folder in
    // the user's own cache folder, one per host where homes are shared.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    QString folder = cache + QStringLiteral("/roadplayer-run-") +
                     QSysInfo::machineHostName().replace(u'/', u'_');
    if (!cache.isEmpty() && QDir().mkpath(cache) && IsPrivateFolder(folder, true)) {
        qCInfo(lcSystem) << "XDG_RUNTIME_DIR is not usable; the instance lock is in" << folder;
        return folder;
    }
    qCWarning(lcSystem) << "no private folder for the instance lock";
    return {};
}

QString SingleInstance::DisplayKey() {
    QString display;
    if (qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QLatin1String("offscreen"))) {
        display = QStringLiteral("offscreen");
    } else if (qEnvironmentVariableIsSet("DISPLAY")) {
        display = qEnvironmentVariable("DISPLAY");
        // ":1" and ":1.0" are the same display.
        static const QRegularExpression screen(QStringLiteral("\\.\\d+$"));
        display.remove(screen);
    } else {
        display = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("none"));
    }
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_.-]"));
    return display.replace(unsafe, QStringLiteral("_"));
}

bool SingleInstance::Listening() const {
    return m_server != nullptr && m_server->isListening();
}

QString SingleInstance::LockPath() const {
    return m_folder + QLatin1Char('/') + m_name + QStringLiteral(".lock");
}

QString SingleInstance::SocketPath() const {
    return m_folder + QLatin1Char('/') + m_name + QStringLiteral(".socket");
}

// The running instance answers from its event loop, which a busy start-up may hold a while.
SingleInstance::Claim SingleInstance::TryClaim(const QString& file, int answerTimeoutMs) {
    if (m_folder.isEmpty()) {
        m_error = QStringLiteral(
            "no private folder for the instance lock (XDG_RUNTIME_DIR or the cache folder)");
        return Claim::Unavailable;
    }
    m_lock = std::make_unique<QLockFile>(LockPath());
    // Stale only when its process has ended: a running instance holds it however long it runs.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        Listen();
        return Claim::First;
    }
    if (m_lock->error() != QLockFile::LockFailedError) {
        m_error = QStringLiteral("cannot create the instance lock %1").arg(LockPath());
        return Claim::Unavailable;
    }
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (socket.waitForConnected(kConnectTimeoutMs)) {
        socket.write(InstanceRequestLine(file));
        const QDeadlineTimer deadline(answerTimeoutMs);
        QByteArray answer;
        while (!IsInstanceAnswer(answer) && answer.size() < InstanceAnswerLine().size() &&
               socket.waitForReadyRead(
                   static_cast<int>(std::max<qint64>(1, deadline.remainingTime())))) {
            answer += socket.readAll();
        }
        if (IsInstanceAnswer(answer)) {
            socket.disconnectFromServer();
            return Claim::AlreadyRunning;
        }
    }
    m_error = QStringLiteral("the running instance does not answer at %1").arg(SocketPath());
    return Claim::Unanswered;
}

void SingleInstance::Listen() {
    // A socket file left by an instance that crashed would block the listen.
    QLocalServer::removeServer(SocketPath());
    if (m_server == nullptr) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
    }
    if (!m_server->listen(SocketPath())) {
        m_error =
            QStringLiteral("cannot listen on %1: %2").arg(SocketPath(), m_server->errorString());
        qCWarning(lcSystem) << m_error;
    }
    if (m_watch == nullptr) {
        m_watch = new QTimer(this);
        connect(m_watch, &QTimer::timeout, this, &SingleInstance::KeepListening);
        m_watch->start(kWatchIntervalMs);
    }
}

// The toolkit closes the server (and removes its file) when an accept fails, as when the
// process runs out of descriptors, and a cleaner may remove the file: both are mended here.
void SingleInstance::KeepListening() {
    if (Listening() && IsSocketFile(SocketPath())) {
        return;
    }
    qCWarning(lcSystem) << "the instance socket was lost; listening again on" << SocketPath();
    m_server->close();
    Listen();
}

void SingleInstance::OnConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        // The oldest client makes room: a start that is waiting for its answer is never the
        // one turned away by clients that only sit there.
        if (m_clients.size() >= static_cast<size_t>(kMaxClients)) {
            QLocalSocket* oldest = m_clients.front();
            m_clients.erase(m_clients.begin());
            qCInfo(lcSystem) << "too many clients of the instance socket; the oldest is dropped";
            oldest->abort();
            oldest->deleteLater();
        }
        m_clients.push_back(socket);
        const auto forget = [this, socket] {
            m_clients.erase(std::remove(m_clients.begin(), m_clients.end(), socket),
                            m_clients.end());
        };
        connect(socket, &QLocalSocket::disconnected, this, forget);
        connect(socket, &QObject::destroyed, this, forget);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnRequestBytes(socket); });
        QTimer::singleShot(kClientTimeoutMs, socket, [socket] {
            qCInfo(lcSystem) << "an instance socket client sent no request in time";
            socket->abort();
        });
    }
    KeepListening();
}

void SingleInstance::OnRequestBytes(QLocalSocket* socket) {
    QString file;
    switch (ReadInstanceRequest(socket->peek(kMaxInstanceRequestBytes), &file)) {
        case RequestRead::NeedMore:
            return;
        case RequestRead::Refused:
            qCInfo(lcSystem) << "an instance socket client sent no valid request";
            socket->abort();
            return;
        case RequestRead::Activate:
            break;
    }
    socket->readAll();
    socket->write(InstanceAnswerLine());
    socket->disconnectFromServer();
    // Not from inside the socket's signal: opening a file may show a message whose event
    // loop would delete the socket under this handler.
    QTimer::singleShot(0, this, [this, file] {
        if (m_onActivate) {
            m_onActivate(file);
        }
    });
}

}  // namespace platform
