#include "platform/notifier.h"

#include "platform/qt/busthread.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <memory>

namespace vindelor::platform {

namespace {

// A desktop without a notification service answers at once with an error; a hung one
// is given this long before the caller falls back to its own way of telling.
constexpr int kAnswerLimitMs = 3000;

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
        auto* asker = new QObject;
        asker->moveToThread(BusThread());
        const auto answer = [app, finish](bool taken) {
            QMetaObject::invokeMethod(
                app, [finish, taken] { finish(taken); }, Qt::QueuedConnection);
        };
        QMetaObject::invokeMethod(
            asker,
            [asker, call, answer] {
                QDBusConnection bus = QDBusConnection::sessionBus();
                if (!bus.isConnected()) {
                    answer(false);
                    delete asker;
                    return;
                }
                auto* watcher =
                    new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerLimitMs), asker);
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

DesktopNotifier* InstallNotifier(DesktopNotifier* notifier) {
    DesktopNotifier* previous = gNotifier;
    gNotifier = notifier;
    return previous;
}

}  // namespace vindelor::platform
