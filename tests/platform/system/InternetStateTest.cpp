#include "platform/system/InternetState.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

constexpr char kV4Heading[] =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

TEST(InternetStateTest, DefaultRoutesCountWhenUpAndNotLoopback) {
    struct Case {
        const char* what;
        QByteArray table;
        bool v6;
        bool connected;
    };
    const QByteArray v6Zero(32, '0');
    const Case cases[] = {
        {"v4 default via eth0",
         QByteArray(kV4Heading) + "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n",
         false, true},
        {"v4 local network only",
         QByteArray(kV4Heading) + "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n",
         false, false},
        {"v4 default route down",
         QByteArray(kV4Heading) + "wlan0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n",
         false, false},
        {"v4 heading only", QByteArray(kV4Heading), false, false},
        {"v6 default via eth0",
         v6Zero + " 00 " + v6Zero + " 00 fd000000000000000000000000000001 00000400 00000003 " +
             "00000000 00000003     eth0\n",
         true, true},
        {"v6 unreachable default on lo",
         v6Zero + " 00 " + v6Zero + " 00 " + v6Zero + " ffffffff 00000001 00000000 00200200 lo\n",
         true, false},
        {"v6 rejection on another device",
         v6Zero + " 00 " + v6Zero + " 00 " + v6Zero + " ffffffff 00000001 00000000 00000201 eth1\n",
         true, false},
        {"empty", "", true, false},
    };
    for (const Case& c : cases) {
        const bool connected = c.v6 ? HasDefaultRouteV6(c.table) : HasDefaultRouteV4(c.table);
        EXPECT_EQ(connected, c.connected) << c.what;
    }
}

TEST(InternetStateTest, VariableForcesTheAnswer) {
    qputenv(kOnlineVariable, "0");
    EXPECT_FALSE(IsConnectedToInternet());
    qputenv(kOnlineVariable, "1");
    EXPECT_TRUE(IsConnectedToInternet());
    qunsetenv(kOnlineVariable);
}

}  // namespace
}  // namespace platform
