// TForm1: Vindelor's main window. It waits until the watched connection is there (the
// modem's port turns busy, or a network interface comes up: connectionwatch/connectionwatch.h;
// the idle poll), then times the connection on six digits with its cost in the status
// bar and the title (the session tick), follows the tariff (the rate monitor) and, when
// the connection is gone, closes the session and ends the program.
//
// The rules live without widgets in sessionrules.h, sessionclose.h, portdiscovery.h and
// connectionrules.h; this class reads the settings, drives the timers and shows the
// results.
#pragma once

#include "connectionwatch/connectionwatch.h"
#include "monitor/budgetguard.h"
#include "monitor/connectionrules.h"
#include "monitor/datacount.h"
#include "monitor/sessionclose.h"
#include "monitor/sessionrules.h"

#include <QIcon>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QDialog;
class QFrame;
class QLabel;
class QMenu;
class QStatusBar;
class QSystemTrayIcon;
class QTimer;

namespace vindelor {
namespace watch {
class MeteredLink;
}

class TComm32;
class TDigit;
class TTrayIcon;

// A small filled circle: the colons of the time display.
class TShape : public QWidget {
    Q_OBJECT
  public:
    explicit TShape(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

class TForm1 : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kClientWidth = 217;
    static constexpr int kClientHeight = 76;
    // Where the window shows when no position was stored.
    static constexpr int kDesignedLeft = 274;
    static constexpr int kDesignedTop = 281;

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Controls.
    QFrame* Panel1 = nullptr;
    TDigit* Digit1 = nullptr;
    TDigit* Digit2 = nullptr;
    TDigit* Digit3 = nullptr;
    TDigit* Digit4 = nullptr;
    TDigit* Digit5 = nullptr;
    TDigit* Digit6 = nullptr;
    TShape* Shape1 = nullptr;
    TShape* Shape2 = nullptr;
    TShape* Shape5 = nullptr;
    TShape* Shape6 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel0 = nullptr;  // the port or interface name
    QLabel* StatusPanel1 = nullptr;  // the cost text
    QTimer* Timer1 = nullptr;        // session tick, 20 ms
    QTimer* Timer2 = nullptr;        // idle poll
    QTimer* Timer3 = nullptr;        // rate monitor
    TComm32* Comm321 = nullptr;
    TTrayIcon* TrayIcon1 = nullptr;  // the rate indicator light
    QMenu* PopupMenu1 = nullptr;
    QAction* About1 = nullptr;
    QAction* Helg1 = nullptr;
    QAction* Help1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Com11 = nullptr;
    QAction* Com21 = nullptr;
    QAction* Com31 = nullptr;
    QAction* Com41 = nullptr;
    QAction* Settings1 = nullptr;
    QAction* Statistics1 = nullptr;
    QAction* Adjustmonitoring1 = nullptr;

    // Stands in for the taskbar button while the program waits: its menu is the
    // "Vindelor menu" route (with the items that make no sense before a session hidden)
    // plus a command to close the program; its tool-tip is the taskbar title, with the
    // figures also while the window is in front. A click, or ShowWindow1, brings the
    // window back.
    QSystemTrayIcon* TaskbarIcon = nullptr;
    QMenu* TaskbarMenu = nullptr;
    QAction* Close1 = nullptr;
    QAction* ShowWindow1 = nullptr;

    // Session state.
    bool PortFree = false;
    bool SessionStarted = false;
    bool Ready = false;
    monitor::SessionCounters Session;
    QString StartDate;
    QString StartTime;
    int AnimationCount = 0;
    double TotalCostBefore = 0.0;
    bool CostMonitoring = false;
    bool InitialChargeOn = false;
    std::array<bool, 4> InitialChargeClassOn{};  // which classes have an initial charge
    bool IndicatorOn = false;
    bool UsagePackageOn = false;
    bool MultipleRatesOn = false;
    bool HolidayRates = false;
    bool DataFileDamaged = false;
    int RateMonitorInterval = 20;
    QString PackageHoursText;
    QString PackagePriceText;
    QString HourPriceText;
    long long CloseElapsed = 0;
    // What the last session close decided (for the caller's report).
    monitor::SessionClosePlan LastClose;
    // What the session close (or the end of the session) could not save, as told to
    // the user; empty when everything was written.
    QStringList Unsaved;
    // Budget, warnings, hang-up at the limit and the holiday calendars ([Billing]).
    monitor::BudgetGuard Budget;
    // The session's bytes (tests point its query at a namespace of their own) and what
    // they cost ([Data]).
    monitor::DataCount Data;
    monitor::DataSession DataBilling;
    // The link whose bytes count: [Data] "Interface", else the watch's.
    QString CountedInterface() const;
    // The watch's own link: the watched interface, or the one the service names for the
    // connection; empty for a serial port until it names one.
    QString WatchedInterface() const;
    // The volume and throughput as the status bar's port panel and the tray tip show
    // them; empty while no interface could be counted.
    QString VolumeText() const { return volumeText_; }

    // Seams for tests and for main(): how a modal dialog runs, how the program ends,
    // whether the program is the active application.
    std::function<int(QDialog&)> ExecDialog;
    std::function<void(int exitCode)> EndProgram;
    std::function<bool()> ApplicationActive;
    // Set before FormCreate(): the manual port choice opens first, whatever is stored.
    bool ChoosePortAtStart = false;
    // The network interface named on the command line for this run; empty: the settings
    // choose.
    QString InterfaceOverride;
    // NetworkManager's connection (id or UUID) or ModemManager's modem (identifier or
    // "any") named on the command line for this run.
    QString NetworkManagerOverride;
    QString ModemOverride;
    // Whether the serial watch asks ModemManager which ports are its own (tests of the
    // window leave the machine's bus alone).
    bool FollowModemManager = true;
    // Makes the watch of a network interface; unset: the rtnetlink one. Tests put their
    // own backend here.
    std::function<std::unique_ptr<watch::ConnectionWatch>(const QString& name)> MakeInterfaceWatch;

    // Start-up: reads the settings, chooses the modem port, leaves the program idle.
    // Stops early, with nothing running, when RequestQuit() came during the port choice.
    void FormCreate();
    // The program is being ended (a signal): the manual port choice asks no more.
    // What the guard tells from then on goes to the notification and standard error only.
    void RequestQuit() {
        quitRequested_ = true;
        Budget.SetEnding();
    }
    bool QuitRequested() const { return quitRequested_; }
    // Shows the window for waiting: as the tray stand-in where a tray exists, else
    // minimised (a window manager may not keep a window off the screen).
    void ShowIdle();

    void Timer2Timer();  // idle poll
    void Timer1Timer();  // session tick
    void Timer3Timer();  // rate monitor
    void UpdateIndicator();
    void SessionClose();
    // Writes [Aktiv] "Aktiv" = "Nej" when the program ends after a session; tells the
    // user (once) when the flag could not be cleared.
    void ClearActiveFlag();

    void About1Click();
    void Helg1Click();
    void Help1Click();
    void Exit1Click();
    // Brings a minimised or hidden window to the front; while the program waits for a
    // connection the window has nothing to show, and the menu opens instead.
    void ShowFromTray();
    void Settings1Click();
    void Statistics1Click();
    void Adjustmonitoring1Click();
    // Asks whether to close; true allows it (and closes a running session first).
    bool FormCloseQuery();

    // The title the classic taskbar button showed ("Vindelor" while active).
    QString TaskbarTitle() const { return taskbarTitle_; }
    // The text shown on the status bar's cost panel.
    QString CostPanelText() const;
    // True once the program was told to end.
    bool Ended() const { return ended_; }
    // The watched connection (after FormCreate): its name ("COM1", "wwan0", a connection
    // of NetworkManager), its kind, and whether it is other than the modem's serial port.
    QString WatchedName() const { return watch_ ? watch_->Name() : QString(); }
    watch::ConnectionWatch::Kind WatchedKind() const {
        return watch_ ? watch_->WatchKind() : watch::ConnectionWatch::Kind::SerialPort;
    }
    bool WatchesInterface() const {
        return WatchedKind() != watch::ConnectionWatch::Kind::SerialPort;
    }

  signals:
    // The manual choice of the modem's port is about to be shown.
    void askingForPort();
    // A session began (the port turned busy).
    void sessionBegan(const QString& startDate, const QString& startTime);
    // The session was closed; LastClose says what was written.
    void sessionClosed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void BuildControls();
    void BuildMenu();
    void SetMenuCaptions();
    void ShowPortChoice();
    void ReadInitialCharges();
    void ReadIndicatorLevels();
    void ReadUsagePackage();
    void ApplyIdleMenuRules();
    void StartSession();
    void Finish();
    void NotifyPortUnusable();
    // `ending`: the session has ended and the program with it: no box.
    void NotifyUnusable(const watch::LinkCheck& check, bool ending = false);
    void ShowWatchedName();
    void WatchChanged();
    void ReportUnsaved(const QStringList& items, int error);
    bool ActiveFlagStillSet() const;
    int RunDialog(QDialog& dialog);
    bool IsApplicationActive() const;
    void SetProgramIcon(const QString& resource);
    void ShareProgramIcon(bool frameChanged);
    void BeginDataCount(const QDateTime& now);
    void LookAtData(bool force);
    // Where the session's modem is registered: roaming's bytes and its notification.
    void FollowRegistration();
    // [Data] "Metered": marks the counted link for the desktop once the plan says so.
    void MarkMeteredWhenDue();
    // Puts the link's metered value back before the program may end.
    void EndMeteredMark();

    // The session tick's texts as last made, and what they were made from.
    struct TickTexts;
    std::unique_ptr<TickTexts> tickTexts_;
    bool ended_ = false;
    bool closed_ = false;
    monitor::UnusableReports unusableReports_;  // devices and interfaces the user was told about
    std::unique_ptr<watch::ConnectionWatch> watch_;
    QString shownName_;         // the watched connection's name as the status bar has it
    monitor::DropGrace drops_;  // the drops of the running session ([Connection] "Grace")
    bool unsavedReported_ = false;
    bool quitRequested_ = false;
    QString taskbarTitle_ = QStringLiteral("Vindelor");
    QIcon programIcon_;
    QString indicatorIcon_ = QStringLiteral("-");  // no light set yet
    DataTariff dataTariff_;
    std::int64_t dataCharged_ = 0;  // ten-thousandths already in Session.SessionCost
    QString volumeText_;
    bool roaming_ = false;  // the session's modem was abroad at the last look
    std::unique_ptr<watch::MeteredLink> metered_;  // only while [Data] "Metered" asks
    bool meteredRefusalTold_ = false;
};

}  // namespace vindelor
