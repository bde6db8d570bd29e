// The main window's idle poll, session tick and session close, driven through their
// handlers with a fake tick counter and fake ports.
#include "mainwindow_fixture.h"

#include "components/artwork.h"
#include "components/digit.h"
#include "core/plans.h"
#include "core/sessionlog.h"
#include "platform/datadir.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

namespace vindelor::test {
namespace {

using Mode = FakeSerialFactory::Mode;
using platform::MessageBoxes;

class SessionTest : public MainWindowTest {};

TEST_F(SessionTest, IdlePollKeepsPollingWhileThePortIsFreeAndStartsASessionWhenBusy) {
    Ini(QStringLiteral("Position"), QStringLiteral("Left"), QStringLiteral("100"));
    Ini(QStringLiteral("Position"), QStringLiteral("Top"), QStringLiteral("120"));
    TForm1& f = Create();
    ASSERT_TRUE(f.Timer2->isActive());

    f.Timer2Timer();
    EXPECT_TRUE(f.PortFree);
    EXPECT_FALSE(f.SessionStarted);
    EXPECT_TRUE(f.Timer2->isActive());
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("<none>"));

    StartSession();
    EXPECT_FALSE(f.PortFree);
    EXPECT_FALSE(f.Timer2->isActive());
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_FALSE(f.Timer3->isActive());  // no tariff table, no usage package
    EXPECT_EQ(f.StartDate, QStringLiteral("06.12.1999"));
    EXPECT_EQ(f.StartTime, QStringLiteral("14:05:09"));
    EXPECT_EQ(f.pos(), QPoint(100, 120));
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Ja"));
    EXPECT_TRUE(f.Exit1->isVisible());
    EXPECT_TRUE(f.Statistics1->isVisible());
}

TEST_F(SessionTest, UnusablePortIsNoConnectionAndIsReportedOnce) {
    TForm1& f = Create();
    SetPort(1, Mode::Unusable);
    f.Timer2Timer();
    f.Timer2Timer();
    EXPECT_FALSE(f.SessionStarted);
    EXPECT_TRUE(f.Timer2->isActive());
    EXPECT_FALSE(f.Timer1->isActive());
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_TRUE(fakes.boxes.shown[0].text.contains(QStringLiteral("/dev/ttyS0")));
    EXPECT_TRUE(fakes.boxes.shown[0].text.contains(QStringLiteral("No such file")));
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("<none>"));
}

TEST_F(SessionTest, FailureOfOurOwnOnAFreePortIsNoConnection) {
    TForm1& f = Create();
    ports.readThreadError = EAGAIN;  // no worker thread can be had
    f.Timer2Timer();
    f.Timer2Timer();
    EXPECT_FALSE(f.SessionStarted);
    EXPECT_TRUE(f.Timer2->isActive());
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("<none>"));
}

