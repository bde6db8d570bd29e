#include "monitor/timerstat.h"

#include "core/sessionglobals.h"
#include "core/texts.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

#include <gtest/gtest.h>

namespace vindelor {
namespace {

class StatDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = SessionGlobals();
        SetLanguageOffset(kEnglishOffset);
    }
    void TearDown() override {
        SessionGlobals() = saved_;
        SetLanguageOffset(kEnglishOffset);
    }

  private:
    SessionGlobalsT saved_;
};

TEST_F(StatDlgTest, CostPanelShowsTheMinimumAndTheUsage) {
    struct Case {
        long long minimum;
        const char* costLeft;
        const char* shown;
    };
    const Case cases[] = {
        {100, "-62.500", "100.00 (37.50)"},  // below the minimum: usage in brackets
        {0, "3.500", " 3.50"},               // no minimum: padded to width 5
        {100, "0.000", "100.00"},            // exactly at the minimum
        {20, "-18.800", "20.00 ( 1.20)"},
        {50, "12.346", "62.35"},
        {30, "", "30.00"},     // before the first session tick
        {30, "abc", "30.00"},  // not a number
        {0, "", " 0.00"},
        {7, "   2.000", " 9.00"},
    };
    for (const Case& c : cases) {
        SessionGlobals().MonthlyMinimum = c.minimum;
        SessionGlobals().CostLeftText = QString::fromLatin1(c.costLeft);
        TStatDlg dlg;
        EXPECT_EQ(dlg.Panel3->text(), QString::fromLatin1(c.shown))
            << c.minimum << " / '" << c.costLeft << "'";
    }
}

TEST_F(StatDlgTest, ChargePanelDropsOneTrailingZero) {
    struct Case {
        const char* currency;
        double rate;
        const char* shown;
    };
    const Case cases[] = {
        {"$", 0.25, "$   0.25"},    {"$", 0.125, "$   0.125"},  {"mk", 1.5, "mk   1.50"},
        {"EUR", 0.0, "EUR   0.00"}, {"$", 1234.5, "$ 1234.50"},
    };
    for (const Case& c : cases) {
        SessionGlobals().CurrencySymbol = QString::fromLatin1(c.currency);
        SessionGlobals().CurrentRate = c.rate;
        TStatDlg dlg;
        EXPECT_EQ(dlg.Panel8->text(), QString::fromLatin1(c.shown)) << c.rate;
    }
}

TEST_F(StatDlgTest, FollowsARunningSessionOnEveryTick) {
    SessionGlobalsT& g = SessionGlobals();
    g.MonthlyMinimum = 0;
    g.CostLeftText = QStringLiteral("1.000");
    g.RunningNetTime = QStringLiteral("12:00:05");
    g.CurrentRate = 0.5;
    TStatDlg dlg;
    EXPECT_EQ(dlg.Panel3->text(), QStringLiteral(" 1.00"));
    EXPECT_EQ(dlg.Panel5->text(), QStringLiteral("12:00:05"));

    g.CostLeftText = QStringLiteral("1.500");
    g.RunningNetTime = QStringLiteral("12:01:05");
    g.CurrentRate = 0.75;
    EXPECT_EQ(dlg.Panel5->text(), QStringLiteral("12:00:05")) << "only the timer refreshes";
    dlg.Timer1Timer();
    EXPECT_EQ(dlg.Panel3->text(), QStringLiteral(" 1.50"));
    EXPECT_DOUBLE_EQ(dlg.CostFigure(), 1.5);
    EXPECT_EQ(dlg.Panel5->text(), QStringLiteral("12:01:05"));
    EXPECT_EQ(dlg.Panel8->text(), QStringLiteral("$   0.75"));
    EXPECT_TRUE(dlg.Timer1->isActive());
    EXPECT_EQ(dlg.Timer1->interval(), 100);
}

TEST_F(StatDlgTest, ReadsButNeverWritesTheSharedState) {
    SessionGlobalsT& g = SessionGlobals();
    g.CostLeftText = QStringLiteral("");
    g.MonthlyMinimum = 40;
    g.RunningNetTime = QStringLiteral("01:02:03");
    const SessionGlobalsT before = g;
    TStatDlg dlg;
    dlg.Timer1Timer();
    EXPECT_EQ(g.CostLeftText, before.CostLeftText);
    EXPECT_EQ(g.MonthlyMinimum, before.MonthlyMinimum);
    EXPECT_EQ(g.RunningNetTime, before.RunningNetTime);
    EXPECT_EQ(dlg.Panel3->text(), QStringLiteral("40.00"));
    EXPECT_EQ(dlg.Panel5->text(), QStringLiteral("01:02:03"));
}

TEST_F(StatDlgTest, TextsOfTheLanguageAndTheApplicationIcon) {
    SetLanguageOffset(kFinnishOffset);
    TStatDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), LoadText(320));
    EXPECT_EQ(dlg.Label1->text(), LoadText(321));
    EXPECT_EQ(dlg.Label2->text(), LoadText(322));
    EXPECT_EQ(dlg.Label3->text(), LoadText(323));
    EXPECT_EQ(dlg.Label4->text(), LoadText(411));

    const QIcon previous = QApplication::windowIcon();
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::darkGreen);
    const QIcon icon(pixmap);
    QApplication::setWindowIcon(icon);
    dlg.Timer1Timer();
    EXPECT_EQ(dlg.windowIcon().cacheKey(), icon.cacheKey());
    QApplication::setWindowIcon(previous);
}

}  // namespace
}  // namespace vindelor
