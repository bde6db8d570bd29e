#include "viewer/commandline.h"

#include "support/testenv.h"
#include "viewer/testlog.h"

#include "core/plans.h"
#include "core/texts.h"
#include "platform/datadir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/stat.h>
#include <unistd.h>

namespace vindelor::brusko {
namespace {

using namespace vindelor::brusko::testing;
using test::ScopedDataDir;

const QString kA = QStringLiteral("06.12.1999 14:05:09-00:40:50^   1.2000");
const QString kB = QStringLiteral("07.12.1999 09:00:00-00:12:00^   0.5000");
const QString kF = QStringLiteral("07.12.1999 10:00:00-+FAILED+^   0.1500");
const QString kC = QStringLiteral("08.12.1999 11:00:00-00:30:20^   0.2500");

struct Outcome {
    int code = 0;
    QString out;
    QString err;
};

Outcome Brusko(const QStringList& args) {
    Outcome r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.code = RunCommandLine(args, out, err);
    out.flush();
    err.flush();
    return r;
}

class CommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        Put(QStringLiteral("Språk"), QStringLiteral("Språk"), QStringLiteral("UK"));
        Put(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.10"));
        Put(QStringLiteral("Charge"), QStringLiteral("valuta"), QStringLiteral("mk"));
        Put(QStringLiteral("Nättid"), QStringLiteral("Totalt"), QStringLiteral("01:23:10"));
        Put(QStringLiteral("Kostnad"), QStringLiteral("Totalt"), QStringLiteral("2.10"));
        PutLog({kA, kB, kF, kC});
    }
    ScopedDataDir dir_;
};

TEST_F(CommandLine, ListPrintsTheClipboardFormAndTheTotals) {
    const Outcome r = Brusko({QStringLiteral("--list")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, QStringLiteral("06.12.1999\t14:05:09\t00:40:50\t   1.2000\n"
                                    "07.12.1999\t09:00:00\t00:12:00\t   0.5000\n"
                                    "07.12.1999\t10:00:00\t+FAILED+\t   0.1500\n"
                                    "08.12.1999\t11:00:00\t00:30:20\t   0.2500\n"
                                    "Total time: 01:23:10\n"
                                    "Total cost: mk 2.10\n"));
    EXPECT_TRUE(r.err.isEmpty());
}

TEST_F(CommandLine, DeleteTakesRowsAndRangesAsListed) {
    const Outcome r = Brusko({QStringLiteral("--delete"), QStringLiteral("1,3-4")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(ReadLogLines(), QStringList{kB});
    EXPECT_EQ(Get(QStringLiteral("Nättid"), QStringLiteral("Totalt")), QStringLiteral("00:12:00"));
    EXPECT_EQ(Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt")), QStringLiteral("0.50"));
    EXPECT_TRUE(r.out.contains(QStringLiteral("Total time: 00:12:00")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("Total cost: mk  0.50")));
}

TEST_F(CommandLine, DeleteIsRefusedWhileASessionIsOpen) {
    Put(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"), QStringLiteral("Ja"));
    const Outcome r = Brusko({QStringLiteral("--delete"), QStringLiteral("1")});
    EXPECT_NE(r.code, 0);
    EXPECT_EQ(r.err, QStringLiteral("Vindelor is in use. You can't empty the log now.\n"));
    EXPECT_EQ(ReadLogLines().size(), 4);
}

TEST_F(CommandLine, BadUsageChangesNothing) {
    for (const QStringList& args :
         {QStringList{QStringLiteral("--delete"), QStringLiteral("5")},
          QStringList{QStringLiteral("--delete"), QStringLiteral("x")},
          QStringList{QStringLiteral("--delete")}, QStringList{QStringLiteral("--frobnicate")},
          QStringList{QStringLiteral("--list"), QStringLiteral("extra")},
          QStringList{QStringLiteral("--export"), QStringLiteral("xml")},
          QStringList{QStringLiteral("--export"), QStringLiteral("csv"), QStringLiteral("--to")},
          QStringList{QStringLiteral("--months"), QStringLiteral("--from"),
                      QStringLiteral("1999-02-30")},
          QStringList{QStringLiteral("--months"), QStringLiteral("--from"),
                      QStringLiteral("1999-12-7")},
          QStringList{QStringLiteral("--months"), QStringLiteral("--output"), QStringLiteral("f")},
          QStringList{QStringLiteral("--months"), QStringLiteral("--to"),
                      QStringLiteral("1999-12-07"), QStringLiteral("--to"),
                      QStringLiteral("1999-12-08")}}) {
        const Outcome r = Brusko(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
    EXPECT_EQ(ReadLogLines().size(), 4);
    EXPECT_EQ(Brusko({}).code, -1);  // the window
    // The synopsis shows the plans: --plan for every form, --all-plans where it goes.
    const Outcome help = Brusko({QStringLiteral("--help")});
    EXPECT_EQ(help.code, 0);
    const QStringList synopsis = help.out.split(QLatin1Char('\n'));
    EXPECT_TRUE(synopsis.value(0).contains(QStringLiteral(" [--plan "))) << help.out.toStdString();
    for (const char* form : {"brusko --export ", "brusko --months "}) {
        const QStringList lines =
            synopsis.filter(QRegularExpression(QStringLiteral("^\\s*") + QLatin1String(form)));
        ASSERT_EQ(lines.size(), 1) << form << help.out.toStdString();
        EXPECT_TRUE(lines[0].endsWith(QStringLiteral(" [--all-plans]"))) << lines[0].toStdString();
    }
    EXPECT_TRUE(Brusko({QStringLiteral("--version")}).out.startsWith(QStringLiteral("brusko ")));
}

TEST_F(CommandLine, MonthsAndExportFollowStartDayAndRangeAndSkipUndatedLines) {
    Put(QStringLiteral("Billing"), QStringLiteral("StartDay"), QStringLiteral("7"));
    PutLog({kA, kB, QStringLiteral("1999.12.07 10:00:00-00:01:00^   9.0000"), kF, kC});
    const QString undated =
        QStringLiteral("brusko: Lines left out because their date could not be read: 1 (keys 3)\n");

    const Outcome months = Brusko({QStringLiteral("--months")});
    EXPECT_EQ(months.code, 0);
    EXPECT_EQ(months.err, undated);
    EXPECT_EQ(months.out,
              QStringLiteral("Month from  Sessions  Failed tries  Net time  Cost  Volume (MB)  "
                             "Roaming (MB)\n"
                             "1999-11-07         1             0   0:40:50  1.20            -  "
                             "           -\n"
                             "1999-12-07         2             1   0:42:20  0.90            -  "
                             "           -\n"));

    const QString file = dir_.file(QStringLiteral("out.csv"));
    const Outcome exported =
        Brusko({QStringLiteral("--export"), QStringLiteral("csv"), QStringLiteral("--to"),
                QStringLiteral("1999-12-07"), QStringLiteral("--output"), file,
                QStringLiteral("--from"), QStringLiteral("1999-12-07")});
    EXPECT_EQ(exported.code, 0);
    EXPECT_TRUE(exported.out.isEmpty());
    EXPECT_EQ(exported.err, undated);
    EXPECT_EQ(QString::fromUtf8(test::ReadFileBytes(file)),
              QStringLiteral("key,date,start,duration,failed,cost,rx_bytes,tx_bytes,roaming_rx_"
                             "bytes,roaming_tx_bytes\r\n"
                             "2,1999-12-07,09:00:00,720,0,0.5000,,,,\r\n"
                             "4,1999-12-07,10:00:00,,1,0.1500,,,,\r\n"));

    const Outcome unwritable =
        Brusko({QStringLiteral("--export"), QStringLiteral("json"), QStringLiteral("--output"),
                dir_.file(QStringLiteral("no/x"))});
    EXPECT_EQ(unwritable.code, 1);
    EXPECT_TRUE(unwritable.err.contains(QStringLiteral("The export could not be written: ")))
        << unwritable.err.toStdString();
}

TEST_F(CommandLine, AllPlansAddEachPlansOwnMonthsByCalendarMonthAndNameThePlanInEveryExport) {
    // Two plans with their own start days and currencies; halves of a cent that the rows
    // round one way and their exact sum another.
    PutLog({kA, kB, kF, kC, QStringLiteral("09.12.1999 12:00:00-00:01:00^   0.0045")});
    ASSERT_TRUE(platform::SelectPlan(QStringLiteral("hotspot")));
    ASSERT_TRUE(platform::EnsureDataDirectory());
    Put(QStringLiteral("Billing"), QStringLiteral("StartDay"), QStringLiteral("15"));
    Put(QStringLiteral("Charge"), QStringLiteral("valuta"), QStringLiteral("€"));
    PutLog({QStringLiteral("14.12.1999 08:00:00-00:10:00^   0.0050"),
            QStringLiteral("15.12.1999 08:00:00-00:20:00^   1.0045"),
            QStringLiteral("20.12.1999 08:00:00-+FAILED+^   0.0000")});
    ASSERT_TRUE(platform::SelectPlan(QString()));

    const Outcome months = Brusko({QStringLiteral("--months"), QStringLiteral("--all-plans")});
    EXPECT_EQ(months.code, 0) << months.err.toStdString();
    EXPECT_EQ(months.out, QStringLiteral("Plan       Month from  Sessions  Failed tries  Net time  "
                                         "Cost  Volume (MB)  Roaming (MB)\n"
                                         "hotspot    1999-11-15         1             0   0:10:00  "
                                         "0.01            -             -\n"
                                         "(total)    1999-11            1             0   0:10:00  "
                                         "0.01            -             -\n"
                                         "(default)  1999-12-01         4             1   1:24:10  "
                                         "2.10            -             -\n"
                                         "hotspot    1999-12-15         1             1   0:20:00  "
                                         "1.00            -             -\n"
                                         "(total)    1999-12            5             2   1:44:10  "
                                         "3.11            -             -\n"));
    EXPECT_EQ(platform::SelectedPlan(), QString());

    const Outcome csv =
        Brusko({QStringLiteral("--export"), QStringLiteral("csv"), QStringLiteral("--all-plans"),
                QStringLiteral("--from"), QStringLiteral("1999-12-09")});
    EXPECT_EQ(csv.code, 0);
    EXPECT_EQ(csv.out, QStringLiteral("key,date,start,duration,failed,cost,rx_bytes,tx_bytes,"
                                      "roaming_rx_bytes,roaming_tx_bytes,plan\r\n"
                                      "5,1999-12-09,12:00:00,60,0,0.0045,,,,,\r\n"
                                      "1,1999-12-14,08:00:00,600,0,0.0050,,,,,hotspot\r\n"
                                      "2,1999-12-15,08:00:00,1200,0,1.0045,,,,,hotspot\r\n"
                                      "3,1999-12-20,08:00:00,,1,0.0000,,,,,hotspot\r\n"));
    const Outcome json =
        Brusko({QStringLiteral("--export"), QStringLiteral("json"), QStringLiteral("--from"),
                QStringLiteral("1999-12-09"), QStringLiteral("--to"), QStringLiteral("1999-12-14"),
                QStringLiteral("--all-plans")});
    EXPECT_EQ(
        json.out,
        QStringLiteral(
            "[\n  {\"key\": 5, \"date\": \"1999-12-09\", \"start\": \"12:00:00\", "
            "\"duration\": 60, \"failed\": false, \"cost\": 0.0045, \"rx_bytes\": "
            "null, \"tx_bytes\": null, \"roaming_rx_bytes\": null, \"roaming_tx_bytes\": null, "
            "\"plan\": \"\"},\n"
            "  {\"key\": 1, \"date\": \"1999-12-14\", \"start\": \"08:00:00\", "
            "\"duration\": 600, \"failed\": false, \"cost\": 0.0050, \"rx_bytes\": "
            "null, \"tx_bytes\": null, \"roaming_rx_bytes\": null, \"roaming_tx_bytes\": null, "
            "\"plan\": \"hotspot\"}\n]\n"));

    // The workbook: the plan in a last column, bare numbers where the currencies differ.
    const QString book = dir_.file(QStringLiteral("plans.xlsx"));
    EXPECT_EQ(Brusko({QStringLiteral("--export"), QStringLiteral("xlsx"),
                      QStringLiteral("--all-plans"), QStringLiteral("--output"), book})
                  .code,
              0);
    QProcess reader;
    reader.start(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-c"),
         QStringLiteral("import openpyxl, sys; s = openpyxl.load_workbook(sys.argv[1]).active; "
                        "print([c.value for c in s['G']], s.cell(s.max_row, 6).value, "
                        "s.cell(2, 6).number_format)"),
         book});
    ASSERT_TRUE(reader.waitForFinished(60000));
    EXPECT_EQ(QString::fromUtf8(reader.readAllStandardOutput()),
              QStringLiteral("['Plan', '(default)', '(default)', '(default)', '(default)', "
                             "'(default)', 'hotspot', 'hotspot', 'hotspot', None] =SUM(F2:F9) "
                             "#,##0.0000\n"))
        << "python3-openpyxl missing? scripts/deps.sh installs it";
}

TEST_F(CommandLine, OutputThatCannotTakeTheTableFailsWithAReason) {
    const Outcome folder = Brusko({QStringLiteral("--export"), QStringLiteral("csv"),
                                   QStringLiteral("--output"), dir_.path()});
    EXPECT_EQ(folder.code, 1);
    EXPECT_TRUE(folder.err.contains(QStringLiteral("is a folder"))) << folder.err.toStdString();

    // Standard output on a full disk; the deletion last, as it changes the log.
    for (const QStringList& args :
         {QStringList{QStringLiteral("--months")},
          QStringList{QStringLiteral("--export"), QStringLiteral("csv")},
          QStringList{QStringLiteral("--list")}, QStringList{QStringLiteral("--recalculate")},
          QStringList{QStringLiteral("--delete"), QStringLiteral("1")}}) {
        QFile full(QStringLiteral("/dev/full"));
        ASSERT_TRUE(full.open(QIODevice::WriteOnly));
        QString errors;
        QTextStream out(&full);
        QTextStream err(&errors);
        EXPECT_EQ(RunCommandLine(args, out, err), 1) << args.join(' ').toStdString();
        err.flush();
        EXPECT_TRUE(errors.contains(QStringLiteral("Standard output could not be written")))
            << errors.toStdString();
    }
}

TEST_F(CommandLine, AnExportNeverFollowsALinkSomeoneElsePlantedInASharedFolder) {
    QTemporaryDir shared;
    ASSERT_EQ(::chmod(QFile::encodeName(shared.path()).constData(), 01777), 0);
    const QString victim = dir_.file(QStringLiteral("precious"));
    test::WriteFileBytes(victim, "mine");
    const QString planted = shared.filePath(QStringLiteral("export.csv"));
    ASSERT_TRUE(QFile::link(victim, planted));
    if (::lchown(QFile::encodeName(planted).constData(), 65534, 65534) != 0) {
        GTEST_SKIP() << "only root can give a link to another user";
    }
    const Outcome o = Brusko(
        {QStringLiteral("--export"), QStringLiteral("csv"), QStringLiteral("--output"), planted});
    EXPECT_EQ(o.code, 1);
    EXPECT_TRUE(o.err.contains(QStringLiteral("symbolic link"))) << o.err.toStdString();
    EXPECT_EQ(test::ReadFileBytes(victim), QByteArray("mine"));
}

// The export is renamed over the name: a link there, made before or while it is written,
// is replaced, and what it pointed at stays as it was.
TEST_F(CommandLine, AnExportReplacesALinkAtItsNameNeverWhatItPointsAt) {
    const QString victim = dir_.file(QStringLiteral("precious"));
    test::WriteFileBytes(victim, "mine");
    const QString output = dir_.file(QStringLiteral("export.csv"));
    ASSERT_TRUE(QFile::link(victim, output));
    const Outcome o = Brusko(
        {QStringLiteral("--export"), QStringLiteral("csv"), QStringLiteral("--output"), output});
    EXPECT_EQ(o.code, 0) << o.err.toStdString();
    EXPECT_EQ(test::ReadFileBytes(victim), QByteArray("mine"));
    EXPECT_FALSE(QFileInfo(output).isSymLink());
    EXPECT_TRUE(test::ReadFileBytes(output).startsWith("key,"))
        << test::ReadFileBytes(output).toStdString();
    EXPECT_EQ(
        QDir(dir_.path()).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".tmp")),
        QStringList());

    // The folder's own error, not one left over from an earlier call.
    const Outcome missing =
        Brusko({QStringLiteral("--export"), QStringLiteral("csv"), QStringLiteral("--output"),
                dir_.file(QStringLiteral("no/x.csv"))});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("No such file or directory")))
        << missing.err.toStdString();
}

TEST_F(CommandLine, RecalculateStoresTheRecount) {
    const Outcome r = Brusko({QStringLiteral("--recalculate")});
    EXPECT_EQ(r.code, 0);
    // The failed try's charge counts too, as its line carries it.
    EXPECT_EQ(Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt")), QStringLiteral("2.10"));
    EXPECT_EQ(Get(QStringLiteral("Försök"), QStringLiteral("Antal")), QStringLiteral("1"));
    EXPECT_TRUE(r.out.contains(QStringLiteral("Total cost: mk 2.10")));
}

// The plan goes first: its own log and totals, never the default plan's.
TEST_F(CommandLine, APlanNamedWorksOnThatPlansFilesOnly) {
    struct BackToTheDefaultPlan {
        ~BackToTheDefaultPlan() { platform::SelectPlan(QString()); }
    } back;
    ASSERT_EQ(CreatePlan(QStringLiteral("Phone")), 0);
    for (const char* bad : {"../x", "Cottage"}) {
        const Outcome r = Brusko(
            {QStringLiteral("--plan"), QString::fromUtf8(bad), QStringLiteral("--recalculate")});
        EXPECT_EQ(r.code, 2) << bad;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(bad))) << r.err.toStdString();
    }
    EXPECT_EQ(platform::DataDirectory(), dir_.path());

    const Outcome r = Brusko({QStringLiteral("--recalculate"), QStringLiteral("--plan=Phone")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("Total cost: mk 0.00\nFailed tries: 0\n"));
    EXPECT_EQ(Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt")), QStringLiteral("0.00"));
    platform::SelectPlan(QString());
    EXPECT_EQ(Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt")), QStringLiteral("2.10"));
    EXPECT_EQ(Brusko({QStringLiteral("--plan"), QStringLiteral("Phone")}).code, -1)
        << "the plan's window";
}

TEST_F(CommandLine, MessagesFollowTheStoredLanguage) {
    const auto own = [](int n, int offset) { return LoadText(kOwnTextBase + n + offset); };
    for (const auto& [code, offset] : {std::pair{"S", kSwedishOffset}, {"SF", kFinnishOffset}}) {
        SCOPED_TRACE(code);
        Put(QStringLiteral("Språk"), QStringLiteral("Språk"), QString::fromLatin1(code));
        PutLog({kA, kB, kF, kC});

        const Outcome help = Brusko({QStringLiteral("--help")});
        EXPECT_TRUE(
            help.out.startsWith(own(kTextViewerUsage, offset).section(QLatin1Char('\n'), 0, 0)))
            << help.out.toStdString();
        EXPECT_TRUE(help.out.contains(own(kTextViewerOptionsMore, offset)));
        EXPECT_TRUE(
            Brusko({QStringLiteral("--export"), QStringLiteral("xml")})
                .err.startsWith(QStringLiteral("brusko: ") +
                                own(kTextUnknownFormat, offset).arg(QStringLiteral("xml"))));

        const Outcome unknown = Brusko({QStringLiteral("--frobnicate")});
        EXPECT_TRUE(unknown.err.contains(
            own(kTextUnknownOption, offset).arg(QStringLiteral("--frobnicate"))));

        const Outcome outside = Brusko({QStringLiteral("--delete"), QStringLiteral("7")});
        EXPECT_EQ(outside.err, QStringLiteral("brusko: ") +
                                   own(kTextRowNotListed, offset).arg(7).arg(4) +
                                   QLatin1Char('\n'));

        const Outcome deleted = Brusko({QStringLiteral("--delete"), QStringLiteral("2")});
        EXPECT_EQ(deleted.code, 0);
        EXPECT_TRUE(deleted.out.startsWith(own(kTextLinesDeleted, offset).arg(1).arg(4)))
            << deleted.out.toStdString();
        EXPECT_TRUE(deleted.out.contains(LoadText(29 + offset)));

        const Outcome recount = Brusko({QStringLiteral("--recalculate")});
        EXPECT_TRUE(recount.out.contains(own(kTextFailedTries, offset).arg(1)));
    }
}

TEST_F(CommandLine, FailedDeletionNamesTheFileAndChangesNothing) {
    // A directory where the temporary copy must go cannot be cleared away.
    ASSERT_TRUE(QDir().mkpath(dir_.file(kLogTempFile) + QStringLiteral("/inside")));
    const QByteArray before = test::ReadFileBytes(dir_.file(kLogFile));
    const Outcome r = Brusko({QStringLiteral("--delete"), QStringLiteral("1")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("brusko: The log was not changed: ")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Vindelor.ny"))) << r.err.toStdString();
    EXPECT_EQ(test::ReadFileBytes(dir_.file(kLogFile)), before);
    EXPECT_EQ(Get(QStringLiteral("Nättid"), QStringLiteral("Totalt")), QStringLiteral("01:23:10"));
}

TEST_F(CommandLine, TotalsThatCannotBeSavedFailTheCommand) {
    const QString settings = dir_.file(kSettingsFile);
    ASSERT_TRUE(QFile::rename(settings, settings + QStringLiteral(".aside")));
    ASSERT_TRUE(QDir().mkpath(settings + QStringLiteral("/blocked")));
    ClearProfileCache();
    for (const QStringList& args : {QStringList{QStringLiteral("--recalculate")},
                                    QStringList{QStringLiteral("--delete"), QStringLiteral("1")}}) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const Outcome r = Brusko(args);
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("The totals could not be saved: ") + settings))
            << r.err.toStdString();
    }
    // The deletion itself went through.
    EXPECT_EQ(ReadLogLines(), (QStringList{kB, kF, kC}));
}

}  // namespace
}  // namespace vindelor::brusko
