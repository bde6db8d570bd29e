// The workbook as another program reads it: brusko runs as the user starts it, in a
// Finnish and an American locale, and openpyxl (the reader LibreOffice-free scripts
// use) reads what it wrote back, cell types and number formats included.
#include "viewer/xlsxexport.h"
#include "platform/localetexts.h"
#include "support/testenv.h"
#include "viewer/testlog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <clocale>

#include <locale.h>

namespace vindelor::brusko {
namespace {

using namespace vindelor::brusko::testing;

// Prints the first sheet as JSON: per row the cells' Python types and values (dates,
// times and durations as the reader turned them), the totals as stored and as formulas,
// the cost formats, the frozen cell and the column widths.
constexpr char kReader[] = R"PY(
import datetime, json, sys, openpyxl
path = sys.argv[1]
shown = openpyxl.load_workbook(path, data_only=True).active
written = openpyxl.load_workbook(path).active
def value(v):
    if isinstance(v, datetime.datetime):
        return ["date", v.date().isoformat()] if v.time() == datetime.time() else ["datetime", v.isoformat()]
    if isinstance(v, datetime.time):
        return ["time", v.isoformat()]
    if isinstance(v, datetime.timedelta):
        return ["duration", int(round(v.total_seconds()))]
    if isinstance(v, bool):
        return ["bool", v]
    if isinstance(v, (int, float)):
        return ["number", v]
    return ["text" if v is not None else "empty", v]
rows = [[value(c.value) for c in r] for r in shown.iter_rows()]
last = shown.max_row
print(json.dumps({
    "rows": rows,
    "formulas": [written.cell(last, c).value for c in (4, 6)],
    "costFormats": [shown.cell(2, 6).number_format, shown.cell(last, 6).number_format],
    "frozen": shown.freeze_panes,
    "widths": [written.column_dimensions[k].width for k in "ABCDEF"],
}))
)PY";

// `program` under the locale `locale`, in the test's data directory.
QProcess::ExitStatus RunProgram(const QString& program, const QStringList& args,
                                const QString& locale, QByteArray* out, int* code) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), locale);
    env.insert(QStringLiteral("LANG"), locale);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(60000);
    *out = p.readAllStandardOutput();
    *code = p.exitCode();
    if (*code != 0) {
        ADD_FAILURE() << program.toStdString() << ": " << p.readAllStandardError().toStdString();
    }
    return p.exitStatus();
}

class XlsxExport : public ::testing::TestWithParam<const char*> {
  protected:
    test::ScopedDataDir dir_;
};

