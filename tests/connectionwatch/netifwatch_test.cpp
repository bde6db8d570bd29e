// The network interface backend of the connection watch against the kernel: a veth pair
// in a network namespace of the test's own, whose far end gives the near end its carrier.
#include "connectionwatch/netif/netifwatch.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cerrno>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace vindelor::watch {
namespace {

// Runs `ip ARGS`; the error text when it failed, empty when it worked.
QString Ip(const QStringList& args) {
    QProcess ip;
    ip.start(QStringLiteral("ip"), args);
    if (!ip.waitForFinished(10000)) {
        return QStringLiteral("ip did not finish");
    }
    if (ip.exitStatus() == QProcess::NormalExit && ip.exitCode() == 0) {
        return {};
    }
    const QString error = QString::fromLocal8Bit(ip.readAllStandardError()).trimmed();
    return error.isEmpty() ? QStringLiteral("exit code %1").arg(ip.exitCode()) : error;
}

// A named namespace with a veth pair: "near" is up and waits for its carrier, "far" down.
class VethNamespace : public ::testing::Test {
  protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty() &&
            !QFile::exists(QStringLiteral("/usr/sbin/ip")) &&
            !QFile::exists(QStringLiteral("/sbin/ip"))) {
            GTEST_SKIP() << "iproute2's ip is not installed: no network namespace to test in";
        }
        ns = QStringLiteral("vindelor-test-%1").arg(::getpid());
        QString error = Ip({QStringLiteral("netns"), QStringLiteral("add"), ns});
        if (!error.isEmpty()) {
            GTEST_SKIP() << "this user may not make a network namespace (it needs root or "
                            "CAP_SYS_ADMIN): "
                         << error.toStdString();
        }
        made = true;
        error = Ip({QStringLiteral("-n"), ns, QStringLiteral("link"), QStringLiteral("add"),
                    QStringLiteral("near"), QStringLiteral("type"), QStringLiteral("veth"),
                    QStringLiteral("peer"), QStringLiteral("name"), QStringLiteral("far")});
        if (!error.isEmpty()) {
            GTEST_SKIP() << "no veth pair could be made (driver missing?): " << error.toStdString();
        }
        ASSERT_EQ(Link({QStringLiteral("set"), QStringLiteral("near"), QStringLiteral("up")}),
                  QString());
    }
    void TearDown() override {
        if (made) {
            Ip({QStringLiteral("netns"), QStringLiteral("del"), ns});
        }
    }

    QString Link(const QStringList& args) {
        return Ip(QStringList{QStringLiteral("-n"), ns, QStringLiteral("link")} + args);
    }

    // Makes a watch whose sockets live in the namespace, while this process stays in its
    // own.
    std::unique_ptr<NetworkInterfaceWatch> WatchInside(const QString& name) {
        const int home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        const QByteArray path = QStringLiteral("/run/netns/%1").arg(ns).toLocal8Bit();
        const int inside = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        EXPECT_GE(home, 0);
        EXPECT_GE(inside, 0);
        EXPECT_EQ(::setns(inside, CLONE_NEWNET), 0) << errno;
        auto watch = std::make_unique<NetworkInterfaceWatch>(name);
        EXPECT_EQ(::setns(home, CLONE_NEWNET), 0) << errno;
        ::close(inside);
        ::close(home);
        return watch;
    }

    // Lets the event loop run until the watch reads `state` (the kernel may announce a
    // change in more than one message), or 5 s passed.
    static LinkState Await(NetworkInterfaceWatch& watch, LinkState state) {
        QDeadlineTimer deadline(5000);
        while (watch.Check().state != state && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        return watch.Check().state;
    }

    QString ns;
    bool made = false;
};

TEST_F(VethNamespace, UpAndRunningIsTheConnectionAndTheKernelTellsOfEveryChange) {
    auto watch = WatchInside(QStringLiteral("near"));
    auto absent = WatchInside(QStringLiteral("wwan7"));
    ASSERT_TRUE(watch->HearsEvents());
    int changes = 0;
    QObject::connect(watch.get(), &ConnectionWatch::Changed, [&changes] { ++changes; });

    // Up but without a carrier is no connection yet.
    EXPECT_EQ(watch->Check().state, LinkState::Down);
    const LinkCheck missing = absent->Check();
    EXPECT_EQ(missing.state, LinkState::Unusable);
    EXPECT_EQ(missing.error, ENODEV);
    EXPECT_EQ(missing.subject, QStringLiteral("wwan7"));

    // Each change is announced: the waits end on the signal, not on a poll of Check().
    const auto announced = [&](const QStringList& args, LinkState expected) {
        const int before = changes;
        EXPECT_EQ(Link(args), QString());
        QDeadlineTimer deadline(5000);
        while (changes == before && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        EXPECT_GT(changes, before) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(Await(*watch, expected), expected) << args.join(QLatin1Char(' ')).toStdString();
    };
    announced({QStringLiteral("set"), QStringLiteral("far"), QStringLiteral("up")}, LinkState::Up);
    announced({QStringLiteral("set"), QStringLiteral("far"), QStringLiteral("down")},
              LinkState::Down);
    announced({QStringLiteral("del"), QStringLiteral("near")}, LinkState::Unusable);
    EXPECT_EQ(watch->Check().error, ENODEV);
}

}  // namespace
}  // namespace vindelor::watch
