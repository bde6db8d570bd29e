// A private bus that stands in for the system bus (DBUS_SYSTEM_BUS_ADDRESS points at it
// while the object lives), with services mocked by python3-dbusmock on it. Nothing here
// touches the machine's own buses; the processes end with the object.
#pragma once

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include <functional>
#include <memory>
#include <vector>

namespace vindelor::test {

// Pumps events until `condition` holds or `timeoutMs` passed.
inline bool PumpFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

// A 20 ms timer on the caller's thread, as the session tick is: the longest time between
// two of its rounds tells whether anything held the thread.
class TickGaps {
  public:
    TickGaps() {
        clock.start();
        QObject::connect(&tick_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, clock.elapsed() - last_);
            last_ = clock.elapsed();
        });
        tick_.start(20);
    }
    qint64 Longest() const { return longest_; }
    QElapsedTimer clock;  // started with the timer

  private:
    QTimer tick_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

// A bus that takes connections and never answers: they wait in the backlog, accepted by
// the kernel, never by anyone. Closed with the object, after which connections fail.
class SilentBus {
  public:
    SilentBus() {
        path_ = dir_.filePath(QStringLiteral("bus")).toLocal8Bit();
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path_.constData(), sizeof address.sun_path - 1);
        ok_ = listener_ >= 0 &&
              ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
              ::listen(listener_, 8) == 0;
    }
    ~SilentBus() { Close(); }
    SilentBus(const SilentBus&) = delete;
    SilentBus& operator=(const SilentBus&) = delete;

    bool Ok() const { return ok_; }
    QByteArray Address() const { return "unix:path=" + path_; }
    void Close() {
        if (listener_ >= 0) {
            ::close(listener_);
            listener_ = -1;
        }
    }

  private:
    QTemporaryDir dir_;
    QByteArray path_;
    int listener_ = -1;
    bool ok_ = false;
};

// One command to a service started from tests/support/faultynm.py; true once it has
// been carried out.
inline bool Tell(QProcess* service, const QString& command) {
    service->write((command + QLatin1Char('\n')).toLocal8Bit());
    const QByteArray done = "ok " + command.toLocal8Bit();
    QByteArray seen;
    return PumpFor(
        [&] {
            seen += service->readAllStandardOutput();
            return seen.contains(done);
        },
        5000);
}

class MockBus {
  public:
    MockBus() {
        old_ = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
        hadOld_ = qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS");
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address=1")});
        if (!daemon_.waitForStarted(5000) || !daemon_.waitForReadyRead(5000)) {
            return;
        }
        address_ = QString::fromLocal8Bit(daemon_.readLine()).trimmed();
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address_.toLocal8Bit());
        name_ = QStringLiteral("mockbus-%1").arg(reinterpret_cast<quintptr>(this));
        control_ =
            std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address_, name_));
    }
    ~MockBus() {
        for (auto& p : services_) {
            p->kill();
            p->waitForFinished(3000);
        }
        if (control_) {
            control_.reset();
            QDBusConnection::disconnectFromBus(name_);
        }
        daemon_.kill();
        daemon_.waitForFinished(3000);
        if (hadOld_) {
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", old_);
        } else {
            qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        }
    }
    MockBus(const MockBus&) = delete;
    MockBus& operator=(const MockBus&) = delete;

    bool Ok() const { return control_ && control_->isConnected(); }
    QString Address() const { return address_; }

    bool Owned(const QString& name) const {
        return control_->interface()->isServiceRegistered(name).value();
    }

    // Starts `python3 -m dbusmock ARGS` and waits until it owns `name`; null on failure.
    QProcess* Start(const QString& name, const QStringList& args) {
        return StartProgram(name, QStringLiteral("/usr/bin/python3"),
                            QStringList{QStringLiteral("-m"), QStringLiteral("dbusmock"),
                                        QStringLiteral("--system")} +
                                args);
    }
    // Starts any program on the bus and waits until it owns `name`.
    QProcess* StartProgram(const QString& name, const QString& program, const QStringList& args) {
        services_.push_back(std::make_unique<QProcess>());
        QProcess* p = services_.back().get();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(program, args);
        if (!p->waitForStarted(5000) || !PumpFor([&] { return Owned(name); }, 10000)) {
            return nullptr;
        }
        return p;
    }
    // Ends a service as a crash would, and waits until its name is free.
    void Kill(QProcess* service, const QString& name) {
        service->kill();
        service->waitForFinished(3000);
        PumpFor([&] { return !Owned(name); });
    }

    // Runs Python with dbus-python, `bus` connected to this bus and `Mock(name, path)`
    // giving a mocked object's control interface. Returns what it printed.
    QString Py(const QString& code) {
        QProcess py;
        py.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        py.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import dbus\n"
                                 "bus = dbus.bus.BusConnection('%1')\n"
                                 "def Mock(name, path):\n"
                                 "    return dbus.Interface(bus.get_object(name, path),\n"
                                 "                          'org.freedesktop.DBus.Mock')\n")
                          .arg(address_) +
                      code});
        if (!py.waitForFinished(20000) || py.exitCode() != 0) {
            return QStringLiteral("<python failed>");
        }
        return QString::fromUtf8(py.readAllStandardOutput()).trimmed();
    }

    // Starts `sourceDir`/tests/support/faultynm.py, NetworkManager whose answers the test
    // spoils (answered `lateMs` late when asked to be late); null on failure.
    QProcess* StartFaultyNetworkManager(const QString& sourceDir, int lateMs) {
        return StartFaulty(QStringLiteral("org.freedesktop.NetworkManager"),
                           sourceDir + QStringLiteral("/tests/support/faultynm.py"), lateMs);
    }
    // Starts such a stand-in (faultynm.py, faultymm.py) for the service `name`.
    QProcess* StartFaulty(const QString& name, const QString& script, int lateMs) {
        return StartProgram(name, QStringLiteral("/usr/bin/python3"),
                            {script, address_, QString::number(lateMs)});
    }

  private:
    QProcess daemon_;
    QString address_;
    QString name_;
    QByteArray old_;
    bool hadOld_ = false;
    std::unique_ptr<QDBusConnection> control_;
    std::vector<std::unique_ptr<QProcess>> services_;
};

