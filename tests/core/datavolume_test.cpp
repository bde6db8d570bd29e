// Session volumes: their place on the log line, the adding up of the kernel's counters,
// the data tariffs and their settings.
#include "core/datavolume.h"
#include "core/datatariff.h"
#include "core/logsummary.h"
#include "core/profile.h"
#include "core/roamingtariff.h"
#include "core/sessionlog.h"
#include "core/texts.h"
#include "support/testenv.h"

#include <gtest/gtest.h>

namespace vindelor {
namespace {

TEST(VolumeOnTheLogLine, TravelsAfterTheCostWithoutChangingWhatReadersRead) {
    const DataVolume volume{true, 142300000, 12100000};
    const QString line = BuildLogLine(QStringLiteral("06.12.1999"), QStringLiteral("14:05:09"),
                                      QStringLiteral("00:12:00"), 1.2, volume);
    EXPECT_EQ(line, QStringLiteral("06.12.1999 14:05:09-00:12:00^   1.2000 |142300000|12100000|"));
    const LogLineParts parts = SplitLogLine(line);
    EXPECT_EQ(parts.cost, QStringLiteral("   1.2000"));
    EXPECT_EQ(parts.volume, volume);
    EXPECT_EQ(ReadCost(line.mid(line.indexOf(QLatin1Char('^')) + 1)),
              Money::FromUnits(12000));  // the classic way
    EXPECT_FALSE(IsFailedTryLine(line));

    // Unknown is written as nothing, so the line is the one earlier versions wrote.
    EXPECT_EQ(BuildLogLine(QStringLiteral("06.12.1999"), QStringLiteral("14:05:09"),
                           QStringLiteral("00:12:00"), 1.2),
              QStringLiteral("06.12.1999 14:05:09-00:12:00^   1.2000"));
    EXPECT_FALSE(
        SplitLogLine(QStringLiteral("06.12.1999 14:05:09-00:12:00^   1.2000")).volume.known);
    EXPECT_FALSE(SplitLogLine(QStringLiteral("06.12.1999 14:05:09-00:12:00")).volume.known);
    // Cut short by a reader that kept 49 characters, or damaged: unknown, never smaller.
    for (const QString& damaged :
         {line.left(49), line.left(line.size() - 1),
          QStringLiteral("06.12.1999 14:05:09-00:12:00^   1.2000 |12x|3|"),
          QStringLiteral("06.12.1999 14:05:09-00:12:00^   1.2000 |99999999999999999999|3|")}) {
        const LogLineParts p = SplitLogLine(damaged);
        EXPECT_FALSE(p.volume.known) << damaged.toStdString();
        EXPECT_EQ(p.cost, QStringLiteral("   1.2000")) << damaged.toStdString();
    }
}

TEST(VolumeOnTheLogLine, RoamingBytesOpenThePartAndAnyCutOrOddFieldLeavesItUnknown) {
    const DataVolume volume{true, 142300000, 12100000, 30000000, 1000000};
    const QString line = BuildLogLine(QStringLiteral("06.12.1999"), QStringLiteral("14:05:09"),
                                      QStringLiteral("00:12:00"), 1.2, volume);
    EXPECT_EQ(line,
              QStringLiteral(
                  "06.12.1999 14:05:09-00:12:00^   1.2000 |R30000000/1000000|142300000|12100000|"));
    EXPECT_EQ(SplitLogLine(line).volume, volume);
    EXPECT_EQ(SplitLogLine(line).cost, QStringLiteral("   1.2000"));
    EXPECT_EQ(VolumeClipboardText(volume),
              QStringLiteral("\t142300000\t12100000\t30000000\t1000000"));
    // Cut anywhere after the cost (the 49-character readers among them): never a volume
    // that leaves the roaming bytes out.
    for (qsizetype n = line.indexOf(QLatin1Char('|')) + 1; n < line.size(); ++n) {
        EXPECT_FALSE(SplitLogLine(line.left(n)).volume.known) << n;
        EXPECT_EQ(SplitLogLine(line.left(n)).cost, QStringLiteral("   1.2000")) << n;
    }
    for (const char* odd : {"|R5/0|4|9|", "|R1|2|3|", "|R/1|2|3|", "|Rx/1|2|3|", "|R1/2|3|"}) {
        const QString damaged =
            QStringLiteral("06.12.1999 14:05:09-00:12:00^   1.2000 ") + QString::fromLatin1(odd);
        EXPECT_FALSE(SplitLogLine(damaged).volume.known) << odd;
    }
}

TEST(VolumeTally, AddsUpAcrossACountedLinkGoingAwayComingBackAndRestartingCounters) {
    VolumeTally tally;
    EXPECT_FALSE(tally.Volume().known);
    tally.Feed({true, 7, 5000, 9000});  // the session starts: these bytes are older
    EXPECT_EQ(tally.Volume(), (DataVolume{true, 0, 0}));
    tally.Feed({true, 7, 6000, 9500});
    tally.Feed({false, 0, 0, 0});       // away for a while
    tally.Feed({true, 7, 6100, 9600});  // back under its index: the same link goes on
    tally.Feed({false, 0, 0, 0});       // gone
    tally.Feed({true, 8, 300, 40});     // a new link of the same name: all of it is ours
    tally.Feed({true, 8, 400, 50});
    tally.Feed({true, 8, 10, 60});  // received counter started again from zero
    EXPECT_EQ(tally.Volume(), (DataVolume{true, 1100 + 400 + 10, 600 + 50 + 10}));

    VolumeTally late;  // a ppp link that comes up during the session
    late.Feed({});
    late.Feed({});
    EXPECT_FALSE(late.Volume().known);
    late.Feed({true, 3, 120, 80});
    EXPECT_EQ(late.Volume(), (DataVolume{true, 120, 80}));
}

TEST(VolumeTexts, FollowTheLanguagesUnitsAndDecimalSigns) {
    const DataVolume v{true, 142349999, 12050000};
    EXPECT_EQ(SessionVolumeText(v, 3.44e6, kEnglishOffset),
              QStringLiteral("142.3 MB ↓ 12.1 MB ↑, 3.4 Mbit/s"));
    EXPECT_EQ(SessionVolumeText(v, 3.44e6, kSwedishOffset),
              QStringLiteral("142,3 MB ↓ 12,1 MB ↑, 3,4 Mbit/s"));
    EXPECT_EQ(SessionVolumeText(v, 512000, kFinnishOffset),
              QStringLiteral("142,3 Mt ↓ 12,1 Mt ↑, 512,0 kbit/s"));
    EXPECT_EQ(VolumeText(1234567890, kEnglishOffset), QStringLiteral("1.23 GB"));
    EXPECT_EQ(VolumeText(999949999, kEnglishOffset), QStringLiteral("999.9 MB"));
    EXPECT_EQ(VolumeText(999950000, kFinnishOffset), QStringLiteral("1,00 Gt"));
}

// Costs in ten-thousandths: 500 is 0.05.
TEST(DataCharge, PayAsYouGoIncludedVolumeAndDayFees) {
    struct Case {
        const char* name;
        std::int64_t perMB;
        std::uint64_t includedMB;
        std::int64_t dayFee;
        std::uint64_t usedBefore;
        std::uint64_t session;
        int newDays;
        std::int64_t expected;
        std::uint64_t unitBytes = 0;
    } cases[] = {
        {"pay as you go", 500, 0, 0, 0, 142300000, 1, 71150},
        {"a part of a MB rounds once, half up", 500, 0, 0, 0, 1000, 1, 1},
        {"all within the included", 500, 1000, 0, 0, 999999999, 1, 0},
        {"crossing the included inside the session", 500, 1000, 0, 900000000, 300000000, 1, 100000},
        {"the included was used up before", 500, 1000, 0, 1200000000, 2000000, 1, 1000},
        {"a day fee per new day with data, with no price per MB", 0, 0, 19900, 0, 5, 2, 39800},
        {"no data day left to pay", 0, 0, 19900, 0, 5, 0, 0},
        {"no tariff", 0, 0, 0, 0, 142300000, 1, 0},
        {"a started 100 kB unit is a whole one", 500, 0, 0, 0, 100001, 1, 100, 100000},
        {"a volume of whole units stays", 500, 0, 0, 0, 200000, 1, 100, 100000},
        {"the rounded volume reaches past the included", 500, 1000, 0, 999500000, 1, 1, 250,
         1000000},
    };
    for (const Case& c : cases) {
        DataTariff t;
        t.perMB = c.perMB;
        t.includedBytes = c.includedMB * kBytesPerMB;
        t.dayFee = c.dayFee;
        t.unitBytes = c.unitBytes;
        EXPECT_EQ(DataCharge(t, c.usedBefore, c.session, c.newDays), c.expected) << c.name;
    }
}

TEST(DataCharge, TheIncludedVolumeIsTheBillingMonthsAndDaysArePaidOnce) {
    const QString f = QStringLiteral("dd.MM.yyyy");
    // Start day 15: the 14th belongs to the month before. The session over midnight paid
    // the 17th's fee too; the old line and the one without bytes paid nothing.
    const DatedLog log =
        DateLogLines({QStringLiteral("14.03.2026 10:00:00-01:00:00^   0.0000 |400000000|0|"),
                      QStringLiteral("15.03.2026 10:00:00-01:00:00^   0.0000 |300000000|50000000|"),
                      QStringLiteral("16.03.2026 23:30:00-01:00:00^   0.0000 |100000000|0|"),
                      QStringLiteral("18.03.2026 10:00:00-01:00:00^   0.0000"),
                      QStringLiteral("19.03.2026 10:00:00-01:00:00^   0.0000 |0|0|")},
                     f);
    const BillingMonth month = BillingMonthOf(QDate(2026, 3, 20), 15);
    const LoggedData logged = LoggedDataOfLog(log, month);
    EXPECT_EQ(logged.bytes, 450000000u);
    EXPECT_EQ(logged.paidDays, (QSet<QDate>{QDate(2026, 3, 14), QDate(2026, 3, 15),
                                            QDate(2026, 3, 16), QDate(2026, 3, 17)}));
    DataTariff t;
    t.perMB = 1000;
    t.includedBytes = 500 * kBytesPerMB;
    // 50 MB still included this month, then 100 MB at 0.10.
    EXPECT_EQ(DataCharge(t, logged.bytes, 150 * kBytesPerMB, 0), 100000);
    // The next billing month starts afresh.
    EXPECT_EQ(LoggedDataOfLog(log, BillingMonthOf(QDate(2026, 4, 15), 15)).bytes, 0u);

    t.warn = {80, 100};
    EXPECT_EQ(DataWarningsReached(399999999, t, {}), std::vector<int>{});
    EXPECT_EQ(DataWarningsReached(400000000, t, {}), std::vector<int>{80});
    EXPECT_EQ(DataWarningsReached(600000000, t, {80}), std::vector<int>{100});
}

// A count past any session's is a damaged line; counts that are each possible but add up
// past the top stop there, in the months, the month's data and its charge.
TEST(DataCharge, ByteSumsStopAtTheTopAndImpossibleCountsAreRefused) {
    const QString cost = QStringLiteral("01.03.2026 10:00:00-01:00:00^   0.0000 ");
    EXPECT_TRUE(SplitLogLine(cost + QStringLiteral("|1000000000000000000|0|")).volume.known);
    EXPECT_FALSE(SplitLogLine(cost + QStringLiteral("|1000000000000000001|0|")).volume.known);
    EXPECT_FALSE(
        SplitLogLine(cost + QStringLiteral("|R1000000000000000001/0|1000000000000000001|0|"))
            .volume.known);

    QStringList lines;
    for (int i = 0; i < 19; ++i) {
        lines << cost + QStringLiteral("|1000000000000000000|1000000000000000000|");
    }
    const DatedLog log = DateLogLines(lines, QStringLiteral("dd.MM.yyyy"));
    const std::vector<MonthSummary> months = SummariseMonths(log.lines, 1);
    ASSERT_EQ(months.size(), 1u);
    EXPECT_EQ(months[0].volume.rx, UINT64_MAX);
    EXPECT_EQ(months[0].volume.Total(), UINT64_MAX);
    const LoggedData logged = LoggedDataOfLog(log, months[0].month);
    EXPECT_EQ(logged.bytes, UINT64_MAX);
    EXPECT_EQ((DataVolume{true, UINT64_MAX, 1}.Total()), UINT64_MAX);

    DataTariff t;
    t.perMB = 10000;
    t.includedBytes = 500 * kBytesPerMB;
    // A month at the top charges no more for a session than a month past its inclusion.
    EXPECT_LE(DataCharge(t, logged.bytes - 10, 100 * kBytesPerMB, 0),
              DataCharge(t, t.includedBytes, 100 * kBytesPerMB, 0));
    EXPECT_GE(DataCharge(t, logged.bytes - 10, 100 * kBytesPerMB, 0), 0);
}

// Home bytes at the home tariff, bytes abroad at the roaming one, each rounded up to its
// own unit, and neither uses the other's included volume.
TEST(RoamingCharge, BytesAbroadArePricedApartRoundedToTheirUnitAndUseTheirOwnInclusion) {
    DataTariff home;
    home.perMB = 500;  // 0.05
    home.includedBytes = 100 * kBytesPerMB;
    RoamingTariff abroad;
    abroad.perMB = 45000;  // 4.50
    abroad.unitBytes = 100000;
    struct Case {
        const char* name;
        std::uint64_t included;
        std::uint64_t usedBefore;
        std::uint64_t bytes;
        std::int64_t expected;
    } cases[] = {
        {"a started 100 kB is charged whole", 0, 0, 1, 4500},
        {"2.05 MB is 2.1 MB", 0, 0, 2050000, 94500},
        {"within the month's inclusion at the home price", 10 * kBytesPerMB, 0, 2 * kBytesPerMB,
         1000},
        {"crossing it", 10 * kBytesPerMB, 9 * kBytesPerMB, 2 * kBytesPerMB, 500 + 45000},
    };
    for (const Case& c : cases) {
        abroad.includedBytes = c.included;
        EXPECT_EQ(RoamingCharge(abroad, home, c.usedBefore, c.bytes), c.expected) << c.name;
    }

    // The month's bytes: those abroad leave the home inclusion alone once roaming is priced.
    const DatedLog log = DateLogLines(
        {QStringLiteral("15.03.2026 10:00:00-01:00:00^   9.0000 |R2000000/0|5000000|1000000|")},
        QStringLiteral("dd.MM.yyyy"));
    const BillingMonth month = BillingMonthOf(QDate(2026, 3, 20), 1);
    EXPECT_EQ(LoggedDataOfLog(log, month).bytes, 6000000u);
    EXPECT_EQ(LoggedDataOfLog(log, month, true).bytes, 4000000u);
    EXPECT_EQ(LoggedRoamingBytes(log, month), 2000000u);
}

TEST(DataTariffSettings, GoodEntriesRoundTripBadOnesAreRefusedAndNoSectionIsNoCharge) {
    test::ScopedDataDir dir;
    EXPECT_FALSE(ReadDataTariff().Priced());
    EXPECT_EQ(ReadDataTariff().includedBytes, 0u);

    DataEntries e;
    e.perMB = QStringLiteral("0,05");
    e.included = QStringLiteral("5000.5");
    e.dayFee = QStringLiteral("1.99");
    e.interfaceName = QStringLiteral("wwan0");
    e.warn = QStringLiteral("100, 80");
    e.hangUpAt = true;
    e.unit = QStringLiteral(" 100 ");
    DataTariff t;
    ASSERT_EQ(CheckDataEntries(e, &t), DataEntryError::None);
    EXPECT_EQ(t.perMB, 500);
    EXPECT_EQ(t.includedBytes, 5000500000u);
    EXPECT_EQ(t.dayFee, 19900);
    ASSERT_TRUE(WriteDataTariff(t));
    ClearProfileCache();
    const DataTariff back = ReadDataTariff();
    EXPECT_EQ(back.perMB, 500);
    EXPECT_EQ(back.includedBytes, 5000500000u);
    EXPECT_EQ(back.dayFee, 19900);
    EXPECT_EQ(back.interfaceName, QStringLiteral("wwan0"));
    EXPECT_EQ(back.warn, (std::vector<int>{80, 100}));
    EXPECT_TRUE(back.hangUpAt);
    EXPECT_EQ(back.unitBytes, 100000u);

    const struct {
        DataEntries entries;
        DataEntryError error;
    } bad[] = {
        {{QStringLiteral("-1"), {}, {}, {}, {}, false, {}}, DataEntryError::PerMB},
        {{QStringLiteral("0.00001"), {}, {}, {}, {}, false, {}}, DataEntryError::PerMB},
        {{QStringLiteral("1."), {}, {}, {}, {}, false, {}}, DataEntryError::PerMB},
        {{{}, QStringLiteral("lots"), {}, {}, {}, false, {}}, DataEntryError::Included},
        // Past the limit only once in bytes.
        {{{}, QStringLiteral("1844674407370956"), {}, {}, {}, false, {}}, DataEntryError::Included},
        {{{}, {}, QStringLiteral("1e3"), {}, {}, false, {}}, DataEntryError::DayFee},
        {{{}, {}, {}, QStringLiteral("ppp/0"), {}, false, {}}, DataEntryError::Interface},
        {{{}, QStringLiteral("100"), {}, {}, QStringLiteral("80,x"), false, {}},
         DataEntryError::Warn},
        {{{}, {}, {}, {}, QStringLiteral("80"), false, {}}, DataEntryError::Warn},
        {{{}, {}, {}, {}, {}, true, {}}, DataEntryError::HangUpAt},
        {{{}, {}, {}, {}, {}, false, QStringLiteral("0.5")}, DataEntryError::Unit},
        {{{}, {}, {}, {}, {}, false, QStringLiteral("1000001")}, DataEntryError::Unit},
    };
    for (const auto& b : bad) {
        DataTariff untouched = t;
        EXPECT_EQ(CheckDataEntries(b.entries, &untouched), b.error);
        EXPECT_EQ(untouched.perMB, t.perMB);
    }
}

TEST(RoamingSettings, GoodEntriesRoundTripBadOnesAreRefusedAndNoSectionIsUnpriced) {
    test::ScopedDataDir dir;
    EXPECT_FALSE(ReadRoamingTariff().Priced());
    RoamingTariff t;
    ASSERT_EQ(CheckRoamingEntries(
                  {QStringLiteral("4,5"), QStringLiteral("100"), QStringLiteral("10"),
                   QStringLiteral("50.5"), QStringLiteral("90,50"), QStringLiteral("0,25")},
                  &t),
              RoamingEntryError::None);
    ASSERT_TRUE(WriteRoamingTariff(t));
    ClearProfileCache();
    const RoamingTariff back = ReadRoamingTariff();
    EXPECT_EQ(back.perMB, 45000);
    EXPECT_EQ(back.includedBytes, 100 * kBytesPerMB);
    EXPECT_EQ(back.unitBytes, 10000u);
    EXPECT_EQ(back.hangUpAtBytes, 50500000u);
    EXPECT_EQ(back.warn, (std::vector<int>{50, 90}));
    EXPECT_EQ(back.perMinute, 2500);

    const struct {
        RoamingEntries entries;
        RoamingEntryError error;
    } bad[] = {
        {{QStringLiteral("-4"), {}, {}, {}, {}, {}}, RoamingEntryError::PerMB},
        {{{}, QStringLiteral("x"), {}, {}, {}, {}}, RoamingEntryError::Included},
        {{{}, {}, QStringLiteral("1.5"), {}, {}, {}}, RoamingEntryError::Unit},
        {{{}, {}, {}, QStringLiteral("-1"), {}, {}}, RoamingEntryError::HangUpAt},
        {{{}, {}, {}, {}, QStringLiteral("80"), {}}, RoamingEntryError::Warn},  // no cap
        {{{}, {}, {}, {}, {}, QStringLiteral("0.00001")}, RoamingEntryError::PerMin},
    };
    for (const auto& b : bad) {
        RoamingTariff untouched = t;
        EXPECT_EQ(CheckRoamingEntries(b.entries, &untouched), b.error);
        EXPECT_EQ(untouched.perMB, t.perMB);
    }
}

}  // namespace
}  // namespace vindelor