TEST_F(SessionTest, PortTurningUnusableDuringASessionEndsIt) {
    Ini(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
    TForm1& f = Create();
    StartSession();
    Run(40);
    SetPort(1, Mode::Unusable);
    f.Timer1Timer();
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Nej"));
    // The program is ending: told on standard error and by a notification, as a box would
    // keep it open with nobody there to close it.
    EXPECT_TRUE(fakes.boxes.shown.empty());
}

TEST_F(SessionTest, NothingIsChargedBeforeAFullConnectedMinute) {
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.50"));
    Ini(QStringLiteral("kostnad"), QStringLiteral("Totalt"), QStringLiteral("10"));
    TForm1& f = Create();
    StartSession();

    Run(20);  // still connecting (average 30 s)
    EXPECT_EQ(f.Session.ConnectedSeconds, -10);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("00:00:00 : $ 10.00"));
    Run(69);  // 59 connected seconds
    EXPECT_EQ(f.Session.ConnectedSeconds, 59);
    EXPECT_DOUBLE_EQ(f.Session.SessionCost, 0.0);
    EXPECT_EQ(f.Digit5->Value(), 5);
    EXPECT_EQ(f.Digit6->Value(), 9);
    Run(1);  // 60
    EXPECT_DOUBLE_EQ(f.Session.SessionCost, 0.5);
    EXPECT_EQ(f.StatusPanel1->text(), QStringLiteral("$ 10.50"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("00:01:00 : $ 10.50"));
    EXPECT_EQ(f.TaskbarTitle(), f.windowTitle());
    EXPECT_EQ(f.Digit4->Value(), 1);
    EXPECT_EQ(f.Digit6->Value(), 0);
    Run(59);
    EXPECT_DOUBLE_EQ(f.Session.SessionCost, 0.5);
    Run(1);
    EXPECT_DOUBLE_EQ(f.Session.SessionCost, 1.0);
    EXPECT_EQ(SessionGlobals().RunningNetTime, QStringLiteral("00:02:00"));

    active = true;
    Run(1);
    EXPECT_EQ(f.TaskbarTitle(), QStringLiteral("Vindelor"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Vindelor 1.12"));
    // The status icon is where the user looks: it keeps the figures.
    EXPECT_EQ(f.TaskbarIcon->toolTip(), QStringLiteral("00:02:01 : $ 11.00"));
}

// A place stored on a larger screen, or beside one since unplugged, opens in reach.
TEST_F(SessionTest, AStoredPlaceOffTheScreenOpensOnIt) {
    struct Case {
        const char* left;
        const char* top;
    };
    for (const Case c : {Case{"2500", "1500"}, Case{"100", "120"}, Case{"0", "99999"}}) {
        SCOPED_TRACE(c.left);
        Ini(QStringLiteral("Position"), QStringLiteral("Left"), QString::fromLatin1(c.left));
        Ini(QStringLiteral("Position"), QStringLiteral("Top"), QString::fromLatin1(c.top));
        TForm1& f = Create();
        StartSession();
        const QRect area = f.screen()->availableGeometry();
        EXPECT_TRUE(area.contains(QRect(f.pos(), f.frameGeometry().size())))
            << f.pos().x() << "," << f.pos().y() << " on " << area.width() << "x" << area.height();
        if (QLatin1String(c.left) == QLatin1String("100")) {
            EXPECT_EQ(f.pos(), QPoint(100, 120));  // a place on the screen stays
        }
        SetPort(1, Mode::Free);
    }
}

TEST_F(SessionTest, CostPanelShowsWhatTheMonthlyMinimumStillCovers) {
    struct Case {
        const char* minimum;
        const char* totalBefore;
        const char* panel;
        const char* costLeft;
        const char* titleEnd;  // the running total
    };
    // Below ten, one blank still parts the currency from the figure, in the title too.
    const Case cases[] = {{"50", "30.00", "$ 18.80 left", "-18.80", " : $ 31.20"},
                          {"20", "30.00", "$ 31.20", "11.20", " : $ 31.20"},
                          {"0", "0", "$ 1.20", "1.20", " : $ 1.20"},
                          {"2", "0", "$ 0.80 left", "-0.80", " : $ 1.20"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.minimum);
        ScopedDataDir caseDir;
        SessionGlobals() = SessionGlobalsT{};
        Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("1.20"));
        Ini(QStringLiteral("Charge"), QStringLiteral("minimi"), QLatin1String(c.minimum));
        Ini(QStringLiteral("kostnad"), QStringLiteral("Totalt"), QLatin1String(c.totalBefore));
        Ini(QStringLiteral("Connect"), QStringLiteral("average"), QStringLiteral("0"));
        TForm1& f = Create();
        StartSession();
        Run(60);
        EXPECT_DOUBLE_EQ(f.Session.SessionCost, 1.2);
        EXPECT_EQ(f.StatusPanel1->text(), QLatin1String(c.panel));
        EXPECT_EQ(SessionGlobals().CostLeftText, QLatin1String(c.costLeft));
        EXPECT_TRUE(f.windowTitle().endsWith(QLatin1String(c.titleEnd)))
            << f.windowTitle().toStdString();
        SetPort(1, Mode::Free);
    }
}

TEST_F(SessionTest, TrayTipTellsWhatTheBudgetLeavesOfTheMonthWithTheRunningSession) {
    // A plan's run: two links up at once are two icons alike, each tip names its plan.
    struct BackToTheDefaultPlan {
        ~BackToTheDefaultPlan() { platform::SelectPlan(QString()); }
    } back;
    ASSERT_EQ(OpenPlan(QStringLiteral("Phone"), MakeMissingPlan::Yes), PlanOpening::Created);
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("1.20"));
    Ini(QStringLiteral("Connect"), QStringLiteral("average"), QStringLiteral("0"));
    Ini(QStringLiteral("Billing"), QStringLiteral("Budget"), QStringLiteral("10"));
    TForm1& f = Create();
    StartSession();
    Run(60);
    // 10.00 less this minute's 1.20, for 6 … 31 December.
    EXPECT_TRUE(f.TaskbarIcon->toolTip().startsWith(QStringLiteral("Phone\n")))
        << f.TaskbarIcon->toolTip().toStdString();
    EXPECT_TRUE(f.TaskbarIcon->toolTip().endsWith(
        QStringLiteral("\n$ 8.80 left, $ 0.34 a day for 26 days")))
        << f.TaskbarIcon->toolTip().toStdString();
    SetPort(1, Mode::Free);
}

TEST_F(SessionTest, DelayedTickChargesEveryWholeMinuteAndDropsTheRest) {
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.25"));
    Ini(QStringLiteral("Connect"), QStringLiteral("average"), QStringLiteral("0"));
    TForm1& f = Create();
    StartSession();
    f.Timer1Timer();  // connected 0: the mark is set
    fakes.ticks.AdvanceSeconds(150);
    f.Timer1Timer();
    EXPECT_DOUBLE_EQ(f.Session.SessionCost, 0.5);
    EXPECT_EQ(f.Session.MinuteMark, 150);
    Run(59);
    EXPECT_DOUBLE_EQ(f.Session.SessionCost, 0.5);  // the 30 dropped seconds are not owed
    Run(1);
    EXPECT_DOUBLE_EQ(f.Session.SessionCost, 0.75);
}

TEST_F(SessionTest, HundredHoursOverflowTheFirstDigitButNotTheTexts) {
    Ini(QStringLiteral("Connect"), QStringLiteral("average"), QStringLiteral("0"));
    Ini(QStringLiteral("Nättid"), QStringLiteral("Totalt"), QStringLiteral("99:59:00"));
    TForm1& f = Create();
    StartSession();
    fakes.ticks.AdvanceSeconds(100 * 3600 + 5);
    f.Timer1Timer();
    EXPECT_EQ(f.Session.SessionHours, 100);
    EXPECT_EQ(f.Digit1->Value(), 0);  // 10 is no digit
    EXPECT_EQ(f.Digit2->Value(), 0);
    EXPECT_EQ(f.Digit6->Value(), 5);
    EXPECT_TRUE(f.windowTitle().startsWith(QStringLiteral("100:00:05 : $")));
    EXPECT_EQ(SessionGlobals().RunningNetTime, QStringLiteral("199:59:05"));
}

TEST_F(SessionTest, WithoutCostMonitoringOnlyTheTimeShows) {
    Ini(QStringLiteral("Session"), QStringLiteral("Räknare"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.50"));
    TForm1& f = Create();
    EXPECT_DOUBLE_EQ(SessionGlobals().CurrentRate, 0.0);
    StartSession();
    Run(95);
    EXPECT_TRUE(f.StatusPanel1->text().isEmpty());
    EXPECT_EQ(f.windowTitle(), QStringLiteral("00:01:05"));
    EXPECT_DOUBLE_EQ(f.Session.SessionCost, 0.0);
}

TEST_F(SessionTest, InitialChargeStandsInForTheFirstMinuteOnly) {
    TRateWeek week;
    FillWithRateClass(week, 1);
    SaveRateDataFile(week);
    Ini(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Avgifter"), QStringLiteral("Avg1"), QStringLiteral("0.40"));
    Ini(QStringLiteral("Initial"), QStringLiteral("Rate1"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Initial"), QStringLiteral("Pris_r1"), QStringLiteral("2.00"));
    Ini(QStringLiteral("Connect"), QStringLiteral("average"), QStringLiteral("0"));
    TForm1& f = Create();
    EXPECT_TRUE(f.MultipleRatesOn);
    EXPECT_TRUE(f.InitialChargeOn);
    EXPECT_DOUBLE_EQ(SessionGlobals().CurrentRate, 0.40);  // the start-up monitor run
    StartSession();
    EXPECT_TRUE(f.Timer3->isActive());
    Run(60);
    EXPECT_DOUBLE_EQ(f.Session.SessionCost, 2.00);
    f.Timer3Timer();
    EXPECT_DOUBLE_EQ(SessionGlobals().CurrentRate, 0.40);
    Run(60);
    EXPECT_DOUBLE_EQ(f.Session.SessionCost, 2.40);
}

TEST_F(SessionTest, PublicHolidaysOfTheChosenCountryTakeTheHolidayRates) {
    TRateWeek week;
    FillWithRateClass(week, 1);
    for (int slot = 1; slot <= kSlots; ++slot) {
        week.Slot(7, slot).RateClass = 2;  // Sunday's table: the holiday rates
    }
    SaveRateDataFile(week);
    Ini(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Avgifter"), QStringLiteral("Avg1"), QStringLiteral("0.40"));
    Ini(QStringLiteral("Avgifter"), QStringLiteral("Avg2"), QStringLiteral("0.10"));
    Ini(QStringLiteral("Billing"), QStringLiteral("Holidays"), QStringLiteral("FI"));
    Ini(QStringLiteral("Billing"), QStringLiteral("Dates"), QStringLiteral("03-10"));
    fakes.clock.now = QDateTime(QDate(2026, 12, 8), QTime(12, 0));  // a Tuesday
    TForm1& f = Create();
    EXPECT_DOUBLE_EQ(SessionGlobals().CurrentRate, 0.40);
    for (const QDate day : {QDate(2026, 12, 24), QDate(2027, 3, 10), QDate(2027, 5, 6)}) {
        fakes.clock.now = QDateTime(day, QTime(12, 0));  // Christmas Eve, own, Ascension
        f.Timer3Timer();
        EXPECT_DOUBLE_EQ(SessionGlobals().CurrentRate, 0.10) << day.toString().toStdString();
    }
    fakes.clock.now = QDateTime(QDate(2028, 6, 6), QTime(12, 0));  // Sweden's day, a Tuesday
    f.Timer3Timer();
    EXPECT_DOUBLE_EQ(SessionGlobals().CurrentRate, 0.40);
}

// --- session close -------------------------------------------------------------------

TEST_F(SessionTest, ShortSessionAtDefaultsWritesNothing) {
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.50"));
    TForm1& f = Create();
    StartSession();
    Run(75);  // 45 connected seconds
    SetPort(1, Mode::Free);
    f.SessionClose();
    EXPECT_FALSE(f.LastClose.Counted);
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Ja"));
    EXPECT_EQ(LogLine(1), QStringLiteral("<none>"));
    EXPECT_EQ(Read(QStringLiteral("kostnad"), QStringLiteral("Totalt")), QStringLiteral("<none>"));
    EXPECT_EQ(Read(QStringLiteral("Nättid"), QStringLiteral("Totalt")), QStringLiteral("<none>"));
    EXPECT_TRUE(fakes.boxes.shown.empty());

    f.Timer1Timer();  // the tick's own close does not count it twice, then ends the program
    EXPECT_EQ(LogLine(1), QStringLiteral("<none>"));
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Nej"));
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(exitCode, 0);
}

TEST_F(SessionTest, CountedSessionIsLoggedTotalledAndSummarised) {
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.50"));
    Ini(QStringLiteral("kostnad"), QStringLiteral("Totalt"), QStringLiteral("10"));
    Ini(QStringLiteral("Nättid"), QStringLiteral("Totalt"), QStringLiteral("01:00:00"));
    // An existing line stays; the new one goes to the first free key.
    ASSERT_TRUE(WriteProfileString(kLogSection, QStringLiteral("1"),
                                   QStringLiteral("05.12.1999 10:00:00-00:01:00^   0.5000"),
                                   kLogFile));
    TForm1& f = Create();
    StartSession();
    f.move(33, 44);
    Run(180);  // 2 min 30 s connected
    Release();

    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes.boxes.shown[0].text, QStringLiteral("Total Internetcharge : $ 11.00"));
    EXPECT_EQ(fakes.boxes.shown[0].icon, MessageBoxes::Icon::Information);
    EXPECT_EQ(Read(QStringLiteral("Kostnad"), QStringLiteral("totalt")), QStringLiteral("11.00"));
    EXPECT_TRUE(ReadFileBytes(dir.file(kSettingsFile)).contains("=  11.00"));
    EXPECT_EQ(Read(QStringLiteral("Nättid"), QStringLiteral("Totalt")), QStringLiteral("01:02:00"));
    EXPECT_EQ(LogLine(1), QStringLiteral("05.12.1999 10:00:00-00:01:00^   0.5000"));
    EXPECT_EQ(LogLine(2), QStringLiteral("06.12.1999 14:05:09-00:02:00^   1.0000"));
    EXPECT_EQ(Read(QStringLiteral("Position"), QStringLiteral("Left")), QStringLiteral("33"));
    EXPECT_EQ(Read(QStringLiteral("Position"), QStringLiteral("Top")), QStringLiteral("44"));
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Nej"));
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(f.Timer1->isActive());

    f.SessionClose();  // a second close changes nothing
    EXPECT_EQ(LogLine(3), QStringLiteral("<none>"));
}

// The log viewer may recount the totals while a session runs: the session's time and
// cost go on top of what is stored at the close. Everything is stored before the summary
// shows, since nobody may ever answer it.
TEST_F(SessionTest, TotalsWrittenMeanwhileAreAddedToAndStoredBeforeTheSummaryShows) {
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.50"));
    Ini(QStringLiteral("kostnad"), QStringLiteral("Totalt"), QStringLiteral("10"));
    Ini(QStringLiteral("Nättid"), QStringLiteral("Totalt"), QStringLiteral("01:00:00"));
    WatchingBoxes boxes;
    ScopedBoxes scoped(&boxes);
    Create();
    StartSession();
    Run(90);
    Ini(QStringLiteral("kostnad"), QStringLiteral("Totalt"), QStringLiteral("  3.00"));
    Ini(QStringLiteral("Nättid"), QStringLiteral("Totalt"), QStringLiteral("00:05:00"));
    Run(90);
    QStringList whileOpen;
    boxes.whileOpen = [&] {
        whileOpen << Read(QStringLiteral("kostnad"), QStringLiteral("Totalt"))
                  << Read(QStringLiteral("Nättid"), QStringLiteral("Totalt")) << LogLine(1)
                  << Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"));
    };
    Release();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Total Internetcharge : $ 4.00"));
    EXPECT_EQ(whileOpen, QStringList({QStringLiteral("4.00"), QStringLiteral("00:07:00"),
                                      QStringLiteral("06.12.1999 14:05:09-00:02:00^   1.0000"),
                                      QStringLiteral("Nej")}));
}

TEST_F(SessionTest, StoppedBySignalStoresTheSessionWithoutTheSummary) {
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.50"));
    TForm1& f = Create();
    StartSession();
    Run(180);
    f.RequestQuit();  // what main() does on SIGTERM
    f.SessionClose();
    EXPECT_TRUE(fakes.boxes.shown.empty());
    EXPECT_EQ(LogLine(1), QStringLiteral("06.12.1999 14:05:09-00:02:00^   1.0000"));
    EXPECT_EQ(Read(QStringLiteral("kostnad"), QStringLiteral("Totalt")), QStringLiteral("1.00"));
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Nej"));
}

TEST_F(SessionTest, RoundingOffKeepsTheSeconds) {
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.50"));
    Ini(QStringLiteral("Session"), QStringLiteral("Avrundning"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
    Ini(QStringLiteral("Nättid"), QStringLiteral("Totalt"), QStringLiteral("00:10:45"));
    Create();
    StartSession();
    Run(180);
    Release();
    EXPECT_TRUE(fakes.boxes.shown.empty());
    EXPECT_EQ(LogLine(1), QStringLiteral("06.12.1999 14:05:09-00:02:30^   1.0000"));
    EXPECT_EQ(Read(QStringLiteral("Nättid"), QStringLiteral("Totalt")), QStringLiteral("00:13:15"));
}

TEST_F(SessionTest, FailedTryIsCountedMarkedAndChargedOneMinute) {
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.50"));
    Ini(QStringLiteral("kostnad"), QStringLiteral("Totalt"), QStringLiteral("10"));
    Ini(QStringLiteral("Session"), QStringLiteral("Försök"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Försök"), QStringLiteral("Antal"), QStringLiteral("4"));
    Ini(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
    Create();
    StartSession();
    Run(10);
    Release();
    EXPECT_EQ(Read(QStringLiteral("Försök"), QStringLiteral("Antal")), QStringLiteral("5"));
    EXPECT_EQ(LogLine(1), QStringLiteral("06.12.1999 14:05:09-+FAILED+^   0.5000"));
    EXPECT_EQ(Read(QStringLiteral("kostnad"), QStringLiteral("Totalt")), QStringLiteral("10.50"));
    EXPECT_EQ(Read(QStringLiteral("Nättid"), QStringLiteral("Totalt")), QStringLiteral("00:00:00"));
}

TEST_F(SessionTest, ShortConnectionWithFailedTriesOnIsANormalLineCarryingTheMinuteCharged) {
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.50"));
    Ini(QStringLiteral("kostnad"), QStringLiteral("Totalt"), QStringLiteral("10"));
    Ini(QStringLiteral("Session"), QStringLiteral("Försök"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
    Create();
    StartSession();
    Run(50);  // 20 connected seconds
    Release();
    EXPECT_EQ(Read(QStringLiteral("Försök"), QStringLiteral("Antal")), QStringLiteral("<none>"));
    // The line carries the minute the total was charged: a recount of the log agrees.
    EXPECT_EQ(LogLine(1), QStringLiteral("06.12.1999 14:05:09-00:00:00^   0.5000"));
    EXPECT_EQ(Read(QStringLiteral("kostnad"), QStringLiteral("Totalt")), QStringLiteral("10.50"));
}

TEST_F(SessionTest, ShortSessionsCountedWithoutCostMonitoring) {
    Ini(QStringLiteral("Session"), QStringLiteral("Räknare"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Session"), QStringLiteral("<1min"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
    Create();
    StartSession();
    Run(200);
    Release();
    EXPECT_EQ(LogLine(1), QStringLiteral("06.12.1999 14:05:09-00:02:00^   0.0000"));
    EXPECT_EQ(Read(QStringLiteral("kostnad"), QStringLiteral("Totalt")), QStringLiteral("<none>"));
    EXPECT_EQ(Read(QStringLiteral("Nättid"), QStringLiteral("Totalt")), QStringLiteral("00:02:00"));
}

TEST_F(SessionTest, NetTimeTotalGrowsPastNinetyNineHours) {
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.10"));
    Ini(QStringLiteral("Nättid"), QStringLiteral("Totalt"), QStringLiteral("99:59:00"));
    Ini(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
    Ini(QStringLiteral("Connect"), QStringLiteral("average"), QStringLiteral("0"));
    Create();
    StartSession();
    Run(60);
    Release();
    EXPECT_EQ(Read(QStringLiteral("Nättid"), QStringLiteral("Totalt")),
              QStringLiteral("100:00:00"));
    EXPECT_EQ(Read(QStringLiteral("kostnad"), QStringLiteral("Totalt")), QStringLiteral("0.10"));
}

// The icon turns on the window and the status icon at every frame, and on a dialog or a
// message box that is open meanwhile: they show the application's icon.
TEST_F(SessionTest, AWindowOpenDuringTheSessionShowsTheTurningIcon) {
    TForm1& f = Create();
    StartSession();
    const QIcon second = LoadIconResource(QStringLiteral("TRILLORA2"));
    const QIcon third = LoadIconResource(QStringLiteral("TRILLORA3"));
    for (int tick = 0; tick < 6; ++tick) {
        f.Timer1Timer();  // the frames of counts 0 and 5
    }
    EXPECT_EQ(f.windowIcon().cacheKey(), second.cacheKey());
    EXPECT_EQ(f.TaskbarIcon->icon().cacheKey(), second.cacheKey());

    QMessageBox box(QMessageBox::Information, QStringLiteral("Vindelor"), QStringLiteral("..."));
    box.setModal(true);
    box.show();
    f.Timer1Timer();
    EXPECT_EQ(box.windowIcon().cacheKey(), second.cacheKey()) << "the frame of the moment";
    for (int tick = 0; tick < 4; ++tick) {
        f.Timer1Timer();  // count 10
    }
    EXPECT_EQ(box.windowIcon().cacheKey(), third.cacheKey());
    EXPECT_EQ(f.windowIcon().cacheKey(), third.cacheKey());
    box.hide();

    QDialog dialog;  // one that is not modal takes it at its next frame
    dialog.show();
    for (int tick = 0; tick < 10; ++tick) {
        f.Timer1Timer();  // count 0
    }
    EXPECT_EQ(dialog.windowIcon().cacheKey(),
              LoadIconResource(QStringLiteral("TRILLORA1")).cacheKey());
}

}  // namespace
}  // namespace vindelor::test
