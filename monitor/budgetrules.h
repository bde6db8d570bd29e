// The budget guard's rules, without widgets: the month's cost, which warnings are due,
// when the next minute's charge falls due, and how a connection is to be ended.
#pragma once

#include "core/billing.h"
#include "monitor/sessionrules.h"
#include "platform/processes.h"

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace vindelor::monitor {

// The logged part of a billing month's cost.
struct LoggedMonthCost {
    Money cost;
    int lines = 0;             // lines of the month (failed tries included)
    std::vector<int> undated;  // keys of the lines left out: their date could not be read
};
LoggedMonthCost MonthCostOfLog(const DatedLog& log, const BillingMonth& month);

// The warning percentages the month's cost has reached and that were not given yet, in
// ascending order. None without a budget.
std::vector<int> WarningsReached(Money monthCost, Money budget, const std::vector<int>& warn,
                                 const std::vector<int>& given);

// The share of the budget the cost is, in whole percent rounded down: a warning names what
// was used (94 %), not the mark that set it off (50 %), and never more than was used.
int BudgetShare(Money cost, Money budget);

// One warning for the marks just reached (`due`, ascending, not empty).
struct BudgetWarning {
    int share = 0;  // BudgetShare of the month's cost
    int mark = 0;   // the highest mark reached
    // The month's cost had passed the mark already when the connection began: the mark
    // was set below what was spent (or the budget was set, or lowered, since).
    bool markBelowSpent = false;
};
BudgetWarning WarningFor(const std::vector<int>& due, Money monthCost, Money costAtStart,
                         Money budget);

// When the session tick will add the next minute's charge, seen from the tick that just
// ran (after SessionCounters::AccountMinutes). The tick charges when a full minute has
// passed since the minute mark, and the mark follows the tick while the connection is
// still being made.
struct NextCharge {
    bool known = false;  // false while the connection is still being made
    long long due = 0;   // the elapsed second at which the charge is added
    long long connectedAtDue = 0;
};
NextCharge NextMinuteCharge(const SessionCounters& counters);

// The rate the tick will charge for that minute: the initial charge stands in while
// the connected time is at most a minute, as in the tick itself.
double RateAtCharge(const NextCharge& next, double currentRate, bool initialChargeOn,
                    const std::array<double, 4>& ratePrices,
                    const std::array<double, 4>& initialPrices,
                    const std::array<bool, 4>& initialChargeClassOn);

// Decides, tick by tick, when the warning before the next charged minute is due: `lead`
// seconds before the charge, once per minute, and only once the session's first charge
// was added (the first minute is the price of connecting at all).
class NextMinuteWatch {
  public:
    explicit NextMinuteWatch(int leadSeconds) : lead_(leadSeconds) {}
    // Feeds one tick; true when the warning for `next` is to be given now.
    bool Tick(const SessionCounters& counters, const NextCharge& next);

  private:
    int lead_;
    bool charged_ = false;
    long long warnedFor_ = -1;
};

// A process that holds the modem's port.
using PortHolder = platform::ProcessInfo;

struct HangUpChoice {
    enum class Action { RunCommand, SignalPppd, Nothing };
    enum class Reason { None, BadCommand, NoPppd, PppdNotOurs };
    Action action = Action::Nothing;
    Reason reason = Reason::None;
    QStringList command;  // program and arguments, for RunCommand
    long pid = 0;         // for SignalPppd, and the pppd named by PppdNotOurs
    PortHolder holder;    // the pppd to signal, as found
};
// The user's command when one is set (split like a shell's words, never run by one);
// else SIGTERM to a pppd holding the port that this user may signal; nothing else is
// ever signalled.
HangUpChoice ChooseHangUp(const QString& command, const std::vector<PortHolder>& holders);

}  // namespace vindelor::monitor
