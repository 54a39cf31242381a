#pragma once
// A connection of one's own to the user's session bus, made under a name (disconnect it by that
// name). The bus's address is read at every call, so a connection made later follows the
// environment of its time. GUI thread only.

#include <QDBusConnection>
#include <QString>

namespace platform {

// Not connected (isConnected false) when there is no session bus.
QDBusConnection ConnectToSessionBus(const QString& connectionName);

}  // namespace platform
