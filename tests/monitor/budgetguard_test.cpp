#include "monitor/budgetguard.h"

#include "core/logsummary.h"
#include "core/profile.h"
#include "core/sessionlog.h"
#include "core/texts.h"
#include "platform/test/fakes.h"
#include "platform/test/processfakes.h"
#include "support/testenv.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <csignal>

namespace vindelor::monitor {
namespace {

class BudgetGuardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetLanguageOffset(kEnglishOffset);
        fakes.clock.now = QDateTime(QDate(2026, 12, 8), QTime(12, 0, 0));
        Set(QStringLiteral("Budget"), QStringLiteral("10"));
        Set(QStringLiteral("Warn"), QStringLiteral("50,80,100"));
        // 7.00 this month; 40.00 last month must not count.
        AppendLogLine(BuildLogLine(QStringLiteral("30.11.2026"), QStringLiteral("10:00:00"),
                                   QStringLiteral("01:00:00"), 40.0));
        AppendLogLine(BuildLogLine(QStringLiteral("01.12.2026"), QStringLiteral("10:00:00"),
                                   QStringLiteral("00:30:00"), 7.0));
    }
    void TearDown() override { SetLanguageOffset(kSwedishOffset); }

    static void Set(const QString& key, const QString& value) {
        ASSERT_TRUE(WriteProfileString(QStringLiteral("Billing"), key, value, kSettingsFile));
    }
    void Begin() {
        guard.Reload();
        guard.device = QStringLiteral("/dev/ttyS0");
        guard.BeginSession(fakes.clock.now.date(), QStringLiteral("d.M.yyyy"));
    }
    void Tick(double sessionCost) {
        counters.SessionCost = sessionCost;
        guard.Tick({&counters, fakes.clock.now, 0.5, QStringLiteral("€")});
    }

    test::ScopedDataDir dir;
    platform::test::ScopedFakes fakes;
    platform::test::ScopedProcessFakes system;
    BudgetGuard guard;
    SessionCounters counters;
};

TEST_F(BudgetGuardTest, EachWarningOncePerBillingMonthWhateverTheSessions) {
    Begin();
    EXPECT_EQ(guard.MonthCost(0.0), Money::FromUnits(70000));
    Tick(0.0);  // 70 %: the 50 % mark was passed before this session; the share is named
    ASSERT_EQ(system.notifier.bodies.size(), 1u);
    EXPECT_EQ(system.notifier.bodies[0],
              QStringLiteral("70 % of your budget used: € 7.00 of € 10.00 in the billing month "
                             "that ends 31.12.2026. The warning at 50 % lies below what had "
                             "already been spent when the connection began."));
    Tick(0.5);
    EXPECT_EQ(system.notifier.bodies.size(), 1u);
    Tick(1.0049);  // 80.049 %: reached in this session, and the share is not rounded up
    ASSERT_EQ(system.notifier.bodies.size(), 2u);
    EXPECT_EQ(system.notifier.bodies[1],
              QStringLiteral("80 % of your budget used: € 8.00 of € 10.00 in the billing month "
                             "that ends 31.12.2026."));

    // 10.00 - 7.00 - 1.0049 left for 8 … 31 December.
    EXPECT_EQ(guard.LeftText(1.0049, fakes.clock.now.date(), QStringLiteral("€")),
              QStringLiteral("€ 2.00 left, € 0.08 a day for 24 days"));

    BudgetGuard next;  // the next session in the same month
    next.Reload();
    next.BeginSession(fakes.clock.now.date(), QStringLiteral("d.M.yyyy"));
    next.Tick({&counters, fakes.clock.now, 0.5, QStringLiteral("€")});
    EXPECT_EQ(system.notifier.bodies.size(), 2u);
}

TEST_F(BudgetGuardTest, ASessionIntoANewMonthCountsInTheMonthItBeganInAsTheMonthsTableDoes) {
    fakes.clock.now = QDateTime(QDate(2026, 12, 31), QTime(23, 50, 0));
    Begin();
    Tick(1.0);  // 80 % of December
    ASSERT_EQ(system.notifier.bodies.size(), 1u);
    fakes.clock.now = QDateTime(QDate(2027, 1, 1), QTime(0, 20, 0));
    Tick(3.0);
    ASSERT_EQ(system.notifier.bodies.size(), 2u);
    EXPECT_TRUE(
        system.notifier.bodies[1].startsWith(QStringLiteral("100 % of your budget used: "
                                                            "€ 10.00")))
        << system.notifier.bodies[1].toStdString();
    EXPECT_TRUE(system.notifier.bodies[1].contains(QStringLiteral("31.12.2026")));

    // The line the session leaves carries its start; the months table must agree.
    AppendLogLine(BuildLogLine(QStringLiteral("31.12.2026"), QStringLiteral("23:50:00"),
                               QStringLiteral("00:30:00"), 3.0));
    const std::vector<MonthSummary> months =
        SummariseMonths(DateLogLines(ReadLogLines(), QStringLiteral("d.M.yyyy")).lines, 1);
    ASSERT_EQ(months.size(), 2u);  // November and December; nothing in January
    EXPECT_EQ(months[1].month.first, QDate(2026, 12, 1));
    EXPECT_EQ(months[1].cost, guard.MonthCost(3.0));
}

