#pragma once
// Whether the computer is connected to the Internet, as the connection state of the system
// reports it (a route to the outside, not a probe of any server). Any thread may call.

#include <QByteArray>

namespace platform {

// "1" or "0" decides the answer (tests); anything else or unset asks the system.
inline constexpr char kOnlineVariable[] = "ROADPLAYER_ONLINE";

bool IsConnectedToInternet();

// True when a routing table in the kernel's text form (/proc/net/route or
// /proc/net/ipv6_route) holds a default route that is up, not a rejection and not over the
// loopback device. Exposed for tests.
bool HasDefaultRouteV4(const QByteArray& table);
bool HasDefaultRouteV6(const QByteArray& table);

}  // namespace platform
