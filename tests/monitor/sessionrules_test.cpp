// The session arithmetic and the close plan on their own, for the cases the window tests
// do not reach.
#include "monitor/sessionrules.h"
#include "core/texts.h"
#include "monitor/sessionclose.h"

#include <gtest/gtest.h>

namespace vindelor::monitor {
namespace {

TEST(SessionRules, InitialChargesFollowAChainOnlyThroughClassesThatHaveOne) {
    const std::array<double, 4> prices{0.50, 1.00, 0.30, 0.20};
    const std::array<double, 4> initials{1.00, 2.50, 0.90, 0.00};
    struct Case {
        double rate;
        std::array<bool, 4> on;
        double expected;
    };
    const Case cases[] = {
        // Class 1's initial charge equals class 2's price: the chain goes on to class 2.
        {0.50, {true, true, false, false}, 2.50},
        // Class 2 has no initial charge: its never-read amount must not apply.
        {0.50, {true, false, false, false}, 1.00},
        {0.30, {true, false, false, false}, 0.30},
        {0.30, {false, false, true, false}, 0.90},
        {0.77, {true, true, true, true}, 0.77},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(ApplyInitialCharges(c.rate, prices, initials, c.on), c.expected) << c.rate;
    }
}

TEST(SessionRules, RunningNetTimeCarriesAndReadsLooseTexts) {
    EXPECT_EQ(RunningNetTimeText(QStringLiteral("99:59:30"), {0, 0, 45}),
              QStringLiteral("100:00:15"));
    EXPECT_EQ(RunningNetTimeText(QStringLiteral("0"), {1, 2, 3}), QStringLiteral("01:02:03"));
    EXPECT_EQ(RunningNetTimeText(QStringLiteral("x:5"), {0, 0, 0}), QStringLiteral("00:05:00"));
}

SessionCloseInput TwoAndAHalfMinutes() {
    SessionCloseInput in;
    in.Elapsed = 180;
    in.MinuteMark = 150;
    in.SessionCost = 1.0;
    in.CurrentRate = 0.5;
    in.TotalCostBefore = 10;
    in.SessionMinutes = 2;
    in.SessionSeconds = 30;
    in.StartDate = QStringLiteral("06.12.1999");
    in.StartTime = QStringLiteral("14:05:09");
    in.StoredNetTime = QStringLiteral("100:00:00");
    in.SummaryLabel = QStringLiteral("Total Internetcharge :");
    return in;
}

TEST(SessionClosePlan, FinalMinutesAreChargedAtTheClose) {
    SessionCloseInput in = TwoAndAHalfMinutes();
    in.Elapsed = 230;  // the last tick came late: one more whole minute is due
    const SessionClosePlan plan = PlanSessionClose(in);
    EXPECT_DOUBLE_EQ(plan.SessionCost, 1.5);
    EXPECT_EQ(plan.CostTotalText, QStringLiteral("  11.50"));
    EXPECT_EQ(plan.SummaryText, QStringLiteral("Total Internetcharge : $ 11.50"));
    EXPECT_EQ(plan.NetTimeTotalText, QStringLiteral("100:02:00"));
}

// 2.675 is 2.67499… in binary: the running figures must round it as the close stores it.
TEST(SessionClosePlan, TheRunningFiguresShowTheTotalTheCloseStores) {
    SessionCloseInput in = TwoAndAHalfMinutes();
    in.TotalCostBefore = 2.0;
    in.SessionCost = 0.675;
    in.Elapsed = in.MinuteMark;  // no whole minute left to charge
    const SessionClosePlan plan = PlanSessionClose(in);
    EXPECT_EQ(plan.SummaryText, QStringLiteral("Total Internetcharge : $ 2.68"));
    EXPECT_EQ(MakeCostTexts(in.TotalCostBefore, in.SessionCost, 0, QStringLiteral("$"), {}).panel,
              QStringLiteral("$ 2.68"));
    EXPECT_EQ(TaskbarTitleText(false, true, QStringLiteral("00:02:30"), QStringLiteral("$"),
                               in.TotalCostBefore, in.SessionCost),
              QStringLiteral("00:02:30 : $ 2.68"));
}

TEST(SessionClosePlan, FailedTryMarkerFollowsTheLanguage) {
    SessionCloseInput in = TwoAndAHalfMinutes();
    in.Elapsed = 10;
    in.MinuteMark = 10;
    in.SessionCost = 0;
    in.SessionMinutes = 0;
    in.SessionSeconds = 0;
    in.FailedTries = QStringLiteral("Ja");
    const std::pair<int, const char*> markers[] = {
        {kSwedishOffset, "+FÖRSÖK+"}, {kFinnishOffset, "+YRITYS+"}, {kEnglishOffset, "+FAILED+"}};
    for (const auto& [offset, marker] : markers) {
        in.LanguageOffset = offset;
        const SessionClosePlan plan = PlanSessionClose(in);
        EXPECT_TRUE(plan.FailedTry);
        EXPECT_EQ(plan.LogLine, QStringLiteral("06.12.1999 14:05:09-") + QString::fromUtf8(marker) +
                                    QStringLiteral("^   0.5000"));
    }
}

TEST(SessionClosePlan, NothingCountsBeforeStartUpHasFinished) {
    SessionCloseInput in = TwoAndAHalfMinutes();
    in.Ready = false;
    EXPECT_FALSE(PlanSessionClose(in).Counted);
    in.Ready = true;
    EXPECT_TRUE(PlanSessionClose(in).Counted);
}

}  // namespace
}  // namespace vindelor::monitor
