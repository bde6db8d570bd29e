// The budget guard of a running session: the billing month's cost, the budget warnings,
// the warning before the next charged minute, the hang-up at the limit and the holiday
// calendars. The main window feeds it its session tick and asks it about holidays;
// everything it decides is in monitor/budgetrules.h, everything it does to the system
// goes through platform/processes.h.
#pragma once

#include "core/billingsettings.h"
#include "monitor/budgetrules.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

namespace vindelor::monitor {

// What a tick tells the guard, after the tick has added its charges.
struct BudgetTick {
    const SessionCounters* counters = nullptr;
    QDateTime now;                // the local clock
    double rateAtNextCharge = 0;  // what the next minute will cost
    QString currencySymbol;
};

class BudgetGuard {
  public:
    // Reads [Billing]; the log is read when a session begins. A changed lead of the
    // next-minute warning applies from the next session on.
    void Reload();
    const BillingSettings& Settings() const { return settings_; }

    // A session begins: the logged cost of today's billing month and the warnings given
    // in it. `dateFormat` is the format the log's dates are written in now.
    void BeginSession(const QDate& today, const QString& dateFormat);
    void Tick(const BudgetTick& tick);

    // The month's cost with the running session's.
    vindelor::Money MonthCost(double sessionCost) const {
        return logged_.cost + vindelor::Money::FromDouble(sessionCost);
    }
    const LoggedMonthCost& Logged() const { return logged_; }
    // What the budget leaves of the month with the running session's cost, and a day's
    // share of it; empty without a budget.
    QString LeftText(double sessionCost, const QDate& today, const QString& currencySymbol) const;
    const BillingMonth& Month() const { return month_; }

    // Whether the rate monitor uses the holiday rates on the day by the calendars.
    bool HolidayRates(const QDate& day) const;

    // The device of the modem's port (for finding a pppd that holds it); empty when the
    // connection is not a serial port.
    QString device;
    // The connection's network interface when it is not a serial port (for finding the
    // pppd that made it: PPPoE, a ppp link NetworkManager brought up).
    QString interface;
    // The tray icon's message, when the desktop has a tray: false when it cannot show one.
    std::function<bool(const QString& text)> trayMessage;
    // Where the guard tells the user something: a desktop notification, else the
    // tray's message, else a message box. Returns at once; the fallbacks follow when the
    // desktop has answered. Once the program is ending: the notification, else standard
    // error only.
    void Tell(const QString& text);
    void SetEnding() { ending_ = true; }
    // Ends the connection the way the budget's hang-up does, for another limit reached:
    // its reports say `reached` where they would say that the budget was reached.
    void HangUpAtLimit(const QString& reached);

  private:
    void ReadMonth(const QDate& today);
    void CheckWarnings(vindelor::Money monthCost, const BudgetTick& tick);
    // `reached`: what the reports name instead of the budget (empty: the budget), taken
    // at the call, as a report may come after another limit was reached.
    void HangUp(const QString& budget, const QString& reached);
    // Told and written to standard error, opening with `reached` when it is given.
    void Report(const QString& reached, const QString& text);
    // The notification, else (not while ending) the tray or a box; `printed`: the text
    // went to standard error already.
    void Show(const QString& text, bool printed);
    QString Money(double amount, const QString& currencySymbol) const;
    QString Money(vindelor::Money amount, const QString& currencySymbol) const;

    BillingSettings settings_;
    QString dateFormat_;
    BillingMonth month_;
    LoggedMonthCost logged_;
    std::vector<int> given_;
    NextMinuteWatch nextMinute_{0};
    bool hungUp_ = false;
    // Lives as long as the guard: an answer of the desktop that comes later sees it gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    bool ending_ = false;
};

}  // namespace vindelor::monitor
