#include "platform/system/DesktopNotices.h"

#include "platform/system/Log.h"
#include "platform/system/SessionBus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <algorithm>

namespace platform {

namespace {

constexpr char kService[] = "org.freedesktop.Notifications";
constexpr char kPath[] = "/org/freedesktop/Notifications";
constexpr char kInterface[] = "org.freedesktop.Notifications";
// The service's own choice of how long a notice stays.
constexpr int32_t kServerTimeout = -1;
// A service that does not answer within this is taken as absent.
constexpr int kCallTimeoutMs = 5000;

}  // namespace

DesktopNotices::DesktopNotices(QObject* parent) : QObject(parent), m_connection(QString()) {}

DesktopNotices::~DesktopNotices() {
    if (!m_connectionName.isEmpty()) {
        QDBusConnection::disconnectFromBus(m_connectionName);
    }
}

void DesktopNotices::SetApplication(const QString& name, const QString& desktopEntry) {
    m_application = name;
    m_desktopEntry = desktopEntry;
}

bool DesktopNotices::Connect() {
    if (!m_connectionName.isEmpty()) {
        return m_connected;
    }
    m_connectionName =
        QStringLiteral("roadplayer-notices-%1").arg(reinterpret_cast<quintptr>(this));
    m_connection = ConnectToSessionBus(m_connectionName);
    m_connected = m_connection.isConnected();
    if (!m_connected) {
        qCInfo(lcSystem) << "no session bus for desktop notices:"
                         << m_connection.lastError().message();
        return false;
    }
    const QString service = QString::fromLatin1(kService);
    const QString path = QString::fromLatin1(kPath);
    const QString interface = QString::fromLatin1(kInterface);
    m_connection.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                         SLOT(OnActionInvoked(uint, QString)));
    m_connection.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                         SLOT(OnClosed(uint, uint)));
    return true;
}

void DesktopNotices::Show(const QString& summary, const QString& body,
                          const std::vector<Action>& actions, ShownHandler shown) {
    if (!Connect()) {
        QTimer::singleShot(0, this, [shown = std::move(shown)] { shown(std::nullopt); });
        return;
    }
    QStringList actionList;
    for (const Action& action : actions) {
        actionList << action.key << action.label;
    }
    QVariantMap hints;
    if (!m_desktopEntry.isEmpty()) {
        hints.insert(QStringLiteral("desktop-entry"), m_desktopEntry);
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                       QString::fromLatin1(kInterface), QStringLiteral("Notify"));
    call << m_application << 0u << m_desktopEntry << summary << body << actionList << hints
         << kServerTimeout;
    auto* watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, shown = std::move(shown)](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusPendingReply<uint> reply = *call;
                if (reply.isError()) {
                    qCInfo(lcSystem)
                        << "no desktop notice:" << reply.error().name() << reply.error().message();
                    shown(std::nullopt);
                    return;
                }
                m_shown.push_back(reply.value());
                shown(reply.value());
            });
}

void DesktopNotices::Close(uint32_t id) {
    const auto known = std::find(m_shown.begin(), m_shown.end(), id);
    if (known == m_shown.end() || !m_connected) {
        return;
    }
    m_shown.erase(known);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kService), QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
        QStringLiteral("CloseNotification"));
    call << id;
    if (!m_connection.send(call)) {
        qCInfo(lcSystem) << "a desktop notice could not be closed:" << id;
    }
}

void DesktopNotices::OnActionInvoked(uint id, const QString& key) {
    // Every program's notices are broadcast; only this object's own count.
    if (std::find(m_shown.begin(), m_shown.end(), id) != m_shown.end() && m_onAction) {
        m_onAction(id, key);
    }
}

void DesktopNotices::OnClosed(uint id, uint reason) {
    const auto known = std::find(m_shown.begin(), m_shown.end(), id);
    if (known != m_shown.end()) {
        qCDebug(lcSystem) << "desktop notice" << id << "closed, reason" << reason;
        m_shown.erase(known);
    }
}

}  // namespace platform