TEST_F(BudgetGuardTest, TheNextMinuteIsToldAtItsTimeAcrossAClockChange) {
    Set(QStringLiteral("NextMinute"), QStringLiteral("30"));
    const QTimeZone helsinki("Europe/Helsinki");
    ASSERT_TRUE(helsinki.isValid());
    // Summer time begins: 03:00 is 04:00.
    fakes.clock.now = QDateTime(QDate(2026, 3, 29), QTime(2, 59, 0), helsinki);
    Begin();
    counters.ConnectedSeconds = 60;
    counters.Elapsed = 60;
    counters.MinuteMark = 60;
    counters.SinceMinuteMark = 60;  // the first minute was charged just now
    Tick(0.5);
    counters.Elapsed = 100;
    counters.SinceMinuteMark = 40;
    fakes.clock.now = fakes.clock.now.addSecs(40);
    Tick(0.5);
    ASSERT_FALSE(system.notifier.bodies.empty());
    EXPECT_TRUE(system.notifier.bodies.back().contains(QStringLiteral("04:00:00")))
        << system.notifier.bodies.back().toStdString();
}

TEST_F(BudgetGuardTest, WithoutNotificationsTheTrayThenAMessageBoxTells) {
    system.notifier.available = false;
    Begin();
    Tick(0.0);
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_TRUE(fakes.boxes.shown[0].text.startsWith(QStringLiteral("70 %")));

    QStringList tray;
    guard.trayMessage = [&tray](const QString& text) {
        tray << text;
        return true;
    };
    Tick(1.0);
    EXPECT_EQ(tray.size(), 1);
    EXPECT_EQ(fakes.boxes.shown.size(), 1u);

    // Ending, a box would hold the program open with nobody to close it.
    guard.trayMessage = nullptr;
    guard.SetEnding();
    Tick(3.0);
    EXPECT_EQ(fakes.boxes.shown.size(), 1u);
}

TEST_F(BudgetGuardTest, HangUpOncePerSessionByCommandElseOurPppd) {
    Set(QStringLiteral("HangUpAt"), QStringLiteral("Ja"));
    Set(QStringLiteral("HangUp"), QStringLiteral("poff 'my isp'"));
    Begin();
    Tick(2.99);
    EXPECT_TRUE(system.processes.runs.empty());
    Tick(3.0);
    Tick(3.5);
    ASSERT_EQ(system.processes.runs.size(), 1u);
    EXPECT_EQ(system.processes.runs[0],
              (QStringList{QStringLiteral("poff"), QStringLiteral("my isp")}));
    EXPECT_EQ(system.processes.lastTimeoutMs, 10000);
    EXPECT_TRUE(system.notifier.bodies.back().contains(QStringLiteral("ran \"poff 'my isp'\"")));
    EXPECT_TRUE(system.processes.terminated.empty());

    // A command that fails is told as failed.
    system.processes.outcome.exitCode = 1;
    Begin();
    Tick(3.0);
    EXPECT_TRUE(system.notifier.bodies.back().contains(QStringLiteral("failed (exit status 1)")));
    system.processes.outcome = {true, false, true, 0, QString(), SIGTERM};
    Begin();
    Tick(3.0);
    EXPECT_TRUE(system.notifier.bodies.back().contains(
        QStringLiteral("failed (ended by signal 15 (SIGTERM))")))
        << system.notifier.bodies.back().toStdString();

    Set(QStringLiteral("HangUp"), QString());
    system.processes.holders = {{77, QStringLiteral("chat"), true, {}},
                                {78, QStringLiteral("pppd"), true, {}}};
    Begin();
    Tick(3.0);
    EXPECT_EQ(system.processes.askedFor.back(), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(system.processes.terminated, std::vector<long>{78});
    EXPECT_TRUE(system.notifier.bodies.back().contains(QStringLiteral("asked pppd (process 78)")));
    // A network interface as the connection: the pppd that made the link.
    Begin();
    guard.device.clear();
    guard.interface = QStringLiteral("ppp0");
    Tick(3.0);
    EXPECT_EQ(system.processes.askedFor.back(), QStringLiteral("ppp0"));
    EXPECT_EQ(system.processes.terminated, (std::vector<long>{78, 78}));

    Set(QStringLiteral("HangUpAt"), QStringLiteral("Nej"));
    Begin();
    Tick(5.0);
    EXPECT_EQ(system.processes.terminated.size(), 2u);
    EXPECT_EQ(system.processes.runs.size(), 3u);
}

// The data cap and the budget reached in one connection: the command runs once, and its
// report, however late, names the limit it ran for.
TEST_F(BudgetGuardTest, OneHangUpAConnectionWhicheverLimitComesFirst) {
    Set(QStringLiteral("HangUpAt"), QStringLiteral("Ja"));
    Set(QStringLiteral("HangUp"), QStringLiteral("poff"));
    system.processes.holdAnswers = true;
    Begin();
    guard.HangUpAtLimit(QStringLiteral("the data cap (5 MB)"));
    Tick(3.5);
    guard.HangUpAtLimit(QStringLiteral("the roaming cap (1 MB)"));
    EXPECT_EQ(system.processes.runs.size(), 1u);
    for (const auto& answer : system.processes.held) {
        answer();
    }
    ASSERT_FALSE(system.notifier.bodies.empty());
    EXPECT_TRUE(system.notifier.bodies.back().contains(QStringLiteral("the data cap (5 MB)")))
        << system.notifier.bodies.back().toStdString();

    // The next connection has its own.
    system.processes.held.clear();
    Begin();
    Tick(3.5);
    EXPECT_EQ(system.processes.runs.size(), 2u);
}

}  // namespace
}  // namespace vindelor::monitor
