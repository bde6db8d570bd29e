#include "monitor/budgetrules.h"

#include "core/sessionlog.h"

#include <gtest/gtest.h>

namespace vindelor::monitor {
namespace {

TEST(BudgetRules, MonthsCostTakesItsOwnLinesWithFailedTriesAndCountsUndated) {
    const QStringList lines = {
        BuildLogLine(QStringLiteral("14.11.2026"), QStringLiteral("10:00:00"),
                     QStringLiteral("00:10:00"), 50.0),  // the month before
        BuildLogLine(QStringLiteral("15.11.2026"), QStringLiteral("10:00:00"),
                     QStringLiteral("00:10:00"), 2.5),
        BuildLogLine(QStringLiteral("20.11.2026"), QStringLiteral("10:00:00"), FailedTryMarker(0),
                     0.25),
        QStringLiteral("32.11.2026 10:00:00-00:01:00^   9.0000"),  // no date: left out
        BuildLogLine(QStringLiteral("14.12.2026"), QStringLiteral("23:59:59"),
                     QStringLiteral("00:00:30"), 1.0),
        BuildLogLine(QStringLiteral("15.12.2026"), QStringLiteral("00:00:00"),
                     QStringLiteral("00:00:30"), 70.0),  // the month after
    };
    const LoggedMonthCost m = MonthCostOfLog(DateLogLines(lines, QStringLiteral("d.M.yyyy")),
                                             BillingMonthOf(QDate(2026, 12, 8), 15));
    EXPECT_EQ(m.cost, Money::FromUnits(37500));
    EXPECT_EQ(m.lines, 3);
    EXPECT_EQ(m.undated, std::vector<int>{4});
}

TEST(BudgetRules, EachWarningOnceAndOnlyWithABudget) {
    const std::vector<int> warn = {80, 90, 100};
    const auto m = [](double amount) { return Money::FromDouble(amount); };
    EXPECT_TRUE(WarningsReached(m(7.9999), m(10.0), warn, {}).empty());
    EXPECT_EQ(WarningsReached(m(8.0), m(10.0), warn, {}), std::vector<int>{80});
    EXPECT_TRUE(WarningsReached(m(8.5), m(10.0), warn, {80}).empty());
    // A minute's charge may pass several marks at once.
    EXPECT_EQ(WarningsReached(m(10.4), m(10.0), warn, {80}), (std::vector<int>{90, 100}));
    // 0.1 + 0.2 is a hair below 0.3 in binary; in money it is 0.3 and has reached 100 %.
    EXPECT_EQ(WarningsReached(m(0.1) + m(0.2), m(0.3), {100}, {}), std::vector<int>{100});
    EXPECT_TRUE(WarningsReached(m(99.0), Money(), warn, {}).empty());

    // The warning names the share used, rounded down, and says when the mark lay below
    // what the month had cost before the connection.
    const BudgetWarning w = WarningFor({50}, m(0.75), m(0.70), m(0.80));
    EXPECT_EQ(w.share, 93);  // 93.75 %
    EXPECT_EQ(w.mark, 50);
    EXPECT_TRUE(w.markBelowSpent);
    EXPECT_FALSE(WarningFor({50}, m(0.75), m(0.39), m(0.80)).markBelowSpent);
}

// Runs the session tick's own arithmetic once a second (with stalls where asked) and
// records when it added a charge and how much, and when the watch warned.
struct TickRun {
    std::vector<long long> charges;    // elapsed seconds of each added charge
    std::vector<double> amounts;       // what each added
    std::vector<long long> warnings;   // elapsed seconds of each warning
    std::vector<long long> warnedDue;  // the moment each warning named
    std::vector<double> warnedAmount;  // the amount each warning named
};
TickRun Simulate(long long averageConnect, int lead, long long until, bool initialCharge,
                 const std::vector<std::pair<long long, long long>>& stalls = {}) {
    const std::array<double, 4> prices = {0.5, 0.0, 0.0, 0.0};
    const std::array<double, 4> initial = {2.0, 0.0, 0.0, 0.0};
    const std::array<bool, 4> initialOn = {initialCharge, false, false, false};
    double rate = 0.5;
    SessionCounters c;
    NextMinuteWatch watch(lead);
    TickRun run;
    for (long long now = 0; now <= until; ++now) {
        bool stalled = false;
        for (const auto& [from, to] : stalls) {
            stalled = stalled || (now > from && now < to);
        }
        if (stalled) {
            continue;
        }
        c.UpdateTimes(now, averageConnect);
        if (initialCharge && c.ConnectedSeconds <= 60) {
            rate = ApplyInitialCharges(rate, prices, initial, initialOn);
        }
        c.AccountMinutes();
        const double before = c.SessionCost;
        c.ChargeMinutes(rate);
        if (c.SessionCost != before) {
            run.charges.push_back(now);
            run.amounts.push_back(c.SessionCost - before);
        }
        const NextCharge next = NextMinuteCharge(c);
        if (watch.Tick(c, next)) {
            run.warnings.push_back(now);
            run.warnedDue.push_back(next.due);
            run.warnedAmount.push_back(
                RateAtCharge(next, rate, initialCharge, prices, initial, initialOn));
        }
    }
    return run;
}

TEST(BudgetRules, NextMinuteWarningComesLeadSecondsBeforeTheTickCharges) {
    struct Case {
        long long averageConnect;
        bool initialCharge;
        std::vector<std::pair<long long, long long>> stalls;
        std::vector<long long> charges;
        std::vector<long long> warnings;
    };
    const Case cases[] = {
        {0, false, {}, {60, 120, 180}, {110, 170}},
        {30, false, {}, {90, 150, 210}, {140, 200}},  // the connect time moves the minutes
        {30, true, {}, {90, 150, 210}, {140, 200}},
        // A stalled tick charges late and the next minute counts from there.
        {0, false, {{100, 125}}, {60, 125, 185}, {175}},
    };
    for (const Case& k : cases) {
        const TickRun run = Simulate(k.averageConnect, 10, 215, k.initialCharge, k.stalls);
        EXPECT_EQ(run.charges, k.charges) << k.averageConnect;
        EXPECT_EQ(run.warnings, k.warnings) << k.averageConnect;
        // Every warning names the moment and the amount the tick then charged.
        for (size_t i = 0; i < run.warnings.size(); ++i) {
            const auto at = std::find(run.charges.begin(), run.charges.end(), run.warnedDue[i]);
            ASSERT_NE(at, run.charges.end()) << run.warnedDue[i];
            EXPECT_DOUBLE_EQ(run.warnedAmount[i], run.amounts[at - run.charges.begin()]);
        }
    }
    EXPECT_TRUE(Simulate(0, 0, 200, false).warnings.empty());  // 0: off
}

TEST(BudgetRules, InitialChargeIsTheFirstMinutesPrice) {
    // Seen from the first minute, the next charge is the initial one.
    SessionCounters c;
    for (long long now : {0, 10, 20}) {  // connecting: the mark follows the tick
        c.UpdateTimes(now, 20);
        c.AccountMinutes();
    }
    c.UpdateTimes(40, 20);
    c.AccountMinutes();
    const NextCharge next = NextMinuteCharge(c);
    ASSERT_TRUE(next.known);
    EXPECT_EQ(next.due, 80);
    EXPECT_EQ(next.connectedAtDue, 60);
    const std::array<double, 4> prices = {0.5, 1.0, 0, 0};
    EXPECT_DOUBLE_EQ(
        RateAtCharge(next, 1.0, true, prices, {3.0, 4.0, 0, 0}, {false, true, false, false}), 4.0);
    EXPECT_DOUBLE_EQ(
        RateAtCharge(next, 1.0, false, prices, {3.0, 4.0, 0, 0}, {false, true, false, false}), 1.0);
}

TEST(BudgetRules, HangUpRunsTheCommandElseSignalsOnlyOurPppd) {
    const PortHolder minicom{400, QStringLiteral("minicom"), true, {}};
    const PortHolder othersPppd{500, QStringLiteral("pppd"), false, {}};
    const PortHolder ourPppd{600, QStringLiteral("pppd"), true, {}};

    HangUpChoice c = ChooseHangUp(QStringLiteral("nmcli connection down 'My ISP'"), {ourPppd});
    EXPECT_EQ(c.action, HangUpChoice::Action::RunCommand);
    EXPECT_EQ(c.command, (QStringList{QStringLiteral("nmcli"), QStringLiteral("connection"),
                                      QStringLiteral("down"), QStringLiteral("My ISP")}));

    c = ChooseHangUp(QStringLiteral("poff 'isp"), {ourPppd});
    EXPECT_EQ(c.action, HangUpChoice::Action::Nothing);  // never a guess at a broken command
    EXPECT_EQ(c.reason, HangUpChoice::Reason::BadCommand);

    c = ChooseHangUp(QString(), {minicom, othersPppd, ourPppd});
    EXPECT_EQ(c.action, HangUpChoice::Action::SignalPppd);
    EXPECT_EQ(c.pid, 600);

    c = ChooseHangUp(QStringLiteral("  "), {minicom, othersPppd});
    EXPECT_EQ(c.action, HangUpChoice::Action::Nothing);
    EXPECT_EQ(c.reason, HangUpChoice::Reason::PppdNotOurs);
    EXPECT_EQ(c.pid, 500);

    c = ChooseHangUp(QString(), {minicom, PortHolder{1, QStringLiteral("pppd"), true, {}}});
    EXPECT_EQ(c.action, HangUpChoice::Action::Nothing);
    EXPECT_EQ(c.reason, HangUpChoice::Reason::NoPppd);
}

}  // namespace
}  // namespace vindelor::monitor
