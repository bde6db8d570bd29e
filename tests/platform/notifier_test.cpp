// The desktop notification never waits on the caller's thread: a session bus that accepts
// the connection and never answers leaves the caller's 20 ms tick running, and the
// notification counts as not taken once its time limit has passed. Such a bus is found
// before the program's start, so that Qt's own calls on it do not wait either.
#include "platform/notifier.h"
#include "platform/sessionbus.h"
#include "support/mockbus.h"

#include <QElapsedTimer>

#include <optional>

#include <gtest/gtest.h>

namespace vindelor::platform {
namespace {

TEST(DesktopNotifierTest, ASessionBusThatNeverAnswersHoldsNothing) {
    test::SilentBus silent;
    ASSERT_TRUE(silent.Ok());
    const QByteArray old = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", silent.Address());

    test::TickGaps tick;
    std::optional<bool> taken;
    Notifier().Notify(QStringLiteral("Vindelor"), QStringLiteral("80 %"),
                      [&](bool t) { taken = t; });
    EXPECT_LT(tick.clock.elapsed(), 100);
    ASSERT_TRUE(test::PumpFor([&] { return taken.has_value(); }, 8000));
    EXPECT_FALSE(*taken);
    EXPECT_GE(tick.clock.elapsed(), 3000);
    EXPECT_LT(tick.Longest(), 200);

    // The waiting connection fails at once, so the bus thread is free again.
    silent.Close();
    qputenv("DBUS_SESSION_BUS_ADDRESS", old);
}

TEST(DesktopNotifierTest, TheDesktopsAnswerArrivesOnTheCallersThread) {
    test::MockBus bus;
    ASSERT_TRUE(bus.Ok());
    ASSERT_NE(bus.Start(QStringLiteral("org.freedesktop.Notifications"),
                        {QStringLiteral("--template"), QStringLiteral("notification_daemon")}),
              nullptr);
    const QByteArray old = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().toLocal8Bit());
    std::optional<bool> taken;
    Notifier().Notify(QStringLiteral("Vindelor"), QStringLiteral("80 %"),
                      [&](bool t) { taken = t; });
    ASSERT_TRUE(test::PumpFor([&] { return taken.has_value(); }, 3000));
    EXPECT_TRUE(*taken);
    EXPECT_TRUE(WaitForNotifications(1000));
    qputenv("DBUS_SESSION_BUS_ADDRESS", old);
}

TEST(DesktopNotifierTest, ASilentSessionBusIsFoundAndAvoidedBeforeTheStart) {
    test::SilentBus silent;
    ASSERT_TRUE(silent.Ok());
    test::MockBus bus;
    ASSERT_TRUE(bus.Ok());
    const QByteArray old = qgetenv("DBUS_SESSION_BUS_ADDRESS");

    QElapsedTimer clock;
    clock.start();
    qputenv("DBUS_SESSION_BUS_ADDRESS", silent.Address());
    EXPECT_EQ(ProbeSessionBus(300), SessionBus::Silent);
    EXPECT_GE(clock.elapsed(), 250);
    // The daemon's address as it gives it, with a guid after the path.
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().toLocal8Bit());
    EXPECT_EQ(ProbeSessionBus(2000), SessionBus::Answers);
    EXPECT_FALSE(AvoidASilentSessionBus("test", 2000));
    EXPECT_EQ(qgetenv("DBUS_SESSION_BUS_ADDRESS"), bus.Address().toLocal8Bit());
    qputenv("DBUS_SESSION_BUS_ADDRESS", silent.Address() + "-none");
    EXPECT_EQ(ProbeSessionBus(2000), SessionBus::Unreachable);

    qputenv("DBUS_SESSION_BUS_ADDRESS", silent.Address());
    EXPECT_TRUE(AvoidASilentSessionBus("test", 300));
    clock.restart();
    std::optional<bool> taken;
    Notifier().Notify(QStringLiteral("Vindelor"), QStringLiteral("80 %"),
                      [&](bool t) { taken = t; });
    ASSERT_TRUE(test::PumpFor([&] { return taken.has_value(); }, 3000));
    EXPECT_FALSE(*taken);
    EXPECT_LT(clock.elapsed(), 1000) << "the silent bus was asked after all";
    qputenv("DBUS_SESSION_BUS_ADDRESS", old);
}

// A desktop without a notification service refuses at once: the caller falls back to its
// own way of telling without first waiting out the time limit.
TEST(DesktopNotifierTest, ARefusalArrivesBeforeTheTimeLimit) {
    test::MockBus bus;
    ASSERT_TRUE(bus.Ok());
    const QByteArray old = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().toLocal8Bit());
    QElapsedTimer clock;
    clock.start();
    std::optional<bool> taken;
    Notifier().Notify(QStringLiteral("Vindelor"), QStringLiteral("80 %"),
                      [&](bool t) { taken = t; });
    ASSERT_TRUE(test::PumpFor([&] { return taken.has_value(); }, 3000));
    EXPECT_FALSE(*taken);
    EXPECT_LT(clock.elapsed(), 2000);
    qputenv("DBUS_SESSION_BUS_ADDRESS", old);
}

}  // namespace
}  // namespace vindelor::platform
