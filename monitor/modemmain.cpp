#include "monitor/modemmain.h"

#include "components/artwork.h"
#include "components/comm32.h"
#include "components/digit.h"
#include "components/portmap.h"
#include "components/trayicon.h"
#include "connectionwatch/modemmanager/mmwatch.h"
#include "connectionwatch/netif/netifwatch.h"
#include "connectionwatch/networkmanager/nmmetered.h"
#include "connectionwatch/networkmanager/nmwatch.h"
#include "connectionwatch/serial/serialwatch.h"
#include "core/datatariff.h"
#include "core/language.h"
#include "core/money.h"
#include "core/monthleft.h"
#include "core/numbers.h"
#include "core/profile.h"
#include "core/qtlanguage.h"
#include "core/ratemonitor.h"
#include "core/ratetable.h"
#include "core/roamingtariff.h"
#include "core/sessionglobals.h"
#include "core/sessionlog.h"
#include "core/texts.h"
#include "dialogs/dialogparts.h"
#include "dialogs/omdialog.h"
#include "dialogs/settingsdlg.h"
#include "monitor/adjust.h"
#include "monitor/chargemodes.h"
#include "monitor/fmodem.h"
#include "monitor/portdiscovery.h"
#include "monitor/timerstat.h"
#include "platform/datadir.h"
#include "platform/errortext.h"
#include "platform/localetexts.h"
#include "platform/notifier.h"
#include "platform/services.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <memory>
#include <tuple>

namespace vindelor {

using monitor::SessionCloseInput;
using monitor::SessionClosePlan;
using platform::MessageBoxes;

namespace {

const QString kCaption = QStringLiteral("Vindelor 1.12");
const QString kBoxCaption = QStringLiteral("Vindelor");
// How long a first start waits for ModemManager's list of modems: it answers within
// milliseconds when it runs, and the bus says at once when it does not.
constexpr int kModemManagerFirstLookMs = 2000;
// NetworkManager's time to answer each call of the metered mark, and how long the end of
// a session waits for the link's value to be put back (two calls).
constexpr int kMeteredAnswerMs = 3000;
constexpr int kMeteredRestoreMs = 2 * kMeteredAnswerMs + 500;

// Two links up at once are two tray icons that look alike: each names its plan first.
QString WithPlanName(const QString& tip) {
    const QString plan = platform::SelectedPlan();
    return plan.isEmpty() ? tip : plan + QLatin1Char('\n') + tip;
}

QString Setting(const QString& section, const QString& key, const QString& def, int len) {
    return GetProfileString(section, key, def, len, kSettingsFile);
}

void WriteSetting(const QString& section, const QString& key, const QString& value) {
    // A failed write keeps the old value; nothing here can do better than go on.
    WriteProfileString(section, key, value, kSettingsFile);
}

// Decimal settings that do not follow the number syntax read as 0.
double DecimalSetting(const QString& section, const QString& key, const QString& def, int len) {
    return NumberOr(Setting(section, key, def, len), 0.0);
}

long long WholeSetting(const QString& section, const QString& key, const QString& def, int len) {
    return LeadingWholeNumber(Setting(section, key, def, len));
}

// Timers below one millisecond would spin or (negative) never fire at all.
int TimerInterval(long long ms) {
    return static_cast<int>(std::clamp<long long>(ms, 1, 24LL * 3600 * 1000));
}

// A label set to the text it shows already would still lay itself out anew.
void SetIfChanged(QLabel* label, const QString& text) {
    if (label->text() != text) {
        label->setText(text);
    }
}

// A text of the session tick with what it was made from: the tick comes fifty times a
// second and its texts change once a second at most, so a text is made again only when
// something it is made from has changed.
template <typename Result, typename... Inputs>
class Remade {
  public:
    template <typename Make>
    const Result& From(const std::tuple<Inputs...>& inputs, Make&& make) {
        if (!made_ || inputs != inputs_) {
            result_ = make();
            inputs_ = inputs;
            made_ = true;
        }
        return result_;
    }

  private:
    bool made_ = false;
    std::tuple<Inputs...> inputs_;
    Result result_;
};

}  // namespace

struct TForm1::TickTexts {
    Remade<QString, long long, long long, long long> time;
    Remade<monitor::CostTexts, double, double, long long, QString, int> cost;
    Remade<QString, bool, bool, QString, QString, double, double> title;
    Remade<QString, bool, QString, QString, double, double> figures;
    Remade<QString, QString, long long, long long, long long> netTime;
};

TShape::TShape(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 0));
    p.drawEllipse(rect());
}

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kCaption);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    move(kDesignedLeft, kDesignedTop);

    BuildControls();
    BuildMenu();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(20);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(20 * 1000);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(); });
    connect(Timer3, &QTimer::timeout, this, [this] { Timer3Timer(); });

    Comm321 = new TComm32(this);
    Comm321->SetCommPort(QStringLiteral("COM1"));
    TrayIcon1 = new TTrayIcon(this);

    programIcon_ = LoadIconResource(QStringLiteral("VINDELOR"));
    // Dialogs take the application's icon (it turns while a session runs); while idle
    // it is the program's own.
    QApplication::setWindowIcon(programIcon_);
    setWindowIcon(programIcon_);

    TaskbarIcon = new QSystemTrayIcon(this);
    TaskbarIcon->setIcon(programIcon_);
    TaskbarIcon->setToolTip(WithPlanName(taskbarTitle_));
    TaskbarIcon->setContextMenu(TaskbarMenu);
    // The desktop's usual way back to a window hidden behind its status icon: a click.
    connect(TaskbarIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
                    ShowFromTray();
                }
            });

    Budget.trayMessage = [this](const QString& text) {
        if (!TaskbarIcon->isVisible() || !QSystemTrayIcon::supportsMessages()) {
            return false;
        }
        TaskbarIcon->showMessage(kBoxCaption, text);
        return true;
    };
}

TForm1::~TForm1() {
    // The probe never leaves the port open, but a port must never outlive its
    // owner.
    if (Comm321 && Comm321->IsOpen()) {
        Comm321->ClosePort();
    }
}

