// Desktop notifications (org.freedesktop.Notifications on the session bus), behind an
// interface so that tests put a fake in its place.
#pragma once

#include <QString>

#include <functional>

namespace vindelor::platform {

class DesktopNotifier {
  public:
    virtual ~DesktopNotifier() = default;
    // Hands the notification to the desktop without waiting for it. `done` runs once on
    // the thread of the application object, true when the desktop took the notification;
    // false when it refused, has no notification service, or did not answer in time.
    virtual void Notify(const QString& summary, const QString& body,
                        std::function<void(bool taken)> done) = 0;
};

DesktopNotifier& Notifier();
// At the program's end: waits up to `timeoutMs` until the notifications handed over have
// been written to the bus (or failed), so that the last one is not lost with the process.
// True when none is left.
bool WaitForNotifications(int timeoutMs);
// Replaces the implementation in force; returns the previous one (tests restore it).
DesktopNotifier* InstallNotifier(DesktopNotifier* notifier);

}  // namespace vindelor::platform
