#include "monitor/budgetguard.h"

#include "core/monthleft.h"
#include "core/numbers.h"
#include "core/sessionlog.h"
#include "core/texts.h"
#include "platform/errortext.h"
#include "platform/notifier.h"
#include "platform/processes.h"
#include "platform/services.h"

#include <QTime>

#include <algorithm>
#include <limits>

namespace vindelor::monitor {
namespace {

const QString kCaption = QStringLiteral("Vindelor");
constexpr int kHangUpTimeLimitMs = 10 * 1000;

QString Own(int n) {
    return Text(kOwnTextBase + n);
}

Money Budget(const BillingSettings& settings) {
    return Money::FromDouble(settings.budget);
}

}  // namespace

void BudgetGuard::Reload() {
    settings_ = ReadBillingSettings();
}

void BudgetGuard::BeginSession(const QDate& today, const QString& dateFormat) {
    dateFormat_ = dateFormat;
    hungUp_ = false;
    nextMinute_ = NextMinuteWatch(settings_.nextMinute);
    ReadMonth(today);
}

void BudgetGuard::ReadMonth(const QDate& today) {
    month_ = BillingMonthOf(today, settings_.startDay);
    logged_ = {};
    given_.clear();
    if (!settings_.HasBudget()) {
        return;
    }
    // Whole lines: a line with a volume is longer than the classic readers keep.
    logged_ = MonthCostOfLog(
        DateLogLines(ReadLogLines(QString(), std::numeric_limits<int>::max()), dateFormat_),
        month_);
    given_ = ReadGivenWarnings(month_);
    if (!logged_.undated.empty()) {
        // The lines by the numbers Brusko shows, so that they can be found and mended.
        QStringList keys;
        for (int key : logged_.undated) {
            keys << QString::number(key);
        }
        qWarning("vindelor: %s %s", qPrintable(Own(kTextUndatedLines).arg(logged_.undated.size())),
                 qPrintable(Own(kTextUndatedWhich).arg(keys.join(QStringLiteral(", ")))));
    }
}

void BudgetGuard::Tick(const BudgetTick& tick) {
    const SessionCounters& c = *tick.counters;
    // A session that runs into a new billing month stays in the month it began in, as its
    // log line (dated at the start) does in the months window and the exports.
    const NextCharge next = NextMinuteCharge(c);
    if (nextMinute_.Tick(c, next)) {
        const long long seconds = next.due - c.Elapsed;
        // Moved on as a moment, not as a time of day: at a clock change the minute falls
        // an hour away from where the wall clock's arithmetic would put it.
        Tell(Own(kTextNextMinute)
                 .arg(seconds)
                 .arg(platform::Clock().TimeText(tick.now.addSecs(seconds).time()),
                      Money(tick.rateAtNextCharge, tick.currencySymbol)));
    }
    if (!settings_.HasBudget()) {
        return;
    }
    const vindelor::Money monthCost = MonthCost(c.SessionCost);
    CheckWarnings(monthCost, tick);
    // The budget itself is reached the way its 100 % warning is.
    if (settings_.hangUpAt && !hungUp_ &&
        !WarningsReached(monthCost, Budget(settings_), {100}, {}).empty()) {
        hungUp_ = true;
        HangUp(Money(settings_.budget, tick.currencySymbol), QString());
    }
}

void BudgetGuard::CheckWarnings(vindelor::Money monthCost, const BudgetTick& tick) {
    const std::vector<int> due =
        WarningsReached(monthCost, Budget(settings_), settings_.warn, given_);
    if (due.empty()) {
        return;
    }
    // Remembered before the user is told: a message box runs the event loop, and the
    // next tick must not give the same warning again.
    given_.insert(given_.end(), due.begin(), due.end());
    std::sort(given_.begin(), given_.end());
    WriteGivenWarnings(month_, given_);
    // Several marks passed at once: one warning, naming the share used.
    const BudgetWarning w = WarningFor(due, monthCost, logged_.cost, Budget(settings_));
    QString text = Own(kTextBudgetWarning)
                       .arg(w.share)
                       .arg(Money(monthCost, tick.currencySymbol),
                            Money(settings_.budget, tick.currencySymbol),
                            platform::Clock().DateText(month_.last));
    if (w.markBelowSpent) {
        text += QLatin1Char(' ') + Own(kTextMarkBelowSpent).arg(w.mark);
    }
    Tell(text);
}

void BudgetGuard::HangUpAtLimit(const QString& reached) {
    // One hang-up a connection, whichever limit comes first: a second run of the command
    // could end the next connection the user makes.
    if (hungUp_) {
        return;
    }
    hungUp_ = true;
    HangUp(QString(), reached);
}

void BudgetGuard::HangUp(const QString& budget, const QString& reached) {
    std::vector<PortHolder> holders;
    if (!settings_.hangUp.trimmed().isEmpty()) {
        // The command decides; no holder is looked for.
    } else if (!device.isEmpty()) {
        holders = platform::Processes().Holders(device);
    } else if (!interface.isEmpty()) {
        holders = platform::Processes().InterfaceOwner(interface);
    }
    const HangUpChoice choice = ChooseHangUp(settings_.hangUp, holders);
    switch (choice.action) {
        case HangUpChoice::Action::RunCommand: {
            const QString command = settings_.hangUp;
            qWarning("vindelor: running the hang-up command: %s", qPrintable(command));
            platform::Processes().Run(
                choice.command, kHangUpTimeLimitMs,
                [this, budget, reached, command](const platform::CommandOutcome& outcome) {
                    if (!outcome.started) {
                        Report(reached, Own(kTextHangUpFailed).arg(budget, command, outcome.error));
                    } else if (outcome.timedOut) {
                        Report(reached, Own(kTextHangUpTimedOut).arg(budget, command));
                    } else if (outcome.crashed) {
                        Report(reached, Own(kTextHangUpFailed)
                                            .arg(budget, command,
                                                 Own(kTextEndedBySignal)
                                                     .arg(outcome.signal)
                                                     .arg(platform::SignalName(outcome.signal))));
                    } else if (outcome.exitCode != 0) {
                        Report(reached, Own(kTextHangUpFailed)
                                            .arg(budget, command,
                                                 Own(kTextExitStatus).arg(outcome.exitCode)));
                    } else {
                        Report(reached, Own(kTextHangUpRan).arg(budget, command));
                    }
                });
            return;
        }
        case HangUpChoice::Action::SignalPppd: {
            const int error = platform::Processes().Terminate(choice.holder);
            if (error == 0) {
                Report(reached, Own(kTextHangUpSignalled).arg(budget).arg(choice.pid));
            } else {
                Report(reached, Own(kTextHangUpSignalFailed)
                                    .arg(budget)
                                    .arg(choice.pid)
                                    .arg(platform::ErrorText(error)));
            }
            return;
        }
        case HangUpChoice::Action::Nothing:
            break;
    }
    switch (choice.reason) {
        case HangUpChoice::Reason::BadCommand:
            Report(reached, Own(kTextHangUpBadCommand).arg(budget, settings_.hangUp));
            break;
        case HangUpChoice::Reason::PppdNotOurs:
            Report(reached, Own(kTextHangUpNotOurs).arg(budget).arg(choice.pid));
            break;
        default:
            Report(reached, Own(kTextHangUpNoWay).arg(budget));
            break;
    }
}

void BudgetGuard::Report(const QString& reached, const QString& report) {
    QString text = report;
    if (!reached.isEmpty()) {
        // Every report opens with what was reached: "… the budget (%1)".
        const QString opening = Own(kTextHangUpNoWay);
        const qsizetype end = opening.indexOf(QLatin1String("(%1)"));
        if (end >= 0) {
            text.replace(opening.left(end + 4).arg(QString()), reached);
        }
    }
    qWarning("vindelor: %s", qPrintable(text));
    Show(text, true);
}

void BudgetGuard::Tell(const QString& text) {
    Show(text, false);
}

void BudgetGuard::Show(const QString& text, bool printed) {
    // The desktop answers later; a guard gone by then (the program ended) shows nothing
    // more.
    const std::weak_ptr<int> alive = alive_;
    platform::Notifier().Notify(kCaption, text, [this, alive, text, printed](bool taken) {
        if (taken) {
            return;
        }
        if (alive.expired() || ending_) {
            // Nobody is there to close a box, and a box would keep the program from ending.
            if (!printed) {
                qWarning("vindelor: %s", qPrintable(text));
            }
            return;
        }
        if (trayMessage && trayMessage(text)) {
            return;
        }
        platform::Boxes().Show(nullptr, kCaption, text, platform::MessageBoxes::Icon::Information,
                               platform::MessageBoxes::Buttons::Ok);
    });
}

QString BudgetGuard::LeftText(double sessionCost, const QDate& today,
                              const QString& currencySymbol) const {
    if (!settings_.HasBudget()) {
        return {};
    }
    return MoneyLeftText(Budget(settings_), MonthCost(sessionCost), month_, today, currencySymbol);
}

bool BudgetGuard::HolidayRates(const QDate& day) const {
    return IsHoliday(day, settings_.holidays, settings_.dates);
}

QString BudgetGuard::Money(double amount, const QString& currencySymbol) const {
    return Money(vindelor::Money::FromDouble(amount), currencySymbol);
}

QString BudgetGuard::Money(vindelor::Money amount, const QString& currencySymbol) const {
    return currencySymbol + QLatin1Char(' ') + MoneyText(amount, 2);
}

}  // namespace vindelor::monitor
