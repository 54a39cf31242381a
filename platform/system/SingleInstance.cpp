#include "platform/system/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>

namespace platform {

namespace {

constexpr char kActivateRequest[] = "activate\n";
constexpr int kConnectTimeoutMs = 1000;

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

SingleInstance::Claim SingleInstance::TryClaim() {
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
        socket.write(kActivateRequest);
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
            if (socket->readAll().contains(QByteArrayLiteral("activate")) && m_onActivate) {
                m_onActivate();
            }
        });
    }
}

}  // namespace platform
