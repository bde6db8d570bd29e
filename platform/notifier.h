// Desktop notifications (org.freedesktop.Notifications on the session bus), behind an
// interface so that tests put a fake in its place.
#pragma once

#include <QString>

namespace vindelor::platform {

class DesktopNotifier {
  public:
    virtual ~DesktopNotifier() = default;
    // True when the desktop took the notification.
    virtual bool Notify(const QString& summary, const QString& body) = 0;
};

DesktopNotifier& Notifier();
// Replaces the implementation in force; returns the previous one (tests restore it).
DesktopNotifier* InstallNotifier(DesktopNotifier* notifier);

}  // namespace vindelor::platform
