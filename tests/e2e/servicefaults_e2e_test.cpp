// The real vindelor following NetworkManager and ModemManager through the services'
// everyday faults (an answer past its limit, an error, an answer of another shape, the
// service gone and back) at each moment of a session: while it waits, as the connection
// comes up, in its middle and as it goes down. What a user cares about holds in every case: no
// session invented, none lost, none split in two, no box once ending, and the program ends by
// itself.
#include "core/profile.h"
#include "support/mockbus.h"
#include "support/testenv.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vindelor::test {
namespace {

const QString kVindelor = QStringLiteral(VINDELOR_BINARY_DIR "/monitor/vindelor");
// The program's answer limit for the run (its test hook), and how late a late answer is.
constexpr int kLimitMs = 150;
constexpr int kLateMs = 500;
// Long enough for a look to meet a fault, or to follow the fault's end, several times.
constexpr int kSettleMs = 500;

enum class Moment { Waiting, Start, Middle, End };

// A service, its stand-in in tests/support/, what vindelor is told to watch and the
// stand-in's commands that bring the connection up and down.
struct Service {
    const char* name;
    const char* script;
    const char* option;
    const char* watched;
    const char* up;
    const char* down;
};

const Service kServices[] = {
    {"org.freedesktop.NetworkManager", "faultynm.py", "--nm-connection", "Mobile", "state 2",
     "state 4"},
    {"org.freedesktop.ModemManager1", "faultymm.py", "--modem", "350000000000001", "state 11",
     "state 8"},
};

struct Fault {
    const char* name;
    const char* begin;  // the command to the service that spoils it
    const char* end;    // the one that mends it
};

const Fault kFaults[] = {
    {"late", "fault late", "fault none"},
    {"error", "fault error", "fault none"},
    {"wrong type", "fault type", "fault none"},
    {"gone and back", "vanish", "return"},
};

class Run {
  public:
    Run() {
        for (const auto& kv : QList<std::array<QString, 3>>{
                 {QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej")},
                 {QStringLiteral("Session"), QStringLiteral("<1min"), QStringLiteral("Ja")},
                 {QStringLiteral("Connect"), QStringLiteral("average"), QStringLiteral("0")},
             }) {
            WriteProfileString(kv[0], kv[1], kv[2], kSettingsFile);
        }
    }
    ~Run() {
        if (vindelor.state() != QProcess::NotRunning) {
            vindelor.kill();
            vindelor.waitForFinished(3000);
        }
    }
    void Start(const Service& service) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VINDELOR_DIR"), data.path());
        env.insert(QStringLiteral("VINDELOR_LOCK_DIR"), locks.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("VINDELOR_BUS_ANSWER_MS"), QString::number(kLimitMs));
        vindelor.setProcessEnvironment(env);
        vindelor.start(kVindelor, {QLatin1String(service.option), QLatin1String(service.watched)});
    }
    // Reads the program's output for `ms`, or until `text` is in it.
    bool Read(int ms, const QString& text = QString()) {
        return PumpFor(
            [&] {
                vindelor.waitForReadyRead(5);
                out += QString::fromLocal8Bit(vindelor.readAllStandardOutput());
                return !text.isEmpty() && out.contains(text);
            },
            ms);
    }
    int Count(const char* text) const { return static_cast<int>(out.count(QLatin1String(text))); }

    ScopedDataDir data;
    QTemporaryDir locks;
    QProcess vindelor;
    QString out;
};

// One session of `service`'s with `fault` at `moment`.
void Session(const Service& service, const Fault& fault, Moment moment) {
    MockBus bus;
    ASSERT_TRUE(bus.Ok()) << "dbus-daemon (scripts/deps.sh installs it)";
    QProcess* stand = bus.StartFaulty(
        QLatin1String(service.name),
        QStringLiteral(VINDELOR_SOURCE_DIR "/tests/support/") + QLatin1String(service.script),
        kLateMs);
    ASSERT_NE(stand, nullptr) << "python3-dbus and python3-gi (scripts/deps.sh installs them)";
    const auto tell = [stand](const char* command) {
        ASSERT_TRUE(Tell(stand, QLatin1String(command))) << command;
    };
    // The fault while `step` happens; mended once the program has met it.
    Run run;
    const auto spoilt = [&](const char* step) {
        tell(fault.begin);
        tell(step);
        run.Read(kSettleMs);
        tell(fault.end);
    };
    run.Start(service);
    ASSERT_TRUE(run.Read(10000, QStringLiteral("waiting for a connection")))
        << run.out.toStdString();

    if (moment == Moment::Waiting) {
        spoilt("poke");
        run.Read(kSettleMs);
    }
    EXPECT_EQ(run.Count("Session started"), 0) << run.out.toStdString();
    moment == Moment::Start ? spoilt(service.up) : tell(service.up);
    ASSERT_TRUE(run.Read(5000, QStringLiteral("Session started"))) << run.out.toStdString();

    if (moment == Moment::Middle) {
        spoilt("poke");
        run.Read(kSettleMs);
    }
    EXPECT_EQ(run.Count("Session ended"), 0) << run.out.toStdString();
    moment == Moment::End ? spoilt(service.down) : tell(service.down);

    ASSERT_TRUE(run.vindelor.waitForFinished(8000)) << "did not end: " << run.out.toStdString();
    run.out += QString::fromLocal8Bit(run.vindelor.readAllStandardOutput());
    EXPECT_EQ(run.vindelor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.vindelor.exitCode(), 0);
    EXPECT_EQ(run.Count("Session started"), 1) << run.out.toStdString();
    EXPECT_EQ(run.Count("Session ended"), 1) << run.out.toStdString();
    EXPECT_EQ(run.Count("Log line: "), 1) << run.out.toStdString();
}

TEST(ServiceFaults, NoSessionIsInventedLostOrSplitAndTheProgramEndsByItself) {
    ASSERT_TRUE(QFile::exists(kVindelor));
    const std::pair<Moment, const char*> moments[] = {{Moment::Waiting, "waiting"},
                                                      {Moment::Start, "start"},
                                                      {Moment::Middle, "middle"},
                                                      {Moment::End, "end"}};
    for (const Service& service : kServices) {
        for (const Fault& fault : kFaults) {
            for (const auto& [moment, when] : moments) {
                SCOPED_TRACE(std::string(service.name) + ": " + fault.name + " at the " + when);
                Session(service, fault, moment);
            }
        }
    }
}

}  // namespace
}  // namespace vindelor::test
