// vindelor: waits until the modem's port turns busy, times and prices the
// connection, and when the port is free again logs it, adds it to the totals
// and ends with exit code 0.
#include "components/artwork.h"
#include "components/comm32.h"
#include "components/portmap.h"
#include "core/language.h"
#include "core/profile.h"
#include "core/qtlanguage.h"
#include "core/sessionglobals.h"
#include "core/texts.h"
#include "core/version.h"
#include "dialogs/helpresources.h"
#include "monitor/modemmain.h"
#include "monitor/sessionclose.h"
#include "monitor/singleinstance.h"
#include "monitor/stopsignals.h"
#include "platform/datadir.h"
#include "platform/net/links.h"
#include "platform/notifier.h"
#include "platform/services.h"
#include "platform/sessionbus.h"
#include "platform/signals.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

void PrintLine(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void PrintUsage(std::FILE* to) {
    std::fputs(
        "Usage: vindelor [--choose-port] [--interface NAME] [--nm-connection ID]\n"
        "                [--modem ID] [--help] [--version]\n"
        "\n"
        "Times one dial-up connection and tells you what it cost. "
        "Vindelor waits until\n"
        "the modem's serial port turns busy (the dialer holds it), shows "
        "the connected\n"
        "time and the running cost, and when the port is free again "
        "appends the session\n"
        "to the log, adds it to the totals and ends.\n"
        "\n"
        "Settings, log and rate file live in $VINDELOR_DIR, else "
        "$XDG_CONFIG_HOME/vindelor,\n"
        "else ~/.config/vindelor. COM1 ... COM4 map to devices in section "
        "[Ports] of\n"
        "Vindelor.ini (defaults /dev/ttyS0 ... /dev/ttyS3).\n"
        "\n"
        "With a network interface named (mobile broadband wwan0, a phone's usb0, ppp0),\n"
        "a connection is that interface being up and running instead; the serial port\n"
        "is then left alone. Section [Connection], key Interface, names it for good.\n"
        "A connection of NetworkManager (key NetworkManager: its name or UUID) lasts\n"
        "while it is activated; a modem of ModemManager (key Modem: its IMEI, or any)\n"
        "while it is connected.\n"
        "\n"
        "  --choose-port     ask for the modem's port (COM1 ... COM4) before waiting,\n"
        "                    and keep the choice for the next runs\n"
        "  --interface NAME  watch the network interface NAME for this run\n"
        "  --nm-connection ID  watch NetworkManager's connection ID (name or UUID)\n"
        "  --modem ID        watch ModemManager's modem ID (IMEI, or any)\n"
        "  --help            show this text and exit\n"
        "  --version         show the version and exit\n"
        "\n"
        "Exit codes: 0 after a session or when closed, 1 no display, 2 a wrong argument,\n"
        "3 another Vindelor already runs with the same data directory.\n"
        "\n"
        "Without a display, set QT_QPA_PLATFORM=offscreen to time a connection with no\n"
        "window (set [Avsluta] Visa=Nej then: nobody could close the closing message).\n",
        to);
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintUsage(stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("vindelor " VINDELOR_DISPLAY_VERSION);
            return 0;
        }
    }

    // A file size limit must make a write fail (and the old file stay), not kill the
    // program in the middle of saving a session.
    vindelor::platform::IgnoreSignal(SIGXFSZ);

    // Qt would abort with a core dump and a note about plugins; say what is wrong.
    bool platformChosen = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    for (int i = 1; i < argc; ++i) {
        platformChosen = platformChosen || std::strcmp(argv[i], "-platform") == 0 ||
                         std::strcmp(argv[i], "--platform") == 0;
    }
    if (!platformChosen && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs(
            "vindelor: no display (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
            "Run it in a desktop session, or with QT_QPA_PLATFORM=offscreen.\n",
            stderr);
        return 1;
    }
    vindelor::platform::AvoidASilentSessionBus("vindelor");

    QApplication app(argc, argv);
    // Before any window, the box of a second copy included.
    QApplication::setWindowIcon(vindelor::LoadIconResource(QStringLiteral("VINDELOR")));
    // Qt has taken its own options (-platform, -style, …) out of the list by now.
    QStringList rest = QCoreApplication::arguments().mid(1);
    const bool choosePort = rest.removeAll(QStringLiteral("--choose-port")) > 0;
    // Each option with its value, as "--name VALUE" or "--name=VALUE".
    struct ValueOption {
        QLatin1String name;
        const char* needs;  // what is missing when no value follows
        QString value;
    };
    ValueOption options[] = {
        {QLatin1String("--interface"), "the name of a network interface", {}},
        {QLatin1String("--nm-connection"), "the name or UUID of a NetworkManager connection", {}},
        {QLatin1String("--modem"), "a modem's equipment identifier (IMEI) or \"any\"", {}},
    };
    while (!rest.isEmpty()) {
        const QString arg = rest.takeFirst();
        ValueOption* matched = nullptr;
        for (ValueOption& o : options) {
            if (arg == o.name && !rest.isEmpty() && !rest.first().trimmed().isEmpty()) {
                o.value = rest.takeFirst().trimmed();
                matched = &o;
            } else if (arg.startsWith(o.name + QLatin1Char('=')) &&
                       !arg.mid(o.name.size() + 1).trimmed().isEmpty()) {
                o.value = arg.mid(o.name.size() + 1).trimmed();
                matched = &o;
            } else if (arg == o.name || arg.startsWith(o.name + QLatin1Char('='))) {
                std::fprintf(stderr, "vindelor: '%s' needs %s\n\n", arg.toLocal8Bit().constData(),
                             o.needs);
                PrintUsage(stderr);
                return 2;
            }
            if (matched != nullptr) {
                break;
            }
        }
        if (matched == nullptr) {
            std::fprintf(stderr, "vindelor: unknown argument '%s'\n\n",
                         arg.toLocal8Bit().constData());
            PrintUsage(stderr);
            return 2;
        }
    }
    const QString interfaceName = options[0].value;
    // A name the kernel could never give would be waited for in vain.
    if (!interfaceName.isEmpty() && !vindelor::platform::PossibleInterfaceName(interfaceName)) {
        std::fprintf(stderr, "vindelor: '%s' cannot be the name of a network interface\n\n",
                     interfaceName.toLocal8Bit().constData());
        PrintUsage(stderr);
        return 2;
    }

    const vindelor::monitor::InstanceLock instance;
    if (!instance.Held()) {
        vindelor::SelectLanguage(vindelor::ProgramLanguage(5, vindelor::StoreLanguage::No));
        vindelor::FollowLanguageInQt();
        const QString text = vindelor::Text(vindelor::kOwnTextBase + vindelor::kTextAlreadyRunning);
        std::fprintf(stderr, "vindelor: %s\n", text.toLocal8Bit().constData());
        // Without a screen nobody could close the box.
        const QString platformName = QGuiApplication::platformName();
        if (platformName != QLatin1String("offscreen") &&
            platformName != QLatin1String("minimal")) {
            vindelor::platform::Boxes().Show(nullptr, QStringLiteral("Vindelor"), text,
                                             vindelor::platform::MessageBoxes::Icon::Information,
                                             vindelor::platform::MessageBoxes::Buttons::Ok);
        }
        return 3;
    }
    vindelor::monitor::ClearStaleActiveFlag(instance);
    QApplication::setApplicationName(QStringLiteral("Vindelor"));
    QApplication::setApplicationVersion(QStringLiteral(VINDELOR_DISPLAY_VERSION));
    vindelor::InitHelpResources();
    // The tray stand-in keeps the program alive while its window is hidden.
    QApplication::setQuitOnLastWindowClosed(false);

    vindelor::TForm1 form;
    QObject::connect(&form, &vindelor::TForm1::askingForPort, [] {
        PrintLine(
            QStringLiteral("Vindelor " VINDELOR_DISPLAY_VERSION " asking for the modem's port"));
    });
    form.ChoosePortAtStart = choosePort;
    form.InterfaceOverride = interfaceName;
    form.NetworkManagerOverride = options[1].value;
    form.ModemOverride = options[2].value;
    // "COM1 (/dev/ttyS0)", "interface wwan0", "NetworkManager connection Mobile".
    const auto watched = [&form] {
        switch (form.WatchedKind()) {
            case vindelor::watch::ConnectionWatch::Kind::NetworkInterface:
                return QStringLiteral("interface %1").arg(form.WatchedName());
            case vindelor::watch::ConnectionWatch::Kind::NetworkManager:
                return QStringLiteral("NetworkManager connection %1").arg(form.WatchedName());
            case vindelor::watch::ConnectionWatch::Kind::ModemManager:
                return QStringLiteral("modem %1").arg(form.WatchedName());
            case vindelor::watch::ConnectionWatch::Kind::SerialPort:
                break;
        }
        return QStringLiteral("%1 (%2)").arg(form.Comm321->CommPort(),
                                             vindelor::DeviceForPort(form.Comm321->CommPort()));
    };
    QObject::connect(
        &form, &vindelor::TForm1::sessionBegan,
        [&watched](const QString& date, const QString& time) {
            PrintLine(QStringLiteral("Session started %1 %2 on %3").arg(date, time, watched()));
        });
    QObject::connect(&form, &vindelor::TForm1::sessionClosed, [&form] {
        const vindelor::monitor::SessionClosePlan& plan = form.LastClose;
        if (!plan.Counted) {
            PrintLine(QStringLiteral("Session ended after %1 s; not counted (shorter than a "
                                     "minute's charge)")
                          .arg(plan.CloseElapsed));
            return;
        }
        PrintLine(QStringLiteral("Session ended after %1 s").arg(plan.CloseElapsed));
        PrintLine(QStringLiteral("Log line: %1").arg(plan.LogLine));
        if (plan.WriteCostTotal) {
            PrintLine(
                QStringLiteral("Total cost: %1 %2")
                    .arg(vindelor::SessionGlobals().CurrencySymbol, plan.CostTotalText.trimmed()));
        }
        PrintLine(QStringLiteral("Total net time: %1").arg(plan.NetTimeTotalText));
        for (const QString& item : form.Unsaved) {
            PrintLine(QStringLiteral("NOT SAVED: %1").arg(item));
        }
    });

    // An interrupted session still gets logged and leaves "Aktiv" cleared: the
    // log viewer refuses to rewrite the log while it reads anything but "Nej".
    if (const int stopFd = vindelor::monitor::InstallStopSignals(); stopFd >= 0) {
        auto* notifier = new QSocketNotifier(stopFd, QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, [&form, stopFd] {
            vindelor::platform::DrainSignalPipe(stopFd);
            form.RequestQuit();
            if (form.SessionStarted && !form.Ended()) {
                form.SessionClose();
                form.ClearActiveFlag();
            }
            QCoreApplication::exit(0);
        });
    }

    form.FormCreate();
    if (form.QuitRequested()) {
        return 0;  // ended while the user was being asked for the modem's port
    }
    PrintLine(QStringLiteral("Vindelor " VINDELOR_DISPLAY_VERSION
                             " waiting for a connection on %1; data in %2")
                  .arg(watched(), vindelor::platform::DataDirectory()));
    form.ShowIdle();
    const int code = app.exec();
    // A notice of the session's last moments (the hang-up's outcome) is still on its way.
    vindelor::platform::WaitForNotifications(3000);
    return code;
}