TEST_P(XlsxExport, AnotherReaderFindsTheCsvFiguresAsTypedCellsAndTheirTotals) {
    // Without the locale the programs would run in "C" and prove nothing.
    const locale_t wanted = ::newlocale(LC_ALL_MASK, GetParam(), locale_t{});
    ASSERT_NE(wanted, locale_t{}) << GetParam() << " is not installed: scripts/deps.sh installs "
                                  << "locales-all";
    ::freelocale(wanted);
    const QString locale = QString::fromLatin1(GetParam());
    const bool finnish = locale.startsWith(QLatin1String("fi"));
    Put(QStringLiteral("Språk"), QStringLiteral("Språk"),
        finnish ? QStringLiteral("SF") : QStringLiteral("UK"));
    Put(QStringLiteral("Charge"), QStringLiteral("valuta"), QString::fromUtf8("€"));
    // The log as this locale writes it: one-digit days, a failed try, x.xx5 costs, an
    // hour longer than a day's worth of hours would show without [h].
    platform::LocaleClock clock{QLocale(locale.section(QLatin1Char('.'), 0, 0))};
    const auto line = [&](int y, int m, int d, const char* rest) {
        return clock.DateText(QDate(y, m, d)) + QLatin1Char(' ') + QString::fromLatin1(rest);
    };
    PutLog({line(2024, 1, 6, "09:05:00-00:40:50^   1.2150"),
            line(2024, 1, 31, "23:59:59-+FAILED+^   0.0150"),
            line(2024, 2, 1, "00:00:01-27:00:05^  12.6750"),
            line(2024, 12, 24, "14:05:09-00:00:10^   0.0005")});

    const QString brusko = QStringLiteral(VINDELOR_BINARY_DIR "/viewer/brusko");
    const QString book = dir_.file(QStringLiteral("log.xlsx"));
    QByteArray csv;
    QByteArray ignored;
    QByteArray json;
    int code = 0;
    ASSERT_EQ(RunProgram(brusko, {"--export", "csv"}, locale, &csv, &code), QProcess::NormalExit);
    ASSERT_EQ(code, 0);
    ASSERT_EQ(RunProgram(brusko, {"--export", "xlsx", "--output", book}, locale, &ignored, &code),
              QProcess::NormalExit);
    ASSERT_EQ(code, 0);
    ASSERT_EQ(
        RunProgram(QStringLiteral("/usr/bin/python3"), {"-c", kReader, book}, locale, &json, &code),
        QProcess::NormalExit);
    ASSERT_EQ(code, 0) << "python3-openpyxl missing? scripts/deps.sh installs it";
    const QJsonObject sheet = QJsonDocument::fromJson(json).object();
    const QJsonArray rows = sheet.value(QStringLiteral("rows")).toArray();

    const QList<QByteArray> records = csv.trimmed().split('\n');
    ASSERT_EQ(records.size(), 5) << csv.toStdString();
    ASSERT_EQ(rows.size(), 6) << json.toStdString();  // header, four lines, totals
    const auto cell = [&](int r, int c) { return rows[r].toArray()[c].toArray(); };
    EXPECT_EQ(cell(0, 0)[1].toString(), finnish ? QStringLiteral("Avain") : QStringLiteral("Key"));
    EXPECT_EQ(cell(5, 0)[1].toString(),
              finnish ? QStringLiteral("Yhteensä") : QStringLiteral("Total"));

    long long seconds = 0;
    long long units = 0;
    for (int r = 1; r <= 4; ++r) {
        const QList<QByteArray> f = records[r].trimmed().split(',');
        SCOPED_TRACE(records[r].toStdString());
        EXPECT_EQ(cell(r, 0), QJsonArray({"number", f[0].toInt()}));
        EXPECT_EQ(cell(r, 1), QJsonArray({"date", QString::fromLatin1(f[1])}));
        EXPECT_EQ(cell(r, 2), QJsonArray({"time", QString::fromLatin1(f[2])}));
        if (f[4] == "1") {
            EXPECT_EQ(cell(r, 3)[0].toString(), QStringLiteral("empty"));
        } else {
            EXPECT_EQ(cell(r, 3), QJsonArray({"duration", f[3].toInt()}));
            seconds += f[3].toLongLong();
        }
        EXPECT_EQ(cell(r, 4), QJsonArray({"bool", f[4] == "1"}));
        ASSERT_EQ(cell(r, 5)[0].toString(), QStringLiteral("number"));
        EXPECT_EQ(QByteArray::number(cell(r, 5)[1].toDouble(), 'f', 4), f[5]);
        units += f[5].left(f[5].indexOf('.')).toLongLong() * 10000 +
                 f[5].mid(f[5].indexOf('.') + 1).toLongLong();
    }
    EXPECT_EQ(units, 139055);
    EXPECT_EQ(cell(5, 3), QJsonArray({"duration", seconds}));
    EXPECT_EQ(QByteArray::number(cell(5, 5)[1].toDouble(), 'f', 4), QByteArray("13.9055"));
    EXPECT_EQ(sheet.value(QStringLiteral("formulas")).toArray(),
              QJsonArray({"=SUM(D2:D5)", "=SUM(F2:F5)"}));
    const QJsonArray formats = sheet.value(QStringLiteral("costFormats")).toArray();
    EXPECT_EQ(formats[0].toString(), QString::fromUtf8("\"€\"\\ #,##0.0000"));
    EXPECT_EQ(formats[1].toString(), QString::fromUtf8("\"€\"\\ #,##0.00"));
    EXPECT_EQ(sheet.value(QStringLiteral("frozen")).toString(), QStringLiteral("A2"));
    const QJsonArray widths = sheet.value(QStringLiteral("widths")).toArray();
    for (int c = 0; c < 6; ++c) {
        EXPECT_GE(widths[c].toDouble(), cell(0, c)[1].toString().size() + 2) << "column " << c;
    }
    EXPECT_GE(widths[3].toDouble(), QStringLiteral("27:41:05").size()) << "the total net time";
}

INSTANTIATE_TEST_SUITE_P(Locales, XlsxExport,
                         ::testing::Values("fi_FI.UTF-8", "sv_FI.UTF-8", "en_US.UTF-8"),
                         [](const auto& info) { return std::string(info.param).substr(0, 5); });

TEST(MoneyFormat, ShowsAnyCurrencyTextLiterally) {
    EXPECT_EQ(MoneyNumberFormat(QString(), 2), QByteArray("#,##0.00"));
    EXPECT_EQ(MoneyNumberFormat(QStringLiteral("mk"), 4), QByteArray("\"mk\"\\ #,##0.0000"));
    EXPECT_EQ(MoneyNumberFormat(QStringLiteral("a\"b"), 2),
              QByteArray("\"a\"\\\"\"b\"\\ #,##0.00"));
}

}  // namespace
}  // namespace vindelor::brusko
