// One log, every figure of money the programs give for it: the recount, the months, the
// exports, the subtotal of all rows and the budget guard's month cost agree to the cent,
// and the log's dates read the same on every desktop.
#include "monitor/budgetguard.h"
#include "monitor/sessionclose.h"
#include "monitor/sessionrules.h"
#include "platform/localetexts.h"
#include "support/testenv.h"
#include "viewer/commandline.h"
#include "viewer/logexport.h"
#include "viewer/logstore.h"
#include "viewer/testlog.h"

#include "core/texts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTextStream>

namespace vindelor::test {
namespace {

using brusko::testing::Put;
using brusko::testing::PutLog;

// Costs of x.xx5 whose sums binary fractions round down ("2.675" is 2.67499…), failed
// tries, a month boundary, the locale's own form and the Nordic and ISO ones, a
// one-digit hour and a hand-edited decimal comma.
const QStringList kLog = {
    QStringLiteral("29.11.2024 23:50:00-00:20:00^   2.6650"),
    QStringLiteral("30.11.2024 9:05:00-+FAILED+^   0.0100"),
    QStringLiteral("1.12.2024 10:00:00-00:01:00^   0.0150"),
    QStringLiteral("6.12.24 14:00:00-00:30:00^   1,5000"),
    QStringLiteral("2024-12-07 08:00:00-+FAILED+^   0.1450"),
};
const std::vector<QDate> kDates = {QDate(2024, 11, 29), QDate(2024, 11, 30), QDate(2024, 12, 1),
                                   QDate(2024, 12, 6), QDate(2024, 12, 7)};
// By hand, halves away from zero: 2.6750 and 1.6600, 4.3350 in all.
const QString kNovember = QStringLiteral("2.68");
const QString kDecember = QStringLiteral("1.66");
const QString kTotal = QStringLiteral("4.34");

struct Outcome {
    int code = 0;
    QString out;
    QString err;
};

Outcome Brusko(const QStringList& args) {
    Outcome r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.code = brusko::RunCommandLine(args, out, err);
    out.flush();
    err.flush();
    return r;
}

QString Cents(Money m) {
    return brusko::ShownCost(m);
}

// The cost column of an export's records, summed as the file gives them, per month.
struct ExportSums {
    Money all;
    Money december;
};

ExportSums CsvSums(const QByteArray& csv) {
    ExportSums sums;
    const QList<QByteArray> records = csv.split('\n');
    for (qsizetype i = 1; i < records.size(); ++i) {
        const QList<QByteArray> fields = records[i].trimmed().split(',');
        if (fields.size() < 6) {  // the volume columns may follow the cost
            continue;
        }
        const Money cost = ReadMoney(QString::fromLatin1(fields[5]));
        sums.all += cost;
        if (fields[1].startsWith("2024-12")) {
            sums.december += cost;
        }
    }
    return sums;
}

// The workbook as openpyxl reads it: each line's date and cost, and the totals row's cost
// as the workbook stores it.
ExportSums XlsxSums(const QString& path, Money* totalsRow) {
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import json, sys, openpyxl\n"
                                 "ws = openpyxl.load_workbook(sys.argv[1], data_only=True).active\n"
                                 "rows = [[str(r[1].value)[:10], r[5].value] for r in "
                                 "ws.iter_rows(min_row=2)]\n"
                                 "print(json.dumps(rows))"),
                  path});
    reader.waitForFinished(30000);
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    QJsonArray rows = QJsonDocument::fromJson(reader.readAllStandardOutput()).array();
    ExportSums sums;
    if (rows.isEmpty()) {
        ADD_FAILURE() << "no rows in " << path.toStdString();
        return sums;
    }
    *totalsRow = Money::FromDouble(rows.last().toArray()[1].toDouble());
    rows.removeLast();
    for (const QJsonValue& v : rows) {
        const Money cost = Money::FromDouble(v.toArray()[1].toDouble());
        sums.all += cost;
        if (v.toArray()[0].toString().startsWith(QStringLiteral("2024-12"))) {
            sums.december += cost;
        }
    }
    return sums;
}