void TForm1::BuildControls() {
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setAutoFillBackground(true);
    setPalette(black);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 8, kClientWidth, 41);
    Panel1->setAutoFillBackground(true);
    Panel1->setPalette(black);

    const int lefts[] = {38, 57, 83, 102, 128, 147};
    TDigit** digits[] = {&Digit1, &Digit2, &Digit3, &Digit4, &Digit5, &Digit6};
    for (int i = 0; i < 6; ++i) {
        auto* d = new TDigit(Panel1);
        d->setObjectName(QStringLiteral("Digit%1").arg(i + 1));
        d->setGeometry(lefts[i], 8, 16, 25);
        d->SetColor(Qt::black);
        d->SetColorOff(Qt::black);
        d->SetColorOn(QColor(255, 255, 0));
        *digits[i] = d;
    }
    // The colons sit in the gaps between the pairs, level with the digits' bars.
    struct Dot {
        TShape** shape;
        const char* name;
        int x;
        int y;
    };
    const Dot dots[] = {{&Shape1, "Shape1", 76, 14},
                        {&Shape2, "Shape2", 76, 24},
                        {&Shape5, "Shape5", 121, 14},
                        {&Shape6, "Shape6", 121, 24}};
    for (const Dot& dot : dots) {
        auto* s = new TShape(Panel1);
        s->setObjectName(QLatin1String(dot.name));
        s->setGeometry(dot.x, dot.y, 4, 4);
        *dot.shape = s;
    }

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, kClientHeight - 19, kClientWidth, 19);
    StatusBar1->setAutoFillBackground(true);
    // The window's black would reach the status bar too; give it the usual colours back,
    // set role by role so that they count as its own.
    QPalette normal = QApplication::palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText, QPalette::Light,
                                     QPalette::Dark, QPalette::Mid, QPalette::Shadow}) {
        normal.setColor(role, normal.color(role));
    }
    StatusBar1->setPalette(normal);
    StatusPanel0 = new QLabel(QStringLiteral("Modem"), StatusBar1);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFixedWidth(50);
    StatusPanel0->setFrameShape(QFrame::Panel);
    StatusPanel0->setFrameShadow(QFrame::Sunken);
    StatusPanel1 = new QLabel(StatusBar1);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setMinimumWidth(50);
    StatusPanel1->setFrameShape(QFrame::Panel);
    StatusPanel1->setFrameShadow(QFrame::Sunken);
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1, 1);
}

void TForm1::BuildMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto add = [this](const char* name) {
        auto* a = PopupMenu1->addAction(QString());
        a->setObjectName(QLatin1String(name));
        return a;
    };
    About1 = add("About1");
    Helg1 = add("Helg1");
    Helg1->setCheckable(true);
    PopupMenu1->addSeparator();
    Help1 = add("Help1");
    Exit1 = add("Exit1");
    PopupMenu1->addSeparator();
    auto* ports = new QActionGroup(this);
    ports->setExclusive(true);
    QAction** com[] = {&Com11, &Com21, &Com31, &Com41};
    for (int i = 0; i < 4; ++i) {
        QAction* a = add(QStringLiteral("Com%11").arg(i + 1).toLatin1().constData());
        a->setText(QStringLiteral("Com %1").arg(i + 1));
        a->setCheckable(true);
        ports->addAction(a);
        // The items only show the port in use; choosing one changes nothing.
        connect(a, &QAction::triggered, this, [this] { ShowPortChoice(); });
        *com[i] = a;
    }
    PopupMenu1->addSeparator();
    Settings1 = add("Settings1");
    Statistics1 = add("Statistics1");
    Adjustmonitoring1 = add("Adjustmonitoring1");

    connect(About1, &QAction::triggered, this, [this] { About1Click(); });
    connect(Helg1, &QAction::triggered, this, [this] { Helg1Click(); });
    connect(Help1, &QAction::triggered, this, [this] { Help1Click(); });
    connect(Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
    connect(Settings1, &QAction::triggered, this, [this] { Settings1Click(); });
    connect(Statistics1, &QAction::triggered, this, [this] { Statistics1Click(); });
    connect(Adjustmonitoring1, &QAction::triggered, this, [this] { Adjustmonitoring1Click(); });

    Close1 = new QAction(this);
    Close1->setObjectName(QStringLiteral("Close1"));
    connect(Close1, &QAction::triggered, this, [this] { close(); });

    TaskbarMenu = new QMenu(this);
    TaskbarMenu->setObjectName(QStringLiteral("TaskbarMenu"));
    ShowWindow1 = new QAction(this);
    ShowWindow1->setObjectName(QStringLiteral("ShowWindow1"));
    connect(ShowWindow1, &QAction::triggered, this, [this] { ShowFromTray(); });
    TaskbarMenu->addAction(ShowWindow1);
    TaskbarMenu->addSeparator();
    TaskbarMenu->addActions(PopupMenu1->actions());
    TaskbarMenu->addSeparator();
    TaskbarMenu->addAction(Close1);

    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] {
        if (!SessionStarted) {
            ApplyIdleMenuRules();
        }
    });
    connect(TaskbarMenu, &QMenu::aboutToShow, this, [this] {
        ShowWindow1->setVisible(SessionStarted);
        if (!SessionStarted) {
            ApplyIdleMenuRules();
        }
    });
    SetMenuCaptions();
}

void TForm1::SetMenuCaptions() {
    FollowLanguageInQt();
    About1->setText(Text(12));
    Helg1->setText(Text(86));
    Help1->setText(Text(13));
    Exit1->setText(Text(14));
    Settings1->setText(Text(15));
    Statistics1->setText(Text(16));
    Adjustmonitoring1->setText(Text(117));
    Close1->setText(Text(14));
    ShowWindow1->setText(Text(kOwnTextBase + kTextShowWindow));
}

// What the menu offers before a session: no statistics, no interval, no Exit
// (nothing runs that Exit would end: the close command asks instead), and no
// port items while no port has been stored or an interface is watched.
void TForm1::ApplyIdleMenuRules() {
    if (WatchesInterface() || Setting(QStringLiteral("Modem"), QStringLiteral("Port"),
                                      QStringLiteral("#"), 5) == QLatin1String("#")) {
        for (QAction* a : {Com11, Com21, Com31, Com41}) {
            a->setVisible(false);
        }
    }
    Statistics1->setVisible(false);
    Adjustmonitoring1->setVisible(false);
    Exit1->setVisible(false);
    Close1->setVisible(true);
}

void TForm1::ShowPortChoice() {
    const int n = monitor::ChosenPort();
    QAction* com[] = {Com11, Com21, Com31, Com41};
    for (int i = 0; i < 4; ++i) {
        com[i]->setChecked(i + 1 == n);
    }
}

int TForm1::RunDialog(QDialog& dialog) {
    return ExecDialog ? ExecDialog(dialog) : dialog.exec();
}

