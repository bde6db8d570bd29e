// The real vindelor program against the simulated dialer: a pseudo-terminal stands in for
// COM1, the dialer takes it and lets it go, and the program must notice both, log the
// session and end with exit code 0.
#include "core/profile.h"
#include "core/sessionlog.h"
#include "core/texts.h"
#include "support/testenv.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace vindelor::test {
namespace {

const QString kVindelor = QStringLiteral(VINDELOR_BINARY_DIR "/monitor/vindelor");
const QString kSimDialer = QStringLiteral(VINDELOR_BINARY_DIR "/tools/simdialer");

QString Setting(const QString& section, const QString& key) {
    ClearProfileCache();
    return GetProfileString(section, key, QStringLiteral("<none>"), 100, kSettingsFile);
}

class VindelorEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(kVindelor)) << kVindelor.toStdString();
        ASSERT_TRUE(QFile::exists(kSimDialer)) << kSimDialer.toStdString();
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VINDELOR_DIR"), data.path());
        env.insert(QStringLiteral("VINDELOR_LOCK_DIR"), locks.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }

    void TearDown() override {
        for (QProcess* p : {&vindelor, &dialer}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(2000);
            }
        }
    }

    // Starts the dialer; returns the pseudo-terminal it made.
    QString StartDialer(const QStringList& args) {
        dialer.setProcessEnvironment(env);
        dialer.start(kSimDialer, args + QStringList{QStringLiteral("--lock-dir"), locks.path()});
        if (!dialer.waitForStarted(5000)) {
            return {};
        }
        QString device;
        WaitFor(
            [&] {
                dialer.waitForReadyRead(50);
                dialerOutput += QString::fromLocal8Bit(dialer.readAll());
                const auto m =
                    QRegularExpression(QStringLiteral("READY (\\S+)")).match(dialerOutput);
                if (m.hasMatch()) {
                    device = m.captured(1);
                }
                return !device.isEmpty();
            },
            5000);
        return device;
    }

    void Configure(const QString& device, const QList<std::array<QString, 3>>& extra) {
        const QList<std::array<QString, 3>> base = {
            {QStringLiteral("Ports"), QStringLiteral("COM1"), device},
            {QStringLiteral("Modem"), QStringLiteral("Port"), QStringLiteral("COM1")},
            {QStringLiteral("Refresh"), QStringLiteral("Rate"), QStringLiteral("100")},
            {QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej")},
        };
        for (const auto& kv : base + extra) {
            ASSERT_TRUE(WriteProfileString(kv[0], kv[1], kv[2], kSettingsFile));
        }
    }

    // Waits until the program has written `text` to its standard output (or error).
    bool WaitForOutput(const QString& text, int timeoutMs, bool fromStderr = false) {
        return WaitFor(
            [&] {
                vindelor.waitForReadyRead(50);
                firstOutput +=
                    QString::fromLocal8Bit(fromStderr ? vindelor.readAllStandardError()
                                                      : vindelor.readAllStandardOutput());
                return firstOutput.contains(text);
            },
            timeoutMs);
    }

    void StartVindelor() {
        vindelor.setProcessEnvironment(env);
        vindelor.start(kVindelor, {});
        ASSERT_TRUE(vindelor.waitForStarted(5000));
    }

    ScopedDataDir data;
    QTemporaryDir locks;
    QProcessEnvironment env;
    QProcess dialer;
    QProcess vindelor;
    QString dialerOutput;
    QString firstOutput;
};

