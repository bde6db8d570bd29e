#include "platform/notifier.h"

#include "platform/qt/busthread.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDeadlineTimer>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QVariantMap>

#include <atomic>
#include <memory>

namespace vindelor::platform {

namespace {

// A desktop without a notification service answers at once with an error; a hung one
// is given this long before the caller falls back to its own way of telling.
constexpr int kAnswerLimitMs = 3000;

// Notifications handed to the bus thread and not yet written to the bus.
std::atomic<int> gInFlight{0};

// org.freedesktop.Notifications on the session bus, asked from the bus thread: even
// connecting to a session bus that accepts and never answers waits there, not here.
class DBusNotifier : public DesktopNotifier {
  public:
    void Notify(const QString& summary, const QString& body,
                std::function<void(bool taken)> done) override {
        QObject* app = QCoreApplication::instance();
        if (app == nullptr) {
            done(false);
            return;
        }
        // Runs on the application's thread only: the first of the answer and the time
        // limit decides.
        auto pending = std::make_shared<std::function<void(bool)>>(std::move(done));
        const auto finish = [pending](bool taken) {
            if (*pending) {
                const std::function<void(bool)> once = std::move(*pending);
                *pending = nullptr;
                once(taken);
            }
        };
        QTimer::singleShot(kAnswerLimitMs + 500, app, [finish] { finish(false); });

        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.Notifications"),
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
        call << QStringLiteral("Vindelor") << 0u << QStringLiteral("vindelor") << summary << body
             << QStringList() << QVariantMap() << -1;
        ++gInFlight;
        auto* asker = new QObject;
        asker->moveToThread(BusThread());
        const auto answer = [app, finish](bool taken) {
            QMetaObject::invokeMethod(
                app, [finish, taken] { finish(taken); }, Qt::QueuedConnection);
        };
        QMetaObject::invokeMethod(
            asker,
            [asker, call, answer] {
                // A connection of the bus thread's own, by address read afresh: the
                // shared session bus connection is the window thread's.
                QDBusConnection bus =
                    QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                                                  QStringLiteral("vindelor-notifications"));
                if (!bus.isConnected()) {
                    QDBusConnection::disconnectFromBus(QStringLiteral("vindelor-notifications"));
                    --gInFlight;
                    answer(false);
                    delete asker;
                    return;
                }
                auto* watcher =
                    new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerLimitMs), asker);
                // Written to the bus: the end of the program no longer loses it.
                --gInFlight;
                QObject::connect(watcher, &QDBusPendingCallWatcher::finished, asker,
                                 [asker, watcher, answer] {
                                     answer(!watcher->isError());
                                     asker->deleteLater();
                                 });
            },
            Qt::QueuedConnection);
    }
};

DesktopNotifier* gNotifier = nullptr;

}  // namespace

DesktopNotifier& Notifier() {
    static DBusNotifier dbus;
    return gNotifier ? *gNotifier : dbus;
}

bool WaitForNotifications(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (gInFlight.load() > 0 && !deadline.hasExpired()) {
        QThread::msleep(5);
    }
    return gInFlight.load() == 0;
}

DesktopNotifier* InstallNotifier(DesktopNotifier* notifier) {
    DesktopNotifier* previous = gNotifier;
    gNotifier = notifier;
    return previous;
}

}  // namespace vindelor::platform