bool TForm1::IsApplicationActive() const {
    if (ApplicationActive) {
        return ApplicationActive();
    }
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void TForm1::SetProgramIcon(const QString& resource) {
    programIcon_ = LoadIconResource(resource);
    setWindowIcon(programIcon_);
    TaskbarIcon->setIcon(programIcon_);
}

// The dialogs and message boxes show the application's icon (the dialogs copy it ten
// times a second). Handing a frame to the application tells every top-level widget,
// the hidden menus too: two thirds of what the animation cost. So the application
// takes the turning icon only while a dialog is up; one that opens between two frames
// has it from the next tick.
void TForm1::ShareProgramIcon(bool frameChanged) {
    if (QApplication::windowIcon().cacheKey() == programIcon_.cacheKey()) {
        return;
    }
    const auto shownDialog = [](const QWindow* window) {
        return window->type() == Qt::Dialog && window->isVisible();
    };
    const QWindowList windows = frameChanged ? QGuiApplication::topLevelWindows() : QWindowList();
    if (QApplication::activeModalWidget() != nullptr ||
        std::any_of(windows.begin(), windows.end(), shownDialog)) {
        QApplication::setWindowIcon(programIcon_);
    }
}

// ---------------------------------------------------------------------------------------
// Start-up

void TForm1::FormCreate() {
    SessionGlobalsT& g = SessionGlobals();

    HolidayRates = false;
    Helg1->setChecked(false);
    Budget.Reload();

    // The modem's port, unless a network interface is the connection (then the port is
    // never probed and no port dialog shows). The manual dialog may run its own loop
    // meanwhile; no timer runs yet, so nothing can close a session before Ready.
    Ready = false;
    const monitor::WatchChoice choice =
        monitor::ChosenConnection(InterfaceOverride, NetworkManagerOverride, ModemOverride);
    const bool serialPort = choice.kind == watch::ConnectionWatch::Kind::SerialPort;
    if (ChoosePortAtStart) {
        // OK stores the choice, which the search below then takes as the user's own;
        // closing the dialog keeps the stored port. While another connection is watched,
        // the port waits for the runs without one.
        TFModem dialog(this);
        dialog.AskedByUser(serialPort ? QString() : choice.name);
        RunDialog(dialog);
        if (quitRequested_) {
            return;
        }
    }
    if (serialPort) {
        // ModemManager's word on which ports are modems counts at a first start; it is
        // given a moment to answer (the window's events run meanwhile).
        const auto modems =
            FollowModemManager ? std::make_shared<watch::ModemManagerModems>() : nullptr;
        const QString found = monitor::FindModemPort([&modems] {
            return modems ? modems->AwaitPorts(kModemManagerFirstLookMs) : QStringList();
        });
        monitor::ChooseModemPort(
            found, *Comm321,
            [this] {
                // There is no cancel: only ending the program leaves this loop.
                if (quitRequested_) {
                    return false;
                }
                TFModem dialog(this);
                emit askingForPort();
                RunDialog(dialog);
                return !quitRequested_;
            },
            [this] { NotifyPortUnusable(); },
            [&modems](const QString& device) {
                // Nothing to resolve when ModemManager holds no port.
                const QStringList held =
                    modems ? modems->AwaitPorts(kModemManagerFirstLookMs) : QStringList();
                return !held.isEmpty() && held.contains(watch::ManagerPortName(device));
            });
        if (quitRequested_) {
            return;
        }
        watch_ = std::make_unique<watch::SerialPortWatch>(*Comm321, modems);
    } else {
        switch (choice.kind) {
            case watch::ConnectionWatch::Kind::NetworkManager:
                watch_ = std::make_unique<watch::NetworkManagerWatch>(choice.name);
                break;
            case watch::ConnectionWatch::Kind::ModemManager:
                watch_ = std::make_unique<watch::ModemManagerWatch>(choice.name, nullptr, 5000,
                                                                    choice.sim);
                break;
            case watch::ConnectionWatch::Kind::NetworkInterface:
            case watch::ConnectionWatch::Kind::SerialPort:
                watch_ = MakeInterfaceWatch
                             ? MakeInterfaceWatch(choice.name)
                             : std::make_unique<watch::NetworkInterfaceWatch>(choice.name);
                break;
        }
        ShowWatchedName();
    }
    connect(watch_.get(), &watch::ConnectionWatch::Changed, this, [this] { WatchChanged(); });
    Ready = true;
    const int port = serialPort ? monitor::ChosenPort() : 0;
    if (port != 0) {
        Comm321->SetCommPort(monitor::PortName(port));
        StatusPanel0->setText(monitor::PortName(port));
    }
    ShowPortChoice();

    Timer1->stop();
    Timer1->setInterval(20);

    TotalCostBefore = monitor::StoredCostTotal();

    // The average is the time from the port turning busy until the modem has connected;
    // an interface that comes up is connected already.
    g.AverageConnectTime = WatchesInterface()
                               ? 0
                               : WholeSetting(QStringLiteral("Connect"), QStringLiteral("average"),
                                              QStringLiteral("30"), 10);

    g.LanguageCode = ProgramLanguage(5, StoreLanguage::Yes).left(3);
    // Read after the language: a first start has kept the desktop's currency beside it.
    g.CurrencySymbol =
        Setting(QStringLiteral("Charge"), QStringLiteral("valuta"), QStringLiteral("$"), 10);
    SelectLanguage(g.LanguageCode);
    SetMenuCaptions();

    const monitor::StartupModes start = monitor::ReadStartupModes(g);
    CostMonitoring = start.modes.CostMonitoring;
    UsagePackageOn = start.modes.UsagePackageOn;
    MultipleRatesOn = start.modes.MultipleRatesOn;
    IndicatorOn = start.modes.IndicatorOn;
    DataFileDamaged = start.rateFileDamaged;
    if (UsagePackageOn) {
        PackageHoursText = start.package.hours;
        PackagePriceText = start.package.price;
        HourPriceText = start.package.hourPrice;
    }
    if (!start.rateItemsVisible) {
        Helg1->setVisible(false);
        Adjustmonitoring1->setVisible(false);
    }
    ReadInitialCharges();
    if (IndicatorOn) {
        ReadIndicatorLevels();
    }

    g.StoredNetTime =
        Setting(QStringLiteral("Nättid"), QStringLiteral("Totalt"), QStringLiteral("0"), 49)
            .left(10);
    g.RunningNetTime = g.StoredNetTime;

    for (TDigit* d : {Digit1, Digit2, Digit3, Digit4, Digit5, Digit6}) {
        d->SetValue(0);
    }
    // The classic window waited at x = 5000, off the screen. Window managers may
    // pull such a window back or refuse it; ShowIdle() keeps it out of the way
    // instead.
    move(kDesignedLeft, kDesignedTop);
    AnimationCount = 0;

    const long long checkRate =
        WholeSetting(QStringLiteral("Refresh"), QStringLiteral("Rate"), QStringLiteral("1000"), 10);
    RateMonitorInterval = static_cast<int>(WholeSetting(
        QStringLiteral("Överv"), QStringLiteral("Intervall"), QStringLiteral("20"), 5));

    if (port != 0) {
        WriteSetting(QStringLiteral("Modem"), QStringLiteral("Port"), monitor::PortName(port));
    }

    const QChar sep = platform::Region().TimeSeparator();
    g.TimeSeparator = sep.isNull() ? QLatin1Char(':') : sep;

    if (MultipleRatesOn || UsagePackageOn || InitialChargeOn) {
        Timer3Timer();
    }
    Timer3->stop();
    Timer3->setInterval(TimerInterval(RateMonitorInterval * 1000LL));

    Timer2->setInterval(TimerInterval(checkRate));
    Timer2->start();
}

void TForm1::ShowIdle() {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        // The status icon stands in for the taskbar button; the window shows when a
        // session starts.
        TaskbarIcon->show();
    } else {
        // Without a tray the minimised window's taskbar entry is the way to the
        // menu.
        showMinimized();
    }
}