ExportSums JsonSums(const QByteArray& json) {
    ExportSums sums;
    for (const QJsonValue& v : QJsonDocument::fromJson(json).array()) {
        const QJsonObject record = v.toObject();
        const Money cost = Money::FromDouble(record.value(QStringLiteral("cost")).toDouble());
        sums.all += cost;
        if (record.value(QStringLiteral("date")).toString().startsWith(QStringLiteral("2024-12"))) {
            sums.december += cost;
        }
    }
    return sums;
}

class MoneyConsistency : public ::testing::Test {
  protected:
    void SetUp() override {
        Put(QStringLiteral("Språk"), QStringLiteral("Språk"), QStringLiteral("UK"));
        Put(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.10"));
        Put(QStringLiteral("Charge"), QStringLiteral("valuta"), QStringLiteral("mk"));
        Put(QStringLiteral("Kostnad"), QStringLiteral("Totalt"), QStringLiteral("0.00"));
        Put(QStringLiteral("Billing"), QStringLiteral("Budget"), QStringLiteral("100"));
        PutLog(kLog);
    }
    void TearDown() override { SetLanguageOffset(kSwedishOffset); }
    ScopedDataDir dir_;
};

TEST_F(MoneyConsistency, EveryFigureOfOneLogAgreesToTheCent) {
    const Outcome recount = Brusko({QStringLiteral("--recalculate")});
    ASSERT_EQ(recount.code, 0) << recount.err.toStdString();
    // The stored total is the recount's own sum.
    const QString stored =
        brusko::testing::Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt"));
    EXPECT_TRUE(recount.out.contains(QStringLiteral("Total cost: mk ") + stored));
    EXPECT_EQ(Cents(ReadMoney(stored)), kTotal) << stored.toStdString();
    EXPECT_EQ(brusko::testing::Get(QStringLiteral("Försök"), QStringLiteral("Antal")),
              QStringLiteral("2"));

    const Outcome months = Brusko({QStringLiteral("--months")});
    ASSERT_EQ(months.code, 0);
    EXPECT_TRUE(months.err.isEmpty()) << months.err.toStdString();  // every date was read
    // The cost is the column before the two volumes.
    const QRegularExpression row(QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d) .* (\\S+) +\\S+ +\\S+$"),
                                 QRegularExpression::MultilineOption);
    QStringList monthCosts;
    for (auto m = row.globalMatch(months.out); m.hasNext();) {
        monthCosts << m.next().captured(2);
    }
    EXPECT_EQ(monthCosts, (QStringList{kNovember, kDecember})) << months.out.toStdString();

    const QString csvFile = dir_.file(QStringLiteral("log.csv"));
    const QString jsonFile = dir_.file(QStringLiteral("log.json"));
    ASSERT_EQ(Brusko({QStringLiteral("--export"), QStringLiteral("csv"), QStringLiteral("--output"),
                      csvFile})
                  .code,
              0);
    ASSERT_EQ(Brusko({QStringLiteral("--export"), QStringLiteral("json"),
                      QStringLiteral("--output"), jsonFile})
                  .code,
              0);
    const QByteArray csv = ReadFileBytes(csvFile);
    // The one-digit hour is exported with its start.
    EXPECT_TRUE(csv.contains("2,2024-11-30,09:05:00,,1,0.0100")) << csv.toStdString();
    for (const ExportSums& sums : {CsvSums(csv), JsonSums(ReadFileBytes(jsonFile))}) {
        EXPECT_EQ(Cents(sums.all), kTotal);
        EXPECT_EQ(Cents(sums.december), kDecember);
    }
    const QString xlsxFile = dir_.file(QStringLiteral("log.xlsx"));
    ASSERT_EQ(Brusko({QStringLiteral("--export"), QStringLiteral("xlsx"),
                      QStringLiteral("--output"), xlsxFile})
                  .code,
              0);
    Money totalsRow;
    const ExportSums xlsx = XlsxSums(xlsxFile, &totalsRow);
    EXPECT_EQ(Cents(xlsx.all), kTotal);
    EXPECT_EQ(Cents(xlsx.december), kDecember);
    EXPECT_EQ(Cents(totalsRow), kTotal);

    EXPECT_EQ(Cents(brusko::SubtotalOf(brusko::LoadLogLines()).cost), kTotal);