TEST_F(VindelorEndToEnd, BusyPortOpensASessionAndReleaseEndsTheProgram) {
    const QString device = StartDialer({QStringLiteral("--delay"), QStringLiteral("1"),
                                        QStringLiteral("--hold"), QStringLiteral("stdin")});
    ASSERT_FALSE(device.isEmpty()) << dialerOutput.toStdString();
    Configure(device, {});
    StartVindelor();

    ASSERT_TRUE(WaitFor(
        [] { return Setting(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")) == "Ja"; }, 10000))
        << vindelor.readAllStandardError().toStdString();
    EXPECT_EQ(vindelor.state(), QProcess::Running);

    dialer.write("\n");  // the dialer hangs up
    dialer.waitForBytesWritten(2000);
    dialer.closeWriteChannel();
    ASSERT_TRUE(vindelor.waitForFinished(10000));
    EXPECT_EQ(vindelor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(vindelor.exitCode(), 0);
    EXPECT_EQ(Setting(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Nej"));
}

TEST_F(VindelorEndToEnd, ShortSessionLeavesOneCorrectLineAndTheTotals) {
    const QString device = StartDialer({QStringLiteral("--delay"), QStringLiteral("0"),
                                        QStringLiteral("--hold"), QStringLiteral("stdin")});
    ASSERT_FALSE(device.isEmpty()) << dialerOutput.toStdString();
    Configure(device, {
                          {QStringLiteral("Connect"), QStringLiteral("average"), "0"},
                          {QStringLiteral("Session"), QStringLiteral("<1min"), "Ja"},
                          {QStringLiteral("Session"), QStringLiteral("Avrundning"), "Ja"},
                          {QStringLiteral("Charge"), QStringLiteral("per_min"), "0.25"},
                          {QStringLiteral("kostnad"), QStringLiteral("Totalt"), "1.5"},
                          {QStringLiteral("Nättid"), QStringLiteral("Totalt"), "01:00:00"},
                      });
    StartVindelor();
    ASSERT_TRUE(WaitForOutput(QStringLiteral("Session started"), 10000));
    // Held for at least 2 s from when the program saw the port taken.
    QElapsedTimer held;
    held.start();
    WaitFor([&] { return held.hasExpired(2000); }, 3000);
    dialer.write("\n");
    ASSERT_TRUE(dialer.waitForBytesWritten(2000));
    ASSERT_TRUE(vindelor.waitForFinished(15000));
    const QString out = firstOutput + QString::fromLocal8Bit(vindelor.readAllStandardOutput());
    EXPECT_EQ(vindelor.exitCode(), 0) << out.toStdString();

    ClearProfileCache();
    const QStringList lines = ReadLogLines();
    ASSERT_EQ(lines.size(), 1) << out.toStdString();
    const LogLineParts parts = SplitLogLine(lines[0]);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(parts.time).hasMatch())
        << lines[0].toStdString();
    // The logged time is the one the program measured, and no shorter than the hold.
    const auto ended =
        QRegularExpression(QStringLiteral("Session ended after (\\d+) s")).match(out);
    ASSERT_TRUE(ended.hasMatch()) << out.toStdString();
    const int seconds = ended.captured(1).toInt();
    EXPECT_GE(seconds, 2);
    ASSERT_LT(seconds, 60) << "no whole minute may be charged";
    EXPECT_EQ(parts.duration, QStringLiteral("00:00:%1").arg(seconds, 2, 10, QLatin1Char('0')));
    EXPECT_EQ(parts.cost, QStringLiteral("   0.0000"));
    EXPECT_TRUE(out.contains(QStringLiteral("Log line: ") + lines[0])) << out.toStdString();

    EXPECT_EQ(Setting(QStringLiteral("kostnad"), QStringLiteral("Totalt")), QStringLiteral("1.50"));
    EXPECT_EQ(Setting(QStringLiteral("Nättid"), QStringLiteral("Totalt")),
              QStringLiteral("01:") + parts.duration.mid(3));
    EXPECT_EQ(Setting(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Nej"));
}

// With the summary on, as by default: nobody answers it while the program is stopped.
TEST_F(VindelorEndToEnd, TerminatedDuringASessionStillLogsItAndClearsTheFlag) {
    const QString device = StartDialer({QStringLiteral("--delay"), QStringLiteral("0"),
                                        QStringLiteral("--hold"), QStringLiteral("stdin")});
    ASSERT_FALSE(device.isEmpty()) << dialerOutput.toStdString();
    Configure(device, {
                          {QStringLiteral("Connect"), QStringLiteral("average"), "0"},
                          {QStringLiteral("Session"), QStringLiteral("<1min"), "Ja"},
                          {QStringLiteral("Charge"), QStringLiteral("per_min"), "0.10"},
                          {QStringLiteral("Avsluta"), QStringLiteral("Visa"), "Ja"},
                      });
    StartVindelor();
    ASSERT_TRUE(WaitFor(
        [] { return Setting(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")) == "Ja"; }, 10000))
        << vindelor.readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(vindelor.processId()), SIGTERM);
    ASSERT_TRUE(vindelor.waitForFinished(10000));
    EXPECT_EQ(vindelor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(vindelor.exitCode(), 0);
    EXPECT_EQ(Setting(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Nej"));
    ClearProfileCache();
    const QStringList lines = ReadLogLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(SplitLogLine(lines[0]).duration, QStringLiteral("00:00:00"));
    EXPECT_EQ(Setting(QStringLiteral("kostnad"), QStringLiteral("Totalt")), QStringLiteral("0.00"));
}

TEST_F(VindelorEndToEnd, TerminatedWhileAskingForThePortEndsAtOnce) {
    // Nothing stored and nothing found: the manual choice opens and, having no cancel,
    // would come back for ever.
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Språk"), QStringLiteral("Språk"),
                                   QStringLiteral("UK"), kSettingsFile));
    StartVindelor();
    ASSERT_TRUE(WaitForOutput(QStringLiteral("asking for the modem's port"), 10000));
    ::kill(static_cast<pid_t>(vindelor.processId()), SIGTERM);
    ASSERT_TRUE(vindelor.waitForFinished(5000));
    EXPECT_EQ(vindelor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(vindelor.exitCode(), 0);
    EXPECT_EQ(Setting(QStringLiteral("Modem"), QStringLiteral("Port")), QStringLiteral("<none>"));
    EXPECT_EQ(Setting(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("<none>"));
}

TEST_F(VindelorEndToEnd, SecondCopyOnTheSameDataEndsAndLeavesTheFirstAlone) {
    const QString device = StartDialer({QStringLiteral("--delay"), QStringLiteral("stdin"),
                                        QStringLiteral("--hold"), QStringLiteral("stdin")});
    ASSERT_FALSE(device.isEmpty()) << dialerOutput.toStdString();
    Configure(device, {{QStringLiteral("Språk"), QStringLiteral("Språk"), "SF"}});
    StartVindelor();
    ASSERT_TRUE(WaitForOutput(QStringLiteral("waiting for a connection"), 10000));

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(kVindelor, {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 3);
    EXPECT_TRUE(QString::fromLocal8Bit(second.readAllStandardError())
                    .contains(LoadText(kOwnTextBase + kTextAlreadyRunning + kFinnishOffset)));
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());

    // The first one still counts the connection.
    dialer.write("\n");  // the dialer takes the port
    ASSERT_TRUE(dialer.waitForBytesWritten(2000));
    ASSERT_TRUE(WaitFor(
        [] { return Setting(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")) == "Ja"; }, 10000));
    EXPECT_EQ(vindelor.state(), QProcess::Running);
}

TEST_F(VindelorEndToEnd, MissingDeviceIsNoConnection) {
    // "Aktiv" left set by a session that was killed: cleared once the program runs.
    Configure(data.file(QStringLiteral("no-such-tty")),
              {{QStringLiteral("Aktiv"), QStringLiteral("Aktiv"), "Ja"}});
    StartVindelor();
    // The program says so once it has polled the port and found it missing; it goes on
    // waiting.
    ASSERT_TRUE(WaitForOutput(QStringLiteral("waiting for a connection"), 10000));
    firstOutput.clear();
    ASSERT_TRUE(WaitForOutput(QStringLiteral("no-such-tty"), 10000, true));
    EXPECT_EQ(vindelor.state(), QProcess::Running);
    EXPECT_EQ(Setting(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Nej"));
    ::kill(static_cast<pid_t>(vindelor.processId()), SIGTERM);
    ASSERT_TRUE(vindelor.waitForFinished(5000));
    EXPECT_EQ(vindelor.exitCode(), 0);
    ClearProfileCache();
    EXPECT_TRUE(ReadLogLines().isEmpty());
}

TEST_F(VindelorEndToEnd, CommandLineAnswersWithoutTouchingAnything) {
    struct Case {
        QStringList args;
        bool display;
        int exitCode;
        const char* stdoutHas;
        const char* stderrHas;
    };
    const Case cases[] = {
        {{QStringLiteral("--version")}, false, 0, "vindelor 1.12a", ""},
        {{QStringLiteral("--help")}, false, 0, "Usage: vindelor", ""},
        {{QStringLiteral("-h")}, false, 0, "--choose-port", ""},
        {{QStringLiteral("--bogus")}, true, 2, "", "unknown argument '--bogus'"},
        {{QStringLiteral("--interface")}, true, 2, "", "needs the name of a network interface"},
        {{QStringLiteral("--interface"), QStringLiteral("usb0:1")},
         true,
         2,
         "",
         "'usb0:1' cannot be the name of a network interface"},
        {{QStringLiteral("--interface=a-name-over-15-chars")},
         true,
         2,
         "",
         "cannot be the name of a network interface"},
        {{}, false, 1, "", "no display"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QProcessEnvironment caseEnv = env;
        caseEnv.remove(QStringLiteral("DISPLAY"));
        caseEnv.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (!c.display) {
            caseEnv.remove(QStringLiteral("QT_QPA_PLATFORM"));
        }
        QProcess p;
        p.setProcessEnvironment(caseEnv);
        p.start(kVindelor, c.args);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), c.exitCode);
        EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardOutput()).contains(c.stdoutHas));
        EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardError()).contains(c.stderrHas));
    }
    // Nothing was created in the data directory.
    EXPECT_TRUE(QDir(data.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());

    // The help speaks the stored language, whatever the desktop's.
    QFile ini(data.path() + QStringLiteral("/Vindelor.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Spr\xe5k]\r\nSpr\xe5k=SF\r\n");
    ini.close();
    QProcess help;
    help.setProcessEnvironment(env);
    help.start(kVindelor, {QStringLiteral("--help")});
    ASSERT_TRUE(help.waitForFinished(10000));
    const QString text = QString::fromUtf8(help.readAllStandardOutput());
    EXPECT_TRUE(text.startsWith(QString::fromUtf8("Käyttö: vindelor"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("--choose-port")));
}

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

TEST_F(VindelorEndToEnd, InterfaceComingUpIsASessionAndGoingDownLogsIt) {
    const QString ns = QStringLiteral("vindelor-e2e-%1").arg(QCoreApplication::applicationPid());
    const QString made = Ip({QStringLiteral("netns"), QStringLiteral("add"), ns});
    if (!made.isEmpty()) {
        GTEST_SKIP() << "this user may not make a network namespace (it needs root or "
                        "CAP_SYS_ADMIN, and iproute2): "
                     << made.toStdString();
    }
    struct Cleanup {
        QString ns;
        ~Cleanup() { Ip({QStringLiteral("netns"), QStringLiteral("del"), ns}); }
    } cleanup{ns};
    const auto link = [&ns](const QStringList& args) {
        return Ip(QStringList{QStringLiteral("-n"), ns, QStringLiteral("link")} + args);
    };
    const QString veth =
        link({QStringLiteral("add"), QStringLiteral("wwan9"), QStringLiteral("type"),
              QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"),
              QStringLiteral("far")});
    if (!veth.isEmpty()) {
        GTEST_SKIP() << "no veth pair could be made (driver missing?): " << veth.toStdString();
    }
    ASSERT_EQ(link({QStringLiteral("set"), QStringLiteral("wwan9"), QStringLiteral("up")}),
              QString());
    // No port at all: were it probed or asked for, the program would not get going.
    for (const auto& kv : QList<std::array<QString, 3>>{
             {QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej")},
             {QStringLiteral("Session"), QStringLiteral("<1min"), QStringLiteral("Ja")},
             {QStringLiteral("Connect"), QStringLiteral("average"), QStringLiteral("0")},
         }) {
        ASSERT_TRUE(WriteProfileString(kv[0], kv[1], kv[2], kSettingsFile));
    }
    vindelor.setProcessEnvironment(env);
    vindelor.start(QStringLiteral("ip"),
                   {QStringLiteral("netns"), QStringLiteral("exec"), ns, kVindelor,
                    QStringLiteral("--interface"), QStringLiteral("wwan9")});
    ASSERT_TRUE(vindelor.waitForStarted(5000));
    QString out;
    const auto printed = [&](const char* text) {
        return WaitFor(
            [&] {
                vindelor.waitForReadyRead(50);
                out += QString::fromLocal8Bit(vindelor.readAllStandardOutput());
                return out.contains(QLatin1String(text));
            },
            10000);
    };
    ASSERT_TRUE(printed("waiting for a connection on interface wwan9")) << out.toStdString();

    // The far end comes up: the near end gets its carrier.
    ASSERT_EQ(link({QStringLiteral("set"), QStringLiteral("far"), QStringLiteral("up")}),
              QString());
    ASSERT_TRUE(printed("Session started")) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("on interface wwan9")));
    EXPECT_EQ(Setting(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Ja"));

    ASSERT_EQ(link({QStringLiteral("set"), QStringLiteral("far"), QStringLiteral("down")}),
              QString());
    ASSERT_TRUE(vindelor.waitForFinished(10000));
    out += QString::fromLocal8Bit(vindelor.readAllStandardOutput());
    EXPECT_EQ(vindelor.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Log line: "))) << out.toStdString();
    EXPECT_EQ(Setting(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Nej"));
    ClearProfileCache();
    EXPECT_NE(GetProfileString(QStringLiteral("Nättid"), QStringLiteral("1"),
                               QStringLiteral("<none>"), 200, kLogFile),
              QStringLiteral("<none>"));
}

// A stand-in for the desktop's notification service on a private session bus.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    QStringList bodies;

  public slots:
    uint Notify(const QString&, uint, const QString&, const QString&, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        bodies << body;
        return static_cast<uint>(bodies.size());
    }
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
};

// Like WaitFor, but the test's own D-Bus service answers meanwhile.
bool WaitServing(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (condition()) {
            return true;
        }
        QThread::msleep(20);
    }
    return condition();
}

TEST_F(VindelorEndToEnd, BudgetWarningsAndTheHangUpCommandAtTheLimit) {
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"),
              {QStringLiteral("--session"), QStringLiteral("--nofork"),
               QStringLiteral("--print-address")});
    ASSERT_TRUE(bus.waitForStarted(5000)) << "dbus-daemon (scripts/deps.sh installs it)";
    QString address;
    ASSERT_TRUE(WaitFor(
        [&] {
            bus.waitForReadyRead(50);
            address += QString::fromLocal8Bit(bus.readAllStandardOutput());
            return address.contains(QLatin1Char('\n'));
        },
        5000));
    address = address.trimmed();
    NotificationService service;
    {
        QDBusConnection connection =
            QDBusConnection::connectToBus(address, QStringLiteral("vindelor-e2e"));
        ASSERT_TRUE(connection.isConnected()) << address.toStdString();
        ASSERT_TRUE(connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                              &service, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.Notifications")));
    }
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);

    const QString device = StartDialer({QStringLiteral("--delay"), QStringLiteral("0"),
                                        QStringLiteral("--hold"), QStringLiteral("stdin")});
    ASSERT_FALSE(device.isEmpty()) << dialerOutput.toStdString();
    // 7.00 logged this month (70 % of the budget); the month before and a line without a
    // date do not count. The first minute's 3.00 then reaches the budget.
    const QDate today = QDate::currentDate();
    ASSERT_TRUE(WriteProfileSection(
        kLogSection,
        {{QStringLiteral("1"),
          BuildLogLine(today.addMonths(-1).toString("dd.MM.yyyy"), QStringLiteral("10:00:00"),
                       QStringLiteral("01:00:00"), 50.0)},
         {QStringLiteral("2"), QStringLiteral("?? 10:00:00-00:10:00^   1.0000")},
         {QStringLiteral("3"),
          BuildLogLine(today.toString("dd.MM.yyyy"), QStringLiteral("00:00:01"),
                       QStringLiteral("00:10:00"), 7.0)}},
        kLogFile));
    const QString ran = data.file(QStringLiteral("hung up"));
    const QString hangUp =
        QStringLiteral("sh -c 'echo \"$1\" > \"$0\"; kill -TERM \"$1\"; sleep 1' '%1' %2")
            .arg(ran)
            .arg(dialer.processId());
    Configure(device, {
                          {QStringLiteral("Språk"), QStringLiteral("Språk"), "UK"},
                          {QStringLiteral("Connect"), QStringLiteral("average"), "0"},
                          {QStringLiteral("Charge"), QStringLiteral("per_min"), "3.00"},
                          {QStringLiteral("Billing"), QStringLiteral("Budget"), "10"},
                          {QStringLiteral("Billing"), QStringLiteral("Warn"), "50,100"},
                          {QStringLiteral("Billing"), QStringLiteral("HangUpAt"), "Ja"},
                          {QStringLiteral("Billing"), QStringLiteral("HangUp"), hangUp},
                      });
    StartVindelor();

    ASSERT_TRUE(WaitServing([&] { return !service.bodies.isEmpty(); }, 15000))
        << vindelor.readAllStandardError().toStdString();
    // The share used is named, and the 50 % mark lay below what the month had cost.
    EXPECT_TRUE(service.bodies[0].startsWith(QStringLiteral("70 % of your budget used: $ 7.00")))
        << service.bodies[0].toStdString();
    EXPECT_TRUE(service.bodies[0].contains(QStringLiteral("The warning at 50 %")))
        << service.bodies[0].toStdString();
    EXPECT_FALSE(QFile::exists(ran));

    // The first minute is charged 60 s into the session; the dialer then gets SIGTERM.
    // The command ends a second after the link: its outcome must still be told.
    ASSERT_TRUE(WaitServing([&] { return vindelor.state() == QProcess::NotRunning; }, 90000))
        << service.bodies.join('\n').toStdString();
    EXPECT_EQ(vindelor.exitCode(), 0);
    QFile flag(ran);
    ASSERT_TRUE(flag.open(QIODevice::ReadOnly));
    EXPECT_EQ(flag.readAll().trimmed(), QByteArray::number(dialer.processId()));
    ASSERT_EQ(service.bodies.size(), 3) << service.bodies.join('\n').toStdString();
    EXPECT_TRUE(service.bodies[1].startsWith(QStringLiteral("100 % of your budget used: $ 10.00")))
        << service.bodies[1].toStdString();
    EXPECT_TRUE(service.bodies[2].contains(QStringLiteral("Vindelor ran \"sh -c")))
        << service.bodies[2].toStdString();
    const QString err = QString::fromLocal8Bit(vindelor.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("reached the budget"))) << err.toStdString();
    // The line without a date is named by its number, to be found and mended.
    EXPECT_TRUE(err.contains(QStringLiteral("left out of the month's cost. The lines: 2.")))
        << err.toStdString();
    EXPECT_TRUE(dialer.waitForFinished(5000));

    QDBusConnection::disconnectFromBus(QStringLiteral("vindelor-e2e"));
    bus.kill();
    bus.waitForFinished(2000);
}

TEST_F(VindelorEndToEnd, AHangUpCommandOutlivingTheLinkWithoutADesktopStillLetsTheProgramEnd) {
    // No session bus: no notification, and the offscreen platform has no tray.
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=") + data.file(QStringLiteral("no-bus")));
    const QString device = StartDialer({QStringLiteral("--delay"), QStringLiteral("0"),
                                        QStringLiteral("--hold"), QStringLiteral("stdin")});
    ASSERT_FALSE(device.isEmpty()) << dialerOutput.toStdString();
    // The budget is used up already: the first tick hangs up.
    ASSERT_TRUE(AppendLogLine(BuildLogLine(QDate::currentDate().toString("dd.MM.yyyy"),
                                           QStringLiteral("00:00:01"), QStringLiteral("00:10:00"),
                                           10.0)) > 0);
    Configure(device,
              {
                  {QStringLiteral("Språk"), QStringLiteral("Språk"), "UK"},
                  {QStringLiteral("Charge"), QStringLiteral("per_min"), "3.00"},
                  {QStringLiteral("Billing"), QStringLiteral("Budget"), "10"},
                  {QStringLiteral("Billing"), QStringLiteral("Warn"), ""},
                  {QStringLiteral("Billing"), QStringLiteral("HangUpAt"), "Ja"},
                  {QStringLiteral("Billing"), QStringLiteral("HangUp"),
                   QStringLiteral("sh -c 'kill -TERM %1; sleep 1'").arg(dialer.processId())},
              });
    StartVindelor();
    ASSERT_TRUE(vindelor.waitForFinished(30000)) << "still running after the hang-up";
    EXPECT_EQ(vindelor.exitCode(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(vindelor.readAllStandardError())
                    .contains(QStringLiteral("Vindelor ran \"sh -c")));
}

}  // namespace
}  // namespace vindelor::test

#include "vindelor_e2e_test.moc"