void TForm1::ReadUsagePackage() {
    const monitor::UsagePackage package = monitor::ReadUsagePackage();
    PackageHoursText = package.hours;
    PackagePriceText = package.price;
    HourPriceText = package.hourPrice;
}

void TForm1::ReadInitialCharges() {
    const monitor::InitialCharges charges =
        monitor::ReadInitialCharges(SessionGlobals().InitialPrices);
    InitialChargeOn = charges.on;
    InitialChargeClassOn = charges.classOn;
}

void TForm1::ReadIndicatorLevels() {
    SessionGlobals().IndicatorLevels = monitor::ReadIndicatorLevels();
}

// ---------------------------------------------------------------------------------------
// Idle poll and session tick

// The port choice at start-up met a port that cannot be used.
void TForm1::NotifyPortUnusable() {
    watch::LinkCheck check;
    check.state = watch::LinkState::Unusable;
    check.subject = DeviceForPort(Comm321->CommPort());
    check.error = TComm32::LastFailureError();
    check.detail = TComm32::LastFailureDetail();
    NotifyUnusable(check);
}

void TForm1::NotifyUnusable(const watch::LinkCheck& check, bool ending) {
    if (!unusableReports_.FirstTime(check.subject)) {
        return;
    }
    const QString text = monitor::UnusableText(
        watch_ ? watch_->WatchKind() : watch::ConnectionWatch::Kind::SerialPort, check);
    qWarning("%s", qPrintable(text));
    if (ending) {
        // Nobody may be there to close a box, and a box would keep the program from
        // ending (under the service unit, the next run would never start).
        platform::Notifier().Notify(kBoxCaption, text, [](bool) {});
        return;
    }
    platform::Boxes().Show(this, kBoxCaption, text, MessageBoxes::Icon::Warning,
                           MessageBoxes::Buttons::Ok);
}

void TForm1::Timer2Timer() {
    SessionStarted = false;
    Timer2->stop();

    if (DataFileDamaged) {
        DataFileDamaged = false;
        platform::Boxes().Show(this, kBoxCaption, Text(113), MessageBoxes::Icon::Error,
                               MessageBoxes::Buttons::Ok);
    }

    if (const int port = monitor::ChosenPort()) {
        Comm321->SetCommPort(monitor::PortName(port));
    }
    const watch::LinkCheck check = watch_->Check();
    PortFree = check.state == watch::LinkState::Down;
    SessionStarted = monitor::StartsSession(check.state);

    if (!SessionStarted) {
        // Free, unusable, or a look that said nothing: keep polling, also while the
        // user reads why the port or interface cannot be used (it may be plugged in or
        // made usable meanwhile).
        Timer2->start();
        if (check.state == watch::LinkState::Unusable) {
            NotifyUnusable(check);
        }
        return;
    }
    StartSession();
}

// The system told of a change: look now rather than at the next poll or tick. While a
// timer rests (the quit question is open, the program ends) the change waits for it.
// The panel is as wide as the watched connection's name needs, up to three fifths of the
// status bar (the cost beside it needs the rest); a longer name loses its middle there.
void TForm1::ShowWatchedName() {
    const QString name = watch_->Name();
    if (name == shownName_) {
        return;
    }
    shownName_ = name;
    const QFontMetrics metrics(StatusPanel0->font());
    // Slack of a character: the font the panel gets once shown may draw a little wider.
    const int frame = 2 * StatusPanel0->frameWidth() + metrics.averageCharWidth() + 4;
    const int needed = metrics.horizontalAdvance(name) + frame;
    const int widest = kClientWidth * 3 / 5;
    StatusPanel0->setFixedWidth(std::clamp(needed, StatusPanel0->width(), widest));
    StatusPanel0->setText(
        needed <= widest ? name : metrics.elidedText(name, Qt::ElideMiddle, widest - frame));
    StatusPanel0->setToolTip(name);
}

void TForm1::WatchChanged() {
    if (ended_ || !Ready) {
        return;
    }
    // NetworkManager and ModemManager tell the connection's own name once they answer.
    if (WatchesInterface()) {
        ShowWatchedName();
    }
    if (SessionStarted) {
        if (Timer1->isActive()) {
            Timer1Timer();
        }
    } else if (Timer2->isActive()) {
        Timer2Timer();
    }
}