    monitor::BudgetGuard guard;
    guard.Reload();
    guard.BeginSession(QDate(2024, 12, 20), brusko::LogDateFormat());
    EXPECT_EQ(Cents(guard.MonthCost(0.0)), kDecember);
}

// One session of four decimals, closed by the monitor: every total that follows is that
// one line's cost, not a sum rounded again on its way through the stored total.
TEST_F(MoneyConsistency, ALineOfFourDecimalsIsTheSameFigureInEveryTotal) {
    PutLog({});
    monitor::SessionCloseInput in;
    in.Elapsed = 600;
    in.MinuteMark = 600;
    in.SessionCost = 1.2345;
    in.CurrentRate = 0.10;
    in.SessionMinutes = 10;
    in.StartDate = QStringLiteral("6.12.2024");
    in.StartTime = QStringLiteral("10:00:00");
    in.CurrencySymbol = QStringLiteral("mk");
    in.LanguageOffset = kEnglishOffset;
    const monitor::SessionCloseStore closed = monitor::StoreSessionClose(in);
    ASSERT_TRUE(closed.plan.Counted);
    ASSERT_TRUE(closed.unsaved.isEmpty()) << closed.unsaved.join(' ').toStdString();
    ASSERT_TRUE(closed.plan.LogLine.endsWith(QStringLiteral("^   1.2345")))
        << closed.plan.LogLine.toStdString();

    // What a figure shows, from the text after the currency.
    const auto after = [](const QString& text, const QString& currency) {
        const qsizetype at = text.lastIndexOf(currency);
        return at < 0 ? QStringLiteral("missing in ") + text
                      : Cents(ReadMoney(text.mid(at + currency.size())));
    };
    const QString mk = QStringLiteral("mk ");
    const double stored = monitor::StoredCostTotal();
    std::vector<std::pair<const char*, QString>> figures = {
        {"summary", after(closed.plan.SummaryText, mk)},
        {"stored", Cents(ReadMoney(
                       brusko::testing::Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt"))))},
        {"status bar",
         after(monitor::MakeCostTexts(stored, 0.0, 0, QStringLiteral("mk"), {}).panel, mk)},
        {"title", after(monitor::TaskbarTitleText(false, true, QStringLiteral("00:10:00"),
                                                  QStringLiteral("mk"), stored, 0.0),
                        mk)},
        {"--list", after(Brusko({QStringLiteral("--list")}).out, mk)},
        {"--recalculate", after(Brusko({QStringLiteral("--recalculate")}).out, mk)},
        {"recounted", Cents(ReadMoney(brusko::testing::Get(QStringLiteral("Kostnad"),
                                                           QStringLiteral("Totalt"))))},
        {"--months",
         QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d .* (\\S+) +\\S+ +\\S+$"),
                            QRegularExpression::MultilineOption)
             .match(Brusko({QStringLiteral("--months")}).out)
             .captured(1)},
    };
    const QString csvFile = dir_.file(QStringLiteral("log.csv"));
    EXPECT_EQ(Brusko({QStringLiteral("--export"), QStringLiteral("csv"), QStringLiteral("--output"),
                      csvFile})
                  .code,
              0);
    figures.emplace_back("CSV", Cents(CsvSums(ReadFileBytes(csvFile)).all));
    monitor::BudgetGuard guard;
    guard.Reload();
    guard.BeginSession(QDate(2024, 12, 20), brusko::LogDateFormat());
    figures.emplace_back("guard", Cents(guard.MonthCost(0.0)));
    for (const auto& [where, figure] : figures) {
        EXPECT_EQ(figure.toStdString(), "1.23") << where;
    }
}

TEST_F(MoneyConsistency, TheSameLogReadsTheSameDatesOnEveryDesktop) {
    for (const char* name : {"fi_FI", "sv_FI", "en_US", "en_GB", "C"}) {
        const QString format =
            platform::LocaleClock(QLocale(QString::fromLatin1(name))).DateFormat();
        const DatedLog log = DateLogLines(kLog, format);
        EXPECT_TRUE(log.undated.empty()) << name;
        std::vector<QDate> dates;
        for (const DatedLogLine& line : log.lines) {
            dates.push_back(line.date);
        }
        EXPECT_EQ(dates, kDates) << name << " " << format.toStdString();
    }
}

}  // namespace
}  // namespace vindelor::test
