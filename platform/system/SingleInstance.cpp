#include "platform/system/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

namespace platform {

namespace {

// One line: "activate", then a tab and the file's path (UTF-8, percent-encoded, so any byte of
// a file name survives the line) when a file was given.
constexpr char kActivateRequest[] = "activate";
constexpr int kConnectTimeoutMs = 1000;
constexpr qint64 kMaxRequestBytes = 64LL * 1024;

}  // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), m_name(name), m_folder(RuntimeFolder()) {}

SingleInstance::~SingleInstance() {
    if (m_server != nullptr) {
        m_server->close();
    }
}

QString SingleInstance::RuntimeFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
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

SingleInstance::Claim SingleInstance::TryClaim(const QString& file) {
    if (m_folder.isEmpty() || !QDir().mkpath(m_folder)) {
        m_error = QStringLiteral("no runtime folder for the instance lock (XDG_RUNTIME_DIR)");
        return Claim::Failed;
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
        return Claim::Failed;
    }
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (socket.waitForConnected(kConnectTimeoutMs)) {
        QByteArray request(kActivateRequest);
        if (!file.isEmpty()) {
            request += '\t' + file.toUtf8().toPercentEncoding();
        }
        socket.write(request + '\n');
        socket.waitForBytesWritten(kConnectTimeoutMs);
        socket.disconnectFromServer();
    }
    return Claim::AlreadyRunning;
}

void SingleInstance::Listen() {
    // A socket file left by an instance that crashed would block the listen.
    QLocalServer::removeServer(SocketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
    if (!m_server->listen(SocketPath())) {
        m_error =
            QStringLiteral("cannot listen on %1: %2").arg(SocketPath(), m_server->errorString());
    }
}

void SingleInstance::OnConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // Only the same user can connect; still, a request is one bounded line.
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxRequestBytes) {
                    socket->abort();
                }
                return;
            }
            QByteArray line = socket->readLine(kMaxRequestBytes);
            if (!line.endsWith('\n')) {
                socket->abort();
                return;
            }
            line.chop(1);
            socket->disconnectFromServer();
            const qsizetype tab = line.indexOf('\t');
            if ((tab < 0 ? line : line.first(tab)) != kActivateRequest) {
                return;
            }
            const QString file =
                tab < 0 ? QString()
                        : QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(tab + 1)));
            // Not from inside the socket's signal: opening a file may show a message whose
            // event loop would delete the socket under this handler.
            QTimer::singleShot(0, this, [this, file] {
                if (m_onActivate) {
                    m_onActivate(file);
                }
            });
        });
    }
}

}  // namespace platform
