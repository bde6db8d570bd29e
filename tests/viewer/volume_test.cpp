// Session volumes on the log's lines through everything the viewer does to a log:
// listing, deletion, recount, copying, export and the months.
#include "viewer/logexport.h"
#include "viewer/logrows.h"
#include "viewer/logstore.h"
#include "viewer/mainform.h"
#include "viewer/monthsform.h"

#include "core/datavolume.h"
#include "core/logsummary.h"
#include "core/texts.h"
#include "platform/test/fakes.h"
#include "support/testenv.h"
#include "viewer/testlog.h"

#include <QApplication>
#include <QClipboard>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QTableWidget>

#include <limits>

namespace vindelor::brusko {
namespace {

using namespace vindelor::brusko::testing;

// Written by a session that counted its bytes, by one that could not, and by a version
// before volumes; a failed try with a volume too; the largest count a line may carry.
const QString kA = QStringLiteral("06.12.1999 14:05:09-00:40:50^   1.2000 |142300000|12100000|");
const QString kOld = QStringLiteral("07.12.1999 09:00:00-00:12:00^   0.5000");
const QString kF = QStringLiteral("07.12.1999 10:00:00-+FAILED+^   0.1500 |0|300|");
const QString kC = QStringLiteral("08.12.1999 11:00:00-00:30:20^1234.5000 |1000000000000000000|7|");

class Volumes : public ::testing::Test {
  protected:
    void SetUp() override {
        Put(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.10"));
        Put(QStringLiteral("Charge"), QStringLiteral("valuta"), QStringLiteral("mk"));
        Put(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"), QStringLiteral("Nej"));
        Put(QStringLiteral("Kostnad"), QStringLiteral("Totalt"), QStringLiteral("0"));
        PutLog({kA, kOld, kF, kC});
    }
    void TearDown() override { SetLanguageOffset(kSwedishOffset); }

    test::ScopedDataDir dir_;
    platform::test::ScopedFakes fakes_;
};

TEST_F(Volumes, DeletionAndRecountKeepEachVolumeWithItsSessionAndCostsAsBefore) {
    const Listing listing = LoadListing();
    // The list keeps its columns: the volume is no part of the row.
    EXPECT_EQ(listing.rows.value(0),
              ListRow(QStringLiteral("06.12.1999 14:05:09-00:40:50^   1.2000")));

    const DeleteResult r = DeleteRows(listing.lines, {1});
    ASSERT_EQ(r.status, DeleteStatus::Deleted) << r.error.toStdString();
    EXPECT_EQ(ReadLogLines(QString(), std::numeric_limits<int>::max()), (QStringList{kA, kF, kC}));
    // The totals are the costs alone, whatever digits the volumes have.
    EXPECT_EQ(Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt")), QStringLiteral("1235.85"));
    EXPECT_EQ(r.clipboard.value(0),
              QStringLiteral("06.12.1999 14:05:09\t00:40:50\t   1.2000\t142300000\t12100000"));

    const RecountResult recount = RecalculateTotals(r.rows, QStringLiteral("mk"));
    EXPECT_EQ(recount.costText, QStringLiteral("1235.85"));  // failed tries with their costs
    EXPECT_EQ(recount.failedTries, 1);
}

TEST_F(Volumes, CopiedLinesCarryTheVolumeAsTwoMoreColumns) {
    TForm1 form;
    QClipboard* clipboard = QGuiApplication::clipboard();
    form.kopiera1Click();
    EXPECT_EQ(clipboard->text().split(QLatin1Char('\n')),
              (QStringList{
                  QStringLiteral("06.12.1999\t14:05:09\t00:40:50\t   1.2000\t142300000\t12100000"),
                  QStringLiteral("07.12.1999\t09:00:00\t00:12:00\t   0.5000"),
                  QStringLiteral("07.12.1999\t10:00:00\t+FAILED+\t   0.1500\t0\t300"),
                  QStringLiteral("08.12.1999\t11:00:00\t00:30:20\t1234.5000\t"
                                 "1000000000000000000\t7")}));
    form.ListBox1->item(0)->setSelected(true);
    form.ListBox1->item(1)->setSelected(true);
    form.Kopiera2Click();
    EXPECT_EQ(clipboard->text(),
              QStringLiteral("06.12.1999\t14:05:09\t00:40:50\t   1.2000\t142300000\t12100000\n"
                             "07.12.1999\t09:00:00\t00:12:00\t   0.5000"));
}

TEST_F(Volumes, ExportsAndMonthsGiveTheBytesAndLeaveUnknownEmpty) {
    const DatedLog log = DateLogLines(LoadLogLines(), QStringLiteral("dd.MM.yyyy"));
    ASSERT_EQ(log.lines.size(), 4u);

    const QStringList csv = QString::fromUtf8(ExportCsv(log.lines)).split(QStringLiteral("\r\n"));
    EXPECT_EQ(csv.value(0), QStringLiteral("key,date,start,duration,failed,cost,rx_bytes,tx_bytes,"
                                           "roaming_rx_bytes,roaming_tx_bytes"));
    EXPECT_TRUE(csv.value(1).endsWith(QStringLiteral(",1.2000,142300000,12100000,0,0")))
        << csv.value(1).toStdString();
    EXPECT_TRUE(csv.value(2).endsWith(QStringLiteral(",0.5000,,,,"))) << csv.value(2).toStdString();
    EXPECT_TRUE(csv.value(4).endsWith(QStringLiteral(",1000000000000000000,7,0,0")));

    const QJsonArray json = QJsonDocument::fromJson(ExportJson(log.lines)).array();
    ASSERT_EQ(json.size(), 4);
    EXPECT_EQ(json[0].toObject().value(QStringLiteral("rx_bytes")).toInteger(), 142300000);
    EXPECT_EQ(json[0].toObject().value(QStringLiteral("tx_bytes")).toInteger(), 12100000);
    EXPECT_TRUE(json[1].toObject().value(QStringLiteral("rx_bytes")).isNull());
    EXPECT_TRUE(json[1].toObject().value(QStringLiteral("tx_bytes")).isNull());
    // Key order: the volume follows the cost.
    const QByteArray raw = ExportJson(log.lines);
    EXPECT_LT(raw.indexOf("\"cost\""), raw.indexOf("\"rx_bytes\""));

    // The known volumes of a month add up; the old line adds nothing.
    std::vector<DatedLogLine> twoLines(log.lines.begin(), log.lines.begin() + 3);
    const std::vector<MonthSummary> months = SummariseMonths(twoLines, 1);
    ASSERT_EQ(months.size(), 1u);
    EXPECT_TRUE(months[0].volume.known);
    EXPECT_EQ(months[0].volume.Total(), 154400300u);
    const QStringList table = MonthsTableText(months).split(QLatin1Char('\n'));
    EXPECT_TRUE(table.value(0).endsWith(QStringLiteral("(MB)")));
    EXPECT_TRUE(table.value(1).endsWith(QStringLiteral("  154.4           0.0")))
        << table.value(1).toStdString();

    // A month with no counted line shows no volume rather than zero.
    const std::vector<DatedLogLine> oldOnly{log.lines[1]};
    const QStringList oldTable =
        MonthsTableText(SummariseMonths(oldOnly, 1)).split(QLatin1Char('\n'));
    EXPECT_TRUE(oldTable.value(1).simplified().endsWith(QStringLiteral("0.50 - -")))
        << oldTable.value(1).toStdString();
}

// A session that roamed: its line goes through deletion, recount, copy and export whole,
// and its bytes abroad have columns of their own.
TEST_F(Volumes, ARoamingSessionsLineKeepsItsBytesAbroadThroughEveryViewerStep) {
    const QString roamed =
        QStringLiteral("09.12.1999 12:00:00-00:10:00^  10.0000 |R3000000/500000|4000000|600000|");
    PutLog({kOld, roamed, kA});
    const Listing listing = LoadListing();
    EXPECT_EQ(listing.rows.value(1),
              ListRow(QStringLiteral("09.12.1999 12:00:00-00:10:00^  10.0000")));
    const DeleteResult r = DeleteRows(listing.lines, {2});
    ASSERT_EQ(r.status, DeleteStatus::Deleted) << r.error.toStdString();
    EXPECT_EQ(ReadLogLines(QString(), std::numeric_limits<int>::max()),
              (QStringList{kOld, roamed}));
    EXPECT_EQ(RecalculateTotals(r.rows, QStringLiteral("mk")).costText, QStringLiteral("10.50"));

    TForm1 form;
    form.kopiera1Click();
    EXPECT_EQ(QGuiApplication::clipboard()->text().split(QLatin1Char('\n')).value(1),
              QStringLiteral("09.12.1999\t12:00:00\t00:10:00\t  10.0000\t4000000\t600000\t"
                             "3000000\t500000"));

    const DatedLog log = DateLogLines(LoadLogLines(), QStringLiteral("dd.MM.yyyy"));
    const QStringList csv = QString::fromUtf8(ExportCsv(log.lines)).split(QStringLiteral("\r\n"));
    EXPECT_TRUE(csv.value(2).endsWith(QStringLiteral(",10.0000,4000000,600000,3000000,500000")))
        << csv.value(2).toStdString();
    const QJsonObject json = QJsonDocument::fromJson(ExportJson(log.lines)).array()[1].toObject();
    EXPECT_EQ(json.value(QStringLiteral("roaming_rx_bytes")).toInteger(), 3000000);
    EXPECT_EQ(json.value(QStringLiteral("roaming_tx_bytes")).toInteger(), 500000);
    const QStringList table =
        MonthsTableText(SummariseMonths(log.lines, 1)).split(QLatin1Char('\n'));
    EXPECT_TRUE(table.value(1).endsWith(QStringLiteral("  4.6           3.5")))
        << table.value(1).toStdString();

    // The months window has the same column, after the month's whole volume.
    form.Months1->trigger();
    const auto* months = form.findChild<TMonthsForm*>();
    ASSERT_NE(months, nullptr);
    ASSERT_EQ(months->Table->rowCount(), 1);
    const int abroad = months->Table->columnCount() - 1;
    EXPECT_EQ(months->Table->horizontalHeaderItem(abroad)->text(),
              Text(kOwnTextBase + kTextMonthColumnRoaming));
    EXPECT_EQ(months->Table->item(0, abroad - 1)->text(), VolumeText(4600000, LanguageOffset()));
    EXPECT_EQ(months->Table->item(0, abroad)->text(), VolumeText(3500000, LanguageOffset()));
}

}  // namespace
}  // namespace vindelor::brusko
