#include "monitor/budgetrules.h"

#include "core/billingsettings.h"

#include <algorithm>
#include <limits>

namespace vindelor::monitor {

LoggedMonthCost MonthCostOfLog(const DatedLog& log, const BillingMonth& month) {
    LoggedMonthCost out;
    out.undated = log.undated;
    for (const DatedLogLine& line : log.lines) {
        if (month.Contains(line.date)) {
            out.cost += line.cost;
            ++out.lines;
        }
    }
    return out;
}

namespace {

// Whether the cost is at least `percent` % of the budget, exactly.
bool Reached(Money cost, Money budget, int percent) {
    return static_cast<__int128>(cost.Units()) * 100 >=
           static_cast<__int128>(budget.Units()) * percent;
}

}  // namespace

std::vector<int> WarningsReached(Money monthCost, Money budget, const std::vector<int>& warn,
                                 const std::vector<int>& given) {
    return MarksReached(monthCost.Units(), budget.Units(), warn, given);
}

int BudgetShare(Money cost, Money budget) {
    if (budget <= Money() || cost <= Money()) {
        return 0;
    }
    const __int128 share = static_cast<__int128>(cost.Units()) * 100 / budget.Units();
    return share > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                   : static_cast<int>(share);
}

BudgetWarning WarningFor(const std::vector<int>& due, Money monthCost, Money costAtStart,
                         Money budget) {
    BudgetWarning w;
    w.share = BudgetShare(monthCost, budget);
    w.mark = due.empty() ? 0 : due.back();
    w.markBelowSpent = !due.empty() && Reached(costAtStart, budget, w.mark);
    return w;
}

NextCharge NextMinuteCharge(const SessionCounters& c) {
    NextCharge next;
    if (c.ConnectedSeconds <= 0) {
        return next;
    }
    next.known = true;
    next.due = c.MinuteMark + 60;
    next.connectedAtDue = c.ConnectedSeconds + (next.due - c.Elapsed);
    return next;
}

double RateAtCharge(const NextCharge& next, double currentRate, bool initialChargeOn,
                    const std::array<double, 4>& ratePrices,
                    const std::array<double, 4>& initialPrices,
                    const std::array<bool, 4>& initialChargeClassOn) {
    if (initialChargeOn && next.connectedAtDue <= 60) {
        return ApplyInitialCharges(currentRate, ratePrices, initialPrices, initialChargeClassOn);
    }
    return currentRate;
}

bool NextMinuteWatch::Tick(const SessionCounters& c, const NextCharge& next) {
    // The tick that saw a full minute since the mark has just added a charge.
    if (c.SinceMinuteMark >= 60 && c.ConnectedSeconds > 0) {
        charged_ = true;
    }
    if (lead_ <= 0 || !charged_ || !next.known || next.due == warnedFor_) {
        return false;
    }
    if (c.Elapsed < next.due - lead_ || c.Elapsed >= next.due) {
        return false;
    }
    warnedFor_ = next.due;
    return true;
}

HangUpChoice ChooseHangUp(const QString& command, const std::vector<PortHolder>& holders) {
    HangUpChoice choice;
    if (!command.trimmed().isEmpty()) {
        QStringList words;
        if (!SplitShellWords(command, &words) || words.isEmpty()) {
            choice.reason = HangUpChoice::Reason::BadCommand;
            return choice;
        }
        choice.action = HangUpChoice::Action::RunCommand;
        choice.command = words;
        return choice;
    }
    choice.reason = HangUpChoice::Reason::NoPppd;
    for (const PortHolder& holder : holders) {
        if (holder.name != QLatin1String("pppd") || holder.pid <= 1) {
            continue;
        }
        if (holder.mayBeSignalled) {
            choice.action = HangUpChoice::Action::SignalPppd;
            choice.reason = HangUpChoice::Reason::None;
            choice.pid = holder.pid;
            choice.holder = holder;
            return choice;
        }
        choice.reason = HangUpChoice::Reason::PppdNotOurs;
        choice.pid = holder.pid;
    }
    return choice;
}

}  // namespace vindelor::monitor
