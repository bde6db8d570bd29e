#include "monitor/connectionrules.h"

#include "core/profile.h"
#include "core/texts.h"

#include <cerrno>

namespace vindelor::monitor {

QString ChosenInterface(const QString& commandLine) {
    if (!commandLine.isEmpty()) {
        return commandLine;
    }
    return GetProfileString(QStringLiteral("Connection"), QStringLiteral("Interface"), QString(),
                            64, kSettingsFile)
        .trimmed();
}

WatchChoice ChosenConnection(const QString& interfaceOverride, const QString& nmOverride,
                             const QString& modemOverride) {
    using Kind = watch::ConnectionWatch::Kind;
    const auto stored = [](const char* key) {
        // Room for a connection's name as long as NetworkManager lets it be.
        return GetProfileString(QStringLiteral("Connection"), QString::fromLatin1(key), QString(),
                                256, kSettingsFile)
            .trimmed();
    };
    const bool commandLine =
        !interfaceOverride.isEmpty() || !nmOverride.isEmpty() || !modemOverride.isEmpty();
    const QString nm = commandLine ? nmOverride : stored("NetworkManager");
    if (!nm.isEmpty()) {
        return {Kind::NetworkManager, nm, {}};
    }
    if (const QString sim = commandLine ? QString() : stored("SIM"); !sim.isEmpty()) {
        return {Kind::ModemManager, QStringLiteral("any"), sim};
    }
    const QString modem = commandLine ? modemOverride : stored("Modem");
    if (!modem.isEmpty()) {
        return {Kind::ModemManager, modem, {}};
    }
    const QString name = ChosenInterface(interfaceOverride);
    return name.isEmpty() ? WatchChoice{} : WatchChoice{Kind::NetworkInterface, name, {}};
}

long long GraceSeconds() {
    bool ok = false;
    const long long grace = GetProfileString(QStringLiteral("Connection"), QStringLiteral("Grace"),
                                             QStringLiteral("0"), 10, kSettingsFile)
                                .trimmed()
                                .toLongLong(&ok);
    // A value the page would refuse (edited by hand) counts as none: as earlier versions.
    return ok && grace > 0 && grace <= watch::kMaxGraceSeconds ? grace : 0;
}

DropGrace::Verdict DropGrace::See(bool gone, long long now) {
    if (!gone) {
        if (dropping_) {
            gaps_ += now - dropStart_;
            dropping_ = false;
        }
        return Verdict::Go;
    }
    if (grace_ <= 0) {
        return Verdict::End;
    }
    if (!dropping_) {
        dropping_ = true;
        dropStart_ = now;
    }
    return now - dropStart_ >= grace_ ? Verdict::End : Verdict::Hold;
}

QString UnusableText(watch::ConnectionWatch::Kind kind, const watch::LinkCheck& check) {
    const QString& subject = check.subject;
    QString reason = check.detail;
    if (reason.startsWith(subject + QStringLiteral(": "))) {
        reason.remove(0, subject.size() + 2);
    }
    if (reason.isEmpty()) {
        reason = QStringLiteral("?");
    }
    switch (kind) {
        case watch::ConnectionWatch::Kind::NetworkManager:
            return Text(kOwnTextBase + kTextNmNotRunning).arg(subject);
        case watch::ConnectionWatch::Kind::ModemManager:
            return Text(kOwnTextBase + kTextMmNotRunning).arg(subject);
        case watch::ConnectionWatch::Kind::NetworkInterface:
        case watch::ConnectionWatch::Kind::SerialPort:
            break;
    }
    if (kind == watch::ConnectionWatch::Kind::NetworkInterface) {
        // A missing interface is the usual case (the phone not plugged in yet): it is
        // waited for, not an error.
        if (check.error == ENODEV) {
            return Text(kOwnTextBase + kTextInterfaceMissing).arg(subject);
        }
        return Text(kOwnTextBase + kTextInterfaceUnusable).arg(subject, reason);
    }
    // The open itself said why: no permission is the one cause the user can mend alone.
    if (check.error == EACCES) {
        return Text(kOwnTextBase + kTextPortNoPermission).arg(subject);
    }
    return Text(kOwnTextBase + kTextPortUnusable).arg(subject, reason);
}

}  // namespace vindelor::monitor
