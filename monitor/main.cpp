// vindelor: waits until the modem's port turns busy, times and prices the
// connection, and when the port is free again logs it, adds it to the totals
// and ends with exit code 0.
#include "components/artwork.h"
#include "components/comm32.h"
#include "components/portmap.h"
#include "core/language.h"
#include "core/plans.h"
#include "core/profile.h"
#include "core/qtlanguage.h"
#include "core/sessionglobals.h"
#include "core/texts.h"
#include "core/version.h"
#include "dialogs/helpresources.h"
#include "monitor/allplans.h"
#include "monitor/modemmain.h"
#include "monitor/sessionclose.h"
#include "monitor/singleinstance.h"
#include "monitor/stopsignals.h"
#include "platform/datadir.h"
#include "platform/errortext.h"
#include "platform/localetexts.h"
#include "platform/net/links.h"
#include "platform/notifier.h"
#include "platform/services.h"
#include "platform/sessionbus.h"
#include "platform/signals.h"

#include <QApplication>
#include <QRegularExpression>
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

// In the language the programs speak, as brusko --help: the stored one, else the
// desktop's (not stored by a command line that only prints).
void PrintUsage(std::FILE* to) {
    vindelor::SelectLanguage(vindelor::ProgramLanguage(5, vindelor::StoreLanguage::No));
    std::fputs(vindelor::LongText(vindelor::kTextMonitorHelp).toLocal8Bit().constData(), to);
}

// Chooses the plan before any file is read, making it from the default plan when it is
// new. The messages speak the default plan's language: the plan may not exist yet.
bool OpenPlanOrSay(const QString& name) {
    int error = 0;
    const vindelor::PlanOpening opened =
        vindelor::OpenPlan(name, vindelor::MakeMissingPlan::Yes, &error);
    if (opened == vindelor::PlanOpening::Opened || opened == vindelor::PlanOpening::Created) {
        return true;
    }
    vindelor::SelectLanguage(vindelor::ProgramLanguage(5, vindelor::StoreLanguage::No));
    const QString text =
        opened == vindelor::PlanOpening::BadName
            ? vindelor::Text(vindelor::kOwnTextBase + vindelor::kTextBadPlanName).arg(name)
            : vindelor::Text(vindelor::kOwnTextBase + vindelor::kTextPlanNotMade)
                  .arg(name, vindelor::platform::ErrorText(error));
    std::fprintf(stderr, "vindelor: %s\n", text.toLocal8Bit().constData());
    return false;
}

// Ends with the runs: SIGTERM (the unit's stop, a log-out) ends each of them in peace.
int RunAllPlans(QCoreApplication& app) {
    vindelor::monitor::AllPlansRuns runs(QCoreApplication::applicationFilePath(), {});
    if (const int stopFd = vindelor::monitor::InstallStopSignals(); stopFd >= 0) {
        auto* notifier = new QSocketNotifier(stopFd, QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, [&runs, stopFd] {
            char byte = 0;
            while (::read(stopFd, &byte, 1) > 0) {
            }
            runs.Stop();
            QCoreApplication::exit(0);
        });
    }
    QObject::connect(&runs, &vindelor::monitor::AllPlansRuns::runEnded,
                     [](const QString& plan, int code) {
                         PrintLine(QStringLiteral("Run of plan %1 ended with exit code %2")
                                       .arg(plan.isEmpty() ? QStringLiteral("(default)") : plan)
                                       .arg(code));
                     });
    runs.Start();
    QStringList names = runs.Running();
    names.replaceInStrings(QRegularExpression(QStringLiteral("^$")), QStringLiteral("(default)"));
    PrintLine(QStringLiteral("Vindelor " VINDELOR_DISPLAY_VERSION " waiting for every plan: %1")
                  .arg(names.join(QStringLiteral(", "))));
    return app.exec();
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
    vindelor::platform::KeepClassicNumbers();
    // Before any window, the box of a second copy included.
    QApplication::setWindowIcon(vindelor::LoadIconResource(QStringLiteral("VINDELOR")));
    // Qt has taken its own options (-platform, -style, …) out of the list by now.
    QStringList rest = QCoreApplication::arguments().mid(1);
    const bool choosePort = rest.removeAll(QStringLiteral("--choose-port")) > 0;
    const bool allPlans = rest.removeAll(QStringLiteral("--all-plans")) > 0;
    const vindelor::PlanOption plan = vindelor::TakePlanOption(&rest);
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
    if (allPlans && (plan.given || choosePort || !options[0].value.isEmpty() ||
                     !options[1].value.isEmpty() || !options[2].value.isEmpty())) {
        std::fputs("vindelor: '--all-plans' goes alone: each plan names its own link\n\n", stderr);
        PrintUsage(stderr);
        return 2;
    }
    if (allPlans) {
        return RunAllPlans(app);
    }
    if (plan.valueMissing) {
        std::fputs("vindelor: '--plan' needs the name of a plan\n\n", stderr);
        PrintUsage(stderr);
        return 2;
    }
    if (plan.given && !OpenPlanOrSay(plan.name)) {
        return 2;
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
