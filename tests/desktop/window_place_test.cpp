// The real vindelor on a display with a window manager, against the simulated dialer:
// the place the window is left at is where the next session shows it, session after
// session.
#include "xsession.h"

#include "core/profile.h"
#include "support/testenv.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPoint>
#include <QProcess>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace vindelor::test {
namespace {

const QString kVindelor = QStringLiteral(VINDELOR_BINARY_DIR "/monitor/vindelor");
const QString kSimDialer = QStringLiteral(VINDELOR_BINARY_DIR "/tools/simdialer");

QString Setting(const QString& section, const QString& key) {
    ClearProfileCache();
    return GetProfileString(section, key, QStringLiteral("<none>"), 100, kSettingsFile);
}

// The managed, viewable window of process `pid`, or 0.
unsigned long ShownWindowOf(qint64 pid) {
    const QString list = RunTool({QStringLiteral("xprop"), QStringLiteral("-root"),
                                  QStringLiteral("-notype"), QStringLiteral("_NET_CLIENT_LIST")});
    const QRegularExpression id(QStringLiteral("0x[0-9a-fA-F]+"));
    for (auto it = id.globalMatch(list); it.hasNext();) {
        const unsigned long window = it.next().captured().toULong(nullptr, 16);
        if (WindowProperty(window, "_NET_WM_PID") != QStringLiteral("_NET_WM_PID = %1").arg(pid)) {
            continue;
        }
        const QString info =
            RunTool({QStringLiteral("xwininfo"), QStringLiteral("-id"), QString::number(window)});
        if (info.contains(QStringLiteral("IsViewable"))) {
            return window;
        }
    }
    return 0;
}

// Where the client area of `window` is on the screen.
QPoint ClientOrigin(unsigned long window) {
    const QString info =
        RunTool({QStringLiteral("xwininfo"), QStringLiteral("-id"), QString::number(window)});
    const auto x =
        QRegularExpression(QStringLiteral("Absolute upper-left X:\\s+(-?\\d+)")).match(info);
    const auto y =
        QRegularExpression(QStringLiteral("Absolute upper-left Y:\\s+(-?\\d+)")).match(info);
    return {x.captured(1).toInt(), y.captured(1).toInt()};
}

TEST(WindowPlace, SessionsShowTheWindowWhereTheLastOneLeftIt) {
    if (TheSession().Display().isEmpty()) {
        GTEST_SKIP() << "no X display with a window manager: " << NoSessionReason().toStdString();
    }
    // Vindelor waits in the panel's notification area and shows its window from there.
    ASSERT_TRUE(WaitFor(
        [] {
            QCoreApplication::processEvents();
            return QSystemTrayIcon::isSystemTrayAvailable();
        },
        10000))
        << "trayer gave no notification area";
    ScopedDataDir data;
    QTemporaryDir locks;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VINDELOR_LOCK_DIR"), locks.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

    const QList<std::array<QString, 3>> settings = {
        {QStringLiteral("Modem"), QStringLiteral("Port"), QStringLiteral("COM1")},
        {QStringLiteral("Refresh"), QStringLiteral("Rate"), QStringLiteral("100")},
        {QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej")},
        {QStringLiteral("Språk"), QStringLiteral("Språk"), QStringLiteral("UK")},
        {QStringLiteral("Position"), QStringLiteral("Left"), QStringLiteral("300")},
        {QStringLiteral("Position"), QStringLiteral("Top"), QStringLiteral("300")},
    };
    for (const auto& kv : settings) {
        ASSERT_TRUE(WriteProfileString(kv[0], kv[1], kv[2], kSettingsFile));
    }

    QList<QPoint> shownAt;
    for (int session = 1; session <= 3; ++session) {
        SCOPED_TRACE(session);
        QProcess dialer;
        dialer.setProcessEnvironment(env);
        dialer.start(kSimDialer,
                     {QStringLiteral("--delay"), QStringLiteral("0.5"), QStringLiteral("--hold"),
                      QStringLiteral("stdin"), QStringLiteral("--lock-dir"), locks.path()});
        QString dialerOut;
        QString device;
        ASSERT_TRUE(WaitFor(
            [&] {
                dialer.waitForReadyRead(50);
                dialerOut += QString::fromLocal8Bit(dialer.readAll());
                device =
                    QRegularExpression(QStringLiteral("READY (\\S+)")).match(dialerOut).captured(1);
                return !device.isEmpty();
            },
            5000));
        ASSERT_TRUE(WriteProfileString(QStringLiteral("Ports"), QStringLiteral("COM1"), device,
                                       kSettingsFile));

        QProcess vindelor;
        vindelor.setProcessEnvironment(env);
        vindelor.start(kVindelor, {});
        unsigned long window = 0;
        ASSERT_TRUE(
            WaitFor([&] { return (window = ShownWindowOf(vindelor.processId())) != 0; }, 15000))
            << vindelor.readAllStandardError().toStdString();
        // The window manager may still be placing it: take the place once it holds still.
        QPoint place = ClientOrigin(window);
        for (int i = 0; i < 10; ++i) {
            QThread::msleep(100);
            const QPoint again = ClientOrigin(window);
            if (again == place) {
                break;
            }
            place = again;
        }
        shownAt << place;

        dialer.write("\n");  // the dialer hangs up; the session closes and stores the place
        dialer.waitForBytesWritten(2000);
        dialer.closeWriteChannel();
        ASSERT_TRUE(vindelor.waitForFinished(15000));
        EXPECT_EQ(vindelor.exitCode(), 0);
        dialer.waitForFinished(5000);

        EXPECT_EQ(Setting(QStringLiteral("Position"), QStringLiteral("Left")),
                  QStringLiteral("300"));
        EXPECT_EQ(Setting(QStringLiteral("Position"), QStringLiteral("Top")),
                  QStringLiteral("300"));
    }
    // The stored place is the frame's: the client area lies inside it, right and below.
    ASSERT_EQ(shownAt.size(), 3);
    EXPECT_GE(shownAt[0].x(), 300);
    EXPECT_GT(shownAt[0].y(), 300) << "under the title bar";
    EXPECT_EQ(shownAt[1], shownAt[0]);
    EXPECT_EQ(shownAt[2], shownAt[0]);
}

}  // namespace
}  // namespace vindelor::test