void TForm1::StartSession() {
    Timer1->start();
    Session = monitor::SessionCounters{};
    Session.SessionStartTick = platform::Ticks().Milliseconds() / 1000;
    drops_ = monitor::DropGrace(monitor::GraceSeconds());

    const QDateTime now = platform::Clock().Now();
    StartDate = platform::Clock().DateText(now.date());
    StartTime = platform::Clock().TimeText(now.time());

    // The full menu from now on, whichever way it is opened.
    for (QAction* a : {Statistics1, Com11, Com21, Com31, Com41, Exit1}) {
        a->setVisible(true);
    }
    // The port items say which port is watched; with an interface none is.
    for (QAction* a : {Com11, Com21, Com31, Com41}) {
        a->setVisible(!WatchesInterface());
    }
    Close1->setVisible(false);

    const long long left =
        WholeSetting(QStringLiteral("Position"), QStringLiteral("Left"), QStringLiteral("-1"), 6);
    const long long top =
        WholeSetting(QStringLiteral("Position"), QStringLiteral("Top"), QStringLiteral("-1"), 6);
    // The stored place is the frame's, as the session close reads it. Placed before the
    // window shows: a window that is already on the screen but not yet framed by the
    // window manager would get its client area there instead, one frame further up and
    // left each session.
    if (left > -1 && top > -1) {
        MoveOntoScreen(this, QPoint(static_cast<int>(left), static_cast<int>(top)));
    }
    showNormal();

    if (UsagePackageOn || MultipleRatesOn) {
        Timer3->start(TimerInterval(RateMonitorInterval * 1000LL));
    } else {
        Timer3->stop();
    }
    if (IndicatorOn) {
        UpdateIndicator();  // a light from the first moment, not an empty entry
        TrayIcon1->SetActive(true);
    }
    WriteSetting(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"), QStringLiteral("Ja"));
    // An interface has no port: the one stored from earlier runs may be anyone's now.
    Budget.device = WatchesInterface() ? QString() : DeviceForPort(Comm321->CommPort());
    Budget.interface = WatchesInterface() ? WatchedInterface() : QString();
    Budget.BeginSession(now.date(), platform::LocaleClock().DateFormat());
    BeginDataCount(now);
    emit sessionBegan(StartDate, StartTime);
}

QString TForm1::CountedInterface() const {
    return dataTariff_.interfaceName.isEmpty() ? WatchedInterface() : dataTariff_.interfaceName;
}

QString TForm1::WatchedInterface() const {
    if (!watch_) {
        return {};
    }
    // Only a link the watch names: its display name ("Mobile", a modem's IMEI) is none,
    // and a look at it during a drop would lose the link being counted.
    return watch_->CountedInterface();
}

void TForm1::BeginDataCount(const QDateTime& now) {
    dataTariff_ = ReadDataTariff();
    dataCharged_ = 0;
    volumeText_.clear();
    roaming_ = false;
    // A desktop link not named yet is named by its service, not found among new ones.
    Data.Begin(CountedInterface(), platform::Ticks().Milliseconds(), !WatchesInterface());
    const BillingMonth month = BillingMonthOf(now.date(), Budget.Settings().startDay);
    const RoamingTariff roaming = ReadRoamingTariff();
    LoggedData logged;
    std::vector<int> given;
    std::uint64_t loggedAbroad = 0;
    std::vector<int> givenAbroad;
    if (dataTariff_.Priced() || !dataTariff_.warn.empty() || dataTariff_.hangUpAt ||
        dataTariff_.includedBytes > 0 || roaming.Priced() || roaming.hangUpAtBytes > 0) {
        // Whole lines: the volume follows the cost, beyond what the classic readers keep.
        const DatedLog log = DateLogLines(ReadLogLines(QString(), std::numeric_limits<int>::max()),
                                          platform::LocaleClock().DateFormat());
        logged = LoggedDataOfLog(log, month, roaming.Priced());
        given = ReadGivenDataWarnings(month);
        loggedAbroad = LoggedRoamingBytes(log, month);
        givenAbroad = ReadGivenRoamingWarnings(month);
    }
    DataBilling.Begin(dataTariff_, month, logged, given);
    DataBilling.BeginRoaming(roaming, loggedAbroad, givenAbroad);
    if (dataTariff_.metered != MeteredMark::Off && !metered_) {
        metered_ = std::make_unique<watch::MeteredLink>(kMeteredAnswerMs);
        connect(metered_.get(), &watch::MeteredLink::Refused, this,
                [this](const QString& interface, const QString& reason) {
                    // NetworkManager asked again after a restart says no again: once is
                    // enough, and the session goes on unmarked.
                    if (meteredRefusalTold_) {
                        return;
                    }
                    meteredRefusalTold_ = true;
                    Budget.Tell(Text(kOwnTextBase + kTextMeteredRefused).arg(interface, reason));
                });
    }
    MarkMeteredWhenDue();
}

void TForm1::MarkMeteredWhenDue() {
    if (!metered_ || metered_->Asked() || closed_) {
        return;
    }
    // "Varna" follows the month's warnings: one given earlier in the month counts too.
    if (dataTariff_.metered == MeteredMark::FromWarning && DataBilling.Given().empty()) {
        return;
    }
    // A serial port's link may get its name only later: the mark waits for it.
    metered_->Mark(CountedInterface());
}

void TForm1::EndMeteredMark() {
    if (!metered_ || !metered_->Asked()) {
        return;
    }
    // The tick could end the program while the answer is awaited, and with it the wait.
    const bool ticking = Timer1->isActive();
    Timer1->stop();
    metered_->Restore(kMeteredRestoreMs);
    if (ticking) {
        Timer1->start();
    }
}

void TForm1::FollowRegistration() {
    const watch::Registration where = watch_ ? watch_->ModemRegistration() : watch::Registration{};
    Data.SetRoaming(where.roaming);
    if (where.roaming && !roaming_) {
        const RoamingTariff& abroad = DataBilling.Roaming();
        const std::int64_t perMB = abroad.Priced() ? abroad.perMB : dataTariff_.perMB;
        Budget.Tell(Text(kOwnTextBase + kTextRoamingEntered)
                        .arg(where.operatorName.isEmpty() ? where.operatorCode : where.operatorName,
                             where.operatorCode,
                             SessionGlobals().CurrencySymbol + QLatin1Char(' ') +
                                 MoneyText(Money::FromUnits(perMB), 2)));
    }
    roaming_ = where.roaming;
}

// Once a second at most: the counters, the data charge, the volume warnings and the cap.
void TForm1::LookAtData(bool force) {
    const long long nowMs = platform::Ticks().Milliseconds();
    if (!force && !Data.Due(nowMs)) {
        return;
    }
    const QDate today = platform::Clock().Now().date();
    FollowRegistration();  // the bytes of this look count where the modem is now
    Data.Look(CountedInterface(), nowMs, today, force);
    const DataVolume volume = Data.Volume();
    if (!volume.known) {
        return;
    }
    volumeText_ = SessionVolumeText(volume, Data.BitsPerSecond(), LanguageOffset());
    StatusPanel0->setToolTip(StatusPanel0->text() + QStringLiteral(": ") + volumeText_);
    if (CostMonitoring && (dataTariff_.Priced() || DataBilling.Roaming().Priced())) {
        const std::int64_t charge = DataBilling.Charge(volume, Data.DataDays());
        Session.SessionCost += static_cast<double>(charge - dataCharged_) / 10000.0;
        dataCharged_ = charge;
    }
    const monitor::DataSession::Due due = DataBilling.Check(volume);
    if (!due.warnings.empty()) {
        // Remembered before the user is told, as the budget's warnings are.
        WriteGivenDataWarnings(DataBilling.Month(), DataBilling.Given());
        const int offset = LanguageOffset();
        Budget.Tell(Text(kOwnTextBase + kTextDataWarning)
                        .arg(due.warnings.back())
                        .arg(vindelor::VolumeText(DataBilling.MonthBytes(volume), offset),
                             vindelor::VolumeText(dataTariff_.includedBytes, offset),
                             platform::Clock().DateText(DataBilling.Month().last)));
    }
    MarkMeteredWhenDue();
    if (due.hangUp) {
        Budget.HangUpAtLimit(Text(kOwnTextBase + kTextDataCapReached)
                                 .arg(IncludedMBText(dataTariff_.includedBytes, LanguageOffset())));
    }
    const RoamingTariff& abroad = DataBilling.Roaming();
    if (!due.roamingWarnings.empty()) {
        WriteGivenRoamingWarnings(DataBilling.Month(), DataBilling.RoamingGiven());
        const int offset = LanguageOffset();
        Budget.Tell(Text(kOwnTextBase + kTextRoamingWarning)
                        .arg(due.roamingWarnings.back())
                        .arg(vindelor::VolumeText(DataBilling.MonthRoamingBytes(volume), offset),
                             vindelor::VolumeText(abroad.hangUpAtBytes, offset),
                             platform::Clock().DateText(DataBilling.Month().last)));
    }
    if (due.roamingHangUp) {
        Budget.HangUpAtLimit(Text(kOwnTextBase + kTextRoamingCapReached)
                                 .arg(IncludedMBText(abroad.hangUpAtBytes, LanguageOffset())));
    }
}

void TForm1::Timer1Timer() {
    SessionGlobalsT& g = SessionGlobals();

    // Kept running rather than started anew at every tick: what the tick counts comes
    // from the tick counter, never from the number of ticks.
    const watch::LinkCheck check = watch_->Check();
    const watch::LinkState state = monitor::InSession(check);
    const bool unusable = state == watch::LinkState::Unusable;
    const long long now = platform::Ticks().Milliseconds() / 1000;
    // A look that said nothing leaves a drop as it was.
    const bool gone =
        state == watch::LinkState::Unknown ? drops_.Dropping() : monitor::EndsSession(state);
    PortFree = drops_.See(gone, now) == monitor::DropGrace::Verdict::End;
    if (PortFree) {
        Timer1->stop();
    } else if (!Timer1->isActive()) {
        Timer1->start();
    }
    if (!tickTexts_) {
        tickTexts_ = std::make_unique<TickTexts>();
    }
    TickTexts& made = *tickTexts_;

    Session.UpdateTimes(drops_.SessionClock(now), g.AverageConnectTime);
    const monitor::HoursMinutesSeconds connected = Session.Connected();
    const QString timeText = made.time.From({connected.hours, connected.minutes, connected.seconds},
                                            [&connected] { return monitor::TimeText(connected); });

    if (InitialChargeOn && Session.ConnectedSeconds <= 60) {
        g.CurrentRate = monitor::ApplyInitialCharges(g.CurrentRate, g.RatePrices, g.InitialPrices,
                                                     InitialChargeClassOn);
    }

    Session.AccountMinutes();
    LookAtData(PortFree);

    if (CostMonitoring) {
        // A minute abroad costs [Roaming] "PerMin" where it is set, else what the time
        // tariff asks.
        const std::int64_t perMinuteAbroad = DataBilling.Roaming().perMinute;
        Session.ChargeMinutes(roaming_ && perMinuteAbroad > 0
                                  ? static_cast<double>(perMinuteAbroad) / 10000.0
                                  : g.CurrentRate);
        const monitor::CostTexts& texts = made.cost.From(
            {TotalCostBefore, Session.SessionCost, g.MonthlyMinimum, g.CurrencySymbol,
             LanguageOffset()},
            [&] {
                return monitor::MakeCostTexts(TotalCostBefore, Session.SessionCost,
                                              g.MonthlyMinimum, g.CurrencySymbol, Text(17));
            });
        g.CostLeftText = texts.costLeft;
        SetIfChanged(StatusPanel1, texts.panel);
        const double nextRate = monitor::RateAtCharge(monitor::NextMinuteCharge(Session),
                                                      g.CurrentRate, InitialChargeOn, g.RatePrices,
                                                      g.InitialPrices, InitialChargeClassOn);
        Budget.Tick({&Session, platform::Clock().Now(), nextRate, g.CurrencySymbol});
    }

    const bool active = IsApplicationActive();
    taskbarTitle_ = made.title.From(
        {active, CostMonitoring, timeText, g.CurrencySymbol, TotalCostBefore, Session.SessionCost},
        [&] {
            return monitor::TaskbarTitleText(active, CostMonitoring, timeText, g.CurrencySymbol,
                                             TotalCostBefore, Session.SessionCost);
        });
    // Linux task bars show the window's title: the running figures while the user
    // looks elsewhere, the caption while the window itself is in front.
    // The tick comes fifty times a second and the figures change once: only a change
    // is handed on (the tool tip goes to the tray shell over the bus).
    if (const QString& title = active ? kCaption : taskbarTitle_; windowTitle() != title) {
        setWindowTitle(title);
    }
    // The status icon's tip shows the figures whichever window is in front: the icon is
    // where the user looks when the window is not.
    const QString figures =
        active ? made.figures.From({CostMonitoring, timeText, g.CurrencySymbol, TotalCostBefore,
                                    Session.SessionCost},
                                   [&] {
                                       return monitor::TaskbarTitleText(
                                           false, CostMonitoring, timeText, g.CurrencySymbol,
                                           TotalCostBefore, Session.SessionCost);
                                   })
               : taskbarTitle_;
    QString tip = volumeText_.isEmpty() ? figures : figures + QLatin1Char('\n') + volumeText_;
    // What the budget and the included volume leave of the month, when the plan has them.
    const bool budgetLeft = CostMonitoring && Budget.Settings().HasBudget();
    const bool volumeLeft = dataTariff_.includedBytes > 0 && Data.Volume().known;
    if (budgetLeft || volumeLeft) {
        const QDate today = platform::Clock().Now().date();
        if (budgetLeft) {
            tip +=
                QLatin1Char('\n') + Budget.LeftText(Session.SessionCost, today, g.CurrencySymbol);
        }
        if (volumeLeft) {
            tip += QLatin1Char('\n') + VolumeLeftText(dataTariff_.includedBytes,
                                                      DataBilling.MonthBytes(Data.Volume()),
                                                      DataBilling.Month(), today);
        }
    }
    if (roaming_ && !PortFree) {
        tip += QLatin1Char('\n') + Text(kOwnTextBase + kTextRoamingTip);
    }
    tip = WithPlanName(tip);
    if (TaskbarIcon->toolTip() != tip) {
        TaskbarIcon->setToolTip(tip);
    }

    const std::array<int, 6> digits = monitor::DigitValues(Session.Connected());
    TDigit* const shown[] = {Digit1, Digit2, Digit3, Digit4, Digit5, Digit6};
    for (int i = 0; i < 6; ++i) {
        shown[i]->SetValue(digits[i]);
    }

    // Read again: a message box of the budget's runs the event loop, and with it ticks.
    const monitor::HoursMinutesSeconds sinceStart = Session.Connected();
    g.RunningNetTime = made.netTime.From(
        {g.StoredNetTime, sinceStart.hours, sinceStart.minutes, sinceStart.seconds},
        [&] { return monitor::RunningNetTimeText(g.StoredNetTime, sinceStart); });

    const QString frame = monitor::AnimationFrame(AnimationCount);
    if (!frame.isEmpty()) {
        SetProgramIcon(frame);
    }
    ShareProgramIcon(!frame.isEmpty());

    if (IndicatorOn) {
        try {
            UpdateIndicator();
        } catch (...) {
            // The light is a convenience; the tick goes on without it.
        }
    }

    if (++AnimationCount > 19) {
        AnimationCount = 0;
    }

    if (PortFree) {
        // The session is stored before anything is said. A vanished interface (the phone
        // unplugged; ppp0 goes at every hang-up) is the session's end, not the start-up
        // problem its message would describe.
        SessionClose();
        if (unusable && !(WatchesInterface() && check.error == ENODEV)) {
            NotifyUnusable(check, true);
        }
        if (Ready) {
            ClearActiveFlag();
            Finish();
        }
    }
}

QString TForm1::CostPanelText() const {
    return StatusPanel1->text();
}

void TForm1::Finish() {
    ended_ = true;
    Budget.SetEnding();
    Timer1->stop();
    Timer2->stop();
    Timer3->stop();
    if (EndProgram) {
        EndProgram(0);
    } else {
        QCoreApplication::exit(0);
    }
}

// ---------------------------------------------------------------------------------------
// Rate monitor and indicator

void TForm1::Timer3Timer() {
    SessionGlobalsT& g = SessionGlobals();
    Timer3->stop();
    if (UsagePackageOn) {
        g.CurrentRate = UsagePackageRate(g.RunningNetTime, PackageHoursText, g.TimeSeparator,
                                         PackagePriceText, HourPriceText, g.CurrentRate);
    }
    if (MultipleRatesOn) {
        const QDateTime now = platform::Clock().Now();
        g.CurrentRate =
            WeeklyTableRate(ProgramRateWeek(), now, HolidayRates || Budget.HolidayRates(now.date()),
                            g.RatePrices, g.CurrentRate);
    }
    Timer3->start();
}

void TForm1::UpdateIndicator() {
    const SessionGlobalsT& g = SessionGlobals();
    const int rateClass = IndicatorClass(MultipleRatesOn, g.CurrentRate, g.RatePrices);
    const int level = IndicatorLevelForClass(rateClass, g.IndicatorLevels);
    const QString name = IndicatorIconName(level, AnimationCount);
    if (name == indicatorIcon_) {
        return;  // same picture: spare the shell a change per tick
    }
    indicatorIcon_ = name;
    TrayIcon1->SetIcon(name.isEmpty() ? QIcon() : LoadIconResource(name));
}

// ---------------------------------------------------------------------------------------
// Session close

void TForm1::SessionClose() {
    // One session per run: a close that comes twice (the port freed while the
    // user was answering the quit question) must not log the session twice.
    if (!SessionStarted || closed_) {
        return;
    }
    const SessionGlobalsT& g = SessionGlobals();

    SessionCloseInput in;
    in.Elapsed = Session.Elapsed;
    in.MinuteMark = Session.MinuteMark;
    in.SessionCost = Session.SessionCost;
    in.DataCost = static_cast<double>(dataCharged_) / 10000.0;
    in.Volume = Data.Volume();
    in.CurrentRate = g.CurrentRate;
    in.SessionHours = Session.SessionHours;
    in.SessionMinutes = Session.SessionMinutes;
    in.SessionSeconds = Session.SessionSeconds;
    in.StartDate = StartDate;
    in.StartTime = StartTime;
    in.CostMonitoring = CostMonitoring;
    in.Ready = Ready;
    in.AverageConnectTime = g.AverageConnectTime;
    in.CurrencySymbol = g.CurrencySymbol;
    in.LanguageOffset = LanguageOffset();
    // The totals as stored now, not as at start-up: the log viewer may have recounted
    // them, or a tune-up rewritten them, while the session ran.
    monitor::ReadStoredTotals(in);
    in.LessThanMinute =
        Setting(QStringLiteral("Session"), QStringLiteral("<1min"), QStringLiteral("Nej"), 5);
    in.FailedTries =
        Setting(QStringLiteral("Session"), QStringLiteral("Försök"), QStringLiteral("Nej"), 5);
    in.Rounding =
        Setting(QStringLiteral("Session"), QStringLiteral("Avrundning"), QStringLiteral("Nej"), 5);
    in.ShowSummary =
        Setting(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Ja"), 10);
    in.SummaryLabel = Text(19);

    const SessionClosePlan plan = monitor::PlanSessionClose(in);
    CloseElapsed = plan.CloseElapsed;
    Session.SessionCost = plan.SessionCost;
    LastClose = plan;
    closed_ = true;
    if (!plan.Counted) {
        EndMeteredMark();
        emit sessionClosed();
        return;
    }

    // The session is stored before anything is shown: a box nobody answers (the user
    // logging out, the service manager stopping the program) must not hold it back
    // until a kill loses it. A full disk or a folder that cannot be written leaves the
    // earlier totals and log as they were. What did not get saved is told once, with the
    // figures, so that the session is not lost without a word.
    const monitor::SessionCloseStore stored =
        monitor::StoreSessionClose(in, [this](monitor::SessionCloseStore& out) {
            // The window's place is a convenience: not worth a word when it is lost.
            WriteSetting(QStringLiteral("Position"), QStringLiteral("Left"), QString::number(x()));
            WriteSetting(QStringLiteral("Position"), QStringLiteral("Top"), QString::number(y()));
            int error = 0;
            if (!WriteProfileString(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"),
                                    QStringLiteral("Nej"), kSettingsFile, &error) &&
                ActiveFlagStillSet()) {
                if (out.error == 0) {
                    out.error = error != 0 ? error : EIO;
                }
                out.unsaved << Text(kOwnTextBase + kTextUnsavedActiveFlag);
            }
        });
    LastClose = stored.plan;
    // Before any box: one nobody answers must not leave the link marked.
    EndMeteredMark();
    // When the program is being stopped nobody is there to close the summary.
    if (LastClose.ShowSummary && !quitRequested_) {
        platform::Boxes().Show(this, kBoxCaption, LastClose.SummaryText,
                               MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok);
    }
    if (!stored.unsaved.isEmpty()) {
        ReportUnsaved(stored.unsaved, stored.error);
    }

    if (UsagePackageOn) {
        PackageHoursText.clear();
        PackagePriceText.clear();
        HourPriceText.clear();
    }
    emit sessionClosed();
}

bool TForm1::ActiveFlagStillSet() const {
    // A failed write leaves the file as it was: read what the log viewer will see.
    return Setting(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"), QStringLiteral("Nej"), 5) !=
           QLatin1String("Nej");
}

void TForm1::ClearActiveFlag() {
    int error = 0;
    if (WriteProfileString(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"), QStringLiteral("Nej"),
                           kSettingsFile, &error)) {
        return;
    }
    error = error != 0 ? error : EIO;
    if (ActiveFlagStillSet()) {
        ReportUnsaved({Text(kOwnTextBase + kTextUnsavedActiveFlag)}, error);
    }
}

void TForm1::ReportUnsaved(const QStringList& items, int error) {
    if (unsavedReported_) {
        return;
    }
    unsavedReported_ = true;
    Unsaved = items;
    QStringList lines;
    for (const QString& item : items) {
        lines << QStringLiteral("- ") + item;
    }
    const QString text = Text(kOwnTextBase + kTextSessionNotSaved)
                             .arg(platform::DataDirectory(), platform::ErrorText(error),
                                  lines.join(QLatin1Char('\n')));
    qWarning("%s", qPrintable(text));
    if (quitRequested_) {
        return;  // being stopped: the warning above is all anyone will see
    }
    platform::Boxes().Show(this, kBoxCaption, text, MessageBoxes::Icon::Error,
                           MessageBoxes::Buttons::Ok);
}

// ---------------------------------------------------------------------------------------
// Menu commands and shutdown

void TForm1::About1Click() {
    TOmDlg dialog(this);
    RunDialog(dialog);
}

void TForm1::Helg1Click() {
    HolidayRates = !HolidayRates;
    Helg1->setChecked(HolidayRates);
}

void TForm1::Help1Click() {
    QString file = HelpFileForCode(SessionGlobals().LanguageCode);
    if (file.isEmpty()) {
        file = HelpFileForOffset(LanguageOffset());
    }
    platform::Help().ShowHelp(this, file, 1);
}

void TForm1::ShowFromTray() {
    if (!SessionStarted) {
        TaskbarMenu->popup(QCursor::pos());
        return;
    }
    if (isMinimized()) {
        showNormal();
    }
    show();
    raise();
    activateWindow();
}

void TForm1::Exit1Click() {
    platform::Boxes().Beep();
    const auto answer = platform::Boxes().Show(
        this, kBoxCaption, Text(1), MessageBoxes::Icon::Question, MessageBoxes::Buttons::YesNo);
    if (answer != MessageBoxes::Answer::Yes || ended_) {
        return;
    }
    SessionClose();
    if (Ready) {
        ClearActiveFlag();
        Finish();
    }
}

bool TForm1::FormCloseQuery() {
    platform::Boxes().Beep();
    const bool inSession = SessionStarted;
    if (!inSession) {
        Timer2->stop();
    }
    const auto answer =
        platform::Boxes().Show(this, kBoxCaption, Text(inSession ? 1 : 38),
                               MessageBoxes::Icon::Question, MessageBoxes::Buttons::YesNo);
    if (ended_) {
        return true;  // the session ended by itself while the question was open
    }
    if (answer != MessageBoxes::Answer::Yes) {
        if (!inSession) {
            Timer2->start();
        }
        return false;
    }
    if (inSession) {
        SessionClose();
        ClearActiveFlag();
    }
    return true;
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (ended_) {
        event->accept();
        return;
    }
    if (FormCloseQuery()) {
        event->accept();
        if (!ended_) {
            Finish();
        }
    } else {
        event->ignore();
    }
}

void TForm1::contextMenuEvent(QContextMenuEvent* event) {
    PopupMenu1->popup(event->globalPos());
    event->accept();
}

void TForm1::Settings1Click() {
    SessionGlobalsT& g = SessionGlobals();
    {
        TSettingsDlg dialog(this);
        RunDialog(dialog);
    }
    SetMenuCaptions();
    Timer2->setInterval(TimerInterval(WholeSetting(
        QStringLiteral("Refresh"), QStringLiteral("Rate"), QStringLiteral("1000"), 10)));

    const monitor::ModeSwitch change =
        monitor::SwitchModes({CostMonitoring, MultipleRatesOn, UsagePackageOn, IndicatorOn});
    if (change.costMonitoringOff) {
        g.CurrentRate = 0.0;
        g.MonthlyMinimum = 0;
    } else if (change.costMonitoringOn) {
        g.CurrentRate = DecimalSetting(QStringLiteral("Charge"), QStringLiteral("per_min"),
                                       QStringLiteral("0"), 20);
        g.MonthlyMinimum = WholeSetting(QStringLiteral("Charge"), QStringLiteral("minimi"),
                                        QStringLiteral("0"), 20);
    }
    Helg1->setVisible(change.rateItemsVisible);
    Adjustmonitoring1->setVisible(change.rateItemsVisible);
    if (change.readRatePrices) {
        for (int k = 1; k <= 4; ++k) {
            g.RatePrices[k - 1] =
                DecimalSetting(QStringLiteral("Avgifter"), QStringLiteral("Avg%1").arg(k),
                               QStringLiteral("0.00"), 14);
        }
    }
    if (change.readUsagePackage) {
        ReadUsagePackage();
    }
    if (change.readIndicatorLevels) {
        ReadIndicatorLevels();
    }
    if (change.rateTimer == monitor::ModeSwitch::Timer::Stop) {
        Timer3->stop();
    } else if (change.rateTimer == monitor::ModeSwitch::Timer::Start) {
        Timer3->start(TimerInterval(RateMonitorInterval * 1000LL));
    }
    // The light goes on below, with its picture.
    const bool lightOn = change.light == monitor::ModeSwitch::Light::On;
    if (change.light == monitor::ModeSwitch::Light::Off) {
        TrayIcon1->SetActive(false);
    }
    CostMonitoring = change.after.CostMonitoring;
    MultipleRatesOn = change.after.MultipleRatesOn;
    UsagePackageOn = change.after.UsagePackageOn;
    IndicatorOn = change.after.IndicatorOn;

    ReadInitialCharges();
    Budget.Reload();

    if (Timer3->isActive()) {
        Timer3->stop();
        Timer3Timer();  // starts it again
    }
    if (lightOn) {
        if (!Timer3->isActive()) {
            // Idle, the rate monitor rests, and the dialog left the plain charge per
            // minute in force: find the rate the table gives now, for the light.
            Timer3Timer();
            Timer3->stop();
        }
        // On with the light of the rate in force, never as an empty entry.
        UpdateIndicator();
        TrayIcon1->SetActive(true);
    }
}

void TForm1::Statistics1Click() {
    TStatDlg dialog(this);
    RunDialog(dialog);
}

void TForm1::Adjustmonitoring1Click() {
    {
        TAdjustDlg dialog(this);
        RunDialog(dialog);
    }
    RateMonitorInterval = static_cast<int>(WholeSetting(
        QStringLiteral("Överv"), QStringLiteral("Intervall"), QStringLiteral("20"), 5));
    Timer3->setInterval(TimerInterval(RateMonitorInterval * 1000LL));
}

}  // namespace vindelor