// A device whose applied connection the mock keeps: GetAppliedConnection and Reapply with
// NetworkManager's version check, and its policy's refusal while "Refuse" is set. Its
// path is /org/freedesktop/NetworkManager/Devices/wwan, its IP interface `interface`.
inline QString NmDeviceWithAppliedConnection(const QString& interface) {
    return QStringLiteral(R"PY(
nm = Mock('org.freedesktop.NetworkManager', '/org/freedesktop/NetworkManager')
wwan = nm.AddEthernetDevice('wwan', '%1', 100)
dev = dbus.Interface(bus.get_object('org.freedesktop.NetworkManager', wwan),
                     'org.freedesktop.DBus.Mock')
dev.AddMethod('org.freedesktop.NetworkManager.Device', 'GetAppliedConnection', 'u', 'a{sa{sv}}t',
              "ret = (getattr(self, 'applied', {'connection': {'id': 'Mobile', "
              "'metered': dbus.Int32(2)}}), dbus.UInt64(getattr(self, 'version', 7)))")
dev.AddMethod('org.freedesktop.NetworkManager.Device', 'Reapply', 'a{sa{sv}}tu', '',
              "if self.props['org.freedesktop.NetworkManager.Device'].get('Refuse'):\n"
              "    raise dbus.exceptions.DBusException('Not authorized to reapply', "
              "name='org.freedesktop.NetworkManager.PermissionDenied')\n"
              "if args[1] != getattr(self, 'version', 7):\n"
              "    raise dbus.exceptions.DBusException('version', "
              "name='org.freedesktop.NetworkManager.Device.VersionIdMismatch')\n"
              "self.applied = args[0]\n"
              "self.version = getattr(self, 'version', 7) + 1")
)PY")
        .arg(interface);
}

// The device's applied connection.metered ("none" without the key).
inline QString AppliedMetered(MockBus& bus) {
    return bus
        .Py(QStringLiteral("d = bus.get_object('org.freedesktop.NetworkManager',\n"
                           "                   '/org/freedesktop/NetworkManager/Devices/wwan')\n"
                           "c = d.GetAppliedConnection(0, "
                           "dbus_interface='org.freedesktop.NetworkManager.Device')\n"
                           "print(c[0]['connection'].get('metered', 'none'))\n"))
        .trimmed();
}

}  // namespace vindelor::test
