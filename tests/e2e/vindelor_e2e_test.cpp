// The real vindelor program against the simulated dialer: a pseudo-terminal stands in for
// COM1, the dialer takes it and lets it go, and the program must notice both, log the
// session and end with exit code 0.
#include "shared/profile.h"
#include "shared/sessionlog.h"
#include "shared/texts.h"
#include "support/testenv.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace vindelor::test {
namespace {

const QString kVindelor = QStringLiteral(VINDELOR_BINARY_DIR "/monitor/vindelor");
const QString kSimDialer = QStringLiteral(VINDELOR_BINARY_DIR "/tools/simdialer");

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (condition()) {
            return true;
        }
        QThread::msleep(50);
    }
    return condition();
}

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
    const QString device = StartDialer({QStringLiteral("--delay"), QStringLiteral("1"),
                                        QStringLiteral("--hold"), QStringLiteral("3")});
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
    ASSERT_TRUE(vindelor.waitForFinished(15000));
    const QString out = QString::fromLocal8Bit(vindelor.readAllStandardOutput());
    EXPECT_EQ(vindelor.exitCode(), 0) << out.toStdString();

    ClearProfileCache();
    const QStringList lines = ReadLogLines();
    ASSERT_EQ(lines.size(), 1) << out.toStdString();
    const LogLineParts parts = SplitLogLine(lines[0]);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(parts.time).hasMatch())
        << lines[0].toStdString();
    // Held for 3 s; polled every 100 ms: 2 to 4 connected seconds, no whole minute.
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^00:00:0[234]$")).match(parts.duration).hasMatch())
        << lines[0].toStdString();
    EXPECT_EQ(parts.cost, QStringLiteral("   0.0000"));
    EXPECT_TRUE(out.contains(QStringLiteral("Log line: ") + lines[0])) << out.toStdString();

    EXPECT_EQ(Setting(QStringLiteral("kostnad"), QStringLiteral("Totalt")), QStringLiteral("1.50"));
    EXPECT_EQ(Setting(QStringLiteral("Nättid"), QStringLiteral("Totalt")),
              QStringLiteral("01:") + parts.duration.mid(3));
    EXPECT_EQ(Setting(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Nej"));
}

TEST_F(VindelorEndToEnd, TerminatedDuringASessionStillLogsItAndClearsTheFlag) {
    const QString device = StartDialer({QStringLiteral("--delay"), QStringLiteral("0"),
                                        QStringLiteral("--hold"), QStringLiteral("stdin")});
    ASSERT_FALSE(device.isEmpty()) << dialerOutput.toStdString();
    Configure(device, {
                          {QStringLiteral("Connect"), QStringLiteral("average"), "0"},
                          {QStringLiteral("Session"), QStringLiteral("<1min"), "Ja"},
                          {QStringLiteral("Charge"), QStringLiteral("per_min"), "0.10"},
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
    QThread::msleep(1000);
    ASSERT_EQ(vindelor.state(), QProcess::Running);
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
    ASSERT_TRUE(WaitFor(
        [this] {
            vindelor.waitForReadyRead(50);
            firstOutput += QString::fromLocal8Bit(vindelor.readAllStandardOutput());
            return firstOutput.contains(QStringLiteral("waiting for a connection"));
        },
        10000));

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
    Configure(data.file(QStringLiteral("no-such-tty")), {});
    StartVindelor();
    QThread::msleep(1500);
    EXPECT_EQ(vindelor.state(), QProcess::Running);
    EXPECT_EQ(Setting(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("<none>"));
    ::kill(static_cast<pid_t>(vindelor.processId()), SIGTERM);
    ASSERT_TRUE(vindelor.waitForFinished(5000));
    EXPECT_EQ(vindelor.exitCode(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(vindelor.readAllStandardError())
                    .contains(QStringLiteral("no-such-tty")));
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
        {{QStringLiteral("-h")}, false, 0, "--version", ""},
        {{QStringLiteral("--bogus")}, true, 2, "", "unknown argument '--bogus'"},
        {{QStringLiteral("--interface")}, true, 2, "", "needs the name of a network interface"},
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

}  // namespace
}  // namespace vindelor::test
